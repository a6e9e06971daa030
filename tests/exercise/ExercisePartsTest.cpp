#include "exercise/LaneClock.h"
#include "exercise/ShotRules.h"
#include "exercise/TargetPanel.h"

#include "RecordingView.h"
#include "calibration/Calibration.h"
#include "platform/Clock.h"
#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ryvo;

namespace {

struct Segment {
    int x1, y1, highlight, x2, y2;
    bool operator==(const Segment&) const = default;
};

class SegmentRecorder final : public TargetPanel {
public:
    using TargetPanel::TargetPanel;
    void DrawTraceSegment(int x1, int y1, int highlight, int x2, int y2) override {
        segments.push_back({x1, y1, highlight, x2, y2});
        TargetPanel::DrawTraceSegment(x1, y1, highlight, x2, y2);
    }
    std::vector<Segment> segments;
};

struct Engine {
    ProgramState state;
    ManualClock clock{5000};
    test::RecordingView view;
    SegmentRecorder engine{state, view};

    Engine() {
        ApplyBuiltInDefaults(state.settings);
        state.settings.IO_Serial = 1;
        state.settings.EnableTrace = 1;
        ApplySignalLimits(state);
        state.TraceLength = ComputeTraceLength(state.settings);
    }
    // Pixel of a raw sample on the 526-pixel target with the default calibration.
    Segment Seg(TracePoint a, TracePoint b) const {
        auto px = [](float raw) { return ToPixels(raw * 100.0F, 526); };
        return {px(a.x), px(a.y), 0, px(b.x), px(b.y)};
    }
};

} // namespace

TEST(ExerciseParts, TraceOfThreeSegmentsGrowsThenSlides) {
    Engine e;
    e.state.TraceLength = 3;
    e.engine.EmptyTrace();
    const QImage blank = e.view.target.Image().copy();
    const std::vector<TracePoint> s = {{0.10F, 0.10F, 3000},
                                       {0.20F, 0.15F, 3000},
                                       {0.30F, -0.20F, 3000},
                                       {-0.40F, 0.25F, 3000},
                                       {0.05F, 0.50F, 3000}};
    for (int i = 0; i < 3; ++i) {
        e.engine.AddSample(3000, 0, s[i].x, s[i].y);
    }
    EXPECT_EQ(e.engine.TracePoints(), 3);
    EXPECT_EQ(e.engine.TraceFull(), 0);
    e.engine.AddSample(3000, 0, s[3].x, s[3].y);
    EXPECT_EQ(e.engine.TraceFull(), 1);
    ASSERT_EQ(e.engine.segments.size(), 3u);
    EXPECT_EQ(e.engine.segments[0], e.Seg(s[1], s[0]));
    EXPECT_EQ(e.engine.segments[1], e.Seg(s[2], s[1]));
    EXPECT_EQ(e.engine.segments[2], e.Seg(s[3], s[2]));

    e.engine.AddSample(3000, 0, s[4].x, s[4].y);
    ASSERT_EQ(e.engine.segments.size(), 5u);
    EXPECT_EQ(e.engine.segments[3], e.Seg(s[1], s[0])) << "the oldest segment is drawn again";
    EXPECT_EQ(e.engine.segments[4], e.Seg(s[4], s[3]));
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(e.engine.Trace().At(i).x, s[static_cast<size_t>(4 - i)].x) << i;
        EXPECT_FLOAT_EQ(e.engine.Trace().At(i).y, s[static_cast<size_t>(4 - i)].y) << i;
    }
    for (int i : {4, 5, 100, 9999}) {
        EXPECT_EQ(e.engine.Trace().At(i).x, -100.0F) << i;
        EXPECT_EQ(e.engine.Trace().At(i).y, -100.0F) << i;
        EXPECT_EQ(e.engine.Trace().At(i).level, 0) << i;
    }
    EXPECT_NE(e.view.target.Image(), blank);
    // Clearing draws every visible segment once more, which removes it.
    e.engine.ClearTrace(0, 2.63F);
    EXPECT_EQ(e.view.target.Image(), blank);
    EXPECT_EQ(e.engine.TracePoints(), 0);
    EXPECT_EQ(e.engine.Trace().At(0).x, -100.0F);
}

TEST(ExerciseParts, TraceKeepsOnlyItsLengthBehindTheHeadAndMarksMinus100) {
    Engine e;
    e.state.TraceLength = 5;
    e.engine.EmptyTrace();
    for (int i = 0; i < 40; ++i) {
        e.engine.AddSample(3000, 0, 0.01F * static_cast<float>(i), 0.0F);
    }
    e.engine.AddSample(3000, 0, -100.0F, 0.3F);
    EXPECT_EQ(e.engine.Trace().At(0).x, -101.0F);
    EXPECT_FLOAT_EQ(e.engine.Trace().At(5).x, 0.35F);
    for (int i = 6; i < 60; ++i) {
        EXPECT_EQ(e.engine.Trace().At(i).x, -100.0F) << i;
    }

    // A negative or zero trace length still keeps one segment and never indexes before 0.
    e.state.TraceLength = -20;
    e.engine.EmptyTrace();
    for (int i = 0; i < 4; ++i) {
        e.engine.AddSample(3000, 0, 0.1F * static_cast<float>(i), 0.0F);
    }
    EXPECT_EQ(e.engine.EffectiveTraceLength(), 1);
    EXPECT_EQ(e.engine.TracePoints(), 1);
    EXPECT_EQ(e.engine.Trace().At(2).x, -100.0F);
}

TEST(ExerciseParts, ClockCountsDownAndEndsTheLane) {
    Engine e;
    RunState& run = e.state.run;
    e.state.settings.Time = 5;
    run.LaneActive[0] = 1;
    run.StartTick[0] = e.clock.TickCount();
    run.ElapsedSec[0] = 0;
    e.view.SetText(ViewText::TimeC, QStringLiteral("  5 сек"));
    for (int s = 0; s < 5; ++s) {
        e.clock.Advance(1000);
        UpdateTimer(e.state.run, e.state.settings, 0, e.clock.TickCount(), e.view);
        EXPECT_EQ(run.LaneActive[0], s < 4 ? 1 : 0);
    }
    EXPECT_EQ(
        e.view.history[ViewText::TimeC],
        (std::vector<QString>{"  5 сек", "  4 сек", "  3 сек", "  2 сек", "  1 сек", "  0 сек"}));
    EXPECT_FLOAT_EQ(run.ShootTime[0], 5.0F);

    // A pass that stalls past the end still ends the lane, showing 0 rather than wrapping.
    run.LaneActive[0] = 1;
    run.StartTick[0] = e.clock.TickCount();
    run.ElapsedSec[0] = 0;
    e.clock.Advance(7300);
    UpdateTimer(e.state.run, e.state.settings, 0, e.clock.TickCount(), e.view);
    EXPECT_EQ(run.LaneActive[0], 0);
    EXPECT_EQ(e.view.Text(ViewText::TimeC), QStringLiteral("  0 сек"));

    // Without a time limit the clock counts up.
    e.state.settings.Time = 0;
    run.LaneActive[0] = 1;
    run.StartTick[0] = e.clock.TickCount();
    run.ElapsedSec[0] = 0;
    e.clock.Advance(12000);
    UpdateTimer(e.state.run, e.state.settings, 0, e.clock.TickCount(), e.view);
    EXPECT_EQ(e.view.Text(ViewText::TimeC), QStringLiteral(" 12 сек"));
    EXPECT_EQ(run.LaneActive[0], 1);
}

TEST(ExerciseParts, StatisticsFormats) {
    Engine e;
    e.engine.ShowStatistics(0);
    EXPECT_EQ(e.view.Text(ViewText::Num), QStringLiteral("0"));
    EXPECT_EQ(e.view.Text(ViewText::Res), QStringLiteral(" 0"));
    EXPECT_EQ(e.view.Text(ViewText::SymE), QStringLiteral("   0"));
    EXPECT_EQ(e.view.Text(ViewText::AverSym), QStringLiteral(" 0.0"));
    e.state.run.ShotCount[0] = 3;
    e.state.run.ScoreSum[0] = 17;
    e.state.run.LastScore[0] = -2;
    e.engine.ShowStatistics(0);
    EXPECT_EQ(e.view.Text(ViewText::Num), QStringLiteral("3"));
    EXPECT_EQ(e.view.Text(ViewText::Res), QStringLiteral("0"));
    EXPECT_EQ(e.view.Text(ViewText::SymE), QStringLiteral("  17"));
    EXPECT_EQ(e.view.Text(ViewText::AverSym), QStringLiteral(" 5.7"));
}

TEST(ExerciseParts, AimPointArrowsAndPlacement) {
    Engine e;
    e.state.settings.FlagGunEnable = 1;
    const float k = 2.63F;
    e.engine.ShowAimPoint(k, 0.0F, -100.0F);
    EXPECT_TRUE(e.view.Visible(ViewItem::LeftArrow));
    EXPECT_TRUE(e.view.Visible(ViewItem::Gun2));
    e.engine.ShowAimPoint(k, 0.0F, -99.9F);
    EXPECT_FALSE(e.view.Visible(ViewItem::LeftArrow));
    e.engine.ShowAimPoint(k, 100.0F, 100.0F);
    EXPECT_TRUE(e.view.Visible(ViewItem::RightArrow));
    EXPECT_TRUE(e.view.Visible(ViewItem::DownArrow));
    EXPECT_FALSE(e.view.Visible(ViewItem::UpArrow));
    e.engine.ShowAimPoint(k, 25.0F, -50.0F);
    // trunc(2.63 * -50 + 263 - 10), trunc(2.63 * 25 + 263 - 10)
    EXPECT_EQ(e.view.places[ViewItem::Gun2], QPoint(121, 318));
}

TEST(ExerciseParts, MissArrowCases) {
    struct Case {
        float x, y;
        MissDirection d;
    };
    const std::vector<Case> cases = {
        {-50, 0, MissDirection::Left},         {-150, -150, MissDirection::UpperLeft},
        {-150, 150, MissDirection::LowerLeft}, {-50, -150, MissDirection::Up},
        {50, 150, MissDirection::Down},        {150, 150, MissDirection::LowerRight},
        {150, 0, MissDirection::Right},        {150, -150, MissDirection::UpperRight},
        {50, 0, MissDirection::None}};
    for (const Case& c : cases) {
        EXPECT_EQ(MissDirectionOf(c.x, c.y), c.d) << c.x << " " << c.y;
    }
    Engine e;
    auto redPixels = [&e] {
        int n = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 30; ++x) {
                n += e.view.failArrow.Pixel(x, y) == kRed ? 1 : 0;
            }
        }
        return n;
    };
    e.engine.ShowMissArrow(2.63F, 0.0F, -150.0F); // left: through (0, 14), the tip
    EXPECT_GT(redPixels(), 20);
    EXPECT_EQ(e.view.failArrow.Pixel(1, 14), kRed);
    e.engine.ShowMissArrow(2.63F, -150.0F, 0.0F); // up: tip at (14, 0)
    EXPECT_EQ(e.view.failArrow.Pixel(14, 1), kRed);
    EXPECT_NE(e.view.failArrow.Pixel(1, 14), kRed);
    e.engine.ShowMissArrow(2.63F, 0.0F, 50.0F); // inside: blank
    EXPECT_EQ(redPixels(), 0);
}

TEST(ExerciseParts, JerkIndexAndLevelTexts) {
    EXPECT_EQ(JerkIndex(100, 50), 2);
    EXPECT_EQ(JerkIndex(9999, 1), 9999);
    EXPECT_EQ(JerkIndex(10000, 1), std::nullopt);
    EXPECT_EQ(JerkIndex(100, 0), std::nullopt);
    EXPECT_EQ(JerkIndex(100, -5), std::nullopt);
    EXPECT_EQ(JerkIndex(-1, 5), std::nullopt);

    Engine e; // serial: window 1200..6400, marks at 1200 and 6400
    EXPECT_EQ(LevelText(e.state, 4000), QStringLiteral("Уровень=4000"));
    EXPECT_EQ(LevelText(e.state, 1200), QStringLiteral("Уровень=1200"));
    EXPECT_EQ(LevelText(e.state, 1199), QStringLiteral("Сигнал вне диапазона"));
    EXPECT_EQ(LevelText(e.state, 6401), QStringLiteral("Сигнал вне диапазона"));
    e.state.settings.IO_Serial = 0;
    ApplySignalLimits(e.state);
    EXPECT_EQ(LevelText(e.state, 600), QStringLiteral("Уровень= 600"));
}
