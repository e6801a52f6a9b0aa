#pragma once

#include <QString>
#include <QVariant>
#include <QtGlobal>
#include <memory>

class HVDevice;

// The callbacks through which the device service reports changes to the status
// item. The callback server ("StatusAppServer", StatusAppServer.h) decodes each
// message from the bus and calls the matching operation here, on the main thread,
// and replies to the service only when the operation has returned. An operation
// may itself send requests to the device service before it returns.
//
// Of the protocol's eleven messages the status item answers these six; the other
// five (updateDeviceInfo:productID:locatonID:deviceState:,
// updateDeviceInfo:productID:locatonID:deviceState:headSetType:,
// updateDeviceInfo:productID:locatonID:serialNumber:deviceState:headSetType:,
// getPreferredSoftphone and headsetConnectStatus:productId:devState:lid:serialNumber:)
// are not answered and fail on the sender's side.
//
// Absent objects arrive as a null QString, a null pointer or an invalid QVariant.
// An operation may throw (for example a transport failure of a nested request):
// the server then answers the service with an error and the process goes on.
class zorva_application_service_delegate {
public:
    virtual ~zorva_application_service_delegate() = default;

    // Forget the device and softphone lists and fetch both again.
    virtual void resetDeviceSoftphoneInfo() = 0;

    // A device was attached (deviceState 0) or detached (any other state).
    virtual void updateDeviceInfo(const QString& name, const QString& productID, quint64 locatonID,
                                  qint32 deviceState, const QString& currentFWVer,
                                  qint32 headSetType) = 0;

    // A device record carrying fresh battery information. Never null: the server
    // refuses a message whose object is absent or not a device record.
    virtual void updateHeadsetBatteryInfo(const std::shared_ptr<HVDevice>& device) = 0;

    // A softphone appeared or changed status.
    virtual void updateSoftphoneInfo(const QString& name, qint32 softphoneStatus) = 0;

    // Outcome of an update check: 0 update available, 1 none, 4 the check failed.
    virtual void sendCheckForUpdateStatus(qint32 status) = 0;

    // Result of an update check: the component update list (a QVariantList of
    // component entries, possibly empty) or an invalid QVariant when absent, and
    // whether the user asked for the check.
    virtual void sendUpdatedComponentList(const QVariant& list, bool isManualCheckUpdate) = 0;

protected:
    zorva_application_service_delegate() = default;
    zorva_application_service_delegate(const zorva_application_service_delegate&) = default;
    zorva_application_service_delegate&
    operator=(const zorva_application_service_delegate&) = default;
};
