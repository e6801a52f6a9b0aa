#pragma once

#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuPresenter.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatform.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

// The status item on Linux desktops: a QSystemTrayIcon. Where the desktop runs a
// StatusNotifierWatcher, Qt registers it as a StatusNotifierItem and exports its
// context menu over com.canonical.dbusmenu; that menu is kept in the exported
// style (battery views as icon and label). On a tray that shows the context menu
// itself (XEmbed) it is kept in the popup style. Activating the item (a click,
// or the item's Activate and ContextMenu methods) pops up the real menu, with
// battery views drawn as views, at the pointer.
class HVTrayStatusItem final : public QObject, public HVStatusBarItem {
    Q_OBJECT
public:
    HVTrayStatusItem(std::shared_ptr<HVPictureCache> pictures, HVStatusBar::ItemHandler handler);
    ~HVTrayStatusItem() override;

    void setImage(const QString& imagePath) override;
    void setAlternateImage(const QString& imagePath) override;
    void setMenu(const HVStatusMenu& menu) override;
    void setHighlightMode(bool highlight) override;

    QSystemTrayIcon& trayIcon() { return m_tray; }
    QMenu& popupMenu() { return *m_popupMenu; }
    QMenu& exportedMenu() { return *m_exportedMenu; }
    const HVStatusMenuPresenter& popupPresenter() const { return *m_popupPresenter; }
    const HVStatusMenuPresenter& exportedPresenter() const { return *m_exportedPresenter; }

    // Shows the popup menu at a global position.
    void popUp(const QPoint& position);

private:
    void applyIcon();

    std::shared_ptr<HVPictureCache> m_pictures;
    std::unique_ptr<QMenu> m_exportedMenu;
    std::unique_ptr<QMenu> m_popupMenu;
    std::unique_ptr<HVStatusMenuPresenter> m_exportedPresenter;
    std::unique_ptr<HVStatusMenuPresenter> m_popupPresenter;
    QSystemTrayIcon m_tray;
    QString m_image;
    QString m_alternateImage;
    bool m_highlight = false;
    bool m_shown = false;
};

class HVTrayStatusBar final : public HVStatusBar {
public:
    // resourcePath: the bundle's Resources folder, where pictures are found.
    explicit HVTrayStatusBar(const QString& resourcePath);
    std::unique_ptr<HVStatusBarItem> statusItemWithLength(double length,
                                                          ItemHandler handler) override;
    // The bundle's help folder (CFBundleHelpBookFolder) with its start page.
    bool registerBooksInBundle(const platform::Bundle& bundle) override;
    void openHelpAnchor(const QString& anchor, const QString& inBook) override;

    // The start page of a registered help book; null when none is.
    QString helpPage(const QString& book) const;

private:
    std::shared_ptr<HVPictureCache> m_pictures;
    QHash<QString, QString> m_books; // book name -> start page
};
