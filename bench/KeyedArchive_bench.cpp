#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/Common/HVDevice.h"

#include <benchmark/benchmark.h>

// Targets: one device with its battery archived and read back in under 30 µs;
// a list of 1,000 such devices in under 20 ms.

namespace {

HVDevicePtr sampleDevice(int i) {
    const HVDevicePtr device =
        HVDevice::initDevice(QStringLiteral("Zorva Quillo %1").arg(i), QStringLiteral("HV2454"),
                             0x14200000ULL + static_cast<quint64>(i));
    device->setCurFwVersion(QStringLiteral("1.2.%1").arg(i));
    device->setSubCompFwVersions(QVariantList{QStringLiteral("1.0"), QStringLiteral("2.0")});
    device->setFwXMLURL(QStringLiteral("https://example.com/catalogue.xml"));
    device->setDfuFileURL(QStringLiteral("https://example.com/fw.dfu"));
    auto battery = HVBatteryInformation::initBatteryInfoForTypeId(QStringLiteral("HS-77"));
    battery->setHsBatteryPCT(i % 100);
    battery->setIsCharging((i % 2) != 0);
    device->setBatteryInfo(battery);
    return device;
}

QVariant deviceList(int count) {
    QVariantList list;
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        list.append(QVariant::fromValue(sampleDevice(i)));
    }
    return list;
}

void BM_DeviceRoundTrip(benchmark::State& state) {
    const QVariant device = QVariant::fromValue(sampleDevice(1));
    for (auto _ : state) {
        const QByteArray bytes = platform::archivedDataWithRootObject(device);
        const auto back = platform::unarchiveObjectWithData(bytes).value<HVDevicePtr>();
        if (!back || !back->batteryInfo()) {
            state.SkipWithError("round trip lost the device");
            break;
        }
        benchmark::DoNotOptimize(back);
    }
}
BENCHMARK(BM_DeviceRoundTrip)->Unit(benchmark::kMicrosecond);

void BM_DeviceEncode(benchmark::State& state) {
    const QVariant device = QVariant::fromValue(sampleDevice(1));
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::archivedDataWithRootObject(device));
    }
}
BENCHMARK(BM_DeviceEncode)->Unit(benchmark::kMicrosecond);

void BM_DeviceDecode(benchmark::State& state) {
    const QByteArray bytes =
        platform::archivedDataWithRootObject(QVariant::fromValue(sampleDevice(1)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::unarchiveObjectWithData(bytes));
    }
}
BENCHMARK(BM_DeviceDecode)->Unit(benchmark::kMicrosecond);

void BM_ThousandDevicesRoundTrip(benchmark::State& state) {
    const QVariant list = deviceList(1000);
    for (auto _ : state) {
        const QByteArray bytes = platform::archivedDataWithRootObject(list);
        const QVariant back = platform::unarchiveObjectWithData(bytes);
        if (back.toList().size() != 1000) {
            state.SkipWithError("round trip lost devices");
            break;
        }
        benchmark::DoNotOptimize(back);
    }
}
BENCHMARK(BM_ThousandDevicesRoundTrip)->Unit(benchmark::kMillisecond);

void BM_ThousandDevicesEncode(benchmark::State& state) {
    const QVariant list = deviceList(1000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::archivedDataWithRootObject(list));
    }
}
BENCHMARK(BM_ThousandDevicesEncode)->Unit(benchmark::kMillisecond);

void BM_ThousandDevicesDecode(benchmark::State& state) {
    const QByteArray bytes = platform::archivedDataWithRootObject(deviceList(1000));
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::unarchiveObjectWithData(bytes));
    }
}
BENCHMARK(BM_ThousandDevicesDecode)->Unit(benchmark::kMillisecond);

} // namespace
