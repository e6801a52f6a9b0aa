#include "MenuPicture.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QThread>

namespace trayhost {

namespace {

void fillMenu(QMenu& menu, const MenuEntry& entry) {
    for (const MenuEntry& child : entry.children) {
        if (!child.visible) {
            continue;
        }
        if (child.isSeparator()) {
            menu.addSeparator();
            continue;
        }
        QString text = plainLabel(child.label);
        text.replace(u'&', QStringLiteral("&&"));
        if (!child.children.empty()) {
            QMenu* sub = menu.addMenu(text);
            fillMenu(*sub, child);
            continue;
        }
        QAction* action = menu.addAction(text);
        action->setEnabled(child.enabled);
        if (!child.iconData.isEmpty()) {
            QPixmap pixmap;
            if (pixmap.loadFromData(child.iconData)) {
                action->setIcon(QIcon(pixmap));
            }
        } else if (!child.iconName.isEmpty()) {
            action->setIcon(QIcon::fromTheme(child.iconName));
        }
        if (!child.toggleType.isEmpty()) {
            action->setCheckable(true);
            action->setChecked(child.toggleState == 1);
        }
    }
}

QImage grabScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return {};
    }
    return screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

void waitMs(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

} // namespace

QImage renderMenu(const MenuEntry& root) {
    QMenu menu;
    fillMenu(menu, root);
    menu.ensurePolished();
    menu.adjustSize();
    return menu.grab().toImage();
}

QRect changedRegion(const QImage& before, const QImage& after) {
    if (before.size() != after.size() || before.isNull()) {
        return {};
    }
    const QImage a = before.convertToFormat(QImage::Format_RGB32);
    const QImage b = after.convertToFormat(QImage::Format_RGB32);
    int left = a.width();
    int top = a.height();
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < a.height(); ++y) {
        const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (rowA[x] != rowB[x]) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        return {};
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage grabPopup(const std::function<bool()>& popUp, int timeoutMs) {
    const QImage before = grabScreen();
    if (before.isNull() || !popUp()) {
        return {};
    }
    QElapsedTimer timer;
    timer.start();
    QImage previous;
    while (timer.elapsed() < timeoutMs) {
        waitMs(60);
        const QImage now = grabScreen();
        if (changedRegion(before, now).isEmpty()) {
            continue;
        }
        // Changed: take it once two grabs in a row agree (the popup is drawn).
        if (!previous.isNull() && changedRegion(previous, now).isEmpty()) {
            return now.copy(changedRegion(before, now));
        }
        previous = now;
    }
    return {};
}

} // namespace trayhost
