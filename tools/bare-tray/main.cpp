// bare-tray: the smallest status item Qt can make, a QSystemTrayIcon with a
// 14-item QMenu and nothing else. The tray benchmarks measure the status item
// beside it, in the same run, on the same bus and X server.
//
// With "--devices N" the menu starts with N rows that carry a picture each, then
// a separator, as the status item's device rows do: the same menu exported by
// Qt's own tray support, for comparing reads of equal menus.
//
// It listens to the notification-centre broadcast like the status item does:
// every "c_HVUpdateUI!" posted on the bus clears the menu and fills it again, so
// that the cost of a rebuild can be compared.

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <cstdio>

namespace {

constexpr int kItems = 14;

QIcon rowIcon(int row) {
    QPixmap pixmap(44, 44);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setBrush(QColor::fromHsv((row * 37) % 360, 200, 200));
    painter.setPen(Qt::NoPen);
    painter.drawRect(6, 12, 32, 20);
    return QIcon(pixmap);
}

int g_devices = 0;

void fill(QMenu& menu) {
    for (int row = 0; row < g_devices; ++row) {
        menu.addAction(rowIcon(row), QStringLiteral("Headset %1").arg(row + 1));
    }
    if (g_devices > 0) {
        menu.addSeparator();
    }
    for (int i = 0; i < kItems; ++i) {
        if (i == 5 || i == 9) {
            menu.addSeparator();
        }
        QAction* action = menu.addAction(QStringLiteral("Item %1").arg(i + 1));
        action->setData(i);
    }
}

QIcon makeIcon() {
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(40, 120, 200));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(3, 3, 16, 16);
    return QIcon(pixmap);
}

class Rebuilder : public QObject {
    Q_OBJECT
public:
    explicit Rebuilder(QMenu& menu) : m_menu(menu) {}

public Q_SLOTS:
    void posted(const QDBusMessage& message) {
        if (message.arguments().value(0).toString() != QLatin1String("c_HVUpdateUI!")) {
            return;
        }
        m_menu.clear();
        fill(m_menu);
    }

private:
    QMenu& m_menu;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = QApplication::arguments();
    const qsizetype devices = args.indexOf(QStringLiteral("--devices"));
    if (devices > 0 && devices + 1 < args.size()) {
        g_devices = qMax(0, args.at(devices + 1).toInt());
    }
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        std::fprintf(stderr, "bare-tray: no system tray on this desktop\n");
    }
    QMenu menu;
    fill(menu);
    QSystemTrayIcon tray(makeIcon());
    tray.setToolTip(QStringLiteral("bare tray"));
    tray.setContextMenu(&menu);
    tray.show();

    Rebuilder rebuilder(menu);
    QDBusConnection::sessionBus().connect(
        QString(), QStringLiteral("/com/zorva/DistributedNotificationCenter"),
        QStringLiteral("com.zorva.DistributedNotificationCenter"), QStringLiteral("Posted"),
        &rebuilder, SLOT(posted(QDBusMessage)));
    return app.exec();
}

#include "main.moc"
