#include "service/DeviceService.h"

#include "Platform/DBusContract.h"
#include "Platform/RemoteCall.h"
#include "Platform/ServiceEndpoint.h"
#include "Platform/archive/KeyedArchive.h"

#include <algorithm>

namespace {

QByteArray archived(const QVariant& value) {
    return platform::archivedDataWithRootObject(value);
}

QByteArray archivedString(const QString& text) {
    return text.isNull() ? QByteArray() : archived(text);
}

} // namespace

DeviceService::DeviceService(const QDBusConnection& sessionBus, ServiceTrace trace, QObject* parent)
    : QDBusVirtualObject(parent), m_bus(sessionBus), m_trace(std::move(trace)),
      m_statusWatcher(platform::contract::kStatusBusName, sessionBus,
                      QDBusServiceWatcher::WatchForRegistration) {
    connect(&m_statusWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (m_missedChanges) {
            m_missedChanges = false;
            m_trace(TraceKind::Info,
                    QStringLiteral("the status item is back; asking it to read the lists again"));
            sendCallback(platform::contract::status::resetDeviceSoftphoneInfo, {});
        }
    });
}

DeviceService::~DeviceService() {
    if (m_published) {
        m_bus.unregisterService(platform::contract::kServiceBusName);
        m_bus.unregisterObject(platform::contract::kServicePath);
    }
}

bool DeviceService::publish(QString* error) {
    if (!m_bus.isConnected()) {
        *error = QStringLiteral("no session bus");
        return false;
    }
    if (!m_bus.registerVirtualObject(platform::contract::kServicePath, this,
                                     QDBusConnection::SingleNode)) {
        *error =
            QStringLiteral("cannot publish the object %1").arg(platform::contract::kServicePath);
        return false;
    }
    if (!m_bus.registerService(platform::contract::kServiceBusName)) {
        m_bus.unregisterObject(platform::contract::kServicePath);
        *error =
            QStringLiteral("the name %1 is already taken").arg(platform::contract::kServiceBusName);
        return false;
    }
    m_published = true;
    // A status item that outlived an earlier service may hold devices that have
    // gone since: it reads both lists again.
    if (platform::remote::hasOwner(m_bus, platform::contract::kStatusBusName)) {
        m_missedChanges = false;
        sendCallback(platform::contract::status::resetDeviceSoftphoneInfo, {});
    }
    return true;
}

void DeviceService::setDevice(const QString& path,
                              const std::optional<upower::HeadsetRecord>& record) {
    const auto known = std::find_if(m_headsets.begin(), m_headsets.end(),
                                    [&path](const auto& entry) { return entry.first == path; });
    std::optional<upower::HeadsetRecord> before;
    if (known != m_headsets.end()) {
        before = known->second;
    }
    const std::vector<upower::ShownChange> changes = upower::shownChanges(before, record);
    if (record && known != m_headsets.end()) {
        known->second = *record;
    } else if (record) {
        m_headsets.emplace_back(path, *record);
    } else if (known != m_headsets.end()) {
        m_headsets.erase(known);
    }
    for (const upower::ShownChange& change : changes) {
        send(path, change);
    }
}

void DeviceService::send(const QString& path, const upower::ShownChange& change) {
    const upower::HeadsetRecord& record = change.record;
    switch (change.callback) {
    case upower::Callback::Attach:
    case upower::Callback::Detach: {
        const qint32 state = change.callback == upower::Callback::Attach ? 0 : 1;
        m_trace(
            TraceKind::Info,
            QStringLiteral("%1 %2 (location %3)")
                .arg(state == 0 ? QStringLiteral("attach") : QStringLiteral("detach"), record.name)
                .arg(record.locationID));
        sendCallback(platform::contract::status::
                         updateDeviceInfo_productID_locatonID_deviceState_currentFWVer_headSetType,
                     {archivedString(record.name), archivedString(upower::kProductID),
                      QVariant::fromValue(record.locationID), QVariant::fromValue(state),
                      QByteArray(), QVariant::fromValue(qint32(0))},
                     path);
        break;
    }
    case upower::Callback::Battery:
        m_trace(TraceKind::Info,
                QStringLiteral("battery %1 %2 percent").arg(record.name).arg(record.percent) +
                    (record.charging ? QStringLiteral(" charging") : QString()) +
                    (record.low ? QStringLiteral(" low") : QString()));
        sendCallback(platform::contract::status::updateHeadsetBatteryInfo,
                     {archived(QVariant::fromValue(record.device()))}, path, true);
        break;
    }
}

void DeviceService::sendCallback(const platform::contract::Member& callback,
                                 const QVariantList& arguments, const QString& path, bool battery) {
    // A battery report still waiting behind others is replaced by the newer one,
    // as long as nothing else about that device comes after it.
    if (battery) {
        for (auto waiting = m_queue.rbegin(); waiting != m_queue.rend(); ++waiting) {
            if (waiting->path == path) {
                if (waiting->battery) {
                    waiting->arguments = arguments;
                    return;
                }
                break;
            }
        }
    }
    m_queue.push_back({&callback, arguments, path, battery});
    sendNext();
}

void DeviceService::sendNext() {
    if (m_inFlight || m_queue.empty()) {
        return;
    }
    const Outgoing next = std::move(m_queue.front());
    m_queue.pop_front();
    m_inFlight = true;
    ++m_sent;
    platform::service::sendCallback(
        m_bus, *next.callback, next.arguments, this,
        [this, member = next.callback->memberName()](const QDBusMessage& reply) {
            m_inFlight = false;
            if (reply.type() == QDBusMessage::ErrorMessage) {
                ++m_failed;
                m_missedChanges = true;
                // No status item running is the usual case, not a failure.
                const bool absent = platform::remote::isNoOwnerError(reply.errorName());
                m_trace(absent ? TraceKind::Info : TraceKind::Failure,
                        QStringLiteral("callback %1 dropped: %2").arg(member, reply.errorName()));
            }
            sendNext();
        });
}

QString DeviceService::introspect(const QString& /*path*/) const {
    return platform::contract::kServiceContract.introspectionXml();
}

bool DeviceService::handleMessage(const QDBusMessage& message,
                                  const QDBusConnection& /*connection*/) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    if (!platform::remote::answerStandardCall(message, m_bus,
                                              [&] { return introspect(message.path()); })) {
        answerRequest(message);
    }
    return true;
}

void DeviceService::answerRequest(const QDBusMessage& message) {
    QString refusal;
    const platform::contract::Member* known =
        platform::service::acceptServiceCall(message, m_bus, &refusal);
    if (known == nullptr) {
        m_trace(TraceKind::Failure,
                QStringLiteral("request %1 refused: %2").arg(message.member(), refusal));
        return;
    }
    namespace service = platform::contract::service;
    const std::string_view member = known->name;
    const std::string_view out = known->out;
    QVariantList results;
    if (member == service::getDeviceInfoFromAppService.name) {
        QVariantList devices;
        for (const auto& [path, record] : m_headsets) {
            devices.append(QVariant::fromValue(record.device()));
        }
        results << archived(devices);
    } else if (member == service::getSoftphoneInfoFromAppService.name ||
               member == service::getDBrecord_locationId.name ||
               member == service::getSearchList_locationId.name ||
               member == service::getPairingList_locationId.name) {
        results << archived(QVariantList());
    } else if (member == service::requestForManualCheckForUpdate.name ||
               member == service::requestForAutoCheckForUpdate.name) {
        // No update catalogue here: every check ends with "no update available".
        sendCallback(platform::contract::status::sendCheckForUpdateStatus,
                     {QVariant::fromValue(qint32(1))});
    } else if (out == "ay") {
        results << QByteArray(); // no object
    } else if (out == "b") {
        results << false;
    }
    if (message.isReplyRequired() && known->call == platform::contract::Call::TwoWay) {
        m_bus.send(message.createReply(results));
    }
}
