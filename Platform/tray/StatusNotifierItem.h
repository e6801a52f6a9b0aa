#pragma once

#include "Platform/tray/DBusMenuExporter.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QImage>
#include <QObject>
#include <QString>
#include <memory>

namespace platform::tray {

// One picture of an icon as the item exports it: ARGB32, bytes in network order.
struct IconPixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;
};
using IconPixmapList = QList<IconPixmap>;

struct ToolTip {
    QString iconName;
    IconPixmapList image;
    QString title;
    QString description;
};

QDBusArgument& operator<<(QDBusArgument& arg, const IconPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& arg, IconPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& arg, const ToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& arg, ToolTip& tip);

// The sizes at which a status icon is exported: the panel sizes hosts use, and
// their doubles for high-density screens.
inline constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 96};

// An icon picture scaled to every exported size (never above twice the
// picture's own size, so that nothing is blown up beyond what it holds).
IconPixmapList iconPixmaps(const QImage& picture);

class StatusNotifierItem;

// The org.kde.StatusNotifierItem interface of the item.
class StatusNotifierItemObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(platform::tray::IconPixmapList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ iconName)
    Q_PROPERTY(platform::tray::IconPixmapList OverlayIconPixmap READ noPixmap)
    Q_PROPERTY(QString AttentionIconName READ iconName)
    Q_PROPERTY(platform::tray::IconPixmapList AttentionIconPixmap READ attentionIconPixmap)
    Q_PROPERTY(QString AttentionMovieName READ iconName)
    Q_PROPERTY(platform::tray::ToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    explicit StatusNotifierItemObject(StatusNotifierItem& item);

    QString category() const { return QStringLiteral("Hardware"); }
    QString id() const;
    QString title() const;
    QString status() const;
    int windowId() const { return 0; }
    QString iconThemePath() const { return {}; }
    QString iconName() const { return {}; }
    IconPixmapList iconPixmap() const;
    IconPixmapList noPixmap() const { return {}; }
    IconPixmapList attentionIconPixmap() const;
    ToolTip toolTip() const;
    bool itemIsMenu() const { return true; }
    QDBusObjectPath menu() const;

public Q_SLOTS:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem& m_item;
};

// A status item of our own on the session bus: the StatusNotifierItem object at
// /StatusNotifierItem and its menu at /MenuBar, on a connection of the item's
// own under the name "org.kde.StatusNotifierItem-<pid>-<n>".
//
// It follows org.kde.StatusNotifierWatcher's owner: whenever a watcher appears
// (at start, later, or again after the panel restarts) the item registers with
// it; watcherPresent() says whether one exists, so that the caller shows a
// fallback only while none does.
class StatusNotifierItem : public QObject {
    Q_OBJECT
public:
    explicit StatusNotifierItem(QString id, QObject* parent = nullptr);
    ~StatusNotifierItem() override;
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    // False when the session bus cannot be reached or the objects not exported.
    bool isExported() const { return m_exported; }
    bool watcherPresent() const { return m_watcherPresent; }
    QString serviceName() const { return m_serviceName; }
    QDBusConnection connection() const { return m_connection; }

    DBusMenuExporter& menu() { return m_menu; }

    void setTitle(const QString& title);
    // The picture shown normally and while attention is wanted; a null image
    // clears it. Pixmaps are computed once per call, not at each read.
    void setIcon(const QImage& picture);
    void setAttentionIcon(const QImage& picture);
    // "Active", "Passive" or "NeedsAttention".
    void setStatus(const QString& status);
    void setToolTip(const QString& title, const QString& description);

    const QString& itemId() const { return m_id; }
    const QString& title() const { return m_title; }
    const QString& status() const { return m_status; }
    const IconPixmapList& icon() const { return m_icon; }
    const IconPixmapList& attentionIcon() const { return m_attentionIcon; }
    const ToolTip& toolTip() const { return m_toolTip; }

Q_SIGNALS:
    // A watcher appeared or went away.
    void watcherChanged(bool present);
    // The item registered with the current watcher.
    void registered();
    // Clicks the host passes on, at global screen positions.
    void activateRequested(int x, int y);
    void secondaryActivateRequested(int x, int y);
    void contextMenuRequested(int x, int y);
    void scrollRequested(int delta, Qt::Orientation orientation);

private:
    void watcherOwnerChanged(const QString& newOwner);
    void registerWithWatcher();

    QString m_id;
    QString m_connectionName;
    QDBusConnection m_connection;
    QString m_serviceName;
    DBusMenuExporter m_menu;
    std::unique_ptr<StatusNotifierItemObject> m_object;
    std::unique_ptr<QDBusServiceWatcher> m_watcher;
    QString m_title;
    QString m_status = QStringLiteral("Active");
    IconPixmapList m_icon;
    IconPixmapList m_attentionIcon;
    ToolTip m_toolTip;
    bool m_exported = false;
    bool m_watcherPresent = false;
};

} // namespace platform::tray

Q_DECLARE_METATYPE(platform::tray::IconPixmap)
Q_DECLARE_METATYPE(platform::tray::ToolTip)
