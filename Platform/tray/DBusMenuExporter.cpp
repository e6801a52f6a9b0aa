#include "Platform/tray/DBusMenuExporter.h"

#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

#include <QDBusArgument>
#include <QDBusMetaType>

namespace platform::tray {

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayoutItem& item) {
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.beginArray(qMetaTypeId<QDBusVariant>());
    for (const DBusMenuLayoutItem& child : item.children) {
        arg << QDBusVariant(QVariant::fromValue(child));
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayoutItem& item) {
    arg.beginStructure();
    arg >> item.id >> item.properties;
    item.children.clear();
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant child;
        arg >> child;
        const auto inner = child.variant().value<QDBusArgument>();
        DBusMenuLayoutItem childItem;
        inner >> childItem;
        item.children.push_back(childItem);
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItem& item) {
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItem& item) {
    arg.beginStructure();
    arg >> item.id >> item.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemKeys& keys) {
    arg.beginStructure();
    arg << keys.id << keys.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemKeys& keys) {
    arg.beginStructure();
    arg >> keys.id >> keys.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& event) {
    arg.beginStructure();
    arg << event.id << event.eventId << event.data << event.timestamp;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& event) {
    arg.beginStructure();
    arg >> event.id >> event.eventId >> event.data >> event.timestamp;
    arg.endStructure();
    return arg;
}

namespace {

QVariantMap entryProperties(const MenuEntry& entry) {
    QVariantMap properties;
    if (entry.isSeparator) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return properties;
    }
    properties.insert(QStringLiteral("label"), entry.label);
    if (!entry.enabled) {
        properties.insert(QStringLiteral("enabled"), false);
    }
    if (!entry.iconPng.isEmpty()) {
        properties.insert(QStringLiteral("icon-data"), entry.iconPng);
    }
    return properties;
}

QVariantMap rootProperties() {
    return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
}

void trace(const QString& message) {
    HVTrace::writeLine(message, hvtrace::kStatusController, hvtrace::kMedium);
}

} // namespace

DBusMenuExporter::DBusMenuExporter(QObject* parent) : QObject(parent) {
    registerTypes();
}

void DBusMenuExporter::registerTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusMenuLayoutItem>();
        qDBusRegisterMetaType<DBusMenuItem>();
        qDBusRegisterMetaType<DBusMenuItemList>();
        qDBusRegisterMetaType<DBusMenuItemKeys>();
        qDBusRegisterMetaType<DBusMenuItemKeysList>();
        qDBusRegisterMetaType<DBusMenuEvent>();
        qDBusRegisterMetaType<DBusMenuEventList>();
        qRegisterMetaType<DBusMenuItemList>("platform::tray::DBusMenuItemList");
        qRegisterMetaType<DBusMenuItemKeysList>("platform::tray::DBusMenuItemKeysList");
        qRegisterMetaType<DBusMenuEventList>("platform::tray::DBusMenuEventList");
        return true;
    }();
    Q_UNUSED(registered);
}

void DBusMenuExporter::setEntries(std::vector<MenuEntry> entries) {
    if (entries == m_entries) {
        return;
    }
    bool sameShape = entries.size() == m_entries.size();
    for (std::size_t i = 0; sameShape && i < entries.size(); ++i) {
        sameShape = entries[i].isSeparator == m_entries[i].isSeparator;
    }
    const std::vector<MenuEntry> old = std::exchange(m_entries, std::move(entries));
    m_fullLayout.reset();
    ++m_revision;
    if (!sameShape) {
        Q_EMIT LayoutUpdated(m_revision, 0);
        return;
    }
    DBusMenuItemList updated;
    DBusMenuItemKeysList removed;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i] == old[i]) {
            continue;
        }
        const int id = static_cast<int>(i) + 1;
        const QVariantMap now = entryProperties(m_entries[i]);
        const QVariantMap before = entryProperties(old[i]);
        DBusMenuItem changed{id, {}};
        for (auto it = now.constBegin(); it != now.constEnd(); ++it) {
            if (before.value(it.key()) != it.value()) {
                changed.properties.insert(it.key(), it.value());
            }
        }
        DBusMenuItemKeys gone{id, {}};
        for (auto it = before.constBegin(); it != before.constEnd(); ++it) {
            if (!now.contains(it.key())) {
                gone.properties << it.key();
            }
        }
        if (!changed.properties.isEmpty()) {
            updated << changed;
        }
        if (!gone.properties.isEmpty()) {
            removed << gone;
        }
    }
    Q_EMIT ItemsPropertiesUpdated(updated, removed);
}

QVariantMap DBusMenuExporter::propertiesOf(int id) const {
    if (id == 0) {
        return rootProperties();
    }
    if (!exists(id)) {
        return {};
    }
    return entryProperties(m_entries[static_cast<std::size_t>(id) - 1]);
}

QVariantMap DBusMenuExporter::filtered(const QVariantMap& properties, const QStringList& names) {
    if (names.isEmpty()) {
        return properties;
    }
    QVariantMap result;
    for (const QString& name : names) {
        const auto found = properties.constFind(name);
        if (found != properties.constEnd()) {
            result.insert(name, *found);
        }
    }
    return result;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayoutItem& layout) {
    layout = DBusMenuLayoutItem{};
    if (!exists(parentId)) {
        trace(QStringLiteral("dbusmenu: GetLayout for unknown item %1").arg(parentId));
        return m_revision;
    }
    const bool full = parentId == 0 && recursionDepth < 0 && propertyNames.isEmpty();
    if (full && m_fullLayout) {
        layout = *m_fullLayout;
        return m_revision;
    }
    layout.id = parentId;
    layout.properties = filtered(propertiesOf(parentId), propertyNames);
    // Only the root has children; a depth of 0 asks for the item alone.
    if (parentId == 0 && recursionDepth != 0) {
        layout.children.reserve(static_cast<qsizetype>(m_entries.size()));
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            const int id = static_cast<int>(i) + 1;
            layout.children.push_back(
                DBusMenuLayoutItem{id, filtered(propertiesOf(id), propertyNames), {}});
        }
    }
    if (full) {
        m_fullLayout = layout;
    }
    return m_revision;
}

DBusMenuItemList DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                      const QStringList& propertyNames) {
    DBusMenuItemList result;
    if (ids.isEmpty()) {
        for (int id = 0; id <= static_cast<int>(m_entries.size()); ++id) {
            result << DBusMenuItem{id, filtered(propertiesOf(id), propertyNames)};
        }
        return result;
    }
    for (const int id : ids) {
        if (exists(id)) {
            result << DBusMenuItem{id, filtered(propertiesOf(id), propertyNames)};
        }
    }
    return result;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name) {
    return QDBusVariant(propertiesOf(id).value(name));
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant& data,
                             uint timestamp) {
    Q_UNUSED(data);
    Q_UNUSED(timestamp);
    if (!exists(id)) {
        trace(QStringLiteral("dbusmenu: event %1 for unknown item %2").arg(eventId).arg(id));
        return;
    }
    if (eventId == QLatin1String("clicked") && id > 0) {
        // After the reply: a command may open a modal alert, and the host must not
        // wait for the user to close it.
        QMetaObject::invokeMethod(
            this, [this, id] { Q_EMIT clicked(id); }, Qt::QueuedConnection);
    } else if (eventId == QLatin1String("opened") && id == 0) {
        Q_EMIT aboutToShow();
    }
}

QList<int> DBusMenuExporter::EventGroup(const DBusMenuEventList& events) {
    QList<int> idErrors;
    for (const DBusMenuEvent& event : events) {
        if (exists(event.id)) {
            Event(event.id, event.eventId, event.data, event.timestamp);
        } else {
            idErrors << event.id;
        }
    }
    return idErrors;
}

bool DBusMenuExporter::AboutToShow(int id) {
    if (id == 0) {
        Q_EMIT aboutToShow();
    }
    // The menu is kept current at every change; the host never needs to re-read.
    return false;
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    idErrors.clear();
    for (const int id : ids) {
        if (!exists(id)) {
            idErrors << id;
        } else if (id == 0) {
            Q_EMIT aboutToShow();
        }
    }
    return {};
}

} // namespace platform::tray
