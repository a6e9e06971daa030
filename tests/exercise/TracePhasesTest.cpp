#include "exercise/TracePhases.h"

#include <gtest/gtest.h>

using namespace ryvo;

TEST(TracePhases, RunsSplitAtTheBoundariesAndJoinWithoutGaps) {
    // -1000 belongs to the last second, -200 to the last fifth, 0 is the shot itself.
    const std::vector<std::int32_t> ms{-1400, -1001, -1000, -201, -200, 0, 1, 500};
    std::vector<QPoint> pixels;
    for (size_t i = 0; i < ms.size(); ++i) {
        pixels.emplace_back(static_cast<int>(i) * 10, 0);
    }
    const std::vector<PhaseRun> runs = SplitByPhase(pixels, ms);
    ASSERT_EQ(runs.size(), 4U);
    EXPECT_EQ(runs[0].phase, TracePhase::Earlier);
    EXPECT_EQ(runs[0].points.size(), 2U);
    EXPECT_EQ(runs[1].phase, TracePhase::LastSecond);
    EXPECT_EQ(runs[2].phase, TracePhase::LastFifth);
    EXPECT_EQ(runs[3].phase, TracePhase::FollowThrough);
    for (size_t r = 1; r < runs.size(); ++r) {
        EXPECT_EQ(runs[r].points.front(), runs[r - 1].points.back()) << r;
    }
    EXPECT_EQ(runs[3].points.back(), pixels.back());
    EXPECT_TRUE(SplitByPhase(pixels, {}).empty());
}

TEST(TracePhases, EachPhaseIsDrawnInItsOwnColour) {
    ImageCanvas canvas(200, 40);
    const std::vector<std::int32_t> ms{-1500, -1100, -900, -300, -150, -50, 100, 400};
    std::vector<QPoint> pixels;
    for (size_t i = 0; i < ms.size(); ++i) {
        pixels.emplace_back(10 + static_cast<int>(i) * 25, 20);
    }
    DrawPhasedTrace(canvas, SplitByPhase(pixels, ms));
    EXPECT_EQ(canvas.Pixel(22, 20), PhaseColor(TracePhase::Earlier));
    EXPECT_EQ(canvas.Pixel(72, 20), PhaseColor(TracePhase::LastSecond));
    EXPECT_EQ(canvas.Pixel(122, 20), PhaseColor(TracePhase::LastFifth));
    EXPECT_EQ(canvas.Pixel(172, 20), PhaseColor(TracePhase::FollowThrough));
    for (int a = 0; a < kTracePhaseCount; ++a) {
        for (int b = a + 1; b < kTracePhaseCount; ++b) {
            EXPECT_NE(PhaseColor(static_cast<TracePhase>(a)),
                      PhaseColor(static_cast<TracePhase>(b)));
        }
    }
}
