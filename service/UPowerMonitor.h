#pragma once

#include "service/ServiceTrace.h"
#include "service/UPowerHeadsets.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QObject>
#include <functional>

// Follows UPower (org.freedesktop.UPower on the system bus): the devices it
// enumerates, DeviceAdded / DeviceRemoved, and each device's PropertiesChanged.
// Every call to UPower is asynchronous, so a slow or stuck UPower never holds
// up the caller's event loop. When UPower leaves the bus every device is
// reported removed; when it comes back (the name gets an owner) the devices are
// enumerated afresh. Answers of the wrong shape are dropped with a trace line.
class UPowerMonitor : public QObject {
    Q_OBJECT
public:
    static const QString kBusName;

    UPowerMonitor(const QDBusConnection& systemBus, ServiceTrace trace, QObject* parent = nullptr);

    // Starts watching; devices come in through the signals.
    void start();
    const QHash<QString, upower::DeviceProperties>& devices() const { return m_devices; }

Q_SIGNALS:
    // A device was added or its properties changed.
    void deviceChanged(const QString& path, const upower::DeviceProperties& properties);
    void deviceRemoved(const QString& path);
    // Once, when the devices present at start are all in (or UPower is absent or
    // cannot be read).
    void ready();

private Q_SLOTS:
    void onDeviceAdded(const QDBusMessage& message);
    void onDeviceRemoved(const QDBusMessage& message);
    void onPropertiesChanged(const QDBusMessage& message);

private:
    void onOwnerChanged(const QString& newOwner);
    void enumerate();
    void fetch(const QString& path);
    void follow(const QString& path);
    void forget(const QString& path);
    void forgetAll();
    void settleStart(int answered);
    // Calls UPower; `handle` gets the reply unless UPower has changed owner since.
    void callAsync(const QString& path, const QString& interface, const QString& member,
                   const QVariantList& arguments,
                   std::function<void(const QDBusMessage& reply)> handle);

    QDBusConnection m_bus;
    ServiceTrace m_trace;
    QDBusServiceWatcher m_watcher;
    QHash<QString, upower::DeviceProperties> m_devices;
    QSet<QString> m_followed;
    int m_startPending = -1;  // answers awaited before ready(); -1 once it is sent
    quint64 m_generation = 0; // counts owner changes; replies of an older owner are dropped
};
