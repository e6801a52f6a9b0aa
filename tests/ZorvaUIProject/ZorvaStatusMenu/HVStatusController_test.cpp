#include "Platform/Bundle.h"
#include "Platform/ObjectDescription.h"
#include "Platform/plist/PropertyList.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusController.h"
#include "support/ControllerFakes.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testsupport;

namespace {

QStringList titles(const HVStatusMenu& menu) {
    QStringList result;
    for (const auto& item : menu.items) {
        result << (item.isSeparator ? u"---"_s : item.title);
    }
    return result;
}

// The bundle's Info.plist puts the trace below the home folder.
QString traceText(const ScopedSandbox& sandbox) {
    return QString::fromUtf8(readFile(sandbox.home(u"Library/Logs/Zorva/ZorvaStatusMenu.log"_s)));
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

HVMenuItem menuItem(HVMenuAction action, const QString& title, qint64 tag = 0) {
    HVMenuItem item;
    item.action = action;
    item.title = title;
    item.tag = tag;
    return item;
}

QVariantMap component(const QString& name, const QString& version, const QVariant& locId,
                      const QString& productId = u"HV0A01"_s) {
    return {{u"componentNameKey"_s, name},
            {u"currentVersionKey"_s, version},
            {u"LocIdKey"_s, locId},
            {u"ProdIdKey"_s, productId}};
}

const QString kOpenPane = u"open:/Library/PreferencePanes/Zorva Suite for Mac.prefPane"_s;
// The bundle's English texts of "ZorvaPrefError" and "ZorvaPrefErrorMSG".
const QString kPrefErrorAlert = QStringLiteral(
    "modal:Zorva Suite for Mac|Zorva settings could not be found.|The Zorva settings are not "
    "installed on this computer. Install Zorva Suite again to restore them.|0|OK|ZMSIcon.png|"
    "-2147483622");

} // namespace

TEST(HVStatusControllerStartUp, NoServiceGivesEmptyMenuNormalIconAndEveryStep) {
    ScopedSandbox sandbox;
    Rig rig;
    auto controller = rig.start();

    EXPECT_EQ(rig.service->calls,
              (QStringList{u"devices:ZorvaDeviceService"_s, u"softphones:ZorvaDeviceService"_s,
                           u"updateAvailable"_s, u"updateList"_s}));
    EXPECT_TRUE(controller->allDevices().empty());
    EXPECT_FALSE(controller->isSWUpdateAvailable());
    EXPECT_EQ(rig.publisher->attempts, QStringList{u"StatusAppServer"_s});
    ASSERT_TRUE(rig.bar->item->menu);
    EXPECT_EQ(titles(*rig.bar->item->menu),
              (QStringList{u"Help"_s, u"Check for updates"_s, u"Open Zorva"_s}));
    EXPECT_EQ(rig.bar->item->image, rig.resource(u"HVstatusoffline"_s));
    EXPECT_EQ(rig.bar->item->alternateImage, rig.resource(u"HVstatusonline"_s));
    // The old preference value is removed even when there was none.
    EXPECT_EQ(rig.preferences->cleared, QStringList{u"UpdatePackageAvail"_s});
    const QString trace = traceText(sandbox);
    for (const char* line :
         {"Device List is Empty \n", "softPhoneList is Empty \n",
          "Updated component list is not available \n", "Registered the HV Status APP server.\n",
          "Help Book Registration Success \n", "AwakeFromNib: Update is not available\n",
          "Populate Status Menu - End"}) {
        EXPECT_TRUE(trace.contains(QString::fromUtf8(line))) << line;
    }
    EXPECT_TRUE(rig.center->posted.isEmpty()); // start-up itself posts nothing
}

// A stored "TRUE" stays and the service is not asked; any other stored value is
// deleted and the service decides.
TEST(HVStatusControllerStartUp, PendingUpdatePreference) {
    ScopedSandbox sandbox;
    const struct {
        QString stored;
        QVariant answer;
        bool available;
    } cases[] = {
        {u"TRUE"_s, {}, true}, {u"true"_s, u"TRUE"_s, true}, {u"true"_s, u"true"_s, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toStdString() + " " + c.answer.toString().toStdString());
        Rig rig;
        rig.preferences->values.insert(u"UpdatePackageAvail"_s, c.stored);
        rig.service->updateAvailable = c.answer;
        auto controller = rig.start();
        const bool kept = c.stored == u"TRUE"_s;
        EXPECT_EQ(rig.preferences->values.contains(u"UpdatePackageAvail"_s), kept);
        EXPECT_EQ(rig.service->calls.contains(u"updateAvailable"_s), !kept);
        EXPECT_EQ(controller->isSWUpdateAvailable(), c.available);
        EXPECT_EQ(rig.bar->item->image,
                  rig.resource(c.available ? u"SWUpdateNotification"_s : u"HVstatusoffline"_s));
    }
    EXPECT_TRUE(traceText(sandbox).contains(u"Updated component list is available \n"_s));
}

// Start-up ends early, with a trace line, at the first step that fails; what
// came before stays (the observer, the callback server's name).
TEST(HVStatusControllerStartUp, EarlyEnds) {
    using Check = std::function<void(Rig&, HVStatusController&)>;
    const Check none = [](Rig&, HVStatusController&) {};
    const struct {
        const char* trace;
        std::function<void(Rig&)> setUp;
        bool published;
        int menuItems; // -1: no menu
        bool item;
        Check more;
    } cases[] = {
        // clang-format off
        {"AwakeFromNib: status DO creation failed \n", [](Rig& r) { r.serviceClient = false; }, false, -1, false,
         [](Rig& r, HVStatusController&) { EXPECT_EQ(r.center->observers.size(), 1u); }},
        {"AwakeFromNib: Connection creation failed \n", [](Rig& r) { r.publisher->connectionOk = false; }, false, -1, false, none},
        // "StatusAppServer" taken: callbacks still work on the registry; the rebuild has no menu to fill.
        {"Could not register the server.\n", [](Rig& r) { r.publisher->nameTaken = true; }, true, -1, false,
         [](Rig& r, HVStatusController& c) {
             c.updateDeviceInfo(u"A"_s, u"HV0001"_s, 1, 0, u"1.0"_s, 0);
             r.center->deliver();
             EXPECT_EQ(c.allDevices().size(), 1u);
         }},
        // The desktop gives no status item: the menu exists but is not shown.
        {"AwakeFromNib: status bar creation failed \n", [](Rig& r) { r.bar->giveItem = false; }, true, 3, false, none},
        // A transport failure in the first queries: start-up goes on at the flag.
        {"", [](Rig& r) { r.service->throwOnDevices = true; }, true, 3, true,
         [](Rig& r, HVStatusController&) {
             EXPECT_FALSE(r.service->calls.contains(u"softphones:ZorvaDeviceService"_s));
             EXPECT_TRUE(r.service->calls.contains(u"updateAvailable"_s));
         }},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trace);
        ScopedSandbox sandbox;
        Rig rig;
        c.setUp(rig);
        auto controller = rig.start();
        EXPECT_TRUE(traceText(sandbox).contains(QString::fromUtf8(c.trace)));
        EXPECT_EQ(rig.publisher->attempts.size(), c.published ? 1 : 0);
        EXPECT_EQ(controller->statusMenu() ? int(controller->statusMenu()->items.size()) : -1,
                  c.menuItems);
        EXPECT_EQ(controller->hasStatusItem(), c.item);
        c.more(rig, *controller);
    }
}

TEST(HVStatusControllerStartUp, TraceSettingsComeFromTheBundleInfoList) {
    ScopedSandbox sandbox;
    const QString bundlePath = sandbox.home(u"Test.app"_s);
    QDir().mkpath(bundlePath + u"/Contents/Resources"_s);
    // Only a true boolean or the number 1 turns tracing on; without the switch,
    // or with anything else in it, tracing goes off.
    const std::pair<QVariant, bool> switches[] = {{QVariant(), false}, {u"YES"_s, false},
                                                  {2, false},          {false, false},
                                                  {1, true},           {true, true}};
    for (const auto& [value, on] : switches) {
        SCOPED_TRACE(platform::describe(value).toStdString());
        QVariantMap info{{u"Trace File Location"_s, u"trace.log"_s},
                         {u"Log Severity"_s, u"CRITICAL"_s}};
        if (value.isValid()) {
            info.insert(u"Trace Enable Status"_s, value);
        }
        ASSERT_TRUE(platform::plist::writeFile(bundlePath + u"/Contents/Info.plist"_s, info));
        HVTrace::setTraceOn(!on);
        Rig rig;
        rig.bundle = platform::Bundle::bundleWithPath(bundlePath);
        rig.start();
        EXPECT_EQ(HVTrace::isTraceOn(), on);
    }
    // Home and file name without a separator; CRITICAL keeps out the lower severities.
    const QString trace = QString::fromUtf8(readFile(sandbox.home() + u"trace.log"_s));
    EXPECT_TRUE(trace.contains(u"Device List is Empty \n"_s));
    EXPECT_FALSE(trace.contains(u"Registered the HV Status APP server"_s));
}

TEST(HVStatusControllerRegistry, DeviceIdentityRules) {
    ScopedSandbox sandbox;
    Rig rig;
    auto controller = rig.start();
    const auto& all = controller->allDevices();

    // Same name, different locations: both kept. Same name and location: one.
    controller->updateDeviceInfo(u"Base"_s, u"HV2454"_s, 7, 0, u"1.0"_s, 3);
    controller->updateDeviceInfo(u"Base"_s, u"HV2454"_s, 8, 0, u"1.0"_s, 3);
    controller->updateDeviceInfo(u"Base"_s, u"HV2454"_s, 7, 0, u"2.0"_s, 4);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->curFwVersion(), u"1.0"_s);
    EXPECT_TRUE(traceText(sandbox).contains(u"Device Exists already \n"_s));

    // Battery reports: a new headset record on the base's location, appended.
    controller->updateHeadsetBatteryInfo(headset(u"Headset A"_s, u"HV0111"_s, 7, u"T1"_s, 50));
    controller->updateHeadsetBatteryInfo(headset(u"Headset B"_s, u"HV0112"_s, 7, u"T2"_s, 60));
    ASSERT_EQ(all.size(), 4u);
    // Same type and location: the record is found and its battery refreshed.
    controller->updateHeadsetBatteryInfo(headset(u"Headset A"_s, u"HV0111"_s, 7, u"T1"_s, 90));
    EXPECT_EQ(all[2]->batteryInfo()->hsBatteryPCT(), 90);
    EXPECT_EQ(all.size(), 4u);
    // A device whose own record carries the battery: matched by product and location.
    controller->updateHeadsetBatteryInfo(headset(u"Base again"_s, u"HV2454"_s, 8, u"T9"_s, 40));
    ASSERT_EQ(all.size(), 4u);
    ASSERT_TRUE(all[1]->batteryInfo());
    EXPECT_EQ(all[1]->batteryInfo()->hsBatteryPCT(), 40);

    // Removing the base at 7 also removes the first headset record at 7, only that one.
    controller->updateDeviceInfo(u"Base"_s, u"HV2454"_s, 7, 1, QString(), 0);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->name() + u',' + all[1]->name(), u"Base,Headset B"_s);
    // No match: a trace line and nothing else (state -1 also detaches).
    controller->updateDeviceInfo(u"Nobody"_s, u"HV0000"_s, 99, -1, QString(), 0);
    EXPECT_EQ(all.size(), 2u);
    EXPECT_TRUE(traceText(sandbox).contains(u"After Device Removed Nobody \n device list ("_s));

    // Every callback posted once, and the menu was not rebuilt inside any of them.
    EXPECT_EQ(rig.center->posted.size(), 9);
    EXPECT_TRUE(rig.center->immediate);
    const int sets = rig.bar->item->menuSets;
    rig.center->deliver();
    EXPECT_EQ(rig.bar->item->menuSets, sets + 9);
    EXPECT_EQ(titles(*rig.bar->item->menu).mid(0, 3),
              (QStringList{u"Base"_s, u"Headset B"_s, u"---"_s}));
}

// Names, product identifiers and headset types: an absent one matches nothing,
// an empty one only an empty one.
TEST(HVStatusControllerRegistry, AbsentStringsMatchNothing) {
    ScopedSandbox sandbox;
    const QString absent, empty = u""_s, x = u"X"_s;
    const struct {
        QString stored, incoming;
        bool same;
    } cases[] = {{absent, absent, false}, {absent, empty, false}, {empty, absent, false},
                 {empty, empty, true},    {x, x, true},           {x, empty, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
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

TEST(HVStatusControllerUpdates, CheckResultsLowBatteryAndRecovery) {
    ScopedSandbox sandbox;
    Rig rig;
    auto controller = rig.start();
    auto hasUpdateItem = [&] {
        return titles(*rig.bar->item->menu).contains(u"Update Available"_s);
    };
    controller->sendCheckForUpdateStatus(0);
    EXPECT_TRUE(controller->isSWUpdateAvailable());
    // The icon changes only with the rebuild.
    EXPECT_EQ(rig.bar->item->image, rig.resource(u"HVstatusoffline"_s));
    rig.center->deliver();
    EXPECT_EQ(rig.bar->item->image, rig.resource(u"SWUpdateNotification"_s));
    EXPECT_TRUE(hasUpdateItem());
    controller->sendCheckForUpdateStatus(5); // no state change, still a rebuild
    EXPECT_TRUE(controller->isSWUpdateAvailable());
    controller->sendCheckForUpdateStatus(1);
    EXPECT_FALSE(controller->isSWUpdateAvailable());

    // Automatic lists: only recovery components leave the flag false; a manual
    // answer (the last) leaves the flag alone.
    const QVariantMap recovery{
        {u"currentVersionKey"_s, u"Recovery"_s}, {u"ProdIdKey"_s, u"HV2454"_s}, {u"LocIdKey"_s, 7}};
    const QVariantMap normal{{u"currentVersionKey"_s, u"1.0"_s}};
    const struct {
        QVariant list;
        bool manual, available;
    } lists[] = {
        // clang-format off
        {QVariantList{recovery, recovery}, false, false}, {QVariantList{recovery, normal}, false, true},
        {QVariantList(), false, false}, {QVariantList{normal}, false, true}, {QVariant(), true, true},
        // clang-format on
    };
    for (const auto& l : lists) {
        controller->sendUpdatedComponentList(l.list, l.manual);
        EXPECT_EQ(controller->isSWUpdateAvailable(), l.available) << l.list.toList().size();
    }
    rig.center->deliver();
    EXPECT_TRUE(hasUpdateItem());

    // A low battery takes the icon; the update item stays.
    controller->updateHeadsetBatteryInfo(headset(u"Low one"_s, u"HV0111"_s, 3, u"T1"_s, 10, true));
    rig.center->deliver();
    EXPECT_EQ(rig.bar->item->image, rig.resource(u"Battery_Low"_s));
    EXPECT_EQ(rig.bar->item->alternateImage, rig.resource(u"Battery_Low"_s));
    EXPECT_TRUE(hasUpdateItem());

    // A device in recovery with a matching component becomes clickable.
    rig.service->updateList = QVariantList{recovery};
    controller->updateDeviceInfo(u"Base"_s, u"HV2454"_s, 7, 0, u"Recovery"_s, 0);
    rig.center->deliver();
    const HVStatusMenu& menu = *rig.bar->item->menu;
    ASSERT_GE(menu.items.size(), 2u);
    EXPECT_EQ(menu.items[1].title, u"Base"_s);
    EXPECT_EQ(menu.items[1].action, HVMenuAction::recoverableDeviceSelected);
    EXPECT_EQ(menu.items[1].tag, 7);

    // The reduced menu when the suite's menu is switched off.
    rig.preferences->values.remove(u"zorvaStatusMenu"_s);
    controller->statusPostNotifications();
    rig.center->deliver();
    EXPECT_EQ(titles(*rig.bar->item->menu), QStringList{u"Update Available"_s});
    EXPECT_EQ(rig.bar->item->image, rig.resource(u"SWUpdateNotification"_s));

    // Help opens the help book at its anchor.
    controller->menuItemSelected(menuItem(HVMenuAction::statusHelpSelected, u"Help"_s));
    EXPECT_EQ(rig.bar->opened, QStringList{u"ZorvaMacSuiteHelp#main_help_page"_s});
}

TEST(HVStatusControllerCommands, SettingsPaneItems) {
    const QString post0 = u"post:ZORVAERRORNOTIFICATION=0"_s;
    const QString pref = u"pref:prefPaneTabIndex=0(qlonglong)"_s;
    const auto phone = HVMenuAction::statusSoftphoneSelected;
    const auto openItem = HVMenuAction::statusOpenZorvaSelected;
    // A softphone writes, opens, posts, in that order; "Open Zorva" exactly posts nothing;
    // without a pane the blocking alert comes instead of the opening.
    const struct {
        HVMenuAction action;
        QString title;
        bool paneInstalled;
        QStringList log;
    } cases[] = {
        // clang-format off
        {phone,    u"Zorva Quillo Phone"_s, true,  {pref, kOpenPane, post0}},
        {openItem, u"Zorva öffnen"_s,       true,  {kOpenPane, post0}},
        {openItem, u"Open Zorva"_s,         false, {kPrefErrorAlert}},
        {phone,    u"Zorva Quillo Phone"_s, false, {pref, kPrefErrorAlert, post0}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title.toStdString() + (c.paneInstalled ? "" : ", no pane"));
        ScopedSandbox sandbox;
        Rig rig;
        if (!c.paneInstalled) {
            rig.workspace->panePath.clear();
        }
        auto controller = rig.start();
        controller->menuItemSelected(menuItem(c.action, c.title));
        EXPECT_EQ(rig.settledLog(), c.log);
        EXPECT_EQ(traceText(sandbox).contains(u"prefpane is null.\n"_s), !c.paneInstalled);
    }
}

TEST(HVStatusControllerCommands, ManualCheckAnswers) {
    const QString failed = QStringLiteral(
        "alert:Zorva Suite for Mac|Check for update failed. Try again later or check your Internet "
        "Connection.||0|OK|ZMSIcon.png|");
    const QVariantList two{component(u"Zorva Quillo 40"_s, u"1.0"_s, 3),
                           component(u"Zorva Suite for Mac"_s, u"2.0"_s, 0)};
    const struct {
        const char* name;
        std::function<void(HVStatusController&)> answer;
        QStringList log;
    } cases[] = {
        // clang-format off
        {"empty list: an empty window", [](HVStatusController& c) { c.sendUpdatedComponentList(QVariantList(), true); }, {u"window:[]"_s}},
        {"failure, then a late answer shows nothing",
         [&](HVStatusController& c) { c.sendCheckForUpdateStatus(4); c.sendUpdatedComponentList(two, true); }, {failed}},
        {"codes 0 and 1 leave the check running", [](HVStatusController& c) { c.sendCheckForUpdateStatus(0); }, {}},
        {"code 4 while idle shows nothing", [](HVStatusController& c) { c.sendUpdatedComponentList(QVariantList(), true); c.sendCheckForUpdateStatus(4); }, {u"window:[]"_s}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedSandbox sandbox;
        Rig rig;
        auto controller = rig.start();
        controller->menuItemSelected(
            menuItem(HVMenuAction::checkManualUpdate, u"Check for updates"_s));
        c.answer(*controller);
        EXPECT_TRUE(rig.service->calls.contains(u"manualCheck:ZorvaDeviceService"_s));
        EXPECT_EQ(rig.log(), c.log);
        EXPECT_EQ(controller->checkForManualUpdate(),
                  c.log.isEmpty() ? u"Checking..."_s : u"Check for updates"_s);
    }
}

TEST(HVStatusControllerCommands, UpdateAvailableWindowAndItsReturnCodes) {
    ScopedSandbox sandbox;
    Rig rig;
    auto controller = rig.start();
    // No list: a trace line only.
    controller->menuItemSelected(
        menuItem(HVMenuAction::showUpdateAvailablePopUp, u"Update Available"_s));
    EXPECT_TRUE(rig.log().isEmpty());
    EXPECT_TRUE(traceText(sandbox).contains(u"Dictionary for link not found.\n"_s));

    // A list: the window with the settings button, which ends the window alone.
    // (Its settings button: the menu commands' end-to-end test.)
    rig.service->updateList = QVariantList{component(u"Zorva Quillo 40"_s, u"1.0"_s, 3)};
    controller->showUpdateAvailablePopUp();
    EXPECT_EQ(rig.windows->end(1000), 1);
    EXPECT_EQ(rig.settledLog(), QStringList{u"window:[Zorva Quillo 40]+settings"_s});
    EXPECT_TRUE(traceText(sandbox).contains(u"close Sheet.\n"_s));
}

TEST(HVStatusControllerCommands, RecoveryMatchesByNameAndLocation) {
    ScopedSandbox sandbox;
    Rig rig;
    rig.service->updateList = QVariantList{
        component(u"Zorva Quillo 40"_s, u"1.0"_s, 7),
        component(u"Zorva Quillo 40"_s, u"Recovery"_s, 7, u"HVFFFF"_s),
        // Only the low 32 bits of a location count.
        component(u"Zorva Brenna"_s, u"Recovery"_s, QVariant::fromValue(qint64(0x500000009)))};
    auto controller = rig.start();
    const struct {
        QString title;
        qint64 tag;
        QString window;
    } cases[] = {
        // clang-format off
        {u"Zorva Quillo 40"_s, 7,           u"window:[Zorva Quillo 40]"_s},
        {u"Zorva Quillo 40"_s, 8,           u"window:absent"_s},
        {u"Zorva Brenna"_s,    0x700000009, u"window:[Zorva Brenna]"_s},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title.toStdString() + " " + std::to_string(c.tag));
        rig.center->log->clear();
        controller->menuItemSelected(
            menuItem(HVMenuAction::recoverableDeviceSelected, c.title, c.tag));
        EXPECT_EQ(rig.log(), QStringList{c.window});
        rig.windows->end(1000); // a recovery window never opens the settings
    }
    EXPECT_TRUE(traceText(sandbox).contains(u"Show pop up for recovery device."_s));
}
