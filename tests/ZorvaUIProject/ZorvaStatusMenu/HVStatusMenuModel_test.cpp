#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuModel.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

HVMenuDevice device(const QString& name, quint64 lid, std::optional<HVMenuBattery> battery = {},
                    const QString& productID = u"HV1000"_s) {
    HVMenuDevice d;
    d.name = name;
    d.productID = productID;
    d.lid = lid;
    d.curFwVersion = u"1.2.3"_s;
    d.batteryInfo = battery;
    return d;
}

HVMenuBattery battery(int pct, bool charging = false, bool low = false) {
    return HVMenuBattery{pct, charging, low};
}

HVMenuInput fullInput() {
    HVMenuInput input;
    input.fullMenu = true;
    input.checkForManualUpdate = u"Check for updates"_s;
    return input;
}

struct Row {
    QString title;
    HVMenuAction action;
    qint64 tag;
    bool operator==(const Row&) const = default;
};

std::vector<Row> rows(const HVStatusMenu& menu) {
    std::vector<Row> result;
    for (const auto& item : menu.items) {
        result.push_back(item.isSeparator ? Row{u"---"_s, HVMenuAction::None, -1}
                                          : Row{item.title, item.action, item.tag});
    }
    return result;
}

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.title.toStdString() << "/" << static_cast<int>(row.action) << "/" << row.tag;
}

using A = HVMenuAction;

} // namespace

TEST(HVStatusMenuLayout, ReducedModeIsOneUpdateItemWithUpdateIcon) {
    HVMenuInput input = fullInput();
    input.fullMenu = false;
    input.devices.push_back(device(u"Headset"_s, 5, battery(80)));
    input.softphones.push_back({u"Skype"_s, 1});
    input.isSWUpdateAvailable = false;
    const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_EQ(rows(menu),
              (std::vector<Row>{{u"Update Available"_s, A::showUpdateAvailablePopUp, 0}}));
    EXPECT_EQ(menu.icon, HVStatusIcon::UpdateAvailable);
}

TEST(HVStatusMenuLayout, FixedItemTagsFollowSoftphonesAndUpdateFlag) {
    HVMenuInput input = fullInput();
    HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_EQ(rows(menu), (std::vector<Row>{{u"Help"_s, A::statusHelpSelected, 0},
                                            {u"Check for updates"_s, A::checkManualUpdate, 1},
                                            {u"Open Zorva"_s, A::statusOpenZorvaSelected, 2}}));
    EXPECT_EQ(menu.icon, HVStatusIcon::Normal);

    input.isSWUpdateAvailable = true;
    menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_EQ(rows(menu), (std::vector<Row>{{u"Help"_s, A::statusHelpSelected, 0},
                                            {u"Update Available"_s, A::showUpdateAvailablePopUp, 1},
                                            {u"Check for updates"_s, A::checkManualUpdate, 2},
                                            {u"Open Zorva"_s, A::statusOpenZorvaSelected, 3}}));
    EXPECT_EQ(menu.icon, HVStatusIcon::UpdateAvailable);

    // Three softphones, one hidden by its state, one hidden by an absent name:
    // sorted case-sensitively, tagged 0 and 1, on-state mark set.
    input.softphones = {{u"skype"_s, 1}, {u"Bria"_s, 7},  {u"Jabber"_s, 0},
                        {QString(), 1},  {u"Avaya"_s, 2}, {u"Lync"_s, 9}};
    input.devices = {device(QString(), 77)}; // no name: no item, but a separator
    menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_EQ(rows(menu), (std::vector<Row>{{u"---"_s, A::None, -1},
                                            {u"Jabber"_s, A::statusSoftphoneSelected, 0},
                                            {u"skype"_s, A::statusSoftphoneSelected, 1},
                                            {u"---"_s, A::None, -1},
                                            {u"Help"_s, A::statusHelpSelected, 2},
                                            {u"Update Available"_s, A::showUpdateAvailablePopUp, 3},
                                            {u"Check for updates"_s, A::checkManualUpdate, 4},
                                            {u"Open Zorva"_s, A::statusOpenZorvaSelected, 5}}));
    EXPECT_EQ(menu.items[1].onStateImage, u"SametimeError"_s);
    EXPECT_EQ(menu.items[1].state, 1);
    EXPECT_TRUE(menu.items[1].isEnabled());
    EXPECT_FALSE(menu.items[0].isEnabled());
}

TEST(HVStatusMenuLayout, CheckingItemIsDisabledAndDevicesAreTaggedByLocation) {
    HVMenuInput input = fullInput();
    input.checkForManualUpdate = u"Checking..."_s;
    const quint64 bigLid = 0x8000000000000001ULL;
    input.devices = {device(u"Desk Phone"_s, bigLid), device(u"Desk Phone"_s, 9)};
    const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
    ASSERT_EQ(menu.items.size(), 6u);
    EXPECT_EQ(menu.items[0].tag, static_cast<qint64>(bigLid));
    EXPECT_EQ(menu.items[1].tag, 9);
    EXPECT_FALSE(menu.items[0].isEnabled()); // devices carry no command
    EXPECT_TRUE(menu.items[2].isSeparator);
    EXPECT_EQ(menu.items[4].title, u"Checking..."_s);
    EXPECT_EQ(menu.items[4].action, A::None);
    EXPECT_FALSE(menu.items[4].isEnabled());
    EXPECT_EQ(menu.items[4].tag, 1);
}

TEST(HVStatusMenuLayout, RecoveryDevicesMatchByProductAndLocation) {
    HVMenuInput input = fullInput();
    HVMenuDevice recovering = device(u"Base"_s, 0xFFFFFFFFFFFFFFFFULL, {}, u"HV2454"_s);
    recovering.curFwVersion = u"Recovery"_s;
    HVMenuDevice other = recovering;
    other.name = u"Other"_s;
    other.lid = 12;
    input.devices = {recovering, other};
    // Location -1 is the same 64 bits as the device's unsigned location.
    input.recoveryComponents = {{u"HV2454"_s, -1}, {u"HV9999"_s, 12}};
    const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_EQ(menu.items[0].action, A::recoverableDeviceSelected);
    EXPECT_EQ(menu.items[0].onStateImage, u"SametimeError"_s);
    EXPECT_EQ(menu.items[0].state, 1);
    // In recovery but no component with its product ID: marked, still disabled.
    EXPECT_EQ(menu.items[1].action, A::None);
    EXPECT_EQ(menu.items[1].state, 1);
    EXPECT_FALSE(menu.items[1].isEnabled());
}

TEST(HVStatusMenuLayout, WidthAndBatteryViewColumns) {
    // Names of 12 and 20 characters, one charging headset, percentage shown.
    std::vector<HVMenuDevice> devices = {device(u"Twelve chars"_s, 1, battery(55, true)),
                                         device(u"Twenty characters!!!"_s, 2)};
    EXPECT_EQ(HVStatusMenuLayout::getMaxWithOfMenu(devices, true), 290);
    EXPECT_EQ(HVStatusMenuLayout::getMaxWithOfMenu(devices, false), 250);
    EXPECT_EQ(HVStatusMenuLayout::getMaxWithOfMenu({}, true), 0);
    // Only special devices carry a battery: no level column, but the charging one.
    std::vector<HVMenuDevice> special = {device(u"HV2456"_s, 1, battery(10, true), u"HV1234"_s)};
    EXPECT_EQ(HVStatusMenuLayout::getMaxWithOfMenu(special, true), 60 + 20);
    EXPECT_TRUE(HVStatusMenuLayout::isChargingHeadset(devices));
    EXPECT_FALSE(HVStatusMenuLayout::isChargingHeadset({devices[1]}));

    auto view = HVStatusMenuLayout::createViewForHeadset(devices[0], 290, true, true);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->container, QRectF(0, 0, 290, 20));
    EXPECT_EQ(view->nameLabel, QRectF(20, 0, 180, 20));
    EXPECT_EQ(view->chargingPicture, QRectF(265, 0, 20, 20));
    EXPECT_EQ(view->batteryPicture, QRectF(235, 0, 30, 20));
    EXPECT_EQ(view->percentageLabel, QRectF(195, 0, 40, 20));
    EXPECT_EQ(view->batteryImage, u"Battery_2.png"_s);
    EXPECT_EQ(view->percentageText, u"55%"_s);

    // Another row in the same menu, not charging itself: column still 235.
    HVMenuDevice idle = device(u"Idle"_s, 3, battery(100));
    view = HVStatusMenuLayout::createViewForHeadset(idle, 290, true, false);
    ASSERT_TRUE(view);
    EXPECT_FALSE(view->chargingPicture);
    EXPECT_EQ(view->batteryPicture, QRectF(235, 0, 30, 20));
    EXPECT_FALSE(view->percentageLabel);
    EXPECT_EQ(view->batteryImage, u"Battery_5.png"_s);

    view = HVStatusMenuLayout::createViewForHeadset(idle, 290, false, true);
    EXPECT_EQ(view->batteryPicture, QRectF(255, 0, 30, 20));
    EXPECT_EQ(view->percentageLabel, QRectF(215, 0, 40, 20));

    // Special device: grey name only.
    HVMenuDevice base = device(u"Base"_s, 4, battery(60, true), u"HV2454"_s);
    view = HVStatusMenuLayout::createViewForHeadset(base, 290, true, true);
    ASSERT_TRUE(view);
    EXPECT_FALSE(view->chargingPicture);
    EXPECT_FALSE(view->batteryPicture);
    EXPECT_FALSE(view->percentageLabel);

    EXPECT_FALSE(HVStatusMenuLayout::createViewForHeadset(device(u"Wired"_s, 5), 290, false, true));
    // Top-left conversion for widgets keeps the columns.
    EXPECT_EQ(HVStatusMenuLayout::toTopLeft(QRectF(235, 0, 30, 20)), QRectF(235, 0, 30, 20));
    EXPECT_EQ(HVStatusMenuLayout::toTopLeft(QRectF(0, 5, 10, 10)), QRectF(0, 5, 10, 10));
    EXPECT_EQ(HVStatusMenuLayout::toTopLeft(QRectF(0, 0, 10, 5)), QRectF(0, 15, 10, 5));
}

TEST(HVStatusMenuLayout, BatteryLevelPicturesAndWhichDevicesGetViews) {
    // Out-of-range reports keep a picture.
    const std::pair<int, int> levels[] = {{0, 0},   {19, 0},  {20, 1}, {99, 4},
                                          {100, 5}, {250, 5}, {-40, 0}};
    for (const auto& [percent, level] : levels) {
        EXPECT_EQ(HVStatusMenuLayout::batteryLevel(percent), level) << percent;
    }

    HVMenuInput input = fullInput();
    input.showBatteryStatus = true;
    input.devices = {
        device(u"Empty"_s, 1, battery(0)), device(u"Base"_s, 2, battery(0), u"HV2454"_s),
        device(u"HV2456"_s, 3, battery(0), u"HV1111"_s), device(u"Full"_s, 4, battery(90))};
    const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_FALSE(menu.items[0].view);
    EXPECT_EQ(menu.items[0].title, u"Empty"_s);
    EXPECT_TRUE(menu.items[1].view);
    EXPECT_TRUE(menu.items[2].view);
    ASSERT_TRUE(menu.items[3].view);
    // Width: 6 chars * 10 + 30 + 40, nobody charging.
    EXPECT_EQ(menu.items[3].view->container.width(), 130);
    EXPECT_EQ(menu.items[3].view->batteryPicture, QRectF(95, 0, 30, 20));
}

TEST(HVStatusMenuLayout, IconDecisionTable) {
    HVMenuInput input = fullInput();
    input.devices = {device(u"Low"_s, 1, battery(5, false, true))};
    for (bool update : {false, true}) {
        for (bool low : {false, true}) {
            input.isSWUpdateAvailable = update;
            input.devices[0].batteryInfo->isBatteryLow = low;
            const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
            const HVStatusIcon expected = low      ? HVStatusIcon::LowBattery
                                          : update ? HVStatusIcon::UpdateAvailable
                                                   : HVStatusIcon::Normal;
            EXPECT_EQ(menu.icon, expected) << update << low;
            // The update item stays even when the low battery takes the icon.
            const bool hasUpdateItem =
                std::any_of(menu.items.begin(), menu.items.end(), [](const HVMenuItem& i) {
                    return i.action == A::showUpdateAvailablePopUp;
                });
            EXPECT_EQ(hasUpdateItem, update);
        }
    }
    EXPECT_EQ(HVStatusMenuLayout::iconPair(HVStatusIcon::Normal).image, u"HVstatusoffline"_s);
    EXPECT_EQ(HVStatusMenuLayout::iconPair(HVStatusIcon::Normal).alternateImage,
              u"HVstatusonline"_s);
    EXPECT_EQ(HVStatusMenuLayout::iconPair(HVStatusIcon::UpdateAvailable).alternateImage,
              u"SWUpdateNotificationHighlight"_s);
    EXPECT_EQ(HVStatusMenuLayout::iconPair(HVStatusIcon::LowBattery).alternateImage,
              u"Battery_Low"_s);
}
