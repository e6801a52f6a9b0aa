#include "Platform/DBusContract.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVDisObj.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"
#include "ZorvaUIProject/Common/StatusAppServer.h"
#include "ZorvaUIProject/Common/zorva_application_service_delegate.h"
#include "support/DeviceSimulatorProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/TraceCapture.h"

#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <gtest/gtest.h>

using testsupport::DeviceSimulatorProcess;
using testsupport::simulatorScenario;

// Each test program has a bus of its own, so parallel test cases do not meet.
static auto* const kPrivateBus =
    ::testing::AddGlobalTestEnvironment(new testsupport::PrivateSessionBus);

namespace {

// Records every callback; a reset fetches both lists again, like the controller.
class RecordingDelegate : public zorva_application_service_delegate {
public:
    void resetDeviceSoftphoneInfo() override {
        calls << QStringLiteral("reset");
        const HVDisObj client;
        devices = client.getDeviceInfoFromApplicationService(QStringLiteral("ZorvaDeviceService"));
        softphones =
            client.getSoftphoneInfoFromApplicationService(QStringLiteral("ZorvaDeviceService"));
    }
    void updateDeviceInfo(const QString& name, const QString& productID, quint64 locatonID,
                          qint32 deviceState, const QString& currentFWVer,
                          qint32 headSetType) override {
        calls << QStringLiteral("device %1 %2 %3 %4 %5 %6")
                     .arg(name, productID)
                     .arg(locatonID)
                     .arg(deviceState)
                     .arg(currentFWVer.isNull() ? QStringLiteral("(null)") : currentFWVer)
                     .arg(headSetType);
    }
    void updateHeadsetBatteryInfo(const HVDevicePtr& device) override {
        calls << QStringLiteral("battery %1 %2 %3 %4")
                     .arg(device->productID())
                     .arg(device->lid())
                     .arg(device->batteryInfo()->hsBatteryPCT())
                     .arg(device->batteryInfo()->isCharging());
    }
    void updateSoftphoneInfo(const QString& name, qint32 softphoneStatus) override {
        calls << QStringLiteral("softphone %1 %2").arg(name).arg(softphoneStatus);
    }
    void sendCheckForUpdateStatus(qint32 status) override {
        calls << QStringLiteral("status %1").arg(status);
    }
    void sendUpdatedComponentList(const QVariant& list, bool isManualCheckUpdate) override {
        calls << QStringLiteral("components %1 %2")
                     .arg(list.isValid() ? QString::number(list.toList().size())
                                         : QStringLiteral("absent"))
                     .arg(isManualCheckUpdate);
    }

    QStringList calls;
    QVariant devices;
    QVariant softphones;
};

// Calls the published server from a second connection of this process, serving
// this thread's events while the answer is pending.
QDBusMessage callServer(const QString& member, const QVariantList& args) {
    QDBusConnection other =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other-sender");
    QDBusMessage call = QDBusMessage::createMethodCall(
        platform::contract::kStatusBusName, platform::contract::kStatusPath,
        platform::contract::kStatusInterface, member);
    call.setArguments(args);
    QDBusPendingCallWatcher watcher(other.asyncCall(call));
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!watcher.isFinished()) {
        loop.exec();
    }
    return watcher.reply();
}

// Runs the simulator's command line, arguments separated by "|".
int send(const char* command, QString* output = nullptr) {
    return DeviceSimulatorProcess::send(QString::fromUtf8(command).split(u'|'), output);
}

std::unique_ptr<StatusAppServer> publish(RecordingDelegate& delegate) {
    auto server = StatusAppServer::create();
    EXPECT_TRUE(server);
    server->setRootObject(&delegate);
    EXPECT_TRUE(server->registerName("StatusAppServer"));
    return server;
}

} // namespace

TEST(StatusAppServer, DeliversTheSixCallbacksAndRefusesTheOtherFive) {
    DeviceSimulatorProcess sim(simulatorScenario("demo.json"));
    ASSERT_TRUE(sim.started());
    RecordingDelegate delegate;
    const auto server = publish(delegate);
    for (const char* command :
         {"attach|Zorva Wirrel|HV0300|18446744073709551615|2.1|3",
          "detach|Zorva Wirrel|HV0300|18446744073709551615|-1",
          "battery|HV2454|336592896|15|charging", "softphone|Bria|2", "update-status|4",
          "components|manual", "components|auto|absent", "components|auto|empty"}) {
        EXPECT_EQ(send(command), 0) << command;
    }
    EXPECT_EQ(delegate.calls,
              (QStringList{"device Zorva Wirrel HV0300 18446744073709551615 0 2.1 3",
                           "device Zorva Wirrel HV0300 18446744073709551615 -1 2.1 3",
                           "battery HV2454 336592896 15 1", "softphone Bria 2", "status 4",
                           "components 3 1", "components absent 0", "components 0 0"}));

    // The five messages the status item does not answer fail on the sender's side.
    delegate.calls.clear();
    for (const char* command : {"device-info|A|HV1|1|0", "device-info-type|A|HV1|1|0|1",
                                "device-info-serial|A|HV1|1|S1|0|1", "preferred-softphone",
                                "headset-connect|A|HV1|0|1|S1"}) {
        QString output;
        EXPECT_EQ(send(command, &output), 2) << command;
        EXPECT_TRUE(output.contains("UnknownMethod")) << output.toStdString();
    }
    EXPECT_TRUE(delegate.calls.isEmpty());
}

TEST(StatusAppServer, ResetCallbackIsServedWhileItsTwoNestedRequestsRunAgainstTheService) {
    DeviceSimulatorProcess sim(simulatorScenario("demo.json"));
    ASSERT_TRUE(sim.started());
    RecordingDelegate delegate;
    const auto server = publish(delegate);
    EXPECT_EQ(send("reset"), 0);
    EXPECT_EQ(delegate.calls, QStringList{"reset"});
    EXPECT_EQ(delegate.devices.toList().size(), 3);
    EXPECT_EQ(delegate.softphones.toList().size(), 3);
    // Both requests reached the service before the callback's answer.
    EXPECT_EQ(sim.log().mid(1), (QStringList{"request getDeviceInfoFromAppService",
                                             "request getSoftphoneInfoFromAppService",
                                             "callback resetDeviceSoftphoneInfo ok"}));
}

TEST(StatusAppServer, BadCallsAreRefusedWithATraceLineAndTheProcessGoesOn) {
    using platform::archivedDataWithRootObject;
    testsupport::TraceCapture trace;
    RecordingDelegate delegate;
    const auto server = publish(delegate);
    const QString battery = "updateHeadsetBatteryInfo";
    const QString softphone = "updateSoftphoneInfo_softphoneStatus";
    const auto skype = QVariant::fromValue(HVSoftphone::initSoftphone("Skype", 1));
    // clang-format off
    const std::pair<QString, QVariantList> calls[] = {
        // A malformed archive, a record of the wrong class where a device belongs, no object.
        {battery, {QByteArray("bplist00garbage")}}, {battery, {archivedDataWithRootObject(skype)}}, {battery, {QByteArray()}},
        // A string where the component list belongs.
        {"sendUpdatedComponentList_isManualCheckUpdate", {archivedDataWithRootObject("x"), true}},
        // A missing argument, and a number where the name's archive belongs.
        {softphone, {archivedDataWithRootObject("Skype")}},
        {softphone, {archivedDataWithRootObject(QVariant::fromValue(qint64(5))), QVariant::fromValue(qint32(1))}},
    };
    // clang-format on
    for (const auto& [member, args] : calls) {
        EXPECT_EQ(callServer(member, args).errorName(), "org.freedesktop.DBus.Error.InvalidArgs");
    }
    EXPECT_TRUE(delegate.calls.isEmpty());
    EXPECT_EQ(trace.records().filter("IPC CRITICAL StatusAppServer refused a call: ").size(), 6);

    // A good call after all that is delivered, with an absent name kept absent.
    EXPECT_EQ(callServer(softphone, {QByteArray(), QVariant::fromValue(qint32(3))}).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(delegate.calls, QStringList{"softphone  3"});
}
