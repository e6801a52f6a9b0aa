#pragma once

#include "support/Stage.h"

#include <QVariantMap>

namespace testsupport {

// UPower as python3-dbusmock's "upower" template plays it, on a private bus that
// stands for the system bus (programs find it through DBUS_SYSTEM_BUS_ADDRESS).
// Devices are added, changed and removed through the mock's own interface, with
// the DeviceAdded / DeviceRemoved / PropertiesChanged signals UPower sends.
class MockUPower {
public:
    MockUPower();
    ~MockUPower();
    MockUPower(const MockUPower&) = delete;
    MockUPower& operator=(const MockUPower&) = delete;

    // An environment whose system bus is this one.
    QProcessEnvironment environment(QProcessEnvironment base) const;

    // Starts the mock and waits until it owns org.freedesktop.UPower.
    bool start();
    // Ends the mock (UPower leaves the bus).
    void stop();
    // What went wrong: failed calls of the mock's interface, then the mock's own log.
    QString errors();

    // Adds /org/freedesktop/UPower/devices/<id> with these properties (Type,
    // Model, Percentage, State, WarningLevel, ...; typed as UPower types them)
    // and sends DeviceAdded. Answers the object path, empty on failure.
    QString addDevice(const QString& id, const QVariantMap& properties);
    // A present, discharging Bluetooth device number n (1-9) of this UPower type,
    // with serial number AA:BB:CC:DD:EE:0n. Answers its path, empty on failure.
    QString addBluetoothDevice(int n, quint32 type, const QString& model, double percentage);
    // The usual three: headset "Zorva Quillo 40" at 64 %, headphones "Zorva Mellin 7"
    // at 30 % and the mouse "Zorva Tappet" at 90 %. Answers the headset's path,
    // empty on failure.
    QString addHeadsets();
    bool setProperties(const QString& path, const QVariantMap& properties);
    bool removeDevice(const QString& path);

private:
    bool call(const QString& member, const QVariantList& arguments);

    stage::PrivateBus m_bus;
    QTemporaryDir m_log;
    QString m_errors;
    QProcess m_mock;
};

} // namespace testsupport
