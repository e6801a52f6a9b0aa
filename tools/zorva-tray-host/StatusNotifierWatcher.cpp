#include "StatusNotifierWatcher.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>

namespace trayhost {

namespace {
const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kDefaultItemPath = QStringLiteral("/StatusNotifierItem");
} // namespace

WatcherAdaptor::WatcherAdaptor(StatusNotifierWatcher* watcher)
    : QDBusAbstractAdaptor(watcher), m_watcher(watcher) {
    setAutoRelaySignals(false);
}

QStringList WatcherAdaptor::registeredStatusNotifierItems() const {
    return m_watcher->items();
}

bool WatcherAdaptor::isStatusNotifierHostRegistered() const {
    return m_watcher->m_started;
}

void WatcherAdaptor::RegisterStatusNotifierItem(const QString& service,
                                                const QDBusMessage& message) {
    // Items pass either their bus name or their object path (then the bus name is
    // the caller's).
    if (service.startsWith(u'/')) {
        m_watcher->registerItem(message.service(), service);
    } else if (!service.isEmpty()) {
        m_watcher->registerItem(service, kDefaultItemPath);
    } else {
        m_watcher->registerItem(message.service(), kDefaultItemPath);
    }
}

void WatcherAdaptor::RegisterStatusNotifierHost(const QString& service) {
    Q_UNUSED(service);
    Q_EMIT StatusNotifierHostRegistered();
}

StatusNotifierWatcher::StatusNotifierWatcher(QDBusConnection connection, QObject* parent)
    : QObject(parent), m_connection(std::move(connection)), m_adaptor(new WatcherAdaptor(this)) {
    m_serviceWatcher = std::make_unique<QDBusServiceWatcher>();
    m_serviceWatcher->setConnection(m_connection);
    m_serviceWatcher->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_serviceWatcher.get(), &QDBusServiceWatcher::serviceUnregistered, this,
            &StatusNotifierWatcher::serviceGone);
}

StatusNotifierWatcher::~StatusNotifierWatcher() {
    if (m_started) {
        m_connection.unregisterObject(kWatcherPath);
        m_connection.unregisterService(kWatcherService);
        m_connection.unregisterService(m_hostName);
    }
}

bool StatusNotifierWatcher::start() {
    if (!m_connection.isConnected()) {
        m_error = QStringLiteral("not connected to the session bus");
        return false;
    }
    if (!m_connection.registerObject(kWatcherPath, this, QDBusConnection::ExportAdaptors)) {
        m_error = QStringLiteral("cannot export %1").arg(kWatcherPath);
        return false;
    }
    m_started = true; // the host below is registered before anyone can ask
    m_hostName = QStringLiteral("org.kde.StatusNotifierHost-%1-%2")
                     .arg(QCoreApplication::applicationPid())
                     .arg(reinterpret_cast<quintptr>(this) & 0xffff);
    m_connection.registerService(m_hostName);
    if (!m_connection.registerService(kWatcherService)) {
        m_error = QStringLiteral("the name %1 is taken: %2")
                      .arg(kWatcherService, m_connection.lastError().message());
        m_connection.unregisterObject(kWatcherPath);
        m_connection.unregisterService(m_hostName);
        m_started = false;
        return false;
    }
    Q_EMIT m_adaptor->StatusNotifierHostRegistered();
    return true;
}

void StatusNotifierWatcher::registerItem(const QString& service, const QString& path) {
    const QString key = service + path;
    if (m_items.contains(key)) {
        return;
    }
    m_items << key;
    m_serviceWatcher->addWatchedService(service);
    Q_EMIT m_adaptor->StatusNotifierItemRegistered(key);
    // The host reads the new item with blocking calls. Reading it here, inside the
    // registration call, would leave an item that registers with a blocking call
    // waiting for its own reply until the time-out: answer first, read afterwards.
    QMetaObject::invokeMethod(
        this,
        [this, service, path, key] {
            if (m_items.contains(key)) {
                Q_EMIT itemRegistered(service, path);
            }
        },
        Qt::QueuedConnection);
}

void StatusNotifierWatcher::serviceGone(const QString& service) {
    m_serviceWatcher->removeWatchedService(service);
    const QStringList items = m_items;
    for (const QString& key : items) {
        if (key.startsWith(service + u'/')) {
            m_items.removeAll(key);
            Q_EMIT m_adaptor->StatusNotifierItemUnregistered(key);
            Q_EMIT itemUnregistered(service, key.mid(service.size()));
        }
    }
}

} // namespace trayhost
