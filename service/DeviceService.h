#pragma once

#include "Platform/DBusContract.h"
#include "service/ServiceTrace.h"
#include "service/UPowerHeadsets.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

// The device service's request handler, published as "ZorvaDeviceService" on the
// session bus. It answers all 22 requests of zorva_application_delegate: the
// headsets it knows, and for everything it does not know (softphones, update
// information, error reports, pairing) the empty result. Each change of a
// headset that the status item shows goes out as callbacks to "StatusAppServer",
// sent without waiting in place, one at a time and in order (a battery report
// that has not gone out yet gives way to a newer one of the same device); a
// callback that fails is dropped with a trace
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
    void send(const QString& path, const upower::ShownChange& change);
    // Queues a callback; `path` names the UPower device it is about (empty for
    // none), `battery` marks a battery report that a newer one may replace.
    void sendCallback(const platform::contract::Member& callback, const QVariantList& arguments,
                      const QString& path = QString(), bool battery = false);
    void sendNext();

    struct Outgoing {
        const platform::contract::Member* callback = nullptr;
        QVariantList arguments;
        QString path;
        bool battery = false;
    };

    QDBusConnection m_bus;
    ServiceTrace m_trace;
    QDBusServiceWatcher m_statusWatcher;
    bool m_published = false;
    bool m_missedChanges = false; // a callback was dropped since the last reset
    std::vector<std::pair<QString, upower::HeadsetRecord>> m_headsets; // in arrival order
    // Callbacks go out one at a time, in order: the status item is never flooded,
    // and memory stays bounded by the devices, not by the rate of UPower's changes.
    std::deque<Outgoing> m_queue;
    bool m_inFlight = false;
    quint64 m_sent = 0;
    quint64 m_failed = 0;
};
