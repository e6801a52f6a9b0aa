// The battery at a glance, seen from outside: the simulator reports batteries to
// the status item on a private bus whose notification server is python3-dbusmock's
// notification-daemon template. The Notify calls come from the mock's call log,
// the tool tip from the item's ToolTip property.

#include "Platform/Bundle.h"
#include "support/Stage.h"
#include "support/TestSupport.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QUrl>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
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

const QString kTip = u"Zorva / "_s;
const QString kNotifications = u"org.freedesktop.Notifications"_s;

// The bus activates nothing, so no notification server of the machine can start.
class BatteryNotificationsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { stage.require(); }

    // The full menu, with the low-battery notifications on or off.
    void writePreferences(bool notifications) {
        QByteArray plist(testsupport::kFullMenuPreferences);
        if (!notifications) {
            plist.replace("</dict>", "<key>Low Battery Notifications</key><false/></dict>");
        }
        ASSERT_TRUE(testsupport::writeFile(
            stage.sandbox.home(u"Library/Preferences/com.zorva.prefsettings.plist"_s), plist));
    }
    bool serverOnBus(bool wanted) {
        QDBusConnectionInterface* bus = stage.bus.connection().interface();
        return stage::waitFor([&] { return bus->isServiceRegistered(kNotifications) == wanted; });
    }
    // "zorva-device-sim send" with the arguments, separated by "|".
    void send(const char* arguments) {
        ASSERT_EQ(stage.send(QString::fromUtf8(arguments).split(u'|')), 0) << arguments;
    }
    ::testing::AssertionResult toolTipBecomes(const QString& expected) {
        QString last;
        if (stage::waitFor([&] {
                const auto summary = item->readSummary();
                return (last = summary ? summary->toolTip : QString()) == expected;
            })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "tool tip: " << qPrintable(last);
    }

    // The mock's log of Notify calls, oldest first, each as
    // "app_name|replaces_id|app_icon|summary|body|image-path|urgency".
    QStringList notifyCalls() {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kNotifications, u"/org/freedesktop/Notifications"_s,
                                           u"org.freedesktop.DBus.Mock"_s, u"GetMethodCalls"_s);
        call << u"Notify"_s;
        const QDBusMessage reply = stage.bus.connection().call(call, QDBus::Block, 10000);
        QStringList calls;
        if (reply.type() != QDBusMessage::ReplyMessage) {
            return calls;
        }
        const auto log = reply.arguments().value(0).value<QDBusArgument>();
        log.beginArray();
        while (!log.atEnd()) {
            quint64 time = 0;
            QVariantList args;
            log.beginStructure();
            log >> time >> args;
            log.endStructure();
            const auto hints = qdbus_cast<QVariantMap>(args.value(6).value<QDBusArgument>());
            QStringList fields;
            for (int i = 0; i < 5; ++i) {
                fields << args.value(i).toString();
            }
            calls << (fields << hints.value("image-path").toString()
                             << QString::number(hints.value("urgency").toInt()))
                         .join(u'|');
        }
        log.endArray();
        return calls;
    }
    bool callsReach(qsizetype count) {
        return stage::waitFor([&] { return notifyCalls().size() >= count; });
    }

    stage::Stage stage{u"/nonexistent/zorva-no-services"_s};
    stage::Child server;
    std::unique_ptr<trayhost::TrayItem> item;
};

} // namespace

TEST_F(BatteryNotificationsEndToEnd, OneNotificationPerLowEpisodeAndTheToolTipFollows) {
    ASSERT_TRUE(server.start(u"/usr/bin/python3"_s,
                             {u"-m"_s, u"dbusmock"_s, u"--template"_s, u"notification_daemon"_s},
                             stage.env));
    ASSERT_TRUE(serverOnBus(true)) << qPrintable(server.errors());
    ASSERT_TRUE(testsupport::writeFile(stage.file(u"s.json"_s), kScenario));
    ASSERT_TRUE(
        stage.startService(stage::simulatorProgram(), {u"--scenario"_s, stage.file(u"s.json"_s)}))
        << qPrintable(stage.error());
    item = stage.startItem(stage.app);
    ASSERT_TRUE(item) << qPrintable(stage.error());
    ASSERT_TRUE(toolTipBecomes(kTip + "Zorva Brindle 84: 60%"));

    send("battery|HV0AC8|337641472|15|low");
    ASSERT_TRUE(callsReach(1));
    send("battery|HV0AC8|337641472|13|charging|low");
    ASSERT_TRUE(toolTipBecomes(kTip + "Zorva Brindle 84: 13%, charging"));
    send("attach|Zorva Mirelo 65|HV2A01|340787200");
    send("battery|HV2A01|340787200|9|low");
    ASSERT_TRUE(callsReach(2));
    ASSERT_TRUE(toolTipBecomes(kTip + "Zorva Brindle 84: 13%, charging\nZorva Mirelo 65: 9%"));
    send("battery|HV2A01|340787200|8|low");
    // Charged, now low again: a new episode, replacing the first notification.
    send("battery|HV0AC8|337641472|14|low");
    ASSERT_TRUE(callsReach(3));
    // Turned off: a new episode posts nothing; back on, the next one does.
    writePreferences(false);
    send("battery|HV0AC8|337641472|50");
    send("battery|HV0AC8|337641472|10|low");
    // The rebuild that shows 10% has read the preference.
    ASSERT_TRUE(toolTipBecomes(kTip + "Zorva Brindle 84: 10%\nZorva Mirelo 65: 8%"));
    writePreferences(true);
    send("battery|HV2A01|340787200|7|charging|low");
    send("battery|HV2A01|340787200|6|low");
    ASSERT_TRUE(callsReach(4));

    const auto bundle = platform::Bundle::bundleWithPath(QStringLiteral(ZORVA_BUNDLE_PATH));
    ASSERT_TRUE(bundle);
    const QString picture =
        QUrl::fromLocalFile(bundle->pathForResource(u"Battery_Low"_s, u"png"_s)).toString();
    const auto notified = [&](int replacesId, const char* name, int percent) {
        return u"Zorva menu bar item|%1|com.zorva.ZorvaStatusMenu|%2: battery low|%3% left. "
               u"Charge the headset soon.|%4|2"_s.arg(replacesId)
                   .arg(QLatin1String(name))
                   .arg(percent)
                   .arg(picture);
    };
    // One per episode, nothing more; a headset's later one replaces its earlier one.
    EXPECT_EQ(
        notifyCalls(),
        (QStringList{notified(0, "Zorva Brindle 84", 15), notified(0, "Zorva Mirelo 65", 9),
                     notified(1, "Zorva Brindle 84", 14), notified(2, "Zorva Mirelo 65", 6)}));

    // Without a notification server the item goes on, and its trace says why.
    server.stopNow();
    ASSERT_TRUE(serverOnBus(false));
    send("battery|HV0AC8|337641472|40");
    send("battery|HV0AC8|337641472|11|low");
    ASSERT_TRUE(toolTipBecomes(kTip + "Zorva Brindle 84: 11%\nZorva Mirelo 65: 6%"));
    const QString trace = stage.sandbox.home(u"Library/Logs/Zorva/ZorvaStatusMenu.log"_s);
    EXPECT_TRUE(stage::waitFor([&] {
        return QString::fromUtf8(testsupport::readFile(trace))
            .contains(QLatin1String("not shown: org.freedesktop.DBus.Error.ServiceUnknown"));
    }));
    EXPECT_TRUE(item->sync(5000));
}
