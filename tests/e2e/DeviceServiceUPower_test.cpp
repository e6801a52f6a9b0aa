// The real road of a headset on a Linux desktop: UPower (python3-dbusmock's
// template on a stand-in system bus) → zorva-device-service → the status item →
// the menu our tray host reads over dbusmenu, on a private session bus and X screen.

#include "support/MockUPower.h"
#include "support/Stage.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace trayhost;
namespace stage = testsupport::stage;

namespace {

const QString kQuillo = u"Zorva Quillo 40"_s;
const QString kMellin = u"Zorva Mellin 7"_s;
const QStringList kTail{u"Help"_s, u"Check for updates"_s, u"Open Zorva"_s};

// The device rows (labels before the first separator, sorted) and the rest.
QStringList rows(const MenuEntry& menu) {
    QStringList labels = topLabels(menu);
    const qsizetype separator = labels.indexOf(u"----"_s);
    if (separator > 0) {
        QStringList devices = labels.mid(0, separator);
        devices.sort();
        labels = devices + labels.mid(separator + 1);
    }
    return labels;
}

} // namespace

TEST(DeviceServiceUPower, HeadsetsFromUPowerReachTheMenuAndFollowIt) {
    testsupport::MockUPower upower;
    stage::Stage stage;
    stage.require();
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFatalFailure()) {
        return;
    }
    ASSERT_TRUE(upower.start()) << qPrintable(upower.errors());
    QString quillo = upower.addHeadsets();
    ASSERT_FALSE(quillo.isEmpty()) << qPrintable(upower.errors());
    stage.env = upower.environment(stage.env);
    ASSERT_TRUE(stage.startService(stage::binary("service/zorva-device-service"), {}))
        << qPrintable(stage.error());
    const auto item = stage.startItem(stage.app);
    ASSERT_TRUE(item) << qPrintable(stage.error());

    // Two headsets and a mouse: the two headsets, with their battery views.
    const QStringList both{kMellin + u"  30%"_s, kQuillo + u"  64%"_s};
    ASSERT_TRUE(stage::menuBecomes(*item, both + kTail, rows))
        << qPrintable(stage.service.errors());

    // A percentage change: the battery view follows.
    ASSERT_TRUE(upower.setProperties(quillo, {{u"Percentage"_s, 18.0}}));
    const QStringList low{kMellin + u"  30%"_s, kQuillo + u"  18%"_s};
    ASSERT_TRUE(stage::menuBecomes(*item, low + kTail, rows));

    // A headset removed: detached.
    ASSERT_TRUE(upower.removeDevice(quillo));
    ASSERT_TRUE(stage::menuBecomes(*item, QStringList{kMellin + u"  30%"_s} + kTail, rows));

    // UPower stops: no devices, the service keeps running; UPower back: devices back.
    upower.stop();
    ASSERT_TRUE(stage::menuBecomes(*item, kTail, rows));
    EXPECT_EQ(stage.service.process().state(), QProcess::Running)
        << qPrintable(stage.service.errors());
    ASSERT_TRUE(upower.start()) << qPrintable(upower.errors());
    quillo = upower.addHeadsets();
    ASSERT_FALSE(quillo.isEmpty());
    ASSERT_TRUE(stage::menuBecomes(*item, both + kTail, rows))
        << qPrintable(stage.service.errors());
    EXPECT_EQ(stage.service.process().state(), QProcess::Running);

    // The service restarts under the running item, a headset gone meanwhile: the new
    // service has the item read the lists again.
    stage.service.stopNow();
    ASSERT_TRUE(upower.removeDevice(quillo));
    ASSERT_TRUE(stage.startService(stage::binary("service/zorva-device-service"), {}))
        << qPrintable(stage.error());
    ASSERT_TRUE(stage::menuBecomes(*item, QStringList{kMellin + u"  30%"_s} + kTail, rows));
}
