#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <vector>

namespace platform::tray {

// One item of a flat menu as a desktop host sees it over com.canonical.dbusmenu.
// The label is written as dbusmenu reads it: a "_" marks the mnemonic, "__" is
// a "_" shown. iconPng holds PNG bytes; hand the same QByteArray for the same
// picture so that nothing is encoded twice.
struct MenuEntry {
    bool isSeparator = false;
    QString label;
    bool enabled = true;
    QByteArray iconPng;
    bool operator==(const MenuEntry&) const = default;
};

// The wire forms of com.canonical.dbusmenu.
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
struct DBusMenuItemKeys {
    int id = 0;
    QStringList properties;
};
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& event);

using DBusMenuItemList = QList<DBusMenuItem>;
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;
using DBusMenuEventList = QList<DBusMenuEvent>;

// A flat menu exported as com.canonical.dbusmenu. Item ids are positions counted
// from 1; the root is 0. Every change raises the revision. A change of the list's
// shape (count or separators) is announced with LayoutUpdated; a change of labels,
// enabled states or icons only with ItemsPropertiesUpdated, naming only the
// properties that changed. Setting an equal menu announces nothing.
class DBusMenuExporter : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenuExporter(QObject* parent = nullptr);

    // Registers the wire types with QtDBus; safe to call more than once.
    static void registerTypes();

    void setEntries(std::vector<MenuEntry> entries);
    const std::vector<MenuEntry>& entries() const { return m_entries; }
    uint revision() const { return m_revision; }

    // The properties of one item as exported (root: children-display only).
    QVariantMap propertiesOf(int id) const;

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   platform::tray::DBusMenuLayoutItem& layout);
    platform::tray::DBusMenuItemList GetGroupProperties(const QList<int>& ids,
                                                        const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const platform::tray::DBusMenuEventList& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    Q_SCRIPTABLE void
    ItemsPropertiesUpdated(const platform::tray::DBusMenuItemList& updatedProps,
                           const platform::tray::DBusMenuItemKeysList& removedProps);
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);
    Q_SCRIPTABLE void ItemActivationRequested(int id, uint timestamp);

    // Not exported: an item was clicked (id counted from 1) or the host is
    // about to show the menu.
    void clicked(int id);
    void aboutToShow();

private:
    bool exists(int id) const { return id >= 0 && id <= static_cast<int>(m_entries.size()); }
    static QVariantMap filtered(const QVariantMap& properties, const QStringList& names);

    std::vector<MenuEntry> m_entries;
    uint m_revision = 1;
    // The whole menu with every property, as most reads ask for it; built at the
    // first such read after a change and shared by the reads after it.
    mutable std::optional<DBusMenuLayoutItem> m_fullLayout;
};

} // namespace platform::tray

Q_DECLARE_METATYPE(platform::tray::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(platform::tray::DBusMenuItem)
Q_DECLARE_METATYPE(platform::tray::DBusMenuItemKeys)
Q_DECLARE_METATYPE(platform::tray::DBusMenuEvent)
