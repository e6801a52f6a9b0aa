#include "Platform/DBusContract.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVDisObj.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"
#include "ZorvaUIProject/Common/StatusAppServer.h"
#include "ZorvaUIProject/Common/zorva_application_service_delegate.h"
#include "support/DeviceSimulatorProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDBusPendingCall>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testsupport::DeviceSimulatorProcess;
using testsupport::simulatorScenario;

// Each test program has a bus of its own, so parallel test cases do not meet.
static auto* const kPrivateBus =
    ::testing::AddGlobalTestEnvironment(new testsupport::PrivateSessionBus);

namespace {

template <class T>
QString text(const T& value) {
    if constexpr (std::is_arithmetic_v<T>) {
        return QString::number(value);
    } else {
        return value.isNull() ? QStringLiteral("(null)") : value;
    }
}

// Records every callback as one line; a reset fetches both lists again, like the controller.
class RecordingDelegate : public zorva_application_service_delegate {
public:
    void resetDeviceSoftphoneInfo() override {
        record("reset");
        const HVDisObj client;
        devices = client.getDeviceInfoFromApplicationService(QStringLiteral("ZorvaDeviceService"));
        softphones =
            client.getSoftphoneInfoFromApplicationService(QStringLiteral("ZorvaDeviceService"));
    }
    void updateDeviceInfo(const QString& name, const QString& productID, quint64 locatonID,
                          qint32 deviceState, const QString& currentFWVer,
                          qint32 headSetType) override {
        record("device", name, productID, locatonID, deviceState, currentFWVer, headSetType);
    }
    void updateHeadsetBatteryInfo(const HVDevicePtr& device) override {
        record("battery", device->productID(), device->lid(), device->batteryInfo()->hsBatteryPCT(),
               device->batteryInfo()->isCharging());
    }
    void updateSoftphoneInfo(const QString& name, qint32 softphoneStatus) override {
        record("softphone", name, softphoneStatus);
    }
    void sendCheckForUpdateStatus(qint32 status) override { record("status", status); }
    void sendUpdatedComponentList(const QVariant& list, bool isManualCheckUpdate) override {
        record("components", list.isValid() ? text(list.toList().size()) : "absent",
               isManualCheckUpdate);
    }

    QStringList calls;
    QVariant devices;
    QVariant softphones;

private:
    template <class... Values>
    void record(const char* what, const Values&... values) {
        calls << (QStringList{QLatin1String(what)} << ... << text(values)).join(u' ');
    }
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
    const QDBusPendingCall pending = other.asyncCall(call);
    testsupport::waitFor([&] { return pending.isFinished(); });
    return pending.reply();
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

// One interface of introspection XML, without comments and the blanks between elements.
QString interfaceXml(QString xml, const QString& name) {
    xml.remove(QRegularExpression(u"<!--.*?-->"_s, QRegularExpression::DotMatchesEverythingOption));
    xml.replace(QRegularExpression(u">\\s+<"_s), u"><"_s);
    const qsizetype start = xml.indexOf(u"<interface name=\""_s + name + u"\">"_s);
    const qsizetype end = xml.indexOf(u"</interface>"_s, start);
    return start < 0 || end < 0 ? QString() : xml.mid(start, end - start);
}

QString introspect(const QString& busName, const QString& path, const QString& interface) {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        busName, path, u"org.freedesktop.DBus.Introspectable"_s, u"Introspect"_s));
    return interfaceXml(reply.arguments().value(0).toString(), interface);
}

QString repositoryXml(const QString& name, const QString& interface) {
    return interfaceXml(
        QString::fromUtf8(testsupport::readFile(ZORVA_SOURCE_DIR "/Platform/dbus/"_L1 + name)),
        interface);
}

} // namespace

TEST(StatusAppServer, DescribedAsInTheRepositoryDeliversTheSixCallbacksAndRefusesTheOtherFive) {
    using namespace platform::contract;
    DeviceSimulatorProcess sim(simulatorScenario("demo.json"));
    ASSERT_TRUE(sim.started());
    RecordingDelegate delegate;
    const auto server = publish(delegate);
    // Both live interfaces are generated from the member tables; the callback server
    // describes all its members, those it does not answer too.
    const QString service =
        repositoryXml(u"com.zorva.zorva_application_delegate.xml"_s, kServiceInterface);
    const QString callbacks =
        repositoryXml(u"com.zorva.zorva_application_service_delegate.xml"_s, kStatusInterface);
    ASSERT_EQ(service.count("<method "), 22);
    ASSERT_EQ(callbacks.count("<method "), 11);
    EXPECT_EQ(introspect(kServiceBusName, kServicePath, kServiceInterface), service);
    EXPECT_EQ(introspect(kStatusBusName, kStatusPath, kStatusInterface), callbacks);

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

    // A reset is served while its two nested requests run against the service.
    delegate.calls.clear();
    EXPECT_EQ(send("reset"), 0);
    EXPECT_EQ(delegate.calls, QStringList{"reset"});
    EXPECT_EQ(delegate.devices.toList().size(), 3);
    EXPECT_EQ(delegate.softphones.toList().size(), 4); // Bria came with a callback above
    const QStringList log = sim.log();
    EXPECT_EQ(log.mid(log.size() - 3), (QStringList{"request getDeviceInfoFromAppService",
                                                    "request getSoftphoneInfoFromAppService",
                                                    "callback resetDeviceSoftphoneInfo ok"}));

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
    EXPECT_EQ(delegate.calls, QStringList{"softphone (null) 3"});
}
