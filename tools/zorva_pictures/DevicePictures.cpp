#include "DevicePictures.h"

#include "Common/ImageUtility.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <memory>
#include <openssl/evp.h>
#include <utility>

namespace devicepictures {

namespace {

constexpr std::array<std::pair<const char*, QRgb>, 8> kColours = {{{"Slate", 0xff5b6b7a},
                                                                   {"Coral", 0xfff26b5b},
                                                                   {"Teal", 0xff2a9d8f},
                                                                   {"Amber", 0xffe09540},
                                                                   {"Plum", 0xff8e4585},
                                                                   {"Moss", 0xff6a8d3a},
                                                                   {"Sky", 0xff4ea8de},
                                                                   {"Ink", 0xff1d3557}}};

constexpr QRgb kNeutral = 0xff7d8590;

enum class Kind {
    HeadsetStereo,
    HeadsetMono,
    Earbud,
    Neckband,
    Speakerphone,
    UsbAdapter,
    ChargingBase,
};

constexpr std::array<std::pair<const char*, Kind>, 7> kKinds = {
    {{"HeadsetStereo", Kind::HeadsetStereo},
     {"HeadsetMono", Kind::HeadsetMono},
     {"Earbud", Kind::Earbud},
     {"Neckband", Kind::Neckband},
     {"Speakerphone", Kind::Speakerphone},
     {"UsbAdapter", Kind::UsbAdapter},
     {"ChargingBase", Kind::ChargingBase}}};

QPen outline(const QColor& colour, qreal width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void backdrop(QPainter& p, const QColor& colour) {
    QColor light = colour.lighter(185);
    light.setAlpha(90);
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawRoundedRect(QRectF(6, 6, kSize - 12, kSize - 12), 22, 22);
}

void headband(QPainter& p, const QColor& c) {
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(c, 9));
    p.drawArc(QRectF(28, 18, 72, 76), 20 * 16, 140 * 16);
}

void earCup(QPainter& p, const QColor& c, qreal x) {
    p.setPen(outline(c.darker(140), 3));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(x, 56, 22, 36), 9, 9);
}

void boom(QPainter& p, const QColor& c, qreal fromX, qreal toX) {
    p.setPen(outline(c.darker(130), 5));
    QPainterPath path(QPointF(fromX, 84));
    path.quadTo(QPointF((fromX + toX) / 2, 108), QPointF(toX, 100));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(c.darker(150));
    p.drawEllipse(QPointF(toX, 100), 6, 6);
}

void drawHeadset(QPainter& p, const QColor& c, bool leftCup, bool rightCup, bool withBoom) {
    headband(p, c);
    if (leftCup) {
        earCup(p, c, 20);
    } else {
        p.setPen(outline(c.darker(140), 4));
        p.setBrush(c.lighter(140));
        p.drawEllipse(QRectF(24, 64, 14, 22)); // the stabiliser pad
    }
    if (rightCup) {
        earCup(p, c, 86);
    }
    if (withBoom) {
        boom(p, c, rightCup ? 96 : 30, rightCup ? 60 : 70);
    }
}

void drawEarbuds(QPainter& p, const QColor& c) {
    for (qreal x : {36.0, 82.0}) {
        p.setPen(outline(c.darker(140), 3));
        p.setBrush(c);
        p.drawEllipse(QPointF(x, 50), 15, 15);
        p.setPen(outline(c, 8));
        p.drawLine(QPointF(x, 62), QPointF(x + (x < 64 ? 4 : -4), 98));
    }
}

void drawNeckband(QPainter& p, const QColor& c) {
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(c, 10));
    QPainterPath band(QPointF(30, 40));
    band.cubicTo(QPointF(26, 118), QPointF(102, 118), QPointF(98, 40));
    p.drawPath(band);
    p.setPen(outline(c.darker(140), 3));
    p.setBrush(c.lighter(130));
    p.drawEllipse(QPointF(30, 34), 10, 10);
    p.drawEllipse(QPointF(98, 34), 10, 10);
}

void drawSpeakerphone(QPainter& p, const QColor& c) {
    p.setPen(outline(c.darker(140), 4));
    p.setBrush(c);
    p.drawEllipse(QPointF(64, 68), 44, 30);
    p.setPen(Qt::NoPen);
    p.setBrush(c.lighter(160));
    for (int row = -1; row <= 1; ++row) {
        for (int col = -3; col <= 3; ++col) {
            p.drawEllipse(QPointF(64 + col * 9, 68 + row * 9), 2.5, 2.5);
        }
    }
}

void drawUsbAdapter(QPainter& p, const QColor& c) {
    p.setPen(outline(c.darker(140), 3));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(40, 48, 56, 36), 8, 8);
    p.setBrush(QColor(0xffc0c4c8));
    p.drawRect(QRectF(20, 56, 22, 20));
    p.setBrush(c.lighter(170));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(84, 66), 5, 5);
}

void drawChargingBase(QPainter& p, const QColor& c) {
    QPainterPath base;
    base.moveTo(22, 104);
    base.lineTo(106, 104);
    base.lineTo(94, 82);
    base.lineTo(34, 82);
    base.closeSubpath();
    p.setPen(outline(c.darker(140), 3));
    p.setBrush(c);
    p.drawPath(base);
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(c.lighter(120), 7));
    p.drawArc(QRectF(40, 24, 48, 70), 20 * 16, 140 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff46c46e));
    p.drawEllipse(QPointF(64, 94), 4, 4);
}

void drawUpdateArrow(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff2a7de1));
    p.drawEllipse(QPointF(100, 100), 18, 18);
    QPainterPath arrow;
    arrow.moveTo(100, 88);
    arrow.lineTo(110, 100);
    arrow.lineTo(104, 100);
    arrow.lineTo(104, 111);
    arrow.lineTo(96, 111);
    arrow.lineTo(96, 100);
    arrow.lineTo(90, 100);
    arrow.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(arrow);
}

void drawBadUsbMark(QPainter& p) {
    p.setPen(outline(QColor(0xffd62828), 6));
    p.drawLine(QPointF(88, 88), QPointF(112, 112));
    p.drawLine(QPointF(112, 88), QPointF(88, 112));
}

// A convertible headset family: the style decides cups and band.
void drawVariant(QPainter& p, const QColor& c, const QString& style, bool arc) {
    if (style == QLatin1String("_Convert")) {
        // Worn over the ear: an ear hook instead of a band.
        p.setBrush(Qt::NoBrush);
        p.setPen(outline(c, 8));
        p.drawArc(QRectF(44, 22, 40, 48), 0, 180 * 16);
        earCup(p, c, 53);
        boom(p, c, 64, 100);
    } else if (style == QLatin1String("_Duo")) {
        drawHeadset(p, c, true, true, true);
    } else {
        drawHeadset(p, c, false, true, true);
    }
    if (arc) {
        p.setPen(outline(c.darker(160), 3));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(16, 10, 96, 96), 200 * 16, 140 * 16);
    }
}

// The suite's own mark: a rounded square with a sound wave over a headset.
void drawSuiteMark(QPainter& p) {
    const QColor c(0xff1d3557);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(14, 14, kSize - 28, kSize - 28), 24, 24);
    p.setPen(outline(Qt::white, 7));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(36, 34, 56, 56), 0 * 16, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(30, 60, 14, 26), 5, 5);
    p.drawRoundedRect(QRectF(84, 60, 14, 26), 5, 5);
    p.setPen(outline(QColor(0xff4ea8de), 5));
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(54 + i * 10, 84 - i * 6), QPointF(54 + i * 10, 100));
    }
}

// The suite is up and running: its mark with a green tick.
void drawSuiteOn(QPainter& p) {
    drawSuiteMark(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff2a9d48));
    p.drawEllipse(QPointF(100, 100), 20, 20);
    p.setPen(outline(Qt::white, 6));
    p.drawLine(QPointF(90, 101), QPointF(97, 108));
    p.drawLine(QPointF(97, 108), QPointF(110, 92));
}

// The small mark on an "Update" button: a blue disc with a down arrow.
void drawUpdateAvailable(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff2a7de1));
    p.drawEllipse(QRectF(8, 8, kSize - 16, kSize - 16));
    QPainterPath arrow;
    arrow.moveTo(64, 100);
    arrow.lineTo(96, 64);
    arrow.lineTo(76, 64);
    arrow.lineTo(76, 28);
    arrow.lineTo(52, 28);
    arrow.lineTo(52, 64);
    arrow.lineTo(32, 64);
    arrow.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(arrow);
}

} // namespace

QStringList windowPictureNames() {
    return {QStringLiteral("UpdateAvail"), QStringLiteral("ZMSIcon"),
            QStringLiteral("zorva_youre_on")};
}

QImage appIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(qreal(size) / kSize, qreal(size) / kSize);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff1d3557));
    p.drawRoundedRect(QRectF(4, 4, kSize - 8, kSize - 8), 26, 26);
    drawHeadset(p, QColor(0xff7fd1c7), true, true, true);
    return image;
}

QImage draw(const QString& name) {
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    if (name == QLatin1String("UpdateAvail")) {
        drawUpdateAvailable(p);
        return image;
    }
    if (name == QLatin1String("ZMSIcon")) {
        drawSuiteMark(p);
        return image;
    }
    if (name == QLatin1String("zorva_youre_on")) {
        drawSuiteOn(p);
        return image;
    }
    if (name == QLatin1String("DefaultDevice") || name == QLatin1String("DefaultFWUDevice")) {
        const QColor c(kNeutral);
        backdrop(p, c);
        drawHeadset(p, c, true, true, true);
        if (name == QLatin1String("DefaultFWUDevice")) {
            drawUpdateArrow(p);
        }
        return image;
    }
    for (const auto& [prefix, arc] : {std::pair{"OrbitHeadset", false}, {"ArcHeadset", true}}) {
        if (name.startsWith(QLatin1String(prefix))) {
            const QColor c(arc ? 0xff3d5a80 : 0xffb5179e);
            backdrop(p, c);
            QString style = name.mid(qsizetype(std::char_traits<char>::length(prefix)));
            const bool badUsb = style.endsWith(QLatin1String("_BadUsb"));
            if (badUsb) {
                style.chop(7);
            }
            drawVariant(p, c, style, arc);
            if (badUsb) {
                drawBadUsbMark(p);
            }
            return image;
        }
    }
    Kind kind = Kind::HeadsetStereo;
    QString rest = name;
    for (const auto& [prefix, k] : kKinds) {
        if (name.startsWith(QLatin1String(prefix))) {
            kind = k;
            rest = name.mid(qsizetype(std::char_traits<char>::length(prefix)));
            break;
        }
    }
    QColor c(kNeutral);
    for (const auto& [colourName, rgb] : kColours) {
        if (rest == QLatin1String(colourName)) {
            c = QColor(rgb);
        }
    }
    backdrop(p, c);
    switch (kind) {
    case Kind::HeadsetStereo:
        drawHeadset(p, c, true, true, false);
        break;
    case Kind::HeadsetMono:
        drawHeadset(p, c, false, true, true);
        break;
    case Kind::Earbud:
        drawEarbuds(p, c);
        break;
    case Kind::Neckband:
        drawNeckband(p, c);
        break;
    case Kind::Speakerphone:
        drawSpeakerphone(p, c);
        break;
    case Kind::UsbAdapter:
        drawUsbAdapter(p, c);
        break;
    case Kind::ChargingBase:
        drawChargingBase(p, c);
        break;
    }
    return image;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        return {};
    }
    return bytes;
}

bool shipsEncrypted(const QString& name) {
    return name == QLatin1String("DefaultDevice") || name.startsWith(QLatin1String("Earbud")) ||
           name.startsWith(QLatin1String("Neckband")) ||
           name.startsWith(QLatin1String("OrbitHeadset")) ||
           name.startsWith(QLatin1String("ArcHeadset"));
}

QByteArray encrypt(const QByteArray& plain) {
    struct Deleter {
        void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
    };
    std::unique_ptr<EVP_CIPHER_CTX, Deleter> context(EVP_CIPHER_CTX_new());
    static const std::array<unsigned char, 16> zeroIv{};
    if (!context ||
        EVP_EncryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr,
                           reinterpret_cast<const unsigned char*>(ImageUtility::kPictureKey),
                           zeroIv.data()) != 1) {
        return {};
    }
    QByteArray out(plain.size() + 16, Qt::Uninitialized);
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    int written = 0;
    int finished = 0;
    if (EVP_EncryptUpdate(context.get(), o, &written,
                          reinterpret_cast<const unsigned char*>(plain.constData()),
                          static_cast<int>(plain.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), o + written, &finished) != 1) {
        return {};
    }
    out.truncate(written + finished);
    return out;
}

} // namespace devicepictures
