// The UPower-backed device service on private buses: python3-dbusmock plays
// UPower on a stand-in system bus; the session bus is the test's own.

#include "Platform/DBusContract.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVDisObj.h"
#include "support/MockUPower.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusVirtualObject>
#include <QThread>
#include <gtest/gtest.h>
#include <signal.h>

using namespace Qt::StringLiterals;

using testsupport::MockUPower;
using testsupport::waitFor;
using testsupport::stage::PrivateBus;

namespace {

const QString kService = QStringLiteral(ZORVA_DEVICE_SERVICE);

// A stand-in for the status item's callback endpoint: records every callback
// (member and arguments) and answers it.
class RecordingStatusServer : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        calls.append(message);
        connection.send(message.createReply());
        return true;
    }
    QStringList members() const {
        QStringList names;
        for (const QDBusMessage& call : calls) {
            names << call.member();
        }
        return names;
    }
    QList<QDBusMessage> calls;
};

const QString kAttach =
    u"updateDeviceInfo_productID_locatonID_deviceState_currentFWVer_headSetType"_s;
const QString kBattery = u"updateHeadsetBatteryInfo"_s;
const QString kReset = u"resetDeviceSoftphoneInfo"_s;

HVDevicePtr deviceOf(const QDBusMessage& batteryCall) {
    return platform::unarchiveObjectWithData(batteryCall.arguments().value(0).toByteArray())
        .value<HVDevicePtr>();
}

class DeviceService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(upower.busOk()) << "no private dbus-daemon";
        ASSERT_TRUE(upower.start()) << qPrintable(upower.errors());
    }

    MockUPower upower;
};

} // namespace

TEST_F(DeviceService, FirstRequestStartsTheInstalledServiceAndGetsEveryHeadset) {
    ASSERT_FALSE(upower.addHeadsets().isEmpty());

    // UPower answering garbage: a device whose properties have the wrong types.
    ASSERT_FALSE(
        upower.addDevice(u"g1"_s, {{u"Type"_s, u"17"_s}, {u"Percentage"_s, true}}).isEmpty());

    QTemporaryDir services;
    ASSERT_TRUE(testsupport::writeFile(services.filePath(u"com.zorva.ZorvaDeviceService.service"_s),
                                       "[D-BUS Service]\nName=com.zorva.ZorvaDeviceService\nExec=" +
                                           kService.toUtf8() + " --quiet\n"));
    PrivateBus session(services.path(),
                       upower.environment(QProcessEnvironment::systemEnvironment()));
    ASSERT_TRUE(session.ok());
    ASSERT_FALSE(session.connection()
                     .interface()
                     ->isServiceRegistered(platform::contract::kServiceBusName)
                     .value());

    HVDisObj client(session.connection());
    const QVariantList devices =
        client.getDeviceInfoFromApplicationService(HVDisObj::kServiceName).toList();
    QStringList names;
    for (const QVariant& device : devices) {
        names << device.value<HVDevicePtr>()->name();
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{u"Zorva Mellin 7"_s, u"Zorva Quillo 40"_s}));

    const QDBusReply<uint> pid =
        session.connection().interface()->servicePid(platform::contract::kServiceBusName);
    ASSERT_TRUE(pid.isValid());
    ::kill(pid.value(), SIGTERM);
}

TEST_F(DeviceService, NoCallbackUnlessWhatTheStatusItemShowsChanges) {
    const QString path =
        upower.addBluetoothDevice(u"h1"_s, 17, u"Zorva Quillo 40"_s, 55, u"AA:BB:CC:DD:EE:01"_s);
    ASSERT_FALSE(path.isEmpty());
    PrivateBus session;
    ASSERT_TRUE(session.ok());
    RecordingStatusServer status;
    QDBusConnection bus = session.connection();
    ASSERT_TRUE(bus.registerVirtualObject(platform::contract::kStatusPath, &status));
    ASSERT_TRUE(bus.registerService(platform::contract::kStatusBusName));

    QProcessEnvironment env = upower.environment(QProcessEnvironment::systemEnvironment());
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, session.address());
    testsupport::stage::Child service;
    ASSERT_TRUE(service.start(kService, {}, env));
    // At start: the headset, then the request to read the lists again.
    ASSERT_TRUE(waitFor([&] { return status.calls.size() >= 3; }))
        << qPrintable(status.members().join(u' '));

    const QStringList atStart{kAttach, kBattery, kReset};
    ASSERT_EQ(status.members().join(u' '), atStart.join(u' '));

    // Nothing the menu shows: energy, times, voltage, a percentage that rounds
    // the same, a state that is not charging either.
    // (State 6 is pending discharge.)
    const std::pair<const char*, QVariant> unshown[] = {
        // clang-format off
        {"Energy", 54.5}, {"TimeToEmpty", QVariant::fromValue(qint64(7200))}, {"Voltage", 3.81}, {"Percentage", 55.3},
        {"State", QVariant::fromValue(quint32(6))}, {"WarningLevel", QVariant::fromValue(quint32(2))},
        {"UpdateTime", QVariant::fromValue(quint64(1765000000))},
        // clang-format on
    };
    for (const auto& [name, value] : unshown) {
        ASSERT_TRUE(upower.setProperties(path, {{QLatin1String(name), value}})) << name;
    }
    // A change that shows comes after them on the same road: when it arrives,
    // any callback for the ones before would have arrived first.
    ASSERT_TRUE(upower.setProperties(path, {{u"Percentage"_s, 80.0}}));
    ASSERT_TRUE(waitFor([&] { return status.calls.size() > atStart.size(); }));
    QThread::msleep(100);
    QCoreApplication::processEvents();
    ASSERT_EQ(status.members().join(u' '), (atStart + QStringList{kBattery}).join(u' '));
    const HVDevicePtr device = deviceOf(status.calls.last());
    ASSERT_TRUE(device && device->batteryInfo());
    EXPECT_EQ(device->batteryInfo()->hsBatteryPCT(), 80);
    EXPECT_EQ(device->name(), u"Zorva Quillo 40"_s);
}
