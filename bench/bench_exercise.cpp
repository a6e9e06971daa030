// The exercise engine's hot paths: one trace sample at short and full trace lengths, and one
// whole pass of the run (poll, clock, shot check, trace, aiming point, level bar) against the
// in-process simulator, so no line time is included.
#include "calibration/Calibration.h"
#include "exercise/ShotTableModel.h"
#include "exercise/SingleShooterRun.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <map>

using namespace ryvo;

namespace {

// Pictures of the window's sizes; everything else is dropped.
class ImageView final : public ExerciseView {
public:
    void SetText(ViewText, const QString& value) override { last = value; }
    void SetVisible(ViewItem, bool) override {}
    void Place(ViewItem, int left, int top) override { placed = left + top; }
    QSize ItemSize(ViewItem) const override { return {20, 21}; }
    void Fill(ViewItem, Color) override {}
    void SetEnabled(ViewButton b, bool e) override { enabled[b] = e; }
    bool IsEnabled(ViewButton b) const override {
        const auto it = enabled.find(b);
        return it == enabled.end() || it->second;
    }
    void FocusStart() override {}
    Canvas& Picture(ViewPicture p) override {
        return p == ViewPicture::Target ? target : p == ViewPicture::SignalI ? signal : arrow;
    }
    void Repaint(ViewPicture) override {}
    int SignalLength() const override { return signal.Width(); }
    void ActivateWindow(const QString&) override {}

    ImageCanvas target{526, 526, kButtonFace};
    ImageCanvas signal{235, 39, kButtonFace};
    ImageCanvas arrow{30, 30, kButtonFace};
    std::map<ViewButton, bool> enabled;
    QString last;
    int placed = 0;
};

struct Rig {
    ProgramState program;
    ManualClock clock{1000};
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock};
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    ImageView view;
    SingleShooterRun run{program, services, view};

    explicit Rig(int traceLength) {
        Settings& s = program.settings;
        ApplyBuiltInDefaults(s);
        s.IO_Serial = 1;
        s.Shooter = 1;
        s.ShootsNumber = 1000;
        s.Time = 0;
        s.Target[0] = 2;
        s.EnableTrace = 1;
        s.FlagGunEnable = 1;
        s.NumReps = 0;
        s.TimeTrace = traceLength;
        ApplySignalLimits(program);
        program.TraceLength = ComputeTraceLength(s);
        program.SoundAvailable = 0;
        model.Lane(0).aim = std::make_unique<sim::NoiseAim>(sim::Signal{0, 0}, 80, 7);
    }
};

} // namespace

static void BM_AddTraceSample(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(0)));
    rig.run.panel.EmptyTrace();
    std::uint32_t seed = 12345;
    auto step = [&seed] {
        seed = seed * 1664525U + 1013904223U;
        return (static_cast<float>(seed >> 8) / static_cast<float>(1U << 24) - 0.5F) * 0.04F;
    };
    // A fast-moving aim: up to 2 target units (5 pixels) per sample, kept on the picture.
    float x = 0.0F;
    float y = 0.0F;
    auto sample = [&] {
        x = std::clamp(x + step(), -0.9F, 0.9F);
        y = std::clamp(y + step(), -0.9F, 0.9F);
        rig.run.panel.AddSample(3000, 0, x, y);
    };
    // Fill the trace first, so every sample erases a tail segment as well as drawing one.
    for (int i = 0; i < state.range(0) + 2; ++i) {
        sample();
    }
    for (auto _ : state) {
        sample();
    }
    state.counters["points"] = rig.run.panel.TracePoints();
}
BENCHMARK(BM_AddTraceSample)->Arg(10)->Arg(9999);

// The frozen trace at a shot: the old one erased and the new one drawn (two polylines of
// TraceLength segments each, after the trace has moved on by a second of samples).
static void BM_FreezeTrace(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(0)));
    rig.run.panel.EmptyTrace();
    rig.program.run.ShotCount[0] = 1;
    rig.program.run.ShotPos[0].assign(1, ShotPoint{});
    std::uint32_t seed = 99;
    float x = 0.0F;
    float y = 0.0F;
    auto sample = [&] {
        seed = seed * 1664525U + 1013904223U;
        x = std::clamp(x + (static_cast<float>(seed >> 20) / 4096.0F - 0.5F) * 0.04F, -0.9F, 0.9F);
        y = std::clamp(y + (static_cast<float>((seed >> 8) & 0xFFF) / 4096.0F - 0.5F) * 0.04F,
                       -0.9F, 0.9F);
        rig.run.panel.AddSample(3000, 0, x, y);
    };
    for (int i = 0; i < state.range(0) + 2; ++i) {
        sample();
    }
    rig.run.panel.FreezeTrace(0);
    rig.run.panel.DrawPendingFreeze();
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 500; ++i) {
            sample();
        }
        state.ResumeTiming();
        rig.run.panel.FreezeTrace(0);
        rig.run.panel.DrawPendingFreeze();
    }
}
BENCHMARK(BM_FreezeTrace)->Arg(10)->Arg(9999)->Unit(benchmark::kMillisecond);

static void BM_Pass(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(0)));
    rig.run.FormActivate();
    rig.run.StartClick();
    rig.run.Tick();
    for (int i = 0; i < 200 && rig.run.CurrentPhase() != SingleShooterRun::Phase::Series; ++i) {
        rig.run.Tick();
    }
    if (rig.run.CurrentPhase() != SingleShooterRun::Phase::Series) {
        state.SkipWithError("the series did not start");
        return;
    }
    // Fill the trace.
    for (int i = 0; i < state.range(0) + 2; ++i) {
        rig.clock.Advance(1);
        rig.run.Tick();
    }
    for (auto _ : state) {
        rig.clock.Advance(1);
        rig.run.Tick(); // NumReps 0: one pass, redrawn
    }
    state.counters["passes"] = static_cast<double>(rig.run.Passes());
}
BENCHMARK(BM_Pass)->Arg(10)->Arg(9999);

// The same pass inside a course's stage: the course's checks (par beeps, the stage time, a
// shot's lateness) on top.
static void BM_PassInCourse(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(0)));
    Course course;
    course.name = QStringLiteral("Замер");
    CourseStage stage;
    stage.shots = 1000;
    // Far beyond the run: the clock goes 1 ms a pass, and the stage must not end.
    stage.timeLimitMs = 2000000000;
    stage.parTimesMs = {1900000000};
    course.stages = {stage};
    rig.program.ChosenCourse = course;
    rig.run.courseDraw = SeededDraw(1);
    rig.run.FormActivate();
    rig.run.StartClick();
    for (int i = 0; i < 200 && rig.run.CurrentPhase() != SingleShooterRun::Phase::Series; ++i) {
        rig.clock.Advance(1);
        rig.run.Tick();
    }
    if (rig.run.CurrentPhase() != SingleShooterRun::Phase::Series) {
        state.SkipWithError("the stage did not start");
        return;
    }
    for (int i = 0; i < state.range(0) + 2; ++i) {
        rig.clock.Advance(1);
        rig.run.Tick();
    }
    for (auto _ : state) {
        rig.clock.Advance(1);
        rig.run.Tick();
    }
    state.counters["passes"] = static_cast<double>(rig.run.Passes());
}
BENCHMARK(BM_PassInCourse)->Arg(10)->Arg(9999);

// What the shot table and its figures cost the run when a shot comes after about N others
// (N = the argument; the table grows by 50 shots, then starts again at N).
void BM_ShotTableNewShot(benchmark::State& state) {
    RunState run;
    auto add = [&run](int s) {
        run.ShotPos[0].push_back(
            {static_cast<float>(std::sin(s) * 30.0), static_cast<float>(std::cos(s * 0.7) * 30.0)});
        run.ShotMs[0].push_back(static_cast<std::uint32_t>(s) * 900U);
        run.ShotScore[0].push_back(5 + s % 6);
        ++run.ShotCount[0];
    };
    const auto n = static_cast<int>(state.range(0));
    for (int s = 0; s < n; ++s) {
        add(s);
    }
    ShotTableModel model;
    model.Update(run, 0);
    for (auto _ : state) {
        if (static_cast<int>(run.ShotCount[0]) >= n + 50) {
            state.PauseTiming();
            run.ShotCount[0] = static_cast<std::uint32_t>(n);
            run.ShotPos[0].resize(static_cast<size_t>(n));
            run.ShotMs[0].resize(static_cast<size_t>(n));
            run.ShotScore[0].resize(static_cast<size_t>(n));
            model.Update(run, 0);
            state.ResumeTiming();
        }
        add(static_cast<int>(run.ShotCount[0]));
        model.Update(run, 0);
        benchmark::DoNotOptimize(model.Figures().extremeSpread);
    }
}
BENCHMARK(BM_ShotTableNewShot)->Arg(10)->Arg(100)->Arg(999)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
