// The frozen trace drawn by aiming phase: colours by time from the shot, cleanly replaced.
#include "FiveLaneHarness.h"
#include "HolePixels.h"
#include "RecordingView.h"
#include "RunHarness.h"

#include "calibration/Calibration.h"
#include "exercise/TargetPanel.h"
#include "exercise/TracePhases.h"
#include "support/ExerciseSettings.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace ryvo;

namespace {

constexpr std::uint32_t kShot1 = 10000;

// A panel on a white picture whose lane-0 calibration maps a raw reading r to 100 r target
// units, so samples are given in target units.
struct PhasedPanel {
    ProgramState state;
    test::RecordingView view;
    TargetPanel panel{state, view};

    PhasedPanel() {
        test::UseSingleShooterSettings(state, 10, 2);
        Settings& s = state.settings;
        s.CentX[0] = s.CentY[0] = 0.0F;
        s.ScaleL[0] = s.ScaleR[0] = s.ScaleU[0] = s.ScaleD[0] = 1.0F;
        state.Display.tracePhases = true;
        state.run.LaneLit[0] = 1;
        view.target.SetBrush(kWhite, BrushStyle::Solid);
        view.target.FillRect(0, 0, view.target.Width(), view.target.Height());
        panel.EmptyTrace();
        panel.ResetSeriesTrace();
    }
    // One sample as a pass takes it: on the trace, then recorded with its tick.
    void Sample(std::uint32_t tick, float x, float y) {
        panel.AddSample(4000, 0, x / 100.0F, y / 100.0F);
        const TargetPoint aim = ToTarget(state.settings, 0, x / 100.0F, y / 100.0F);
        panel.RecordAim(aim.x, aim.y, tick);
    }
    // Samples every 10 ms from `from` to `to` (inclusive) along `at(ms from the shot)`.
    void Path(std::uint32_t shot, std::int32_t from, std::int32_t to,
              const std::function<QPointF(std::int32_t)>& at) {
        for (std::int32_t ms = from; ms <= to; ms += 10) {
            const QPointF p = at(ms);
            Sample(shot + static_cast<std::uint32_t>(ms), static_cast<float>(p.x()),
                   static_cast<float>(p.y()));
        }
    }
    // A shot at the newest sample, registered as the windows do; drawn on the next turn.
    void Shoot(std::uint32_t tick, ShotPoint at) {
        RunState& run = state.run;
        run.ShotPos[0].push_back(at);
        ++run.ShotCount[0];
        panel.FreezeTrace(0);
        panel.BeginShotTrace(static_cast<int>(run.ShotCount[0]) - 1, tick);
        panel.DrawLastHoles(0, true);
        panel.DrawPendingFreeze();
    }
    [[nodiscard]] QPoint Pixel(QPointF t) {
        return {ToPixels(static_cast<float>(t.x()), 526), ToPixels(static_cast<float>(t.y()), 526)};
    }
    [[nodiscard]] Color At(QPoint p) const { return view.target.Pixel(p.x(), p.y()); }
};

// First shot: along y = -50 from x = -80 to 80 in the 2 s before it, then down x = 80.
QPointF FirstPath(std::int32_t ms) {
    return ms <= 0 ? QPointF(80.0 + ms * 0.08, -50.0) : QPointF(80.0, -50.0 + ms * 0.2);
}

int CountColour(const QImage& image, Color colour, const QRect& outside = {}) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += !outside.contains(x, y) && FromQColor(QColor(image.pixel(x, y))) == colour ? 1 : 0;
        }
    }
    return n;
}

// Colours on the picture other than the background, the holes and the four phases: what an
// XOR trace erased over a copy-drawn one leaves.
int ForeignPixels(const QImage& image) {
    std::set<Color> allowed{kWhite, kBlack, kRed};
    for (int p = 0; p < kTracePhaseCount; ++p) {
        allowed.insert(PhaseColor(static_cast<TracePhase>(p)));
    }
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += allowed.count(FromQColor(QColor(image.pixel(x, y)))) == 0 ? 1 : 0;
        }
    }
    return n;
}

} // namespace

TEST(PhasedTrace, ColoursFollowTheTimeFromTheShotAndTheFollowThroughComesWhenComplete) {
    PhasedPanel p;
    // The last sample before the shot is 150 ms old: times count from the shot itself.
    p.Path(kShot1, -2000, -150, FirstPath);
    const QPointF last = FirstPath(-150);
    p.Shoot(kShot1, {static_cast<float>(last.x()), static_cast<float>(last.y())});
    ASSERT_TRUE(p.panel.FrozenByPhase());
    p.Path(kShot1, 10, 400, FirstPath);
    const Color follow = PhaseColor(TracePhase::FollowThrough);
    EXPECT_EQ(CountColour(p.view.target.Image(), follow), 0) << "not before it is complete";
    p.Path(kShot1, 410, 600, FirstPath);

    // The live trace lies over the frozen one; erased, it leaves the phase colours as drawn.
    p.panel.ClearTrace(0);
    const QImage image = p.view.target.Image();
    EXPECT_EQ(ForeignPixels(image), 0);
    EXPECT_EQ(p.At(p.Pixel(FirstPath(-1500))), PhaseColor(TracePhase::Earlier));
    EXPECT_EQ(p.At(p.Pixel(FirstPath(-1050))), PhaseColor(TracePhase::Earlier));
    EXPECT_EQ(p.At(p.Pixel(FirstPath(-600))), PhaseColor(TracePhase::LastSecond));
    EXPECT_EQ(p.At(p.Pixel(FirstPath(-190))), PhaseColor(TracePhase::LastFifth));
    EXPECT_EQ(p.At(p.Pixel(FirstPath(250))), follow);
    // The follow-through ends 0.5 s after the shot.
    EXPECT_EQ(p.At(p.Pixel(FirstPath(590))), kWhite);
    EXPECT_EQ(test::HoleSpecks(image, p.state.run.ShotPos[0][0], HoleStyle::Normal), 0)
        << "the hole lies over its trace";
}

TEST(PhasedTrace, TheNextShotLeavesNothingOfThePreviousTraceAndARedrawKeepsTheNewOne) {
    PhasedPanel p;
    p.Path(kShot1, -2000, 0, FirstPath);
    p.Shoot(kShot1, {80.0F, -50.0F});
    p.Path(kShot1, 10, 600, FirstPath);
    // The spot is lost, then the aim comes back along y = 60 for the second shot, whose hole
    // is off the first trace; the first shot's hole lies on it.
    p.panel.ClearTrace(0);
    constexpr std::uint32_t kShot2 = kShot1 + 5000;
    const auto second = [](std::int32_t ms) { return QPointF(-20.0 + ms * 0.03, 60.0); };
    p.Path(kShot2, -1500, 0, second);
    p.Shoot(kShot2, {-20.0F, 60.0F});
    p.Path(kShot2, 10, 200, second);
    p.panel.ClearTrace(0);

    const QImage image = p.view.target.Image();
    const QRect secondArea =
        QRect(p.Pixel(second(-1500)), p.Pixel(second(200))).normalized().adjusted(-5, -5, 5, 5);
    for (int phase = 0; phase < kTracePhaseCount; ++phase) {
        EXPECT_EQ(CountColour(image, PhaseColor(static_cast<TracePhase>(phase)), secondArea), 0)
            << phase;
    }
    EXPECT_EQ(p.At(p.Pixel(second(-1200))), PhaseColor(TracePhase::Earlier));
    EXPECT_EQ(p.At(p.Pixel(second(-180))), PhaseColor(TracePhase::LastFifth));
    EXPECT_EQ(ForeignPixels(image), 0);
    EXPECT_EQ(test::HoleSpecks(image, {80.0F, -50.0F}, HoleStyle::Normal), 0)
        << "the first hole, no longer the last, is whole again";

    // The picture drawn anew, as after a resize: holes, then the frozen trace again.
    p.view.target.SetBrush(kWhite, BrushStyle::Solid);
    p.view.target.FillRect(0, 0, 526, 526);
    p.panel.DrawHole(80.0F, -50.0F, kBlack, kWhite);
    p.panel.DrawHole(-20.0F, 60.0F, kRed, kWhite);
    p.panel.DrawFrozenTraceAgain();
    EXPECT_EQ(p.view.target.Image(), image);
}

TEST(PhasedTrace, TheSingleWindowShowsTheLegendOnlyWithTheOption) {
    for (const bool on : {false, true}) {
        test::RunHarness h;
        h.state.Display.tracePhases = on;
        h.StartSeries();
        h.ShootAt(0, 0);
        const QImage image = h.view.target.Image();
        const QSize legend = PhaseLegendSize(h.view.target);
        const QRect corner(image.width() - legend.width() - 2, image.height() - legend.height() - 2,
                           legend.width(), legend.height());
        for (int phase = 0; phase < kTracePhaseCount; ++phase) {
            const int inCorner =
                CountColour(image, PhaseColor(static_cast<TracePhase>(phase))) -
                CountColour(image, PhaseColor(static_cast<TracePhase>(phase)), corner);
            EXPECT_EQ(inCorner > 0, on) << phase;
        }
        EXPECT_EQ(h.run.panel.FrozenByPhase(), on);
    }
}

TEST(PhasedTrace, TheFiveLaneWindowDrawsItsTracedLaneByPhase) {
    test::FiveLaneHarness h;
    h.state.Display.tracePhases = true;
    h.model.Lane(0).aim = std::make_unique<sim::NoiseAim>(sim::Signal{0, 0}, 300, 3);
    h.StartSeries();
    h.TickFor(1500);
    h.Fire(0);
    h.TickFor(700);
    // Escape ends the series and takes the live trace off.
    h.keyboard.Set(Key::Escape, true);
    h.TickFor(50);
    h.keyboard.Set(Key::Escape, false);
    h.TickFor(50);
    ASSERT_EQ(h.state.run.ShotCount[0], 1u);
    ASSERT_TRUE(h.run.Idle());
    EXPECT_TRUE(h.run.panel.FrozenByPhase());
    const QImage image = h.view.target.Image();
    const QSize legend = PhaseLegendSize(h.view.target);
    const QRect corner(image.width() - legend.width() - 2, image.height() - legend.height() - 2,
                       legend.width(), legend.height());
    const Color blue = PhaseColor(TracePhase::LastSecond);
    EXPECT_GT(CountColour(image, blue) - CountColour(image, blue, corner), 0) << "the legend";
    EXPECT_GT(CountColour(image, blue, corner), 0) << "the last second of the trace";
    EXPECT_GT(CountColour(image, PhaseColor(TracePhase::FollowThrough), corner), 0);
}
