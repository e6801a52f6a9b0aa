#include "Platform/RemoteCall.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVDisObj.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"
#include "support/DeviceSimulatorProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QRegularExpression>
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
const QString kUnable = crit("Unable to connect with Server\n");

// Runs every operation once, each change read back; the answers as text: a list
// as its size and the first device's location, nothing as "-".
QStringList runEveryOperation(const HVDisObj& client, qint64 lid) {
    QStringList answers;
    const auto answer = [&](const QVariant& value) {
        const QVariantList list = value.toList();
        if (!value.isValid()) {
            answers << "-";
        } else if (value.typeId() != QMetaType::QVariantList) {
            answers << value.toString();
        } else if (!list.isEmpty() && list[0].canConvert<HVDevicePtr>()) {
            answers
                << QString("%1 at %2").arg(list.size()).arg(list[0].value<HVDevicePtr>()->lid());
        } else {
            answers << QString::number(list.size());
        }
    };
    answer(client.getDeviceInfoFromApplicationService(kName));
    answer(client.getSoftphoneInfoFromApplicationService(kName));
    client.manualCheckForUpdateFromApplicationService(kName);
    client.AutoCheckForUpdateFromApplicationService(kName);
    answer(client.getUpdateAvailableInfoFromAppService());
    answer(client.getUpdateURLInfoFromAppService());
    answer(client.getPanicTraceInfoFromAppService(kPid, lid).toMap().value("SKUIDKEY"));
    client.resetPanicTraceFromAppService(kPid, lid);
    answer(client.getPanicTraceInfoFromAppService(kPid, lid));
    client.setHVHIDForConnectedDevices(3);
    client.logZMSSettingsToServer();
    client.bluetoothConnect(kPid, lid);
    client.bluetoothConnectAddr(kPid, lid, QByteArray("\x0a\x0b", 2), true);
    client.bluetoothDisconnect(kPid, lid);
    client.bluetoothDisconnectAddr(kPid, lid, QByteArray());
    answer(client.getAutoPairingValue(kPid, lid));
    client.enableAutoPairing(kPid, lid, false);
    answer(client.getAutoPairingValue(kPid, lid));
    client.clearPairingList(kPid, lid);
    client.setInPairingMode(kPid, lid);
    answer(client.getDBrecord(kPid, lid));
    answer(client.getSearchList(kPid, lid));
    answer(client.getPairingList(kPid, lid));
    client.saveLastCheckPackageVersion();
    return answers;
}

} // namespace

TEST(HVDisObj, EveryOperationReachesTheServiceWithItsArgumentsAndResult) {
    DeviceSimulatorProcess sim(simulatorScenario("demo.json"));
    ASSERT_TRUE(sim.started());
    // Panic trace and pairing list read back empty after their reset and clearing.
    EXPECT_EQ(runEveryOperation(HVDisObj(), 336592896),
              (QStringList{"3 at 336592896", "3", "TRUE", "3", "203500-01", "-", "true", "false",
                           "2", "0", "-"}));
    const QString at = " \"HV2454\" 336592896";
    EXPECT_EQ(
        sim.waitForRequests(24),
        (QStringList{"getDeviceInfoFromAppService",
                     "getSoftphoneInfoFromAppService",
                     "requestForManualCheckForUpdate",
                     "requestForAutoCheckForUpdate",
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
}

TEST(HVDisObj, WithoutServiceEveryOperationAnswersEmptyAndALaterServiceIsFound) {
    TraceCapture trace;
    const HVDisObj client;
    EXPECT_EQ(runEveryOperation(client, 1),
              (QStringList{"-", "-", "-", "-", "-", "-", "false", "false", "-", "-", "-"}));
    // Two IPC failure lines for most operations; getDBrecord and getSearchList write none.
    const QStringList records = trace.records();
    EXPECT_EQ(records.size(), 41);
    EXPECT_EQ(records.filter(QRegularExpression("^IPC CRITICAL ")).size(), records.size());
    EXPECT_EQ(records.first(),
              crit("getDeviceInfoFromApplicationService : No one is listening there.\n"));
    trace.take();
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
    EXPECT_EQ(trace.records().count(kUnable), 1);
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
    EXPECT_FALSE(client.getDeviceInfoFromApplicationService(kName).isValid());
    EXPECT_FALSE(client.getSoftphoneInfoFromApplicationService(kName).isValid());
    EXPECT_FALSE(client.getUpdateURLInfoFromAppService().isValid());
    EXPECT_FALSE(client.getUpdateAvailableInfoFromAppService().isValid());
    // Each dropped with a line of its own.
    EXPECT_EQ(trace.records()
                  .filter(QRegularExpression("^IPC CRITICAL \\w+ : un(expected|readable) answer"))
                  .size(),
              4);
    // The simulator still serves, and so does this process.
    EXPECT_EQ(sim.requests().size(), 4);
}
