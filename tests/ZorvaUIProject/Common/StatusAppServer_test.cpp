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
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("other-sender"));
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

} // namespace

TEST(StatusAppServer, DeliversTheSixCallbacksAndRefusesTheOtherFive) {
    DeviceSimulatorProcess sim(simulatorScenario(QStringLiteral("demo.json")));
    ASSERT_TRUE(sim.started());
    RecordingDelegate delegate;
    const auto server = StatusAppServer::create();
    ASSERT_TRUE(server);
    server->setRootObject(&delegate);
    ASSERT_TRUE(server->registerName(QStringLiteral("StatusAppServer")));

    const auto send = [](const QStringList& command) {
        return DeviceSimulatorProcess::send(command);
    };
    EXPECT_EQ(
        send({QStringLiteral("attach"), QStringLiteral("Zorva Wirrel"), QStringLiteral("HV0300"),
              QStringLiteral("18446744073709551615"), QStringLiteral("2.1"), QStringLiteral("3")}),
        0);
    EXPECT_EQ(
        send({QStringLiteral("detach"), QStringLiteral("Zorva Wirrel"), QStringLiteral("HV0300"),
              QStringLiteral("18446744073709551615"), QStringLiteral("-1")}),
        0);
    EXPECT_EQ(send({QStringLiteral("battery"), QStringLiteral("HV2454"),
                    QStringLiteral("336592896"), QStringLiteral("15"), QStringLiteral("charging")}),
              0);
    EXPECT_EQ(send({QStringLiteral("softphone"), QStringLiteral("Bria"), QStringLiteral("2")}), 0);
    EXPECT_EQ(send({QStringLiteral("update-status"), QStringLiteral("4")}), 0);
    EXPECT_EQ(send({QStringLiteral("components"), QStringLiteral("manual")}), 0);
    EXPECT_EQ(
        send({QStringLiteral("components"), QStringLiteral("auto"), QStringLiteral("absent")}), 0);
    EXPECT_EQ(send({QStringLiteral("components"), QStringLiteral("auto"), QStringLiteral("empty")}),
              0);
    EXPECT_EQ(
        delegate.calls,
        (QStringList{QStringLiteral("device Zorva Wirrel HV0300 18446744073709551615 0 2.1 3"),
                     QStringLiteral("device Zorva Wirrel HV0300 18446744073709551615 -1 2.1 3"),
                     QStringLiteral("battery HV2454 336592896 15 1"),
                     QStringLiteral("softphone Bria 2"), QStringLiteral("status 4"),
                     QStringLiteral("components 3 1"), QStringLiteral("components absent 0"),
                     QStringLiteral("components 0 0")}));

    // The five messages the status item does not answer fail on the sender's side.
    delegate.calls.clear();
    QString output;
    EXPECT_EQ(DeviceSimulatorProcess::send({QStringLiteral("device-info"), QStringLiteral("A"),
                                            QStringLiteral("HV1"), QStringLiteral("1"),
                                            QStringLiteral("0")},
                                           &output),
              2);
    EXPECT_TRUE(output.contains(QStringLiteral("UnknownMethod"))) << output.toStdString();
    EXPECT_EQ(send({QStringLiteral("device-info-type"), QStringLiteral("A"), QStringLiteral("HV1"),
                    QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("1")}),
              2);
    EXPECT_EQ(
        send({QStringLiteral("device-info-serial"), QStringLiteral("A"), QStringLiteral("HV1"),
              QStringLiteral("1"), QStringLiteral("S1"), QStringLiteral("0"), QStringLiteral("1")}),
        2);
    EXPECT_EQ(send({QStringLiteral("preferred-softphone")}), 2);
    EXPECT_EQ(send({QStringLiteral("headset-connect"), QStringLiteral("A"), QStringLiteral("HV1"),
                    QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("S1")}),
              2);
    EXPECT_TRUE(delegate.calls.isEmpty());
}

TEST(StatusAppServer, ResetCallbackIsServedWhileItsTwoNestedRequestsRunAgainstTheService) {
    DeviceSimulatorProcess sim(simulatorScenario(QStringLiteral("demo.json")));
    ASSERT_TRUE(sim.started());
    RecordingDelegate delegate;
    const auto server = StatusAppServer::create();
    ASSERT_TRUE(server);
    server->setRootObject(&delegate);
    ASSERT_TRUE(server->registerName(QStringLiteral("StatusAppServer")));

    EXPECT_EQ(DeviceSimulatorProcess::send({QStringLiteral("reset")}), 0);
    EXPECT_EQ(delegate.calls, QStringList{QStringLiteral("reset")});
    EXPECT_EQ(delegate.devices.toList().size(), 3);
    EXPECT_EQ(delegate.softphones.toList().size(), 3);
    // Both requests reached the service before the callback's answer.
    QStringList tail = sim.log().mid(1);
    EXPECT_EQ(tail, (QStringList{QStringLiteral("request getDeviceInfoFromAppService"),
                                 QStringLiteral("request getSoftphoneInfoFromAppService"),
                                 QStringLiteral("callback resetDeviceSoftphoneInfo ok")}));
}

TEST(StatusAppServer, RegistrationFailsWhenTheNameIsTaken) {
    QDBusConnection other =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("name-holder"));
    ASSERT_TRUE(other.registerService(platform::contract::kStatusBusName));
    RecordingDelegate delegate;
    auto server = StatusAppServer::create();
    ASSERT_TRUE(server);
    server->setRootObject(&delegate);
    EXPECT_FALSE(server->registerName(QStringLiteral("StatusAppServer")));
    // Nothing was left published: once the name is free the same server registers.
    ASSERT_TRUE(other.unregisterService(platform::contract::kStatusBusName));
    EXPECT_TRUE(server->registerName(QStringLiteral("StatusAppServer")));
    // ... and a second server cannot take it from the first.
    auto second = StatusAppServer::create(other);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->registerName(QStringLiteral("StatusAppServer")));
    QDBusConnection::disconnectFromBus(QStringLiteral("name-holder"));
}

TEST(StatusAppServer, BadCallsAreRefusedWithATraceLineAndTheProcessGoesOn) {
    testsupport::TraceCapture trace;
    RecordingDelegate delegate;
    const auto server = StatusAppServer::create();
    ASSERT_TRUE(server);
    server->setRootObject(&delegate);
    ASSERT_TRUE(server->registerName(QStringLiteral("StatusAppServer")));
    const QString invalid = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");

    // A malformed archive.
    QDBusMessage reply =
        callServer(QStringLiteral("updateHeadsetBatteryInfo"), {QByteArray("bplist00garbage")});
    EXPECT_EQ(reply.errorName(), invalid);
    // A record of the wrong class where a device belongs, and no object at all.
    reply = callServer(QStringLiteral("updateHeadsetBatteryInfo"),
                       {platform::archivedDataWithRootObject(QVariant::fromValue(
                           HVSoftphone::initSoftphone(QStringLiteral("Skype"), 1)))});
    EXPECT_EQ(reply.errorName(), invalid);
    reply = callServer(QStringLiteral("updateHeadsetBatteryInfo"), {QByteArray()});
    EXPECT_EQ(reply.errorName(), invalid);
    // A string where the component list belongs.
    reply = callServer(QStringLiteral("sendUpdatedComponentList_isManualCheckUpdate"),
                       {platform::archivedDataWithRootObject(QStringLiteral("x")), true});
    EXPECT_EQ(reply.errorName(), invalid);
    // A missing argument, and a number where the name's archive belongs.
    reply = callServer(QStringLiteral("updateSoftphoneInfo_softphoneStatus"),
                       {platform::archivedDataWithRootObject(QStringLiteral("Skype"))});
    EXPECT_EQ(reply.errorName(), invalid);
    reply = callServer(QStringLiteral("updateSoftphoneInfo_softphoneStatus"),
                       {platform::archivedDataWithRootObject(QVariant::fromValue(qint64(5))),
                        QVariant::fromValue(qint32(1))});
    EXPECT_EQ(reply.errorName(), invalid);
    EXPECT_TRUE(delegate.calls.isEmpty());
    EXPECT_EQ(trace.records()
                  .filter(QStringLiteral("IPC CRITICAL StatusAppServer refused a call: "))
                  .size(),
              6);

    // A good call after all that is delivered, with an absent name kept absent.
    reply = callServer(QStringLiteral("updateSoftphoneInfo_softphoneStatus"),
                       {QByteArray(), QVariant::fromValue(qint32(3))});
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(delegate.calls, QStringList{QStringLiteral("softphone  3")});
}
