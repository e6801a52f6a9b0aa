#include "service/UPowerMonitor.h"

#include "Platform/RemoteCall.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QScopeGuard>
#include <algorithm>

const QString UPowerMonitor::kBusName = QStringLiteral("org.freedesktop.UPower");

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/UPower");
const QString kInterface = QStringLiteral("org.freedesktop.UPower");
const QString kDeviceInterface = QStringLiteral("org.freedesktop.UPower.Device");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

bool isDevicePath(const QString& path) {
    return path.startsWith(QLatin1String("/org/freedesktop/UPower/devices/")) &&
           !path.endsWith(QLatin1String("/DisplayDevice"));
}

// The object path carried by a one-argument "o" signal; empty when malformed.
QString pathArgument(const QDBusMessage& message) {
    if (message.signature() != QLatin1String("o")) {
        return {};
    }
    return message.arguments().at(0).value<QDBusObjectPath>().path();
}

} // namespace

UPowerMonitor::UPowerMonitor(const QDBusConnection& systemBus, ServiceTrace trace, QObject* parent)
    : QObject(parent), m_bus(systemBus), m_trace(std::move(trace)) {}

void UPowerMonitor::start() {
    if (!m_bus.isConnected()) {
        m_trace(TraceKind::Failure, QStringLiteral("no system bus: no devices from UPower"));
        settleStart(0);
        return;
    }
    m_watcher.setConnection(m_bus);
    m_watcher.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    m_watcher.addWatchedService(kBusName);
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                onOwnerChanged(newOwner);
            });
    m_bus.connect(kBusName, kPath, kInterface, QStringLiteral("DeviceAdded"), this,
                  SLOT(onDeviceAdded(QDBusMessage)));
    m_bus.connect(kBusName, kPath, kInterface, QStringLiteral("DeviceRemoved"), this,
                  SLOT(onDeviceRemoved(QDBusMessage)));
    if (platform::remote::hasOwner(m_bus, kBusName)) {
        m_startPending = 1;
        enumerate();
    } else {
        m_trace(TraceKind::Info, QStringLiteral("UPower is not running; waiting for it"));
        settleStart(0);
    }
}

void UPowerMonitor::onOwnerChanged(const QString& newOwner) {
    ++m_generation;
    forgetAll();
    if (newOwner.isEmpty()) {
        m_trace(TraceKind::Info,
                QStringLiteral("UPower left the bus; no devices until it returns"));
        if (m_startPending > 0) {
            m_startPending = 0;
            settleStart(0);
        }
        return;
    }
    m_trace(TraceKind::Info, QStringLiteral("UPower is on the bus (%1)").arg(newOwner));
    if (m_startPending > 0) {
        m_startPending = 1; // answers of the owner before are dropped
    }
    enumerate();
}

void UPowerMonitor::callAsync(const QString& path, const QString& interface, const QString& member,
                              const QVariantList& arguments,
                              std::function<void(const QDBusMessage& reply)> handle) {
    QDBusMessage call = QDBusMessage::createMethodCall(kBusName, path, interface, member);
    call.setArguments(arguments);
    call.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const quint64 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, generation, handle = std::move(handle)] {
                watcher->deleteLater();
                if (generation == m_generation) {
                    handle(watcher->reply());
                }
            });
}

void UPowerMonitor::enumerate() {
    callAsync(kPath, kInterface, QStringLiteral("EnumerateDevices"), {},
              [this](const QDBusMessage& reply) {
                  if (reply.type() != QDBusMessage::ReplyMessage ||
                      reply.signature() != QLatin1String("ao")) {
                      m_trace(TraceKind::Failure,
                              QStringLiteral("EnumerateDevices: unreadable answer (%1 \"%2\")")
                                  .arg(reply.errorName(), reply.signature()));
                      settleStart(1);
                      return;
                  }
                  const auto paths = qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(0));
                  for (const QDBusObjectPath& path : paths) {
                      if (isDevicePath(path.path())) {
                          if (m_startPending > 0) {
                              ++m_startPending;
                          }
                          follow(path.path());
                      }
                  }
                  settleStart(1);
              });
}

void UPowerMonitor::follow(const QString& path) {
    if (!m_followed.contains(path)) {
        m_followed.insert(path);
        m_bus.connect(kBusName, path, kProperties, QStringLiteral("PropertiesChanged"), this,
                      SLOT(onPropertiesChanged(QDBusMessage)));
    }
    fetch(path);
}

void UPowerMonitor::fetch(const QString& path) {
    callAsync(path, kProperties, QStringLiteral("GetAll"), {kDeviceInterface},
              [this, path](const QDBusMessage& reply) {
                  // Counted once the device is in (or known to be unreadable).
                  const auto settle = qScopeGuard([this] { settleStart(1); });
                  if (!m_followed.contains(path)) {
                      return; // removed while the answer was under way
                  }
                  if (reply.type() != QDBusMessage::ReplyMessage ||
                      reply.signature() != QLatin1String("a{sv}")) {
                      m_trace(TraceKind::Failure,
                              QStringLiteral("%1: unreadable properties (%2 \"%3\")")
                                  .arg(path, reply.errorName(), reply.signature()));
                      return;
                  }
                  upower::DeviceProperties properties;
                  QStringList rejected;
                  properties.apply(qdbus_cast<QVariantMap>(reply.arguments().at(0)), &rejected);
                  if (!rejected.isEmpty()) {
                      m_trace(TraceKind::Failure,
                              QStringLiteral("%1: properties of the wrong type left out: %2")
                                  .arg(path, rejected.join(QStringLiteral(", "))));
                  }
                  m_devices.insert(path, properties);
                  Q_EMIT deviceChanged(path, properties);
              });
}

void UPowerMonitor::onDeviceAdded(const QDBusMessage& message) {
    const QString path = pathArgument(message);
    if (path.isEmpty()) {
        m_trace(TraceKind::Failure,
                QStringLiteral("DeviceAdded: unreadable signal (\"%1\")").arg(message.signature()));
        return;
    }
    if (isDevicePath(path)) {
        follow(path);
    }
}

void UPowerMonitor::onDeviceRemoved(const QDBusMessage& message) {
    const QString path = pathArgument(message);
    if (path.isEmpty()) {
        m_trace(
            TraceKind::Failure,
            QStringLiteral("DeviceRemoved: unreadable signal (\"%1\")").arg(message.signature()));
        return;
    }
    forget(path);
}

void UPowerMonitor::onPropertiesChanged(const QDBusMessage& message) {
    const QString path = message.path();
    const auto known = m_devices.find(path);
    if (known == m_devices.end()) {
        return; // its GetAll answer is still to come and will carry the change
    }
    if (message.signature() != QLatin1String("sa{sv}as")) {
        m_trace(TraceKind::Failure, QStringLiteral("%1: unreadable PropertiesChanged (\"%2\")")
                                        .arg(path, message.signature()));
        return;
    }
    const QVariantList args = message.arguments();
    if (args.at(0).toString() != kDeviceInterface) {
        return;
    }
    QStringList rejected;
    known->apply(qdbus_cast<QVariantMap>(args.at(1)), &rejected);
    if (!rejected.isEmpty()) {
        m_trace(TraceKind::Failure, QStringLiteral("%1: properties of the wrong type left out: %2")
                                        .arg(path, rejected.join(QStringLiteral(", "))));
    }
    if (!qdbus_cast<QStringList>(args.at(2)).isEmpty()) {
        fetch(path); // invalidated values are read again
    }
    Q_EMIT deviceChanged(path, *known);
}

void UPowerMonitor::forget(const QString& path) {
    if (m_followed.remove(path)) {
        m_bus.disconnect(kBusName, path, kProperties, QStringLiteral("PropertiesChanged"), this,
                         SLOT(onPropertiesChanged(QDBusMessage)));
    }
    if (m_devices.remove(path) > 0) {
        Q_EMIT deviceRemoved(path);
    }
}

void UPowerMonitor::forgetAll() {
    const QStringList paths = m_followed.values();
    for (const QString& path : paths) {
        forget(path);
    }
}

void UPowerMonitor::settleStart(int answered) {
    if (m_startPending < 0) {
        return;
    }
    m_startPending = std::max(0, m_startPending - answered);
    if (m_startPending == 0) {
        m_startPending = -1;
        Q_EMIT ready();
    }
}
