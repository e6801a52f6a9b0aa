// Two-way requests to the device service through HVDisObj, against the
// simulator on the same session bus, beside two floors measured in the same run:
// a bare QtDBus call to the bus daemon's own GetId (2 transits) and a bare QtDBus
// echo in a second process answering the same signature (4 transits, like a
// request to the service).
//   dbus-run-session -- build/bench/DeviceServiceLink_bench
#include "Platform/DBusContract.h"
#include "Platform/RemoteCall.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/Common/HVDisObj.h"
#include "support/DeviceSimulatorProcess.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// One simulator for the whole run, answering "TRUE" and a list of 100 devices,
// each with a battery.
testsupport::DeviceSimulatorProcess& simulator() {
    static QTemporaryDir dir;
    static const QString scenario = [] {
        QByteArray json = "{\"updateAvailable\": \"TRUE\", \"devices\": [";
        for (int i = 0; i < 100; ++i) {
            json += QStringLiteral("%1{\"name\": \"Zorva Quillo %2\", \"productID\": \"HV2454\", "
                                   "\"locationID\": %3, \"firmwareVersion\": \"1.2.%2\", "
                                   "\"battery\": {\"percent\": %4, \"charging\": true}}")
                        .arg(i == 0 ? "" : ",")
                        .arg(i)
                        .arg(336592896 + i)
                        .arg(i % 100)
                        .toUtf8();
        }
        const QString path = dir.filePath(QStringLiteral("bench.json"));
        testsupport::writeFile(path, json + "]}");
        return path;
    }();
    static testsupport::DeviceSimulatorProcess instance(scenario);
    return instance;
}

// The bare two-process echo, answering the archive of "TRUE" as the simulator does.
const QString kEchoBusName = QStringLiteral("com.zorva.BenchEcho");

testsupport::BusServiceProcess& echo() {
    static testsupport::BusServiceProcess instance(
        QStringLiteral(ZORVA_BENCH_ECHO),
        {QString::fromLatin1(platform::archivedDataWithRootObject(QStringLiteral("TRUE")).toHex())},
        kEchoBusName);
    return instance;
}

void BM_Floor_BusGetId(benchmark::State& state) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId"));
    for (auto _ : state) {
        const QDBusMessage reply = bus.call(call, QDBus::Block);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            state.SkipWithError("no session bus");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
}

// The same shape as the small request (no arguments in, one "ay" out), to a
// second process that answers at once: request and reply each cross the bus
// daemon, like a real request.
void BM_Floor_TwoProcessEcho(benchmark::State& state) {
    if (!echo().started()) {
        state.SkipWithError("the echo service did not start");
        return;
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call = QDBusMessage::createMethodCall(
        kEchoBusName, QStringLiteral("/BenchEcho"), platform::contract::kServiceInterface,
        platform::contract::service::getFwUpdateAvailableInfo.memberName());
    call.setAutoStartService(false);
    for (auto _ : state) {
        const QDBusMessage reply = bus.call(call, QDBus::Block, platform::remote::kNoTimeout);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            state.SkipWithError("the echo did not answer");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
}

void BM_SmallRequest_getUpdateAvailableInfo(benchmark::State& state) {
    simulator();
    const HVDisObj client;
    for (auto _ : state) {
        const QVariant answer = client.getUpdateAvailableInfoFromAppService();
        if (answer.toString() != QLatin1String("TRUE")) {
            state.SkipWithError("the simulator did not answer");
            break;
        }
        benchmark::DoNotOptimize(answer);
    }
}

void BM_DeviceList100_getDeviceInfo(benchmark::State& state) {
    simulator();
    const HVDisObj client;
    for (auto _ : state) {
        const QVariant answer =
            client.getDeviceInfoFromApplicationService(QStringLiteral("ZorvaDeviceService"));
        if (answer.toList().size() != 100) {
            state.SkipWithError("the simulator did not answer 100 devices");
            break;
        }
        benchmark::DoNotOptimize(answer);
    }
}

} // namespace

// Interleaved repetitions, so the floor and the requests see the same machine.
BENCHMARK(BM_Floor_BusGetId)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Floor_TwoProcessEcho)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallRequest_getUpdateAvailableInfo)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeviceList100_getDeviceInfo)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
