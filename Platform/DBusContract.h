#pragma once

#include <QDBusMessage>
#include <QHash>
#include <QString>
#include <QStringList>
#include <span>
#include <string_view>

// The contract between the status item and the device service on the session bus:
// the names of the two endpoints, the bus-wide notification signal, and the member
// table of each interface (name, input and output signatures, one-way or two-way,
// argument names). The client, the callback server and the simulator all work from
// these tables; docs/device-service-dbus.md describes the contract and
// Platform/dbus/*.xml are the same interfaces in introspection form (a test keeps
// them equal to the tables).
namespace platform::contract {

// The device service ("ZorvaDeviceService"), interface zorva_application_delegate.
inline const QString kServiceEndpointName = QStringLiteral("ZorvaDeviceService");
inline const QString kServiceBusName = QStringLiteral("com.zorva.ZorvaDeviceService");
inline const QString kServicePath = QStringLiteral("/ZorvaDeviceService");
inline const QString kServiceInterface = QStringLiteral("com.zorva.zorva_application_delegate");

// The status item's callback endpoint ("StatusAppServer"), interface
// zorva_application_service_delegate.
inline const QString kStatusEndpointName = QStringLiteral("StatusAppServer");
inline const QString kStatusBusName = QStringLiteral("com.zorva.StatusAppServer");
inline const QString kStatusPath = QStringLiteral("/StatusAppServer");
inline const QString kStatusInterface =
    QStringLiteral("com.zorva.zorva_application_service_delegate");

// Distributed notifications: the broadcast signal Posted(s name, ay object).
inline const QString kNotificationPath = QStringLiteral("/com/zorva/DistributedNotificationCenter");
inline const QString kNotificationInterface =
    QStringLiteral("com.zorva.DistributedNotificationCenter");
inline const QString kNotificationSignal = QStringLiteral("Posted");

// The bus name of an endpoint published under a connection name: "com.zorva." + name.
inline QString busNameForEndpoint(const QString& endpointName) {
    return QStringLiteral("com.zorva.") + endpointName;
}

// How a member is called: one-way calls carry the no-reply-expected flag and are
// never answered; two-way calls are waited for.
enum class Call { OneWay, TwoWay };

// One method of an interface. Signatures use only basic types and "ay" (every
// object travels as a keyed archive in an "ay"). The argument names are the
// inputs' and then the outputs', separated by spaces.
struct Member {
    std::string_view name;
    std::string_view in;
    std::string_view out;
    Call call = Call::TwoWay;
    std::string_view argumentNames;

    QString memberName() const { return QString::fromLatin1(name.data(), qsizetype(name.size())); }
    QString inSignature() const { return QString::fromLatin1(in.data(), qsizetype(in.size())); }
    QString outSignature() const { return QString::fromLatin1(out.data(), qsizetype(out.size())); }
    QStringList inNames() const;
    QStringList outNames() const;
};

// An interface: its name and its members in declaration order.
struct Interface {
    const QString& name;
    std::span<const Member> members;

    // The member of that name; null when the interface has none.
    const Member* find(const QString& member) const;
    // The member a method call names: null when the call is for another interface
    // (a call without an interface counts as one for this interface) or names no
    // member.
    const Member* find(const QDBusMessage& call) const;
    // The interface in introspection form ("  <interface name=…> … </interface>\n"),
    // with NoReply annotations on one-way members.
    QString introspectionXml() const;
};

// The complete types of a signature of basic types and "ay": "ayxb" -> ay, x, b.
QStringList splitSignature(const QString& signature);

// zorva_application_delegate: what the status item asks of the device service.
namespace service {
inline constexpr Member getDeviceInfoFromAppService{"getDeviceInfoFromAppService", "", "ay",
                                                    Call::TwoWay, "result"};
inline constexpr Member getSoftphoneInfoFromAppService{"getSoftphoneInfoFromAppService", "", "ay",
                                                       Call::TwoWay, "result"};
inline constexpr Member requestForManualCheckForUpdate{"requestForManualCheckForUpdate", "", "",
                                                       Call::OneWay, ""};
inline constexpr Member requestForAutoCheckForUpdate{"requestForAutoCheckForUpdate", "", "",
                                                     Call::OneWay, ""};
inline constexpr Member saveLastCheckedPkgVersion{"saveLastCheckedPkgVersion", "", "", Call::OneWay,
                                                  ""};
inline constexpr Member getFwUpdateAvailableInfo{"getFwUpdateAvailableInfo", "", "ay", Call::TwoWay,
                                                 "result"};
inline constexpr Member getFwUpdateComponentList{"getFwUpdateComponentList", "", "ay", Call::TwoWay,
                                                 "result"};
inline constexpr Member getPanicTraceInfo_locationId{"getPanicTraceInfo_locationId", "ayx", "ay",
                                                     Call::TwoWay, "productID locationId result"};
inline constexpr Member resetDevFromPanicTrace_locId{"resetDevFromPanicTrace_locId", "ayx", "",
                                                     Call::TwoWay, "productID locId"};
inline constexpr Member setHVHIDForConnectedDevices{"setHVHIDForConnectedDevices", "i", "",
                                                    Call::TwoWay, "value"};
inline constexpr Member logZMSSettingsToServer{"logZMSSettingsToServer", "", "", Call::TwoWay, ""};
inline constexpr Member bluetoothConnect_locationId{"bluetoothConnect_locationId", "ayx", "",
                                                    Call::TwoWay, "productID locationId"};
inline constexpr Member bluetoothConnectAddr_locationId_btAddr_connectMode{
    "bluetoothConnectAddr_locationId_btAddr_connectMode", "ayxayb", "", Call::TwoWay,
    "productID locationId btAddr connectMode"};
inline constexpr Member bluetoothDisconnect_locationId{"bluetoothDisconnect_locationId", "ayx", "",
                                                       Call::TwoWay, "productID locationId"};
inline constexpr Member bluetoothDisconnectAddr_locationId_btAddr{
    "bluetoothDisconnectAddr_locationId_btAddr", "ayxay", "", Call::TwoWay,
    "productID locationId btAddr"};
inline constexpr Member enableAutoPairing_locationId_withValue{
    "enableAutoPairing_locationId_withValue", "ayxb", "", Call::TwoWay,
    "productID locationId withValue"};
inline constexpr Member getAutoPairingValue_locationId{"getAutoPairingValue_locationId", "ayx", "b",
                                                       Call::TwoWay, "productID locationId result"};
inline constexpr Member clearPairingList_locationId{"clearPairingList_locationId", "ayx", "",
                                                    Call::TwoWay, "productID locationId"};
inline constexpr Member setInPairingMode_locationId{"setInPairingMode_locationId", "ayx", "",
                                                    Call::TwoWay, "productID locationId"};
inline constexpr Member getDBrecord_locationId{"getDBrecord_locationId", "ayx", "ay", Call::TwoWay,
                                               "productID locationId result"};
inline constexpr Member getSearchList_locationId{"getSearchList_locationId", "ayx", "ay",
                                                 Call::TwoWay, "productID locationId result"};
inline constexpr Member getPairingList_locationId{"getPairingList_locationId", "ayx", "ay",
                                                  Call::TwoWay, "productID locationId result"};

inline constexpr Member kMembers[] = {
    getDeviceInfoFromAppService,
    getSoftphoneInfoFromAppService,
    requestForManualCheckForUpdate,
    requestForAutoCheckForUpdate,
    saveLastCheckedPkgVersion,
    getFwUpdateAvailableInfo,
    getFwUpdateComponentList,
    getPanicTraceInfo_locationId,
    resetDevFromPanicTrace_locId,
    setHVHIDForConnectedDevices,
    logZMSSettingsToServer,
    bluetoothConnect_locationId,
    bluetoothConnectAddr_locationId_btAddr_connectMode,
    bluetoothDisconnect_locationId,
    bluetoothDisconnectAddr_locationId_btAddr,
    enableAutoPairing_locationId_withValue,
    getAutoPairingValue_locationId,
    clearPairingList_locationId,
    setInPairingMode_locationId,
    getDBrecord_locationId,
    getSearchList_locationId,
    getPairingList_locationId,
};
} // namespace service

// zorva_application_service_delegate: the device service's callbacks to the status
// item. All are two-way.
namespace status {
inline constexpr Member resetDeviceSoftphoneInfo{"resetDeviceSoftphoneInfo", "", "", Call::TwoWay,
                                                 ""};
inline constexpr Member updateDeviceInfo_productID_locatonID_deviceState{
    "updateDeviceInfo_productID_locatonID_deviceState", "ayayti", "", Call::TwoWay,
    "name productID locatonID deviceState"};
inline constexpr Member updateDeviceInfo_productID_locatonID_deviceState_headSetType{
    "updateDeviceInfo_productID_locatonID_deviceState_headSetType", "ayaytii", "", Call::TwoWay,
    "name productID locatonID deviceState headSetType"};
inline constexpr Member updateDeviceInfo_productID_locatonID_deviceState_currentFWVer_headSetType{
    "updateDeviceInfo_productID_locatonID_deviceState_currentFWVer_headSetType", "ayaytiayi", "",
    Call::TwoWay, "name productID locatonID deviceState currentFWVer headSetType"};
inline constexpr Member updateDeviceInfo_productID_locatonID_serialNumber_deviceState_headSetType{
    "updateDeviceInfo_productID_locatonID_serialNumber_deviceState_headSetType", "ayaytayii", "",
    Call::TwoWay, "name productID locatonID serialNumber deviceState headSetType"};
inline constexpr Member updateHeadsetBatteryInfo{"updateHeadsetBatteryInfo", "ay", "", Call::TwoWay,
                                                 "device"};
inline constexpr Member updateSoftphoneInfo_softphoneStatus{
    "updateSoftphoneInfo_softphoneStatus", "ayi", "", Call::TwoWay, "name softphoneStatus"};
inline constexpr Member getPreferredSoftphone{"getPreferredSoftphone", "", "ay", Call::TwoWay,
                                              "result"};
inline constexpr Member sendCheckForUpdateStatus{"sendCheckForUpdateStatus", "i", "", Call::TwoWay,
                                                 "status"};
inline constexpr Member sendUpdatedComponentList_isManualCheckUpdate{
    "sendUpdatedComponentList_isManualCheckUpdate", "ayb", "", Call::TwoWay,
    "list isManualCheckUpdate"};
inline constexpr Member headsetConnectStatus_productId_devState_lid_serialNumber{
    "headsetConnectStatus_productId_devState_lid_serialNumber", "ayayiayay", "", Call::TwoWay,
    "name productId devState lid serialNumber"};

inline constexpr Member kMembers[] = {
    resetDeviceSoftphoneInfo,
    updateDeviceInfo_productID_locatonID_deviceState,
    updateDeviceInfo_productID_locatonID_deviceState_headSetType,
    updateDeviceInfo_productID_locatonID_deviceState_currentFWVer_headSetType,
    updateDeviceInfo_productID_locatonID_serialNumber_deviceState_headSetType,
    updateHeadsetBatteryInfo,
    updateSoftphoneInfo_softphoneStatus,
    getPreferredSoftphone,
    sendCheckForUpdateStatus,
    sendUpdatedComponentList_isManualCheckUpdate,
    headsetConnectStatus_productId_devState_lid_serialNumber,
};
} // namespace status

inline const Interface kServiceContract{kServiceInterface, service::kMembers};
inline const Interface kStatusContract{kStatusInterface, status::kMembers};

// Dispatch by member: a handler for each member an object answers, looked up by
// the member a call names. Members of the interface without a handler are part of
// the contract but not answered by this object.
template <class Handler>
class MemberDispatch {
public:
    explicit MemberDispatch(const Interface& interface) : m_interface(interface) {}

    // Answers `member` (which must belong to the interface) with `handler`.
    MemberDispatch& on(const Member& member, Handler handler) {
        m_handlers.insert(member.memberName(), std::move(handler));
        return *this;
    }

    struct Target {
        const Member* member = nullptr;   // null: not a member of the interface
        const Handler* handler = nullptr; // null: a member this object does not answer
    };
    Target find(const QDBusMessage& call) const {
        Target target;
        target.member = m_interface.find(call);
        if (target.member != nullptr) {
            const auto it = m_handlers.constFind(call.member());
            target.handler = it == m_handlers.cend() ? nullptr : &it.value();
        }
        return target;
    }

    const Interface& interface() const { return m_interface; }

private:
    const Interface& m_interface;
    QHash<QString, Handler> m_handlers;
};

} // namespace platform::contract
