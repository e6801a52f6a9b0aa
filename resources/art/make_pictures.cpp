// Draws the status item's pictures into resources/Resources/. Our own art; run it
// again after changing a drawing and commit the PNG files it writes:
//
//   g++ -std=c++20 -fPIC resources/art/make_pictures.cpp -o /tmp/make_pictures \
//       $(pkg-config --cflags --libs Qt6Gui) && /tmp/make_pictures resources/Resources
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

QString g_outDir;

void save(const QString& name, int width, int height, const std::function<void(QPainter&)>& draw) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    const QString path = g_outDir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
}

// A headset seen from the front: head band and two ear cups, with a boom microphone.
void headset(QPainter& p, const QColor& color) {
    QPen band(color, 2.2, Qt::SolidLine, Qt::RoundCap);
    p.setPen(band);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3.5, 2.5, 15, 15), 0 * 16, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(2, 9, 5, 8), 2, 2);
    p.drawRoundedRect(QRectF(15, 9, 5, 8), 2, 2);
    QPen boom(color, 1.6, Qt::SolidLine, Qt::RoundCap);
    p.setPen(boom);
    QPainterPath mic;
    mic.moveTo(4.5, 17);
    mic.quadTo(5, 20.5, 10, 20.5);
    p.drawPath(mic);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(11, 20.5), 1.5, 1.2);
}

// A small badge with an arrow pointing down: an update is waiting.
void updateBadge(QPainter& p, const QColor& fill, const QColor& arrow) {
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(QRectF(12, 0, 10, 10));
    QPen pen(arrow, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.drawLine(QPointF(17, 2.3), QPointF(17, 7.2));
    p.drawLine(QPointF(14.8, 5.2), QPointF(17, 7.4));
    p.drawLine(QPointF(19.2, 5.2), QPointF(17, 7.4));
}

// A horizontal battery, 26 x 12 inside a 30 x 20 picture, with `bars` of 5 bars lit.
void battery(QPainter& p, int bars) {
    const QColor outline(70, 70, 70);
    p.setPen(QPen(outline, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 4.5, 23, 11), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(outline);
    p.drawRoundedRect(QRectF(26, 7.5, 2.5, 5), 1, 1);
    const QColor fill = bars <= 1 ? QColor(214, 48, 49) : QColor(46, 160, 67);
    p.setBrush(fill);
    if (bars == 0) {
        p.drawRect(QRectF(4.5, 6.5, 1.6, 7)); // an empty battery keeps a red sliver
        return;
    }
    for (int i = 0; i < bars; ++i) {
        p.drawRect(QRectF(4.5 + i * 4.1, 6.5, 3.3, 7));
    }
}

void lightning(QPainter& p, const QColor& color) {
    QPainterPath bolt;
    bolt.moveTo(11.5, 2);
    bolt.lineTo(5, 11.5);
    bolt.lineTo(9.5, 11.5);
    bolt.lineTo(8, 18);
    bolt.lineTo(15, 8.5);
    bolt.lineTo(10.5, 8.5);
    bolt.closeSubpath();
    p.setPen(QPen(QColor(120, 90, 0), 0.8));
    p.setBrush(color);
    p.drawPath(bolt);
}

// A status-bar picture at twice its size (the drawing works in 22-point units),
// with a halo of the contrasting shade around every stroke, so that it stands out
// on dark and light panels alike.
void saveStatus(const QString& name, const QColor& halo,
                const std::function<void(QPainter&)>& draw) {
    constexpr int kScale = 2;
    constexpr int kSize = 22 * kScale;
    QImage shape(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(kScale, kScale);
        draw(p);
    }
    QImage tinted = shape;
    {
        QPainter p(&tinted);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(tinted.rect(), halo);
    }
    save(name, kSize, kSize, [&](QPainter& p) {
        // The halo: the shape's outline, widened by about 1.5 points all round.
        constexpr double kRadius = 1.5 * kScale;
        for (int step = 0; step < 16; ++step) {
            const double angle = step * 3.14159265358979 / 8;
            p.drawImage(QPointF(kRadius * std::cos(angle), kRadius * std::sin(angle)), tinted);
        }
        p.drawImage(QPointF(0, 0), shape);
    });
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    g_outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources/Resources");
    QDir().mkpath(g_outDir);

    const QColor dark(40, 40, 40);
    const QColor light(255, 255, 255);
    const QColor lightHalo(236, 236, 236, 230);
    const QColor darkHalo(30, 30, 30, 230);
    saveStatus(QStringLiteral("HVstatusoffline"), lightHalo, [&](QPainter& p) { headset(p, dark); });
    saveStatus(QStringLiteral("HVstatusonline"), darkHalo, [&](QPainter& p) { headset(p, light); });
    saveStatus(QStringLiteral("SWUpdateNotification"), lightHalo, [&](QPainter& p) {
        headset(p, dark);
        updateBadge(p, QColor(0, 122, 255), light);
    });
    saveStatus(QStringLiteral("SWUpdateNotificationHighlight"), darkHalo, [&](QPainter& p) {
        headset(p, light);
        updateBadge(p, light, QColor(0, 122, 255));
    });
    saveStatus(QStringLiteral("Battery_Low"), lightHalo, [&](QPainter& p) {
        headset(p, dark);
        // a red battery with one bar in the upper right corner
        p.setPen(QPen(QColor(214, 48, 49), 1.2));
        p.setBrush(light);
        p.drawRoundedRect(QRectF(11.5, 1.5, 8.5, 6), 1, 1);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(214, 48, 49));
        p.drawRect(QRectF(20, 3.2, 1.5, 2.6));
        p.drawRect(QRectF(13, 3, 2, 3));
    });
    for (int level = 0; level <= 5; ++level) {
        save(QStringLiteral("Battery_%1").arg(level), 30, 20,
             [&](QPainter& p) { battery(p, level); });
    }
    save(QStringLiteral("Battery_charging"), 20, 20,
         [&](QPainter& p) { lightning(p, QColor(255, 200, 0)); });
    save(QStringLiteral("SametimeError"), 16, 16, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(214, 48, 49));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setBrush(light);
        p.drawRoundedRect(QRectF(7, 3.5, 2, 6.5), 1, 1);
        p.drawEllipse(QRectF(7, 11, 2, 2));
    });
    return 0;
}
