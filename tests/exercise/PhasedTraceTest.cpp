// The frozen trace drawn by aiming phase: colours by time from the shot, cleanly replaced.
#include "HolePixels.h"
#include "RecordingView.h"
#include "RunHarness.h"

#include "calibration/Calibration.h"
#include "exercise/TracePhases.h"

#include <gtest/gtest.h>

#include <map>

using namespace ryvo;

namespace {

std::map<Color, int> Colours(const QImage& image, const QRect& outside = {}) {
    return test::PixelColours(image, outside);
}

Color Phase(int p) {
    return PhaseColor(static_cast<TracePhase>(p));
}

} // namespace

TEST(PhasedTrace, ColoursFollowTheShotsTimeAndTheNextShotLeavesNothingOfThem) {
    ProgramState state;
    test::UseSingleShooterSettings(state, 10, 2);
    Settings& s = state.settings;
    s.CentX[0] = s.CentY[0] = 0.0F; // raw r is 100 r target units
    s.ScaleL[0] = s.ScaleR[0] = s.ScaleU[0] = s.ScaleD[0] = 1.0F;
    state.Display.tracePhases = true;
    state.run.LaneLit[0] = 1;
    test::RecordingView view;
    view.target.SetBrush(kWhite, BrushStyle::Solid);
    view.target.FillRect(0, 0, 526, 526);
    TargetPanel panel(state, view);
    panel.EmptyTrace();
    panel.ResetSeriesTrace();
    const auto px = [](QPointF t) {
        return QPoint(ToPixels(static_cast<float>(t.x()), 526),
                      ToPixels(static_cast<float>(t.y()), 526));
    };
    const auto at = [&](QPointF t) { return view.target.Pixel(px(t).x(), px(t).y()); };
    // Samples every 10 ms, as passes take them; a shot as the windows register it.
    const auto path = [&](std::uint32_t shot, int from, int to, auto where) {
        for (int ms = from; ms <= to; ms += 10) {
            const QPointF p = where(ms) / 100.0;
            panel.AddSample(4000, 0, static_cast<float>(p.x()), static_cast<float>(p.y()));
            const TargetPoint aim =
                ToTarget(s, 0, static_cast<float>(p.x()), static_cast<float>(p.y()));
            panel.RecordAim(aim.x, aim.y, shot + static_cast<std::uint32_t>(ms));
        }
    };
    const auto shoot = [&](std::uint32_t tick, QPointF p) {
        state.run.ShotPos[0].push_back({static_cast<float>(p.x()), static_cast<float>(p.y())});
        ++state.run.ShotCount[0];
        panel.FreezeTrace(0);
        panel.BeginShotTrace(static_cast<int>(state.run.ShotCount[0]) - 1, tick);
        panel.DrawLastHoles(0, true);
        panel.DrawPendingFreeze();
    };

    // Along y = -50 for 2 s, the last sample 150 ms before the shot; then down x = 80.
    const auto first = [](int ms) {
        return ms <= 0 ? QPointF(80.0 + ms * 0.08, -50.0) : QPointF(80.0, -50.0 + ms * 0.2);
    };
    path(10000, -2000, -150, first);
    shoot(10000, first(-150));
    path(10000, 10, 400, first);
    EXPECT_EQ(Colours(view.target.Image())[Phase(3)], 0) << "no follow-through before 0.5 s";
    path(10000, 410, 600, first);
    // The live trace lies over the frozen one; erased, it leaves the phase colours as drawn.
    panel.ClearTrace(0);
    auto colours = Colours(view.target.Image());
    for (const Color c : {kWhite, kBlack, kRed, Phase(0), Phase(1), Phase(2), Phase(3)}) {
        colours.erase(c);
    }
    EXPECT_TRUE(colours.empty()) << "XOR left " << colours.size() << " other colours";
    EXPECT_EQ(at(first(-1500)), Phase(0));
    EXPECT_EQ(at(first(-1050)), Phase(0));
    EXPECT_EQ(at(first(-600)), Phase(1));
    EXPECT_EQ(at(first(-190)), Phase(2));
    EXPECT_EQ(at(first(250)), Phase(3));
    EXPECT_EQ(at(first(590)), kWhite) << "the follow-through ends 0.5 s after the shot";

    // The spot lost; the second shot along y = 60, its hole off the first trace.
    const auto second = [](int ms) { return QPointF(-20.0 + ms * 0.03, 60.0); };
    path(15000, -1500, 0, second);
    shoot(15000, second(0));
    path(15000, 10, 200, second);
    panel.ClearTrace(0);
    const QImage image = view.target.Image();
    const QRect area =
        QRect(px(second(-1500)), px(second(200))).normalized().adjusted(-5, -5, 5, 5);
    for (int p = 0; p < kTracePhaseCount; ++p) {
        EXPECT_EQ(Colours(image, area)[Phase(p)], 0) << "phase " << p << " of the first trace";
    }
    EXPECT_EQ(at(second(-180)), Phase(2));
    EXPECT_EQ(test::HoleSpecks(image, state.run.ShotPos[0][0], HoleStyle::Normal), 0);

    // Drawn anew, as after a resize: holes, then the frozen trace again.
    view.target.FillRect(0, 0, 526, 526);
    panel.DrawHole(80.0F - 150 * 0.08F, -50.0F, kBlack, kWhite);
    panel.DrawHole(-20.0F, 60.0F, kRed, kWhite);
    panel.DrawFrozenTraceAgain();
    EXPECT_EQ(view.target.Image(), image);
}

TEST(PhasedTrace, TheSingleWindowShowsTheLegendInTheCorner) {
    test::RunHarness h;
    h.state.Display.tracePhases = true;
    h.StartSeries();
    h.ShootAt(0, 0);
    EXPECT_TRUE(h.run.panel.FrozenByPhase());
    const QImage image = h.view.target.Image();
    const QSize legend = PhaseLegendSize(h.view.target);
    const QRect corner(526 - legend.width() - 2, 526 - legend.height() - 2, legend.width(),
                       legend.height());
    for (int p = 0; p < kTracePhaseCount; ++p) {
        EXPECT_GT(Colours(image)[Phase(p)] - Colours(image, corner)[Phase(p)], 0) << p;
    }
}
