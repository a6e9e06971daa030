#include "device/DeviceProtocol.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <benchmark/benchmark.h>

using namespace ryvo;

static void BM_DecodeFrame(benchmark::State& state) {
    FrameBytes bytes{0x91, 0x00, 0x00, 0x64, 0xFF, 0x38, 0x03, 0xE8, 0x17};
    for (auto _ : state) {
        benchmark::DoNotOptimize(bytes);
        const DeviceFrame frame = DecodeFrame(bytes);
        benchmark::DoNotOptimize(frame);
    }
}
BENCHMARK(BM_DecodeFrame);

namespace {

class SampleSink final : public TFormShoot {
public:
    using TFormShoot::TFormShoot;
    void AddTraceSample(std::uint32_t level, int, float x, float) override {
        sum += x + static_cast<float>(level);
    }
    float sum = 0.0F;
};

} // namespace

// A whole poll against the in-process simulator; range(0) = lanes pending besides the polled
// one (0: one frame per poll, 4: five frames).
static void BM_PollLane(benchmark::State& state) {
    ProgramState program;
    ManualClock clock;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports(model, &clock);
    Services services{&clock, nullptr, nullptr, &ports, nullptr};
    program.settings.TimeGun = 50;
    program.SignalLevel = 8000.0F;
    program.SignalLowFactor = 0.15F;
    program.SignalHighFactor = 0.8F;
    program.run.LaneActive.fill(1);
    OpenPort(program, services);
    const auto others = static_cast<int>(state.range(0));
    const auto mask = static_cast<std::uint8_t>((1U << (others + 1)) - 1U);
    for (int lane = 0; lane < 5; ++lane) {
        model.Lane(lane).aim = std::make_unique<sim::NoiseAim>(sim::Signal{500, -500}, 50);
        model.Lane(lane).level = 3000;
        model.Lane(lane).pendingOverride = mask;
    }
    SampleSink window(program, services);
    for (auto _ : state) {
        benchmark::DoNotOptimize(window.PollLane(0));
        // The simulator's byte log would grow without end.
        if (model.Log().Entries().size() > 100000) {
            model.Log().Clear();
        }
    }
    benchmark::DoNotOptimize(window.sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PollLane)->Arg(0)->Arg(4);
