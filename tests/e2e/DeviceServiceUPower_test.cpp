// The real road of a headset on a Linux desktop: UPower (python3-dbusmock's
// template on a stand-in system bus) → zorva-device-service → the status item →
// the menu our tray host reads over dbusmenu, on a private session bus and X screen.

#include "MenuLayout.h"
#include "StatusNotifierWatcher.h"
#include "TrayItem.h"
#include "support/MockUPower.h"
#include "support/Stage.h"
#include "support/TestSupport.h"

#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace trayhost;
namespace stage = testsupport::stage;

namespace {

const QString kApp = QStringLiteral(ZORVA_BUNDLE_PATH "/Contents/MacOS/Zorva menu bar item");
const QString kQuillo = QStringLiteral("Zorva Quillo 40");
const QString kMellin = QStringLiteral("Zorva Mellin 7");
const QStringList kTail{QStringLiteral("Help"), QStringLiteral("Check for updates"),
                        QStringLiteral("Open Zorva")};

// The device rows (labels before the first separator, sorted) and the rest.
QStringList rows(const MenuEntry& menu) {
    QStringList labels = topLabels(menu);
    const qsizetype separator = labels.indexOf(QStringLiteral("----"));
    if (separator > 0) {
        QStringList devices = labels.mid(0, separator);
        devices.sort();
        labels = devices + labels.mid(separator + 1);
    }
    return labels;
}

class DeviceServiceUPower : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.ok()) << "no private dbus-daemon";
        if (!screen.ok()) {
            GTEST_SKIP() << "no X server for the tray: " << qPrintable(screen.error());
        }
        ASSERT_TRUE(upower.busOk());
        ASSERT_TRUE(upower.start()) << qPrintable(upower.errors());
        ASSERT_TRUE(testsupport::writeFile(
            sandbox.home(QStringLiteral("Library/Preferences/com.zorva.prefsettings.plist")),
            testsupport::kFullMenuPreferences));
        env = upower.environment(stage::childEnvironment(bus, screen));
    }

    QString addHeadsets() {
        const QString quillo = upower.addBluetoothDevice(
            QStringLiteral("headset_quillo"), 17, kQuillo, 64, QStringLiteral("AA:BB:CC:DD:EE:01"));
        upower.addBluetoothDevice(QStringLiteral("headphones_mellin"), 19, kMellin, 30,
                                  QStringLiteral("AA:BB:CC:DD:EE:02"));
        upower.addBluetoothDevice(QStringLiteral("mouse_tappet"), 5, QStringLiteral("Zorva Tappet"),
                                  90, QStringLiteral("AA:BB:CC:DD:EE:03"));
        return quillo;
    }

    ::testing::AssertionResult menuBecomes(TrayItem& item, const QStringList& expected) {
        std::optional<MenuEntry> layout;
        if (stage::waitFor([&] {
                layout = item.readLayout();
                return layout && rows(*layout) == expected;
            })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "expected rows: " << qPrintable(expected.join(QStringLiteral(" | ")))
               << "\nlast menu:\n"
               << (layout ? qPrintable(formatMenu(*layout)) : "(unreadable)");
    }

    stage::PrivateBus bus;
    stage::VirtualScreen screen;
    testsupport::MockUPower upower;
    testsupport::ScopedSandbox sandbox;
    QProcessEnvironment env;
};

} // namespace

TEST_F(DeviceServiceUPower, HeadsetsFromUPowerReachTheMenuAndFollowIt) {
    QString quillo = addHeadsets();
    ASSERT_FALSE(quillo.isEmpty());

    StatusNotifierWatcher watcher(bus.connection());
    ASSERT_TRUE(watcher.start()) << qPrintable(watcher.errorString());
    QSignalSpy registered(&watcher, &StatusNotifierWatcher::itemRegistered);
    stage::Child service;
    ASSERT_TRUE(service.start(stage::binary("service/zorva-device-service"), {}, env));
    ASSERT_TRUE(stage::waitFor([&] {
        return bus.connection().interface()->isServiceRegistered(
            QStringLiteral("com.zorva.ZorvaDeviceService"));
    })) << qPrintable(service.errors());
    stage::Child app;
    ASSERT_TRUE(app.start(kApp, {}, env));
    ASSERT_TRUE(stage::waitFor([&] { return registered.count() > 0; }))
        << "the status item never registered with the tray: " << qPrintable(app.errors());
    TrayItem item(bus.connection(), registered.at(0).at(0).toString(),
                  registered.at(0).at(1).toString());

    // Two headsets and a mouse: the two headsets, with their battery views.
    const QStringList both{kMellin + QStringLiteral("  30%"), kQuillo + QStringLiteral("  64%")};
    ASSERT_TRUE(menuBecomes(item, both + kTail)) << qPrintable(service.errors());

    // A percentage change: the battery view follows.
    ASSERT_TRUE(upower.setProperties(quillo, {{QStringLiteral("Percentage"), 18.0}}));
    const QStringList low{kMellin + QStringLiteral("  30%"), kQuillo + QStringLiteral("  18%")};
    ASSERT_TRUE(menuBecomes(item, low + kTail));

    // A headset removed: detached.
    ASSERT_TRUE(upower.removeDevice(quillo));
    ASSERT_TRUE(menuBecomes(item, QStringList{kMellin + QStringLiteral("  30%")} + kTail));

    // UPower stops: no devices, the service keeps running; UPower back: devices back.
    upower.stop();
    ASSERT_TRUE(menuBecomes(item, kTail));
    EXPECT_EQ(service.process().state(), QProcess::Running) << qPrintable(service.errors());
    ASSERT_TRUE(upower.start()) << qPrintable(upower.errors());
    quillo = addHeadsets();
    ASSERT_TRUE(menuBecomes(item, both + kTail)) << qPrintable(service.errors());
    EXPECT_EQ(service.process().state(), QProcess::Running);

    app.stopNow();
    service.stopNow();
}
