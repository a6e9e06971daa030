// The parts every exercise window builds on, each with the rules that differ per window.
#include "exercise/LampRunner.h"
#include "exercise/LogicalTimers.h"
#include "exercise/RunSteps.h"
#include "exercise/ShotRules.h"

#include "core/Settings.h"
#include "device/SerialLink.h"
#include "platform/Clock.h"
#include "platform/Keyboard.h"
#include "targets/Marks.h"
#include "targets/Scoring.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ryvo;

TEST(ShotRules, LockOutNeedsTwoTicksOfItsOwnLane) {
    RunState run;
    EXPECT_TRUE(AcceptTrigger(run, 0));
    EXPECT_FALSE(AcceptTrigger(run, 0));
    EXPECT_TRUE(AcceptTrigger(run, 3)) << "lanes lock out on their own";
    TickLockouts(run, LaneBit(0));
    EXPECT_FALSE(AcceptTrigger(run, 0));
    EXPECT_EQ(run.ShotLockout[3], 2) << "only the lanes given tick";
    TickLockouts(run);
    EXPECT_TRUE(AcceptTrigger(run, 0));
    for (int i = 0; i < 4; ++i) {
        TickLockouts(run);
    }
    EXPECT_EQ(run.ShotLockout[0], 0);
}

TEST(ShotRules, RecordShotScoresStoresAndStopsAtTheCap) {
    RunState run;
    run.LaneLit[2] = 1;
    run.StartTick[2] = 5000;
    const RecordedShot first = RecordShot(run, 2, {0.0F, 0.0F}, 1, nullptr, 6250);
    EXPECT_TRUE(first.recorded);
    EXPECT_TRUE(first.first);
    EXPECT_EQ(run.LastScore[2], 10);
    EXPECT_EQ(run.ScoreSum[2], 10);
    RecordShot(run, 2, {150.0F, 0.0F}, 1, nullptr, 7000);
    EXPECT_EQ(run.LastScore[2], kScoreMiss);
    EXPECT_EQ(run.ScoreSum[2], 10) << "a miss adds nothing";
    run.LaneLit[2] = 0;
    const RecordedShot dark = RecordShot(run, 2, {1.0F, 1.0F}, 1, nullptr, 9100);
    EXPECT_FALSE(dark.first);
    EXPECT_EQ(dark.point, (ShotPoint{kDarkShotPosition, kDarkShotPosition}));
    EXPECT_EQ(run.LastScore[2], kScoreDark);
    ASSERT_EQ(run.ShotCount[2], 3u);
    EXPECT_EQ(run.ShotPos[2][2], dark.point);
    EXPECT_EQ(run.ShotMs[2], (std::vector<std::uint32_t>{1250, 2000, 4100}));
    EXPECT_EQ(run.ShotScore[2], (std::vector<std::int32_t>{10, kScoreMiss, kScoreDark}));

    run.ShotCount[2] = kMaxShots;
    EXPECT_FALSE(RecordShot(run, 2, {0.0F, 0.0F}, 1, nullptr, 9200).recorded);
    EXPECT_EQ(run.ShotCount[2], kMaxShots);
    EXPECT_EQ(run.ShotMs[2].size(), 3u) << "a refused shot keeps no time";
}

TEST(ShotRules, ANewSeriesForgetsTimesAndScoresWithThePoints) {
    RunState run;
    run.LaneLit[0] = 1;
    RecordShot(run, 0, {0.0F, 0.0F}, 1, nullptr, 300);
    RecordShot(run, 0, {0.0F, 0.0F}, 1, nullptr, 800);
    run.ClearShots(0);
    run.ShotCount[0] = 0;
    run.StartTick[0] = 1000;
    RecordShot(run, 0, {150.0F, 0.0F}, 1, nullptr, 1500);
    EXPECT_EQ(run.ShotPos[0].size(), 1u);
    EXPECT_EQ(run.ShotMs[0], std::vector<std::uint32_t>{500});
    EXPECT_EQ(run.ShotScore[0], std::vector<std::int32_t>{kScoreMiss});
}

TEST(ShotRules, SeriesEndWithAndWithoutFireTransfer) {
    RunState run;
    const LaneSet three = LaneBit(0) | LaneBit(1) | LaneBit(2);
    run.LaneActive = {1, 1, 1, 0, 0};
    run.ShotCount = {4, 3, 2, 0, 0};
    EXPECT_FALSE(SeriesDone(run, three, 10, true));
    run.ShotCount[2] = 3;
    EXPECT_TRUE(SeriesDone(run, three, 10, true)) << "ten shots together";
    run.LaneActive[2] = 0;
    EXPECT_FALSE(SeriesDone(run, three, 10, true)) << "a lane out of time no longer counts";

    run.LaneActive = {1, 1, 1, 0, 0};
    run.ShotCount = {10, 9, 2, 0, 0};
    RetireFinishedLanes(run, three, 10);
    EXPECT_EQ(run.LaneActive[0], 0);
    EXPECT_EQ(run.LaneActive[1], 1);
    EXPECT_FALSE(SeriesDone(run, three, 10, false));
    run.LaneActive[2] = 0;
    run.ShotCount[1] = 10;
    EXPECT_TRUE(SeriesDone(run, three, 10, false));
}

TEST(ShotRules, LastShotSoundWeighsLanesByActivityOrPresence) {
    RunState run;
    LanePresence present{1, 1, 0, 0, 0};
    const LaneSet two = LaneBit(0) | LaneBit(1);
    run.LaneActive = {1, 0, 0, 0, 0}; // lane 1's time ran out
    run.ShotCount = {6, 4, 0, 0, 0};
    // Two shooters: the inactive lane does not count towards the shared number.
    EXPECT_FALSE(LastShotWaits(run, present, two, 10, true, LaneWeight::Active));
    // Five lanes: every present lane counts, active or not.
    EXPECT_TRUE(LastShotWaits(run, present, two, 10, true, LaneWeight::Present));
    // Without transfer every lane needs its own shots; an absent lane needs none by presence.
    run.ShotCount = {10, 10, 0, 0, 0};
    const LaneSet three = two | LaneBit(2);
    EXPECT_TRUE(LastShotWaits(run, present, three, 10, false, LaneWeight::Present));
    EXPECT_FALSE(LastShotWaits(run, present, three, 10, false, LaneWeight::Active));
    EXPECT_TRUE(LastShotWaits(run, present, LaneBit(0), 10, false, LaneWeight::Active));
}

TEST(Marks, MissTablesDifferOnlyLeftOfCentre) {
    EXPECT_EQ(MissDirectionOf(-50.0F, 0.0F), MissDirection::Left);
    EXPECT_EQ(MissDirectionOf(-50.0F, 0.0F, MissTable::Strict), MissDirection::None);
    EXPECT_EQ(MissDirectionOf(-150.0F, 0.0F, MissTable::Strict), MissDirection::Left);
    EXPECT_EQ(MissDirectionOf(-150.0F, -150.0F, MissTable::Strict), MissDirection::UpperLeft);
    EXPECT_EQ(MissDirectionOf(150.0F, 0.0F, MissTable::Strict), MissDirection::Right);
    EXPECT_FALSE(MissArrowPoints(MissDirection::None, 30, 30).has_value());
    EXPECT_EQ(MissArrowPoints(MissDirection::Right, 32, 32),
              (std::array{QPoint(0, 0), QPoint(30, 15), QPoint(0, 30)}));
}

TEST(Marks, HoleStylesDifferInRimAndRadius) {
    auto rim = [](HoleStyle style) {
        ImageCanvas c(363, 363, kButtonFace);
        const QRect area = DrawHole(c, {0.0F, 0.0F}, style, kBlack, kWhite);
        // Width of the rim on the row through the centre, and the hole's width.
        int dark = 0;
        int x = 0;
        while (c.Pixel(x, 181) != kBlack && x < 363) {
            ++x;
        }
        const int left = x;
        while (x < 363 && c.Pixel(x, 181) == kBlack) {
            ++dark;
            ++x;
        }
        return std::tuple{dark, 363 - 2 * left, area.width()};
    };
    const auto [normalRim, normalWidth, normalArea] = rim(HoleStyle::Normal);
    const auto [thinRim, thinWidth, thinArea] = rim(HoleStyle::OnePixel);
    const auto [doubleRim, doubleWidth, doubleArea] = rim(HoleStyle::DoubleRadius);
    EXPECT_EQ(normalRim, 2);
    EXPECT_EQ(thinRim, 1);
    EXPECT_EQ(doubleRim, 1);
    EXPECT_GT(doubleWidth, thinWidth * 3 / 2);
    EXPECT_GT(doubleArea, normalArea);
    EXPECT_GE(normalArea, normalWidth);
    ImageCanvas disc(363, 363, kButtonFace);
    DrawHole(disc, {0.0F, 0.0F}, HoleStyle::ReplayDisc, kBlack, kRed);
    EXPECT_EQ(disc.Pixel(181, 181), kRed);
    EXPECT_NE(disc.Pixel(181 - thinWidth / 2, 181), kBlack) << "the disc has a white rim";
}

TEST(LogicalTimers, SetFiresInOrderOnTheTimersOwnGrid) {
    TimerSet set;
    LogicalTimer a;
    LogicalTimer b;
    std::vector<char> fired;
    set.Add(a, [&] { fired.push_back('a'); });
    set.Add(b, [&] {
        fired.push_back('b');
        b.SetInterval(50, 260); // a handler that changes the interval restarts the timer
    });
    a.interval = 100;
    b.interval = 100;
    a.Start(0);
    b.Start(0);
    set.Dispatch(99);
    EXPECT_TRUE(fired.empty());
    set.Dispatch(260); // both late by more than a period: each fires once
    EXPECT_EQ(fired, (std::vector<char>{'a', 'b'}));
    EXPECT_EQ(a.due, 300u);
    EXPECT_EQ(b.due, 310u);
    set.StopAll();
    set.Dispatch(1000);
    EXPECT_EQ(fired.size(), 2u);
}

namespace {

struct LampBench {
    ProgramState state;
    ManualClock clock{1000};
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock};
    Services services{&clock, nullptr, nullptr, &ports, nullptr};
    int portFree = 1;
    std::vector<std::pair<int, bool>> steady;
    std::vector<std::pair<int, bool>> flashes;
    int sounds = 0;

    LampBench() {
        state.settings.SerialPort = QStringLiteral("COM1");
        EXPECT_EQ(OpenPort(state, services), 1);
    }
    LampRunner Make(LampRules rules, const int* free) {
        return LampRunner(state, clock, free, rules,
                          LampHooks{[this](int l, bool on) { steady.emplace_back(l, on); },
                                    [this](int l, bool on) { flashes.emplace_back(l, on); },
                                    [this] { ++sounds; }});
    }
};

LampRules FiveLaneRules() {
    LampRules r;
    r.lanes = kAllLanes;
    r.steps = {20, 22, 22, 22};
    r.sends = {{5, true}, {5, true}, {5, true}};
    return r;
}

} // namespace

TEST(LampRunner, FiveLaneRulesStepAt22MsAndSendFiveTimes) {
    LampBench b;
    b.state.ScriptLines = {QStringLiteral("1 3"), QStringLiteral("2 3"), QStringLiteral("4 4 1"),
                           QStringLiteral("1 7"), QStringLiteral("10")};
    LampRunner lamps = b.Make(FiveLaneRules(), nullptr);
    b.portFree = 0; // this window does not wait for the port
    lamps.Start(b.clock.TickCount());
    lamps.ScriptStep(b.clock.TickCount());
    EXPECT_EQ(b.model.Log().Bytes(), std::vector<std::uint8_t>(5, 0x13));
    EXPECT_EQ(b.state.run.LaneLit[3], 1);
    EXPECT_EQ(lamps.script.interval, 20u);
    lamps.ScriptStep(b.clock.TickCount());
    EXPECT_EQ(lamps.script.interval, 22u);
    lamps.ScriptStep(b.clock.TickCount());
    EXPECT_EQ(lamps.FlashCount[4], 1);
    EXPECT_EQ(lamps.flash[4].interval, 22u);
    // Target 7 is no lane: nothing is sent, the script runs on at 20 ms.
    b.model.Log().Clear();
    lamps.ScriptStep(b.clock.TickCount());
    EXPECT_TRUE(b.model.Log().Bytes().empty());
    EXPECT_EQ(lamps.script.interval, 20u);
    EXPECT_EQ(b.steady, (std::vector<std::pair<int, bool>>{{3, true}, {3, false}}));

    // One flash: on with the sound for 150 ms, off with five sends, then the timer stops.
    lamps.FlashStep(4, b.clock.TickCount());
    EXPECT_EQ(b.model.Log().Bytes(), (std::vector<std::uint8_t>{0x44}));
    EXPECT_EQ(b.sounds, 1);
    EXPECT_EQ(lamps.flash[4].interval, 150u);
    lamps.FlashStep(4, b.clock.TickCount());
    EXPECT_EQ(lamps.flash[4].interval, 250u);
    lamps.FlashStep(4, b.clock.TickCount());
    EXPECT_FALSE(lamps.flash[4].enabled);
    EXPECT_EQ(b.flashes, (std::vector<std::pair<int, bool>>{{4, true}, {4, false}}));
}

TEST(LampRunner, AFlashCountOfMinusOneGivesNoFlash) {
    LampBench b;
    b.state.ScriptLines = {QStringLiteral("4 2 -1"), QStringLiteral("10")};
    LampRunner lamps = b.Make(FiveLaneRules(), nullptr);
    lamps.Start(b.clock.TickCount());
    lamps.ScriptStep(b.clock.TickCount());
    EXPECT_EQ(static_cast<std::int32_t>(lamps.FlashCount[2]), -1);
    ASSERT_TRUE(lamps.flash[2].enabled);
    for (int step = 0; step < 4; ++step) {
        lamps.FlashStep(2, b.clock.TickCount());
    }
    EXPECT_FALSE(lamps.flash[2].enabled);
    EXPECT_TRUE(b.model.Log().Bytes().empty()) << "no flash lamp switched";
    EXPECT_EQ(b.sounds, 0);
}

TEST(LampRunner, SingleLaneRulesWaitForThePortAndPaceForeignCommands) {
    LampBench b;
    b.state.ScriptLines = {QStringLiteral("4 1 2"), QStringLiteral("3 0.5")};
    LampRules rules; // the single window's own lane only
    rules.lanes = LaneBit(0);
    LampRunner lamps = b.Make(rules, &b.portFree);
    lamps.Start(b.clock.TickCount());
    b.portFree = 0;
    lamps.script.interval = 99;
    lamps.ScriptStep(b.clock.TickCount());
    EXPECT_EQ(lamps.scriptPos, 0) << "a busy port keeps the line";
    EXPECT_EQ(lamps.script.interval, 20u);
    b.portFree = 1;
    lamps.script.interval = 99;
    lamps.ScriptStep(b.clock.TickCount());
    EXPECT_EQ(lamps.FlashCount[1], 0) << "another lane's flashes are not given";
    EXPECT_EQ(lamps.script.interval, 20u);
    lamps.ScriptStep(b.clock.TickCount());
    EXPECT_EQ(lamps.script.interval, 500u);

    // The two-shooter rule: a foreign flash command leaves the interval as it was.
    rules.steps.foreignFlash = std::nullopt;
    LampRunner two = b.Make(rules, &b.portFree);
    two.Start(b.clock.TickCount());
    two.script.interval = 99;
    two.ScriptStep(b.clock.TickCount());
    EXPECT_EQ(two.script.interval, 99u);
}

namespace {

// What differs between the exercise windows' runs.
struct RunChoices {
    int startKeyRounds = 10;
    int endKeyRounds = 100; // 0: the run ends once Escape is up
    bool escapeEndsPause = false;
    QString countdownText = QStringLiteral("До начала стрельбы %1 сек");
    bool dispatchEveryPass = false; // otherwise every NumReps + 1 passes
};

// A run of the shared steps built by the rules: counts passes and dispatch points, ends
// the series after `passes`.
class CountingRun {
public:
    CountingRun(const Settings& s, const Services& services, RunChoices rules, int passes)
        : m_settings(s), m_rules(std::move(rules)), m_limit(passes), m_sequence(services) {}
    void Begin(std::uint32_t reps, bool repeat) {
        m_interval = m_rules.dispatchEveryPass ? 0U : reps;
        m_sequence.Begin(repeat);
        m_sequence.Add<KeyReleaseStep>(m_rules.startKeyRounds, Key::Space,
                                       RunSequence::Phase::StartKeyRelease);
        AddSeries();
        m_sequence.Add<EndStep>(m_rules.endKeyRounds, [] {});
        m_sequence.Add<CallStep>([this] { ++ends; }, StepResult::Continue,
                                 RunSequence::Phase::EndEscape);
    }
    void Tick() { m_sequence.Tick(); }
    [[nodiscard]] RunSequence::Phase RunPhase() const { return m_sequence.CurrentPhase(); }
    [[nodiscard]] bool Idle() const { return m_sequence.Idle(); }
    int passes = 0;
    int dispatches = 0;
    int series = 0;
    int ends = 0;
    QStringList countdowns;

private:
    void AddSeries() {
        const bool repeats = m_settings.RepeatEnabled != 0;
        m_sequence.Add<CallStep>(
            [this] {
                ++series;
                passes = 0;
            },
            StepResult::Done, RunSequence::Phase::Series);
        m_sequence.Add<SeriesStep>(PassRef::To<&CountingRun::Pass>(*this), nullptr, m_interval);
        // The pause's first turn in the tick the series ends; the end at the next tick.
        m_sequence.Add<CallStep>([] {}, repeats ? StepResult::Continue : StepResult::Done,
                                 RunSequence::Phase::Series);
        if (repeats) {
            m_sequence.Add<PauseStep>(
                m_settings, m_rules.escapeEndsPause, m_rules.countdownText,
                [this](const QString& text, std::uint32_t) { countdowns << text; },
                [this](RunSequence&) { AddSeries(); });
        }
    }
    void Pass(SeriesStep& s) {
        ++passes;
        if (s.Dispatch()) {
            ++dispatches;
        }
        if (passes >= m_limit) {
            s.Stop();
        }
    }

    const Settings& m_settings;
    RunChoices m_rules;
    int m_limit;
    std::uint32_t m_interval = 0;
    RunSequence m_sequence;
};

struct PhaseBench {
    Settings settings;
    ManualClock clock{0};
    ScriptedKeyboard keys;
    Services services{&clock, &keys, nullptr, nullptr, nullptr};
};

} // namespace

TEST(RunSteps, DispatchEveryPassOrEveryNumRepsPlusOne) {
    for (const bool every : {false, true}) {
        PhaseBench b;
        RunChoices rules;
        rules.dispatchEveryPass = every;
        CountingRun run(b.settings, b.services, rules, 1000);
        run.Begin(4, false);
        run.Tick(); // key release and series start
        ASSERT_EQ(run.RunPhase(), RunSequence::Phase::Series);
        run.Tick();
        EXPECT_EQ(run.passes, every ? 1 : 5);
        EXPECT_EQ(run.dispatches, 1);
    }
}

TEST(RunSteps, EscapeInThePauseAndTheEndOfARun) {
    for (const bool escapeEnds : {false, true}) {
        PhaseBench b;
        b.settings.RepeatEnabled = 1;
        b.settings.RepeatTime = 3;
        RunChoices rules;
        rules.escapeEndsPause = escapeEnds;
        rules.endKeyRounds = 0;
        rules.countdownText = QStringLiteral("Cтрельба через %1 сек");
        CountingRun run(b.settings, b.services, rules, 2);
        run.Begin(0, true);
        for (int i = 0; i < 4; ++i) {
            run.Tick(); // the start, then one pass a tick; the second ends the series
        }
        ASSERT_EQ(run.RunPhase(), RunSequence::Phase::Pause);
        b.clock.Advance(1000);
        run.Tick();
        EXPECT_EQ(run.countdowns, QStringList{QStringLiteral("Cтрельба через 2 сек")});
        b.keys.Set(Key::Escape, true);
        b.clock.Advance(10);
        run.Tick();
        EXPECT_EQ(run.RunPhase(),
                  escapeEnds ? RunSequence::Phase::EndEscape : RunSequence::Phase::Pause);
        b.keys.Set(Key::Escape, false);
        run.Tick();
        EXPECT_EQ(run.Idle(), escapeEnds) << "without key-release rounds the run ends at once";
        EXPECT_EQ(run.ends, escapeEnds ? 1 : 0);
        if (!escapeEnds) {
            b.clock.Advance(2100);
            run.Tick();
            run.Tick();
            EXPECT_EQ(run.series, 2) << "the next series after the pause";
        }
    }
}
