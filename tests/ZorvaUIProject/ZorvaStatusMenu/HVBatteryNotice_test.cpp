// The battery at a glance: the status item's tool tip and the rule that decides
// when a low battery is worth a desktop notification.

#include "ZorvaUIProject/ZorvaStatusMenu/HVBatteryNotice.h"

#include <gtest/gtest.h>

namespace {

HVMenuDevice headset(const QString& name, quint64 lid, std::optional<HVMenuBattery> battery) {
    HVMenuDevice device;
    device.name = name;
    device.productID = QStringLiteral("HV2A01");
    device.lid = lid;
    device.batteryInfo = battery;
    return device;
}

// Percentage, charging, low flag.
HVMenuBattery at(int pct, bool charging = false, bool low = false) {
    return HVMenuBattery{pct, charging, low};
}

const QString kQuillo = QStringLiteral("Zorva Quillo 40");
const QString kBrindle = QStringLiteral("Zorva Brindle 84");

HVMenuDevice quillo(std::optional<HVMenuBattery> battery) {
    return headset(kQuillo, 7, battery);
}
HVMenuDevice brindle(std::optional<HVMenuBattery> battery) {
    return headset(kBrindle, 9, battery);
}

struct ToolTipCase {
    const char* what;
    bool fullMenu;
    std::vector<HVMenuDevice> devices;
    QString description;
};

} // namespace

TEST(StatusToolTip, OneLinePerHeadsetWithABatteryInMenuOrder) {
    const std::vector<ToolTipCase> cases = {
        {"no headset", true, {}, {}},
        {"percentage", true, {quillo(at(55))}, "Zorva Quillo 40: 55%"},
        {"charging", true, {quillo(at(80, true))}, "Zorva Quillo 40: 80%, charging"},
        {"low flag without a level", true, {quillo(at(0, false, true))}, "Zorva Quillo 40: low"},
        {"low and charging", true, {quillo(at(0, true, true))}, "Zorva Quillo 40: low, charging"},
        {"no level, not low", true, {quillo(at(0))}, "Zorva Quillo 40"},
        {"menu order, device without battery left out",
         true,
         {brindle(at(15, false, true)), headset("Zorva Dock", 3, std::nullopt), quillo(at(100))},
         "Zorva Brindle 84: 15%\nZorva Quillo 40: 100%"},
        {"unnamed device left out",
         true,
         {headset(QString(), 4, at(40)), quillo(at(40))},
         "Zorva Quillo 40: 40%"},
        {"reduced menu tells nothing of devices", false, {quillo(at(55))}, {}},
    };
    for (const auto& c : cases) {
        HVMenuInput input;
        input.fullMenu = c.fullMenu;
        input.devices = c.devices;
        const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
        EXPECT_EQ(menu.toolTip.title, QStringLiteral("Zorva")) << c.what;
        EXPECT_EQ(menu.toolTip.description, c.description) << c.what;
    }
}

namespace {

// One report to the rule, `minute` minutes after the first, and the
// notifications it must answer as "name#replacesId".
struct Step {
    int minute;
    std::vector<HVMenuDevice> devices;
    std::vector<QString> expected;
};

struct NoticeCase {
    const char* what;
    std::vector<Step> steps;
};

const auto kLow = at(15, false, true);

} // namespace

TEST(BatteryNotice, OneNotificationPerHeadsetPerLowEpisode) {
    // The server answers the n-th notification of a case with the id 100 + n.
    const std::vector<NoticeCase> cases = {
        {"low: one", {{0, {quillo(kLow)}, {"Zorva Quillo 40#0"}}}},
        {"still low: none",
         {{0, {quillo(kLow)}, {"Zorva Quillo 40#0"}}, {1, {quillo(at(12, false, true))}, {}}}},
        {"low while charging: none", {{0, {quillo(at(15, true, true))}, {}}}},
        {"charged, then low again: one that replaces the first",
         {{0, {quillo(kLow)}, {"Zorva Quillo 40#0"}},
          {1, {quillo(at(16, true, true))}, {}},
          {2, {quillo(kLow)}, {"Zorva Quillo 40#100"}}}},
        {"recovered above low, then low again: one",
         {{0, {quillo(kLow)}, {"Zorva Quillo 40#0"}},
          {5, {quillo(at(50))}, {}},
          {9, {quillo(kLow)}, {"Zorva Quillo 40#100"}}}},
        {"not low: none", {{0, {quillo(at(18)), brindle(at(0))}, {}}}},
        {"two headsets low: two",
         {{0, {quillo(kLow), brindle(kLow)}, {"Zorva Quillo 40#0", "Zorva Brindle 84#0"}},
          {1, {quillo(kLow), brindle(kLow)}, {}}}},
        {"detached and attached again within the quiet period: none",
         {{0, {quillo(kLow)}, {"Zorva Quillo 40#0"}},
          {1, {}, {}},
          {3, {quillo(std::nullopt)}, {}}, // attached, no battery report yet
          {9, {quillo(kLow)}, {}}}},
        {"attached again after the quiet period: one",
         {{0, {quillo(kLow)}, {"Zorva Quillo 40#0"}},
          {1, {}, {}},
          {11, {quillo(kLow)}, {"Zorva Quillo 40#100"}}}},
        {"another location is another headset",
         {{0, {quillo(kLow)}, {"Zorva Quillo 40#0"}},
          {1, {headset(kQuillo, 8, kLow)}, {"Zorva Quillo 40#0"}}}},
        {"unnamed device: none", {{0, {headset(QString(), 1, kLow)}, {}}}},
    };
    for (const auto& c : cases) {
        HVBatteryNotice notice;
        const auto start = HVBatteryNotice::Clock::time_point();
        quint32 nextId = 100;
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            const auto alerts =
                notice.report(step.devices, start + std::chrono::minutes(step.minute));
            std::vector<QString> got;
            for (const auto& alert : alerts) {
                got.push_back(alert.name + QLatin1Char('#') + QString::number(alert.replacesId));
                notice.delivered(alert.headset, nextId++);
            }
            EXPECT_EQ(got, step.expected) << c.what << ", report " << i;
        }
    }
}
