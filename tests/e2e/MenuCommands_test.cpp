// The menu commands of the running status item, clicked through our tray as a
// user would: a manual update check that opens the update window, whose Update
// button starts a stub firmware updater, and the settings pane opened by "Open
// Zorva" and by the window's settings button. The windows are seen and pressed
// through ZORVA_WINDOW_RECORD.

#include "Platform/DistributedNotificationCenter.h"
#include "Platform/plist/PropertyList.h"
#include "support/Stage.h"

using namespace Qt::StringLiterals;

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

// A bundle whose executable is a shell script.
bool makeScriptBundle(const QString& bundle, const QString& executable, QVariantMap info,
                      const QByteArray& script) {
    const QString path = bundle + u"/Contents/MacOS/"_s + executable;
    info.insert(u"CFBundleExecutable"_s, executable);
    return testsupport::writeFile(path, "#!/bin/sh\n" + script) &&
           QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner) &&
           platform::plist::writeFile(bundle + u"/Contents/Info.plist"_s, info);
}

QStringList lines(const QString& path) {
    return QString::fromUtf8(testsupport::readFile(path)).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

using MenuCommandsEndToEnd = stage::StageTest;

TEST_F(MenuCommandsEndToEnd, CheckUpdateWindowUpdaterAndSettingsPane) {
    const QString windows = stage.file(u"windows"_s);
    const QString updaterArgs = stage.file(u"updater.args"_s);
    const QString paneLog = stage.file(u"pane.log"_s);
    ASSERT_TRUE(testsupport::writeFile(stage.file(u"scenario.json"_s), kScenario));
    // The updater writes its arguments one per line; the pane notes each start and
    // then listens to the session's notifications for a while.
    ASSERT_TRUE(makeScriptBundle(stage.sandbox.system(u"Applications/Zorva Firmware Updater.app"_s),
                                 u"Zorva Firmware Updater"_s, {},
                                 u"printf '%s\\n' \"$@\" > '%1'\n"_s.arg(updaterArgs).toUtf8()));
    ASSERT_TRUE(makeScriptBundle(
        stage.sandbox.home(u"Library/PreferencePanes/Zorva Suite for Mac.prefPane"_s),
        u"Zorva Pane"_s, {{u"CFBundleIdentifier"_s, u"com.hvlabs.Zorva"_s}},
        QStringLiteral("echo started >> '%1'\nexec timeout 20 dbus-monitor --session "
                       "\"type='signal',member='Posted'\" >> '%1'\n")
            .arg(paneLog)
            .toUtf8()));

    stage.env.insert(u"ZORVA_WINDOW_RECORD"_s, windows);
    QStringList posted; // "ZORVAERRORNOTIFICATION" objects, as this test receives them
    platform::DistributedNotificationCenter center(stage.bus.connection());
    center.addObserver(u"ZORVAERRORNOTIFICATION"_s, [&](const QString&, const QVariant& object) {
        posted << object.toString();
    });
    ASSERT_TRUE(stage.startService(stage::simulatorProgram(),
                                   {u"--scenario"_s, stage.file(u"scenario.json"_s)}))
        << qPrintable(stage.error());
    const auto item = stage.startItem(stage.app);
    ASSERT_TRUE(item) << qPrintable(stage.error());
    auto entry = [&](const QString& label) -> std::optional<MenuEntry> {
        const auto layout = item->readLayout();
        const MenuEntry* found = layout ? findByLabel(*layout, label) : nullptr;
        return found ? std::optional<MenuEntry>(*found) : std::nullopt;
    };
    // Waits for the n-th recorded window and answers its line.
    auto recordedWindow = [&](int n) {
        QStringList recorded;
        stage::waitFor([&] {
            recorded = lines(windows + u"/windows.txt"_s);
            return recorded.size() >= n;
        });
        return recorded.value(n - 1);
    };
    auto press = [&](const QString& line, const QByteArray& button) {
        return testsupport::writeFile(windows + u'/' + line.section(u'|', 0, 0) + u".press"_s,
                                      button);
    };
    QString error;

    // "Check for updates": the item reads "Checking..." and is disabled until the
    // service answers; the answer opens the window, and "Update" starts the updater.
    ASSERT_TRUE(stage::waitFor([&] { return entry(u"Check for updates"_s).has_value(); }));
    ASSERT_TRUE(item->click(u"Check for updates"_s, &error)) << qPrintable(error);
    ASSERT_TRUE(stage::waitFor([&] { return entry(u"Checking..."_s).has_value(); }));
    EXPECT_FALSE(entry(u"Checking..."_s)->enabled);
    // The service's answer to the manual check.
    EXPECT_EQ(stage.send({u"components"_s, u"manual"_s}), 0);
    const QString checked = recordedWindow(1);
    ASSERT_TRUE(checked.contains(u"update-window|"_s)) << qPrintable(checked);
    EXPECT_TRUE(checked.endsWith(u"|Zorva Quillo 40"_s));
    EXPECT_TRUE(stage::waitFor([&] { return entry(u"Check for updates"_s).has_value(); }));
    ASSERT_TRUE(press(checked, "Update"));
    ASSERT_TRUE(stage::waitFor([&] { return QFile::exists(updaterArgs); }));
    EXPECT_TRUE(stage::waitFor([&] {
        return lines(updaterArgs) == QStringList{u"UpdateForHeadset"_s, u"Zorva Quillo 40"_s};
    })) << qPrintable(lines(updaterArgs).join(u','));

    // "Open Zorva" starts the pane and posts nothing.
    ASSERT_TRUE(item->click(u"Open Zorva"_s, &error)) << qPrintable(error);
    ASSERT_TRUE(stage::waitFor([&] { return lines(paneLog).contains(u"started"_s); }));

    // "Update Available" opens the window with the settings button; that button
    // starts the pane again and posts "1" 0.35 s later, which the pane receives.
    ASSERT_TRUE(item->click(u"Update Available"_s, &error)) << qPrintable(error);
    const QString offered = recordedWindow(2);
    ASSERT_TRUE(offered.contains(u"update-window|"_s)) << qPrintable(offered);
    ASSERT_TRUE(press(offered, "Zorva settings"));
    ASSERT_TRUE(stage::waitFor([&] { return posted.contains(u"1"_s); }));
    EXPECT_EQ(posted, QStringList{u"1"_s});
    EXPECT_TRUE(stage::waitFor([&] {
        const QString log = QString::fromUtf8(testsupport::readFile(paneLog));
        return log.count(u"started"_s) == 2 && log.contains(u"ZORVAERRORNOTIFICATION"_s);
    })) << qPrintable(QString::fromUtf8(testsupport::readFile(paneLog)));

    // A manual check answered without a list: the "up to date" alert, pressed away.
    ASSERT_TRUE(item->click(u"Check for updates"_s, &error)) << qPrintable(error);
    ASSERT_TRUE(stage::waitFor([&] { return entry(u"Checking..."_s).has_value(); }));
    EXPECT_EQ(stage.send({u"components"_s, u"manual"_s, u"absent"_s}), 0);
    const QString alert = recordedWindow(3);
    EXPECT_EQ(alert, u"3-alert|Zorva Suite for Mac|Software is up to date.||OK"_s);
    ASSERT_TRUE(press(alert, "OK"));
    EXPECT_TRUE(stage::waitFor([&] { return !QFile::exists(windows + u"/3-alert.press"_s); }));
}
