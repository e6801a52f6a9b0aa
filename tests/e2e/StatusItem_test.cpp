// The status item seen from outside, as a desktop's tray sees it: the device
// service simulator and the status item on a private bus and X screen, our tray
// host registered first. Each callback the simulator sends must show in the menu
// read over dbusmenu, and in the trace file.

#include "support/HostileInputs.h"
#include "support/Stage.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

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

class StatusItemEndToEnd : public stage::StageTest {
protected:
    // Starts the simulator on the scenario, then the status item under our tray.
    void start(const QByteArray& scenario, int timeoutMs = 20000) {
        const QString path = stage.file(u"scenario.json"_s);
        ASSERT_TRUE(testsupport::writeFile(path, scenario));
        ASSERT_TRUE(
            stage.startService(stage::simulatorProgram(),
                               {u"--scenario"_s, path, u"--log"_s, stage.file(u"sim.log"_s)}))
            << qPrintable(stage.error());
        sinceItemStart.start();
        item = stage.startItem(stage.app, stage::statusItemProgram(), timeoutMs);
        ASSERT_TRUE(item) << qPrintable(stage.error());
    }

    QString iconDigest() {
        const auto summary = item->readSummary();
        return summary ? summary->iconDigest : QString();
    }

    std::unique_ptr<TrayItem> item;
    QElapsedTimer sinceItemStart;
};

} // namespace

TEST_F(StatusItemEndToEnd, MenuFollowsEveryCallbackAndTheTraceFileRecordsThem) {
    ASSERT_NO_FATAL_FAILURE(start(kScenario));

    const QStringList base{u"Zorva Brindle 84  60%"_s, u"----"_s, u"Skype"_s, u"----"_s, u"Help"_s};
    const QStringList tail{u"Check for updates"_s, u"Open Zorva"_s};
    ASSERT_TRUE(stage::menuBecomes(*item, base + tail));
    const auto first = item->readLayout();
    ASSERT_TRUE(first);
    const MenuEntry* brindle = findByLabel(*first, u"Zorva Brindle 84  60%"_s);
    ASSERT_NE(brindle, nullptr) << qPrintable(formatMenu(*first));
    EXPECT_FALSE(brindle->iconData.isEmpty()) << "a battery row shows its level picture";
    EXPECT_TRUE(brindle->enabled) << "a device row is drawn enabled, in its colours";
    const MenuEntry* skype = findByLabel(*first, u"Skype"_s);
    ASSERT_NE(skype, nullptr);
    EXPECT_TRUE(skype->enabled);
    EXPECT_FALSE(skype->iconData.isEmpty()) << "the on-state mark shows as the icon";
    const QString normalIcon = iconDigest();
    EXPECT_FALSE(normalIcon.isEmpty());

    // Attach, then a low battery report for the new headset, then detach.
    ASSERT_EQ(stage.send({u"attach"_s, u"Zorva Mirelo_65"_s, u"HV2A01"_s, u"340787200"_s,
                          u"1.0.4"_s, u"1"_s}),
              0);
    QStringList withMirelo = base;
    withMirelo.insert(1, u"Zorva Mirelo_65"_s);
    ASSERT_TRUE(stage::menuBecomes(*item, withMirelo + tail));

    ASSERT_EQ(stage.send({u"battery"_s, u"HV2A01"_s, u"340787200"_s, u"15"_s, u"low"_s}), 0);
    withMirelo[1] = u"Zorva Mirelo_65  15%"_s;
    ASSERT_TRUE(stage::menuBecomes(*item, withMirelo + tail));

    ASSERT_EQ(stage.send({u"detach"_s, u"Zorva Mirelo_65"_s, u"HV2A01"_s, u"340787200"_s}), 0);
    ASSERT_TRUE(stage::menuBecomes(*item, base + tail));
    ASSERT_TRUE(stage::waitFor([&] { return iconDigest() == normalIcon; }));

    // Softphones: a new one sorts before "Skype"; state 7 hides one. Titles read
    // over dbusmenu as they stand, "&" and "_" included.
    ASSERT_EQ(stage.send({u"softphone"_s, u"Microsoft Lync & Skype for Business"_s, u"0"_s}), 0);
    QStringList phones = base;
    phones.insert(2, u"Microsoft Lync & Skype for Business"_s);
    ASSERT_TRUE(stage::menuBecomes(*item, phones + tail));
    ASSERT_EQ(stage.send({u"softphone"_s, u"Skype"_s, u"7"_s}), 0);
    QStringList hidden = base;
    hidden[2] = u"Microsoft Lync & Skype for Business"_s;
    ASSERT_TRUE(stage::menuBecomes(*item, hidden + tail));

    // Update status: 0 brings "Update Available" (and its icon), 1 takes it away.
    ASSERT_EQ(stage.send({u"update-status"_s, u"0"_s}), 0);
    ASSERT_TRUE(stage::menuBecomes(*item, hidden + QStringList{u"Update Available"_s} + tail));
    EXPECT_TRUE(stage::waitFor([&] { return iconDigest() != normalIcon; }));
    ASSERT_EQ(stage.send({u"update-status"_s, u"1"_s}), 0);
    ASSERT_TRUE(stage::menuBecomes(*item, hidden + tail));

    // A click through dbusmenu reaches the controller's menu command; one on a
    // missing item fails.
    QString error;
    ASSERT_TRUE(item->click(u"Check for updates"_s, &error)) << qPrintable(error);
    EXPECT_FALSE(item->click(u"No such item"_s, &error));

    // The trace file holds a line for each callback, and one for the click.
    const QString tracePath = stage.sandbox.home(u"Library/Logs/Zorva/ZorvaStatusMenu.log"_s);
    QStringList expectedLines =
        QString::fromUtf8(
            testsupport::readFile(QStringLiteral(ZORVA_TEST_DATA_DIR "/status_item_trace.txt")))
            .split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(expectedLines.size(), 12);
    expectedLines << u"Clicked Check For Update Manually"_s;
    QString trace;
    stage::waitFor([&] {
        trace = QString::fromUtf8(testsupport::readFile(tracePath));
        return std::all_of(expectedLines.begin(), expectedLines.end(),
                           [&](const QString& line) { return trace.contains(line); });
    });
    for (const QString& line : expectedLines) {
        EXPECT_TRUE(trace.contains(line))
            << "missing in " << qPrintable(tracePath) << ": " << qPrintable(line);
    }
}

// A device service answering the device list with an archive whose battery
// records nest further device lists: the menu comes up without devices, in time,
// and callbacks are still answered. (The readers' other hostile inputs are the
// property-list and archive tests' own.)
TEST_F(StatusItemEndToEnd, NestedDeviceListsLeaveTheMenuWithoutDevices) {
    const QByteArray scenario =
        R"({"softphones": [{"name": "Skype", "state": 1}], "updateAvailable": "FALSE",
            "componentList": null, "manualCheck": "none", "autoCheck": "none",
            "rawAnswers": {"getDeviceInfoFromAppService": ")" +
        testsupport::nestedDeviceLists(6, 8).toBase64() + R"("}})";
    ASSERT_NO_FATAL_FAILURE(start(scenario, 5000));
    const QStringList tail{u"----"_s, u"Help"_s, u"Check for updates"_s, u"Open Zorva"_s};
    EXPECT_TRUE(stage::menuBecomes(*item, QStringList{u"Skype"_s} + tail, topLabels,
                                   std::max<int>(0, 5000 - int(sinceItemStart.elapsed()))));

    ASSERT_EQ(stage.send({u"softphone"_s, u"Cisco Jabber"_s, u"0"_s}), 0);
    EXPECT_TRUE(stage::menuBecomes(*item, QStringList{u"Cisco Jabber"_s, u"Skype"_s} + tail));
}
