#include "calibration/Calibration.h"
#include "core/ProgramState.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <vector>

using namespace ryvo;

namespace {

// Hole positions spread over and around the square, so every branch is taken.
std::vector<std::pair<float, float>> ShotGrid() {
    std::vector<std::pair<float, float>> shots;
    for (int y = -110; y <= 110; y += 7) {
        for (int x = -110; x <= 110; x += 7) {
            shots.emplace_back(static_cast<float>(x) + 0.3F, static_cast<float>(y) - 0.6F);
        }
    }
    return shots;
}

} // namespace

static void BM_ScoreShot(benchmark::State& state) {
    const auto shots = ShotGrid();
    const auto type = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        std::int32_t sum = 0;
        for (const auto& [x, y] : shots) {
            sum += ScoreShot(x, y, type);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(shots.size()));
}
BENCHMARK(BM_ScoreShot)->Arg(kTargetN4)->Arg(kTargetSport);

static void BM_ToTargetToPixels(benchmark::State& state) {
    Settings s;
    ApplyBuiltInDefaults(s);
    s.CentX[1] = -3.0F;
    s.ScaleR[1] = 1.2F;
    float rx = -0.9F;
    for (auto _ : state) {
        const TargetPoint p = ToTarget(s, 1, rx, -rx);
        benchmark::DoNotOptimize(ToPixels(p.x, 505) + ToPixels(p.y, 505));
        rx = rx > 0.9F ? -0.9F : rx + 0.001F;
    }
}
BENCHMARK(BM_ToTargetToPixels);

static void BM_DrawN4Target(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    ImageCanvas image(size, size);
    for (auto _ : state) {
        DrawN4Target(image);
    }
}
BENCHMARK(BM_DrawN4Target)->Arg(421)->Arg(505)->Unit(benchmark::kMicrosecond);

static void BM_DrawSportTarget(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    ImageCanvas image(size, size);
    for (auto _ : state) {
        DrawSportTarget(image);
    }
}
BENCHMARK(BM_DrawSportTarget)->Arg(421)->Arg(505)->Unit(benchmark::kMicrosecond);

// The whole start-of-run repaint of the zeroing window: target and level scale.
static void BM_DrawLaneTargetWithScale(benchmark::State& state) {
    ProgramState program;
    program.settings.Target.fill(kTargetSport);
    ApplySignalLimits(program);
    ImageCanvas target(505, 505);
    ImageCanvas scale(254, 30);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DrawLaneTarget(target, scale, program, 0));
    }
}
BENCHMARK(BM_DrawLaneTargetWithScale)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv); // fonts for the ring numbers
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
