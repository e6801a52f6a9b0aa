// The status item as a tray sees it, measured beside bare-tray (a QSystemTrayIcon
// with a 14-item menu and nothing else) in the same run, on the same private bus
// and Xvfb, with our tray host's watcher registered first:
//   - BM_TrayStartup: process start until the populated menu is readable over
//     dbusmenu, and resident memory once started (status item / bare ratios);
//   - BM_ReadMenu: a host's full read of the status item's 100-device menu, of
//     bare-tray's menu (read_ratio = status item / bare) and of bare-tray with
//     100 picture rows (same_menu_ratio);
//   - BM_AttachToMenu/N: a device-attach callback until the rebuilt menu with N
//     devices, read over dbusmenu after a change signal, shows it (the read of the
//     whole menu, pictures included, is part of the time); bare_rebuild_ms is the
//     same for bare-tray rebuilding its menu on a "c_HVUpdateUI!" broadcast;
//   - BM_RebuildMemory: resident memory after 100, 5,000 and 10,000 rebuilds, both
//     programs rebuilding on "c_HVUpdateUI!" broadcasts; the "anon" figures leave
//     out the pages of shared libraries, and the late growth is the second half's.
// Times are wall-clock through the bus (manual time); figures are counters.

#include "Platform/DBusContract.h"
#include "Platform/archive/KeyedArchive.h"
#include "TrayBench.h"
#include "support/Stage.h"

#include <QCoreApplication>
#include <array>
#include <benchmark/benchmark.h>

using namespace trayhost;
namespace stage = testsupport::stage;
using namespace traybench;

namespace {

const QString kApp = stage::statusItemProgram();
constexpr int kBareRows = 16; // 14 items and 2 separators

void idle(int ms) {
    const auto start = Clock::now();
    stage::waitFor([&] { return msSince(start) >= ms; }, ms + 1000);
}

QByteArray scenarioJson(int devices) {
    QByteArray json = "{\"devices\": [";
    for (int i = 0; i < devices; ++i) {
        json += QStringLiteral("%1{\"name\": \"Headset %2\", \"productID\": \"HV0B%3\", "
                               "\"locationID\": %4, \"firmwareVersion\": \"1.0\", "
                               "\"headsetType\": 1, \"battery\": {\"productTypeId\": \"HV0B%3\", "
                               "\"percent\": %5, \"charging\": %6, \"low\": false}}")
                    .arg(i ? QStringLiteral(", ") : QString())
                    .arg(i + 1)
                    .arg(i % 100, 2, 10, QLatin1Char('0'))
                    .arg(336592896LL + i * 65536LL)
                    .arg(10 + (i * 7) % 90)
                    .arg(i % 3 == 0 ? QStringLiteral("true") : QStringLiteral("false"))
                    .toUtf8();
    }
    json += "], \"softphones\": [{\"name\": \"Skype\", \"state\": 1}, "
            "{\"name\": \"Cisco Jabber\", \"state\": 0}], "
            "\"updateAvailable\": \"FALSE\", \"componentList\": null, "
            "\"manualCheck\": \"none\", \"autoCheck\": \"none\"}";
    return json;
}

// A running tray program and its item as the tray reads it.
struct Program {
    std::unique_ptr<stage::Child> child;
    std::unique_ptr<TrayItem> item;
    qint64 pid() const { return child ? child->process().processId() : 0; }
};

// The bus, the screen, the tray's watcher and the device service simulator.
class Rig {
public:
    explicit Rig(int devices) {
        const QString scenario = m_stage.file(QStringLiteral("scenario.json"));
        if (!m_stage.ok() || !testsupport::writeFile(scenario, scenarioJson(devices))) {
            m_error = m_stage.ok() ? QStringLiteral("cannot write the scenario") : m_stage.error();
            return;
        }
        m_stage.env.remove(QStringLiteral("ZORVA_BUNDLE"));
        if (m_stage.watcher() == nullptr ||
            !m_stage.startService(stage::simulatorProgram(),
                                  {QStringLiteral("--scenario"), scenario, QStringLiteral("--log"),
                                   QStringLiteral("/dev/null")})) {
            m_error = m_stage.error();
        }
    }

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QDBusConnection connection() const { return m_stage.bus.connection(); }

    // Starts a program and answers once ready(menu) holds for the menu read over
    // dbusmenu; *ms is the time from the start of the process.
    std::optional<Program> launch(const QString& path,
                                  const std::function<bool(const MenuEntry&)>& ready, double* ms,
                                  const QStringList& arguments = {}) {
        Program program;
        program.child = std::make_unique<stage::Child>();
        const auto start = Clock::now();
        program.item = m_stage.startItem(*program.child, path, 20000, arguments);
        if (!program.item || !stage::waitFor([&] {
                const auto layout = program.item->readLayout();
                return layout && ready(*layout);
            })) {
            return std::nullopt;
        }
        *ms = msSince(start);
        return program;
    }

    void stop(Program& program) {
        const int before = static_cast<int>(m_stage.watcher()->items().size());
        program.item.reset();
        if (program.child) {
            program.child->stopNow();
        }
        stage::waitFor([&] { return m_stage.watcher()->items().size() < before; }, 5000);
        program.child.reset();
    }

    // Sends the device-attach (state 0) or detach (state 1) callback.
    bool deviceCallback(const QString& name, const QString& productID, quint64 lid, int state) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            platform::contract::kStatusBusName, platform::contract::kStatusPath,
            platform::contract::kStatusInterface,
            QStringLiteral("updateDeviceInfo_productID_locatonID_deviceState_currentFWVer_"
                           "headSetType"));
        call << platform::archivedDataWithRootObject(name)
             << platform::archivedDataWithRootObject(productID) << lid << state
             << platform::archivedDataWithRootObject(QStringLiteral("1.0")) << 1;
        return connection().send(call);
    }

    bool postRebuild() {
        QDBusMessage posted = QDBusMessage::createSignal(platform::contract::kNotificationPath,
                                                         platform::contract::kNotificationInterface,
                                                         platform::contract::kNotificationSignal);
        posted << QStringLiteral("c_HVUpdateUI!") << QByteArray();
        return connection().send(posted);
    }

private:
    stage::Stage m_stage;
    QString m_error;
};

bool bareReady(const MenuEntry& menu) {
    return menu.children.size() == kBareRows;
}

// Full menu of the scenario: devices, separator, two softphones, separator,
// Help, Check for updates, Open Zorva.
std::function<bool(const MenuEntry&)> statusReady(int devices) {
    return [devices](const MenuEntry& menu) {
        // Without devices there is no device separator either.
        const int rows = devices > 0 ? devices + 7 : 6;
        return static_cast<int>(menu.children.size()) == rows &&
               findByLabel(menu, QStringLiteral("Open Zorva"));
    };
}

// Reads the menu after each change signal until the condition holds.
bool waitForMenu(TrayItem& item, const stage::MenuCondition& condition) {
    return stage::waitForMenu(item, condition, 10000, 10000);
}

int firstId(const MenuEntry& menu) {
    return menu.children.empty() ? 0 : menu.children.front().id;
}

// bare-tray and the status item with the given number of devices, started in
// that order on the rig; either is empty when its menu never became readable.
std::pair<std::optional<Program>, std::optional<Program>> launchBoth(Rig& rig, int devices) {
    double ms = 0;
    auto bare = rig.launch(stage::binary("tools/bare-tray/bare-tray"), bareReady, &ms);
    auto status = bare ? rig.launch(kApp, statusReady(devices), &ms) : std::nullopt;
    return {std::move(bare), std::move(status)};
}

// Rebuilds bare-tray's menu by broadcast and answers the time until the new menu
// (new item ids) is read.
std::optional<double> bareRebuild(Rig& rig, Program& bare) {
    const auto before = bare.item->readLayout();
    if (!before) {
        return std::nullopt;
    }
    const int oldId = firstId(*before);
    const auto start = Clock::now();
    if (!rig.postRebuild() || !waitForMenu(*bare.item, [oldId](const MenuEntry& menu) {
            return bareReady(menu) && firstId(menu) != oldId;
        })) {
        return std::nullopt;
    }
    return msSince(start);
}

void BM_TrayStartup(benchmark::State& state) {
    constexpr int kDevices = 3;
    Rig rig(kDevices);
    BENCH_REQUIRE(rig.ok(), qPrintable(rig.error()));
    double bareMs = 0;
    double statusMs = 0;
    double bareRss = 0;
    double statusRss = 0;
    int rounds = 0;
    const auto startOne = [&rig](bool bare, double* ms, double* rss) {
        auto program = bare ? rig.launch(stage::binary("tools/bare-tray/bare-tray"), bareReady, ms)
                            : rig.launch(kApp, statusReady(kDevices), ms);
        if (!program) {
            return false;
        }
        idle(300);
        *rss = residentKiB(program->pid());
        rig.stop(*program);
        return true;
    };
    for (auto _ : state) {
        // Alternate which program starts first, so that neither has warmer caches.
        double ms[2] = {0, 0};
        double rss[2] = {0, 0};
        for (const bool bare :
             rounds % 2 == 0 ? std::array{true, false} : std::array{false, true}) {
            BENCH_REQUIRE(startOne(bare, &ms[bare], &rss[bare]),
                          bare ? "bare-tray shows no menu" : "the status item shows no full menu");
        }
        bareMs += ms[1];
        statusMs += ms[0];
        bareRss += rss[1];
        statusRss += rss[0];
        state.SetIterationTime(ms[0] / 1000.0);
        ++rounds;
    }
    state.counters["bare_ms"] = bareMs / rounds;
    state.counters["status_ms"] = statusMs / rounds;
    state.counters["start_ratio"] = statusMs / bareMs;
    state.counters["bare_rss_KiB"] = bareRss / rounds;
    state.counters["status_rss_KiB"] = statusRss / rounds;
    state.counters["rss_ratio"] = statusRss / bareRss;
}
BENCHMARK(BM_TrayStartup)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// A host's full read of the menu (GetLayout of everything, pictures included):
// the status item with 100 devices beside bare-tray's 14 items (read_ratio), and
// beside bare-tray with 100 picture rows in front of them, the same size of menu
// through Qt's own export (same_menu_ratio).
void BM_ReadMenu(benchmark::State& state) {
    constexpr int kDevices = 100;
    Rig rig(kDevices);
    BENCH_REQUIRE(rig.ok(), qPrintable(rig.error()));
    auto [bare, status] = launchBoth(rig, kDevices);
    BENCH_REQUIRE(bare && status, "bare-tray or the status item shows no menu");
    double ms = 0;
    auto bareDevices = rig.launch(stage::binary("tools/bare-tray/bare-tray"),
                                  [](const MenuEntry& menu) {
                                      return menu.children.size() ==
                                             static_cast<std::size_t>(kDevices + 1 + kBareRows);
                                  },
                                  &ms, {QStringLiteral("--devices"), QString::number(kDevices)});
    BENCH_REQUIRE(bareDevices, "bare-tray shows no device rows");
    idle(300);
    double bareTotal = 0;
    double bareDevicesTotal = 0;
    double statusTotal = 0;
    int rounds = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        BENCH_REQUIRE(status->item->readLayout(), "the status item's menu is unreadable");
        const double statusMs = msSince(start);
        start = Clock::now();
        BENCH_REQUIRE(bare->item->readLayout(), "bare-tray's menu is unreadable");
        bareTotal += msSince(start);
        start = Clock::now();
        BENCH_REQUIRE(bareDevices->item->readLayout(), "bare-tray's device menu is unreadable");
        bareDevicesTotal += msSince(start);
        statusTotal += statusMs;
        state.SetIterationTime(statusMs / 1000.0);
        ++rounds;
    }
    state.counters["bare_read_ms"] = bareTotal / rounds;
    state.counters["bare_100_read_ms"] = bareDevicesTotal / rounds;
    state.counters["read_ratio"] = statusTotal / bareTotal;
    state.counters["same_menu_ratio"] = statusTotal / bareDevicesTotal;
    rig.stop(*status);
    rig.stop(*bareDevices);
    rig.stop(*bare);
}
BENCHMARK(BM_ReadMenu)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

void BM_AttachToMenu(benchmark::State& state) {
    const int devices = static_cast<int>(state.range(0));
    Rig rig(devices - 1);
    BENCH_REQUIRE(rig.ok(), qPrintable(rig.error()));
    auto [bare, status] = launchBoth(rig, devices - 1);
    BENCH_REQUIRE(bare && status, "bare-tray or the status item shows no menu");
    bare->item->subscribe();
    status->item->subscribe();

    const QString name = QStringLiteral("Attached Headset");
    const quint64 lid = 0x7f000000;
    const auto shows = [&name](bool present) {
        return [&name, present](const MenuEntry& menu) {
            return (findByLabel(menu, name) != nullptr) == present;
        };
    };
    double bareTotal = 0;
    int rounds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        BENCH_REQUIRE(rig.deviceCallback(name, QStringLiteral("HV7F00"), lid, 0),
                      "the attach callback cannot be sent");
        BENCH_REQUIRE(waitForMenu(*status->item, shows(true)), "the device never showed");
        state.SetIterationTime(msSince(start) / 1000.0);

        BENCH_REQUIRE(rig.deviceCallback(name, QStringLiteral("HV7F00"), lid, 1),
                      "the detach callback cannot be sent");
        BENCH_REQUIRE(waitForMenu(*status->item, shows(false)), "the device never left");
        const auto bareMs = bareRebuild(rig, *bare);
        BENCH_REQUIRE(bareMs, "bare-tray did not rebuild");
        bareTotal += *bareMs;
        ++rounds;
        // The broadcast also rebuilt the status item; let it finish before the next round.
        idle(20);
    }
    state.counters["bare_rebuild_ms"] = bareTotal / rounds;
    rig.stop(*status);
    rig.stop(*bare);
}
BENCHMARK(BM_AttachToMenu)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->UseManualTime()
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);

// Posts rebuild broadcasts in batches; after each batch a menu read from each
// program is answered only once the program has handled the broadcasts before it.
bool rebuild(Rig& rig, int count, Program& bare, Program& status) {
    constexpr int kBatch = 100;
    for (int done = 0; done < count; done += kBatch) {
        for (int i = 0; i < std::min(kBatch, count - done); ++i) {
            if (!rig.postRebuild()) {
                qWarning("the rebuild broadcast cannot be sent");
                return false;
            }
        }
        for (Program* program : {&bare, &status}) {
            if (!program->item->sync(120000)) {
                qWarning("%s gave no answer after %d rebuilds (%s): %s",
                         program == &bare ? "bare-tray" : "the status item", done,
                         program->child->process().state() == QProcess::Running ? "running"
                                                                                : "ended",
                         qPrintable(program->child->errors().right(2000)));
                return false;
            }
        }
        QCoreApplication::processEvents();
    }
    idle(300);
    return true;
}

void BM_RebuildMemory(benchmark::State& state) {
    constexpr int kDevices = 3;
    Rig rig(kDevices);
    BENCH_REQUIRE(rig.ok(), qPrintable(rig.error()));
    auto [bare, status] = launchBoth(rig, kDevices);
    BENCH_REQUIRE(bare && status, "bare-tray or the status item shows no menu");
    for (auto _ : state) {
        const auto start = Clock::now();
        BENCH_REQUIRE(rebuild(rig, 100, *bare, *status), "a program stopped answering");
        const double bare100 = residentKiB(bare->pid());
        const double status100 = residentKiB(status->pid());
        const double bareAnon100 = residentKiB(bare->pid(), "RssAnon");
        const double statusAnon100 = residentKiB(status->pid(), "RssAnon");
        // The middle reading tells a settling allocator (growth early on) from a
        // leak (growth that goes on at the same pace).
        BENCH_REQUIRE(rebuild(rig, 4900, *bare, *status), "a program stopped answering");
        const double status5000 = residentKiB(status->pid());
        BENCH_REQUIRE(rebuild(rig, 5000, *bare, *status), "a program stopped answering");
        const double bare10000 = residentKiB(bare->pid());
        const double status10000 = residentKiB(status->pid());
        state.counters["status_anon_growth_KiB"] =
            residentKiB(status->pid(), "RssAnon") - statusAnon100;
        state.counters["bare_anon_growth_KiB"] = residentKiB(bare->pid(), "RssAnon") - bareAnon100;
        state.counters["status_late_growth_KiB"] = status10000 - status5000;
        state.SetIterationTime(msSince(start) / 1000.0);
        state.counters["status_rss_100_KiB"] = status100;
        state.counters["status_rss_10000_KiB"] = status10000;
        state.counters["status_growth_KiB"] = status10000 - status100;
        state.counters["bare_rss_100_KiB"] = bare100;
        state.counters["bare_rss_10000_KiB"] = bare10000;
        state.counters["bare_growth_KiB"] = bare10000 - bare100;
    }
    const auto after = status->item->readLayout();
    BENCH_REQUIRE(after && statusReady(kDevices)(*after),
                  "the status item's menu is not whole after the rebuilds");
    rig.stop(*status);
    rig.stop(*bare);
}
BENCHMARK(BM_RebuildMemory)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
