// Two-way requests to the device service through HVDisObj, against the
// simulator on the same session bus, beside the floor of the machine: a bare
// QtDBus call to the bus daemon's own GetId, measured in the same run.
//   dbus-run-session -- build/bench/DeviceServiceLink_bench
#include "Platform/DBusContract.h"
#include "Platform/RemoteCall.h"
#include "ZorvaUIProject/Common/HVDisObj.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// One simulator for the whole run, answering "TRUE" and a list of 100 devices,
// each with a battery.
class Simulator {
public:
    Simulator() {
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
        json += "]}";
        const QString scenario = m_dir.filePath(QStringLiteral("bench.json"));
        QFile file(scenario);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(json);
            file.close();
        }
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(ZORVA_DEVICE_SIM),
                        {QStringLiteral("--scenario"), scenario, QStringLiteral("--log"),
                         m_dir.filePath(QStringLiteral("requests.log"))});
        m_process.waitForStarted();
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() &&
               !platform::remote::hasOwner(QDBusConnection::sessionBus(),
                                           platform::contract::kServiceBusName)) {
            QThread::msleep(10);
        }
    }
    ~Simulator() {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

Simulator& simulator() {
    static Simulator instance;
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
BENCHMARK(BM_SmallRequest_getUpdateAvailableInfo)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeviceList100_getDeviceInfo)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
