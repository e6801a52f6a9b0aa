#include "FWUCommon/FWUXMLToDataModel/HVXmlModelData.h"
#include "Platform/RemoteCall.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVDisObj.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"
#include "support/DeviceSimulatorProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

using testsupport::DeviceSimulatorProcess;
using testsupport::simulatorScenario;
using testsupport::TraceCapture;

// Each test program has a bus of its own, so parallel test cases do not meet.
static auto* const kPrivateBus =
    ::testing::AddGlobalTestEnvironment(new testsupport::PrivateSessionBus);

namespace {

const QString kName = QStringLiteral("ZorvaDeviceService");

QString ipc(const char* severity, const QString& message) {
    return QStringLiteral("IPC ") + QLatin1String(severity) + u' ' + message;
}

const QString kConnected =
    ipc("INFO", QStringLiteral("Successfully connected with Server : ZorvaDeviceService\n"));
const QString kReceived = ipc("HIGH", QStringLiteral(" Data Received From App service.\n"));

} // namespace

TEST(HVDisObj, WithoutServiceEveryOperationTracesItsLinesAndAnswersEmpty) {
    TraceCapture trace;
    const HVDisObj client;
    EXPECT_FALSE(client.getDeviceInfoFromApplicationService(kName).isValid());
    EXPECT_FALSE(client.getSoftphoneInfoFromApplicationService(kName).isValid());
    client.manualCheckForUpdateFromApplicationService(kName);
    client.AutoCheckForUpdateFromApplicationService(kName);
    client.saveLastCheckPackageVersion();
    EXPECT_FALSE(client.getUpdateAvailableInfoFromAppService().isValid());
    EXPECT_FALSE(client.getUpdateURLInfoFromAppService().isValid());
    EXPECT_FALSE(client.getPanicTraceInfoFromAppService(QStringLiteral("HV2454"), 1).isValid());
    client.resetPanicTraceFromAppService(QStringLiteral("HV2454"), 1);
    client.setHVHIDForConnectedDevices(1);
    client.logZMSSettingsToServer();
    client.bluetoothConnect(QStringLiteral("HV2454"), 1);
    client.bluetoothConnectAddr(QStringLiteral("HV2454"), 1, QByteArray("\x01\x02", 2), true);
    client.bluetoothDisconnect(QStringLiteral("HV2454"), 1);
    client.bluetoothDisconnectAddr(QStringLiteral("HV2454"), 1, QByteArray());
    client.enableAutoPairing(QStringLiteral("HV2454"), 1, true);
    EXPECT_FALSE(client.getAutoPairingValue(QStringLiteral("HV2454"), 1));
    client.clearPairingList(QStringLiteral("HV2454"), 1);
    client.setInPairingMode(QStringLiteral("HV2454"), 1);
    EXPECT_FALSE(client.getDBrecord(QStringLiteral("HV2454"), 1).isValid());
    EXPECT_FALSE(client.getSearchList(QStringLiteral("HV2454"), 1).isValid());
    EXPECT_FALSE(client.getPairingList(QStringLiteral("HV2454"), 1).isValid());

    const QString unable = ipc("CRITICAL", QStringLiteral("Unable to connect with Server\n"));
    const QStringList expected{
        ipc("CRITICAL",
            QStringLiteral("getDeviceInfoFromApplicationService : No one is listening there.\n")),
        ipc("CRITICAL",
            QStringLiteral(
                "getSoftphoneInfoFromApplicationService : No one is listening there.\n")),
        ipc("CRITICAL", QStringLiteral("manualCheckForUpdateFromApplicationService : ")),
        ipc("CRITICAL", QStringLiteral("Unable to connect with Server : ZorvaDeviceService\n")),
        ipc("CRITICAL", QStringLiteral("AutoCheckForUpdateFromApplicationService : ")),
        ipc("CRITICAL", QStringLiteral("Unable to connect with Server : ZorvaDeviceService\n")),
        ipc("CRITICAL", QStringLiteral("saveLastCheckPackageVersion ")),
        unable,
        ipc("CRITICAL", QStringLiteral("getUpdateAvailableInfoFromAppService ")),
        unable,
        ipc("CRITICAL", QStringLiteral("getUpdateURLInfoFromAppService ")),
        unable,
        ipc("CRITICAL", QStringLiteral("getPanicTraceInfoFromAppServiceForProdId ")),
        unable,
        ipc("CRITICAL", QStringLiteral("resetPanicTraceFromAppService ")),
        unable,
        unable, // setHVHIDForConnectedDevices: no entry line
        ipc("CRITICAL", QStringLiteral(" logZMSSettingsToServer ")),
        ipc("CRITICAL", QStringLiteral("logZMSSettingsToServer proxy is nil\n")),
        ipc("CRITICAL", QStringLiteral(" bluetoothConnect ")),
        ipc("CRITICAL", QStringLiteral("bluetoothConnect proxy is nil\n")),
        ipc("CRITICAL", QStringLiteral(" bluetoothConnect ")),
        ipc("CRITICAL", QStringLiteral("bluetoothConnect proxy is nil\n")),
        ipc("CRITICAL", QStringLiteral(" bluetoothDisconnect ")),
        ipc("CRITICAL", QStringLiteral("bluetoothDisconnect proxy is nil\n")),
        ipc("CRITICAL", QStringLiteral(" bluetoothDisconnect ")),
        ipc("CRITICAL", QStringLiteral("bluetoothDisconnect proxy is nil\n")),
        ipc("CRITICAL", QStringLiteral(" enableAutoPairing ")),
        ipc("CRITICAL", QStringLiteral("enableAutoPairing proxy is nil\n")),
        ipc("CRITICAL", QStringLiteral(" getAutoPairingValue ")),
        ipc("CRITICAL", QStringLiteral("getAutoPairingValue proxy is nil\n")),
        ipc("CRITICAL", QStringLiteral(" clearPairingList ")),
        ipc("CRITICAL", QStringLiteral("clearPairingList proxy is nil\n")),
        ipc("CRITICAL", QStringLiteral(" setInPairingMode ")),
        ipc("CRITICAL", QStringLiteral("setInPairingMode proxy is nil\n")),
        // getDBrecord and getSearchList write nothing at all
        ipc("CRITICAL", QStringLiteral(" getPairingList ")),
        ipc("CRITICAL", QStringLiteral("getPairingList proxy is nil\n")),
    };
    EXPECT_EQ(trace.records(), expected);
}

TEST(HVDisObj, WrongServiceNameFailsWithoutReachingTheService) {
    DeviceSimulatorProcess sim(simulatorScenario(QStringLiteral("demo.json")));
    ASSERT_TRUE(sim.started());
    TraceCapture trace;
    const HVDisObj client;
    EXPECT_FALSE(
        client.getDeviceInfoFromApplicationService(QStringLiteral("zorvadeviceservice")).isValid());
    EXPECT_FALSE(client.getSoftphoneInfoFromApplicationService(QString()).isValid());
    client.manualCheckForUpdateFromApplicationService(QStringLiteral("Other"));
    client.AutoCheckForUpdateFromApplicationService(QString());
    EXPECT_EQ(trace.records(),
              (QStringList{
                  ipc("CRITICAL",
                      QStringLiteral(
                          "getDeviceInfoFromApplicationService : No one is listening there.\n")),
                  ipc("CRITICAL",
                      QStringLiteral(
                          "getSoftphoneInfoFromApplicationService : No one is listening there.\n")),
                  ipc("CRITICAL", QStringLiteral("manualCheckForUpdateFromApplicationService : ")),
                  ipc("CRITICAL", QStringLiteral("Unable to connect with Server : Other\n")),
                  ipc("CRITICAL", QStringLiteral("AutoCheckForUpdateFromApplicationService : ")),
                  ipc("CRITICAL", QStringLiteral("Unable to connect with Server : (null)\n"))}));
    EXPECT_TRUE(sim.requests().isEmpty());
}

TEST(HVDisObj, EveryOperationReachesTheServiceWithItsArgumentsAndResult) {
    DeviceSimulatorProcess sim(simulatorScenario(QStringLiteral("demo.json")));
    ASSERT_TRUE(sim.started());
    TraceCapture trace;
    const HVDisObj client;
    const QString pid = QStringLiteral("HV2454");
    const qint64 lid = 336592896;

    const QVariantList devices = client.getDeviceInfoFromApplicationService(kName).toList();
    ASSERT_EQ(devices.size(), 3);
    const auto first = devices.at(0).value<HVDevicePtr>();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name(), QStringLiteral("Zorva Quillo 52"));
    EXPECT_EQ(first->lid(), quint64(lid));
    ASSERT_TRUE(first->batteryInfo());
    EXPECT_EQ(first->batteryInfo()->hsBatteryPCT(), 80);
    EXPECT_FALSE(devices.at(2).value<HVDevicePtr>()->batteryInfo());

    const QVariantList softphones = client.getSoftphoneInfoFromApplicationService(kName).toList();
    ASSERT_EQ(softphones.size(), 3);
    EXPECT_EQ(softphones.at(0).value<HVSoftphonePtr>()->name(), QStringLiteral("Skype"));

    EXPECT_EQ(client.getUpdateAvailableInfoFromAppService(), QVariant(QStringLiteral("TRUE")));
    const QVariantList components = client.getUpdateURLInfoFromAppService().toList();
    ASSERT_EQ(components.size(), 3);
    const QVariantMap entry = components.at(0).toMap();
    EXPECT_EQ(entry.value(QStringLiteral("componentNameKey")).toString(),
              QStringLiteral("Zorva Quillo 52"));
    const QVariantList languages = entry.value(QStringLiteral("languageInfo")).toList();
    ASSERT_EQ(languages.size(), 3);
    EXPECT_EQ(languages.at(1).value<HVXmlLanguageInfoPtr>()->languageCode(), QStringLiteral("407"));
    const auto vector =
        entry.value(QStringLiteral("buildVectorInfo")).value<HVXmlBuildVectorInfoPtr>();
    ASSERT_TRUE(vector);
    const QVariantList regions = vector->availableRegionInfo().toList();
    ASSERT_EQ(regions.size(), 2);
    EXPECT_EQ(regions.at(1).value<HVXmlBuildVectorRegionInfoPtr>()->regionId(),
              QStringLiteral("7"));

    const QVariantMap report = client.getPanicTraceInfoFromAppService(pid, lid).toMap();
    EXPECT_EQ(report.value(QStringLiteral("SKUIDKEY")).toString(), QStringLiteral("203500-01"));
    client.resetPanicTraceFromAppService(pid, lid);
    EXPECT_FALSE(client.getPanicTraceInfoFromAppService(pid, lid).isValid());
    client.setHVHIDForConnectedDevices(3);
    client.logZMSSettingsToServer();
    client.bluetoothConnect(pid, lid);
    client.bluetoothConnectAddr(pid, lid, QByteArray("\x0a\x0b", 2), true);
    client.bluetoothDisconnect(pid, lid);
    client.bluetoothDisconnectAddr(pid, lid, QByteArray());
    EXPECT_TRUE(client.getAutoPairingValue(pid, lid));
    client.enableAutoPairing(pid, lid, false);
    EXPECT_FALSE(client.getAutoPairingValue(pid, lid));
    client.clearPairingList(pid, lid);
    client.setInPairingMode(pid, lid);
    EXPECT_EQ(client.getDBrecord(pid, lid).toList().size(), 2);
    EXPECT_EQ(client.getSearchList(pid, lid), QVariant(QVariantList()));
    EXPECT_FALSE(client.getPairingList(pid, lid).isValid()); // cleared above
    client.saveLastCheckPackageVersion();

    const QString at = QStringLiteral("\"HV2454\" 336592896");
    EXPECT_EQ(sim.waitForRequests(22),
              (QStringList{QStringLiteral("getDeviceInfoFromAppService"),
                           QStringLiteral("getSoftphoneInfoFromAppService"),
                           QStringLiteral("getFwUpdateAvailableInfo"),
                           QStringLiteral("getFwUpdateComponentList"),
                           QStringLiteral("getPanicTraceInfo_locationId ") + at,
                           QStringLiteral("resetDevFromPanicTrace_locId ") + at,
                           QStringLiteral("getPanicTraceInfo_locationId ") + at,
                           QStringLiteral("setHVHIDForConnectedDevices 3"),
                           QStringLiteral("logZMSSettingsToServer"),
                           QStringLiteral("bluetoothConnect_locationId ") + at,
                           QStringLiteral("bluetoothConnectAddr_locationId_btAddr_connectMode ") +
                               at + QStringLiteral(" <0a0b> true"),
                           QStringLiteral("bluetoothDisconnect_locationId ") + at,
                           QStringLiteral("bluetoothDisconnectAddr_locationId_btAddr ") + at +
                               QStringLiteral(" (null)"),
                           QStringLiteral("getAutoPairingValue_locationId ") + at,
                           QStringLiteral("enableAutoPairing_locationId_withValue ") + at +
                               QStringLiteral(" false"),
                           QStringLiteral("getAutoPairingValue_locationId ") + at,
                           QStringLiteral("clearPairingList_locationId ") + at,
                           QStringLiteral("setInPairingMode_locationId ") + at,
                           QStringLiteral("getDBrecord_locationId ") + at,
                           QStringLiteral("getSearchList_locationId ") + at,
                           QStringLiteral("getPairingList_locationId ") + at,
                           QStringLiteral("saveLastCheckedPkgVersion")}));

    // The two list requests write their own lines and no connection line; the
    // operations without an after-send line (17, 20, 21, 22) write none on success.
    const QStringList records = trace.records();
    ASSERT_GE(records.size(), 6);
    EXPECT_EQ(records.mid(0, 4),
              (QStringList{ipc("HIGH", QStringLiteral("Receiving data from Drivers...\n")),
                           ipc("HIGH", QStringLiteral(" Data Received From Driver.\n")),
                           ipc("HIGH", QStringLiteral("Receiving data from Drivers...\n")),
                           ipc("HIGH", QStringLiteral(" Data Received From Driver.\n"))}));
    EXPECT_EQ(records.mid(4, 3),
              (QStringList{ipc("CRITICAL", QStringLiteral("getUpdateAvailableInfoFromAppService ")),
                           kConnected, kReceived}));
    EXPECT_EQ(
        records.mid(records.size() - 13),
        (QStringList{ipc("CRITICAL", QStringLiteral(" clearPairingList ")), kConnected, kReceived,
                     ipc("CRITICAL", QStringLiteral(" setInPairingMode ")), kConnected, kReceived,
                     kConnected, // getDBrecord
                     kConnected, // getSearchList
                     ipc("CRITICAL", QStringLiteral(" getPairingList ")), kConnected,
                     ipc("CRITICAL", QStringLiteral("saveLastCheckPackageVersion ")), kConnected,
                     kReceived}));
}

TEST(HVDisObj, FindsAServiceStartedOrRestartedAfterTheClient) {
    TraceCapture trace;
    const HVDisObj client;
    EXPECT_FALSE(client.getUpdateAvailableInfoFromAppService().isValid());
    {
        DeviceSimulatorProcess sim(simulatorScenario(QStringLiteral("demo.json")));
        ASSERT_TRUE(sim.started());
        EXPECT_EQ(client.getUpdateAvailableInfoFromAppService().toString(), QStringLiteral("TRUE"));
    }
    EXPECT_FALSE(client.getUpdateAvailableInfoFromAppService().isValid());
    DeviceSimulatorProcess again(simulatorScenario(QStringLiteral("empty.json")));
    ASSERT_TRUE(again.started());
    EXPECT_EQ(client.getDeviceInfoFromApplicationService(kName), QVariant(QVariantList()));
    EXPECT_EQ(again.requests(), QStringList{QStringLiteral("getDeviceInfoFromAppService")});
    EXPECT_EQ(trace.count(QStringLiteral("Unable to connect with Server\n")), 2);
}

TEST(HVDisObj, OneWayMessagesReturnAtOnceWhileTheServiceIsBusy) {
    DeviceSimulatorProcess sim(simulatorScenario(QStringLiteral("empty.json")));
    ASSERT_TRUE(sim.started());
    ASSERT_EQ(DeviceSimulatorProcess::send({}, nullptr), 64); // usage error, simulator untouched
    QProcess stall;
    stall.start(DeviceSimulatorProcess::executable(),
                {QStringLiteral("stall"), QStringLiteral("2000")});
    ASSERT_TRUE(stall.waitForFinished(5000)); // answered before the simulator goes to sleep
    const HVDisObj client;
    QElapsedTimer timer;
    timer.start();
    client.manualCheckForUpdateFromApplicationService(kName);
    client.AutoCheckForUpdateFromApplicationService(kName);
    client.saveLastCheckPackageVersion();
    EXPECT_LT(timer.elapsed(), 1000);
    // A two-way request waits until the service is free again, and the one-way
    // messages have been delivered in order before it.
    EXPECT_FALSE(client.getUpdateAvailableInfoFromAppService().isValid());
    EXPECT_GE(timer.elapsed(), 1000);
    EXPECT_EQ(sim.requests(), (QStringList{QStringLiteral("requestForManualCheckForUpdate"),
                                           QStringLiteral("requestForAutoCheckForUpdate"),
                                           QStringLiteral("saveLastCheckedPkgVersion"),
                                           QStringLiteral("getFwUpdateAvailableInfo")}));
}

TEST(HVDisObj, TransportFailuresReachTheCallerAsCatchableErrors) {
    TraceCapture trace;
    const HVDisObj client;
    {
        DeviceSimulatorProcess sim(
            simulatorScenario(QStringLiteral("demo.json")),
            {QStringLiteral("--delay"), QStringLiteral("getFwUpdateComponentList=60000"),
             QStringLiteral("--fail"), QStringLiteral("getFwUpdateAvailableInfo")});
        ASSERT_TRUE(sim.started());
        // The service answers with an error.
        try {
            client.getUpdateAvailableInfoFromAppService();
            ADD_FAILURE() << "no failure reported";
        } catch (const platform::remote::RemoteCallError& error) {
            EXPECT_EQ(error.errorName(),
                      QStringLiteral("com.zorva.ZorvaDeviceService.Error.Failed"));
        }
        // The service is killed while the answer is pending.
        const pid_t pid = pid_t(sim.pid());
        std::thread killer([pid] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            ::kill(pid, SIGKILL);
        });
        QElapsedTimer timer;
        timer.start();
        EXPECT_THROW(client.getUpdateURLInfoFromAppService(), platform::remote::RemoteCallError);
        killer.join();
        EXPECT_LT(timer.elapsed(), 30000);
    }
    // The process goes on: the next call finds no service.
    EXPECT_FALSE(client.getUpdateURLInfoFromAppService().isValid());
    EXPECT_EQ(trace.count(QStringLiteral("Unable to connect with Server\n")), 1);
}

TEST(HVDisObj, UnreadableOrMistypedAnswersAreDroppedWithATraceLine) {
    // Answers for the simulator to send as they stand: a softphone list where a
    // device list belongs, bytes that are no archive, a reply without argument,
    // a number where a string belongs.
    const QByteArray softphones = platform::archivedDataWithRootObject(
        QVariantList{QVariant::fromValue(HVSoftphone::initSoftphone(QStringLiteral("Skype"), 1))});
    const QByteArray number = platform::archivedDataWithRootObject(QVariant::fromValue(qint64(7)));
    QTemporaryDir dir;
    const QString scenario = dir.filePath(QStringLiteral("bad.json"));
    ASSERT_TRUE(testsupport::writeFile(
        scenario, QByteArray("{\"rawAnswers\": {\"getDeviceInfoFromAppService\": \"") +
                      softphones.toBase64() +
                      "\", \"getSoftphoneInfoFromAppService\": \"bm90IGFuIGFyY2hpdmU=\","
                      " \"getFwUpdateComponentList\": null,"
                      " \"getFwUpdateAvailableInfo\": \"" +
                      number.toBase64() + "\"}}"));
    DeviceSimulatorProcess sim(scenario);
    ASSERT_TRUE(sim.started());
    TraceCapture trace;
    const HVDisObj client;
    EXPECT_FALSE(client.getDeviceInfoFromApplicationService(kName).isValid());
    EXPECT_FALSE(client.getSoftphoneInfoFromApplicationService(kName).isValid());
    EXPECT_FALSE(client.getUpdateURLInfoFromAppService().isValid());
    EXPECT_FALSE(client.getUpdateAvailableInfoFromAppService().isValid());
    const QStringList records = trace.records();
    const auto has = [&](const QString& start) {
        return std::any_of(records.begin(), records.end(),
                           [&](const QString& r) { return r.startsWith(start); });
    };
    EXPECT_TRUE(has(ipc(
        "CRITICAL", QStringLiteral("getDeviceInfoFromApplicationService : unexpected answer"))));
    EXPECT_TRUE(has(ipc(
        "CRITICAL", QStringLiteral("getSoftphoneInfoFromApplicationService : unreadable answer"))));
    EXPECT_TRUE(
        has(ipc("CRITICAL", QStringLiteral("getUpdateURLInfoFromAppService : unreadable answer"))));
    EXPECT_TRUE(has(ipc(
        "CRITICAL", QStringLiteral("getUpdateAvailableInfoFromAppService : unexpected answer"))));
    // The simulator still serves, and so does this process.
    EXPECT_EQ(sim.requests().size(), 4);
}
