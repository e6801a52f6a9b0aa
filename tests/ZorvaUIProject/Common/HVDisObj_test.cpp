#include "Platform/RemoteCall.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVDisObj.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"
#include "support/DeviceSimulatorProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using testsupport::DeviceSimulatorProcess;
using testsupport::simulatorScenario;
using testsupport::TraceCapture;

// Each test program has a bus of its own, so parallel test cases do not meet.
static auto* const kPrivateBus =
    ::testing::AddGlobalTestEnvironment(new testsupport::PrivateSessionBus);

namespace {

const QString kName = "ZorvaDeviceService";
const QString kPid = "HV2454";

QString crit(const QString& message) {
    return "IPC CRITICAL " + message;
}
QString high(const QString& message) {
    return "IPC HIGH " + message;
}
QString nobody(const QString& op) {
    return crit(op + " : No one is listening there.\n");
}
// An operation that writes its name, then finds no proxy.
QStringList nil(const QString& op) {
    return {crit(" " + op + " "), crit(op + " proxy is nil\n")};
}
QStringList unableFor(const QString& op, const QString& server) {
    return {crit(op + " : "), crit("Unable to connect with Server : " + server + "\n")};
}

const QString kUnable = crit("Unable to connect with Server\n");
const QString kConnected = "IPC INFO Successfully connected with Server : ZorvaDeviceService\n";
const QString kReceived = high(" Data Received From App service.\n");

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
    EXPECT_FALSE(client.getPanicTraceInfoFromAppService(kPid, 1).isValid());
    client.resetPanicTraceFromAppService(kPid, 1);
    client.setHVHIDForConnectedDevices(1);
    client.logZMSSettingsToServer();
    client.bluetoothConnect(kPid, 1);
    client.bluetoothConnectAddr(kPid, 1, QByteArray("\x01\x02", 2), true);
    client.bluetoothDisconnect(kPid, 1);
    client.bluetoothDisconnectAddr(kPid, 1, QByteArray());
    client.enableAutoPairing(kPid, 1, true);
    EXPECT_FALSE(client.getAutoPairingValue(kPid, 1));
    client.clearPairingList(kPid, 1);
    client.setInPairingMode(kPid, 1);
    EXPECT_FALSE(client.getDBrecord(kPid, 1).isValid());
    EXPECT_FALSE(client.getSearchList(kPid, 1).isValid());
    EXPECT_FALSE(client.getPairingList(kPid, 1).isValid());

    QStringList expected{nobody("getDeviceInfoFromApplicationService"),
                         nobody("getSoftphoneInfoFromApplicationService")};
    expected << unableFor("manualCheckForUpdateFromApplicationService", kName)
             << unableFor("AutoCheckForUpdateFromApplicationService", kName);
    for (const char* op :
         {"saveLastCheckPackageVersion ", "getUpdateAvailableInfoFromAppService ",
          "getUpdateURLInfoFromAppService ", "getPanicTraceInfoFromAppServiceForProdId ",
          "resetPanicTraceFromAppService "}) {
        expected << crit(op) << kUnable;
    }
    expected << kUnable; // setHVHIDForConnectedDevices: no entry line
    for (const char* op : {"logZMSSettingsToServer", "bluetoothConnect", "bluetoothConnect",
                           "bluetoothDisconnect", "bluetoothDisconnect", "enableAutoPairing",
                           "getAutoPairingValue", "clearPairingList", "setInPairingMode"}) {
        expected << nil(op);
    }
    expected << nil("getPairingList"); // getDBrecord and getSearchList write nothing at all
    EXPECT_EQ(trace.records(), expected);
}

TEST(HVDisObj, EveryOperationReachesTheServiceWithItsArgumentsAndResult) {
    DeviceSimulatorProcess sim(simulatorScenario("demo.json"));
    ASSERT_TRUE(sim.started());
    TraceCapture trace;
    const HVDisObj client;
    const qint64 lid = 336592896;

    // The records' fields read as the archive tests check.
    const QVariantList devices = client.getDeviceInfoFromApplicationService(kName).toList();
    ASSERT_EQ(devices.size(), 3);
    EXPECT_EQ(devices.at(0).value<HVDevicePtr>()->lid(), quint64(lid));
    EXPECT_EQ(client.getSoftphoneInfoFromApplicationService(kName).toList().size(), 3);
    EXPECT_EQ(client.getUpdateAvailableInfoFromAppService(), QVariant("TRUE"));
    EXPECT_EQ(client.getUpdateURLInfoFromAppService().toList().size(), 3);

    EXPECT_EQ(client.getPanicTraceInfoFromAppService(kPid, lid).toMap().value("SKUIDKEY"),
              "203500-01");
    client.resetPanicTraceFromAppService(kPid, lid);
    EXPECT_FALSE(client.getPanicTraceInfoFromAppService(kPid, lid).isValid());
    client.setHVHIDForConnectedDevices(3);
    client.logZMSSettingsToServer();
    client.bluetoothConnect(kPid, lid);
    client.bluetoothConnectAddr(kPid, lid, QByteArray("\x0a\x0b", 2), true);
    client.bluetoothDisconnect(kPid, lid);
    client.bluetoothDisconnectAddr(kPid, lid, QByteArray());
    EXPECT_TRUE(client.getAutoPairingValue(kPid, lid));
    client.enableAutoPairing(kPid, lid, false);
    EXPECT_FALSE(client.getAutoPairingValue(kPid, lid));
    client.clearPairingList(kPid, lid);
    client.setInPairingMode(kPid, lid);
    EXPECT_EQ(client.getDBrecord(kPid, lid).toList().size(), 2);
    EXPECT_EQ(client.getSearchList(kPid, lid), QVariant(QVariantList()));
    EXPECT_FALSE(client.getPairingList(kPid, lid).isValid()); // cleared above
    client.saveLastCheckPackageVersion();

    const QString at = " \"HV2454\" 336592896";
    EXPECT_EQ(
        sim.waitForRequests(22),
        (QStringList{"getDeviceInfoFromAppService",
                     "getSoftphoneInfoFromAppService",
                     "getFwUpdateAvailableInfo",
                     "getFwUpdateComponentList",
                     "getPanicTraceInfo_locationId" + at,
                     "resetDevFromPanicTrace_locId" + at,
                     "getPanicTraceInfo_locationId" + at,
                     "setHVHIDForConnectedDevices 3",
                     "logZMSSettingsToServer",
                     "bluetoothConnect_locationId" + at,
                     "bluetoothConnectAddr_locationId_btAddr_connectMode" + at + " <0a0b> true",
                     "bluetoothDisconnect_locationId" + at,
                     "bluetoothDisconnectAddr_locationId_btAddr" + at + " (null)",
                     "getAutoPairingValue_locationId" + at,
                     "enableAutoPairing_locationId_withValue" + at + " false",
                     "getAutoPairingValue_locationId" + at,
                     "clearPairingList_locationId" + at,
                     "setInPairingMode_locationId" + at,
                     "getDBrecord_locationId" + at,
                     "getSearchList_locationId" + at,
                     "getPairingList_locationId" + at,
                     "saveLastCheckedPkgVersion"}));

    // The two list requests write their own lines and no connection line; the
    // operations without an after-send line (17, 20, 21, 22) write none on success.
    const QStringList records = trace.records();
    ASSERT_GE(records.size(), 13);
    const QString asking = high("Receiving data from Drivers...\n");
    const QString got = high(" Data Received From Driver.\n");
    EXPECT_EQ(records.mid(0, 7),
              (QStringList{asking, got, asking, got, crit("getUpdateAvailableInfoFromAppService "),
                           kConnected, kReceived}));
    EXPECT_EQ(records.mid(records.size() - 13),
              (QStringList{crit(" clearPairingList "), kConnected, kReceived,
                           crit(" setInPairingMode "), kConnected, kReceived,
                           kConnected, // getDBrecord
                           kConnected, // getSearchList
                           crit(" getPairingList "), kConnected,
                           crit("saveLastCheckPackageVersion "), kConnected, kReceived}));
}

TEST(HVDisObj, FindsAServiceStartedOrRestartedAfterTheClient) {
    TraceCapture trace;
    const HVDisObj client;
    EXPECT_FALSE(client.getUpdateAvailableInfoFromAppService().isValid());
    {
        DeviceSimulatorProcess sim(simulatorScenario("demo.json"));
        ASSERT_TRUE(sim.started());
        EXPECT_EQ(client.getUpdateAvailableInfoFromAppService().toString(), "TRUE");
    }
    EXPECT_FALSE(client.getUpdateAvailableInfoFromAppService().isValid());
    // A service that answers with an error: the caller gets a catchable error.
    DeviceSimulatorProcess again(simulatorScenario("empty.json"),
                                 {"--fail", "getFwUpdateAvailableInfo"});
    ASSERT_TRUE(again.started());
    EXPECT_EQ(client.getDeviceInfoFromApplicationService(kName), QVariant(QVariantList()));
    EXPECT_THROW(client.getUpdateAvailableInfoFromAppService(), platform::remote::RemoteCallError);
    EXPECT_EQ(again.requests(),
              (QStringList{"getDeviceInfoFromAppService", "getFwUpdateAvailableInfo"}));
    EXPECT_EQ(trace.records().count(kUnable), 2);
}

TEST(HVDisObj, UnreadableOrMistypedAnswersAreDroppedWithATraceLine) {
    // Answers for the simulator to send as they stand: a softphone list where a
    // device list belongs, bytes that are no archive, a reply without argument,
    // a number where a string belongs.
    const QByteArray softphones = platform::archivedDataWithRootObject(
        QVariantList{QVariant::fromValue(HVSoftphone::initSoftphone("Skype", 1))});
    const QByteArray number = platform::archivedDataWithRootObject(QVariant::fromValue(qint64(7)));
    QTemporaryDir dir;
    const QString scenario = dir.filePath("bad.json");
    ASSERT_TRUE(testsupport::writeFile(
        scenario, "{\"rawAnswers\": {\"getDeviceInfoFromAppService\": \"" + softphones.toBase64() +
                      "\", \"getSoftphoneInfoFromAppService\": \"bm90IGFuIGFyY2hpdmU=\","
                      " \"getFwUpdateComponentList\": null, \"getFwUpdateAvailableInfo\": \"" +
                      number.toBase64() + "\"}}"));
    DeviceSimulatorProcess sim(scenario);
    ASSERT_TRUE(sim.started());
    TraceCapture trace;
    const HVDisObj client;
    // A wrong service name fails without reaching the service.
    EXPECT_FALSE(client.getDeviceInfoFromApplicationService("zorvadeviceservice").isValid());
    EXPECT_FALSE(client.getSoftphoneInfoFromApplicationService(QString()).isValid());
    client.manualCheckForUpdateFromApplicationService("Other");
    client.AutoCheckForUpdateFromApplicationService(QString());
    EXPECT_EQ(trace.records().last(), crit("Unable to connect with Server : (null)\n"));

    EXPECT_FALSE(client.getDeviceInfoFromApplicationService(kName).isValid());
    EXPECT_FALSE(client.getSoftphoneInfoFromApplicationService(kName).isValid());
    EXPECT_FALSE(client.getUpdateURLInfoFromAppService().isValid());
    EXPECT_FALSE(client.getUpdateAvailableInfoFromAppService().isValid());
    const QStringList records = trace.records();
    for (const char* start : {"getDeviceInfoFromApplicationService : unexpected answer",
                              "getSoftphoneInfoFromApplicationService : unreadable answer",
                              "getUpdateURLInfoFromAppService : unreadable answer",
                              "getUpdateAvailableInfoFromAppService : unexpected answer"}) {
        EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const QString& r) {
            return r.startsWith(crit(start));
        })) << start;
    }
    // The simulator still serves, and so does this process; the wrong names reached nothing.
    EXPECT_EQ(sim.requests().size(), 4);
}
