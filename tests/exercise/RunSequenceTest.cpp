#include "exercise/RunSteps.h"

#include "core/ProgramState.h"
#include "platform/Clock.h"
#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace ryvo;
using Phase = RunSequence::Phase;

namespace {

// A window's run built from the shared steps, with a pass that counts and stops after
// `limit` passes; its last pass may wait for a sound.
struct StepRig {
    ProgramState state;
    ManualClock clock{0};
    ScriptedKeyboard keys;
    RecordingSound sound;
    Services services{&clock, &keys, nullptr, nullptr, &sound};
    RunSequence run{services};
    TimerSet timers;
    LogicalTimer timer;
    int timerTicks = 0;
    int passes = 0;
    int resumed = 0;
    int series = 0;
    int limit = 1000;
    // How long each pass takes (a poll that waits out its read time-out).
    std::uint32_t passMs = 0;
    bool soundAtLast = false;
    QStringList log;

    StepRig() {
        state.SoundAvailable = 1;
        state.StartSound = QByteArray("start");
        timer.interval = 1;
        timers.Add(timer, [this] { ++timerTicks; });
    }
    void Begin(std::uint32_t reps, bool escapeEnds, int endRounds) {
        run.Begin(state.settings.RepeatEnabled != 0);
        run.Add<KeyReleaseStep>(1, Key::Space, Phase::StartKeyRelease);
        AddSeries(reps, escapeEnds);
        run.Add<EndStep>(endRounds, [this] { log << "end"; });
    }
    void AddSeries(std::uint32_t reps, bool escapeEnds) {
        run.Add<CallStep>([this] { log << "start"; }, StepResult::Continue, Phase::Series);
        run.Add<SoundStep>(state, &ProgramState::StartSound, 3);
        run.Add<CallStep>(
            [this] {
                ++series;
                passes = 0;
                timer.Start(clock.TickCount());
            },
            StepResult::Done, Phase::Series);
        run.Add<SeriesStep>(PassRef::To<&StepRig::Pass>(*this), &timers, reps);
        const bool repeats = state.settings.RepeatEnabled != 0;
        run.Add<CallStep>([this] { log << "series end"; },
                          repeats ? StepResult::Continue : StepResult::Done, Phase::Series);
        if (repeats) {
            run.Add<PauseStep>(
                state.settings, escapeEnds, QStringLiteral("in %1"),
                [this](const QString& text, std::uint32_t) { log << text; },
                [this, reps, escapeEnds](RunSequence&) { AddSeries(reps, escapeEnds); });
        }
    }
    void Pass(SeriesStep& s) {
        if (s.Resuming()) {
            ++resumed;
        } else {
            ++passes;
            clock.Advance(passMs);
            if (soundAtLast && passes == limit) {
                auto done = std::make_shared<bool>(false);
                sound.PlayToCompletion("shot", [done](bool) { *done = true; });
                s.AwaitSound(done);
                return;
            }
        }
        s.Dispatch();
        if (passes >= limit) {
            s.Stop();
        }
        if (keys.IsHeld(Key::Escape)) {
            s.StopRun();
        }
    }
    void Tick() {
        clock.Advance(10);
        run.Tick();
    }
};

} // namespace

TEST(RunSequence, SeriesTicksDispatchPointsAndTheEnd) {
    for (const std::uint32_t reps : {0U, 4U}) {
        StepRig r;
        r.limit = 12;
        r.keys.Set(Key::Return, true);
        r.Begin(reps, false, 1);
        r.Tick();
        EXPECT_EQ(r.run.CurrentPhase(), Phase::StartKeyRelease);
        r.keys.Set(Key::Return, false);
        r.Tick(); // the keys are up: the series starts and its sound plays in this tick
        EXPECT_EQ(r.run.CurrentPhase(), Phase::StartSound);
        r.sound.FinishPlayback();
        r.Tick();
        EXPECT_EQ(r.run.CurrentPhase(), Phase::Series);
        EXPECT_EQ(r.passes, 0) << "the first pass comes at the next tick";
        r.Tick();
        EXPECT_EQ(r.passes, static_cast<int>(reps) + 1);
        EXPECT_EQ(r.timerTicks, 1) << "timers fire at the dispatch point only";
        while (r.run.CurrentPhase() == Phase::Series) {
            r.Tick();
        }
        EXPECT_EQ(r.passes, 12) << "the series ends with the pass that stops it";
        EXPECT_EQ(r.run.CurrentPhase(), Phase::EndEscape);
        EXPECT_EQ(r.log, (QStringList{"start", "series end"}));
        r.keys.Set(Key::Space, true);
        r.Tick();
        EXPECT_EQ(r.run.CurrentPhase(), Phase::EndKeyRelease);
        r.keys.Set(Key::Space, false);
        r.Tick();
        EXPECT_TRUE(r.run.Idle());
    }
}

// A silent device makes each poll wait out its time-out: a large redraw interval must not
// hold the event loop for all its passes, and the dispatch points stay where they were.
TEST(RunSequence, SlowPassesGiveTheEventLoopItsTurnBeforeTheDispatchPoint) {
    StepRig r;
    r.limit = 5000;
    r.passMs = 59;
    r.state.SoundAvailable = 0;
    r.Begin(1000, false, 1);
    r.Tick();
    r.Tick();
    ASSERT_EQ(r.run.CurrentPhase(), Phase::Series);
    const int before = r.passes;
    const std::uint32_t start = r.clock.TickCount();
    r.Tick();
    EXPECT_EQ(r.passes - before, 2) << "back to the event loop after 100 ms of passes";
    EXPECT_LE(r.clock.TickCount() - start, 10 + 2 * 59U);
    while (r.passes < 1001 && r.run.CurrentPhase() == Phase::Series) {
        EXPECT_EQ(r.timerTicks, 0) << "pass " << r.passes;
        r.Tick();
    }
    EXPECT_EQ(r.timerTicks, 1) << "the timers fire at the 1001st pass, as before";
}

TEST(RunSequence, ThePauseCountsDownReadsEscapeOnlyIfToldAndRepeatsTheSeries) {
    for (const bool escapeEnds : {false, true}) {
        StepRig r;
        r.state.settings.RepeatEnabled = 1;
        r.state.settings.RepeatTime = 2;
        r.limit = 2;
        r.state.SoundAvailable = 0; // three beeps, no wait
        r.Begin(0, escapeEnds, 0);
        r.Tick(); // keys, series start
        r.Tick();
        r.Tick(); // the second pass ends the series; the pause's first turn in this tick
        EXPECT_EQ(r.run.CurrentPhase(), Phase::Pause);
        EXPECT_EQ(r.sound.calls.size(), 3u);
        r.clock.Advance(1000);
        r.Tick();
        EXPECT_EQ(r.log.last(), QStringLiteral("in 1"));
        r.keys.Set(Key::Escape, true);
        r.Tick();
        EXPECT_EQ(r.run.CurrentPhase(), escapeEnds ? Phase::EndEscape : Phase::Pause);
        r.keys.Set(Key::Escape, false);
        if (escapeEnds) {
            r.Tick();
            EXPECT_TRUE(r.run.Idle()) << "no key-release rounds: the run ends at once";
            continue;
        }
        r.clock.Advance(1000);
        r.Tick(); // the pause is over; the next series starts at the next turn
        EXPECT_EQ(r.run.CurrentPhase(), Phase::Pause);
        EXPECT_EQ(r.series, 1);
        r.Tick();
        EXPECT_EQ(r.series, 2);
        EXPECT_EQ(r.run.CurrentPhase(), Phase::Series);
        EXPECT_TRUE(r.run.Repeats());
        r.keys.Set(Key::Escape, true);
        r.Tick();
        EXPECT_FALSE(r.run.Repeats()) << "Escape in a series ends the repetition";
        EXPECT_EQ(r.run.CurrentPhase(), Phase::EndEscape);
    }
}

TEST(RunSequence, TheLastShotIsHeardOutThenTheRestOfItsPassRuns) {
    StepRig r;
    r.limit = 3;
    r.soundAtLast = true;
    r.Begin(9, false, 0);
    r.Tick();
    r.sound.FinishPlayback();
    r.Tick();
    r.Tick(); // three passes, the third waits for its sound before the dispatch point
    EXPECT_EQ(r.passes, 3);
    EXPECT_EQ(r.run.CurrentPhase(), Phase::LastShotSound);
    r.Tick();
    EXPECT_EQ(r.resumed, 0);
    r.sound.FinishPlayback();
    r.Tick();
    EXPECT_EQ(r.resumed, 1);
    EXPECT_EQ(r.run.CurrentPhase(), Phase::EndEscape) << "the series ended in that tick";
}

namespace {

// A step of a kind the windows do not know: waits `ms` on the clock.
class DelayStep final : public RunStep {
public:
    explicit DelayStep(std::uint32_t ms) : m_ms(ms) {}
    StepResult Advance(RunSequence& run) override {
        if (!m_until) {
            m_until = run.Now() + m_ms;
        }
        return run.Now() >= *m_until ? StepResult::Continue : StepResult::Running;
    }
    RunSequence::Phase Phase() const override { return RunSequence::Phase::Window; }

private:
    std::uint32_t m_ms;
    std::optional<std::uint32_t> m_until;
};

} // namespace

TEST(RunSequence, ANewKindOfStepAndStepsAddedAfterTheRunningOne) {
    StepRig r;
    QStringList order;
    r.run.Begin(false);
    r.run.Add<DelayStep>(50);
    r.run.Add<CallStep>(
        [&] {
            order << "a";
            // Added from inside a step: it runs next, before the steps already waiting.
            r.run.Add<CallStep>([&] { order << "inserted"; }, StepResult::Continue, Phase::Window);
        },
        StepResult::Continue, Phase::Window);
    r.run.Add<CallStep>([&] { order << "b"; }, StepResult::Continue, Phase::Window);
    for (int i = 0; i < 5; ++i) {
        r.Tick(); // 10 ms each, from 10 ms on
    }
    EXPECT_TRUE(order.isEmpty());
    EXPECT_EQ(r.run.CurrentPhase(), Phase::Window);
    r.Tick();
    EXPECT_EQ(order, (QStringList{"a", "inserted", "b"}));
    EXPECT_TRUE(r.run.Idle());
}

TEST(RunSequence, ATickFromWithinAStepDoesNotAdvanceItAgain) {
    // A message box shown by a step runs the event loop, and the tick timer with it.
    StepRig r;
    int calls = 0;
    r.run.Begin(false);
    r.run.Add<CallStep>(
        [&] {
            if (++calls < 3) {
                r.run.Tick();
            }
        },
        StepResult::Done, Phase::Series);
    r.run.Add<CallStep>([&] { calls += 10; }, StepResult::Continue, Phase::Series);
    r.Tick();
    EXPECT_EQ(calls, 1);
    r.Tick();
    EXPECT_EQ(calls, 11);
    EXPECT_TRUE(r.run.Idle());
}
