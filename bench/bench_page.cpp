// The single-shooter window laid out on a 1920 x 1080 screen: redrawing its target (the
// empty target, the holes of the last series, the level scale) and bringing the whole
// picture to the screen, as a resize while idle does. The range screen at the same size:
// the repaint after a shot and after a second of the clock.
#include "exercise/TRangeScreen.h"
#include "exercise/TShoot1.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"
#include "targets/Scoring.h"

#include <benchmark/benchmark.h>

#include <QApplication>

using namespace ryvo;

namespace {

struct Screen {
    ProgramState state;
    ManualClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, nullptr, &sound};
    TShoot1 page{state, services};

    explicit Screen(std::int32_t target) {
        ApplyBuiltInDefaults(state.settings);
        state.settings.Shooter = 1;
        state.settings.Target[0] = target;
        ApplySignalLimits(state);
        page.resize(1920, 1080);
        page.show();
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
        page.FormActivate();
    }
};

} // namespace

static void BM_RedrawTargetAt1920x1080(benchmark::State& bench) {
    Screen screen(static_cast<std::int32_t>(bench.range(0)));
    QWidget* target = screen.page.findChild<QWidget*>("Target");
    for (auto _ : bench) {
        screen.page.Run().Redraw();
        screen.page.FlushDisplay();
        target->repaint();
    }
    bench.counters["side_px"] = target->width();
}
BENCHMARK(BM_RedrawTargetAt1920x1080)
    ->Arg(kTargetN4)
    ->Arg(kTargetSport)
    ->Unit(benchmark::kMillisecond);

// Only the repaint of the whole picture (a hole's area is far smaller).
static void BM_RepaintTargetAt1920x1080(benchmark::State& bench) {
    Screen screen(kTargetSport);
    QWidget* target = screen.page.findChild<QWidget*>("Target");
    for (auto _ : bench) {
        target->repaint();
    }
}
BENCHMARK(BM_RepaintTargetAt1920x1080)->Unit(benchmark::kMillisecond);

namespace {

// The range screen at full HD with `lanes` present lanes, opened and painted once.
struct RangeScreenAt1920x1080 {
    ProgramState state;
    TRangeScreen screen{state};

    explicit RangeScreenAt1920x1080(int lanes) {
        ApplyBuiltInDefaults(state.settings);
        state.settings.Time = 0;
        for (int lane = 0; lane < kLaneCount; ++lane) {
            const auto i = static_cast<size_t>(lane);
            state.LanePresent[i] = lane < lanes ? 1 : 0;
            state.settings.Target[i] = kTargetSport;
            state.run.ShotPos[i].resize(10);
        }
        screen.OpenBeside(nullptr);
        screen.resize(1920, 1080);
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
        screen.repaint();
    }

    // What the run reports, then the repaint that follows it.
    void Repaint() {
        screen.Follow();
        screen.repaint(screen.PendingArea());
    }
};

} // namespace

// A shot on lane 1: its hole and figures repainted (ten shots a series, then anew).
static void BM_RangeScreenShot(benchmark::State& bench) {
    RangeScreenAt1920x1080 range(static_cast<int>(bench.range(0)));
    RunState& run = range.state.run;
    std::uint32_t shot = 0;
    for (auto _ : bench) {
        const std::uint32_t n = shot++ % 10;
        run.ShotPos[0][n] = {static_cast<float>(n) * 7.0F - 30.0F, static_cast<float>(n) * 3.0F};
        run.ShotCount[0] = n + 1;
        run.ScoreSum[0] += 9;
        range.state.RangeScreen.Shot(range.state, 0, 10);
        range.Repaint();
    }
}
BENCHMARK(BM_RangeScreenShot)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);

// A second of the clock on every lane.
static void BM_RangeScreenClock(benchmark::State& bench) {
    RangeScreenAt1920x1080 range(static_cast<int>(bench.range(0)));
    RunState& run = range.state.run;
    std::uint32_t lanes = 0;
    for (int lane = 0; lane < bench.range(0); ++lane) {
        run.LaneActive[static_cast<size_t>(lane)] = 1;
        lanes |= 1U << static_cast<unsigned>(lane);
    }
    for (auto _ : bench) {
        for (auto& seconds : run.ElapsedSec) {
            ++seconds;
        }
        range.state.RangeScreen.Dispatch(range.state, lanes, 10);
        range.Repaint();
    }
}
BENCHMARK(BM_RangeScreenClock)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);

// The whole screen, as an expose or a covering window gone asks (the targets drawn before).
static void BM_RangeScreenWhole(benchmark::State& bench) {
    RangeScreenAt1920x1080 range(static_cast<int>(bench.range(0)));
    for (auto _ : bench) {
        range.screen.repaint();
    }
}
BENCHMARK(BM_RangeScreenWhole)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);

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
