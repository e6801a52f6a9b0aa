#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuModel.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

HVMenuDevice device(const QString& name, quint64 lid, std::optional<HVMenuBattery> battery = {},
                    const QString& productID = u"HV1000"_s) {
    return {name, productID, lid, u"1.2.3"_s, battery};
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

// Which rows a menu has, in order, with their commands and tags, and its icon.
TEST(HVStatusMenuLayout, RowsCommandsTagsAndIcon) {
    HVMenuInput reduced = fullInput();
    reduced.fullMenu = false;
    reduced.devices.push_back(device(u"Headset"_s, 5, HVMenuBattery{80}));
    reduced.softphones.push_back({u"Skype"_s, 1});
    HVMenuInput update = fullInput();
    update.isSWUpdateAvailable = true;
    // Three softphones, one hidden by its state, one hidden by an absent name:
    // sorted case-sensitively, tagged 0 and 1. A device without a name: no item,
    // but a separator.
    HVMenuInput phones = update;
    phones.softphones = {{u"skype"_s, 1}, {u"Bria"_s, 7},  {u"Jabber"_s, 0},
                         {QString(), 1},  {u"Avaya"_s, 2}, {u"Lync"_s, 9}};
    phones.devices = {device(QString(), 77)};
    const Row sep{u"---"_s, A::None, -1};
    const struct {
        const char* what;
        const HVMenuInput& input;
        std::vector<Row> rows;
        HVStatusIcon icon;
    } cases[] = {
        // clang-format off
        {"reduced", reduced, {{u"Update Available"_s, A::showUpdateAvailablePopUp, 0}}, HVStatusIcon::UpdateAvailable},
        {"empty", fullInput(), {{u"Help"_s, A::statusHelpSelected, 0}, {u"Check for updates"_s, A::checkManualUpdate, 1},
                                {u"Open Zorva"_s, A::statusOpenZorvaSelected, 2}}, HVStatusIcon::Normal},
        {"softphones", phones, {sep, {u"Jabber"_s, A::statusSoftphoneSelected, 0}, {u"skype"_s, A::statusSoftphoneSelected, 1}, sep,
                                {u"Help"_s, A::statusHelpSelected, 2}, {u"Update Available"_s, A::showUpdateAvailablePopUp, 3},
                                {u"Check for updates"_s, A::checkManualUpdate, 4}, {u"Open Zorva"_s, A::statusOpenZorvaSelected, 5}},
         HVStatusIcon::UpdateAvailable},
        // clang-format on
    };
    for (const auto& c : cases) {
        const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(c.input);
        EXPECT_EQ(rows(menu), c.rows) << c.what;
        EXPECT_EQ(menu.icon, c.icon) << c.what;
    }
    const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(phones);
    EXPECT_EQ(menu.items[1].onStateImage, u"SametimeError"_s); // on-state mark
    EXPECT_EQ(menu.items[1].state, 1);
    EXPECT_TRUE(menu.items[1].isEnabled());
    EXPECT_FALSE(menu.items[0].isEnabled());
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
    EXPECT_EQ(rows(menu)[0], (Row{u"Base"_s, A::recoverableDeviceSelected, -1})); // tag: the lid
    EXPECT_EQ(menu.items[0].onStateImage, u"SametimeError"_s);
    EXPECT_EQ(menu.items[0].state, 1);
    // In recovery but no component with its product ID: marked, still disabled.
    EXPECT_EQ(menu.items[1].action, A::None);
    EXPECT_EQ(menu.items[1].state, 1);
    EXPECT_FALSE(menu.items[1].isEnabled());
}

// A view's parts as "x+width" from the left (all are 20 high at y 0), "-" when absent.
std::string columns(const std::optional<HVBatteryView>& view) {
    if (!view) {
        return "none";
    }
    QStringList parts;
    for (const auto& r : {std::optional(view->container), std::optional(view->nameLabel),
                          view->chargingPicture, view->batteryPicture, view->percentageLabel}) {
        EXPECT_TRUE(!r || (r->y() == 0 && r->height() == 20));
        parts << (r ? u"%1+%2"_s.arg(r->x()).arg(r->width()) : u"-"_s);
    }
    parts << view->batteryImage << view->percentageText;
    return parts.join(u' ').trimmed().toStdString();
}

TEST(HVStatusMenuLayout, WidthAndBatteryViewColumns) {
    // Names of 12 and 20 characters, one charging headset, percentage shown.
    const std::vector<HVMenuDevice> devices = {
        device(u"Twelve chars"_s, 1, HVMenuBattery{55, true}),
        device(u"Twenty characters!!!"_s, 2)};
    EXPECT_EQ(HVStatusMenuLayout::getMaxWithOfMenu(devices, true), 290);
    EXPECT_EQ(HVStatusMenuLayout::getMaxWithOfMenu(devices, false), 250);
    // Only special devices carry a battery: no level column, but the charging one.
    EXPECT_EQ(HVStatusMenuLayout::getMaxWithOfMenu(
                  {device(u"HV2456"_s, 1, HVMenuBattery{10, true}, u"HV1234"_s)}, true),
              60 + 20);
    EXPECT_TRUE(HVStatusMenuLayout::isChargingHeadset(devices));
    EXPECT_FALSE(HVStatusMenuLayout::isChargingHeadset({devices[1]}));

    const HVMenuDevice idle = device(u"Idle"_s, 3, HVMenuBattery{100});
    const struct {
        const char* what;
        HVMenuDevice device;
        bool anyCharging, showPercentage;
        const char* columns;
    } views[] = {
        // clang-format off
        {"charging, percentage", devices[0], true, true, "0+290 20+180 265+20 235+30 195+40 Battery_2.png 55%"},
        // Another row in the same menu, not charging itself: the column still at 235.
        {"idle beside a charging one", idle, true, false, "0+290 20+180 - 235+30 - Battery_5.png"},
        {"idle, percentage", idle, false, true, "0+290 20+180 - 255+30 215+40 Battery_5.png 100%"},
        // A special device: its grey name only.
        {"special", device(u"Base"_s, 4, HVMenuBattery{60, true}, u"HV2454"_s), true, true, "0+290 20+180 - - -"},
        {"no battery", device(u"Wired"_s, 5), false, true, "none"},
        // clang-format on
    };
    for (const auto& v : views) {
        EXPECT_EQ(columns(HVStatusMenuLayout::createViewForHeadset(v.device, 290, v.anyCharging,
                                                                   v.showPercentage)),
                  v.columns)
            << v.what;
    }
    // Top-left conversion for widgets keeps the columns.
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
    input.devices = {device(u"Empty"_s, 1, HVMenuBattery{0}),
                     device(u"Base"_s, 2, HVMenuBattery{0}, u"HV2454"_s),
                     device(u"HV2456"_s, 3, HVMenuBattery{0}, u"HV1111"_s),
                     device(u"Full"_s, 4, HVMenuBattery{90})};
    const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
    EXPECT_FALSE(menu.items[0].view);
    EXPECT_EQ(menu.items[0].title, u"Empty"_s);
    EXPECT_TRUE(menu.items[1].view);
    EXPECT_TRUE(menu.items[2].view);
    EXPECT_TRUE(menu.items[3].view);
}
