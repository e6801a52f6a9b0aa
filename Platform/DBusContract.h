#pragma once

#include <QString>

// Names of the two endpoints that link the status item and the device service on
// the session bus, and of the bus-wide notification signal. docs/device-service-dbus.md
// describes the contract; Platform/dbus/*.xml are the interfaces.
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

} // namespace platform::contract
