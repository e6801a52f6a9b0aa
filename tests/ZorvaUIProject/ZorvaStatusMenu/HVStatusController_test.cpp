#include "Platform/Bundle.h"
#include "Platform/ObjectDescription.h"
#include "Platform/plist/PropertyList.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusController.h"
#include "support/ControllerFakes.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

using testsupport::ScopedSandbox;
using namespace testsupport;

namespace {

const QString kRealBundle = QStringLiteral(ZORVA_BUNDLE_PATH);

QStringList titles(const HVStatusMenu& menu) {
    QStringList result;
    for (const auto& item : menu.items) {
        result << (item.isSeparator ? QStringLiteral("---") : item.title);
    }
    return result;
}

QString traceText(const ScopedSandbox& sandbox) {
    // The bundle's Info.plist puts the trace below the home folder.
    return QString::fromUtf8(testsupport::readFile(
        sandbox.home(QStringLiteral("Library/Logs/Zorva/ZorvaStatusMenu.log"))));
}

QVariant deviceList(const std::vector<HVDevicePtr>& devices) {
    QVariantList list;
    for (const auto& device : devices) {
        list << QVariant::fromValue(device);
    }
    return list;
}

HVDevicePtr headset(const QString& name, const QString& productID, quint64 lid,
                    const QString& typeId, int pct, bool low = false) {
    auto device = HVDevice::initDevice(name, productID, lid);
    auto battery = HVBatteryInformation::initBatteryInfoForTypeId(typeId);
    battery->setHsBatteryPCT(pct);
    battery->setIsBatteryLow(low);
    device->setBatteryInfo(battery);
    return device;
}

QStringList names(const std::vector<HVDevicePtr>& devices) {
    QStringList result;
    for (const auto& device : devices) {
        result << device->name();
    }
    return result;
}

} // namespace

TEST(HVStatusControllerStartUp, NoServiceGivesEmptyMenuNormalIconAndEveryStep) {
    ScopedSandbox sandbox;
    Rig rig;
    auto controller = rig.make();
    controller->awakeFromNib();

    EXPECT_EQ(rig.service->calls,
              (QStringList{QStringLiteral("devices:ZorvaDeviceService"),
                           QStringLiteral("softphones:ZorvaDeviceService"),
                           QStringLiteral("updateAvailable"), QStringLiteral("updateList")}));
    EXPECT_TRUE(controller->allDevices().empty());
    EXPECT_FALSE(controller->isSWUpdateAvailable());
    EXPECT_EQ(rig.publisher->attempts, QStringList{QStringLiteral("StatusAppServer")});
    EXPECT_EQ(rig.publisher->registeredRoot, controller.get());
    ASSERT_EQ(rig.center->observers.size(), 1u);
    EXPECT_EQ(rig.center->observers[0].first, QStringLiteral("c_HVUpdateUI!"));
    EXPECT_EQ(rig.bar->lengths, std::vector<double>{-2.0});

    ASSERT_TRUE(rig.bar->item->menu);
    EXPECT_EQ(titles(*rig.bar->item->menu),
              (QStringList{QStringLiteral("Help"), QStringLiteral("Check for updates"),
                           QStringLiteral("Open Zorva")}));
    EXPECT_EQ(rig.bar->item->image, rig.resource(QStringLiteral("HVstatusoffline")));
    EXPECT_EQ(rig.bar->item->alternateImage, rig.resource(QStringLiteral("HVstatusonline")));
    EXPECT_FALSE(rig.bar->item->image.isEmpty());
    EXPECT_TRUE(rig.bar->item->highlight);
    // The old preference value is removed even when there was none.
    EXPECT_EQ(rig.preferences->cleared, QStringList{QStringLiteral("UpdatePackageAvail")});

    const QString trace = traceText(sandbox);
    for (const char* line :
         {"Device List is Empty \n", "softPhoneList is Empty \n",
          "Updated component list is not available \n", "Registered the HV Status APP server.\n",
          "Help Book Registration Success \n", "AwakeFromNib: Update is not available\n",
          "Populate Status Menu - End"}) {
        EXPECT_TRUE(trace.contains(QString::fromUtf8(line))) << line;
    }
    // Nothing was posted by start-up itself.
    EXPECT_TRUE(rig.center->posted.isEmpty());
}

TEST(HVStatusControllerStartUp, PendingUpdatePreference) {
    ScopedSandbox sandbox;
    {
        // "TRUE" stays, the service is not asked, the update icon shows.
        Rig rig;
        rig.preferences->values.insert(QStringLiteral("UpdatePackageAvail"),
                                       QStringLiteral("TRUE"));
        auto controller = rig.make();
        controller->awakeFromNib();
        EXPECT_TRUE(controller->isSWUpdateAvailable());
        EXPECT_FALSE(rig.service->calls.contains(QStringLiteral("updateAvailable")));
        EXPECT_EQ(rig.preferences->values.value(QStringLiteral("UpdatePackageAvail")),
                  QVariant(QStringLiteral("TRUE")));
        EXPECT_EQ(rig.bar->item->image, rig.resource(QStringLiteral("SWUpdateNotification")));
        EXPECT_EQ(rig.bar->item->alternateImage,
                  rig.resource(QStringLiteral("SWUpdateNotificationHighlight")));
        EXPECT_TRUE(titles(*rig.bar->item->menu).contains(QStringLiteral("Update Available")));
    }
    for (const QString& answer : {QStringLiteral("TRUE"), QStringLiteral("true")}) {
        // Any other stored value is deleted and the service decides.
        Rig rig;
        rig.preferences->values.insert(QStringLiteral("UpdatePackageAvail"),
                                       QStringLiteral("true"));
        rig.service->updateAvailable = answer;
        auto controller = rig.make();
        controller->awakeFromNib();
        EXPECT_FALSE(rig.preferences->values.contains(QStringLiteral("UpdatePackageAvail")));
        EXPECT_TRUE(rig.service->calls.contains(QStringLiteral("updateAvailable")));
        EXPECT_EQ(controller->isSWUpdateAvailable(), answer == QStringLiteral("TRUE"));
        EXPECT_TRUE(
            traceText(sandbox).contains(QStringLiteral("Updated component list is available \n")));
    }
}

TEST(HVStatusControllerStartUp, EarlyEnds) {
    ScopedSandbox sandbox;
    {
        // "StatusAppServer" taken: no menu, no status item, nothing thrown.
        Rig rig;
        rig.publisher->nameTaken = true;
        auto controller = rig.make();
        controller->awakeFromNib();
        EXPECT_EQ(controller->statusMenu(), nullptr);
        EXPECT_FALSE(controller->hasStatusItem());
        EXPECT_TRUE(rig.bar->lengths.empty());
        EXPECT_TRUE(
            traceText(sandbox).contains(QStringLiteral("Could not register the server.\n")));
        // Callbacks still work on the registry; the rebuild has no menu to fill.
        controller->updateDeviceInfo(QStringLiteral("A"), QStringLiteral("HV0001"), 1, 0,
                                     QStringLiteral("1.0"), 0);
        rig.center->deliver();
        EXPECT_EQ(controller->allDevices().size(), 1u);
    }
    {
        Rig rig;
        rig.serviceClient = false;
        auto controller = rig.make();
        controller->awakeFromNib();
        EXPECT_TRUE(rig.publisher->attempts.isEmpty());
        EXPECT_EQ(rig.center->observers.size(), 1u); // the observer came first
        EXPECT_TRUE(traceText(sandbox).contains(
            QStringLiteral("AwakeFromNib: status DO creation failed \n")));
    }
    {
        Rig rig;
        rig.publisher->connectionOk = false;
        auto controller = rig.make();
        controller->awakeFromNib();
        EXPECT_TRUE(rig.publisher->attempts.isEmpty());
        EXPECT_EQ(controller->statusMenu(), nullptr);
        EXPECT_TRUE(traceText(sandbox).contains(
            QStringLiteral("AwakeFromNib: Connection creation failed \n")));
    }
    {
        // The desktop gives no status item: the menu exists but is not shown.
        Rig rig;
        rig.bar->giveItem = false;
        auto controller = rig.make();
        controller->awakeFromNib();
        ASSERT_NE(controller->statusMenu(), nullptr);
        EXPECT_EQ(controller->statusMenu()->items.size(), 3u);
        EXPECT_TRUE(traceText(sandbox).contains(
            QStringLiteral("AwakeFromNib: status bar creation failed \n")));
    }
    {
        // A transport failure in the first queries: start-up goes on at the flag.
        Rig rig;
        rig.service->throwOnDevices = true;
        auto controller = rig.make();
        controller->awakeFromNib();
        EXPECT_FALSE(rig.service->calls.contains(QStringLiteral("softphones:ZorvaDeviceService")));
        EXPECT_TRUE(rig.service->calls.contains(QStringLiteral("updateAvailable")));
        EXPECT_TRUE(controller->hasStatusItem());
    }
}

TEST(HVStatusControllerStartUp, TraceSettingsComeFromTheBundleInfoList) {
    ScopedSandbox sandbox;
    // A bundle of our own whose trace file name has no leading slash.
    const QString bundlePath = sandbox.home(QStringLiteral("Test.app"));
    QDir().mkpath(bundlePath + QStringLiteral("/Contents/Resources"));
    QVariantMap info;
    info.insert(QStringLiteral("Trace File Location"), QStringLiteral("trace.log"));
    info.insert(QStringLiteral("Trace Enable Status"), true);
    info.insert(QStringLiteral("Log Severity"), QStringLiteral("CRITICAL"));
    ASSERT_TRUE(
        platform::plist::writeFile(bundlePath + QStringLiteral("/Contents/Info.plist"), info));

    // The settings in force before start-up: the first line goes there.
    const QString before = sandbox.home(QStringLiteral("before.log"));
    HVTrace::setTraceFilePath(before);
    HVTrace::setLogSeverity(6);
    HVTrace::setTraceOn(true);

    Rig rig;
    rig.bundle = platform::Bundle::bundleWithPath(bundlePath);
    ASSERT_TRUE(rig.bundle);
    auto controller = rig.make();
    controller->awakeFromNib();

    const QString first = QString::fromUtf8(testsupport::readFile(before));
    EXPECT_TRUE(
        first.contains(QStringLiteral("Status Controller CRITICAL awakeFromNib called .\n")));
    EXPECT_FALSE(first.contains(QStringLiteral("Device List is Empty")));

    // home + value, no separator; threshold CRITICAL keeps out severity 3 and 4.
    const QString after =
        QString::fromUtf8(testsupport::readFile(sandbox.home() + QStringLiteral("trace.log")));
    EXPECT_TRUE(after.contains(QStringLiteral("Device List is Empty \n")));
    EXPECT_FALSE(after.contains(QStringLiteral("awakeFromNib called")));
    EXPECT_FALSE(after.contains(QStringLiteral("Registered the HV Status APP server.")));
    // The bundle has no pictures and no help: the icon paths stay absent.
    EXPECT_TRUE(after.contains(QStringLiteral("Help Book Registration Success \n")));
    EXPECT_TRUE(rig.bar->item->image.isNull());

    // Only a true boolean or the number 1 turns tracing on; without the switch,
    // or with anything else in it, tracing goes off.
    const struct {
        QVariant value;
        bool on;
    } switches[] = {{QVariant(), false},
                    {true, true},
                    {false, false},
                    {QStringLiteral("NO"), false},
                    {QStringLiteral("YES"), false},
                    {QStringLiteral("1"), false},
                    {1, true},
                    {1.0, true},
                    {0, false},
                    {2, false},
                    {QVariantList{true}, false}};
    for (const auto& s : switches) {
        SCOPED_TRACE(platform::describe(s.value).toStdString());
        info.insert(QStringLiteral("Trace Enable Status"), s.value);
        if (!s.value.isValid()) {
            info.remove(QStringLiteral("Trace Enable Status"));
        }
        ASSERT_TRUE(
            platform::plist::writeFile(bundlePath + QStringLiteral("/Contents/Info.plist"), info));
        HVTrace::setTraceOn(!s.on);
        Rig again;
        again.bundle = platform::Bundle::bundleWithPath(bundlePath);
        again.make()->awakeFromNib();
        EXPECT_EQ(HVTrace::isTraceOn(), s.on);
    }
}

TEST(HVStatusControllerRegistry, DeviceIdentityRules) {
    ScopedSandbox sandbox;
    Rig rig;
    auto controller = rig.make();
    controller->awakeFromNib();

    // Same name, different locations: both kept. Same name and location: one.
    controller->updateDeviceInfo(QStringLiteral("Base"), QStringLiteral("HV2454"), 7, 0,
                                 QStringLiteral("1.0"), 3);
    controller->updateDeviceInfo(QStringLiteral("Base"), QStringLiteral("HV2454"), 8, 0,
                                 QStringLiteral("1.0"), 3);
    controller->updateDeviceInfo(QStringLiteral("Base"), QStringLiteral("HV2454"), 7, 0,
                                 QStringLiteral("2.0"), 4);
    ASSERT_EQ(controller->allDevices().size(), 2u);
    EXPECT_EQ(controller->allDevices()[0]->curFwVersion(), QStringLiteral("1.0"));
    EXPECT_EQ(controller->allDevices()[0]->headsetType(), 3);
    EXPECT_TRUE(traceText(sandbox).contains(QStringLiteral("Device Exists already \n")));

    // Battery reports: a new headset record on the base's location, appended.
    controller->updateHeadsetBatteryInfo(headset(
        QStringLiteral("Headset A"), QStringLiteral("HV0111"), 7, QStringLiteral("T1"), 50));
    controller->updateHeadsetBatteryInfo(headset(
        QStringLiteral("Headset B"), QStringLiteral("HV0112"), 7, QStringLiteral("T2"), 60));
    ASSERT_EQ(controller->allDevices().size(), 4u);
    // Same type and location: the record is found and its battery refreshed.
    controller->updateHeadsetBatteryInfo(headset(
        QStringLiteral("Headset A"), QStringLiteral("HV0111"), 7, QStringLiteral("T1"), 90));
    EXPECT_EQ(controller->allDevices()[2]->batteryInfo()->hsBatteryPCT(), 90);
    EXPECT_EQ(controller->allDevices()[2]->name(), QStringLiteral("Headset A"));
    EXPECT_EQ(controller->allDevices().size(), 4u);
    // A device whose own record carries the battery: matched by product and location.
    controller->updateHeadsetBatteryInfo(headset(
        QStringLiteral("Base again"), QStringLiteral("HV2454"), 8, QStringLiteral("T9"), 40));
    ASSERT_EQ(controller->allDevices().size(), 4u);
    ASSERT_TRUE(controller->allDevices()[1]->batteryInfo());
    EXPECT_EQ(controller->allDevices()[1]->batteryInfo()->hsBatteryPCT(), 40);
    EXPECT_EQ(controller->allDevices()[1]->name(), QStringLiteral("Base"));

    // Removing the base at 7 also removes the first headset record at 7, only that one.
    controller->updateDeviceInfo(QStringLiteral("Base"), QStringLiteral("HV2454"), 7, 1, QString(),
                                 0);
    EXPECT_EQ(names(controller->allDevices()),
              (QStringList{QStringLiteral("Base"), QStringLiteral("Headset B")}));
    // No match: a trace line and nothing else (state -1 also detaches).
    controller->updateDeviceInfo(QStringLiteral("Nobody"), QStringLiteral("HV0000"), 99, -1,
                                 QString(), 0);
    EXPECT_EQ(controller->allDevices().size(), 2u);
    EXPECT_TRUE(traceText(sandbox).contains(
        QStringLiteral("After Device Removed Nobody \n device list (")));

    // Every callback posted once, and the menu was not rebuilt inside any of them.
    EXPECT_EQ(rig.center->posted.size(), 9);
    EXPECT_TRUE(rig.center->immediate);
    const int sets = rig.bar->item->menuSets;
    rig.center->deliver();
    EXPECT_EQ(rig.bar->item->menuSets, sets + 9);
    EXPECT_EQ(
        titles(*rig.bar->item->menu).mid(0, 3),
        (QStringList{QStringLiteral("Base"), QStringLiteral("Headset B"), QStringLiteral("---")}));
}

// Names, product identifiers and headset types: an absent one matches nothing,
// an empty one only an empty one.
TEST(HVStatusControllerRegistry, AbsentStringsMatchNothing) {
    ScopedSandbox sandbox;
    const QString absent;
    const QString empty = QStringLiteral("");
    ASSERT_FALSE(empty.isNull());
    const QString x = QStringLiteral("X");
    const struct {
        QString stored, incoming;
        bool same;
    } cases[] = {{absent, absent, false}, {absent, empty, false}, {empty, absent, false},
                 {empty, empty, true},    {x, x, true},           {x, empty, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored.isNull() << c.stored.toStdString() << " / "
                                        << c.incoming.isNull() << c.incoming.toStdString());
        const size_t kept = c.same ? 1 : 2; // records after a second report
        Rig attachRig, detachRig, batteryRig;
        auto attach = attachRig.make();
        attach->updateDeviceInfo(c.stored, x, 7, 0, x, 0);
        attach->updateDeviceInfo(c.incoming, x, 7, 0, x, 0);
        EXPECT_EQ(attach->allDevices().size(), kept) << "attach";
        attach->updateSoftphoneInfo(c.stored, 1);
        attach->updateSoftphoneInfo(c.incoming, 8);
        EXPECT_EQ(attach->allSoftphones().size(), kept) << "softphone";

        auto detach = detachRig.make();
        detach->updateDeviceInfo(c.stored, x, 7, 0, x, 0);
        detach->updateDeviceInfo(c.incoming, x, 7, 1, x, 0);
        EXPECT_EQ(detach->allDevices().size(), kept - 1) << "detach";
        detach->updateSoftphoneInfo(c.stored, 1);
        detach->removeSoftphone(c.incoming);
        EXPECT_EQ(detach->allSoftphones().size(), kept - 1) << "softphone removed";

        // Battery reports: by product identifier, then by headset type.
        auto battery = batteryRig.make();
        battery->updateDeviceInfo(x, c.stored, 9, 0, x, 0);
        battery->updateHeadsetBatteryInfo(headset(x, c.incoming, 9, x, 10));
        EXPECT_EQ(battery->allDevices().size(), kept) << "product";
        battery->updateHeadsetBatteryInfo(headset(x, x, 5, c.stored, 20));
        battery->updateHeadsetBatteryInfo(headset(x, x + x, 5, c.incoming, 30));
        EXPECT_EQ(battery->allDevices().size(), kept + kept) << "headset type";
    }
}

TEST(HVStatusControllerRegistry, ListsSoftphonesAndReset) {
    ScopedSandbox sandbox;
    Rig rig;
    auto a = HVDevice::initDevice(QStringLiteral("Same"), QStringLiteral("HV0001"), 1);
    rig.service->devices = deviceList({a, a});
    rig.service->softphones =
        QVariantList{QVariant::fromValue(HVSoftphone::initSoftphone(QStringLiteral("Skype"), 1)),
                     QVariant(QStringLiteral("not a softphone"))};
    auto controller = rig.make();
    controller->awakeFromNib();
    EXPECT_EQ(controller->allDevices().size(), 2u); // no duplicate check on a whole list
    ASSERT_EQ(controller->allSoftphones().size(), 1u);

    controller->updateSoftphoneInfo(QStringLiteral("Skype"), 7);
    controller->updateSoftphoneInfo(QStringLiteral("Bria"), 0);
    ASSERT_EQ(controller->allSoftphones().size(), 2u);
    EXPECT_EQ(controller->allSoftphones()[0]->state(), 7);
    rig.center->deliver();
    // Skype is hidden by its state; Bria is listed.
    EXPECT_EQ(titles(*rig.bar->item->menu),
              (QStringList{QStringLiteral("Same"), QStringLiteral("Same"), QStringLiteral("---"),
                           QStringLiteral("Bria"), QStringLiteral("---"), QStringLiteral("Help"),
                           QStringLiteral("Check for updates"), QStringLiteral("Open Zorva")}));

    controller->removeSoftphone(QStringLiteral("Bria"));
    EXPECT_EQ(controller->allSoftphones().size(), 1u);

    // An empty list from the service leaves the registry as it was...
    rig.service->devices = QVariantList();
    controller->addDeviceInfo(rig.service->devices);
    EXPECT_EQ(controller->allDevices().size(), 2u);
    // ...but a reset has emptied it first.
    rig.service->devices = QVariant();
    rig.service->softphones = QVariant();
    controller->resetDeviceSoftphoneInfo();
    EXPECT_TRUE(controller->allDevices().empty());
    EXPECT_TRUE(controller->allSoftphones().empty());
    const QString trace = traceText(sandbox);
    EXPECT_TRUE(trace.contains(QStringLiteral("No Devices found \n")));
    EXPECT_TRUE(trace.contains(QStringLiteral("Softphone Exists already \n")));
    EXPECT_TRUE(trace.contains(QStringLiteral("Reset Device and softphone information ")));
}

TEST(HVStatusControllerUpdates, CheckResultsLowBatteryAndRecovery) {
    ScopedSandbox sandbox;
    Rig rig;
    auto controller = rig.make();
    controller->awakeFromNib();
    auto hasUpdateItem = [&] {
        return titles(*rig.bar->item->menu).contains(QStringLiteral("Update Available"));
    };

    controller->sendCheckForUpdateStatus(0);
    EXPECT_TRUE(controller->isSWUpdateAvailable());
    // The icon changes only with the rebuild.
    EXPECT_EQ(rig.bar->item->image, rig.resource(QStringLiteral("HVstatusoffline")));
    rig.center->deliver();
    EXPECT_EQ(rig.bar->item->image, rig.resource(QStringLiteral("SWUpdateNotification")));
    EXPECT_TRUE(hasUpdateItem());

    for (int code : {2, 3, 4, 5}) {
        controller->sendCheckForUpdateStatus(code); // no state change, still a rebuild
    }
    EXPECT_TRUE(controller->isSWUpdateAvailable());
    EXPECT_EQ(controller->checkForManualUpdate(), QStringLiteral("Check for updates"));
    controller->sendCheckForUpdateStatus(1);
    EXPECT_FALSE(controller->isSWUpdateAvailable());

    // Automatic lists: only recovery components leave the flag false.
    QVariantMap recovery{{QStringLiteral("currentVersionKey"), QStringLiteral("Recovery")},
                         {QStringLiteral("ProdIdKey"), QStringLiteral("HV2454")},
                         {QStringLiteral("LocIdKey"), 7}};
    QVariantMap normal{{QStringLiteral("currentVersionKey"), QStringLiteral("1.0")}};
    controller->sendUpdatedComponentList(QVariantList{recovery, recovery}, false);
    EXPECT_FALSE(controller->isSWUpdateAvailable());
    controller->sendUpdatedComponentList(QVariantList{recovery, normal}, false);
    EXPECT_TRUE(controller->isSWUpdateAvailable());
    controller->sendUpdatedComponentList(QVariantList(), false);
    EXPECT_FALSE(controller->isSWUpdateAvailable());
    controller->sendUpdatedComponentList(QVariantList{normal}, false);
    // A manual answer leaves the flag alone.
    controller->sendUpdatedComponentList(QVariant(), true);
    EXPECT_TRUE(controller->isSWUpdateAvailable());
    rig.center->deliver();
    EXPECT_TRUE(hasUpdateItem());

    // A low battery takes the icon; the update item stays.
    controller->updateHeadsetBatteryInfo(headset(
        QStringLiteral("Low one"), QStringLiteral("HV0111"), 3, QStringLiteral("T1"), 10, true));
    rig.center->deliver();
    EXPECT_EQ(rig.bar->item->image, rig.resource(QStringLiteral("Battery_Low")));
    EXPECT_EQ(rig.bar->item->alternateImage, rig.resource(QStringLiteral("Battery_Low")));
    EXPECT_TRUE(hasUpdateItem());

    // A device in recovery with a matching component becomes clickable.
    rig.service->updateList = QVariantList{recovery};
    controller->updateDeviceInfo(QStringLiteral("Base"), QStringLiteral("HV2454"), 7, 0,
                                 QStringLiteral("Recovery"), 0);
    rig.center->deliver();
    const HVStatusMenu& menu = *rig.bar->item->menu;
    ASSERT_GE(menu.items.size(), 2u);
    EXPECT_EQ(menu.items[1].title, QStringLiteral("Base"));
    EXPECT_EQ(menu.items[1].action, HVMenuAction::recoverableDeviceSelected);
    EXPECT_EQ(menu.items[1].tag, 7);

    // The reduced menu when the suite's menu is switched off.
    rig.preferences->values.remove(QStringLiteral("zorvaStatusMenu"));
    controller->statusPostNotifications();
    rig.center->deliver();
    EXPECT_EQ(titles(*rig.bar->item->menu), QStringList{QStringLiteral("Update Available")});
    EXPECT_EQ(rig.bar->item->image, rig.resource(QStringLiteral("SWUpdateNotification")));

    // Help opens the help book at its anchor.
    HVMenuItem help;
    help.action = HVMenuAction::statusHelpSelected;
    controller->menuItemSelected(help);
    EXPECT_EQ(rig.bar->opened, QStringList{QStringLiteral("ZorvaMacSuiteHelp#main_help_page")});
}

namespace {

HVMenuItem menuItem(HVMenuAction action, const QString& title, qint64 tag = 0) {
    HVMenuItem item;
    item.action = action;
    item.title = title;
    item.tag = tag;
    return item;
}

QVariantMap component(const QString& name, const QString& version, const QVariant& locId,
                      const QString& productId = QStringLiteral("HV0A01")) {
    return {{QStringLiteral("componentNameKey"), name},
            {QStringLiteral("currentVersionKey"), version},
            {QStringLiteral("LocIdKey"), locId},
            {QStringLiteral("ProdIdKey"), productId}};
}

const QString kPane = QStringLiteral("/Library/PreferencePanes/Zorva Suite for Mac.prefPane");
// The bundle's English texts of "ZorvaPrefError" and "ZorvaPrefErrorMSG".
const QString kPrefErrorAlert = QStringLiteral(
    "modal:Zorva Suite for Mac|Zorva settings could not be found.|The Zorva settings are not "
    "installed on this computer. Install Zorva Suite again to restore them.|0|OK|ZMSIcon.png|"
    "-2147483622");
const QString kUpToDateAlert =
    QStringLiteral("alert:Zorva Suite for Mac|Software is up to date.||0|OK|ZMSIcon.png|");
const QString kFailedAlert = QStringLiteral(
    "alert:Zorva Suite for Mac|Check for update failed. Try again later or check your Internet "
    "Connection.||0|OK|ZMSIcon.png|");

} // namespace

TEST(HVStatusControllerCommands, SettingsPaneItems) {
    const QString post0 = QStringLiteral("post:ZORVAERRORNOTIFICATION=0");
    const QString pref = QStringLiteral("pref:prefPaneTabIndex=0(qlonglong)");
    const QString open = QStringLiteral("open:") + kPane;
    const auto softphone = HVMenuAction::statusSoftphoneSelected;
    const auto openItem = HVMenuAction::statusOpenZorvaSelected;
    struct Case {
        HVMenuAction action;
        QString title;
        bool paneInstalled;
        QStringList log;
    };
    // A softphone writes, opens, posts, in that order; "Open Zorva" exactly posts nothing;
    // without a pane the blocking alert comes instead of the opening.
    const std::vector<Case> cases = {
        {softphone, QStringLiteral("Zorva Quillo Phone"), true, {pref, open, post0}},
        {openItem, QStringLiteral("Open Zorva"), true, {open}},
        {openItem, QStringLiteral("Zorva öffnen"), true, {open, post0}},
        {openItem, QStringLiteral("Open Zorva"), false, {kPrefErrorAlert}},
        {softphone, QStringLiteral("Zorva Quillo Phone"), false, {pref, kPrefErrorAlert, post0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString() + (c.paneInstalled ? "" : ", no pane"));
        ScopedSandbox sandbox;
        Rig rig;
        if (!c.paneInstalled) {
            rig.workspace->panePath.clear();
        }
        auto controller = rig.make();
        controller->awakeFromNib();
        controller->menuItemSelected(menuItem(c.action, c.title));
        EXPECT_EQ(rig.settledLog(), c.log);
        EXPECT_EQ(traceText(sandbox).contains(QStringLiteral("prefpane is null.\n")),
                  !c.paneInstalled);
    }
}

TEST(HVStatusControllerCommands, SettingsButtonPostsOneLaterWithoutBlocking) {
    ScopedSandbox sandbox;
    Rig rig;
    auto controller = rig.make();
    controller->awakeFromNib();

    bool servedMeanwhile = false;
    const qint64 requested = rig.center->clock.elapsed();
    controller->zorvaSettingsClicked();
    // Returned at once: the pane is open, "1" not yet posted.
    EXPECT_EQ(rig.log(), QStringList{QStringLiteral("open:") + kPane});
    QTimer::singleShot(0, [&] { servedMeanwhile = rig.log().size() == 1; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig.log().size() == 2; }, 5000));
    EXPECT_TRUE(servedMeanwhile);
    EXPECT_EQ(rig.log().last(), QStringLiteral("post:ZORVAERRORNOTIFICATION=1"));
    ASSERT_EQ(rig.center->objectPostTimes.size(), 1u);
    EXPECT_GE(rig.center->objectPostTimes[0] - requested, 350);
    EXPECT_TRUE(traceText(sandbox).contains(
        QStringLiteral("OpenZorvaSelected : Open Setting tab of Zorva Pref.\n")));
}

TEST(HVStatusControllerCommands, ManualCheckAnswers) {
    struct Case {
        const char* name;
        std::function<void(HVStatusController&)> answer;
        QStringList log;
    };
    const QVariantList two{
        component(QStringLiteral("Zorva Quillo 40"), QStringLiteral("1.0"), 3),
        component(QStringLiteral("Zorva Suite for Mac"), QStringLiteral("2.0"), 0)};
    auto list = [](QVariant value) {
        return [value](HVStatusController& c) { c.sendUpdatedComponentList(value, true); };
    };
    auto status = [](qint32 code) {
        return [code](HVStatusController& c) { c.sendCheckForUpdateStatus(code); };
    };
    const std::vector<Case> cases = {
        {"absent list: up to date", list(QVariant()), {kUpToDateAlert}},
        {"empty list: an empty window", list(QVariantList()), {QStringLiteral("window:[]")}},
        {"two components, no settings button",
         list(two),
         {QStringLiteral("window:[Zorva Quillo 40,Zorva Suite for Mac]")}},
        {"failure, then a late answer shows nothing",
         [&](HVStatusController& c) {
             c.sendCheckForUpdateStatus(4);
             c.sendUpdatedComponentList(two, true);
         },
         {kFailedAlert}},
        {"codes 0 and 1 leave the check running", status(0), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedSandbox sandbox;
        Rig rig;
        auto controller = rig.make();
        controller->awakeFromNib();
        controller->menuItemSelected(
            menuItem(HVMenuAction::checkManualUpdate, QStringLiteral("Check for updates")));
        // Before any answer the rebuilt item reads "Checking..." and is disabled.
        EXPECT_EQ(rig.service->calls.last(), QStringLiteral("manualCheck:ZorvaDeviceService"));
        rig.center->deliver();
        const HVMenuItem check = rig.bar->item->menu->items.at(1);
        EXPECT_EQ(check.title, QStringLiteral("Checking..."));
        EXPECT_FALSE(check.isEnabled());

        c.answer(*controller);
        EXPECT_EQ(rig.log(), c.log);
        const bool running = c.log.isEmpty();
        EXPECT_EQ(controller->checkForManualUpdate(),
                  running ? QStringLiteral("Checking...") : QStringLiteral("Check for updates"));
    }
    // Code 4 while idle shows nothing.
    ScopedSandbox sandbox;
    Rig rig;
    auto controller = rig.make();
    controller->awakeFromNib();
    controller->sendCheckForUpdateStatus(4);
    EXPECT_TRUE(rig.log().isEmpty());
    EXPECT_EQ(rig.center->posted.size(), 1);
}

TEST(HVStatusControllerCommands, UpdateAvailableWindowAndItsReturnCodes) {
    ScopedSandbox sandbox;
    Rig rig;
    auto controller = rig.make();
    controller->awakeFromNib();

    // No list: a trace line only.
    controller->menuItemSelected(
        menuItem(HVMenuAction::showUpdateAvailablePopUp, QStringLiteral("Update Available")));
    EXPECT_TRUE(rig.log().isEmpty());
    EXPECT_TRUE(traceText(sandbox).contains(QStringLiteral("Dictionary for link not found.\n")));

    rig.service->updateList =
        QVariantList{component(QStringLiteral("Zorva Quillo 40"), QStringLiteral("1.0"), 3)};
    const QString window = QStringLiteral("window:[Zorva Quillo 40]+settings");
    struct Case {
        qint64 code;
        QStringList after; // the log after the window ended
    };
    const std::vector<Case> cases = {
        {1000, {window}},
        {1001,
         {window, QStringLiteral("open:") + kPane,
          QStringLiteral("post:ZORVAERRORNOTIFICATION=1")}},
        {0, {window}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        rig.center->log->clear();
        controller->showUpdateAvailablePopUp();
        EXPECT_EQ(rig.log(), QStringList{window});
        EXPECT_EQ(rig.windows->end(c.code), 1);
        EXPECT_EQ(rig.settledLog(), c.after);
    }
    EXPECT_TRUE(traceText(sandbox).contains(QStringLiteral("close Sheet.\n")));
}

TEST(HVStatusControllerCommands, RecoveryMatchesByNameAndLocation) {
    const QVariantList components{
        component(QStringLiteral("Zorva Quillo 40"), QStringLiteral("1.0"), 7),
        component(QStringLiteral("Zorva Quillo 40"), QStringLiteral("Recovery"), 7,
                  QStringLiteral("HVFFFF")),
        // Only the low 32 bits of a location count.
        component(QStringLiteral("Zorva Brenna"), QStringLiteral("Recovery"),
                  QVariant::fromValue(qint64(0x500000009))),
    };
    struct Case {
        QString title;
        qint64 tag;
        QString window;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("Zorva Quillo 40"), 7, QStringLiteral("window:[Zorva Quillo 40]")},
        {QStringLiteral("Zorva Quillo 40"), 8, QStringLiteral("window:absent")},
        {QStringLiteral("Zorva Brenna"), 9, QStringLiteral("window:[Zorva Brenna]")},
        {QStringLiteral("Zorva Brenna"), 0x700000009, QStringLiteral("window:[Zorva Brenna]")},
        {QStringLiteral("HVFFFF"), 7, QStringLiteral("window:absent")},
    };
    ScopedSandbox sandbox;
    Rig rig;
    rig.service->updateList = components;
    auto controller = rig.make();
    controller->awakeFromNib();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString() + " " + std::to_string(c.tag));
        rig.center->log->clear();
        controller->menuItemSelected(
            menuItem(HVMenuAction::recoverableDeviceSelected, c.title, c.tag));
        EXPECT_EQ(rig.log(), QStringList{c.window});
        // Whatever ends it, a recovery window never opens the settings.
        rig.windows->end(1000);
    }
    EXPECT_TRUE(traceText(sandbox).contains(QStringLiteral("Show pop up for recovery device.")));
}

TEST(HVStatusControllerCommands, NotNowEndsInstancesOnlyInTheReducedMenu) {
    for (const bool full : {true, false}) {
        SCOPED_TRACE(full);
        ScopedSandbox sandbox;
        Rig rig;
        if (!full) {
            rig.preferences->values.remove(QStringLiteral("zorvaStatusMenu"));
        }
        auto controller = rig.make();
        controller->awakeFromNib();
        rig.service->calls.clear();
        controller->notNowClicked();
        EXPECT_TRUE(traceText(sandbox).contains(QStringLiteral("Clicked on Not Now button")));
        EXPECT_EQ(rig.service->calls,
                  full ? QStringList()
                       : QStringList{QStringLiteral("saveLastCheckPackageVersion")});
        EXPECT_EQ(rig.log(),
                  full ? QStringList() : QStringList{QStringLiteral("kill:Zorva menu bar item*")});
    }
}
