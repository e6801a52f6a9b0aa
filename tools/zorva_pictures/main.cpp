// Writes every device picture the image table names, and the update window's own pictures:
//   zorva_pictures <originals folder> <bundle Resources folder>
// or the application's icon in the sizes an icon theme holds:
//   zorva_pictures --icons <theme folder> <icon name>   -> <theme>/<N>x<N>/apps/<icon name>.png
// The originals folder receives every picture as PNG; the bundle receives each
// one as <name>.png or, encrypted, as <name>.enc. Files whose content is
// unchanged are left untouched.
#include "Common/ImageUtility.h"
#include "DevicePictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

namespace {

bool writeIfChanged(const QString& path, const QByteArray& bytes) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes) {
        return true;
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// Sizes a panel, a launcher and a software centre ask for.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

int writeIcons(const QString& theme, const QString& name) {
    for (const int size : kIconSizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size);
        const QByteArray png = devicepictures::png(devicepictures::appIcon(size));
        if (!QDir().mkpath(folder) || png.isEmpty() ||
            !writeIfChanged(folder + u'/' + name + QLatin1String(".png"), png)) {
            std::fprintf(stderr, "zorva_pictures: cannot write the %d pixel icon\n", size);
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--icons")) {
        return writeIcons(args.at(2), args.at(3));
    }
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: zorva_pictures <originals folder> <Resources folder>\n");
        return 2;
    }
    const QDir originals(args.at(1));
    const QDir resources(args.at(2));
    if (!QDir().mkpath(originals.path()) || !QDir().mkpath(resources.path())) {
        std::fprintf(stderr, "zorva_pictures: cannot create the output folders\n");
        return 1;
    }
    int count = 0;
    for (const QString& name :
         ImageUtility::allPictureNames() + devicepictures::windowPictureNames()) {
        const QByteArray png = devicepictures::png(devicepictures::draw(name));
        if (png.isEmpty() ||
            !writeIfChanged(originals.filePath(name + QLatin1String(".png")), png)) {
            std::fprintf(stderr, "zorva_pictures: cannot write %s\n", qPrintable(name));
            return 1;
        }
        const bool encrypted = devicepictures::shipsEncrypted(name);
        const QByteArray shipped = encrypted ? devicepictures::encrypt(png) : png;
        const QString file = name + QLatin1String(encrypted ? ".enc" : ".png");
        if (shipped.isEmpty() || !writeIfChanged(resources.filePath(file), shipped)) {
            std::fprintf(stderr, "zorva_pictures: cannot write %s\n", qPrintable(file));
            return 1;
        }
        ++count;
    }
    std::printf("zorva_pictures: %d pictures\n", count);
    return 0;
}
