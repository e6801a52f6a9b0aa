#include "Platform/plist/PropertyList.h"
#include "ZorvaUIProject/Common/HVUtilities.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kDongles = 50;
constexpr int kHeadsetsPerDongle = 20;

QString dongleSerial(int i) {
    return QStringLiteral("TARVIK%1").arg(i, 6, 10, QChar(u'0'));
}
QString headsetSerial(int dongle, int i) {
    return QStringLiteral("HEADSET%1-%2")
        .arg(dongle, 3, 10, QChar(u'0'))
        .arg(i, 3, 10, QChar(u'0'));
}
quint64 location(int dongle) {
    return 0x14000000ULL + static_cast<quint64>(dongle) * 0x100000ULL;
}

// A private home whose preference file holds 50 dongles with 20 headsets each,
// beside the usual keys of the suite.
class RegistryFixture {
public:
    RegistryFixture() {
        qputenv("HOME", m_dir.path().toUtf8());
        qputenv("ZORVA_SYSTEM_ROOT", (m_dir.path() + QStringLiteral("/root")).toUtf8());
        QVariantList dongles;
        for (int d = 0; d < kDongles; ++d) {
            QVariantList headsets;
            for (int h = 0; h < kHeadsetsPerDongle; ++h) {
                headsets.append(QVariantMap{{"DeviceName", "Headset"},
                                            {"ProductID", "HV0420"},
                                            {"LocationID", location(d)},
                                            {"SerialNo", headsetSerial(d, h)},
                                            {"Timestamp", 1.7e9 + h},
                                            {"ConnectedState", "DISCONNECTED"}});
            }
            dongles.append(QVariantMap{{"DeviceName", "Tarvik"},
                                       {"ProductID", "HV0341"},
                                       {"LocationID", location(d)},
                                       {"SerialNo", dongleSerial(d)},
                                       {"HeadsetData", headsets}});
        }
        const QVariantMap preferences{{"pListVersion", "1.2"},
                                      {"ShowBatteryStatus", "TRUE"},
                                      {"zorvaStatusMenu", "TRUE"},
                                      {"TarvikData", dongles}};
        const QString path = HVUtilities::userPreferencePath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        platform::plist::writeFile(path, preferences);
    }

private:
    QTemporaryDir m_dir;
};

// A headset of the last dongle connecting again: its record is found and refreshed.
void BM_UpdateHeadsetInfo_50x20(benchmark::State& state) {
    RegistryFixture fixture;
    const int d = kDongles - 1;
    for (auto _ : state) {
        HVUtilities::updateHeadsetInfo("Headset", "HV0420", location(d),
                                       headsetSerial(d, kHeadsetsPerDongle - 1), 0);
    }
    state.counters["file_bytes"] =
        static_cast<double>(QFileInfo(HVUtilities::userPreferencePath()).size());
}
BENCHMARK(BM_UpdateHeadsetInfo_50x20)->Unit(benchmark::kMillisecond);

// A known dongle plugged in again at its location.
void BM_UpdateTarvikInfo_50x20(benchmark::State& state) {
    RegistryFixture fixture;
    for (auto _ : state) {
        HVUtilities::updateTarvikInfo("Tarvik", "HV0341", location(kDongles - 1),
                                      dongleSerial(kDongles - 1), 0);
    }
}
BENCHMARK(BM_UpdateTarvikInfo_50x20)->Unit(benchmark::kMillisecond);

} // namespace
