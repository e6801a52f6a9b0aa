#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

namespace fuzzsupport {

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The input as a file, for parsers that read paths: one file per process,
// rewritten for every input.
inline QString asFile(const uint8_t* data, size_t size) {
    static const QString path =
        QStringLiteral("/tmp/zorva-fuzz-%1.input").arg(static_cast<qint64>(getpid()));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    return path;
}

} // namespace fuzzsupport
