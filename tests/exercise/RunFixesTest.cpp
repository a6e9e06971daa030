// Picture, marker and timer rules of a run that earlier builds got wrong.
#include "HolePixels.h"
#include "RunHarness.h"

#include "calibration/Calibration.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ryvo;
using test::RunHarness;

namespace {

// Moves a little on every frame, whatever the time: the same frames give the same trace
// however many passes a tick runs.
class WalkAim final : public sim::AimPath {
public:
    explicit WalkAim(sim::Signal from) : m_at(from) {}
    sim::Signal At(std::uint32_t) override {
        m_at.x = static_cast<std::int16_t>(m_at.x + 17);
        m_at.y = static_cast<std::int16_t>(m_at.y + 11);
        return m_at;
    }

private:
    sim::Signal m_at;
};

// Each shot at a steady aim, then the aim walks off across the new hole at once (within
// the same tick when a tick runs several passes); the trace's tail erases those segments
// later.
QImage PictureAfterSeries(std::uint32_t numReps) {
    RunHarness h;
    h.state.settings.NumReps = numReps;
    h.state.settings.TimeTrace = 20;
    h.state.TraceLength = ComputeTraceLength(h.state.settings);
    h.state.settings.ShootsNumber = 10;
    h.StartSeries();
    for (const sim::Signal at : {sim::Signal{-1200, 400}, sim::Signal{800, -600}}) {
        h.model.Lane(0).aim = std::make_unique<sim::FixedAim>(at);
        h.TickFor(500);
        const auto before = h.state.run.ShotCount[0];
        h.model.Lane(0).aim = std::make_unique<WalkAim>(at);
        h.model.Lane(0).triggers.Pull();
        for (int i = 0; i < 100 && h.state.run.ShotCount[0] == before; ++i) {
            h.clock.Advance(10);
            h.run.Tick();
        }
        h.TickFor(300);
    }
    // Escape ends the series: nothing draws the last hole again.
    h.keyboard.Set(Key::Escape, true);
    h.TickFor(50);
    h.keyboard.Set(Key::Escape, false);
    h.TickFor(50);
    EXPECT_EQ(h.state.run.ShotCount[0], 2u);
    EXPECT_TRUE(h.run.Idle());
    return h.view.target.Image().copy();
}

// Shoots as the aim sweeps across (x, 0).
void SweepShot(RunHarness& h, int x) {
    h.model.Lane(0).aim = test::SweepAcross(x, h.clock.TickCount());
    h.TickFor(290);
    h.model.Lane(0).triggers.Pull();
    h.TickFor(20);
    if (h.run.CurrentPhase() == SingleShooterRun::Phase::LastShotSound) {
        h.sound.FinishPlayback();
    }
    h.TickFor(600);
}

} // namespace

TEST(RunPicture, HolesStayCleanAndAnIdleRedrawKeepsTheFrozenTraceAndTheRedHole) {
    RunHarness h;
    h.state.settings.TimeTrace = 20;
    h.state.TraceLength = ComputeTraceLength(h.state.settings);
    h.StartSeries();
    for (const int x : {-1600, -400, 800}) {
        SweepShot(h, x);
    }
    ASSERT_EQ(h.state.run.ShotCount[0], 3u);
    ASSERT_TRUE(h.run.Idle());
    const QImage series = h.view.target.Image().copy();
    for (size_t s = 0; s < 3; ++s) {
        EXPECT_EQ(test::HoleSpecks(series, h.state.run.ShotPos[0][s], HoleStyle::Normal), 0) << s;
    }
    // As after a resize: the same picture, the last shot's frozen trace and red rim with it.
    h.run.Redraw();
    EXPECT_EQ(h.view.target.Image(), series);
}

TEST(RunPicture, AHoleStaysOverItsFrozenTraceWhenTheLaneGoesDarkBeforeItIsDrawn) {
    RunHarness h;
    h.state.settings.TimeTrace = 20;
    h.state.TraceLength = ComputeTraceLength(h.state.settings);
    h.state.settings.SmartTarget = 1;
    // Lit at once, dark half a second later.
    h.state.ScriptLines = {QStringLiteral("1 0"), QStringLiteral("3 0.5"), QStringLiteral("2 0"),
                           QStringLiteral("10")};
    h.model.Lane(0).aim = std::make_unique<sim::NoiseAim>(sim::Signal{0, 0}, 300, 5);
    h.StartSeries();
    h.TickFor(h.state.run.StartTick[0] + 530 - h.clock.TickCount());
    // The shot's pass ends at the dispatch point where the script darkens the lane; its
    // frozen trace is drawn on the next turn.
    h.model.Lane(0).triggers.Pull();
    h.TickFor(10);
    ASSERT_EQ(h.state.run.ShotCount[0], 1u);
    ASSERT_GE(h.state.run.LastScore[0], 0);
    ASSERT_EQ(h.state.run.LaneLit[0], 0);
    // What the next turn draws first; cyan over the white of the hole would show red.
    h.run.panel.DrawPendingFreeze();
    EXPECT_GT(h.run.panel.FrozenCount(), 0);
    EXPECT_EQ(
        test::HoleSpecks(h.view.target.Image(), h.state.run.ShotPos[0][0], HoleStyle::Normal, kRed),
        0);
}

TEST(RunPicture, TargetAfterASeriesDoesNotDependOnNumReps) {
    const QImage every = PictureAfterSeries(0);
    const QImage fifth = PictureAfterSeries(4);
    ASSERT_EQ(every.size(), fifth.size());
    int changed = 0;
    for (int y = 0; y < every.height(); ++y) {
        for (int x = 0; x < every.width(); ++x) {
            changed += every.pixel(x, y) != fifth.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(changed, 0);
}

TEST(RunPicture, JerkMarkerIsPlacedByTheAimPointRule) {
    RunHarness h;
    h.state.settings.FlagPostGunEnable = 1;
    h.state.settings.TimePost = 0; // the jerk point is the shot's own sample
    h.state.settings.ShootsNumber = 2;
    h.StartSeries();
    // Close to the top left corner, where truncating before or after the half size differ.
    h.ShootAt(-3920, -3920);
    ASSERT_EQ(h.state.run.ShotCount[0], 1u);
    ASSERT_TRUE(h.view.Visible(ViewItem::PostGun));
    const float k = static_cast<float>(526 * 0.005);
    const float x = h.run.panel.PostGunX();
    const float y = h.run.panel.PostGunY();
    const int left = static_cast<int>(k * x + 100.0F * k - 10.0F);
    const int top = static_cast<int>(k * y + 100.0F * k - 10.0F);
    ASSERT_NE(left, static_cast<int>(k * x + 100.0F * k) - 10) << "a point that tells them apart";
    EXPECT_EQ(h.view.places[ViewItem::PostGun], QPoint(left, top));
}

TEST(RunShotPoint, AMovingAimPinsTheShotSampleTheJerkSampleAndThePreviousPassLevel) {
    RunHarness h;
    h.state.settings.TimeGun = 2;  // light smoothing
    h.state.settings.TimePost = 7; // the jerk point three samples before the shot's
    h.state.settings.FlagPostGunEnable = 1;
    h.state.TraceLength = ComputeTraceLength(h.state.settings);
    h.StartSeries();
    // One target unit to the right and half a unit up on every pass (one pass a tick).
    const std::uint32_t t0 = h.clock.TickCount();
    const std::vector<sim::ScriptedAim::Point> points = {{t0, {-2400, 1200}},
                                                         {t0 + 1200, {2400, -1200}}};
    h.model.Lane(0).aim = std::make_unique<sim::ScriptedAim>(points);
    sim::ScriptedAim path(points);
    const auto at = [&](std::uint32_t ms) {
        const sim::Signal s = path.At(ms);
        return ToTarget(h.state.settings, 0, s.x / 4000.0F, s.y / 4000.0F);
    };
    h.TickFor(400);
    const std::uint32_t last = h.clock.TickCount(); // the last pass without the trigger
    // The frame with the trigger has its level out of the window; the previous pass's counts.
    h.model.Lane(0).level = 7000;
    h.model.Lane(0).triggers.Pull();
    h.TickFor(10);
    ASSERT_EQ(h.state.run.ShotCount[0], 1u);
    const TargetPoint shot = at(last);
    const TargetPoint jerk = at(last - 30);
    EXPECT_NEAR(h.state.run.ShotPos[0][0].x, shot.x, 0.3F);
    EXPECT_NEAR(h.state.run.ShotPos[0][0].y, shot.y, 0.3F);
    EXPECT_NEAR(h.run.panel.PostGunX(), jerk.x, 0.3F);
    EXPECT_NEAR(h.run.panel.PostGunY(), jerk.y, 0.3F);
    EXPECT_GT(h.run.panel.FrozenCount(), 0);
    EXPECT_EQ(h.view.Text(ViewText::SigText), QStringLiteral("Уровень=4000"));
    // The other way round: out of the window before the trigger, inside with it.
    h.TickFor(300);
    h.model.Lane(0).level = 4000;
    h.model.Lane(0).triggers.Pull();
    h.TickFor(10);
    ASSERT_EQ(h.state.run.ShotCount[0], 2u);
    EXPECT_EQ(h.view.Text(ViewText::SigText), QStringLiteral("Сигнал вне диапазона"));
}

TEST(RunTimers, LockOutTimerKeepsItsPeriodAndFiresOnceWhenLate) {
    RunHarness h;
    LogicalTimer& timer = h.run.Timer_shoot;
    timer.interval = 100;
    timer.Start(h.clock.TickCount());
    h.state.run.ShotLockout[0] = 10;
    // Dispatch points every 60 ms: a 100 ms timer fires at 120, 240 and 300 ms.
    for (int i = 0; i < 5; ++i) {
        h.clock.Advance(60);
        h.run.timers.Dispatch(h.clock.TickCount());
    }
    EXPECT_EQ(h.state.run.ShotLockout[0], 7);
    // Three and a half periods without a dispatch point: one tick, and the next one on the
    // timer's own grid.
    h.clock.Advance(350);
    h.run.timers.Dispatch(h.clock.TickCount());
    EXPECT_EQ(h.state.run.ShotLockout[0], 6);
    h.clock.Advance(49);
    h.run.timers.Dispatch(h.clock.TickCount());
    EXPECT_EQ(h.state.run.ShotLockout[0], 6);
    h.clock.Advance(1);
    h.run.timers.Dispatch(h.clock.TickCount());
    EXPECT_EQ(h.state.run.ShotLockout[0], 5);
}
