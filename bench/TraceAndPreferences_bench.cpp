// Costs of the trace log and the preference store on their hot paths:
// a trace call that the threshold filters out, a record that is written, and a
// preference read from a per-user file of 100 keys.

#include "Platform/plist/PropertyList.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void BM_TraceFilteredOut(benchmark::State& state) {
    QTemporaryDir dir;
    HVTrace::setTraceFilePath(dir.path() + "/trace.log");
    HVTrace::setLogSeverity(2);
    HVTrace::setTraceOn(true);
    const QString message = QStringLiteral("Device List is Empty \n");
    for (auto _ : state) {
        HVTrace::writeLine(message, 19, 6);
    }
    HVTrace::setTraceOn(false);
}
BENCHMARK(BM_TraceFilteredOut);

void BM_TraceWrittenRecord(benchmark::State& state) {
    QTemporaryDir dir;
    HVTrace::setTraceFilePath(dir.path() + "/trace.log");
    HVTrace::setLogSeverity(6);
    HVTrace::setTraceOn(true);
    const QString message = QStringLiteral("updateDeviceInfo called for a headset with a name\n");
    for (auto _ : state) {
        HVTrace::writeLine(message, 19, 6);
    }
    HVTrace::setTraceOn(false);
}
BENCHMARK(BM_TraceWrittenRecord);

void BM_PreferenceReadFrom100Keys(benchmark::State& state) {
    QTemporaryDir dir;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", dir.path().toUtf8());
    QDir().mkpath(dir.path() + "/Library/Preferences");
    QVariantMap dictionary;
    for (int i = 0; i < 100; ++i) {
        dictionary.insert(QStringLiteral("key%1").arg(i), QStringLiteral("value number %1").arg(i));
    }
    dictionary.insert("ShowBatteryStatus", "TRUE");
    platform::plist::writeFile(HVUtilities::userPreferencePath(), dictionary);
    HVTrace::setTraceOn(false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(HVUtilities::getValueFromUserDefaultForKey("ShowBatteryStatus"));
    }
    qputenv("HOME", oldHome);
}
BENCHMARK(BM_PreferenceReadFrom100Keys);

} // namespace
