#pragma once

#include "Platform/tray/StatusNotifierItem.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuExport.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuPresenter.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatform.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

// The status item on Linux desktops. Where a StatusNotifierWatcher runs, it is
// our own StatusNotifierItem with the menu exported over com.canonical.dbusmenu:
// the host draws that one menu, in the desktop's style, on either click. The
// item follows the watcher and registers again whenever one appears. Only while
// no watcher exists is it a QSystemTrayIcon on the old XEmbed tray, whose clicks
// pop up the menu with the battery views drawn, placed beside the icon; there is
// never more than one icon.
class HVTrayStatusItem final : public QObject, public HVStatusBarItem {
    Q_OBJECT
public:
    HVTrayStatusItem(std::shared_ptr<HVPictureCache> pictures, HVStatusBar::ItemHandler handler);
    ~HVTrayStatusItem() override;

    void setImage(const QString& imagePath) override;
    void setAlternateImage(const QString& imagePath) override;
    void setMenu(const HVStatusMenu& menu) override;
    void setHighlightMode(bool highlight) override;

    platform::tray::StatusNotifierItem& statusNotifierItem() { return *m_item; }
    // The XEmbed tray icon; null while a watcher exists.
    QSystemTrayIcon* fallbackIcon() { return m_fallback.get(); }
    QMenu& popupMenu() { return *m_popupMenu; }
    const HVStatusMenuPresenter& popupPresenter() const { return *m_popupPresenter; }

    // Shows the popup menu beside an area of the screen (the icon's), below it
    // when there is room and above it otherwise.
    void popUpBeside(const QRect& area);

private:
    void applyIcon();
    void applyToolTip();
    void updateFallback();
    void clicked(int id);
    QByteArray pngFor(const HVExportedIcon& icon);

    std::shared_ptr<HVPictureCache> m_pictures;
    HVStatusBar::ItemHandler m_handler;
    std::unique_ptr<QMenu> m_popupMenu;
    std::unique_ptr<HVStatusMenuPresenter> m_popupPresenter;
    std::unique_ptr<platform::tray::StatusNotifierItem> m_item;
    std::unique_ptr<QSystemTrayIcon> m_fallback;
    HVStatusMenu m_menu;
    QHash<QString, QByteArray> m_png; // exported icons by picture, encoded once
    QString m_image;
    QString m_alternateImage;
    bool m_highlight = false;
    bool m_hasMenu = false;
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
