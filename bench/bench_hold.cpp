// Hold figures of one shot from a full aim ring, and the per-sample cost of recording aim.
#include "archive/ArchiveBeside.h"
#include "exercise/HoldFigures.h"
#include "exercise/HoldTrace.h"
#include "exercise/TracePlayer.h"
#include "platform/Clock.h"
#include "targets/TargetDrawing.h"

#include "targets/Scoring.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cmath>
#include <random>

using namespace ryvo;

namespace {

// `count` samples of a wandering aim ending at tick 100000, `perMs` samples a millisecond.
HoldRecorder Wander(int count, int perMs) {
    HoldRecorder aim;
    for (int i = count - 1; i >= 0; --i) {
        const double t = i * 0.013;
        aim.Push(static_cast<float>(15.0 * std::sin(t)),
                 static_cast<float>(9.0 * std::cos(1.7 * t)),
                 100'000U - static_cast<std::uint32_t>(i / perMs));
    }
    return aim;
}

void Figures(benchmark::State& st, int perMs, std::int32_t type) {
    // 9999 samples: at 0.5 a ms the last second holds ~500 of them, at 10 a ms all of them.
    const HoldRecorder aim = Wander(9999, perMs);
    const HoldTarget target = MakeHoldTarget(type, nullptr);
    for (auto _ : st) {
        benchmark::DoNotOptimize(
            ComputeHoldFigures(aim, 100'000U, {1.0F, 2.0F}, ShotPoint{0.0F, 0.0F}, target));
    }
}

void BM_HoldFiguresTrace9999(benchmark::State& st) {
    // One sample every 2 ms (the line's rate).
    HoldRecorder aim;
    for (int i = 9998; i >= 0; --i) {
        const double t = i * 0.013;
        aim.Push(static_cast<float>(15.0 * std::sin(t)),
                 static_cast<float>(9.0 * std::cos(1.7 * t)),
                 100'000U - static_cast<std::uint32_t>(2 * i));
    }
    const HoldTarget target = MakeHoldTarget(kTargetSport, nullptr);
    for (auto _ : st) {
        benchmark::DoNotOptimize(
            ComputeHoldFigures(aim, 100'000U, {1.0F, 2.0F}, ShotPoint{0.0F, 0.0F}, target));
    }
}
BENCHMARK(BM_HoldFiguresTrace9999);

// The worst case: all 9999 samples within the last second.
void BM_HoldFiguresTrace9999InOneSecond(benchmark::State& st) {
    Figures(st, 10, kTargetN4);
}
BENCHMARK(BM_HoldFiguresTrace9999InOneSecond);

void BM_HoldRecordAim(benchmark::State& st) {
    HoldRecorder aim;
    std::uint32_t tick = 0;
    for (auto _ : st) {
        aim.Push(1.0F, 2.0F, tick += 2);
        benchmark::DoNotOptimize(aim.Size());
    }
}
BENCHMARK(BM_HoldRecordAim);

// Ten shots 8 s apart at 500 samples a second with tremor: each shot's trace packed as its
// follow-through ends, the record's payload taken.
QByteArray TenShotTraces() {
    HoldRecorder aim;
    HoldTraces traces;
    std::mt19937 random(7);
    std::normal_distribution<float> tremor(0.0F, 0.4F);
    std::uint32_t tick = 10'000;
    for (int shot = 0; shot <= 10; ++shot) {
        for (int i = 0; i < 4000; ++i) {
            tick += 2;
            const double t = tick / 1000.0;
            const float x = static_cast<float>(8.0 * std::sin(1.3 * t)) + tremor(random);
            const float y = static_cast<float>(6.0 * std::cos(0.9 * t)) + tremor(random);
            aim.Push(x, y, tick);
            traces.Add(x, y, tick);
        }
        if (shot < 10) {
            traces.BeginShot(aim, shot, tick + 1);
        }
    }
    return traces.Payload();
}

void BM_HoldTracesPackTenShots(benchmark::State& st) {
    for (auto _ : st) {
        benchmark::DoNotOptimize(TenShotTraces());
    }
    st.counters["payload_bytes"] = static_cast<double>(TenShotTraces().size());
}
BENCHMARK(BM_HoldTracesPackTenShots)->Unit(benchmark::kMillisecond);

// Only the packing a series adds (the shots' own samples are taken in the passes anyway).
void BM_HoldTracesKeepTenShotRecord(benchmark::State& st) {
    const QByteArray payload = TenShotTraces();
    QTemporaryDir dir;
    const QString group = dir.filePath(QStringLiteral("g.rec"));
    for (auto _ : st) {
        benchmark::DoNotOptimize(AppendBesideTrace(group, payload));
    }
}
BENCHMARK(BM_HoldTracesKeepTenShotRecord)->Unit(benchmark::kMillisecond);

void BM_HoldTracesRead(benchmark::State& st) {
    const QByteArray payload = TenShotTraces();
    for (auto _ : st) {
        benchmark::DoNotOptimize(ReadHoldTraces(payload));
    }
}
BENCHMARK(BM_HoldTracesRead)->Unit(benchmark::kMillisecond);

// One replay frame on a 1920 x 1080 target: the target picture (drawn once, copied each
// frame) and the whole trace of a shot in phase colours with its hole and legend, the
// heaviest frame of a shot. Frames a second must stay above the display's 60.
void BM_ReplayFrame1920x1080(benchmark::State& st) {
    const auto traces = ReadHoldTraces(TenShotTraces());
    ManualClock clock;
    TracePlayer player(clock);
    player.Load(*traces, std::vector<ShotPoint>(10));
    player.Start(4);
    clock.Advance(4000);
    ImageCanvas background(1920, 1080);
    DrawSportTarget(background);
    ImageCanvas frame(1920, 1080);
    for (auto _ : st) {
        frame.StretchDraw(0, 0, 1920, 1080, background.Image());
        player.DrawFrame(frame);
        benchmark::DoNotOptimize(frame.Image().constBits());
    }
    st.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(st.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReplayFrame1920x1080)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv); // fonts for the legend and the ring numbers
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
