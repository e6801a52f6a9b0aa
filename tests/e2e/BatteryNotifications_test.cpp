// The battery at a glance, seen from outside: the simulator reports batteries to
// the status item on a private bus whose notification server is python3-dbusmock's
// notification-daemon template. The Notify calls come from the mock's call log,
// the tool tip from the item's ToolTip property.

#include "Platform/Bundle.h"
#include "StatusNotifierWatcher.h"
#include "TrayItem.h"
#include "support/MockUPower.h"
#include "support/Stage.h"
#include "support/TestSupport.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
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
  "softphones": [], "updateAvailable": "FALSE", "componentList": null,
  "manualCheck": "none", "autoCheck": "none"
})";

const char* const kNotificationsOff = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
  <key>zorvaStatusMenu</key><string>TRUE</string>
  <key>Low Battery Notifications</key><false/>
</dict></plist>
)";

const QString kApp = QStringLiteral(ZORVA_BUNDLE_PATH "/Contents/MacOS/Zorva menu bar item");
const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");

struct NotifyCall {
    QString appName;
    quint32 replacesId = 0;
    QString appIcon, summary, body;
    QVariantMap hints;
};

class BatteryNotificationsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.ok()) << "no private dbus-daemon";
        if (!screen.ok()) {
            GTEST_SKIP() << "no X server for the tray: " << qPrintable(screen.error());
        }
        ASSERT_TRUE(dir.isValid());
        scenarioPath = dir.filePath(QStringLiteral("scenario.json"));
        ASSERT_TRUE(testsupport::writeFile(scenarioPath, kScenario));
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        env.insert(QStringLiteral("DISPLAY"), screen.display());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }

    void writePreferences(const char* plist) {
        ASSERT_TRUE(testsupport::writeFile(
            sandbox.home(QStringLiteral("Library/Preferences/com.zorva.prefsettings.plist")),
            plist));
    }

    bool serverOnBus(bool wanted) {
        return stage::waitFor([&] {
            return bus.connection().interface()->isServiceRegistered(kNotifications).value() ==
                   wanted;
        });
    }

    void startServer() {
        ASSERT_TRUE(
            server.start(QStringLiteral("/usr/bin/python3"),
                         {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                          QStringLiteral("--template"), QStringLiteral("notification_daemon")},
                         env));
        ASSERT_TRUE(serverOnBus(true)) << qPrintable(server.errors());
    }

    // The simulator, then the status item, registered with our watcher.
    void startItem() {
        watcher = std::make_unique<StatusNotifierWatcher>(bus.connection());
        ASSERT_TRUE(watcher->start()) << qPrintable(watcher->errorString());
        QSignalSpy registered(watcher.get(), &StatusNotifierWatcher::itemRegistered);
        ASSERT_TRUE(simulator.start(stage::binary("tools/zorva-device-sim/zorva-device-sim"),
                                    {QStringLiteral("--scenario"), scenarioPath}, env));
        ASSERT_TRUE(stage::waitFor([&] {
            return bus.connection().interface()->isServiceRegistered(
                QStringLiteral("com.zorva.ZorvaDeviceService"));
        })) << qPrintable(simulator.errors());
        ASSERT_TRUE(app.start(kApp, {}, env));
        ASSERT_TRUE(stage::waitFor([&] { return registered.count() > 0; }))
            << "the status item never registered: " << qPrintable(app.errors());
        item = std::make_unique<TrayItem>(bus.connection(), registered.at(0).at(0).toString(),
                                          registered.at(0).at(1).toString());
    }

    int send(const QStringList& arguments) {
        stage::Child client;
        if (!client.start(stage::binary("tools/zorva-device-sim/zorva-device-sim"),
                          QStringList{QStringLiteral("send")} + arguments, env)) {
            return -1;
        }
        return client.process().waitForFinished(30000) ? client.process().exitCode() : -2;
    }
    int battery(const QStringList& arguments) {
        return send(QStringList{QStringLiteral("battery")} + arguments);
    }

    ::testing::AssertionResult toolTipBecomes(const QString& expected) {
        QString last;
        if (stage::waitFor([&] {
                const auto summary = item->readSummary();
                last = summary ? summary->toolTip : QStringLiteral("(no answer)");
                return last == expected;
            })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "tool tip: " << qPrintable(last);
    }

    // The mock's log of Notify calls, oldest first.
    std::vector<NotifyCall> notifyCalls() {
        QDBusMessage call = QDBusMessage::createMethodCall(
            kNotifications, QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetMethodCalls"));
        call << QStringLiteral("Notify");
        const QDBusMessage reply = bus.connection().call(call, QDBus::Block, 10000);
        std::vector<NotifyCall> calls;
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return calls;
        }
        const auto log = reply.arguments().at(0).value<QDBusArgument>();
        log.beginArray();
        while (!log.atEnd()) {
            quint64 time = 0;
            QVariantList args;
            log.beginStructure();
            log >> time >> args;
            log.endStructure();
            if (args.size() != 8) {
                continue;
            }
            calls.push_back({args[0].toString(), args[1].toUInt(), args[2].toString(),
                             args[3].toString(), args[4].toString(),
                             qdbus_cast<QVariantMap>(args[6].value<QDBusArgument>())});
        }
        log.endArray();
        return calls;
    }

    ::testing::AssertionResult callsReach(std::size_t count) {
        std::size_t seen = 0;
        if (stage::waitFor([&] { return (seen = notifyCalls().size()) >= count; })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << seen << " Notify calls, expected " << count;
    }

    testsupport::PrivateBusDaemon bus; // no activatable services: no real server can start
    stage::VirtualScreen screen;
    testsupport::ScopedSandbox sandbox;
    QTemporaryDir dir;
    QString scenarioPath;
    QProcessEnvironment env;
    std::unique_ptr<StatusNotifierWatcher> watcher;
    stage::Child server, simulator, app;
    std::unique_ptr<TrayItem> item;
};

const QString kBrindleLid = QStringLiteral("337641472");

} // namespace

TEST_F(BatteryNotificationsEndToEnd, OneNotificationPerLowEpisodeAndTheToolTipFollows) {
    writePreferences(testsupport::kFullMenuPreferences);
    startServer();
    startItem();
    ASSERT_TRUE(toolTipBecomes(QStringLiteral("Zorva / Zorva Brindle 84: 60%")));

    ASSERT_EQ(battery({QStringLiteral("HV0AC8"), kBrindleLid, QStringLiteral("15"),
                       QStringLiteral("low")}),
              0);
    ASSERT_TRUE(callsReach(1));
    ASSERT_TRUE(toolTipBecomes(QStringLiteral("Zorva / Zorva Brindle 84: 15%")));
    // Still low, then low while charging: nothing.
    ASSERT_EQ(battery({QStringLiteral("HV0AC8"), kBrindleLid, QStringLiteral("12"),
                       QStringLiteral("low")}),
              0);
    ASSERT_EQ(battery({QStringLiteral("HV0AC8"), kBrindleLid, QStringLiteral("13"),
                       QStringLiteral("charging"), QStringLiteral("low")}),
              0);
    ASSERT_TRUE(toolTipBecomes(QStringLiteral("Zorva / Zorva Brindle 84: 13%, charging")));
    // A second headset, low at once; two lines in the menu's order.
    ASSERT_EQ(send({QStringLiteral("attach"), QStringLiteral("Zorva Mirelo 65"),
                    QStringLiteral("HV2A01"), QStringLiteral("340787200")}),
              0);
    ASSERT_EQ(battery({QStringLiteral("HV2A01"), QStringLiteral("340787200"), QStringLiteral("9"),
                       QStringLiteral("low")}),
              0);
    ASSERT_TRUE(callsReach(2));
    ASSERT_TRUE(toolTipBecomes(
        QStringLiteral("Zorva / Zorva Brindle 84: 13%, charging\nZorva Mirelo 65: 9%")));
    // Detached and attached again while still low: nothing within the quiet period.
    ASSERT_EQ(send({QStringLiteral("detach"), QStringLiteral("Zorva Mirelo 65"),
                    QStringLiteral("HV2A01"), QStringLiteral("340787200")}),
              0);
    ASSERT_EQ(send({QStringLiteral("attach"), QStringLiteral("Zorva Mirelo 65"),
                    QStringLiteral("HV2A01"), QStringLiteral("340787200")}),
              0);
    ASSERT_EQ(battery({QStringLiteral("HV2A01"), QStringLiteral("340787200"), QStringLiteral("8"),
                       QStringLiteral("low")}),
              0);
    // Charged, now low again: a new episode, replacing the first notification.
    ASSERT_EQ(battery({QStringLiteral("HV0AC8"), kBrindleLid, QStringLiteral("14"),
                       QStringLiteral("low")}),
              0);
    ASSERT_TRUE(callsReach(3));

    const auto bundle = platform::Bundle::bundleWithPath(QStringLiteral(ZORVA_BUNDLE_PATH));
    ASSERT_TRUE(bundle);
    const QString picture =
        QUrl::fromLocalFile(
            bundle->pathForResource(QStringLiteral("Battery_Low"), QStringLiteral("png")))
            .toString();
    const auto calls = notifyCalls();
    ASSERT_EQ(calls.size(), 3u) << "one per episode, nothing more";
    const struct {
        QString summary, body;
        quint32 replacesId;
    } expected[] = {
        {"Zorva Brindle 84: battery low", "15% left. Charge the headset soon.", 0},
        {"Zorva Mirelo 65: battery low", "9% left. Charge the headset soon.", 0},
        {"Zorva Brindle 84: battery low", "14% left. Charge the headset soon.", 1},
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].summary, expected[i].summary) << i;
        EXPECT_EQ(calls[i].body, expected[i].body) << i;
        EXPECT_EQ(calls[i].replacesId, expected[i].replacesId) << i;
        EXPECT_EQ(calls[i].appName, QStringLiteral("Zorva menu bar item")) << i;
        EXPECT_EQ(calls[i].appIcon, QStringLiteral("com.zorva.ZorvaStatusMenu")) << i;
        EXPECT_EQ(calls[i].hints.value(QStringLiteral("image-path")).toString(), picture) << i;
        EXPECT_EQ(calls[i].hints.value(QStringLiteral("urgency")).toInt(), 2) << i;
    }

    // Without a notification server the item goes on, and says why in its trace.
    server.stopNow();
    ASSERT_TRUE(serverOnBus(false));
    ASSERT_EQ(battery({QStringLiteral("HV0AC8"), kBrindleLid, QStringLiteral("40")}), 0);
    ASSERT_EQ(battery({QStringLiteral("HV0AC8"), kBrindleLid, QStringLiteral("11"),
                       QStringLiteral("low")}),
              0);
    ASSERT_TRUE(
        toolTipBecomes(QStringLiteral("Zorva / Zorva Brindle 84: 11%\nZorva Mirelo 65: 8%")));
    const QString tracePath =
        sandbox.home(QStringLiteral("Library/Logs/Zorva/ZorvaStatusMenu.log"));
    EXPECT_TRUE(stage::waitFor([&] {
        return QString::fromUtf8(testsupport::readFile(tracePath))
            .contains(QLatin1String("not shown: org.freedesktop.DBus.Error.ServiceUnknown"));
    }));
    ASSERT_TRUE(item->sync(5000));
}

TEST_F(BatteryNotificationsEndToEnd, PreferenceOffPostsNothing) {
    writePreferences(kNotificationsOff);
    startServer();
    startItem();
    ASSERT_EQ(battery({QStringLiteral("HV0AC8"), kBrindleLid, QStringLiteral("15"),
                       QStringLiteral("low")}),
              0);
    ASSERT_TRUE(toolTipBecomes(QStringLiteral("Zorva / Zorva Brindle 84: 15%")));
    // A notification would have been sent with the rebuild that changed the tip;
    // give it time to reach the server.
    QThread::msleep(500);
    EXPECT_TRUE(notifyCalls().empty());
}
