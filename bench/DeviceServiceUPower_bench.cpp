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

#include "MenuLayout.h"
#include "StatusNotifierWatcher.h"
#include "TrayItem.h"
#include "support/MockUPower.h"
#include "support/Stage.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>

using namespace trayhost;
namespace stage = testsupport::stage;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

const QString kApp = QStringLiteral(ZORVA_BUNDLE_PATH "/Contents/MacOS/Zorva menu bar item");
const QString kHeadset = QStringLiteral("Zorva Quillo 40");

double residentKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble();
        }
    }
    return 0;
}

bool waitForMenu(TrayItem& item, const std::function<bool(const MenuEntry&)>& condition,
                 int timeoutMs = 10000) {
    const auto start = Clock::now();
    while (msSince(start) < timeoutMs) {
        const quint64 seen = item.menuSignalCount();
        const auto layout = item.readLayout();
        if (layout && condition(*layout)) {
            return true;
        }
        stage::waitFor([&] { return item.menuSignalCount() != seen; },
                       timeoutMs - static_cast<int>(msSince(start)));
    }
    return false;
}

std::function<bool(const MenuEntry&)> shows(const QString& label) {
    return [label](const MenuEntry& menu) { return findByLabel(menu, label) != nullptr; };
}

QString labelFor(int percent) {
    return kHeadset + QStringLiteral("  %1%").arg(percent);
}

// UPower with one headset, the service, the status item and the tray's watcher.
class Rig {
public:
    Rig() {
        if (!m_bus.ok() || !m_screen.ok() || !m_upower.busOk()) {
            m_error = m_screen.ok() ? QStringLiteral("no dbus-daemon") : m_screen.error();
            return;
        }
        if (!m_upower.start()) {
            m_error = QStringLiteral("the UPower mock does not start: ") + m_upower.errors();
            return;
        }
        m_path = m_upower.addBluetoothDevice(QStringLiteral("headset"), 17, kHeadset, 50,
                                             QStringLiteral("AA:BB:CC:DD:EE:01"));
        const QString home = m_dir.filePath(QStringLiteral("home"));
        QDir().mkpath(home + QStringLiteral("/Library/Preferences"));
        QFile prefs(home + QStringLiteral("/Library/Preferences/com.zorva.prefsettings.plist"));
        if (m_path.isEmpty() || !prefs.open(QIODevice::WriteOnly) ||
            prefs.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                        "<dict><key>zorvaStatusMenu</key><string>TRUE</string>"
                        "<key>ShowBatteryStatus</key><string>TRUE</string></dict></plist>\n") < 0) {
            m_error = QStringLiteral("cannot set up the headset or the preferences");
            return;
        }
        prefs.close();
        QProcessEnvironment env = m_upower.environment(stage::childEnvironment(m_bus, m_screen));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("ZORVA_SYSTEM_ROOT"), m_dir.filePath(QStringLiteral("root")));
        env.remove(QStringLiteral("ZORVA_BUNDLE"));

        m_watcher = std::make_unique<StatusNotifierWatcher>(m_bus.connection());
        if (!m_watcher->start()) {
            m_error = QStringLiteral("no tray watcher");
            return;
        }
        QString itemService;
        QString itemPath;
        QObject::connect(m_watcher.get(), &StatusNotifierWatcher::itemRegistered,
                         [&itemService, &itemPath](const QString& service, const QString& path) {
                             itemService = service;
                             itemPath = path;
                         });
        if (!m_service.start(stage::binary("service/zorva-device-service"),
                             {QStringLiteral("--quiet")}, env) ||
            !stage::waitFor([&] {
                return m_bus.connection().interface()->isServiceRegistered(
                    QStringLiteral("com.zorva.ZorvaDeviceService"));
            })) {
            m_error = QStringLiteral("the service does not start: ") + m_service.errors();
            return;
        }
        if (!m_app.start(kApp, {}, env) ||
            !stage::waitFor([&] { return !itemService.isEmpty(); })) {
            m_error = QStringLiteral("the status item never registered");
            return;
        }
        m_item = std::make_unique<TrayItem>(m_bus.connection(), itemService, itemPath);
        m_item->subscribe();
        if (!waitForMenu(*m_item, shows(labelFor(50)))) {
            m_error = QStringLiteral("the headset never showed");
        }
    }
    ~Rig() {
        m_app.stopNow();
        m_service.stopNow();
    }

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    bool set(const char* property, const QVariant& value) {
        return m_upower.setProperties(m_path, {{QLatin1String(property), value}});
    }
    TrayItem& item() { return *m_item; }
    QString upowerErrors() { return m_upower.errors(); }
    qint64 servicePid() { return m_service.process().processId(); }

private:
    stage::PrivateBus m_bus;
    stage::VirtualScreen m_screen;
    testsupport::MockUPower m_upower;
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<StatusNotifierWatcher> m_watcher;
    stage::Child m_service;
    stage::Child m_app;
    std::unique_ptr<TrayItem> m_item;
    QString m_error;
};

#define BENCH_REQUIRE(condition, message)                                                          \
    if (!(condition)) {                                                                            \
        state.SkipWithError(message);                                                              \
        return;                                                                                    \
    }

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
