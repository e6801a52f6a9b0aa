// The status item seen from outside, as a desktop's tray sees it: the device
// service simulator and the status item on a private bus and X screen, our tray
// host registered first. Each callback the simulator sends must show in the menu
// read over dbusmenu, and in the trace file.

#include "MenuLayout.h"
#include "Platform/plist/PropertyList.h"
#include "StatusNotifierWatcher.h"
#include "TrayItem.h"
#include "support/HostileInputs.h"
#include "support/Stage.h"
#include "support/TestSupport.h"

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace trayhost;
namespace stage = testsupport::stage;

namespace {

const char* const kScenario = R"({
  "devices": [
    {"name": "Zorva Brindle 84", "productID": "HV0AC8", "locationID": 337641472,
     "firmwareVersion": "3.14", "headsetType": 2,
     "battery": {"productTypeId": "HV0AC8", "percent": 60, "charging": false, "low": false}}
  ],
  "softphones": [{"name": "Skype", "state": 1}],
  "updateAvailable": "FALSE",
  "componentList": null,
  "manualCheck": "none",
  "autoCheck": "none"
})";

const QString kApp = QStringLiteral(ZORVA_BUNDLE_PATH "/Contents/MacOS/Zorva menu bar item");

// The top rows with battery rows cut to the device name, so that a row reads
// "Zorva Brindle 84" whatever follows the name.
QStringList rows(const MenuEntry& menu) {
    QStringList labels = topLabels(menu);
    for (QString& label : labels) {
        const qsizetype gap = label.indexOf(QLatin1String("  "));
        if (gap > 0) {
            label.truncate(gap);
        }
    }
    return labels;
}

class StatusItemEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.ok()) << "no private dbus-daemon";
        if (!screen.ok()) {
            GTEST_SKIP() << "no X server for the tray: " << qPrintable(screen.error());
        }
        ASSERT_TRUE(testsupport::writeFile(
            sandbox.home(QStringLiteral("Library/Preferences/com.zorva.prefsettings.plist")),
            testsupport::kFullMenuPreferences));
        ASSERT_TRUE(dir.isValid());
        scenarioPath = dir.filePath(QStringLiteral("scenario.json"));
        ASSERT_TRUE(testsupport::writeFile(scenarioPath, kScenario));
        env = stage::childEnvironment(bus, screen);
    }

    // Runs "zorva-device-sim send ..." and answers its exit status.
    int send(const QStringList& arguments) {
        stage::Child client;
        if (!client.start(stage::binary("tools/zorva-device-sim/zorva-device-sim"),
                          QStringList{QStringLiteral("send")} + arguments, env)) {
            return -1;
        }
        if (!client.process().waitForFinished(30000)) {
            return -2;
        }
        return client.process().exitCode();
    }

    // Waits until the menu read over dbusmenu has exactly these rows.
    ::testing::AssertionResult menuBecomes(TrayItem& item, const QStringList& expected) {
        std::optional<MenuEntry> layout;
        const bool reached = stage::waitFor([&] {
            layout = item.readLayout();
            return layout && rows(*layout) == expected;
        });
        if (reached) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "expected rows: " << qPrintable(expected.join(QStringLiteral(" | ")))
               << "\nlast menu:\n"
               << (layout ? qPrintable(formatMenu(*layout)) : "(unreadable)");
    }

    QString iconDigest(TrayItem& item) {
        const auto summary = item.readSummary();
        return summary ? summary->iconDigest : QString();
    }

    stage::PrivateBus bus;
    stage::VirtualScreen screen;
    testsupport::ScopedSandbox sandbox;
    QTemporaryDir dir;
    QString scenarioPath;
    QProcessEnvironment env;
};

} // namespace

TEST_F(StatusItemEndToEnd, MenuFollowsEveryCallbackAndTheTraceFileRecordsThem) {
    StatusNotifierWatcher watcher(bus.connection());
    ASSERT_TRUE(watcher.start()) << qPrintable(watcher.errorString());
    QSignalSpy registered(&watcher, &StatusNotifierWatcher::itemRegistered);

    stage::Child simulator;
    ASSERT_TRUE(simulator.start(stage::binary("tools/zorva-device-sim/zorva-device-sim"),
                                {QStringLiteral("--scenario"), scenarioPath,
                                 QStringLiteral("--log"), dir.filePath(QStringLiteral("sim.log"))},
                                env));
    ASSERT_TRUE(stage::waitFor([&] {
        return bus.connection().interface()->isServiceRegistered(
            QStringLiteral("com.zorva.ZorvaDeviceService"));
    })) << qPrintable(simulator.errors());

    stage::Child app;
    ASSERT_TRUE(app.start(kApp, {}, env));
    ASSERT_TRUE(stage::waitFor([&] { return registered.count() > 0; }))
        << "the status item never registered with the tray: " << qPrintable(app.errors());
    TrayItem item(bus.connection(), registered.at(0).at(0).toString(),
                  registered.at(0).at(1).toString());

    const QStringList base{QStringLiteral("Zorva Brindle 84"), QStringLiteral("----"),
                           QStringLiteral("Skype"), QStringLiteral("----"), QStringLiteral("Help")};
    const QStringList tail{QStringLiteral("Check for updates"), QStringLiteral("Open Zorva")};
    ASSERT_TRUE(menuBecomes(item, base + tail));
    const auto first = item.readLayout();
    ASSERT_TRUE(first);
    const MenuEntry* brindle = nullptr;
    for (const MenuEntry& entry : first->children) {
        if (plainLabel(entry.label).startsWith(QLatin1String("Zorva Brindle 84"))) {
            brindle = &entry;
        }
    }
    ASSERT_NE(brindle, nullptr);
    EXPECT_EQ(plainLabel(brindle->label), QStringLiteral("Zorva Brindle 84  60%"));
    EXPECT_FALSE(brindle->iconData.isEmpty()) << "a battery row shows its level picture";
    EXPECT_TRUE(brindle->enabled) << "a device row is drawn enabled, in its colours";
    const MenuEntry* skype = findByLabel(*first, QStringLiteral("Skype"));
    ASSERT_NE(skype, nullptr);
    EXPECT_TRUE(skype->enabled);
    EXPECT_FALSE(skype->iconData.isEmpty()) << "the on-state mark shows as the icon";
    const QString normalIcon = iconDigest(item);
    EXPECT_FALSE(normalIcon.isEmpty());

    // Attach, then a low battery report for the new headset, then detach.
    ASSERT_EQ(
        send({QStringLiteral("attach"), QStringLiteral("Zorva Mirelo_65"), QStringLiteral("HV2A01"),
              QStringLiteral("340787200"), QStringLiteral("1.0.4"), QStringLiteral("1")}),
        0);
    QStringList withMirelo = base;
    withMirelo.insert(1, QStringLiteral("Zorva Mirelo_65"));
    ASSERT_TRUE(menuBecomes(item, withMirelo + tail));

    ASSERT_EQ(send({QStringLiteral("battery"), QStringLiteral("HV2A01"),
                    QStringLiteral("340787200"), QStringLiteral("15"), QStringLiteral("low")}),
              0);
    ASSERT_TRUE(stage::waitFor([&] {
        const auto layout = item.readLayout();
        return layout && findByLabel(*layout, QStringLiteral("Zorva Mirelo_65  15%"));
    }));
    ASSERT_TRUE(stage::waitFor([&] {
        const QString digest = iconDigest(item);
        return !digest.isEmpty() && digest != normalIcon;
    })) << "a low battery switches the tray icon";

    ASSERT_EQ(send({QStringLiteral("detach"), QStringLiteral("Zorva Mirelo_65"),
                    QStringLiteral("HV2A01"), QStringLiteral("340787200")}),
              0);
    ASSERT_TRUE(menuBecomes(item, base + tail));
    ASSERT_TRUE(stage::waitFor([&] { return iconDigest(item) == normalIcon; }));

    // Softphones: a new one sorts before "Skype"; state 7 hides one. Titles read
    // over dbusmenu as they stand, "&" and "_" included.
    ASSERT_EQ(send({QStringLiteral("softphone"),
                    QStringLiteral("Microsoft Lync & Skype for Business"), QStringLiteral("0")}),
              0);
    QStringList phones = base;
    phones.insert(2, QStringLiteral("Microsoft Lync & Skype for Business"));
    ASSERT_TRUE(menuBecomes(item, phones + tail));
    ASSERT_EQ(send({QStringLiteral("softphone"), QStringLiteral("Skype"), QStringLiteral("7")}), 0);
    QStringList hidden = base;
    hidden[2] = QStringLiteral("Microsoft Lync & Skype for Business");
    ASSERT_TRUE(menuBecomes(item, hidden + tail));

    // Update status: 0 brings "Update Available" (and its icon), 1 takes it away.
    ASSERT_EQ(send({QStringLiteral("update-status"), QStringLiteral("0")}), 0);
    ASSERT_TRUE(menuBecomes(item, hidden + QStringList{QStringLiteral("Update Available")} + tail));
    EXPECT_TRUE(stage::waitFor([&] { return iconDigest(item) != normalIcon; }));
    ASSERT_EQ(send({QStringLiteral("update-status"), QStringLiteral("1")}), 0);
    ASSERT_TRUE(menuBecomes(item, hidden + tail));

    // The trace file: the home folder followed by the bundle's "Trace File Location".
    // (The first start-up line goes out before these settings apply, so not here.)
    const auto info =
        platform::plist::readDictionary(QStringLiteral(ZORVA_BUNDLE_PATH "/Contents/Info.plist"));
    ASSERT_TRUE(info);
    const QString tracePath =
        sandbox.home() + info->value(QStringLiteral("Trace File Location")).toString();
    const QStringList expectedLines{
        QStringLiteral("Registered the HV Status APP server."),
        QStringLiteral("Populate Status Menu - Start"),
        QStringLiteral("updateDeviceInfo : Update Device Requested Zorva Mirelo_65"),
        QStringLiteral("New Device Added Zorva Mirelo_65"),
        QStringLiteral("updateHeadsetBatteryStatus : Found the DECT Device in the list"),
        QStringLiteral("updateDeviceInfo : Zorva Mirelo_65 Device Removed"),
        QStringLiteral(
            "updateSoftphoneInfo : Update Softphone Requested Microsoft Lync & Skype for Business"),
        QStringLiteral("New Softphone Added Microsoft Lync & Skype for Business"),
        QStringLiteral("Softphone Exists already"),
        QStringLiteral("Notify the Zorva Menu with : 0"),
        QStringLiteral("Update Not Available"),
        QStringLiteral("statusMenuUpdate : Update status menu."),
    };
    QString trace;
    const bool complete = stage::waitFor([&] {
        trace = QString::fromUtf8(testsupport::readFile(tracePath));
        for (const QString& line : expectedLines) {
            if (!trace.contains(line)) {
                return false;
            }
        }
        return true;
    });
    for (const QString& line : expectedLines) {
        EXPECT_TRUE(trace.contains(line))
            << "missing in " << qPrintable(tracePath) << ": " << qPrintable(line);
    }
    EXPECT_TRUE(complete);

    // A click through dbusmenu reaches the controller's menu command.
    QString error;
    ASSERT_TRUE(item.click(QStringLiteral("Check for updates"), &error)) << qPrintable(error);
    EXPECT_TRUE(stage::waitFor([&] {
        trace = QString::fromUtf8(testsupport::readFile(tracePath));
        return trace.contains(QLatin1String("Clicked Check For Update Manually"));
    })) << "the click left no trace line";
    EXPECT_FALSE(item.click(QStringLiteral("No such item"), &error));

    app.stopNow();
}

namespace {

struct HostileList {
    const char* name;
    QByteArray (*bytes)();
};

void PrintTo(const HostileList& list, std::ostream* os) {
    *os << list.name;
}

class HostileDeviceService : public StatusItemEndToEnd,
                             public ::testing::WithParamInterface<HostileList> {};

} // namespace

// A device service answering the device list with a hostile archive: the menu
// comes up without devices, in time, and callbacks are still answered.
TEST_P(HostileDeviceService, MenuShowsWithoutDevicesAndCallbacksAreAnswered) {
    const QByteArray scenario =
        R"({"softphones": [{"name": "Skype", "state": 1}], "updateAvailable": "FALSE",
            "componentList": null, "manualCheck": "none", "autoCheck": "none",
            "rawAnswers": {"getDeviceInfoFromAppService": ")" +
        GetParam().bytes().toBase64() + R"("}})";
    ASSERT_TRUE(testsupport::writeFile(scenarioPath, scenario));
    StatusNotifierWatcher watcher(bus.connection());
    ASSERT_TRUE(watcher.start()) << qPrintable(watcher.errorString());
    QSignalSpy registered(&watcher, &StatusNotifierWatcher::itemRegistered);
    stage::Child simulator;
    ASSERT_TRUE(simulator.start(stage::binary("tools/zorva-device-sim/zorva-device-sim"),
                                {QStringLiteral("--scenario"), scenarioPath}, env));
    ASSERT_TRUE(stage::waitFor([&] {
        return bus.connection().interface()->isServiceRegistered(
            QStringLiteral("com.zorva.ZorvaDeviceService"));
    })) << qPrintable(simulator.errors());

    QElapsedTimer sinceStart;
    sinceStart.start();
    stage::Child app;
    ASSERT_TRUE(app.start(kApp, {}, env));
    ASSERT_TRUE(stage::waitFor([&] { return registered.count() > 0; }, 5000))
        << "the status item never registered with the tray: " << qPrintable(app.errors());
    TrayItem item(bus.connection(), registered.at(0).at(0).toString(),
                  registered.at(0).at(1).toString());
    const QStringList tail{QStringLiteral("----"), QStringLiteral("Help"),
                           QStringLiteral("Check for updates"), QStringLiteral("Open Zorva")};
    std::optional<MenuEntry> layout;
    EXPECT_TRUE(stage::waitFor(
        [&] {
            layout = item.readLayout();
            return layout && rows(*layout) == QStringList{QStringLiteral("Skype")} + tail;
        },
        std::max<int>(0, 5000 - static_cast<int>(sinceStart.elapsed()))))
        << (layout ? qPrintable(formatMenu(*layout)) : "(unreadable)");

    ASSERT_EQ(
        send({QStringLiteral("softphone"), QStringLiteral("Cisco Jabber"), QStringLiteral("0")}),
        0);
    EXPECT_TRUE(menuBecomes(
        item, QStringList{QStringLiteral("Cisco Jabber"), QStringLiteral("Skype")} + tail));
    app.stopNow();
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, HostileDeviceService,
    ::testing::Values(
        HostileList{"deep_xml", [] { return testsupport::closingsHiddenIn("<!--", "-->"); }},
        HostileList{"nested_batteries", [] { return testsupport::nestedDeviceLists(6, 8); }},
        HostileList{"long_object_table", [] { return testsupport::longObjectTable(5000000); }}));
