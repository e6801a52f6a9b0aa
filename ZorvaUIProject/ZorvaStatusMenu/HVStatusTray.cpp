#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusTray.h"

#include "Platform/Bundle.h"
#include "Platform/Launching.h"
#include "Platform/widgets/Pictures.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

#include <QBuffer>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <algorithm>

HVTrayStatusItem::HVTrayStatusItem(std::shared_ptr<HVPictureCache> pictures,
                                   HVStatusBar::ItemHandler handler)
    : m_pictures(std::move(pictures)), m_handler(std::move(handler)),
      m_popupMenu(std::make_unique<QMenu>()),
      m_item(std::make_unique<platform::tray::StatusNotifierItem>(QStringLiteral("Zorva"))) {
    m_popupPresenter = std::make_unique<HVStatusMenuPresenter>(
        *m_popupMenu, HVStatusMenuPresenter::Style::Popup, m_pictures, m_handler);
    m_item->setTitle(QStringLiteral("Zorva"));
    m_item->setToolTip(QStringLiteral("Zorva"), QString());
    connect(&m_item->menu(), &platform::tray::DBusMenuExporter::clicked, this,
            &HVTrayStatusItem::clicked);
    connect(m_item.get(), &platform::tray::StatusNotifierItem::watcherChanged, this,
            &HVTrayStatusItem::updateFallback);
    // Hosts that ignore ItemIsMenu ask the item to show its menu at a place of
    // their choosing, next to the panel.
    const auto popUpAt = [this](int x, int y) { popUpBeside(QRect(x, y, 1, 1)); };
    connect(m_item.get(), &platform::tray::StatusNotifierItem::contextMenuRequested, this, popUpAt);
    connect(m_item.get(), &platform::tray::StatusNotifierItem::activateRequested, this, popUpAt);
}

HVTrayStatusItem::~HVTrayStatusItem() {
    if (m_fallback) {
        m_fallback->hide();
    }
}

void HVTrayStatusItem::setImage(const QString& imagePath) {
    if (imagePath == m_image && imagePath.isNull() == m_image.isNull()) {
        return;
    }
    m_image = imagePath;
    applyIcon();
}

void HVTrayStatusItem::setAlternateImage(const QString& imagePath) {
    if (imagePath == m_alternateImage && imagePath.isNull() == m_alternateImage.isNull()) {
        return;
    }
    m_alternateImage = imagePath;
    applyIcon();
}

void HVTrayStatusItem::applyIcon() {
    // Unreadable files give null images: the item then shows no picture.
    const QImage image = platform::readPicture(m_image);
    const QImage alternate = platform::readPicture(m_alternateImage);
    m_item->setIcon(image);
    m_item->setAttentionIcon(alternate);
    if (m_fallback) {
        QIcon icon;
        if (!image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image), QIcon::Normal);
            if (!alternate.isNull()) {
                icon.addPixmap(QPixmap::fromImage(alternate), QIcon::Selected);
            }
        }
        m_fallback->setIcon(icon);
    }
}

QByteArray HVTrayStatusItem::pngFor(const HVExportedIcon& icon) {
    if (icon.name.isEmpty()) {
        return {};
    }
    const QString key = icon.name + (icon.battery ? QStringLiteral("+battery") : QString()) +
                        (icon.charging ? QStringLiteral("+charging") : QString());
    const auto found = m_png.constFind(key);
    if (found != m_png.constEnd()) {
        return *found;
    }
    const QIcon drawn = icon.battery ? m_pictures->batteryIcon(icon.name, icon.charging)
                                     : m_pictures->icon(icon.name);
    QByteArray bytes;
    if (!drawn.isNull()) {
        const QList<QSize> sizes = drawn.availableSizes();
        const QPixmap pixmap = drawn.pixmap(sizes.isEmpty() ? QSize(16, 16) : sizes.first());
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        pixmap.save(&buffer, "PNG");
    }
    m_png.insert(key, bytes);
    return bytes;
}

void HVTrayStatusItem::setMenu(const HVStatusMenu& menu) {
    m_menu = menu;
    m_hasMenu = true;
    std::vector<platform::tray::MenuEntry> entries;
    entries.reserve(menu.items.size());
    for (const HVExportedItem& item : HVExportedMenu(menu)) {
        entries.push_back({item.isSeparator, item.label, item.enabled, pngFor(item.icon)});
    }
    m_item->menu().setEntries(std::move(entries));
    m_popupPresenter->setMenu(menu);
    applyToolTip();
    updateFallback();
}

void HVTrayStatusItem::applyToolTip() {
    const HVToolTip& tip = m_menu.toolTip;
    // The description is markup to status-notifier hosts: names are escaped.
    m_item->setToolTip(tip.title, tip.description.toHtmlEscaped());
    if (m_fallback) {
        m_fallback->setToolTip(tip.description.isEmpty()
                                   ? tip.title
                                   : tip.title + QLatin1Char('\n') + tip.description);
    }
}

void HVTrayStatusItem::updateFallback() {
    const bool wanted = m_hasMenu && !m_item->watcherPresent();
    if (!wanted) {
        m_fallback.reset();
        return;
    }
    if (m_fallback) {
        return;
    }
    m_fallback = std::make_unique<QSystemTrayIcon>();
    applyToolTip();
    connect(m_fallback.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) {
                    const QRect icon = m_fallback->geometry();
                    popUpBeside(icon.isValid() ? icon : QRect(QCursor::pos(), QSize(1, 1)));
                }
            });
    applyIcon();
    m_fallback->show();
}

void HVTrayStatusItem::clicked(int id) {
    if (id < 1 || static_cast<std::size_t>(id) > m_menu.items.size()) {
        return;
    }
    const HVMenuItem item = m_menu.items[static_cast<std::size_t>(id) - 1];
    // Device rows are exported enabled for their colours, but have no command.
    if (item.isSeparator || item.action == HVMenuAction::None || !m_handler) {
        return;
    }
    m_handler(item);
}

void HVTrayStatusItem::setHighlightMode(bool highlight) {
    m_highlight = highlight;
}

void HVTrayStatusItem::popUpBeside(const QRect& area) {
    if (m_popupMenu->isEmpty()) {
        return;
    }
    const QSize size = m_popupMenu->sizeHint();
    const QScreen* screen = QGuiApplication::screenAt(area.center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect room = screen ? screen->availableGeometry() : QRect(area.topLeft(), size);
    QPoint at(area.left(), area.bottom() + 1);
    if (at.y() + size.height() > room.bottom() && area.top() - size.height() >= room.top()) {
        at.setY(area.top() - size.height());
    }
    at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - size.width())));
    m_popupMenu->popup(at);
}

HVTrayStatusBar::HVTrayStatusBar(const QString& resourcePath)
    : m_pictures(std::make_shared<HVPictureCache>(resourcePath)) {}

std::unique_ptr<HVStatusBarItem> HVTrayStatusBar::statusItemWithLength(double /*length*/,
                                                                       ItemHandler handler) {
    // Tray items are square; the length is the platform's square length anyway.
    return std::make_unique<HVTrayStatusItem>(m_pictures, std::move(handler));
}

bool HVTrayStatusBar::registerBooksInBundle(const platform::Bundle& bundle) {
    const QVariant folder =
        bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleHelpBookFolder"));
    const QVariant name = bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleHelpBookName"));
    if (folder.typeId() != QMetaType::QString || folder.toString().isEmpty()) {
        return false;
    }
    // The start page is a resource of the bundle wherever the bundle lies: in the
    // build tree or installed.
    const QString page = bundle.pathForResource(folder.toString() + QStringLiteral("/index"),
                                                QStringLiteral("html"));
    if (page.isEmpty() || !QFileInfo(page).isFile()) {
        return false;
    }
    const QString book = name.typeId() == QMetaType::QString ? name.toString() : folder.toString();
    m_books.insert(book, page);
    return true;
}

QString HVTrayStatusBar::helpPage(const QString& book) const {
    return m_books.value(book);
}

void HVTrayStatusBar::openHelpAnchor(const QString& anchor, const QString& inBook) {
    const QString page = helpPage(inBook);
    if (page.isEmpty()) {
        HVTrace::writeLine(
            QStringLiteral("openHelpAnchor : help book %1 is not registered \n").arg(inBook),
            hvtrace::kStatusController, hvtrace::kCritical);
        return;
    }
    QUrl url = QUrl::fromLocalFile(page);
    url.setFragment(anchor);
    // Without a browser or help viewer the desktop cannot open the page.
    if (!platform::openURL(url)) {
        HVTrace::writeLine(
            QStringLiteral("openHelpAnchor : no application opened the help page %1 \n")
                .arg(url.toString()),
            hvtrace::kStatusController, hvtrace::kCritical);
    }
}
