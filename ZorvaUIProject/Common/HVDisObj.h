#pragma once

#include "Platform/DBusContract.h"
#include "Platform/RemoteCall.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

// The client of the device service: each operation sends one message of
// zorva_application_delegate to "ZorvaDeviceService" on the session bus, traces
// under category 22 "IPC", and turns a service that is not there into the empty
// result (an invalid QVariant for "no object", false, or nothing).
//
// Nothing is kept between operations: the service is looked up anew by every
// call (the bus resolves the name for each message), so a service started or
// restarted after an earlier call is found by the next one. Two-way operations
// block the calling thread until the service answers, without a time-out; the
// one-way operations (manualCheckForUpdateFromApplicationService,
// AutoCheckForUpdateFromApplicationService, saveLastCheckPackageVersion) return
// at once.
//
// A transport failure while a two-way message is under way (the service leaves
// the bus before answering, or answers with an error) is thrown as
// platform::remote::RemoteCallError; nothing here aborts the process.
//
// An answer that is not what the message promises (an archive that cannot be
// read, a list holding records of another class, a reply of the wrong D-Bus
// type) is dropped with a trace line, and the empty result is returned.
class HVDisObj {
public:
    // The service's connection name; operations that take a service name accept
    // only this, letter for letter.
    static const QString kServiceName;

    // A client on the session bus. Creating it never touches the service.
    static std::unique_ptr<HVDisObj> init();
    explicit HVDisObj(const QDBusConnection& connection = QDBusConnection::sessionBus());

    // An array of HVDevice records.
    QVariant getDeviceInfoFromApplicationService(const QString& serviceName) const;
    // An array of HVSoftphone records.
    QVariant getSoftphoneInfoFromApplicationService(const QString& serviceName) const;
    void manualCheckForUpdateFromApplicationService(const QString& serviceName) const;
    void AutoCheckForUpdateFromApplicationService(const QString& serviceName) const;
    void saveLastCheckPackageVersion() const;
    // A string; "TRUE" means an update is available.
    QVariant getUpdateAvailableInfoFromAppService() const;
    // The component update list: an array of component dictionaries.
    QVariant getUpdateURLInfoFromAppService() const;
    // The device's error-report dictionary.
    QVariant getPanicTraceInfoFromAppService(const QString& productID, qint64 locationId) const;
    void resetPanicTraceFromAppService(const QString& productID, qint64 locId) const;
    void setHVHIDForConnectedDevices(qint32 value) const;
    void logZMSSettingsToServer() const;
    void bluetoothConnect(const QString& productID, qint64 locationId) const;
    // A null btAddr is sent as no object.
    void bluetoothConnectAddr(const QString& productID, qint64 locationId, const QByteArray& btAddr,
                              bool connectMode) const;
    void bluetoothDisconnect(const QString& productID, qint64 locationId) const;
    void bluetoothDisconnectAddr(const QString& productID, qint64 locationId,
                                 const QByteArray& btAddr) const;
    void enableAutoPairing(const QString& productID, qint64 locationId, bool withValue) const;
    // False also when the service cannot be reached.
    bool getAutoPairingValue(const QString& productID, qint64 locationId) const;
    void clearPairingList(const QString& productID, qint64 locationId) const;
    void setInPairingMode(const QString& productID, qint64 locationId) const;
    // Arrays.
    QVariant getDBrecord(const QString& productID, qint64 locationId) const;
    QVariant getSearchList(const QString& productID, qint64 locationId) const;
    QVariant getPairingList(const QString& productID, qint64 locationId) const;

    // What one operation writes to the trace and how its answer is checked
    // (internal to HVDisObj.cpp).
    struct Operation;

private:
    using Member = platform::contract::Member;
    platform::remote::CallResult callService(const Operation& op, const Member& member,
                                             const QVariantList& arguments) const;
    // Sends a two-way member; the reply's arguments when it has the member's
    // output signature.
    std::optional<QVariantList> twoWay(const Operation& op, const Member& member,
                                       const QVariantList& arguments) const;
    QVariant twoWayObject(const Operation& op, const Member& member,
                          const QVariantList& arguments) const;
    void oneWay(const Operation& op, const Member& member, const QString* checkedName) const;

    QDBusConnection m_connection;
};
