// The battery at a glance: the status item's tool tip and the rule that decides
// when a low battery is worth a desktop notification.

#include "ZorvaUIProject/ZorvaStatusMenu/HVBatteryNotice.h"

#include <gtest/gtest.h>

namespace {

HVMenuDevice headset(const QString& name, quint64 lid, std::optional<HVMenuBattery> battery) {
    return {name, QStringLiteral("HV2A01"), lid, QString(), battery};
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

} // namespace

TEST(StatusToolTip, OneLinePerHeadsetWithABatteryInMenuOrder) {
    const struct {
        const char* what;
        bool fullMenu;
        std::vector<HVMenuDevice> devices;
        QString description;
    } cases[] = {
        // clang-format off
        {"no headset", true, {}, {}},
        {"low and charging", true, {quillo(at(0, true, true))}, "Zorva Quillo 40: low, charging"},
        {"no level, not low", true, {quillo(at(0))}, "Zorva Quillo 40"},
        {"menu order, without battery or name left out", true,
         {brindle(at(15, false, true)), headset("Zorva Dock", 3, std::nullopt), headset(QString(), 4, at(40)), quillo(at(80, true))},
         "Zorva Brindle 84: 15%\nZorva Quillo 40: 80%, charging"},
        {"reduced menu tells nothing of devices", false, {quillo(at(55))}, {}},
        // clang-format on
    };
    for (const auto& c : cases) {
        HVMenuInput input;
        input.fullMenu = c.fullMenu;
        input.devices = c.devices;
        const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(input);
        EXPECT_EQ(menu.toolTip.description, c.description) << c.what;
    }
}

// Each case is a run of reports to the rule, `minute` minutes after the first,
// and the notifications each must answer as "name#replacesId"; the server
// answers the n-th notification of a case with the id 100 + n.
TEST(BatteryNotice, OneNotificationPerHeadsetPerLowEpisode) {
    struct Step {
        int minute;
        std::vector<HVMenuDevice> devices;
        std::vector<QString> expected;
    };
    const auto low = at(15, false, true);
    const struct {
        const char* what;
        std::vector<Step> steps;
    } cases[] = {
        // clang-format off
        {"recovered above low, then low again: one",
         {{0, {quillo(low)}, {"Zorva Quillo 40#0"}}, {5, {quillo(at(50))}, {}}, {9, {quillo(low)}, {"Zorva Quillo 40#100"}}}},
        {"not low: none", {{0, {quillo(at(18)), brindle(at(0))}, {}}}},
        {"detached, attached again within the quiet period: none",
         {{0, {quillo(low)}, {"Zorva Quillo 40#0"}}, {1, {}, {}}, {3, {quillo(std::nullopt)}, {}}, {9, {quillo(low)}, {}}}},
        {"attached again after the quiet period: one",
         {{0, {quillo(low)}, {"Zorva Quillo 40#0"}}, {1, {}, {}}, {11, {quillo(low)}, {"Zorva Quillo 40#100"}}}},
        {"another location is another headset",
         {{0, {quillo(low)}, {"Zorva Quillo 40#0"}}, {1, {headset(kQuillo, 8, low)}, {"Zorva Quillo 40#0"}}}},
        {"unnamed device: none", {{0, {headset(QString(), 1, low)}, {}}}},
        // clang-format on
    };
    for (const auto& c : cases) {
        HVBatteryNotice notice;
        quint32 nextId = 100;
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            std::vector<QString> got;
            for (const auto& alert :
                 notice.report(step.devices, HVBatteryNotice::Clock::time_point() +
                                                 std::chrono::minutes(step.minute))) {
                got.push_back(alert.name + QLatin1Char('#') + QString::number(alert.replacesId));
                notice.delivered(alert.headset, nextId++);
            }
            EXPECT_EQ(got, step.expected) << c.what << ", report " << i;
        }
    }
}
