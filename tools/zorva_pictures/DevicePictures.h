#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

// The suite's device pictures, drawn from their names: the name says which kind
// of device to draw ("HeadsetStereo", "Earbud", "Speakerphone" ...) and in which
// colour ("Teal", "Coral" ...), or which wearing style of a convertible headset.
namespace devicepictures {

constexpr int kSize = 128;

QImage draw(const QString& name);

// The update window's own pictures beside the device pictures: the mark on an
// "Update" button and the suite's icons (all plain PNG).
QStringList windowPictureNames();

// The application's icon for the desktop's icon theme, size x size pixels: the
// suite's headset on a rounded tile.
QImage appIcon(int size);

// PNG bytes of a picture; empty when encoding fails.
QByteArray png(const QImage& image);

// Whether a picture ships encrypted (<name>.enc) rather than plain (<name>.png).
bool shipsEncrypted(const QString& name);

// AES-256-CBC with PKCS#7 padding and a zero initialisation vector, under the
// program's picture key. Empty on failure.
QByteArray encrypt(const QByteArray& plain);

} // namespace devicepictures
