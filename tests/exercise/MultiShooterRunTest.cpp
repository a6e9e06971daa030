#include "FiveLaneHarness.h"

#include "calibration/Calibration.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace ryvo;
using test::FiveLaneHarness;
using Phase = RunSequence::Phase;
using Lamp = MultiShooterView::Lamp;

namespace {

// Pixels of `color` within `r` pixels of the point (x, y) in target units.
int PixelsNear(const Canvas& picture, float x, float y, int r, Color color) {
    const int w = picture.Width();
    const int cx = ToPixels(x, w);
    const int cy = ToPixels(y, w);
    int n = 0;
    for (int py = cy - r; py <= cy + r; ++py) {
        for (int px = cx - r; px <= cx + r; ++px) {
            n += picture.Pixel(px, py) == color ? 1 : 0;
        }
    }
    return n;
}

int Calls(const RecordingSound& sound, RecordingSound::Call call) {
    return static_cast<int>(std::count_if(sound.calls.begin(), sound.calls.end(),
                                          [call](const auto& r) { return r.call == call; }));
}

int Count(const sim::ByteLog& log, std::uint8_t byte, size_t from = 0) {
    int n = 0;
    const auto& entries = log.Entries();
    for (size_t i = from; i < entries.size(); ++i) {
        n += entries[i].byte == byte ? 1 : 0;
    }
    return n;
}

} // namespace

TEST(MultiShooterRun, SelectingALaneClearsTheTraceFramesItAndDrawsItsHoles) {
    FiveLaneHarness h;
    h.model.Lane(0).aim = std::make_unique<sim::NoiseAim>(sim::Signal{0, 0}, 300, 3);
    h.Aim(2, 2000, -1200); // 50, -30 units
    h.StartSeries();
    ASSERT_EQ(h.RunPhase(), Phase::Series);
    EXPECT_EQ(h.state.CurrentLane, 0) << "every series starts on lane 0";
    EXPECT_EQ(h.view.SmallPixel(0, 1, 63), kRed);
    h.TickFor(200);
    EXPECT_GT(h.run.panel.TracePoints(), 5);
    h.Fire(2);
    ASSERT_EQ(h.state.run.ShotCount[2], 1u);
    EXPECT_EQ(PixelsNear(h.view.target, 50.0F, -30.0F, 6, kRed), 0)
        << "another lane's shot leaves the large target alone";

    h.run.TarClick(2); // during the run, at a dispatch point
    EXPECT_EQ(h.state.CurrentLane, 2);
    EXPECT_EQ(h.run.PreviousLane, 0);
    EXPECT_EQ(h.run.panel.TracePoints(), 0);
    EXPECT_EQ(h.run.panel.FrozenCount(), 0);
    EXPECT_EQ(h.run.panel.Trace().At(0).x, -100.0F) << "the trace list is emptied";
    EXPECT_EQ(h.view.SmallPixel(0, 1, 63), kBlack);
    EXPECT_EQ(h.view.SmallPixel(2, 1, 63), kRed);
    EXPECT_GT(PixelsNear(h.view.target, 50.0F, -30.0F, 6, kRed), 0) << "its last hole, red-rimmed";
    EXPECT_FALSE(h.view.Visible(ViewItem::Gun2));
    EXPECT_EQ(h.view.Text(ViewText::Num), QStringLiteral("1"));
    EXPECT_EQ(h.view.Text(ViewText::SigText), QStringLiteral("  "));
    EXPECT_EQ(h.view.Text(ViewText::FirstTime),
              QString::asprintf("%7.2f сек", static_cast<double>(h.run.FirstShotTime[2])));

    // The selected lane is now polled, traced and registered with the full rules.
    const int polls = h.model.Lane(2).polls;
    h.TickFor(300);
    EXPECT_GT(h.model.Lane(2).polls - polls, 20);
    EXPECT_TRUE(h.view.Visible(ViewItem::Gun2));
    h.Aim(2, 0, 0);
    h.TickFor(200);
    const int jerkPlaced = h.view.placeCount[ViewItem::PostGun];
    h.state.settings.FlagPostGunEnable = 1;
    h.Fire(2);
    EXPECT_EQ(h.state.run.ShotCount[2], 2u);
    EXPECT_EQ(h.state.run.LastScore[2], 10);
    EXPECT_GT(h.view.placeCount[ViewItem::PostGun], jerkPlaced);
    EXPECT_GT(h.run.panel.FrozenCount(), 0);
    EXPECT_EQ(h.view.Text(ViewText::SigText), QStringLiteral("Уровень=4000"));

    // An absent lane's picture ignores the click.
    FiveLaneHarness three(3);
    three.run.FormActivate();
    EXPECT_FALSE(three.view.laneEnabled[4]);
    EXPECT_TRUE(three.view.laneEnabled[2]);
    EXPECT_EQ(three.view.SmallPixel(4, 1, 63), kGray);
    three.run.TarClick(4);
    EXPECT_EQ(three.state.CurrentLane, 0);
}

TEST(MultiShooterRun, AnotherLanesShotIsScoredAtItsAimWithADoubleHoleAndNoTrace) {
    FiveLaneHarness h;
    h.Aim(3, 1000, 800); // 25, 20 units
    h.StartSeries();
    h.TickFor(300);
    const int frozen = h.run.panel.FrozenCount();
    const int jerk = h.view.placeCount[ViewItem::PostGun];
    const int grey = PixelsNear(*h.view.small[3], 25.0F, 20.0F, 4, kGray);
    h.Fire(3);
    const RunState& run = h.state.run;
    ASSERT_EQ(run.ShotCount[3], 1u);
    const TargetPoint aim = ToTarget(h.state.settings, 3, 0.25F, 0.2F);
    EXPECT_NEAR(run.ShotPos[3][0].x, aim.x, 0.01F);
    EXPECT_NEAR(run.ShotPos[3][0].y, aim.y, 0.01F);
    EXPECT_EQ(run.LastScore[3], ScoreShot(aim.x, aim.y, 2));
    EXPECT_EQ(run.ScoreSum[3], run.LastScore[3]);
    EXPECT_GT(PixelsNear(*h.view.small[3], 25.0F, 20.0F, 4, kGray), grey)
        << "the hole on its small target";
    EXPECT_EQ(h.run.panel.FrozenCount(), frozen);
    EXPECT_EQ(h.view.placeCount[ViewItem::PostGun], jerk);
    EXPECT_EQ(run.ShotCount[0], 0u);
    EXPECT_EQ(h.view.Text(ViewText::Num), QStringLiteral("0"))
        << "statistics are the selected lane's";
    EXPECT_GT(h.run.FirstShotTime[3], 0.0F);
    EXPECT_EQ(h.run.FirstShotTime[0], 0.0F);
    // The shot came with a frame of lane 3: its bar shows the level 4000 in green.
    EXPECT_EQ(h.view.bars[3]->Pixel(2, 100), kGreen);
    EXPECT_EQ(h.view.bars[3]->Pixel(2, 10), h.view.bars[3]->Pixel(9, 10)) << "the face above it";

    // A dark lane: -2 at the no-target point and no hole.
    FiveLaneHarness dark;
    dark.state.settings.SmartTarget = 1;
    dark.StartSeries();
    dark.Fire(1);
    EXPECT_EQ(dark.state.run.LastScore[1], kScoreDark);
    EXPECT_EQ(dark.state.run.ShotPos[1][0], (ShotPoint{-1234.0F, -1234.0F}));
}

TEST(MultiShooterRun, APullInsideTheLockOutIsAcknowledgedAtOnceAndCountedAfterIt) {
    FiveLaneHarness h;
    h.StartSeries();
    h.TickFor(100);
    auto& triggers = h.model.Lane(1).triggers;
    h.model.Lane(1).triggers.Pull();
    h.clock.Advance(1);
    h.run.Tick();
    ASSERT_EQ(h.state.run.ShotCount[1], 1u);
    ASSERT_GT(h.state.run.ShotLockout[1], 0);
    h.clock.Advance(30);
    h.run.Tick();
    triggers.Pull();
    h.clock.Advance(1);
    h.run.Tick();
    EXPECT_FALSE(triggers.Pending(h.clock.TickCount())) << "acknowledged in the same pass";
    EXPECT_EQ(h.state.run.ShotCount[1], 1u) << "refused while locked out";
    EXPECT_EQ(h.state.Device.Trigger[1], 1) << "kept for after the lock-out";
    const size_t logged = h.model.Log().Entries().size();
    h.clock.Advance(1);
    h.run.Tick();
    EXPECT_EQ(Count(h.model.Log(), 0x81, logged), 1) << "each pass acknowledges it again";
    // Taken in the first pass that starts with the lock-out run out.
    int passes = 0;
    int unlockedPasses = 0;
    while (h.state.run.ShotCount[1] == 1 && passes < 1000) {
        unlockedPasses += h.state.run.ShotLockout[1] == 0 ? 1 : 0;
        h.clock.Advance(1);
        h.run.Tick();
        ++passes;
    }
    EXPECT_EQ(h.state.run.ShotCount[1], 2u);
    EXPECT_EQ(unlockedPasses, 1);
    EXPECT_GT(passes, 1);
    EXPECT_EQ(h.state.Device.Trigger[1], 0);
    h.TickFor(500);
    EXPECT_EQ(h.state.run.ShotCount[1], 2u) << "counted exactly once";

    // On the selected lane the next frame renews the trigger: a pull inside the lock-out is
    // acknowledged and dropped.
    h.model.Lane(0).triggers.Pull();
    h.clock.Advance(1);
    h.run.Tick();
    ASSERT_EQ(h.state.run.ShotCount[0], 1u);
    h.clock.Advance(20);
    h.run.Tick();
    h.model.Lane(0).triggers.Pull();
    h.TickFor(400, 1);
    EXPECT_FALSE(h.model.Lane(0).triggers.Pending(h.clock.TickCount()));
    EXPECT_EQ(h.state.run.ShotCount[0], 1u);
}

TEST(MultiShooterRun, AllFiveLanesFiringInOnePassAreEachCountedOnce) {
    FiveLaneHarness h;
    h.StartSeries();
    h.TickFor(100);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        h.model.Lane(lane).triggers.Pull();
    }
    const int polls = h.model.Lane(0).polls;
    h.clock.Advance(1);
    h.run.Tick();
    EXPECT_EQ(h.model.Lane(0).polls - polls, 1) << "one pass";
    for (int lane = 0; lane < kLaneCount; ++lane) {
        EXPECT_EQ(h.state.run.ShotCount[static_cast<size_t>(lane)], 1u) << lane;
        EXPECT_FALSE(h.model.Lane(lane).triggers.Pending(h.clock.TickCount())) << lane;
    }
    h.TickFor(500);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        EXPECT_EQ(h.state.run.ShotCount[static_cast<size_t>(lane)], 1u) << lane;
    }
}

TEST(MultiShooterRun, FireTransferEndsTheSharedSeries) {
    // Ten shots shared by three lanes.
    {
        FiveLaneHarness h(3);
        h.state.settings.TargetsChange = 1;
        h.StartSeries();
        for (int shot = 0; shot < 9; ++shot) {
            h.Fire(shot % 3);
            ASSERT_TRUE(h.Running()) << shot;
        }
        h.Fire(2);
        EXPECT_TRUE(h.run.Idle());
        const RunState& run = h.state.run;
        EXPECT_EQ(run.ShotCount[0] + run.ShotCount[1] + run.ShotCount[2], 10u);
        EXPECT_EQ(run.ShotCount[2], 4u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_GT(run.ShootTime[i], 0.0F) << "each lane keeps a shooting time";
        }
        EXPECT_EQ(h.sound.calls.back().wav, QByteArray("end"));
        EXPECT_TRUE(h.view.IsEnabled(ViewButton::Save));
        EXPECT_EQ(h.state.Port, nullptr);
    }
    // One lane with ten of its own ends it at once.
    {
        FiveLaneHarness h(3);
        h.state.settings.TargetsChange = 1;
        h.StartSeries();
        for (int shot = 0; shot < 9; ++shot) {
            h.Fire(1);
        }
        EXPECT_TRUE(h.Running());
        h.Fire(1);
        EXPECT_TRUE(h.run.Idle());
        EXPECT_EQ(h.state.run.ShotCount[1], 10u);
        EXPECT_EQ(h.state.run.ShotCount[0], 0u);
    }
    // Absent lanes take no part: lanes 0 and 4 share three shots.
    {
        FiveLaneHarness h(3);
        h.state.settings.TargetsChange = 1;
        h.state.settings.ShootsNumber = 3;
        h.state.LanePresent[1] = 0;
        h.state.LanePresent[2] = 0;
        h.state.LanePresent[4] = 1;
        h.StartSeries();
        h.Fire(4);
        h.Fire(0);
        EXPECT_TRUE(h.Running());
        h.Fire(4);
        EXPECT_TRUE(h.run.Idle());
    }
    // Its time running out ends it for every lane.
    {
        FiveLaneHarness h(3);
        h.state.settings.TargetsChange = 1;
        h.state.settings.Time = 5;
        h.StartSeries();
        h.Fire(1);
        h.TickFor(4500, 50);
        EXPECT_TRUE(h.Running());
        h.TickFor(1000, 50);
        EXPECT_TRUE(h.run.Idle());
        EXPECT_FLOAT_EQ(h.state.run.ShootTime[0], 5.0F);
        EXPECT_EQ(h.state.run.ShotCount[1], 1u);
    }
}

TEST(MultiShooterRun, FireTransferTimesTheLanesWhenTheSeriesEndsNotAfterItsLastSound) {
    FiveLaneHarness h(3);
    h.state.settings.TargetsChange = 1;
    h.state.settings.ShootsNumber = 3;
    h.StartSeries();
    h.Fire(0);
    h.Fire(1);
    h.model.Lane(1).triggers.Pull();
    for (int i = 0; i < 100 && h.RunPhase() != Phase::LastShotSound; ++i) {
        h.TickFor(10);
    }
    ASSERT_EQ(h.RunPhase(), Phase::LastShotSound);
    h.TickFor(1500); // the third shot in all is heard out
    h.sound.FinishPlayback();
    h.TickFor(50);
    ASSERT_TRUE(h.run.Idle());
    const RunState& run = h.state.run;
    const float end = static_cast<float>(run.ShotMs[1].back()) * 0.001F;
    EXPECT_NEAR(run.ShootTime[1], end, 0.001F);
    EXPECT_NEAR(run.ShootTime[0], end, 0.001F);
    EXPECT_EQ(run.ShootTime[2], 0.0F) << "lane 2 fired none";
}

TEST(MultiShooterRun, WithoutFireTransferEveryLaneNeedsItsOwnShots) {
    FiveLaneHarness h(3);
    h.state.settings.ShootsNumber = 10;
    h.StartSeries();
    for (int shot = 0; shot < 10; ++shot) {
        h.Fire(0);
    }
    const RunState& run = h.state.run;
    EXPECT_TRUE(h.Running());
    EXPECT_EQ(run.LaneActive[0], 0) << "a lane that is done shoots no more";
    EXPECT_GT(run.ShootTime[0], 0.0F);
    h.Fire(0);
    EXPECT_EQ(run.ShotCount[0], 10u);
    for (int shot = 0; shot < 10; ++shot) {
        h.Fire(1);
    }
    EXPECT_TRUE(h.Running());
    for (int shot = 0; shot < 9; ++shot) {
        h.Fire(2);
    }
    EXPECT_TRUE(h.Running());
    h.Fire(2);
    EXPECT_TRUE(h.run.Idle());
    EXPECT_EQ(run.ShotCount[1], 10u);
    EXPECT_EQ(run.ShotCount[2], 10u);
    EXPECT_EQ(run.ShotPos[0].size(), 10u) << "the done lane's shots stay";
}

TEST(MultiShooterRun, ClocksStandWhileTheSelectedLaneIsDone) {
    FiveLaneHarness h(3);
    h.state.settings.ShootsNumber = 3;
    h.state.settings.Time = 20;
    h.StartSeries();
    const std::uint32_t start = h.state.run.StartTick[0];
    h.Fire(1);
    h.Fire(0);
    h.Fire(0);
    h.TickFor(start + 12020 - h.clock.TickCount());
    h.Fire(0, 0);
    const RunState& run = h.state.run;
    ASSERT_EQ(run.ShotCount[0], 3u);
    EXPECT_NEAR(run.ShootTime[0], 12.03F, 0.02F);
    EXPECT_EQ(h.view.Text(ViewText::TimeC),
              QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[0])));
    h.TickFor(20000, 50);
    EXPECT_TRUE(h.Running()) << "no other lane times out";
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(run.ElapsedSec[i], 12u) << i;
    }
    EXPECT_EQ(run.LaneActive[1], 1);
    EXPECT_EQ(run.LaneActive[2], 1);
    // Selecting a lane that still shoots sets the clocks going again, from the series start:
    // past the limit, so both remaining lanes are done and the series ends.
    h.run.TarClick(1);
    h.TickFor(100);
    EXPECT_TRUE(h.run.Idle());
    EXPECT_FLOAT_EQ(run.ShootTime[1], 20.0F);
    EXPECT_FLOAT_EQ(run.ShootTime[2], 20.0F);
    EXPECT_EQ(h.view.Text(ViewText::TimeC), QStringLiteral("  0 сек"));
}

TEST(MultiShooterRun, TheLastShotSoundCountsLanesThatArePresent) {
    // Without fire transfer: every present lane has its shots.
    {
        FiveLaneHarness h(2);
        h.state.settings.ShootsNumber = 2;
        h.StartSeries();
        h.Fire(0);
        h.Fire(0);
        h.Fire(1);
        EXPECT_EQ(Calls(h.sound, RecordingSound::Call::ToCompletion), 1) << "the start sound";
        h.model.Lane(1).triggers.Pull();
        h.clock.Advance(10);
        h.run.Tick();
        EXPECT_EQ(h.RunPhase(), Phase::LastShotSound);
        EXPECT_EQ(h.sound.calls.back().call, RecordingSound::Call::ToCompletion);
        EXPECT_EQ(h.sound.calls.back().wav, QByteArray("shot"));
        h.sound.FinishPlayback();
        h.TickFor(30);
        EXPECT_TRUE(h.run.Idle());
    }
    // With fire transfer the sum of the present lanes' shots.
    {
        FiveLaneHarness h(2);
        h.state.settings.TargetsChange = 1;
        h.state.settings.ShootsNumber = 3;
        h.StartSeries();
        h.Fire(0);
        h.Fire(1);
        EXPECT_EQ(Calls(h.sound, RecordingSound::Call::ToCompletion), 1);
        h.model.Lane(1).triggers.Pull();
        h.clock.Advance(10);
        h.run.Tick();
        EXPECT_EQ(h.RunPhase(), Phase::LastShotSound);
    }
    // Without sounds the selected lane beeps; other lanes play the sound, never beep.
    {
        FiveLaneHarness h(2);
        h.state.SoundAvailable = 0;
        h.StartSeries();
        const int beeps = Calls(h.sound, RecordingSound::Call::Beep);
        EXPECT_EQ(beeps, 3);
        h.Fire(0);
        EXPECT_EQ(Calls(h.sound, RecordingSound::Call::Beep), beeps + 1);
        const int async = Calls(h.sound, RecordingSound::Call::Async);
        h.Fire(1);
        EXPECT_EQ(Calls(h.sound, RecordingSound::Call::Beep), beeps + 1);
        EXPECT_EQ(Calls(h.sound, RecordingSound::Call::Async), async + 1);
    }
}

TEST(MultiShooterRun, LampScriptObeysLanesZeroToFourOnly) {
    FiveLaneHarness h;
    h.state.settings.SmartTarget = 1;
    h.state.ScriptLines = {QStringLiteral("1 7"), QStringLiteral("1 2"), QStringLiteral("4 3 2"),
                           QStringLiteral("2 2"), QStringLiteral("10")};
    h.StartSeries();
    const size_t from = h.model.Log().Entries().size();
    const RunState& run = h.state.run;
    EXPECT_EQ(run.LaneLit, (std::array<std::int32_t, kLaneCount>{}));
    EXPECT_TRUE(h.run.lamps.script.enabled);
    const std::uint32_t first = h.run.lamps.script.due;
    while (h.clock.TickCount() < first) {
        h.clock.Advance(1);
        h.run.Tick();
    }
    EXPECT_EQ(h.run.lamps.scriptPos, 1);
    EXPECT_EQ(h.run.lamps.script.interval, 20u) << "runs on with 20 ms";
    EXPECT_TRUE(h.run.lamps.script.enabled);
    EXPECT_EQ(run.LaneLit, (std::array<std::int32_t, kLaneCount>{}));
    const auto& entries = h.model.Log().Entries();
    for (size_t i = from; i < entries.size(); ++i) {
        EXPECT_FALSE(entries[i].byte >= 0x10 && entries[i].byte < 0x70) << "nothing for target 7";
    }
    h.TickFor(25, 1);
    EXPECT_EQ(run.LaneLit[2], 1);
    EXPECT_EQ(Count(h.model.Log(), 0x12, from), 5);
    EXPECT_TRUE(h.view.LampOn(2, Lamp::Steady));
    EXPECT_TRUE(h.model.Lamps().SteadyOn(2));
    // Two flashes of lane 3, each with the shot sound, the lamp off five times after each.
    h.TickFor(1200, 1);
    EXPECT_EQ(Count(h.model.Log(), 0x43, from), 2);
    EXPECT_EQ(Count(h.model.Log(), 0x33, from), 10);
    EXPECT_EQ(run.LaneLit[2], 0);
    EXPECT_FALSE(h.view.LampOn(2, Lamp::Steady));
    EXPECT_FALSE(h.run.lamps.script.enabled);
}

TEST(MultiShooterRun, EscapeInThePauseEndsTheRun) {
    FiveLaneHarness h(2);
    h.state.settings.ShootsNumber = 1;
    h.state.settings.RepeatEnabled = 1;
    h.state.settings.RepeatTime = 5;
    h.StartSeries();
    h.Fire(0, 0);
    h.Fire(1, 0);
    h.TickFor(1500);
    ASSERT_EQ(h.RunPhase(), Phase::Pause);
    EXPECT_EQ(h.view.Text(ViewText::StartCaption), QStringLiteral("До начала стрельбы 4 сек"));
    EXPECT_EQ(h.state.run.ElapsedSec[0], 1u) << "lane 0's clock entry counts the pause";
    h.keyboard.Set(Key::Escape, true);
    h.TickFor(20);
    EXPECT_EQ(h.RunPhase(), Phase::EndEscape) << "ends at once, no next series";
    h.keyboard.Set(Key::Escape, false);
    h.TickFor(20);
    EXPECT_TRUE(h.run.Idle());
    EXPECT_EQ(h.view.Text(ViewText::StartCaption), QStringLiteral("Старт"));
    EXPECT_EQ(h.state.run.ShotCount[0], 1u) << "the results stay";

    // Without Escape the next series starts after the pause, on lane 0 again.
    FiveLaneHarness again(2);
    again.state.settings.ShootsNumber = 1;
    again.state.settings.RepeatEnabled = 1;
    again.state.settings.RepeatTime = 1;
    again.StartSeries();
    again.run.TarClick(1);
    again.Fire(0, 0);
    again.Fire(1, 0);
    again.TickFor(1200);
    if (again.RunPhase() == Phase::StartSound) {
        again.sound.FinishPlayback();
        again.TickFor(10);
    }
    EXPECT_EQ(again.RunPhase(), Phase::Series);
    EXPECT_EQ(again.state.CurrentLane, 0);
    EXPECT_EQ(again.state.run.ShotCount[0], 0u);
}

TEST(MultiShooterRun, EscapeInASeriesTimesEveryActiveLane) {
    FiveLaneHarness h(3);
    h.StartSeries();
    h.Fire(1);
    h.TickFor(1000);
    h.keyboard.Set(Key::Escape, true);
    h.TickFor(10);
    EXPECT_EQ(h.RunPhase(), Phase::EndEscape);
    h.keyboard.Set(Key::Escape, false);
    h.TickFor(10);
    EXPECT_TRUE(h.run.Idle());
    const RunState& run = h.state.run;
    EXPECT_NEAR(run.ShootTime[0], 1.26F, 0.05F);
    EXPECT_FLOAT_EQ(run.ShootTime[0], run.ShootTime[2]);
    EXPECT_EQ(run.LaneActive, (std::array<std::int32_t, kLaneCount>{}));
    EXPECT_EQ(h.view.Text(ViewText::TimeC),
              QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[0])));
    // The end of the run: buttons back, all lamps off five times per lane, port closed.
    for (ViewButton b :
         {ViewButton::Start, ViewButton::Save, ViewButton::Print, ViewButton::Exit}) {
        EXPECT_TRUE(h.view.IsEnabled(b));
    }
    EXPECT_EQ(h.state.Port, nullptr);
    const auto& log = h.model.Log().Entries();
    ASSERT_GE(log.size(), 25u);
    for (size_t j = 0; j < 25; ++j) {
        EXPECT_EQ(log[log.size() - 25 + j].byte, 0x20 + j / 5) << j;
    }
}

TEST(MultiShooterRun, SeriesStartDiscardsOldTriggersAndStartsOnAPresentLane) {
    FiveLaneHarness h;
    h.state.LanePresent[0] = 0;
    h.model.Lane(3).triggers.Pull(); // left over from before the run
    h.StartSeries();
    EXPECT_EQ(h.state.CurrentLane, 1) << "lane 0 is absent";
    EXPECT_FALSE(h.model.Lane(3).triggers.Pending(h.clock.TickCount()));
    h.TickFor(500);
    EXPECT_EQ(h.state.run.ShotCount[3], 0u);
    EXPECT_GT(h.model.Lane(1).polls, 40);
    EXPECT_EQ(h.state.run.LaneActive[0], 0);
    h.Fire(0);
    EXPECT_EQ(h.state.run.ShotCount[0], 0u);
}

TEST(MultiShooterRun, APullSinceStartIsTheFirstShotAReportFromBeforeIsNone) {
    {
        FiveLaneHarness h(2);
        h.model.Lane(0).triggers.Pull(); // standing on the device since the last series
        h.model.Lane(1).triggers.Pull();
        h.StartSeries();
        h.TickFor(300);
        EXPECT_EQ(h.state.run.ShotCount[0], 0u);
        EXPECT_EQ(h.state.run.ShotCount[1], 0u);
    }
    FiveLaneHarness h(2);
    h.state.settings.ShootsNumber = 1;
    h.state.settings.RepeatEnabled = 1;
    h.state.settings.RepeatTime = 1;
    // The first shots of the selected lane 0 and of lane 1 after the start sound, pulled
    // during it when `pull`.
    auto firstShots = [&h](bool pull) {
        ASSERT_EQ(h.RunPhase(), Phase::StartSound);
        h.clock.Advance(300);
        if (pull) {
            h.model.Lane(0).triggers.Pull();
            h.model.Lane(1).triggers.Pull();
        }
        h.clock.Advance(200);
        h.sound.FinishPlayback();
        for (int i = 0; i < 20 && h.state.run.ShotCount[1] == 0; ++i) {
            h.TickFor(10);
        }
        for (size_t lane = 0; lane < 2; ++lane) {
            ASSERT_EQ(h.state.run.ShotCount[lane], 1u) << lane;
            EXPECT_LE(h.state.run.ShotMs[lane][0], 10u) << "the first pass, at the start";
        }
        h.sound.FinishPlayback();
        h.TickFor(10);
    };
    h.run.FormActivate();
    h.run.StartClick();
    h.TickFor(10);
    firstShots(true);
    ASSERT_EQ(h.RunPhase(), Phase::Pause);
    h.TickFor(300);
    h.model.Lane(0).triggers.Pull(); // in the countdown
    h.model.Lane(1).triggers.Pull();
    h.TickWhile(Phase::Pause);
    ASSERT_EQ(h.state.run.ShotCount[0], 0u) << "the next series has begun";
    firstShots(false);
}

TEST(MultiShooterRun, ALaneStopsAtAThousandShots) {
    FiveLaneHarness h(2);
    h.state.settings.ShootsNumber = 1000;
    h.StartSeries();
    RunState& run = h.state.run;
    for (size_t lane : {0u, 1u}) {
        run.ShotCount[lane] = 999;
        run.ShotPos[lane].resize(999);
    }
    h.Fire(0);
    h.Fire(1);
    ASSERT_EQ(run.ShotCount[0], 1000u);
    ASSERT_EQ(run.ShotCount[1], 1000u);
    EXPECT_TRUE(h.run.Idle());
    // A further shot of either kind after the cap changes nothing.
    FiveLaneHarness more(2);
    more.state.settings.ShootsNumber = 1000;
    more.state.settings.TargetsChange = 1;
    more.StartSeries();
    more.state.run.ShotCount[1] = 1000;
    more.state.run.ShotPos[1].resize(1000);
    more.state.run.ShotCount[0] = 1000;
    more.state.run.ShotPos[0].resize(1000);
    more.model.Lane(0).triggers.Pull();
    more.model.Lane(1).triggers.Pull();
    more.clock.Advance(1);
    more.run.Tick();
    EXPECT_EQ(more.state.run.ShotPos[0].size(), 1000u);
    EXPECT_EQ(more.state.run.ShotPos[1].size(), 1000u);
    EXPECT_EQ(more.state.Device.Trigger[1], 0);
}

TEST(MultiShooterRun, NewTargetOpensANeverOpenedPortWithTheRunsSettings) {
    FiveLaneHarness h;
    h.state.PortEverOpened = false;
    h.run.FormActivate();
    h.run.TarClick(2);
    EXPECT_EQ(h.ports.opened, 1);
    ASSERT_NE(h.state.Port, nullptr);
    EXPECT_TRUE(h.state.Port->IsOpen());
    h.run.TarClick(3);
    EXPECT_EQ(h.ports.opened, 1) << "only when none was ever obtained";
}

TEST(MultiShooterRun, SaveAndPrintHandTheSelectedLaneToTheDialog) {
    FiveLaneHarness h(3);
    h.state.settings.ShootsNumber = 1;
    h.StartSeries();
    h.run.SaveClick();
    h.run.ExitClick();
    EXPECT_TRUE(h.view.activated.isEmpty()) << "not during a run";
    h.Fire(2);
    h.Fire(1);
    h.Fire(0);
    ASSERT_TRUE(h.run.Idle());
    h.run.TarClick(2);
    h.run.SaveClick();
    EXPECT_EQ(h.state.ResultSource, 5);
    EXPECT_EQ(h.state.SaveDialogMode, 0);
    EXPECT_EQ(h.state.CurrentLane, 2);
    h.run.PrintClick();
    EXPECT_EQ(h.state.SaveDialogMode, 1);
    h.run.ExitClick();
    EXPECT_EQ(h.view.activated,
              (QStringList{QStringLiteral("TSave_Print"), QStringLiteral("TSave_Print"),
                           QStringLiteral("TMainForm2")}));
    // Back from the dialog: every lane's holes on its small target, the selected lane's on
    // the large one.
    h.view.target.SetBrush(kButtonFace, BrushStyle::Solid);
    h.view.target.FillRect(0, 0, 421, 421);
    h.run.FormActivate();
    EXPECT_EQ(h.state.CurrentLane, 2);
    EXPECT_GT(PixelsNear(h.view.target, 0.0F, 0.0F, 6, kRed), 0);
    for (int lane = 0; lane < 3; ++lane) {
        EXPECT_GT(PixelsNear(*h.view.small[static_cast<size_t>(lane)], 0.0F, 0.0F, 3, kGray), 0)
            << lane;
    }
    EXPECT_EQ(h.view.lampColors[std::make_pair(4, Lamp::Steady)], kYellow);
    EXPECT_EQ(h.view.lampColors[std::make_pair(4, Lamp::Flash)], kRed);
}

TEST(MultiShooterRun, StatusLineTellsTheTotalsAndASilentDevice) {
    FiveLaneHarness h(2);
    h.state.settings.ShootsNumber = 1;
    h.StartSeries();
    h.TickFor(100);
    EXPECT_FALSE(h.run.status.Silent());
    h.model.GetFaults().Set(sim::Fault::Silence);
    h.TickFor(700, 50);
    EXPECT_TRUE(h.run.status.Silent());
    EXPECT_EQ(h.run.status.Text(), NoAnswerText());
    h.model.GetFaults().Clear();
    h.TickFor(50);
    EXPECT_FALSE(h.run.status.Silent());
    h.Fire(1);
    h.Fire(0);
    ASSERT_TRUE(h.run.Idle());
    const std::array<LaneTotal, 2> totals = {LaneTotal{1, 1, h.state.run.ScoreSum[0]},
                                             LaneTotal{2, 1, h.state.run.ScoreSum[1]}};
    EXPECT_EQ(h.run.status.Text(),
              SeriesEndedText(totals) + QStringLiteral(". Результат не записан"));
    h.run.SaveClick();
    h.state.SaveCount = 1;
    h.state.LastSavedFile = QStringLiteral("Archive/x.txt");
    h.run.FormActivate();
    EXPECT_EQ(h.run.status.Text(), QStringLiteral("Записано: Archive/x.txt"));
}

TEST(MultiShooterRun, ADarkShotHidesTheMissAndTheTimeLabelIsTheSelectedLanes) {
    FiveLaneHarness h(2);
    h.state.settings.ShootsNumber = 2;
    h.state.settings.SmartTarget = 1;
    // Lane 0 lit for its first second.
    h.state.ScriptLines = {QStringLiteral("1 0"), QStringLiteral("3 1"), QStringLiteral("2 0"),
                           QStringLiteral("10")};
    h.Aim(0, 5000, 0); // 125 units: off the target
    h.StartSeries();
    h.TickFor(200);
    h.Fire(0);
    ASSERT_EQ(h.state.run.LastScore[0], kScoreMiss);
    ASSERT_TRUE(h.view.Visible(ViewItem::Fail));
    h.TickFor(1000);
    h.Fire(0);
    ASSERT_EQ(h.state.run.LastScore[0], kScoreDark);
    EXPECT_FALSE(h.view.Visible(ViewItem::Fail));
    EXPECT_FALSE(h.view.Visible(ViewItem::FailArrow));
    EXPECT_TRUE(h.view.Visible(ViewItem::ImageActive));

    // Lane 0 is done, lane 1 still shoots: its clock, not lane 0's shooting time.
    const RunState& run = h.state.run;
    h.run.TarClick(1);
    EXPECT_EQ(h.view.Text(ViewText::TimeC), QString::asprintf("%3u сек", run.ElapsedSec[1]));
    h.Fire(1);
    h.keyboard.Set(Key::Escape, true);
    h.TickFor(20);
    h.keyboard.Set(Key::Escape, false);
    h.TickFor(50);
    ASSERT_TRUE(h.run.Idle());
    ASSERT_NE(run.ShootTime[0], run.ShootTime[1]);
    // Back from the save dialog, with the other lane selected.
    h.run.SaveClick();
    h.run.FormActivate();
    h.run.TarClick(0);
    EXPECT_EQ(h.view.Text(ViewText::TimeC),
              QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[0])));
}

TEST(MultiShooterRun, ALaneThatIsDoneStopsAimingOnTheLargeTarget) {
    FiveLaneHarness h(2);
    h.state.settings.ShootsNumber = 2;
    h.state.settings.TimeTrace = 20;
    h.state.TraceLength = 20;
    // Dark targets: no hole and no frozen trace on the large target.
    h.state.settings.SmartTarget = 1;
    h.model.Lane(0).aim = std::make_unique<sim::NoiseAim>(sim::Signal{0, 0}, 300, 4);
    h.StartSeries();
    const QImage blank = h.view.target.Image().copy();
    h.TickFor(300);
    h.Fire(0);
    h.Fire(0, 0);
    ASSERT_EQ(h.state.run.ShotCount[0], 2u);
    ASSERT_TRUE(h.Running());
    EXPECT_FALSE(h.view.Visible(ViewItem::Gun2));
    EXPECT_EQ(h.view.target.Image(), blank) << "its live trace is erased";

    // The end of the run takes the selected lane's aim off, edge arrow with it.
    h.run.TarClick(1);
    h.Aim(1, 4400, 0);
    h.TickFor(100);
    ASSERT_TRUE(h.view.Visible(ViewItem::RightArrow));
    h.keyboard.Set(Key::Escape, true);
    h.TickFor(20);
    h.keyboard.Set(Key::Escape, false);
    h.TickFor(50);
    ASSERT_TRUE(h.run.Idle());
    EXPECT_FALSE(h.view.Visible(ViewItem::RightArrow));
    EXPECT_FALSE(h.view.Visible(ViewItem::Gun2));
}

TEST(MultiShooterRun, DrawingTheLanesLeavesTheirRunStateAlone) {
    FiveLaneHarness h(2);
    h.state.settings.ShootsNumber = 1;
    h.StartSeries();
    h.Fire(0);
    ASSERT_EQ(h.state.run.LaneActive[0], 0) << "lane 0 has fired its shot";
    ASSERT_TRUE(h.Running());
    h.run.RedrawButtons(false);
    EXPECT_EQ(h.state.run.LaneActive[0], 0);
    h.Fire(0);
    EXPECT_EQ(h.state.run.ShotCount[0], 1u) << "a lane that is done takes no more shots";
}

TEST(MultiShooterRun, ALastShotHeardOutIsNotCutShortByABeepInTheSamePass) {
    // Fire transfer, one shot: lane 0's shot ends the series and its sound is played to the
    // end; the selected lane 1 fires in the same pass with sounds off and only beeps.
    FiveLaneHarness h(2);
    h.state.settings.TargetsChange = 1;
    h.state.settings.ShootsNumber = 1;
    h.state.SoundAvailable = 0;
    h.StartSeries();
    h.run.TarClick(1);
    h.TickFor(100);
    h.model.Lane(0).triggers.Pull();
    h.model.Lane(1).triggers.Pull();
    for (int i = 0; i < 50 && h.state.run.ShotCount[1] == 0; ++i) {
        h.clock.Advance(10);
        h.run.Tick();
    }
    ASSERT_EQ(h.state.run.ShotCount[0], 1u);
    ASSERT_EQ(h.state.run.ShotCount[1], 1u);
    EXPECT_EQ(h.RunPhase(), Phase::LastShotSound);
    h.clock.Advance(10);
    h.run.Tick();
    EXPECT_EQ(h.RunPhase(), Phase::LastShotSound);
    h.sound.FinishPlayback();
    h.run.Tick();
    EXPECT_EQ(h.RunPhase(), Phase::EndEscape);
}

TEST(MultiShooterRun, TheRangeScreenHearsOfShotsAndDispatchPointsOnly) {
    FiveLaneHarness h(3);
    h.state.settings.NumReps = 4; // a dispatch point every fifth pass
    h.state.LaneShooter[1] = QStringLiteral("Сидоров");
    RangeScreenModel& screen = h.state.RangeScreen;
    h.Aim(1, 2000, -1200);
    h.StartSeries();
    ASSERT_EQ(h.RunPhase(), Phase::Series);
    h.TickFor(200);
    EXPECT_EQ(screen.Reports(), 0u) << "closed, the run's reports do no work";

    screen.SetOpen(true);
    const std::uint64_t passes = h.run.Passes();
    h.TickFor(400);
    const std::uint64_t ran = h.run.Passes() - passes;
    ASSERT_GE(ran, 20u);
    EXPECT_LE(screen.Reports(), ran / 5 + 1) << "reported at dispatch points, not per pass";
    EXPECT_GE(screen.Reports(), ran / 5 - 1);
    EXPECT_TRUE(screen.Lane(2).shown);
    EXPECT_FALSE(screen.Lane(3).shown) << "absent";
    EXPECT_EQ(screen.Lane(1).shooter, QStringLiteral("Сидоров"));

    const std::uint64_t before = screen.Changes();
    const std::uint64_t reports = screen.Reports();
    h.model.Lane(1).triggers.Pull();
    for (int i = 0; i < 100 && h.state.run.ShotCount[1] == 0; ++i) {
        h.clock.Advance(10);
        h.run.Tick();
    }
    ASSERT_EQ(h.state.run.ShotCount[1], 1u);
    EXPECT_GT(screen.Changes(), before) << "the shot shows at once";
    EXPECT_GT(screen.Reports(), reports);
    EXPECT_EQ(screen.Lane(1).shots, 1u);
    EXPECT_EQ(screen.Lane(1).planned, 10u);
    EXPECT_EQ(screen.Lane(1).sum, h.state.run.ScoreSum[1]);
    ASSERT_EQ(screen.Lane(1).holes.size(), 1u);
    EXPECT_NEAR(screen.Lane(1).holes[0].x, 50.0F, 1.0F);
    EXPECT_NEAR(screen.Lane(1).holes[0].y, -30.0F, 1.0F);
}
