// The rules that turn UPower's device properties into what the status item shows,
// and the service on private buses (python3-dbusmock plays UPower on a stand-in
// system bus).

#include "Platform/DBusContract.h"
#include "ZorvaUIProject/Common/HVDisObj.h"
#include "service/UPowerHeadsets.h"
#include "support/MockUPower.h"

#include <gtest/gtest.h>
#include <limits>
#include <signal.h>

using namespace Qt::StringLiterals;

using namespace upower;

namespace {

DeviceProperties headset(double percentage, quint32 state = 2, quint32 warning = level::kNone) {
    DeviceProperties device;
    device.type = kind::kHeadset;
    device.model = u"Zorva Quillo 40"_s;
    device.serial = u"AA:BB:CC:DD:EE:01"_s;
    device.percentage = percentage;
    device.state = state;
    device.warningLevel = warning;
    return device;
}

struct RecordCase {
    const char* what;
    DeviceProperties device;
    std::optional<HeadsetRecord> expected;
};

HeadsetRecord quillo(qint32 percent, bool charging = false, bool low = false) {
    return {u"Zorva Quillo 40"_s, 0xAABBCCDDEE01ULL, percent, charging, low};
}

} // namespace

TEST(UPowerHeadsets, RecordsFromDeviceProperties) {
    const auto with = [](DeviceProperties device, auto change) {
        change(device);
        return device;
    };
    const DeviceProperties headphones = with(DeviceProperties{}, [](auto& d) {
        d.type = kind::kHeadphones;
        d.vendor = u" Zorva Mellin "_s;
        d.nativePath = u"/org/bluez/hci0/dev_00_1A_7D_DA_71_13"_s;
        d.percentage = 100;
        d.state = 4; // fully charged: on the charger but not charging
    });
    const RecordCase cases[] = {
        {"discharging, rounded", headset(54.6), quillo(55)},
        {"charging", headset(20, state::kCharging), quillo(20, true)},
        {"warning low", headset(9, 2, level::kLow), quillo(9, false, true)},
        {"warning critical", headset(3, 2, level::kCritical), quillo(3, false, true)},
        {"warning discharging is not low", headset(30, 2, 2), quillo(30)},
        {"above 100", headset(150), quillo(100)},
        {"not a number", headset(std::numeric_limits<double>::quiet_NaN()), quillo(0)},
        // clang-format off
        {"coarse level full", with(headset(0), [](auto& d) { d.batteryLevel = level::kFull; }), quillo(100)},
        {"coarse level low", with(headset(90), [](auto& d) { d.batteryLevel = level::kLow; }), quillo(20)},
        {"level none uses the percentage", with(headset(42.4), [](auto& d) { d.batteryLevel = level::kNone; }), quillo(42)},
        {"headphones, vendor as name, address from the native path", headphones, HeadsetRecord{u"Zorva Mellin"_s, 0x001A7DDA7113ULL, 100, false, false}},
        {"no model or vendor", with(headphones, [](auto& d) { d.vendor.clear(); }), HeadsetRecord{u"Headphones"_s, 0x001A7DDA7113ULL, 100, false, false}},
        {"mouse", with(headset(50), [](auto& d) { d.type = kind::kMouse; }), std::nullopt},
        {"not present", with(headset(50), [](auto& d) { d.isPresent = false; }), std::nullopt},
        // clang-format on
    };
    for (const RecordCase& c : cases) {
        EXPECT_EQ(headsetRecordFor(c.device, u"/dev/x"_s), c.expected) << c.what;
    }
}

TEST(UPowerHeadsets, LocationIDsStayWithTheDeviceAndTellDevicesApart) {
    DeviceProperties usb = headset(50);
    usb.nativePath = u"hidpp_battery_3"_s;
    DeviceProperties moved = usb, other = usb, noSerial = usb;
    moved.nativePath = u"hidpp_battery_7"_s;
    other.serial = u"ZQ-0043"_s;
    noSerial.serial.clear();
    const quint64 lid = locationIDFor(usb, u"/a"_s);
    EXPECT_EQ(locationIDFor(moved, u"/b"_s), lid) << "serial first";
    EXPECT_NE(locationIDFor(other, u"/a"_s), lid);
    EXPECT_NE(locationIDFor(noSerial, u"/a"_s), lid) << "then the native path";
    const DeviceProperties none;
    EXPECT_NE(locationIDFor(none, u"/a"_s), locationIDFor(none, u"/b"_s)) << "then the object path";
}

TEST(UPowerHeadsets, CallbacksOnlyWhenWhatIsShownChanges) {
    const HeadsetRecord base = quillo(55);
    HeadsetRecord renamed = base;
    renamed.name = u"Zorva Quillo 40 II"_s;
    struct Case {
        const char* what;
        std::optional<HeadsetRecord> before, after;
        std::vector<ShownChange> expected;
    };
    const Case cases[] = {
        {"nothing to nothing", std::nullopt, std::nullopt, {}},
        {"goes", base, std::nullopt, {{Callback::Detach, base}}},
        {"percent", base, quillo(54), {{Callback::Battery, quillo(54)}}},
        {"low", base, quillo(55, false, true), {{Callback::Battery, quillo(55, false, true)}}},
        // clang-format off
        {"renamed", base, renamed, {{Callback::Detach, base}, {Callback::Attach, renamed}, {Callback::Battery, renamed}}},
        // clang-format on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shownChanges(c.before, c.after), c.expected) << c.what;
    }
}

TEST(UPowerHeadsets, PropertiesOfTheWrongTypeAreLeftOut) {
    DeviceProperties device = headset(40);
    QStringList rejected;
    device.apply({{u"Percentage"_s, u"80"_s},
                  {u"Type"_s, QVariant::fromValue(qint32(19))},
                  {u"State"_s, QVariant::fromValue(quint32(1))},
                  {u"Voltage"_s, 3.9}},
                 &rejected);
    EXPECT_EQ(device.percentage, 40);
    EXPECT_EQ(device.type, kind::kHeadset);
    EXPECT_EQ(device.state, state::kCharging);
    rejected.sort();
    EXPECT_EQ(rejected, (QStringList{u"Percentage"_s, u"Type"_s}));
}

TEST(DeviceService, FirstRequestStartsTheInstalledServiceAndGetsEveryHeadset) {
    testsupport::MockUPower upower;
    ASSERT_TRUE(upower.start()) << qPrintable(upower.errors());
    ASSERT_FALSE(upower.addHeadsets().isEmpty());

    // UPower answering garbage: a device whose properties have the wrong types.
    ASSERT_FALSE(
        upower.addDevice(u"g1"_s, {{u"Type"_s, u"17"_s}, {u"Percentage"_s, true}}).isEmpty());

    QTemporaryDir services;
    ASSERT_TRUE(testsupport::writeFile(
        services.filePath(u"com.zorva.ZorvaDeviceService.service"_s),
        "[D-BUS Service]\nName=com.zorva.ZorvaDeviceService\nExec=" ZORVA_DEVICE_SERVICE
        " --quiet\n"));
    testsupport::stage::PrivateBus session(
        services.path(), upower.environment(QProcessEnvironment::systemEnvironment()));
    ASSERT_TRUE(session.ok());
    ASSERT_FALSE(session.connection()
                     .interface()
                     ->isServiceRegistered(platform::contract::kServiceBusName)
                     .value());

    // The two headsets, not the mouse nor the device of wrong types.
    HVDisObj client(session.connection());
    EXPECT_EQ(client.getDeviceInfoFromApplicationService(HVDisObj::kServiceName).toList().size(),
              2);

    const QDBusReply<uint> pid =
        session.connection().interface()->servicePid(platform::contract::kServiceBusName);
    ASSERT_TRUE(pid.isValid());
    ::kill(pid.value(), SIGTERM);
}
