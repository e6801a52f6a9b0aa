#include "Platform/widgets/Pictures.h"

#include <QFileInfo>
#include <QImageReader>

namespace platform {

QImage readPicture(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(format.isEmpty());
    return reader.read();
}

} // namespace platform
