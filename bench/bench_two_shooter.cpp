// One pass of the two-shooter run against the in-process simulator (two polls, clocks,
// pointers, the trace of both lanes, a dispatch point, two level bars), next to the two
// polls alone: what the window adds to a pass, without line time.
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "exercise/TwoShooterRun.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <array>

using namespace ryvo;

namespace {

class LanePictures final : public PanelView {
public:
    void SetText(ViewText, const QString& value) override { last = value; }
    void SetVisible(ViewItem, bool) override {}
    void Place(ViewItem, int left, int top) override { placed = left + top; }
    QSize ItemSize(ViewItem) const override { return {20, 21}; }
    Canvas& Picture(ViewPicture p) override {
        return p == ViewPicture::Target ? target : p == ViewPicture::SignalI ? signal : arrow;
    }
    void Repaint(ViewPicture) override {}
    int SignalLength() const override { return signal.Width(); }

    ImageCanvas target{363, 363, kButtonFace};
    ImageCanvas signal{204, 20, kButtonFace};
    ImageCanvas arrow{30, 30, kButtonFace};
    QString last;
    int placed = 0;
};

class TwoPictures final : public TwoShooterView {
public:
    PanelView& Lane(int lane) override { return lanes[static_cast<size_t>(lane)]; }
    void SetLampVisible(ViewItem, bool) override {}
    void FillLamp(ViewItem, Color) override {}
    void SetStartCaption(const QString&) override {}
    void SetEnabled(TwoButton, bool) override {}
    bool IsEnabled(TwoButton) const override { return true; }
    void FocusStart() override {}
    void ActivateWindow(const QString&) override {}

    std::array<LanePictures, 2> lanes;
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
    TwoPictures view;
    std::unique_ptr<TwoShooterRun> run;

    explicit Rig(int traceLength) {
        Settings& s = program.settings;
        ApplyBuiltInDefaults(s);
        s.IO_Serial = 1;
        s.Shooter = 3;
        s.ShootsNumber = 1000;
        s.Time = 0;
        s.Target[0] = 2;
        s.Target[1] = 2;
        s.EnableTrace = 1;
        s.FlagGunEnable = 1;
        s.TimeTrace = traceLength;
        ApplySignalLimits(program);
        program.LanePresent = {1, 1, 0, 0, 0};
        program.SoundAvailable = 0;
        model.Lane(0).aim = std::make_unique<sim::NoiseAim>(sim::Signal{0, 0}, 80, 7);
        model.Lane(1).aim = std::make_unique<sim::NoiseAim>(sim::Signal{0, 0}, 80, 9);
        run = std::make_unique<TwoShooterRun>(program, services, view);
    }
};

} // namespace

static void BM_TwoShooterPass(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(0)));
    rig.run->FormActivate();
    rig.run->StartClick();
    for (int i = 0; i < 200 && rig.run->RunPhase() != RunSequence::Phase::Series; ++i) {
        rig.run->Tick();
    }
    if (rig.run->RunPhase() != RunSequence::Phase::Series) {
        state.SkipWithError("the series did not start");
        return;
    }
    // Fill both traces, so every pass erases a tail segment as well as drawing one.
    for (int i = 0; i < state.range(0) + 2; ++i) {
        rig.clock.Advance(1);
        rig.run->Tick();
    }
    const std::uint64_t before = rig.run->Passes();
    for (auto _ : state) {
        rig.clock.Advance(1);
        rig.run->Tick();
    }
    if (rig.run->Passes() - before != static_cast<std::uint64_t>(state.iterations())) {
        state.SkipWithError("the series ended during the measurement");
    }
    state.counters["trace"] = rig.run->Panel(0).TraceCount();
}
BENCHMARK(BM_TwoShooterPass)->Arg(10)->Arg(9999);

static void BM_TwoPollsAlone(benchmark::State& state) {
    Rig rig(10);
    OpenPort(rig.program, rig.services);
    for (auto _ : state) {
        rig.clock.Advance(1);
        GetXY2(rig.program, rig.services.clock, 0);
        GetXY2(rig.program, rig.services.clock, 1);
    }
}
BENCHMARK(BM_TwoPollsAlone);

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
