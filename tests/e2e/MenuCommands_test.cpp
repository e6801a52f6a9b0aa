// The menu commands of the running status item, clicked through our tray as a
// user would: a manual update check that opens the update window, whose Update
// button starts a stub firmware updater, and the settings pane opened by "Open
// Zorva" and by the window's settings button. The windows are seen and pressed
// through ZORVA_WINDOW_RECORD.

#include "MenuLayout.h"
#include "Platform/DistributedNotificationCenter.h"
#include "Platform/plist/PropertyList.h"
#include "StatusNotifierWatcher.h"
#include "TrayItem.h"
#include "support/Stage.h"
#include "support/TestSupport.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace trayhost;
namespace stage = testsupport::stage;

namespace {

const char* const kScenario = R"({
  "softphones": [{"name": "Skype", "state": 1}],
  "updateAvailable": "TRUE",
  "componentList": [
    {"componentNameKey": "Zorva Quillo 40", "currentVersionKey": "1.0",
     "AvailableVersionKey": "1.1", "ProdIdKey": "HV0A01", "LocIdKey": 5,
     "UpdateStatusKey": 0, "UpdateForHeadset": "TRUE"}
  ],
  "manualCheck": "none",
  "autoCheck": "none"
})";

const char* const kPreferences = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>zorvaStatusMenu</key>
	<string>TRUE</string>
</dict>
</plist>
)";

// A bundle whose executable is a shell script.
bool makeScriptBundle(const QString& bundle, const QString& executable, QVariantMap info,
                      const QByteArray& script) {
    const QString path = bundle + QStringLiteral("/Contents/MacOS/") + executable;
    info.insert(QStringLiteral("CFBundleExecutable"), executable);
    return testsupport::writeFile(path, "#!/bin/sh\n" + script) &&
           QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner) &&
           platform::plist::writeFile(bundle + QStringLiteral("/Contents/Info.plist"), info);
}

QStringList lines(const QString& path) {
    return QString::fromUtf8(testsupport::readFile(path)).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(MenuCommandsEndToEnd, CheckUpdateWindowUpdaterAndSettingsPane) {
    stage::PrivateBus bus;
    ASSERT_TRUE(bus.ok()) << "no private dbus-daemon";
    stage::VirtualScreen screen;
    if (!screen.ok()) {
        GTEST_SKIP() << "no X server for the tray: " << qPrintable(screen.error());
    }
    testsupport::ScopedSandbox sandbox;
    QTemporaryDir dir;
    const QString windows = dir.filePath(QStringLiteral("windows"));
    const QString updaterArgs = dir.filePath(QStringLiteral("updater.args"));
    const QString paneLog = dir.filePath(QStringLiteral("pane.log"));
    ASSERT_TRUE(testsupport::writeFile(
        sandbox.home(QStringLiteral("Library/Preferences/com.zorva.prefsettings.plist")),
        kPreferences));
    ASSERT_TRUE(testsupport::writeFile(dir.filePath(QStringLiteral("scenario.json")), kScenario));
    // The updater writes its arguments one per line; the pane notes each start and
    // then listens to the session's notifications for a while.
    ASSERT_TRUE(makeScriptBundle(
        sandbox.system(QStringLiteral("Applications/Zorva Firmware Updater.app")),
        QStringLiteral("Zorva Firmware Updater"), {},
        QStringLiteral("printf '%s\\n' \"$@\" > '%1'\n").arg(updaterArgs).toUtf8()));
    ASSERT_TRUE(makeScriptBundle(
        sandbox.home(QStringLiteral("Library/PreferencePanes/Zorva Suite for Mac.prefPane")),
        QStringLiteral("Zorva Pane"),
        {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.hvlabs.Zorva")}},
        QStringLiteral("echo started >> '%1'\nexec timeout 20 dbus-monitor --session "
                       "\"type='signal',member='Posted'\" >> '%1'\n")
            .arg(paneLog)
            .toUtf8()));

    QProcessEnvironment env = stage::childEnvironment(bus, screen);
    env.insert(QStringLiteral("ZORVA_WINDOW_RECORD"), windows);
    StatusNotifierWatcher watcher(bus.connection());
    ASSERT_TRUE(watcher.start()) << qPrintable(watcher.errorString());
    QSignalSpy registered(&watcher, &StatusNotifierWatcher::itemRegistered);
    QStringList posted; // "ZORVAERRORNOTIFICATION" objects, as this test receives them
    platform::DistributedNotificationCenter center(bus.connection());
    center.addObserver(
        QStringLiteral("ZORVAERRORNOTIFICATION"),
        [&](const QString&, const QVariant& object) { posted << object.toString(); });

    const QString sim = stage::binary("tools/zorva-device-sim/zorva-device-sim");
    stage::Child simulator;
    ASSERT_TRUE(simulator.start(
        sim, {QStringLiteral("--scenario"), dir.filePath(QStringLiteral("scenario.json"))}, env));
    ASSERT_TRUE(stage::waitFor([&] {
        return bus.connection().interface()->isServiceRegistered(
            QStringLiteral("com.zorva.ZorvaDeviceService"));
    })) << qPrintable(simulator.errors());
    stage::Child app;
    ASSERT_TRUE(app.start(QStringLiteral(ZORVA_BUNDLE_PATH "/Contents/MacOS/Zorva menu bar item"),
                          {}, env));
    ASSERT_TRUE(stage::waitFor([&] { return registered.count() > 0; })) << qPrintable(app.errors());
    TrayItem item(bus.connection(), registered.at(0).at(0).toString(),
                  registered.at(0).at(1).toString());
    auto entry = [&](const QString& label) -> std::optional<MenuEntry> {
        const auto layout = item.readLayout();
        const MenuEntry* found = layout ? findByLabel(*layout, label) : nullptr;
        return found ? std::optional<MenuEntry>(*found) : std::nullopt;
    };
    // Waits for the n-th recorded window and answers its line.
    auto recordedWindow = [&](int n) {
        QStringList recorded;
        stage::waitFor([&] {
            recorded = lines(windows + QStringLiteral("/windows.txt"));
            return recorded.size() >= n;
        });
        return recorded.value(n - 1);
    };
    auto press = [&](const QString& line, const QByteArray& button) {
        return testsupport::writeFile(
            windows + u'/' + line.section(u'|', 0, 0) + QStringLiteral(".press"), button);
    };
    QString error;

    // "Check for updates": the item reads "Checking..." and is disabled until the
    // service answers; the answer opens the window, and "Update" starts the updater.
    ASSERT_TRUE(
        stage::waitFor([&] { return entry(QStringLiteral("Check for updates")).has_value(); }));
    ASSERT_TRUE(item.click(QStringLiteral("Check for updates"), &error)) << qPrintable(error);
    ASSERT_TRUE(stage::waitFor([&] { return entry(QStringLiteral("Checking...")).has_value(); }));
    EXPECT_FALSE(entry(QStringLiteral("Checking..."))->enabled);
    stage::Child answer; // the service's answer to the manual check
    ASSERT_TRUE(answer.start(
        sim, {QStringLiteral("send"), QStringLiteral("components"), QStringLiteral("manual")},
        env));
    ASSERT_TRUE(answer.process().waitForFinished(30000));
    EXPECT_EQ(answer.process().exitCode(), 0) << qPrintable(answer.errors());
    const QString checked = recordedWindow(1);
    ASSERT_TRUE(checked.contains(QStringLiteral("update-window|"))) << qPrintable(checked);
    EXPECT_TRUE(checked.endsWith(QStringLiteral("|Zorva Quillo 40")));
    EXPECT_TRUE(
        stage::waitFor([&] { return entry(QStringLiteral("Check for updates")).has_value(); }));
    ASSERT_TRUE(press(checked, "Update"));
    ASSERT_TRUE(stage::waitFor([&] { return QFile::exists(updaterArgs); }));
    EXPECT_TRUE(stage::waitFor([&] {
        return lines(updaterArgs) ==
               QStringList{QStringLiteral("UpdateForHeadset"), QStringLiteral("Zorva Quillo 40")};
    })) << qPrintable(lines(updaterArgs).join(u','));

    // "Open Zorva" starts the pane and posts nothing.
    ASSERT_TRUE(item.click(QStringLiteral("Open Zorva"), &error)) << qPrintable(error);
    ASSERT_TRUE(stage::waitFor([&] { return lines(paneLog).contains(QStringLiteral("started")); }));

    // "Update Available" opens the window with the settings button; that button
    // starts the pane again and posts "1" 0.35 s later, which the pane receives.
    ASSERT_TRUE(item.click(QStringLiteral("Update Available"), &error)) << qPrintable(error);
    const QString offered = recordedWindow(2);
    ASSERT_TRUE(offered.contains(QStringLiteral("update-window|"))) << qPrintable(offered);
    ASSERT_TRUE(press(offered, "Zorva settings"));
    ASSERT_TRUE(stage::waitFor([&] { return posted.contains(QStringLiteral("1")); }));
    EXPECT_EQ(posted, QStringList{QStringLiteral("1")});
    EXPECT_TRUE(stage::waitFor([&] {
        const QString log = QString::fromUtf8(testsupport::readFile(paneLog));
        return log.count(QStringLiteral("started")) == 2 &&
               log.contains(QStringLiteral("ZORVAERRORNOTIFICATION"));
    })) << qPrintable(QString::fromUtf8(testsupport::readFile(paneLog)));

    app.stopNow();
}
