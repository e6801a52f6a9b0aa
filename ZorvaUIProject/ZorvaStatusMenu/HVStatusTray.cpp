#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusTray.h"

#include "Platform/Bundle.h"
#include "Platform/Launching.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

HVTrayStatusItem::HVTrayStatusItem(std::shared_ptr<HVPictureCache> pictures,
                                   HVStatusBar::ItemHandler handler)
    : m_pictures(std::move(pictures)), m_exportedMenu(std::make_unique<QMenu>()),
      m_popupMenu(std::make_unique<QMenu>()) {
    m_exportedPresenter = std::make_unique<HVStatusMenuPresenter>(
        *m_exportedMenu, HVStatusMenuPresenter::Style::Exported, m_pictures, handler);
    m_popupPresenter = std::make_unique<HVStatusMenuPresenter>(
        *m_popupMenu, HVStatusMenuPresenter::Style::Popup, m_pictures, handler);
    m_tray.setToolTip(QStringLiteral("Zorva"));
    connect(&m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // A tray that shows the context menu itself (XEmbed) has it open
                // already; over dbusmenu the host shows it and this QMenu stays hidden.
                if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) &&
                    !m_exportedMenu->isVisible()) {
                    popUp(QCursor::pos());
                }
            });
}

HVTrayStatusItem::~HVTrayStatusItem() {
    m_tray.setContextMenu(nullptr);
    m_tray.hide();
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
    QIcon icon;
    if (!m_image.isEmpty()) {
        icon.addFile(m_image, QSize(), QIcon::Normal);
        if (!m_alternateImage.isEmpty()) {
            icon.addFile(m_alternateImage, QSize(), QIcon::Selected);
        }
    }
    m_tray.setIcon(icon);
}

void HVTrayStatusItem::setMenu(const HVStatusMenu& menu) {
    m_exportedPresenter->setMenu(menu);
    m_popupPresenter->setMenu(menu);
    if (!m_shown) {
        // The exported menu is attached once and then only changed in place.
        m_tray.setContextMenu(m_exportedMenu.get());
        m_tray.show();
        m_shown = true;
    }
}

void HVTrayStatusItem::setHighlightMode(bool highlight) {
    m_highlight = highlight;
}

void HVTrayStatusItem::popUp(const QPoint& position) {
    if (m_popupMenu->isEmpty()) {
        return;
    }
    m_popupMenu->popup(position);
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
    if (folder.typeId() != QMetaType::QString || bundle.resourcePath().isEmpty()) {
        return false;
    }
    const QString page =
        QDir(bundle.resourcePath()).filePath(folder.toString() + QStringLiteral("/index.html"));
    if (!QFileInfo(page).isFile()) {
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
        return;
    }
    QUrl url = QUrl::fromLocalFile(page);
    url.setFragment(anchor);
    platform::openURL(url);
}
