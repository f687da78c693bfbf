// bench_meter: the time of one PulseGauge Level change, which repaints every line of the
// meter's drawing surface, for the player's 11 x 129 vertical meter and a 400-pixel horizontal
// one. Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "pulsegauge.h"

namespace {

void levelChange(benchmark::State& state, QSize outer, bool horizontal) {
    PulseGauge gauge;
    gauge.InitProperties();
    gauge.resize(outer);
    gauge.Resize();
    if (horizontal) {
        gauge.setHorizontal(true);
    }
    // Alternate levels the way a live signal moves, so that the marker is held and released.
    int level = 0;
    for (auto _ : state) {
        level = (level + 37) % 101;
        gauge.setLevel(level);
        benchmark::DoNotOptimize(gauge.surface().constBits());
    }
    state.counters["lines"] = (horizontal ? gauge.lastX() : gauge.lastY()) + 1;
}

void BM_LevelVertical11x129(benchmark::State& state) {
    levelChange(state, QSize(11, 129), false);
}
BENCHMARK(BM_LevelVertical11x129);

void BM_LevelHorizontal400(benchmark::State& state) {
    levelChange(state, QSize(13, 400), true);  // turned on its side: 400 x 13
}
BENCHMARK(BM_LevelHorizontal400);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
