#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>
#include <memory>

namespace trayhost {

class StatusNotifierWatcher;

// The org.kde.StatusNotifierWatcher interface as items see it. Properties are
// part of the generated introspection data, which items read once at start-up
// to decide whether a tray exists at all.
class WatcherAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredStatusNotifierItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit WatcherAdaptor(StatusNotifierWatcher* watcher);

    QStringList registeredStatusNotifierItems() const;
    bool isStatusNotifierHostRegistered() const;
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message);
    void RegisterStatusNotifierHost(const QString& service);

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    StatusNotifierWatcher* m_watcher;
};

// A minimal tray: the watcher every StatusNotifierItem registers with, plus one
// host name so that items believe a tray shows them. It keeps the list of
// registered items and tells about arrivals and departures.
class StatusNotifierWatcher : public QObject {
    Q_OBJECT

public:
    explicit StatusNotifierWatcher(QDBusConnection connection, QObject* parent = nullptr);
    ~StatusNotifierWatcher() override;

    // Claims the watcher name, exports the object and claims a host name.
    // False (with the reason in errorString()) when the watcher name is taken.
    bool start();
    QString errorString() const { return m_error; }

    // Registered items as "service/path" (for example
    // "org.kde.StatusNotifierItem-42-1/StatusNotifierItem").
    QStringList items() const { return m_items; }
    QDBusConnection connection() const { return m_connection; }

Q_SIGNALS:
    void itemRegistered(const QString& service, const QString& path);
    void itemUnregistered(const QString& service, const QString& path);

private:
    friend class WatcherAdaptor;
    void registerItem(const QString& service, const QString& path);
    void serviceGone(const QString& service);

    QDBusConnection m_connection;
    std::unique_ptr<QDBusServiceWatcher> m_serviceWatcher;
    WatcherAdaptor* m_adaptor; // owned by this object (QObject child)
    QStringList m_items;
    QString m_hostName;
    QString m_error;
    bool m_started = false;
};

} // namespace trayhost
