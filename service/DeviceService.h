#pragma once

#include "service/ServiceTrace.h"
#include "service/UPowerHeadsets.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <functional>
#include <optional>
#include <vector>

// The device service's request handler, published as "ZorvaDeviceService" on the
// session bus. It answers all 22 requests of zorva_application_delegate: the
// headsets it knows, and for everything it does not know (softphones, update
// information, error reports, pairing) the empty result. Each change of a
// headset that the status item shows goes out as callbacks to "StatusAppServer",
// sent without waiting in place; a callback that fails is dropped with a trace
// line. The status item reads the whole list by request when it starts; if
// callbacks were dropped, the service also asks it to read the lists again
// (resetDeviceSoftphoneInfo) as soon as "StatusAppServer" is back on the bus,
// since a change may have fallen between its start-up request and its publishing.
class DeviceService : public QDBusVirtualObject {
    Q_OBJECT
public:
    DeviceService(const QDBusConnection& sessionBus, ServiceTrace trace, QObject* parent = nullptr);
    ~DeviceService() override;

    // Publishes the object and the bus name; false, with the reason in *error,
    // when the name is taken or there is no bus. A status item already running
    // is asked to read the lists again.
    bool publish(QString* error);

    // The UPower device at `path` now looks like this; nothing when it is gone.
    void setDevice(const QString& path, const std::optional<upower::HeadsetRecord>& record);
    const std::vector<std::pair<QString, upower::HeadsetRecord>>& headsets() const {
        return m_headsets;
    }
    // Callbacks sent so far, and those the status item refused or never got.
    quint64 callbacksSent() const { return m_sent; }
    quint64 callbacksFailed() const { return m_failed; }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void answerRequest(const QDBusMessage& message);
    void send(const upower::ShownChange& change);
    void sendCallback(const QString& member, const QVariantList& arguments);

    QDBusConnection m_bus;
    ServiceTrace m_trace;
    QDBusServiceWatcher m_statusWatcher;
    bool m_published = false;
    bool m_missedChanges = false; // a callback was dropped since the last reset
    std::vector<std::pair<QString, upower::HeadsetRecord>> m_headsets; // in arrival order
    quint64 m_sent = 0;
    quint64 m_failed = 0;
};
