#include "HolePixels.h"
#include "TwoShooterHarness.h"

#include "calibration/Calibration.h"
#include "exercise/CourseRun.h"
#include "targets/Marks.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace ryvo;
using Phase = RunSequence::Phase;
using test::TwoHarness;

namespace {

std::vector<std::uint8_t> BytesFrom(const sim::ByteLog& log, size_t from) {
    std::vector<std::uint8_t> out;
    const auto& entries = log.Entries();
    for (size_t i = from; i < entries.size(); ++i) {
        out.push_back(entries[i].byte);
    }
    return out;
}

long CountOf(const std::vector<std::uint8_t>& bytes, std::uint8_t b) {
    return std::count(bytes.begin(), bytes.end(), b);
}

int Calls(const RecordingSound& sound, RecordingSound::Call call) {
    return static_cast<int>(std::count_if(sound.calls.begin(), sound.calls.end(),
                                          [call](const auto& r) { return r.call == call; }));
}

} // namespace

TEST(TwoShooterRun, PollsAlternateLanesAndTakeOnlyTheirOwnFrames) {
    TwoHarness h;
    h.Aim(0, 1000, 0);
    h.Aim(1, -1000, 0);
    h.StartSeries();
    ASSERT_EQ(h.run->RunPhase(), Phase::Series);
    const size_t mark = h.model.Log().Entries().size();
    const std::uint64_t passes = h.run->Passes();
    h.TickFor(200);
    std::vector<std::uint8_t> polls;
    for (std::uint8_t b : BytesFrom(h.model.Log(), mark)) {
        if (b >= 0x70 && b < 0x78) {
            polls.push_back(b);
        }
    }
    ASSERT_EQ(polls.size(), 40u) << "two polls in every pass";
    for (size_t i = 0; i < polls.size(); ++i) {
        EXPECT_EQ(polls[i], i % 2 == 0 ? 0x70 : 0x71) << i;
    }
    EXPECT_EQ(h.run->Passes() - passes, 20u);
    EXPECT_NEAR(h.state.run.AimX[0], 25.0F, 0.01F);
    EXPECT_NEAR(h.state.run.AimX[1], -25.0F, 0.01F);

    // Lane 1 now answers with the header of another lane: its values stay as they were while
    // lane 0 follows its new aim.
    h.model.GetFaults().Set(sim::Fault::WrongLane, 1);
    h.Aim(0, 2000, 0);
    h.Aim(1, 2000, 0);
    h.TickFor(300);
    EXPECT_NEAR(h.state.run.AimX[0], 50.0F, 0.01F);
    EXPECT_NEAR(h.state.run.AimX[1], -25.0F, 0.01F);
}

TEST(TwoShooterRun, OnePullIsOneShotOnEachLane) {
    TwoHarness h(5);
    h.StartSeries();
    const size_t mark = h.model.Log().Entries().size();
    h.model.Lane(0).triggers.Pull();
    h.model.Lane(1).triggers.Pull();
    // Many lock-out periods: an unacknowledged report would be counted again after each.
    h.TickFor(3000);
    EXPECT_EQ(h.state.run.ShotCount[0], 1u);
    EXPECT_EQ(h.state.run.ShotCount[1], 1u);
    const auto bytes = BytesFrom(h.model.Log(), mark);
    EXPECT_EQ(CountOf(bytes, 0x80), 1);
    EXPECT_EQ(CountOf(bytes, 0x81), 1);
    // The acknowledge follows the poll whose frame carried the trigger.
    const auto ack = std::find(bytes.begin(), bytes.end(), 0x80);
    ASSERT_NE(ack, bytes.begin());
    EXPECT_EQ(*(ack - 1), 0x70);
    EXPECT_EQ(h.Panel(0).Text(ViewText::Num), QStringLiteral("1"));
    EXPECT_EQ(h.Panel(1).Text(ViewText::Num), QStringLiteral("1"));
}

TEST(TwoShooterRun, TimeLimitZeroCountsUpAndFiveStopsTheLanes) {
    {
        TwoHarness h;
        h.StartSeries();
        EXPECT_EQ(h.Panel(0).Text(ViewText::TimeC), QStringLiteral("  0 сек"));
        h.TickFor(3500);
        EXPECT_EQ(h.Panel(0).Text(ViewText::TimeC), QStringLiteral("  3 сек"));
        EXPECT_EQ(h.Panel(1).Text(ViewText::TimeC), QStringLiteral("  3 сек"));
        h.TickFor(60000, 50);
        EXPECT_EQ(h.run->RunPhase(), Phase::Series) << "no lane is stopped by time";
        EXPECT_EQ(h.state.run.LaneActive[0], 1);
        EXPECT_EQ(h.Panel(0).Text(ViewText::TimeC), QStringLiteral(" 63 сек"));
    }
    {
        TwoHarness h;
        h.state.settings.Time = 5;
        h.StartSeries();
        EXPECT_EQ(h.Panel(1).Text(ViewText::TimeC), QStringLiteral("  5 сек"));
        h.ShootAt(0, 0, 0);
        h.TickFor(1000);
        EXPECT_EQ(h.Panel(0).Text(ViewText::TimeC), QStringLiteral("  4 сек"));
        while (h.state.run.LaneActive[0] == 1 && h.clock.TickCount() < 30000) {
            h.Tick();
        }
        const std::uint32_t stopped = h.clock.TickCount() - h.state.run.StartTick[0];
        // The tick that stops the lanes also turns the lamps off, 25 pauses of 2 ms.
        EXPECT_GE(stopped, 5000u);
        EXPECT_LE(stopped, 5010u + 50u);
        EXPECT_EQ(h.Panel(0).Text(ViewText::TimeC), QStringLiteral("  0 сек"));
        EXPECT_EQ(h.Panel(1).Text(ViewText::TimeC), QStringLiteral("  0 сек"));
        EXPECT_FLOAT_EQ(h.state.run.ShootTime[0], 5.0F);
        EXPECT_FLOAT_EQ(h.state.run.ShootTime[1], 5.0F);
        // Both lanes out of time: the series and the run are over.
        h.TickFor(100);
        EXPECT_TRUE(h.run->Idle());
        EXPECT_EQ(h.state.run.ShotCount[0], 1u);
    }
}

TEST(TwoShooterRun, FireTransferEndsOnTheSharedCountWithoutItEachLaneFiresItsOwn) {
    {
        TwoHarness h(10);
        h.state.settings.TargetsChange = 1;
        h.StartSeries();
        for (int shot = 0; shot < 9; ++shot) {
            h.ShootAt(shot % 3 == 0 ? 1 : 0, 0, 0, 250);
        }
        EXPECT_EQ(h.state.run.ShotCount[0] + h.state.run.ShotCount[1], 9u);
        EXPECT_EQ(h.run->RunPhase(), Phase::Series);
        EXPECT_EQ(Calls(h.sound, RecordingSound::Call::ToCompletion), 1) << "start sound only";
        h.ShootAt(0, 0, 0, 250);
        EXPECT_EQ(h.state.run.ShotCount[0], 7u);
        EXPECT_EQ(h.state.run.ShotCount[1], 3u);
        // The tenth shot in all is heard to its end, then the series is over.
        EXPECT_EQ(Calls(h.sound, RecordingSound::Call::ToCompletion), 2);
        h.TickFor(100);
        EXPECT_TRUE(h.run->Idle());
        // Neither lane fired the whole count, yet both have a shooting time for their record.
        EXPECT_GT(h.state.run.ShootTime[0], 2.0F);
        EXPECT_FLOAT_EQ(h.state.run.ShootTime[0], h.state.run.ShootTime[1]);
    }
    {
        TwoHarness h(10);
        h.StartSeries();
        for (int shot = 0; shot < 10; ++shot) {
            h.ShootAt(0, 0, 0, 250);
        }
        EXPECT_EQ(h.state.run.ShotCount[0], 10u);
        EXPECT_EQ(h.state.run.LaneActive[0], 0) << "lane 0 is done";
        EXPECT_EQ(h.run->RunPhase(), Phase::Series);
        // Lane 0 no longer takes shots; lane 1 still needs its ten.
        h.ShootAt(0, 0, 0, 250);
        EXPECT_EQ(h.state.run.ShotCount[0], 10u);
        for (int shot = 0; shot < 10; ++shot) {
            h.ShootAt(1, 0, 0, 250);
        }
        EXPECT_EQ(h.state.run.ShotCount[1], 10u);
        h.TickFor(100);
        EXPECT_TRUE(h.run->Idle());
        EXPECT_EQ(h.state.run.ScoreSum[1], 100);
    }
}

TEST(TwoShooterRun, FireTransferTimesTheLanesWhenTheSeriesEndsNotAfterItsLastSound) {
    {
        TwoHarness h(3);
        h.state.settings.TargetsChange = 1;
        h.StartSeries();
        h.ShootAt(0, 0, 0, 250);
        h.ShootAt(0, 0, 0, 250);
        h.TickFor(250);
        h.model.Lane(1).triggers.Pull();
        for (int i = 0; i < 100 && h.run->RunPhase() != Phase::LastShotSound; ++i) {
            h.Tick();
        }
        ASSERT_EQ(h.run->RunPhase(), Phase::LastShotSound);
        h.TickFor(1500); // the third shot in all is heard out
        h.FinishShotSound();
        h.TickFor(50);
        ASSERT_TRUE(h.run->Idle());
        const float end = static_cast<float>(h.state.run.ShotMs[1].back()) * 0.001F;
        EXPECT_NEAR(h.state.run.ShootTime[1], end, 0.001F);
        EXPECT_NEAR(h.state.run.ShootTime[0], end, 0.001F);
    }
    {
        TwoHarness h(2);
        h.state.settings.TargetsChange = 1;
        h.StartSeries();
        h.ShootAt(0, 0, 0, 250);
        h.ShootAt(0, 0, 0, 250);
        h.TickFor(50);
        ASSERT_TRUE(h.run->Idle());
        EXPECT_GT(h.state.run.ShootTime[0], 0.0F);
        EXPECT_EQ(h.state.run.ShootTime[1], 0.0F) << "shooter 2 fired none";
    }
}

TEST(TwoShooterRun, APullSinceStartIsTheFirstShotAReportFromBeforeIsNone) {
    {
        TwoHarness h;
        h.model.Lane(0).triggers.Pull(); // standing on the device since the last series
        h.model.Lane(1).triggers.Pull();
        h.StartSeries();
        h.TickFor(300);
        EXPECT_EQ(h.state.run.ShotCount[0], 0u);
        EXPECT_EQ(h.state.run.ShotCount[1], 0u);
    }
    TwoHarness h(1);
    h.state.settings.RepeatEnabled = 1;
    h.state.settings.RepeatTime = 1;
    // Both shooters' first shots after the start sound, pulled during it when `pull`.
    auto firstShots = [&h](bool pull) {
        ASSERT_EQ(h.run->RunPhase(), Phase::StartSound);
        h.clock.Advance(300);
        if (pull) {
            h.model.Lane(0).triggers.Pull();
            h.model.Lane(1).triggers.Pull();
        }
        h.clock.Advance(200);
        h.sound.FinishPlayback();
        for (int i = 0; i < 20 && h.state.run.ShotCount[1] == 0; ++i) {
            h.Tick();
        }
        for (size_t lane = 0; lane < 2; ++lane) {
            ASSERT_EQ(h.state.run.ShotCount[lane], 1u) << lane;
            EXPECT_LE(h.state.run.ShotMs[lane][0], 10u) << "the first pass, at the start";
        }
        h.FinishShotSound();
    };
    h.run->FormActivate();
    h.run->StartClick();
    h.Tick();
    firstShots(true);
    ASSERT_EQ(h.run->RunPhase(), Phase::Pause);
    h.TickFor(300);
    h.model.Lane(0).triggers.Pull(); // in the countdown
    h.model.Lane(1).triggers.Pull();
    while (h.run->RunPhase() == Phase::Pause) {
        h.Tick();
    }
    ASSERT_EQ(h.state.run.ShotCount[0], 0u) << "the next series has begun";
    firstShots(false);
}

TEST(TwoShooterRun, LaneWithoutSignalIsGreyedNeverPolledAndNotCounted) {
    TwoHarness h(2);
    h.state.LanePresent = {1, 0, 0, 0, 0};
    h.StartSeries();
    // Hatched grey over the whole of target 2, its border drawn with the grey pen.
    EXPECT_EQ(h.Panel(1).target.Pixel(0, 180), kGray);
    EXPECT_EQ(h.Panel(1).target.Pixel(180, 1), kGray);
    EXPECT_NE(h.Panel(0).target.Pixel(0, 180), kGray);
    h.model.Lane(1).triggers.Pull();
    h.ShootAt(0, 0, 0);
    h.ShootAt(0, 0, 0);
    h.TickFor(100);
    EXPECT_TRUE(h.run->Idle()) << "lane 0 alone completes the series";
    EXPECT_EQ(h.state.run.ShotCount[1], 0u);
    EXPECT_EQ(h.model.Log().Count(0x71), 0);
    EXPECT_EQ(h.model.Log().Count(0x81), 0);
    EXPECT_FALSE(h.view.IsEnabled(TwoButton::Save2));
    EXPECT_TRUE(h.view.IsEnabled(TwoButton::Save));
}

TEST(TwoShooterRun, NoLanePresentEndsTheRunWithoutShooting) {
    TwoHarness h;
    h.state.LanePresent = {0, 0, 0, 0, 0};
    h.run->FormActivate();
    h.run->StartClick();
    h.TickFor(50);
    EXPECT_TRUE(h.run->Idle());
    EXPECT_EQ(h.model.Log().Count(0x70) + h.model.Log().Count(0x71), 0);
    EXPECT_TRUE(h.view.IsEnabled(TwoButton::Start));
    EXPECT_TRUE(h.view.IsEnabled(TwoButton::Exit));
}

TEST(TwoShooterRun, ActiveTargetsWithLaneTwoNeverLit) {
    TwoHarness h(3);
    h.state.settings.SmartTarget = 1;
    h.state.ScriptLines = {QStringLiteral("1 0"), QStringLiteral("10")};
    h.StartSeries();
    h.TickFor(100);
    EXPECT_EQ(h.state.run.LaneLit[0], 1);
    EXPECT_EQ(h.state.run.LaneLit[1], 0);
    EXPECT_TRUE(h.view.lamps[ViewItem::Image1]);
    EXPECT_EQ(h.model.Log().Count(0x10), 5);

    const QImage before = h.Panel(1).target.Image().copy();
    for (int shot = 0; shot < 3; ++shot) {
        h.ShootAt(1, 0, 0);
        EXPECT_EQ(h.state.run.LastScore[1], kScoreDark);
        EXPECT_TRUE(h.Panel(1).Visible(ViewItem::ImageActive)) << "black on red";
        EXPECT_FALSE(h.Panel(1).Visible(ViewItem::Fail));
        EXPECT_EQ(h.Panel(1).Text(ViewText::Res), QStringLiteral("0"));
    }
    EXPECT_EQ(h.state.run.ShotPos[1][2], (ShotPoint{kDarkShotPosition, kDarkShotPosition}));
    EXPECT_EQ(h.state.run.ScoreSum[1], 0);
    EXPECT_EQ(h.Panel(1).Text(ViewText::SymE), QStringLiteral("   0"));
    // No hole, and no shot trace: the target is as it was.
    EXPECT_EQ(h.Panel(1).target.Image(), before);

    h.ShootAt(0, 0, 0);
    EXPECT_EQ(h.state.run.LastScore[0], 10);
    EXPECT_EQ(h.Panel(0).Text(ViewText::Res), QStringLiteral("10"));
    EXPECT_FALSE(h.Panel(0).Visible(ViewItem::ImageActive));
    EXPECT_EQ(h.Panel(0).target.Pixel(181, 181), kWhite) << "the hole of the lit lane";
}

TEST(TwoShooterRun, MissesOffTheTargetShowTheirArrows) {
    TwoHarness h(4);
    h.StartSeries();
    // 6000 / 4000 is 150 target units.
    h.ShootAt(0, 6000, 0);
    EXPECT_EQ(h.state.run.LastScore[0], kScoreMiss);
    EXPECT_TRUE(h.Panel(0).Visible(ViewItem::Fail));
    EXPECT_TRUE(h.Panel(0).Visible(ViewItem::FailArrow));
    EXPECT_TRUE(h.Panel(0).Visible(ViewItem::RightArrow));
    EXPECT_FALSE(h.Panel(0).Visible(ViewItem::LeftArrow));
    EXPECT_EQ(h.Panel(0).Text(ViewText::Res), QStringLiteral("0"));
    // Pointing right: (0, 0), (W, H/2), (0, H) on the 28 x 28 inner area.
    EXPECT_EQ(h.Panel(0).failArrow.Pixel(27, 14), kRed);
    EXPECT_EQ(h.Panel(0).failArrow.Pixel(1, 27), kRed);
    EXPECT_NE(h.Panel(0).failArrow.Pixel(27, 1), kRed);

    h.ShootAt(0, -6000, -6000);
    EXPECT_EQ(h.state.run.LastScore[0], kScoreMiss);
    EXPECT_TRUE(h.Panel(0).Visible(ViewItem::LeftArrow));
    EXPECT_TRUE(h.Panel(0).Visible(ViewItem::UpArrow));
    EXPECT_FALSE(h.Panel(0).Visible(ViewItem::RightArrow));
    // Top-left corner: (0, H), (0, 0), (W, 0).
    EXPECT_EQ(h.Panel(0).failArrow.Pixel(0, 20), kRed);
    EXPECT_EQ(h.Panel(0).failArrow.Pixel(20, 0), kRed);
    EXPECT_NE(h.Panel(0).failArrow.Pixel(27, 14), kRed);

    // A hit hides the miss pictures again; lane 1 never saw any of it.
    h.ShootAt(0, 0, 0);
    EXPECT_FALSE(h.Panel(0).Visible(ViewItem::Fail));
    EXPECT_FALSE(h.Panel(0).Visible(ViewItem::FailArrow));
    EXPECT_FALSE(h.Panel(1).Visible(ViewItem::Fail));
    EXPECT_EQ(h.Panel(0).Text(ViewText::SymE), QStringLiteral("  10"));
    EXPECT_EQ(h.Panel(0).Text(ViewText::AverSym), QStringLiteral(" 3.3"));
}

TEST(TwoShooterRun, TimeGunZeroMeansNoSmoothingAndBecomesOneAtTheFirstShot) {
    TwoHarness h(3);
    h.state.settings.TimeGun = 0;
    h.state.settings.TimeTrace = 50;
    h.Aim(0, 1000, -2000);
    h.StartSeries();
    EXPECT_EQ(h.state.TraceLength, 1);
    // No smoothing: the first poll already gives the whole position.
    EXPECT_FLOAT_EQ(h.state.Device.PosX[0], 0.25F);
    EXPECT_FLOAT_EQ(h.state.Device.PosY[0], -0.5F);
    // A trace of length 1 draws nothing, however the aim moves.
    const QImage empty = h.Panel(0).target.Image().copy();
    for (int pass = 0; pass < 20; ++pass) {
        h.Aim(0, 1000 + pass * 50, -2000 + pass * 30);
        h.Tick();
    }
    EXPECT_EQ(h.Panel(0).target.Image(), empty);
    EXPECT_EQ(h.state.settings.TimeGun, 0);
    h.ShootAt(0, 1000, -2000);
    EXPECT_EQ(h.state.settings.TimeGun, 1);
    EXPECT_EQ(h.run->Panel(0).TraceCount(), 1);
}

TEST(TwoShooterRun, JerkMarkerIsTakenTimePostDivTimeGunPassesBack) {
    TwoHarness h(3);
    h.state.settings.TimePost = 300;
    h.state.settings.TimeGun = 80;
    h.state.settings.FlagPostGunEnable = 1;
    h.StartSeries();
    // The aim moves every pass; the head of the history after each pass is noted.
    std::vector<TracePoint> heads;
    for (int pass = 0; pass < 30; ++pass) {
        h.Aim(0, pass * 40, -pass * 20);
        h.Tick();
        heads.push_back(TracePoint{h.state.Device.PosX[0], h.state.Device.PosY[0], 0});
    }
    h.model.Lane(0).triggers.Pull();
    h.Aim(0, 30 * 40, -30 * 20);
    h.Tick();
    heads.push_back(TracePoint{h.state.Device.PosX[0], h.state.Device.PosY[0], 0});
    ASSERT_EQ(h.state.run.ShotCount[0], 1u);
    ASSERT_TRUE(h.Panel(0).Visible(ViewItem::PostGun));
    // 300 div 80 = 3: the sample three passes before the shot's.
    const TracePoint& p = heads[heads.size() - 1 - 3];
    const TargetPoint jerk = ToTarget(h.state.settings, 0, p.x, p.y);
    EXPECT_EQ(h.Panel(0).places[ViewItem::PostGun],
              MarkerCorner(static_cast<float>(363 * 0.005), jerk.x, jerk.y, QSize(20, 21)));
    const TracePoint& q = heads[heads.size() - 1 - 2];
    const TargetPoint other = ToTarget(h.state.settings, 0, q.x, q.y);
    EXPECT_NE(h.Panel(0).places[ViewItem::PostGun],
              MarkerCorner(static_cast<float>(363 * 0.005), other.x, other.y, QSize(20, 21)));
}

TEST(TwoShooterRun, EscapeWithRepeatEndsTheRunAfterThatSeries) {
    TwoHarness h(2);
    h.state.settings.RepeatEnabled = 1;
    h.state.settings.RepeatTime = 3;
    h.StartSeries();
    h.ShootAt(0, 0, 0);
    h.keyboard.Set(Key::Escape, true);
    h.Tick();
    h.TickFor(500);
    EXPECT_EQ(h.run->RunPhase(), Phase::EndEscape) << "the release of Escape is awaited";
    EXPECT_FALSE(h.view.IsEnabled(TwoButton::Start));
    const float shootTime = h.state.run.ShootTime[0];
    EXPECT_GT(shootTime, 0.0F);
    EXPECT_FLOAT_EQ(h.state.run.ShootTime[1], shootTime);
    h.keyboard.Set(Key::Escape, false);
    h.Tick();
    EXPECT_TRUE(h.run->Idle());
    EXPECT_EQ(h.view.captions.back(), QStringLiteral("Начало стрельбы"));
    EXPECT_TRUE(h.view.IsEnabled(TwoButton::Start));
    EXPECT_TRUE(h.view.IsEnabled(TwoButton::Save));
    EXPECT_TRUE(h.view.IsEnabled(TwoButton::Print));
    EXPECT_FALSE(h.view.IsEnabled(TwoButton::Save2));
    EXPECT_EQ(h.view.focus, 1);
    EXPECT_EQ(h.state.Port, nullptr) << "the port is closed";
}

TEST(TwoShooterRun, PauseBetweenSeriesIsAPhaseThatIgnoresStartAndEscape) {
    TwoHarness h(1);
    h.state.settings.RepeatEnabled = 1;
    h.state.settings.RepeatTime = 3;
    h.StartSeries();
    h.ShootAt(0, 0, 0);
    h.ShootAt(1, 0, 0);
    h.Tick();
    ASSERT_EQ(h.run->RunPhase(), Phase::Pause);
    // Every tick returns to the event loop; the countdown goes on the start button.
    h.TickFor(1200);
    EXPECT_EQ(h.view.captions.back(), QStringLiteral("Cтрельба через 2 сек"));
    EXPECT_EQ(h.view.captions.back()[0], QChar('C')) << "Latin C";
    EXPECT_EQ(h.state.run.ElapsedSec[0], 1u);
    EXPECT_FALSE(h.view.IsEnabled(TwoButton::Start));
    h.run->StartClick();
    EXPECT_EQ(h.run->RunPhase(), Phase::Pause);
    h.keyboard.Set(Key::Escape, true);
    h.TickFor(1000);
    h.keyboard.Set(Key::Escape, false);
    EXPECT_EQ(h.view.captions.back(), QStringLiteral("Cтрельба через 1 сек"));
    h.TickFor(1000);
    if (h.run->RunPhase() == Phase::StartSound) {
        h.sound.FinishPlayback();
        h.Tick();
    }
    EXPECT_EQ(h.run->RunPhase(), Phase::Series) << "Escape is not read during the pause";
    EXPECT_EQ(h.state.run.ShotCount[0], 0u);
    EXPECT_EQ(h.Panel(0).Text(ViewText::FirstTime), QStringLiteral("0 cек"));
}

TEST(TwoShooterRun, LaneStopsRegisteringAtAThousandShots) {
    TwoHarness h(1500);
    h.state.settings.TargetsChange = 1;
    h.state.LanePresent = {1, 0, 0, 0, 0};
    h.state.settings.EnableTrace = 0;
    h.sound.available = false;
    h.StartSeries();
    for (int shot = 0; shot < 1000 && !h.run->Idle(); ++shot) {
        // A pull during the lock-out is acknowledged and lost, so wait it out.
        while (h.state.run.ShotLockout[0] != 0) {
            h.Tick();
        }
        h.model.Lane(0).triggers.Pull();
        const auto before = h.state.run.ShotCount[0];
        for (int i = 0; i < 40 && h.state.run.ShotCount[0] == before; ++i) {
            h.Tick();
        }
    }
    EXPECT_EQ(h.state.run.ShotCount[0], 1000u);
    h.model.Lane(0).triggers.Pull();
    h.TickFor(500);
    EXPECT_EQ(h.state.run.ShotCount[0], 1000u);
    EXPECT_EQ(h.state.run.ShotPos[0].size(), 1000u);
    EXPECT_TRUE(h.run->Idle()) << "nobody can shoot any more";
}

TEST(TwoShooterRun, SaveAndPrintPresetTheShooterOfTheirLane) {
    TwoHarness h(1);
    h.StartSeries();
    h.ShootAt(0, 0, 0);
    h.ShootAt(1, 1000, 0);
    h.TickFor(100);
    ASSERT_TRUE(h.run->Idle());
    const QImage holes = h.Panel(1).target.Image().copy();

    h.run->Save2Click();
    EXPECT_EQ(h.view.activated.back(), QStringLiteral("TSave_Print"));
    EXPECT_EQ(h.state.SaveDialogMode, 0);
    EXPECT_EQ(h.state.CurrentLane, 1);
    EXPECT_EQ(h.state.ResultSource, 2);
    EXPECT_EQ(h.state.SaveDialogShooter, QStringLiteral("Стрелок 2"));

    // Back from the dialog: the targets keep their holes.
    h.run->FormActivate();
    EXPECT_EQ(h.Panel(1).target.Image(), holes);

    h.state.SaveDialogShooter.clear();
    h.run->PrintClick();
    EXPECT_EQ(h.state.SaveDialogMode, 1);
    EXPECT_EQ(h.state.CurrentLane, 0);
    EXPECT_EQ(h.state.SaveDialogShooter, QStringLiteral("Стрелок 1"));
    EXPECT_EQ(h.view.activated.size(), 2u);

    h.run->ExitClick();
    EXPECT_EQ(h.view.activated.back(), QStringLiteral("TMainForm2"));
}

TEST(TwoShooterRun, LampScriptObeysTargetsOneAndTwoOnly) {
    TwoHarness h(3);
    h.state.settings.SmartTarget = 1;
    h.state.ScriptLines = {QStringLiteral("1 1"), QStringLiteral("1 2"), QStringLiteral("4 1 2"),
                           QStringLiteral("4 3 1"), QStringLiteral("10")};
    h.StartSeries();
    h.TickFor(1500);
    EXPECT_EQ(h.state.run.LaneLit[1], 1);
    EXPECT_EQ(h.state.run.LaneLit[0], 0);
    EXPECT_EQ(h.model.Log().Count(0x11), 5);
    EXPECT_EQ(h.model.Log().Count(0x12), 0);
    // Two flashes of lane 1: the lamp once on, five times off each.
    EXPECT_EQ(h.model.Log().Count(0x41), 2);
    EXPECT_EQ(h.model.Log().Count(0x31), 10);
    EXPECT_EQ(h.model.Log().Count(0x43), 0);
    EXPECT_EQ(Calls(h.sound, RecordingSound::Call::Async), 2) << "a shot sound with each flash";
    EXPECT_FALSE(h.view.lamps[ViewItem::Image4]);
}

TEST(TwoShooterRun, StatusLineTellsTheTotalsTheSaveAndASilentDevice) {
    TwoHarness h(1);
    h.StartSeries();
    h.TickFor(100);
    EXPECT_FALSE(h.run->status.Silent());
    // Both lanes stop answering: after half a second the line says so, until they answer.
    h.model.GetFaults().Set(sim::Fault::Silence);
    h.TickFor(800);
    EXPECT_EQ(h.run->status.Text(), QStringLiteral("Нет ответа прибора"));
    h.model.GetFaults().Clear();
    h.TickFor(100);
    EXPECT_EQ(h.run->status.Text(), QString());
    h.ShootAt(0, 0, 0);
    h.ShootAt(1, 0, 0);
    h.TickFor(50);
    ASSERT_TRUE(h.run->Idle());
    EXPECT_EQ(h.run->status.Text(),
              QStringLiteral("Серия окончена: стрелок 1 — 1 выстр., сумма 10; стрелок 2 — 1 "
                             "выстр., сумма 10. Результат не записан"));
    // Saved from the dialog: said when the window comes back.
    h.state.SaveCount += 1;
    h.state.LastSavedFile = QStringLiteral("2024/Май/Группа.rec");
    h.state.ResultSource = 2;
    h.run->FormActivate();
    EXPECT_EQ(h.run->status.Text(), QStringLiteral("Записано: 2024/Май/Группа.rec"));
}

TEST(TwoShooterRun, ALaneThatIsDoneStopsAimingAndItsHolesStayClean) {
    // Dark targets on both lanes: no holes and no shot traces.
    TwoHarness h(2);
    h.state.settings.TimeTrace = 20;
    h.state.settings.SmartTarget = 1;
    h.model.Lane(0).aim = std::make_unique<sim::NoiseAim>(sim::Signal{0, 0}, 300, 4);
    h.StartSeries();
    const QImage blank = h.Panel(0).target.Image().copy();
    h.TickFor(300);
    for (std::uint32_t shots = 1; shots <= 2; ++shots) {
        h.model.Lane(0).triggers.Pull();
        for (int i = 0; i < 50 && h.state.run.ShotCount[0] < shots; ++i) {
            h.Tick();
        }
        h.TickFor(250);
    }
    ASSERT_EQ(h.state.run.ShotCount[0], 2u);
    ASSERT_FALSE(h.run->Idle()) << "lane 1 still shoots";
    EXPECT_FALSE(h.Panel(0).Visible(ViewItem::Gun2));
    EXPECT_TRUE(h.Panel(1).Visible(ViewItem::Gun2));
    EXPECT_EQ(h.Panel(0).target.Image(), blank) << "its live trace is erased";

    // Lit shots, each as the aim sweeps across: the traces erased over the holes leave none
    // of their colour in them.
    TwoHarness lit(3);
    lit.state.settings.TimeTrace = 20;
    lit.state.LanePresent = {1, 0, 0, 0, 0};
    lit.StartSeries();
    for (const int x : {-1600, -400, 800}) {
        lit.model.Lane(0).aim = test::SweepAcross(x, lit.clock.TickCount());
        lit.TickFor(290);
        lit.model.Lane(0).triggers.Pull();
        lit.TickFor(20);
        lit.FinishShotSound();
        lit.TickFor(600);
    }
    ASSERT_TRUE(lit.run->Idle());
    ASSERT_EQ(lit.state.run.ShotCount[0], 3u);
    for (size_t s = 0; s < 3; ++s) {
        EXPECT_EQ(test::HoleSpecks(lit.Panel(0).target.Image(), lit.state.run.ShotPos[0][s],
                                   HoleStyle::OnePixel),
                  0)
            << s;
    }
    EXPECT_FALSE(lit.Panel(0).Visible(ViewItem::Gun2));
}

TEST(TwoShooterRun, TheRangeScreenFollowsBothShootersAtShotsAndEachPass) {
    TwoHarness h(3);
    h.state.settings.Time = 20;
    h.state.LaneShooter = {QStringLiteral("Иванов"), QStringLiteral("Петров"), {}, {}, {}};
    RangeScreenModel& screen = h.state.RangeScreen;
    screen.SetOpen(true);
    h.StartSeries();
    ASSERT_EQ(h.run->RunPhase(), Phase::Series);
    h.TickFor(100);
    EXPECT_TRUE(screen.Lane(0).shown);
    EXPECT_TRUE(screen.Lane(1).shown);
    EXPECT_FALSE(screen.Lane(2).shown);
    EXPECT_EQ(screen.Lane(1).shooter, QStringLiteral("Петров"));
    EXPECT_EQ(screen.Lane(0).seconds, 20u);
    // One report per pass (its dispatch point), none more.
    EXPECT_LE(screen.Reports(), h.run->Passes());

    const std::uint64_t before = screen.Changes();
    h.ShootAt(1, 1000, 0);
    ASSERT_EQ(h.state.run.ShotCount[1], 1u);
    EXPECT_GT(screen.Changes(), before);
    EXPECT_EQ(screen.Lane(1).shots, 1u);
    EXPECT_EQ(screen.Lane(1).planned, 3u);
    EXPECT_EQ(screen.Lane(1).sum, h.state.run.ScoreSum[1]);
    ASSERT_EQ(screen.Lane(1).holes.size(), 1u);
    EXPECT_NEAR(screen.Lane(1).holes[0].x, 25.0F, 1.0F);
    EXPECT_EQ(screen.Lane(0).shots, 0u);

    h.TickFor(2100);
    EXPECT_EQ(screen.Lane(0).seconds, 18u) << "the time left follows the lane's clock";
}

// Two stages, each a series of the window for both shooters: a late shot in the first, a
// target of the stage's own, the main window's settings back at the end.
TEST(TwoShooterRun, RunsTheChosenCourseForBothShooters) {
    TwoHarness h;
    Course course;
    course.name = QStringLiteral("Двое");
    CourseStage first;
    first.shots = 1;
    first.timeLimitMs = 2000;
    first.targets[1] = kTargetN4;
    CourseStage second;
    second.shots = 1;
    course.stages = {first, second};
    course.grade =
        GradeRule{GradeBasis::Sum, 0, {{QStringLiteral("зачёт"), 15}}, QStringLiteral("незачёт")};
    h.state.ChosenCourse = course;
    h.run->courseDraw = SeededDraw(5);
    const Settings before = h.state.settings;
    h.run->FormActivate();
    h.run->StartClick();
    h.TickFor(30);
    ASSERT_EQ(h.run->RunPhase(), Phase::Series);
    ASSERT_NE(h.run->ActiveCourse(), nullptr);
    EXPECT_EQ(h.state.settings.Target[1], kTargetN4);
    EXPECT_TRUE(h.run->status.Text().startsWith(QStringLiteral("Этап 1 из 2: 1 выстрел за 2 с")))
        << h.run->status.Text().toStdString();

    h.ShootAt(0, 0, 0);
    h.TickFor(2000);
    h.ShootAt(1, 0, 0); // past the stage's 2 s
    h.TickFor(200);
    ASSERT_EQ(h.run->ActiveCourse()->StageIndex(), 1);
    ASSERT_EQ(h.run->RunPhase(), Phase::Series);
    EXPECT_EQ(h.state.settings.Target[1], before.Target[1]) << "the second stage: as set";
    h.ShootAt(0, 0, 0);
    h.ShootAt(1, 0, 0);
    h.TickFor(200);

    ASSERT_TRUE(h.run->Idle());
    const CourseRun& ran = *h.run->ActiveCourse();
    ASSERT_TRUE(ran.Finished());
    const CourseLaneResult& one = ran.Result(0);
    const CourseLaneResult& two = ran.Result(1);
    ASSERT_EQ(one.stages.size(), 2u);
    ASSERT_EQ(two.stages.size(), 2u);
    EXPECT_EQ(one.stages[0].late, 0);
    ASSERT_EQ(two.stages[0].shots.size(), 1u);
    EXPECT_TRUE(two.stages[0].shots[0].late);
    EXPECT_EQ(two.stages[0].shots[0].score, 0);
    EXPECT_EQ(one.total, 20);
    EXPECT_EQ(one.grade, QStringLiteral("зачёт"));
    EXPECT_EQ(two.grade, QStringLiteral("незачёт"));
    // Each lane's record: both stages' shots, and the course beside it.
    EXPECT_EQ(h.state.run.ShotCount[0], 2u);
    EXPECT_EQ(h.state.run.ShotCount[1], 2u);
    EXPECT_EQ(h.state.run.LaneBeside[1].value(QStringLiteral("grade")).toString(),
              QStringLiteral("незачёт"));
    EXPECT_TRUE(
        h.run->status.Text().contains(QStringLiteral("стрелок 1 — сумма 10 + 10 = 20, «зачёт»")))
        << h.run->status.Text().toStdString();
    EXPECT_TRUE(h.view.IsEnabled(TwoButton::Save2));
    EXPECT_EQ(h.state.settings, before);
}
