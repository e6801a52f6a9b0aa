// Reading the program's own pictures from files.
#pragma once

#include <QImage>
#include <QString>

namespace platform {

// The picture in the file at `path`, read by the format its suffix names (PNG
// for "x.png"), or a null image when the file is missing, unreadable or not in
// that format. Only a file without a suffix has its format guessed from its
// bytes: guessing asks every image-format plugin installed on the machine, and
// each one loaded stays in memory for the rest of the run.
QImage readPicture(const QString& path);

} // namespace platform
