#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuModel.h"

#include <gtest/gtest.h>

namespace {

HVMenuDevice device(const QString& name, quint64 lid, std::optional<HVMenuBattery> battery = {},
                    const QString& productID = QStringLiteral("HV1000")) {
    HVMenuDevice d;
    d.name = name;
    d.productID = productID;
    d.lid = lid;
    d.curFwVersion = QStringLiteral("1.2.3");
    d.batteryInfo = battery;
    return d;
}

HVMenuBattery battery(int pct, bool charging = false, bool low = false) {
    return HVMenuBattery{pct, charging, low};
}

HVMenuInput fullInput() {
    HVMenuInput input;
    input.fullMenu = true;
    input.checkForManualUpdate = QStringLiteral("Check for updates");
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
        result.push_back(item.isSeparator ? Row{QStringLiteral("---"), HVMenuAction::None, -1}
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
    input.devices.push_back(device(QStringLiteral("Headset"), 5, battery(80)));
    input.softphones.push_back({QStringLiteral("Skype"), 1});
    input.isSWUpdateAvailable = false;
    const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_EQ(rows(menu), (std::vector<Row>{{QStringLiteral("Update Available"),
                                             A::showUpdateAvailablePopUp, 0}}));
    EXPECT_EQ(menu.icon, HVStatusIcon::UpdateAvailable);
}

TEST(HVStatusMenuLayout, FixedItemTagsFollowSoftphonesAndUpdateFlag) {
    HVMenuInput input = fullInput();
    HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_EQ(rows(menu),
              (std::vector<Row>{{QStringLiteral("Help"), A::statusHelpSelected, 0},
                                {QStringLiteral("Check for updates"), A::checkManualUpdate, 1},
                                {QStringLiteral("Open Zorva"), A::statusOpenZorvaSelected, 2}}));
    EXPECT_EQ(menu.icon, HVStatusIcon::Normal);

    input.isSWUpdateAvailable = true;
    menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_EQ(rows(menu), (std::vector<Row>{
                              {QStringLiteral("Help"), A::statusHelpSelected, 0},
                              {QStringLiteral("Update Available"), A::showUpdateAvailablePopUp, 1},
                              {QStringLiteral("Check for updates"), A::checkManualUpdate, 2},
                              {QStringLiteral("Open Zorva"), A::statusOpenZorvaSelected, 3}}));
    EXPECT_EQ(menu.icon, HVStatusIcon::UpdateAvailable);

    // Three softphones, one hidden by its state, one hidden by an absent name:
    // sorted case-sensitively, tagged 0 and 1, on-state mark set.
    input.softphones = {{QStringLiteral("skype"), 1},  {QStringLiteral("Bria"), 7},
                        {QStringLiteral("Jabber"), 0}, {QString(), 1},
                        {QStringLiteral("Avaya"), 2},  {QStringLiteral("Lync"), 9}};
    input.devices = {device(QString(), 77)}; // no name: no item, but a separator
    menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_EQ(rows(menu), (std::vector<Row>{
                              {QStringLiteral("---"), A::None, -1},
                              {QStringLiteral("Jabber"), A::statusSoftphoneSelected, 0},
                              {QStringLiteral("skype"), A::statusSoftphoneSelected, 1},
                              {QStringLiteral("---"), A::None, -1},
                              {QStringLiteral("Help"), A::statusHelpSelected, 2},
                              {QStringLiteral("Update Available"), A::showUpdateAvailablePopUp, 3},
                              {QStringLiteral("Check for updates"), A::checkManualUpdate, 4},
                              {QStringLiteral("Open Zorva"), A::statusOpenZorvaSelected, 5}}));
    EXPECT_EQ(menu.items[1].onStateImage, QStringLiteral("SametimeError"));
    EXPECT_EQ(menu.items[1].state, 1);
    EXPECT_TRUE(menu.items[1].isEnabled());
    EXPECT_FALSE(menu.items[0].isEnabled());
}

TEST(HVStatusMenuLayout, CheckingItemIsDisabledAndDevicesAreTaggedByLocation) {
    HVMenuInput input = fullInput();
    input.checkForManualUpdate = QStringLiteral("Checking...");
    const quint64 bigLid = 0x8000000000000001ULL;
    input.devices = {device(QStringLiteral("Desk Phone"), bigLid),
                     device(QStringLiteral("Desk Phone"), 9)};
    const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
    ASSERT_EQ(menu.items.size(), 6u);
    EXPECT_EQ(menu.items[0].tag, static_cast<qint64>(bigLid));
    EXPECT_EQ(menu.items[1].tag, 9);
    EXPECT_FALSE(menu.items[0].isEnabled()); // devices carry no command
    EXPECT_TRUE(menu.items[2].isSeparator);
    EXPECT_EQ(menu.items[4].title, QStringLiteral("Checking..."));
    EXPECT_EQ(menu.items[4].action, A::None);
    EXPECT_FALSE(menu.items[4].isEnabled());
    EXPECT_EQ(menu.items[4].tag, 1);
}

TEST(HVStatusMenuLayout, RecoveryDevicesMatchByProductAndLocation) {
    HVMenuInput input = fullInput();
    HVMenuDevice recovering =
        device(QStringLiteral("Base"), 0xFFFFFFFFFFFFFFFFULL, {}, QStringLiteral("HV2454"));
    recovering.curFwVersion = QStringLiteral("Recovery");
    HVMenuDevice other = recovering;
    other.name = QStringLiteral("Other");
    other.lid = 12;
    input.devices = {recovering, other};
    // Location -1 is the same 64 bits as the device's unsigned location.
    input.recoveryComponents = {{QStringLiteral("HV2454"), -1}, {QStringLiteral("HV9999"), 12}};
    const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_EQ(menu.items[0].action, A::recoverableDeviceSelected);
    EXPECT_EQ(menu.items[0].onStateImage, QStringLiteral("SametimeError"));
    EXPECT_EQ(menu.items[0].state, 1);
    // In recovery but no component with its product ID: marked, still disabled.
    EXPECT_EQ(menu.items[1].action, A::None);
    EXPECT_EQ(menu.items[1].state, 1);
    EXPECT_FALSE(menu.items[1].isEnabled());
}

TEST(HVStatusMenuLayout, WidthAndBatteryViewColumns) {
    // Names of 12 and 20 characters, one charging headset, percentage shown.
    std::vector<HVMenuDevice> devices = {
        device(QStringLiteral("Twelve chars"), 1, battery(55, true)),
        device(QStringLiteral("Twenty characters!!!"), 2)};
    EXPECT_EQ(HVStatusMenuLayout::getMaxWithOfMenu(devices, true), 290);
    EXPECT_EQ(HVStatusMenuLayout::getMaxWithOfMenu(devices, false), 250);
    EXPECT_EQ(HVStatusMenuLayout::getMaxWithOfMenu({}, true), 0);
    // Only special devices carry a battery: no level column, but the charging one.
    std::vector<HVMenuDevice> special = {
        device(QStringLiteral("HV2456"), 1, battery(10, true), QStringLiteral("HV1234"))};
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
    EXPECT_EQ(view->batteryImage, QStringLiteral("Battery_2.png"));
    EXPECT_EQ(view->percentageText, QStringLiteral("55%"));

    // Another row in the same menu, not charging itself: column still 235.
    HVMenuDevice idle = device(QStringLiteral("Idle"), 3, battery(100));
    view = HVStatusMenuLayout::createViewForHeadset(idle, 290, true, false);
    ASSERT_TRUE(view);
    EXPECT_FALSE(view->chargingPicture);
    EXPECT_EQ(view->batteryPicture, QRectF(235, 0, 30, 20));
    EXPECT_FALSE(view->percentageLabel);
    EXPECT_EQ(view->batteryImage, QStringLiteral("Battery_5.png"));

    view = HVStatusMenuLayout::createViewForHeadset(idle, 290, false, true);
    EXPECT_EQ(view->batteryPicture, QRectF(255, 0, 30, 20));
    EXPECT_EQ(view->percentageLabel, QRectF(215, 0, 40, 20));

    // Special device: grey name only.
    HVMenuDevice base =
        device(QStringLiteral("Base"), 4, battery(60, true), QStringLiteral("HV2454"));
    view = HVStatusMenuLayout::createViewForHeadset(base, 290, true, true);
    ASSERT_TRUE(view);
    EXPECT_FALSE(view->chargingPicture);
    EXPECT_FALSE(view->batteryPicture);
    EXPECT_FALSE(view->percentageLabel);

    EXPECT_FALSE(HVStatusMenuLayout::createViewForHeadset(device(QStringLiteral("Wired"), 5), 290,
                                                          false, true));
    // Top-left conversion for widgets keeps the columns.
    EXPECT_EQ(HVStatusMenuLayout::toTopLeft(QRectF(235, 0, 30, 20)), QRectF(235, 0, 30, 20));
    EXPECT_EQ(HVStatusMenuLayout::toTopLeft(QRectF(0, 5, 10, 10)), QRectF(0, 5, 10, 10));
    EXPECT_EQ(HVStatusMenuLayout::toTopLeft(QRectF(0, 0, 10, 5)), QRectF(0, 15, 10, 5));
}

TEST(HVStatusMenuLayout, BatteryLevelPicturesAndWhichDevicesGetViews) {
    EXPECT_EQ(HVStatusMenuLayout::batteryLevel(0), 0);
    EXPECT_EQ(HVStatusMenuLayout::batteryLevel(19), 0);
    EXPECT_EQ(HVStatusMenuLayout::batteryLevel(20), 1);
    EXPECT_EQ(HVStatusMenuLayout::batteryLevel(99), 4);
    EXPECT_EQ(HVStatusMenuLayout::batteryLevel(100), 5);
    // Out-of-range reports keep a picture.
    EXPECT_EQ(HVStatusMenuLayout::batteryLevel(250), 5);
    EXPECT_EQ(HVStatusMenuLayout::batteryLevel(-40), 0);

    HVMenuInput input = fullInput();
    input.showBatteryStatus = true;
    input.devices = {device(QStringLiteral("Empty"), 1, battery(0)),
                     device(QStringLiteral("Base"), 2, battery(0), QStringLiteral("HV2454")),
                     device(QStringLiteral("HV2456"), 3, battery(0), QStringLiteral("HV1111")),
                     device(QStringLiteral("Full"), 4, battery(90))};
    const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_FALSE(menu.items[0].view);
    EXPECT_EQ(menu.items[0].title, QStringLiteral("Empty"));
    EXPECT_TRUE(menu.items[1].view);
    EXPECT_TRUE(menu.items[2].view);
    ASSERT_TRUE(menu.items[3].view);
    // Width: 6 chars * 10 + 30 + 40, nobody charging.
    EXPECT_EQ(menu.items[3].view->container.width(), 130);
    EXPECT_EQ(menu.items[3].view->batteryPicture, QRectF(95, 0, 30, 20));
}

TEST(HVStatusMenuLayout, IconDecisionTable) {
    HVMenuInput input = fullInput();
    input.devices = {device(QStringLiteral("Low"), 1, battery(5, false, true))};
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
    EXPECT_EQ(HVStatusMenuLayout::iconPair(HVStatusIcon::Normal).image,
              QStringLiteral("HVstatusoffline"));
    EXPECT_EQ(HVStatusMenuLayout::iconPair(HVStatusIcon::Normal).alternateImage,
              QStringLiteral("HVstatusonline"));
    EXPECT_EQ(HVStatusMenuLayout::iconPair(HVStatusIcon::UpdateAvailable).alternateImage,
              QStringLiteral("SWUpdateNotificationHighlight"));
    EXPECT_EQ(HVStatusMenuLayout::iconPair(HVStatusIcon::LowBattery).alternateImage,
              QStringLiteral("Battery_Low"));
}
