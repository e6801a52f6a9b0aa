// Building the update window's table layout for 1, 10 and 100 entries: the
// layout data alone, and the data with the dialog and its widgets.
#include "ZorvaUIProject/HVUpdatePopUpViewWidget.h"
#include "support/UpdateWindowFixtures.h"

#include <benchmark/benchmark.h>

namespace {

HVComponentList componentList(int n) {
    QList<QVariantMap> maps;
    for (int i = 0; i < n; ++i) {
        QVariantMap map = testsupport::deviceEntry(
            QStringLiteral("Zorva Quillo %1").arg(i),
            QStringLiteral("HV%1").arg(0x2400 + i, 4, 16, QLatin1Char('0')).toUpper(),
            i % 3 == 1 ? 1 : 0);
        map.insert(QStringLiteral("languageInfo"),
                   testsupport::languageList({{QStringLiteral("Deutsch"), QStringLiteral("407")},
                                              {QStringLiteral("English"), QStringLiteral("409")}}));
        map.insert(
            QStringLiteral("buildVectorInfo"),
            testsupport::buildWithRegions({{QStringLiteral("Europe"), QStringLiteral("7")}}));
        if (i % 4 == 3) {
            map.insert(QStringLiteral("UpdateForHeadset"), QStringLiteral("TRUE"));
        }
        maps.append(map);
    }
    return testsupport::entries(maps);
}

std::shared_ptr<HVUpdateWindowPlatform> platformForBench() {
    qputenv("ZORVA_BUNDLE", ZORVA_BUNDLE_PATH);
    return std::make_shared<HVUpdateWindowPlatformDefault>();
}

void BM_UpdateWindowLayoutData(benchmark::State& state) {
    const auto platform = platformForBench();
    const HVComponentList list = componentList(int(state.range(0)));
    for (auto _ : state) {
        auto view = HVUpdatePopUpView::initWithList(list, true, platform);
        benchmark::DoNotOptimize(view->tableLayout()->cells.size());
    }
}
BENCHMARK(BM_UpdateWindowLayoutData)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_UpdateWindowLayoutAndWidgets(benchmark::State& state) {
    const auto platform = platformForBench();
    const HVComponentList list = componentList(int(state.range(0)));
    for (auto _ : state) {
        auto window = HVUpdatePopUpViewWidget::initWithList(list, true, platform);
        benchmark::DoNotOptimize(window->table());
    }
}
BENCHMARK(BM_UpdateWindowLayoutAndWidgets)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);

} // namespace
