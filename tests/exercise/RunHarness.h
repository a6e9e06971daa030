#pragma once

#include "RecordingView.h"
#include "exercise/SingleShooterRun.h"
#include "support/ExerciseSettings.h"
#include "support/SimRig.h"

namespace ryvo::test {

// A single-shooter run against the in-process device model, on a manual clock.
struct RunHarness : SimRig {
    RecordingView view;
    SingleShooterRun run{state, services, view};

    RunHarness() : SimRig(10000) {
        UseSingleShooterSettings(state, 3, 2);
        state.settings.Target[1] = 1;
        state.SoundAvailable = 1;
        state.StartSound = QByteArray("start");
        state.ShotSound = QByteArray("shot");
        state.EndSound = QByteArray("end");
        state.ScriptLines = {QStringLiteral("10")};
        model.Lane(0).level = 4000;
        model.Lane(1).level = 4000;
    }

    // Runs ticks, `step` ms apart, until the phase differs from `phase` (or `limit` ticks).
    int TickWhile(SingleShooterRun::Phase phase, std::uint32_t step = 10, int limit = 100000) {
        int n = 0;
        while (run.CurrentPhase() == phase && n < limit) {
            clock.Advance(step);
            run.Tick();
            ++n;
        }
        return n;
    }
    void TickFor(std::uint32_t ms, std::uint32_t step = 10) {
        for (std::uint32_t t = 0; t < ms; t += step) {
            clock.Advance(step);
            run.Tick();
        }
    }
    // From the click to the first pass of the series, the start sound heard out.
    void StartSeries() {
        run.FormActivate();
        run.StartClick();
        run.Tick();
        if (run.CurrentPhase() == SingleShooterRun::Phase::StartSound) {
            clock.Advance(500);
            sound.FinishPlayback();
            run.Tick();
        }
    }
    // Lets the lane aim at (x, y) device units for a while, then pulls the trigger and runs
    // until the shot is in.
    void ShootAt(int x, int y, int settleMs = 300) {
        model.Lane(0).aim = std::make_unique<sim::FixedAim>(
            sim::Signal{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)});
        TickFor(static_cast<std::uint32_t>(settleMs));
        const auto before = state.run.ShotCount[0];
        model.Lane(0).triggers.Pull();
        for (int i = 0; i < 100 && state.run.ShotCount[0] == before; ++i) {
            clock.Advance(10);
            run.Tick();
        }
        if (run.CurrentPhase() == SingleShooterRun::Phase::LastShotSound) {
            sound.FinishPlayback();
            run.Tick();
        }
    }
};

} // namespace ryvo::test
