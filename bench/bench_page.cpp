// The single-shooter window laid out on a 1920 x 1080 screen: redrawing its target (the
// empty target, the holes of the last series, the level scale) and bringing the whole
// picture to the screen, as a resize while idle does.
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
