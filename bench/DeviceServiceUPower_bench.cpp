// zorva-device-service between UPower (python3-dbusmock's template on a stand-in
// system bus) and the status item, on a private session bus and Xvfb, with our
// tray host reading the menu over dbusmenu:
//   - BM_UPowerChangeToMenu: a headset's Percentage set in UPower until the
//     status item's rebuilt menu, read after a change signal, shows the new value
//     (UPower's signal, the service, the battery callback, the rebuild and the
//     read of the whole menu are all inside the time);
//   - BM_ServiceMemory: the service's resident memory after 100 and after 10,000
//     UPower property changes, half of them shown (percentage) and half not
//     (energy), with the status item answering every callback.
// Times are wall-clock through the buses (manual time); figures are counters.

#include "TrayBench.h"
#include "support/MockUPower.h"
#include "support/Stage.h"

#include <benchmark/benchmark.h>

using namespace trayhost;
namespace stage = testsupport::stage;
using namespace traybench;

namespace {

const QString kHeadset = QStringLiteral("Zorva Quillo 40");

// Reads the menu after each change signal until the condition holds.
bool waitForMenu(TrayItem& item, const stage::MenuCondition& condition) {
    return stage::waitForMenu(item, condition, 10000, 10000);
}

stage::MenuCondition shows(const QString& label) {
    return [label](const MenuEntry& menu) { return findByLabel(menu, label) != nullptr; };
}

QString labelFor(int percent) {
    return kHeadset + QStringLiteral("  %1%").arg(percent);
}

// UPower with one headset, the service, the status item and the tray's watcher.
class Rig {
public:
    Rig() {
        if (!m_stage.ok()) {
            m_error = m_stage.error();
            return;
        }
        if (!m_upower.start()) {
            m_error = QStringLiteral("the UPower mock does not start: ") + m_upower.errors();
            return;
        }
        m_path = m_upower.addBluetoothDevice(1, 17, kHeadset, 50);
        if (m_path.isEmpty()) {
            m_error = QStringLiteral("cannot set up the headset");
            return;
        }
        m_stage.env = m_upower.environment(m_stage.env);
        m_stage.env.remove(QStringLiteral("ZORVA_BUNDLE"));
        if (!m_stage.startService(stage::binary("service/zorva-device-service"),
                                  {QStringLiteral("--quiet")}) ||
            !(m_item = m_stage.startItem(m_stage.app))) {
            m_error = m_stage.error();
            return;
        }
        m_item->subscribe();
        if (!waitForMenu(*m_item, shows(labelFor(50)))) {
            m_error = QStringLiteral("the headset never showed");
        }
    }

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    bool set(const char* property, const QVariant& value) {
        return m_upower.setProperties(m_path, {{QLatin1String(property), value}});
    }
    TrayItem& item() { return *m_item; }
    QString upowerErrors() { return m_upower.errors(); }
    qint64 servicePid() { return m_stage.service.process().processId(); }

private:
    testsupport::MockUPower m_upower;
    stage::Stage m_stage;
    QString m_path;
    std::unique_ptr<TrayItem> m_item;
    QString m_error;
};

void BM_UPowerChangeToMenu(benchmark::State& state) {
    Rig rig;
    BENCH_REQUIRE(rig.ok(), qPrintable(rig.error()));
    int percent = 50;
    for (auto _ : state) {
        percent = percent == 50 ? 51 : 50;
        const auto start = Clock::now();
        BENCH_REQUIRE(rig.set("Percentage", double(percent)), "UPower refused the change");
        BENCH_REQUIRE(waitForMenu(rig.item(), shows(labelFor(percent))),
                      "the menu never showed the change");
        state.SetIterationTime(msSince(start) / 1000.0);
    }
}
BENCHMARK(BM_UPowerChangeToMenu)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

void BM_ServiceMemory(benchmark::State& state) {
    Rig rig;
    BENCH_REQUIRE(rig.ok(), qPrintable(rig.error()));
    const auto change = [&rig](int i) {
        return i % 2 == 0 ? rig.set("Percentage", double(40 + (i / 2) % 20))
                          : rig.set("Energy", double(i % 1000) / 10.0);
    };
    for (auto _ : state) {
        const auto start = Clock::now();
        int i = 0;
        for (; i < 100; ++i) {
            BENCH_REQUIRE(
                change(i),
                qPrintable(
                    QStringLiteral("UPower refused change %1: %2").arg(i).arg(rig.upowerErrors())));
        }
        BENCH_REQUIRE(waitForMenu(rig.item(), shows(labelFor(40 + (98 / 2) % 20))),
                      "the menu never followed");
        const double after100 = residentKiB(rig.servicePid());
        for (; i < 10000; ++i) {
            BENCH_REQUIRE(
                change(i),
                qPrintable(
                    QStringLiteral("UPower refused change %1: %2").arg(i).arg(rig.upowerErrors())));
        }
        BENCH_REQUIRE(waitForMenu(rig.item(), shows(labelFor(40 + (9998 / 2) % 20))),
                      "the menu never followed");
        const double after10000 = residentKiB(rig.servicePid());
        state.SetIterationTime(msSince(start) / 1000.0);
        state.counters["rss_kib_after_100"] = after100;
        state.counters["rss_kib_after_10000"] = after10000;
        state.counters["growth_kib"] = after10000 - after100;
    }
}
BENCHMARK(BM_ServiceMemory)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
