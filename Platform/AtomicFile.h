#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Replaces the file at path with bytes: they go to a temporary file beside it,
// which takes the old file's place only when every byte reached the disk. On any
// failure the old file stays as it was and false is returned.
bool writeFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace platform
