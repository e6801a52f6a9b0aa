#pragma once

#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuModel.h"

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;

// Picture files of the bundle by name ("Battery_3.png", "SametimeError"), loaded
// once and kept: a rebuild never reads a picture file twice.
class HVPictureCache {
public:
    // resourcePath: the bundle's Resources folder; empty when there is none.
    explicit HVPictureCache(QString resourcePath);
    // The picture named so (with or without ".png"); a null pixmap when missing.
    QPixmap picture(const QString& name);
    QIcon icon(const QString& name);
    // The level picture with the charging mark drawn over its right part: how a
    // battery view shows as one icon where an item has no room for a view.
    QIcon batteryIcon(const QString& levelPicture, bool charging);
    QString pathFor(const QString& name) const;

private:
    QString m_resourcePath;
    QHash<QString, QPixmap> m_pictures;
    QHash<QString, QIcon> m_icons;
};

// A battery view inside the popup menu: the device name in grey on the left, the
// charging mark, the level picture and the percentage, at the computed frames.
class HVBatteryViewWidget : public QWidget {
    Q_OBJECT
public:
    HVBatteryViewWidget(std::shared_ptr<HVPictureCache> pictures, QWidget* parent = nullptr);
    // Repaints only when the view differs from the one shown.
    void setView(const HVBatteryView& view);
    const HVBatteryView& view() const { return m_view; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::shared_ptr<HVPictureCache> m_pictures;
    HVBatteryView m_view;
};

// Keeps one QMenu equal to the computed menu, changing only the actions that
// differ from the previous build, so that a rebuild with the same content touches
// nothing and a desktop host that mirrors the menu sees few updates.
//
// Popup style (a QMenu that Qt shows): a battery view is a QWidgetAction showing
// HVBatteryViewWidget.
// Exported style (the menu a desktop host reads over dbusmenu through Qt's
// exporter, where an item has only a label, an icon, a check state and an
// enabled state): a battery view is the item's icon (level picture with the
// charging mark composed in) and its label (the name, then the percentage when
// it is shown). In both styles the on-state mark is the item's icon.
class HVStatusMenuPresenter {
public:
    enum class Style { Popup, Exported };
    using Handler = std::function<void(const HVMenuItem& item)>;

    HVStatusMenuPresenter(QMenu& menu, Style style, std::shared_ptr<HVPictureCache> pictures,
                          Handler handler);
    ~HVStatusMenuPresenter();
    HVStatusMenuPresenter(const HVStatusMenuPresenter&) = delete;
    HVStatusMenuPresenter& operator=(const HVStatusMenuPresenter&) = delete;

    void setMenu(const HVStatusMenu& menu);

    // Counters for tests and benchmarks: actions created and property changes
    // made since construction.
    int actionsCreated() const { return m_actionsCreated; }
    int propertyChanges() const { return m_propertyChanges; }

    // The label an item shows in the exported style.
    static QString exportedTitle(const HVMenuItem& item);

    // Titles are shown as they stand, whatever characters they hold.
    // A title as the text of an action in a menu shown by Qt, where "&" marks a
    // keyboard accelerator: every "&" is doubled.
    static QString actionText(const QString& title);
    // A title as a dbusmenu label, where "_" marks a mnemonic: every "_" is
    // doubled.
    static QString dbusMenuLabel(const QString& title);
    // The action text from which Qt's own dbusmenu exporter writes a label: it
    // turns the first "&" (unless it ends the text) into the mnemonic mark "_"
    // and leaves every other character alone, so that first "&" is doubled and
    // the label reads "_&": the "&" itself, marked as the mnemonic.
    static QString textForQtExporter(const QString& dbusMenuLabel);

private:
    struct Entry;
    bool wantsWidget(const HVMenuItem& item) const;
    std::unique_ptr<Entry> makeEntry(const HVMenuItem& item);
    void update(Entry& entry, const HVMenuItem& item, bool fresh);
    void triggered(QAction* action);

    QMenu& m_menu;
    Style m_style;
    std::shared_ptr<HVPictureCache> m_pictures;
    Handler m_handler;
    std::vector<std::unique_ptr<Entry>> m_entries;
    int m_actionsCreated = 0;
    int m_propertyChanges = 0;
};
