#include "Platform/PropertyList.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusController.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatformDefault.h"
#include "support/DeviceSimulatorProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

using testsupport::DeviceSimulatorProcess;
using testsupport::ScopedSandbox;
using testsupport::simulatorScenario;

static auto* const kPrivateBus =
    ::testing::AddGlobalTestEnvironment(new testsupport::PrivateSessionBus);

namespace {

void writePreferences(const ScopedSandbox& sandbox) {
    QVariantMap preferences;
    preferences.insert(QStringLiteral("zorvaStatusMenu"), QStringLiteral("TRUE"));
    preferences.insert(QStringLiteral("ShowBatteryStatus"), QStringLiteral("TRUE"));
    ASSERT_TRUE(testsupport::writeFile(
        sandbox.home(QStringLiteral("Library/Preferences/com.zorva.prefsettings.plist")),
        platform::plist::toData(preferences, platform::plist::Format::Xml)));
}

QStringList titles(const HVStatusController& controller) {
    QStringList result;
    if (const HVStatusMenu* menu = controller.statusMenu()) {
        for (const auto& item : menu->items) {
            result << (item.isSeparator ? QStringLiteral("---") : item.title);
        }
    }
    return result;
}

// Processes events until the menu satisfies the condition, or 5 s have passed.
template <typename Condition>
bool waitFor(Condition condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return condition();
}

int send(const QStringList& command) {
    return DeviceSimulatorProcess::send(command);
}

} // namespace

// The controller with the application's own platform, on a private bus beside the
// device-service simulator: callbacks reach it, and every change comes back as a
// rebuild through the bus-wide notification.
TEST(HVStatusControllerOnBus, FollowsTheDeviceService) {
    ScopedSandbox sandbox;
    writePreferences(sandbox);
    DeviceSimulatorProcess simulator(simulatorScenario(QStringLiteral("demo.json")));
    ASSERT_TRUE(simulator.started());

    HVStatusController controller(HVDefaultStatusPlatform());
    controller.awakeFromNib();
    ASSERT_TRUE(controller.hasStatusItem());
    EXPECT_EQ(controller.allDevices().size(), 3u);
    EXPECT_EQ(controller.allSoftphones().size(), 3u);
    EXPECT_TRUE(controller.isSWUpdateAvailable()); // the scenario has an update
    const QStringList first = titles(controller);
    EXPECT_EQ(first.mid(0, 4),
              (QStringList{QStringLiteral("Zorva Quillo 52"), QStringLiteral("Zorva Brindle 84"),
                           QStringLiteral("Zorva Tamsel 32"), QStringLiteral("---")}));
    EXPECT_TRUE(first.contains(QStringLiteral("Update Available")));
    EXPECT_FALSE(first.contains(QStringLiteral("Avaya one-X Communicator"))); // state 2

    EXPECT_EQ(send({QStringLiteral("attach"), QStringLiteral("Desk Speaker"),
                    QStringLiteral("HV0C10"), QStringLiteral("4242")}),
              0);
    EXPECT_TRUE(
        waitFor([&] { return titles(controller).contains(QStringLiteral("Desk Speaker")); }));

    EXPECT_EQ(send({QStringLiteral("detach"), QStringLiteral("Desk Speaker"),
                    QStringLiteral("HV0C10"), QStringLiteral("4242")}),
              0);
    EXPECT_TRUE(
        waitFor([&] { return !titles(controller).contains(QStringLiteral("Desk Speaker")); }));

    // A battery report for a listed headset shows its new level.
    const auto brindle = [&] {
        for (const auto& item : controller.statusMenu()->items) {
            if (item.title == QStringLiteral("Zorva Brindle 84") && item.view) {
                return item.view->percentageText;
            }
        }
        return QString();
    };
    EXPECT_EQ(brindle(), QStringLiteral("35%"));
    EXPECT_EQ(send({QStringLiteral("battery"), QStringLiteral("HV0AC8"),
                    QStringLiteral("337641472"), QStringLiteral("65"), QStringLiteral("charging")}),
              0);
    EXPECT_TRUE(waitFor([&] { return brindle() == QStringLiteral("65%"); }));

    EXPECT_EQ(send({QStringLiteral("softphone"), QStringLiteral("Bria"), QStringLiteral("0")}), 0);
    EXPECT_TRUE(waitFor([&] { return titles(controller).contains(QStringLiteral("Bria")); }));

    EXPECT_EQ(send({QStringLiteral("update-status"), QStringLiteral("1")}), 0);
    EXPECT_TRUE(
        waitFor([&] { return !titles(controller).contains(QStringLiteral("Update Available")); }));
    EXPECT_FALSE(controller.isSWUpdateAvailable());

    // Any process may ask for a rebuild by posting the notification.
    const int before = controller.statusMenu()->items.size();
    QProcess::execute(QStringLiteral("/usr/bin/dbus-send"),
                      {QStringLiteral("--session"), QStringLiteral("--type=signal"),
                       QStringLiteral("/com/zorva/DistributedNotificationCenter"),
                       QStringLiteral("com.zorva.DistributedNotificationCenter.Posted"),
                       QStringLiteral("string:c_HVUpdateUI!"), QStringLiteral("array:byte:")});
    const QString log = sandbox.home(QStringLiteral("Library/Logs/Zorva/ZorvaStatusMenu.log"));
    const auto rebuilds = [&] {
        return QString::fromUtf8(testsupport::readFile(log))
            .count(QStringLiteral("statusMenuUpdate : Update status menu.\n"));
    };
    const int rebuiltSoFar = rebuilds();
    EXPECT_TRUE(waitFor([&] { return rebuilds() > rebuiltSoFar; }));
    EXPECT_EQ(static_cast<int>(controller.statusMenu()->items.size()), before);
}

TEST(HVStatusControllerOnBus, TakenNameLeavesNoMenuAndNoStatusItem) {
    ScopedSandbox sandbox;
    writePreferences(sandbox);
    QDBusConnection other =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("other"));
    ASSERT_TRUE(other.registerService(QStringLiteral("com.zorva.StatusAppServer")));

    HVStatusController controller(HVDefaultStatusPlatform());
    controller.awakeFromNib();
    EXPECT_FALSE(controller.hasStatusItem());
    EXPECT_EQ(controller.statusMenu(), nullptr);
    const QString trace = QString::fromUtf8(testsupport::readFile(
        sandbox.home(QStringLiteral("Library/Logs/Zorva/ZorvaStatusMenu.log"))));
    EXPECT_TRUE(trace.contains(QStringLiteral("Could not register the server.\n")));
    EXPECT_TRUE(trace.contains(QStringLiteral("Device List is Empty \n"))); // no service either
    QDBusConnection::disconnectFromBus(QStringLiteral("other"));
}
