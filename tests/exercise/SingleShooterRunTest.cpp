#include "RunHarness.h"

#include "calibration/Calibration.h"
#include "device/DeviceProtocol.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace ryvo;
using Phase = SingleShooterRun::Phase;
using test::RunHarness;

namespace {

std::vector<std::uint8_t> LampBytes(const sim::ByteLog& log, size_t from = 0) {
    std::vector<std::uint8_t> out;
    const auto& entries = log.Entries();
    for (size_t i = from; i < entries.size(); ++i) {
        const std::uint8_t b = entries[i].byte;
        if (b >= 0x10 && b < 0x50) {
            out.push_back(b);
        }
    }
    return out;
}

int Calls(const RecordingSound& sound, RecordingSound::Call call) {
    return static_cast<int>(std::count_if(sound.calls.begin(), sound.calls.end(),
                                          [call](const auto& r) { return r.call == call; }));
}

} // namespace

TEST(SingleShooterRun, SeriesOfThreeWithoutTimeLimitEndsOnTheThirdShot) {
    RunHarness h;
    h.StartSeries();
    ASSERT_EQ(h.run.CurrentPhase(), Phase::Series);
    EXPECT_FALSE(h.view.IsEnabled(ViewButton::Start));
    EXPECT_FALSE(h.view.IsEnabled(ViewButton::Exit));
    EXPECT_EQ(h.view.Text(ViewText::FirstTime), QStringLiteral("0 cек"));
    ASSERT_EQ(h.sound.calls.size(), 1u);
    EXPECT_EQ(h.sound.calls[0].call, RecordingSound::Call::ToCompletion);
    EXPECT_EQ(h.sound.calls[0].wav, QByteArray("start"));
    const std::uint32_t start = h.state.run.StartTick[0];

    // Level 4000: raw 1000 is 0.25, 25 target units with the default calibration.
    h.ShootAt(1000, 0);
    h.ShootAt(-2000, 1200);
    EXPECT_EQ(h.state.run.ShotCount[0], 2u);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::Series) << "no time limit: only the third shot ends it";
    h.TickFor(3000);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::Series);
    h.model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{0, 0});
    h.TickFor(300);
    h.model.Lane(0).triggers.Pull();
    h.clock.Advance(10);
    const std::uint32_t third = h.clock.TickCount();
    h.run.Tick();
    ASSERT_EQ(h.run.CurrentPhase(), Phase::LastShotSound);
    EXPECT_EQ(h.sound.calls.back().call, RecordingSound::Call::ToCompletion);
    EXPECT_EQ(h.sound.calls.back().wav, QByteArray("shot"));
    h.clock.Advance(700);
    h.run.Tick();
    EXPECT_EQ(h.run.CurrentPhase(), Phase::LastShotSound) << "waits for the sound to end";
    h.sound.FinishPlayback();
    h.run.Tick();
    h.TickWhile(Phase::EndEscape);
    h.TickWhile(Phase::EndKeyRelease);
    ASSERT_EQ(h.run.CurrentPhase(), Phase::Idle);

    const RunState& run = h.state.run;
    EXPECT_FLOAT_EQ(run.ShootTime[0], static_cast<float>(third - start) / 1000.0F);
    ASSERT_EQ(run.ShotPos[0].size(), 3u);
    EXPECT_NEAR(run.ShotPos[0][0].x, 25.0F, 0.01F);
    EXPECT_NEAR(run.ShotPos[0][0].y, 0.0F, 0.01F);
    EXPECT_NEAR(run.ShotPos[0][1].x, -50.0F, 0.01F);
    EXPECT_NEAR(run.ShotPos[0][1].y, 30.0F, 0.01F);
    EXPECT_NEAR(run.ShotPos[0][2].x, 0.0F, 0.01F);
    EXPECT_EQ(run.LastScore[0], 10);
    EXPECT_EQ(run.ScoreSum[0], 8 + 5 + 10);
    EXPECT_EQ(h.view.Text(ViewText::Num), QStringLiteral("3"));
    EXPECT_EQ(h.view.Text(ViewText::SymE), QStringLiteral("  23"));
    EXPECT_EQ(h.view.Text(ViewText::AverSym), QStringLiteral(" 7.7"));
    EXPECT_EQ(h.view.Text(ViewText::SigText), QStringLiteral("Уровень=4000"));
    EXPECT_EQ(h.view.Text(ViewText::TimeC),
              QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[0])));

    // Shot sounds: two started asynchronously, the last to its end, then the end sound.
    EXPECT_EQ(Calls(h.sound, RecordingSound::Call::Async), 3);
    EXPECT_EQ(h.sound.calls.back().wav, QByteArray("end"));
    EXPECT_TRUE(h.view.IsEnabled(ViewButton::Start));
    EXPECT_TRUE(h.view.IsEnabled(ViewButton::Save));
    EXPECT_TRUE(h.view.IsEnabled(ViewButton::Print));
    EXPECT_TRUE(h.view.IsEnabled(ViewButton::ViewShoots));
    EXPECT_TRUE(h.view.IsEnabled(ViewButton::Exit));
    EXPECT_EQ(h.view.Text(ViewText::StartCaption), QStringLiteral("Начало стрельбы"));
    EXPECT_EQ(h.state.Port, nullptr) << "the port closes with the run";
    // Every trigger report was acknowledged.
    EXPECT_EQ(h.model.Lane(0).triggers.Acknowledged(), 6) << "twice per trigger report";
}

TEST(SingleShooterRun, ShotsWithoutSoundsBeepAndTheMissShowsItsArrow) {
    RunHarness h;
    h.state.SoundAvailable = 0;
    h.state.settings.ShootsNumber = 2;
    h.StartSeries();
    EXPECT_EQ(Calls(h.sound, RecordingSound::Call::Beep), 3);
    h.ShootAt(-4000, 0); // -100 units: the hole still touches the square
    h.ShootAt(5000, 0);  // 125 units to the right: a miss
    EXPECT_EQ(h.state.run.LastScore[0], kScoreMiss);
    EXPECT_TRUE(h.view.Visible(ViewItem::Fail));
    EXPECT_TRUE(h.view.Visible(ViewItem::FailArrow));
    EXPECT_EQ(Calls(h.sound, RecordingSound::Call::Beep), 5);
    EXPECT_EQ(Calls(h.sound, RecordingSound::Call::ToCompletion), 0);
}

TEST(SingleShooterRun, ShotAtADarkTargetCountsWithoutScore) {
    RunHarness h;
    h.state.settings.SmartTarget = 1;
    h.state.ScriptLines = {QStringLiteral("10")}; // nothing lights the lane
    h.StartSeries();
    h.ShootAt(1000, 0);
    h.ShootAt(0, 0);
    const RunState& run = h.state.run;
    EXPECT_EQ(run.ShotCount[0], 2u);
    EXPECT_EQ(run.LastScore[0], kScoreDark);
    EXPECT_EQ(run.ScoreSum[0], 0);
    EXPECT_EQ(run.ShotPos[0][1], (ShotPoint{-1234.0F, -1234.0F}));
    EXPECT_TRUE(h.view.Visible(ViewItem::ImageActive));
    EXPECT_EQ(h.view.Text(ViewText::Res), QStringLiteral("0"));
}

TEST(SingleShooterRun, TriggersCloserThanTwoShotTimerTicksAreDropped) {
    for (const std::uint32_t offset : {0u, 90u}) {
        RunHarness h;
        h.state.settings.ShootsNumber = 10;
        h.StartSeries();
        h.TickFor(500);
        // Run to just after a shot timer tick, then by `offset` ms.
        const std::uint32_t due = h.run.Timer_shoot.due;
        while (h.clock.TickCount() < due + 1 + offset) {
            h.clock.Advance(1);
            h.run.Tick();
        }
        h.model.Lane(0).triggers.Pull();
        h.clock.Advance(1);
        h.run.Tick();
        ASSERT_EQ(h.state.run.ShotCount[0], 1u);
        h.TickFor(148, 1);
        h.model.Lane(0).triggers.Pull();
        h.clock.Advance(1);
        h.run.Tick();
        // 150 ms after a shot just past a tick, one tick fell between: dropped. Shifted by
        // 90 ms, two ticks fell between: accepted.
        EXPECT_EQ(h.state.run.ShotCount[0], offset == 0 ? 1u : 2u) << offset;
        EXPECT_EQ(h.model.Lane(0).triggers.Acknowledged(), 4)
            << "dropped triggers are acknowledged too";
    }
}

TEST(SingleShooterRun, RedrawAndDispatchEveryNumRepsPlusOnePasses) {
    for (const std::uint32_t reps : {0u, 4u}) {
        RunHarness h;
        h.state.settings.NumReps = reps;
        h.StartSeries();
        const int polls = h.model.Lane(0).polls;
        const int placed = h.view.placeCount[ViewItem::Gun2];
        const auto passes = h.run.Passes();
        for (int i = 0; i < 10; ++i) {
            h.clock.Advance(2);
            h.run.Tick();
        }
        EXPECT_EQ(h.run.Passes() - passes, 10u * (reps + 1)) << reps;
        EXPECT_EQ(h.model.Lane(0).polls - polls, 10 * static_cast<int>(reps + 1)) << reps;
        EXPECT_EQ(h.view.placeCount[ViewItem::Gun2] - placed, 10) << reps;
    }
}

TEST(SingleShooterRun, LevelOutsideTheWindowHidesTheAimAndClearsTheTrace) {
    RunHarness h;
    h.model.Lane(0).aim = std::make_unique<sim::NoiseAim>(sim::Signal{0, 0}, 300, 3);
    h.StartSeries();
    h.TickFor(200);
    EXPECT_TRUE(h.view.Visible(ViewItem::Gun2));
    EXPECT_GT(h.run.panel.TracePoints(), 5);
    h.model.Lane(0).level = 7000;
    h.TickFor(50);
    EXPECT_FALSE(h.view.Visible(ViewItem::Gun2));
    EXPECT_EQ(h.run.panel.TracePoints(), 0);
    EXPECT_EQ(h.run.panel.Trace().At(0).x, -100.0F);
    // The bar is drawn while the level is below SignalLevel: full black up to 7000/8000.
    EXPECT_EQ(h.view.signal.Pixel(200, 2), kBlack);
    EXPECT_NE(h.view.signal.Pixel(210, 2), kBlack);
    h.model.Lane(0).triggers.Pull();
    h.TickFor(30);
    EXPECT_EQ(h.state.run.ShotCount[0], 1u);
    EXPECT_EQ(h.view.Text(ViewText::SigText), QStringLiteral("Сигнал вне диапазона"));
}

TEST(SingleShooterRun, EscapeEndsASeriesButNotThePauseBeforeARepeat) {
    RunHarness h;
    h.state.settings.RepeatEnabled = 1;
    h.state.settings.RepeatTime = 3;
    h.state.settings.ShootsNumber = 1;
    h.StartSeries();
    h.ShootAt(0, 0);
    ASSERT_EQ(h.run.CurrentPhase(), Phase::Pause);
    EXPECT_TRUE(h.view.IsEnabled(ViewButton::Start));
    h.keyboard.Set(Key::Escape, true);
    h.TickFor(2500);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::Pause) << "the pause does not read Escape";
    EXPECT_EQ(h.view.history[ViewText::StartCaption],
              (std::vector<QString>{"До начала стрельбы 2 сек", "До начала стрельбы 1 сек"}));
    h.TickWhile(Phase::Pause);
    ASSERT_NE(h.run.CurrentPhase(), Phase::Pause);
    // The next series starts; Escape still held ends it and the repetition at the first pass.
    if (h.run.CurrentPhase() == Phase::StartSound) {
        h.sound.FinishPlayback();
        h.run.Tick();
    }
    h.run.Tick();
    EXPECT_EQ(h.run.CurrentPhase(), Phase::EndEscape);
    EXPECT_EQ(h.run.RunAgain(), 0);
    h.TickFor(200);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::EndEscape) << "waits for Escape to be let go";
    h.keyboard.Set(Key::Escape, false);
    h.TickFor(30);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::Idle);
    EXPECT_EQ(h.state.run.ShotCount[0], 0u);
    EXPECT_FALSE(h.view.IsEnabled(ViewButton::Save)) << "the last series had no shot";
}

TEST(SingleShooterRun, StartWaitsForKeysToBeReleased) {
    RunHarness h;
    h.keyboard.Set(Key::Return, true);
    h.run.FormActivate();
    h.run.StartClick();
    EXPECT_EQ(h.model.Lane(0).polls, 5) << "five flush polls of each of lanes 0 and 1 at the press";
    EXPECT_EQ(h.model.Lane(1).polls, 5);
    h.TickFor(300);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::StartKeyRelease);
    h.keyboard.Set(Key::Return, false);
    h.run.Tick();
    EXPECT_EQ(h.run.CurrentPhase(), Phase::StartSound);
    EXPECT_EQ(h.model.Lane(0).polls, 5) << "none while the keys are released or the sound plays";
    EXPECT_EQ(h.model.Lane(1).polls, 5);
}

TEST(SingleShooterRun, APullSinceStartIsTheFirstShotAReportFromBeforeIsNone) {
    {
        RunHarness h;
        h.model.Lane(0).triggers.Pull(); // standing on the device since the last series
        h.StartSeries();
        h.TickFor(300);
        EXPECT_EQ(h.state.run.ShotCount[0], 0u);
    }
    RunHarness h;
    h.state.settings.ShootsNumber = 1;
    h.state.settings.RepeatEnabled = 1;
    h.state.settings.RepeatTime = 1;
    // The first shot of each series comes in its first pass, 10 ms after its start.
    auto firstShot = [&h] {
        for (int i = 0; i < 20 && h.state.run.ShotCount[0] == 0; ++i) {
            h.clock.Advance(10);
            h.run.Tick();
        }
        ASSERT_EQ(h.state.run.ShotCount[0], 1u);
        EXPECT_LE(h.state.run.ShotMs[0][0], 10u);
        h.sound.FinishPlayback();
        h.run.Tick();
    };
    h.keyboard.Set(Key::Return, true);
    h.run.FormActivate();
    h.run.StartClick();
    h.TickFor(100);
    h.model.Lane(0).triggers.Pull(); // after the press, the key still down
    h.keyboard.Set(Key::Return, false);
    h.TickWhile(Phase::StartKeyRelease);
    ASSERT_EQ(h.run.CurrentPhase(), Phase::StartSound);
    h.clock.Advance(500);
    h.sound.FinishPlayback();
    firstShot();
    ASSERT_EQ(h.run.CurrentPhase(), Phase::Pause);
    h.TickFor(300);
    h.model.Lane(0).triggers.Pull(); // in the countdown
    h.TickWhile(Phase::Pause);
    ASSERT_EQ(h.state.run.ShotCount[0], 0u) << "the next series has begun";
    h.clock.Advance(500);
    h.sound.FinishPlayback();
    firstShot();
}

TEST(SingleShooterRun, ScriptFlashesThreeTimesWithTheShotSound) {
    RunHarness h;
    h.state.settings.SmartTarget = 1;
    h.state.settings.ShootsNumber = 5;
    h.state.ScriptLines = {QStringLiteral("1 0"), QStringLiteral("4 0 3"), QStringLiteral("3 2.0"),
                           QStringLiteral("2 0"), QStringLiteral("10")};
    h.StartSeries();
    const size_t from = h.model.Log().Entries().size();
    const size_t soundsBefore = h.sound.calls.size();
    h.TickFor(1500, 1);
    EXPECT_EQ(h.state.run.LaneLit[0], 1);
    EXPECT_TRUE(h.view.Visible(ViewItem::Image1));
    const std::vector<std::uint8_t> expected = {0x10, 0x40, 0x30, 0x30, 0x30, 0x40, 0x30,
                                                0x30, 0x30, 0x40, 0x30, 0x30, 0x30};
    EXPECT_EQ(LampBytes(h.model.Log(), from), expected);
    EXPECT_EQ(h.sound.calls.size() - soundsBefore, 3u);
    for (size_t i = soundsBefore; i < h.sound.calls.size(); ++i) {
        EXPECT_EQ(h.sound.calls[i].call, RecordingSound::Call::Async);
        EXPECT_EQ(h.sound.calls[i].wav, QByteArray("shot"));
    }
    // 150 ms on, 250 ms off.
    std::vector<double> on;
    std::vector<double> off;
    for (size_t i = from; i < h.model.Log().Entries().size(); ++i) {
        const auto& e = h.model.Log().Entries()[i];
        if (e.byte == 0x40) {
            on.push_back(e.ms);
        } else if (e.byte == 0x30 && (off.size() < on.size())) {
            off.push_back(e.ms);
        }
    }
    ASSERT_EQ(on.size(), 3u);
    ASSERT_EQ(off.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(off[i] - on[i], 150.0, 2.0) << i;
        if (i > 0) {
            EXPECT_NEAR(on[i] - off[i - 1], 250.0, 6.0) << i;
        }
    }
    EXPECT_FALSE(h.view.Visible(ViewItem::Image3));
    // After the 2 s pause the lamp goes out and the lane is dark again.
    h.TickFor(2200, 2);
    EXPECT_EQ(h.state.run.LaneLit[0], 0);
    EXPECT_FALSE(h.run.lamps.script.enabled) << "the stop line ends the script";
    const auto tail = LampBytes(h.model.Log(), from);
    EXPECT_EQ(std::vector<std::uint8_t>(tail.end() - 5, tail.end()),
              std::vector<std::uint8_t>(5, 0x20));
}

TEST(SingleShooterRun, ScriptForAnotherLaneAndOneWithoutStopLine) {
    RunHarness h;
    h.state.settings.SmartTarget = 1;
    h.state.ScriptLines = {QStringLiteral("1 1"), QStringLiteral("4 1 2"), QStringLiteral("1 0")};
    h.StartSeries();
    const size_t from = h.model.Log().Entries().size();
    h.TickFor(1000);
    EXPECT_EQ(LampBytes(h.model.Log(), from), (std::vector<std::uint8_t>{0x10}));
    EXPECT_EQ(h.run.lamps.scriptPos, 3);
    EXPECT_FALSE(h.run.lamps.script.enabled) << "the script stops where its lines end";
    EXPECT_FALSE(h.run.lamps.flash[1].enabled) << "nor the flashes of another lane";
}

TEST(SingleShooterRun, ReplayStepsThroughFiveShotsOnUp) {
    RunHarness h;
    h.state.settings.ShootsNumber = 5;
    h.StartSeries();
    for (int i = 0; i < 5; ++i) {
        h.ShootAt(400 * i - 800, 300, 250);
    }
    h.TickWhile(Phase::EndEscape);
    h.TickWhile(Phase::EndKeyRelease);
    ASSERT_TRUE(h.run.Idle());
    h.view.history[ViewText::ViewShootsCaption].clear();

    h.keyboard.Set(Key::Up, true);
    h.run.ViewShootsClick();
    EXPECT_FALSE(h.view.IsEnabled(ViewButton::Start));
    h.TickFor(50);
    EXPECT_TRUE(h.view.history[ViewText::ViewShootsCaption].empty()) << "waits for Up to be let go";
    h.keyboard.Set(Key::Up, false);
    h.run.Tick();
    for (int press = 0; press < 5; ++press) {
        h.TickFor(30);
        h.keyboard.Set(Key::Up, true);
        h.TickFor(30);
        h.keyboard.Set(Key::Up, false);
    }
    h.TickFor(30);
    EXPECT_EQ(h.view.history[ViewText::ViewShootsCaption],
              (std::vector<QString>{"Выстрел N 1", "Выстрел N 2", "Выстрел N 3", "Выстрел N 4",
                                    "Выстрел N 5", "Просмотреть выстрелы"}));
    EXPECT_TRUE(h.run.Idle());
    EXPECT_TRUE(h.view.IsEnabled(ViewButton::Start));
    EXPECT_TRUE(h.view.IsEnabled(ViewButton::Save));
    // The last shot is back to black: its centre pixel is black.
    const ShotPoint last = h.state.run.ShotPos[0][4];
    EXPECT_EQ(h.view.target.Pixel(ToPixels(last.x, 526), ToPixels(last.y, 526)), kBlack);

    // Escape leaves the replay at once.
    h.run.ViewShootsClick();
    h.run.Tick();
    h.keyboard.Set(Key::Escape, true);
    h.TickFor(30);
    h.keyboard.Set(Key::Escape, false);
    h.TickFor(30);
    EXPECT_TRUE(h.run.Idle());
    EXPECT_EQ(h.view.Text(ViewText::ViewShootsCaption), QStringLiteral("Просмотреть выстрелы"));
}

TEST(SingleShooterRun, ReplayPlaysEachShotsKeptTraceInMotion) {
    RunHarness h;
    h.state.settings.ShootsNumber = 2;
    h.StartSeries();
    h.ShootAt(-400, 300, 3500);
    h.ShootAt(400, -300, 3500);
    h.TickWhile(Phase::EndEscape);
    h.TickWhile(Phase::EndKeyRelease);
    ASSERT_TRUE(h.run.Idle());
    const ShotPoint first = h.state.run.ShotPos[0][0];
    const ShotPoint second = h.state.run.ShotPos[0][1];
    const auto at = [&](ShotPoint p) {
        return h.view.target.Pixel(ToPixels(p.x, 526), ToPixels(p.y, 526));
    };

    h.run.ViewShootsClick();
    h.run.Tick();
    // The aim of the 3 s before the shot plays first; the hole comes with the shot.
    EXPECT_NE(at(first), kRed);
    h.TickFor(2900);
    EXPECT_NE(at(first), kRed);
    h.TickFor(200);
    EXPECT_EQ(at(first), kRed);

    h.keyboard.Set(Key::Up, true);
    h.TickFor(30);
    h.keyboard.Set(Key::Up, false);
    h.TickFor(30);
    EXPECT_EQ(h.view.Text(ViewText::ViewShootsCaption), QStringLiteral("Выстрел N 2"));
    EXPECT_EQ(at(first), kBlack);
    EXPECT_NE(at(second), kRed);
    h.TickFor(3100);
    EXPECT_EQ(at(second), kRed);

    // Past the last shot every hole is back, black.
    h.keyboard.Set(Key::Up, true);
    h.TickFor(30);
    h.keyboard.Set(Key::Up, false);
    h.TickFor(30);
    EXPECT_TRUE(h.run.Idle());
    EXPECT_EQ(at(first), kBlack);
    EXPECT_EQ(at(second), kBlack);
}

TEST(SingleShooterRun, HandOverToTheSaveDialogAndExitOnlyWhenIdle) {
    RunHarness h;
    h.state.settings.ShootsNumber = 1;
    h.StartSeries();
    h.run.ExitClick();
    h.run.SaveClick();
    EXPECT_TRUE(h.view.activated.isEmpty());
    h.ShootAt(0, 0);
    h.TickFor(50);
    ASSERT_TRUE(h.run.Idle());
    h.run.SaveClick();
    EXPECT_EQ(h.state.SaveDialogMode, 0);
    EXPECT_EQ(h.state.ResultSource, 1);
    h.run.PrintClick();
    EXPECT_EQ(h.state.SaveDialogMode, 1);
    EXPECT_EQ(h.view.activated, (QStringList{"TSave_Print", "TSave_Print"}));
    // Coming back from the dialog keeps the target with its holes.
    const int repaints = h.view.repaints[ViewPicture::SignalI];
    h.run.FormActivate();
    EXPECT_EQ(h.state.ResultSource, 0);
    EXPECT_EQ(h.view.repaints[ViewPicture::SignalI], repaints);
    h.run.ExitClick();
    EXPECT_EQ(h.view.activated.back(), QStringLiteral("TMainForm2"));

    // The shot timer follows the weapon: 500 ms for an automatic one.
    EXPECT_EQ(h.run.Timer_shoot.interval, 100u);
    h.state.settings.WeaponType = 1;
    h.run.FormActivate();
    EXPECT_EQ(h.run.Timer_shoot.interval, 500u);
}

TEST(SingleShooterRun, TimeLimitEndsTheSeriesAndShooterTwoUsesLaneOne) {
    RunHarness h;
    h.state.settings.Shooter = 2;
    h.state.settings.Time = 2;
    h.model.Lane(1).aim = std::make_unique<sim::FixedAim>(sim::Signal{0, 0});
    h.StartSeries();
    EXPECT_EQ(h.state.CurrentLane, 1);
    EXPECT_EQ(h.state.run.LaneActive, (std::array<std::int32_t, 5>{0, 1, 0, 0, 0}));
    h.model.Lane(0).triggers.Pull(); // lane 0's trigger is ignored here
    h.TickFor(2100);
    EXPECT_TRUE(h.run.CurrentPhase() == Phase::Idle ||
                h.run.CurrentPhase() == Phase::EndKeyRelease);
    EXPECT_EQ(h.state.run.ShotCount[1], 0u);
    EXPECT_FLOAT_EQ(h.state.run.ShootTime[1], 2.0F);
    EXPECT_EQ(h.view.Text(ViewText::TimeC), QStringLiteral("  0 сек"));
}

TEST(SingleShooterRun, FrozenTraceOfAShotIsErasedByTheNext) {
    RunHarness h;
    h.state.settings.TimeTrace = 20;
    h.state.TraceLength = ComputeTraceLength(h.state.settings);
    h.state.settings.ShootsNumber = 3;
    h.StartSeries();
    const QImage blank = h.view.target.Image().copy();
    // Pixels left of x = 170 that differ from the empty target, outside the first hole.
    auto leftChanges = [&](QPoint hole) {
        int n = 0;
        for (int y = 180; y < 346; ++y) {
            for (int x = 40; x < 170; ++x) {
                if (std::abs(x - hole.x()) <= 9 && std::abs(y - hole.y()) <= 9) {
                    continue;
                }
                n += h.view.target.Image().pixel(x, y) != blank.pixel(x, y) ? 1 : 0;
            }
        }
        return n;
    };
    h.model.Lane(0).aim = std::make_unique<sim::NoiseAim>(sim::Signal{-2400, 0}, 300, 9);
    h.TickFor(400);
    h.model.Lane(0).triggers.Pull();
    h.TickFor(20);
    ASSERT_EQ(h.state.run.ShotCount[0], 1u);
    EXPECT_EQ(h.run.panel.FrozenCount(), 20);
    const ShotPoint first = h.state.run.ShotPos[0][0];
    const QPoint hole(ToPixels(first.x, 526), ToPixels(first.y, 526));
    EXPECT_LT(hole.x(), 130);
    h.model.Lane(0).aim = std::make_unique<sim::NoiseAim>(sim::Signal{2400, 0}, 300, 9);
    h.TickFor(400);
    EXPECT_GT(leftChanges(hole), 20) << "the frozen trace of the first shot stays on the picture";
    h.model.Lane(0).triggers.Pull();
    h.TickFor(20);
    ASSERT_EQ(h.state.run.ShotCount[0], 2u);
    EXPECT_EQ(leftChanges(hole), 0) << "the second shot's freeze erased the first one's";
    // The first hole is black-rimmed again over whatever crossed it.
    EXPECT_EQ(h.view.target.Pixel(hole.x(), hole.y()), kWhite);
}
