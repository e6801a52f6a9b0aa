#include "ZorvaUIProject/Common/HVDisObj.h"

#include "Platform/DBusContract.h"
#include "Platform/ObjectDescription.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"

#include <optional>

using platform::remote::CallResult;
using platform::remote::CallStatus;
namespace service = platform::contract::service;

const QString HVDisObj::kServiceName = platform::contract::kServiceEndpointName;

namespace {

using namespace hvtrace;

const QString kDataReceived = QStringLiteral(" Data Received From App service.\n");
const QString kUnableToConnect = QStringLiteral("Unable to connect with Server\n");

void trace(const QString& line, int severity) {
    if (!line.isNull()) {
        HVTrace::writeLine(line, kIPC, severity);
    }
}

platform::remote::Endpoint serviceEndpoint() {
    // An installed service that is not running yet is started by the bus.
    return {platform::contract::kServiceBusName, platform::contract::kServicePath,
            platform::contract::kServiceInterface, true};
}

// What an answer must be for the operation to hand it on.
enum class Expect { Anything, String, Array, DeviceArray, SoftphoneArray };

bool isList(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<QVariantList>();
}

template <class Record>
bool isListOf(const QVariant& value) {
    if (!isList(value)) {
        return false;
    }
    const QVariantList list = value.toList();
    for (const QVariant& element : list) {
        if (element.metaType() != QMetaType::fromType<std::shared_ptr<Record>>() ||
            !element.value<std::shared_ptr<Record>>()) {
            return false;
        }
    }
    return true;
}

bool matches(const QVariant& value, Expect expect) {
    if (!value.isValid()) {
        return true; // no object is always a possible answer
    }
    switch (expect) {
    case Expect::Anything:
        return true;
    case Expect::String:
        return value.metaType() == QMetaType::fromType<QString>();
    case Expect::Array:
        return isList(value);
    case Expect::DeviceArray:
        return isListOf<HVDevice>(value);
    case Expect::SoftphoneArray:
        return isListOf<HVSoftphone>(value);
    }
    return false;
}

QByteArray archived(const QString& text) {
    return text.isNull() ? QByteArray() : platform::archivedDataWithRootObject(text);
}

QByteArray archived(const QByteArray& data) {
    return data.isNull() ? QByteArray() : platform::archivedDataWithRootObject(data);
}

QVariantList deviceArguments(const QString& productID, qint64 locationId) {
    return {archived(productID), QVariant::fromValue(locationId)};
}

} // namespace

struct HVDisObj::Operation {
    QString name;    // the operation, for lines about unreadable answers
    QString entry;   // written first, severity 2; null for none
    QString failure; // written when the service cannot be reached, severity 2; null for none
    QString after;   // written when the answer has arrived, severity 3; null for none
    Expect expect = Expect::Anything;
    // Written once the service is found, before the message is sent.
    QString beforeSend =
        QStringLiteral("Successfully connected with Server : %1\n").arg(kServiceName);
    int beforeSendSeverity = kInfo;
};

namespace {

// Operations 1 and 2 write their own lines around the send and no connection line.
HVDisObj::Operation listOperation(const QString& name, Expect expect);

} // namespace

std::unique_ptr<HVDisObj> HVDisObj::init() {
    return std::make_unique<HVDisObj>();
}

HVDisObj::HVDisObj(const QDBusConnection& connection) : m_connection(connection) {}

CallResult HVDisObj::callService(const Operation& op, const Member& member,
                                 const QVariantList& arguments) const {
    // The bus resolves the name when it routes the call; a name without owner
    // comes back as NotListening without anything being delivered. The line that
    // belongs between the look-up and the send is written as soon as the look-up
    // is known to have succeeded, so the trace keeps its order.
    CallResult result;
    try {
        result = platform::remote::callTwoWay(m_connection, serviceEndpoint(), member.memberName(),
                                              arguments);
    } catch (const platform::remote::RemoteCallError&) {
        trace(op.beforeSend, op.beforeSendSeverity);
        throw;
    }
    if (result.status == CallStatus::Answered) {
        trace(op.beforeSend, op.beforeSendSeverity);
    }
    return result;
}

std::optional<QVariantList> HVDisObj::twoWay(const Operation& op, const Member& member,
                                             const QVariantList& arguments) const {
    trace(op.entry, kCritical);
    const CallResult result = callService(op, member, arguments);
    if (result.status == CallStatus::NotListening) {
        trace(op.failure, kCritical);
        return std::nullopt;
    }
    trace(op.after, kHigh);
    if (result.reply.signature() != member.outSignature()) {
        trace(QStringLiteral("%1 : unreadable answer from the service (\"%2\")\n")
                  .arg(op.name, result.reply.signature()),
              kCritical);
        return std::nullopt;
    }
    return result.reply.arguments();
}

QVariant HVDisObj::twoWayObject(const Operation& op, const Member& member,
                                const QVariantList& arguments) const {
    const std::optional<QVariantList> answer = twoWay(op, member, arguments);
    if (!answer) {
        return {};
    }
    const QByteArray data = answer->at(0).toByteArray();
    QVariant object = platform::unarchiveObjectWithData(data);
    if (!data.isEmpty() && !object.isValid()) {
        trace(QStringLiteral("%1 : unreadable answer from the service\n").arg(op.name), kCritical);
        return {};
    }
    if (!matches(object, op.expect)) {
        trace(QStringLiteral("%1 : unexpected answer from the service (%2)\n")
                  .arg(op.name, QString::fromLatin1(object.metaType().name())),
              kCritical);
        return {};
    }
    return object;
}

void HVDisObj::oneWay(const Operation& op, const Member& member, const QString* checkedName) const {
    trace(op.entry, kCritical);
    const bool nameAccepted = checkedName == nullptr || *checkedName == kServiceName;
    if (!nameAccepted ||
        (!platform::remote::hasOwner(m_connection, platform::contract::kServiceBusName) &&
         !platform::remote::isActivatable(m_connection, platform::contract::kServiceBusName))) {
        trace(op.failure, kCritical);
        return;
    }
    trace(op.beforeSend, op.beforeSendSeverity);
    if (!platform::remote::sendOneWay(m_connection, serviceEndpoint(), member.memberName(), {})) {
        trace(op.failure, kCritical);
        return;
    }
    trace(op.after, kHigh);
}

namespace {

HVDisObj::Operation listOperation(const QString& name, Expect expect) {
    HVDisObj::Operation op{name, QString(),
                           name + QStringLiteral(" : No one is listening there.\n"),
                           QStringLiteral(" Data Received From Driver.\n"), expect};
    op.beforeSend = QStringLiteral("Receiving data from Drivers...\n");
    op.beforeSendSeverity = kHigh;
    return op;
}

HVDisObj::Operation simple(const QString& name, const QString& entry,
                           Expect expect = Expect::Anything) {
    return {name, entry, kUnableToConnect, kDataReceived, expect};
}

HVDisObj::Operation proxyNil(const QString& name, const QString& entry, bool after,
                             Expect expect = Expect::Anything) {
    return {name, entry, name + QStringLiteral(" proxy is nil\n"),
            after ? kDataReceived : QString(), expect};
}

} // namespace

// 1
QVariant HVDisObj::getDeviceInfoFromApplicationService(const QString& serviceName) const {
    const Operation op =
        listOperation(QStringLiteral("getDeviceInfoFromApplicationService"), Expect::DeviceArray);
    if (serviceName != kServiceName) {
        trace(op.failure, kCritical);
        return {};
    }
    return twoWayObject(op, service::getDeviceInfoFromAppService, {});
}

// 2
QVariant HVDisObj::getSoftphoneInfoFromApplicationService(const QString& serviceName) const {
    const Operation op = listOperation(QStringLiteral("getSoftphoneInfoFromApplicationService"),
                                       Expect::SoftphoneArray);
    if (serviceName != kServiceName) {
        trace(op.failure, kCritical);
        return {};
    }
    return twoWayObject(op, service::getSoftphoneInfoFromAppService, {});
}

// 3
void HVDisObj::manualCheckForUpdateFromApplicationService(const QString& serviceName) const {
    const Operation op{
        QStringLiteral("manualCheckForUpdateFromApplicationService"),
        QStringLiteral("manualCheckForUpdateFromApplicationService : "),
        QStringLiteral("Unable to connect with Server : %1\n").arg(platform::describe(serviceName)),
        QStringLiteral("Data Received From  From App service.\n")};
    oneWay(op, service::requestForManualCheckForUpdate, &serviceName);
}

// 4
void HVDisObj::AutoCheckForUpdateFromApplicationService(const QString& serviceName) const {
    const Operation op{
        QStringLiteral("AutoCheckForUpdateFromApplicationService"),
        QStringLiteral("AutoCheckForUpdateFromApplicationService : "),
        QStringLiteral("Unable to connect with Server : %1\n").arg(platform::describe(serviceName)),
        QStringLiteral("Data Received From  From App service.\n")};
    oneWay(op, service::requestForAutoCheckForUpdate, &serviceName);
}

// 5
void HVDisObj::saveLastCheckPackageVersion() const {
    oneWay(simple(QStringLiteral("saveLastCheckPackageVersion"),
                  QStringLiteral("saveLastCheckPackageVersion ")),
           service::saveLastCheckedPkgVersion, nullptr);
}

// 6
QVariant HVDisObj::getUpdateAvailableInfoFromAppService() const {
    return twoWayObject(simple(QStringLiteral("getUpdateAvailableInfoFromAppService"),
                               QStringLiteral("getUpdateAvailableInfoFromAppService "),
                               Expect::String),
                        service::getFwUpdateAvailableInfo, {});
}

// 7
QVariant HVDisObj::getUpdateURLInfoFromAppService() const {
    return twoWayObject(simple(QStringLiteral("getUpdateURLInfoFromAppService"),
                               QStringLiteral("getUpdateURLInfoFromAppService "), Expect::Array),
                        service::getFwUpdateComponentList, {});
}

// 8
QVariant HVDisObj::getPanicTraceInfoFromAppService(const QString& productID,
                                                   qint64 locationId) const {
    return twoWayObject(simple(QStringLiteral("getPanicTraceInfoFromAppService"),
                               QStringLiteral("getPanicTraceInfoFromAppServiceForProdId ")),
                        service::getPanicTraceInfo_locationId,
                        deviceArguments(productID, locationId));
}

// 9
void HVDisObj::resetPanicTraceFromAppService(const QString& productID, qint64 locId) const {
    twoWay(simple(QStringLiteral("resetPanicTraceFromAppService"),
                  QStringLiteral("resetPanicTraceFromAppService ")),
           service::resetDevFromPanicTrace_locId, deviceArguments(productID, locId));
}

// 10
void HVDisObj::setHVHIDForConnectedDevices(qint32 value) const {
    twoWay(simple(QStringLiteral("setHVHIDForConnectedDevices"), QString()),
           service::setHVHIDForConnectedDevices, {QVariant::fromValue(value)});
}

// 11
void HVDisObj::logZMSSettingsToServer() const {
    twoWay(proxyNil(QStringLiteral("logZMSSettingsToServer"),
                    QStringLiteral(" logZMSSettingsToServer "), true),
           service::logZMSSettingsToServer, {});
}

// 12
void HVDisObj::bluetoothConnect(const QString& productID, qint64 locationId) const {
    twoWay(proxyNil(QStringLiteral("bluetoothConnect"), QStringLiteral(" bluetoothConnect "), true),
           service::bluetoothConnect_locationId, deviceArguments(productID, locationId));
}

// 13
void HVDisObj::bluetoothConnectAddr(const QString& productID, qint64 locationId,
                                    const QByteArray& btAddr, bool connectMode) const {
    QVariantList arguments = deviceArguments(productID, locationId);
    arguments << archived(btAddr) << QVariant::fromValue(connectMode);
    twoWay(proxyNil(QStringLiteral("bluetoothConnect"), QStringLiteral(" bluetoothConnect "), true),
           service::bluetoothConnectAddr_locationId_btAddr_connectMode, arguments);
}

// 14
void HVDisObj::bluetoothDisconnect(const QString& productID, qint64 locationId) const {
    twoWay(proxyNil(QStringLiteral("bluetoothDisconnect"), QStringLiteral(" bluetoothDisconnect "),
                    true),
           service::bluetoothDisconnect_locationId, deviceArguments(productID, locationId));
}

// 15
void HVDisObj::bluetoothDisconnectAddr(const QString& productID, qint64 locationId,
                                       const QByteArray& btAddr) const {
    QVariantList arguments = deviceArguments(productID, locationId);
    arguments << archived(btAddr);
    twoWay(proxyNil(QStringLiteral("bluetoothDisconnect"), QStringLiteral(" bluetoothDisconnect "),
                    true),
           service::bluetoothDisconnectAddr_locationId_btAddr, arguments);
}

// 16
void HVDisObj::enableAutoPairing(const QString& productID, qint64 locationId,
                                 bool withValue) const {
    QVariantList arguments = deviceArguments(productID, locationId);
    arguments << QVariant::fromValue(withValue);
    twoWay(
        proxyNil(QStringLiteral("enableAutoPairing"), QStringLiteral(" enableAutoPairing "), true),
        service::enableAutoPairing_locationId_withValue, arguments);
}

// 17
bool HVDisObj::getAutoPairingValue(const QString& productID, qint64 locationId) const {
    const std::optional<QVariantList> answer =
        twoWay(proxyNil(QStringLiteral("getAutoPairingValue"),
                        QStringLiteral(" getAutoPairingValue "), false),
               service::getAutoPairingValue_locationId, deviceArguments(productID, locationId));
    return answer && answer->at(0).toBool();
}

// 18
void HVDisObj::clearPairingList(const QString& productID, qint64 locationId) const {
    twoWay(proxyNil(QStringLiteral("clearPairingList"), QStringLiteral(" clearPairingList "), true),
           service::clearPairingList_locationId, deviceArguments(productID, locationId));
}

// 19
void HVDisObj::setInPairingMode(const QString& productID, qint64 locationId) const {
    twoWay(proxyNil(QStringLiteral("setInPairingMode"), QStringLiteral(" setInPairingMode "), true),
           service::setInPairingMode_locationId, deviceArguments(productID, locationId));
}

// 20
QVariant HVDisObj::getDBrecord(const QString& productID, qint64 locationId) const {
    const Operation op{QStringLiteral("getDBrecord"), QString(), QString(), QString(),
                       Expect::Array};
    return twoWayObject(op, service::getDBrecord_locationId,
                        deviceArguments(productID, locationId));
}

// 21
QVariant HVDisObj::getSearchList(const QString& productID, qint64 locationId) const {
    const Operation op{QStringLiteral("getSearchList"), QString(), QString(), QString(),
                       Expect::Array};
    return twoWayObject(op, service::getSearchList_locationId,
                        deviceArguments(productID, locationId));
}

// 22
QVariant HVDisObj::getPairingList(const QString& productID, qint64 locationId) const {
    return twoWayObject(
        proxyNil(QStringLiteral("getPairingList"), QStringLiteral(" getPairingList "), false),
        service::getPairingList_locationId, deviceArguments(productID, locationId));
}
