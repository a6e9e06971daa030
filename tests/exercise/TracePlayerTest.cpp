#include "exercise/TracePlayer.h"

#include "exercise/TracePhases.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

using namespace ryvo;

namespace {

// A level sweep from x = -100 to +17 on y = 20, one sample every 2 ms from -3000 to +500 ms.
ShotTrace Sweep(int shot) {
    ShotTrace t{shot, {}};
    for (std::int32_t ms = -3000; ms <= 500; ms += 2) {
        t.samples.push_back({static_cast<float>(ms) / 30.0F, 20.0F, ms});
    }
    return t;
}

// Pixels of `color` on the sweep's row (y = 20 units is pixel 240 at k = 2), under the legend.
int OnRow(const ImageCanvas& c, Color color) {
    int n = 0;
    for (int y = 232; y < 248; ++y) {
        for (int x = 0; x < c.Width(); ++x) {
            n += c.Pixel(x, y) == color ? 1 : 0;
        }
    }
    return n;
}

} // namespace

TEST(TracePlayer, FirstFrameShowsNothingYetAndLastFrameTheWholeShot) {
    ManualClock clock(5000);
    TracePlayer player(clock);
    player.Load({Sweep(0)}, {{0.0F, 20.0F}});
    player.Start();
    ImageCanvas first(400, 400);
    player.DrawFrame(first);
    EXPECT_EQ(player.Position(), -3000);
    for (int p = 0; p < kTracePhaseCount; ++p) {
        EXPECT_EQ(OnRow(first, PhaseColor(static_cast<TracePhase>(p))), 0) << p;
    }
    EXPECT_EQ(OnRow(first, kRed), 0);

    clock.Advance(3500);
    EXPECT_TRUE(player.AtEnd());
    ImageCanvas last(400, 400);
    player.DrawFrame(last);
    for (int p = 0; p < kTracePhaseCount; ++p) {
        EXPECT_GT(OnRow(last, PhaseColor(static_cast<TracePhase>(p))), 10) << p;
    }
    // The hole at the shot, x = 0 at pixel 200, over the trace.
    EXPECT_EQ(last.Pixel(200, 240), kRed);
    EXPECT_EQ(last.Pixel(200, 232), kWhite);
    EXPECT_EQ(last.Pixel(250, 240), kWhite); // past +17 units nothing is drawn

    // A series' last shot has no follow-through kept: its hole still comes at the shot.
    ShotTrace cut = Sweep(0);
    cut.samples.resize(1500);
    player.Load({cut}, {{0.0F, 20.0F}});
    player.Start();
    clock.Advance(2999);
    EXPECT_FALSE(player.AtEnd());
    clock.Advance(1);
    EXPECT_TRUE(player.AtEnd());
    ImageCanvas shot(400, 400);
    player.DrawFrame(shot);
    EXPECT_EQ(shot.Pixel(200, 240), kRed);
}

TEST(TracePlayer, SpeedPauseAndStepsFollowTheClock) {
    ManualClock clock(0xFFFFF000U); // the tick count wraps during the replay
    TracePlayer player(clock);
    ShotTrace unordered = Sweep(1);
    std::swap(unordered.samples[3], unordered.samples[4]);
    player.Load({Sweep(0), Sweep(9), unordered, Sweep(2)}, std::vector<ShotPoint>(3));
    // Only the traces whose shot exists and whose samples are in time order.
    ASSERT_EQ(player.Count(), 2);

    player.SetSpeed(2.0);
    player.Start();
    clock.Advance(1500);
    EXPECT_EQ(player.Position(), 0);
    player.Pause();
    clock.Advance(1000);
    EXPECT_EQ(player.Position(), 0);
    EXPECT_FALSE(player.Advance());
    player.Continue();
    player.SetSpeed(0.25);
    clock.Advance(400);
    EXPECT_EQ(player.Position(), 100);
    player.SetSpeed(8.0); // brought back to 2x
    EXPECT_EQ(player.Speed(), 2.0);

    // Whole at +500, it lingers a second before the next shot starts.
    clock.Advance(200);
    EXPECT_TRUE(player.AtEnd());
    clock.Advance(999);
    EXPECT_FALSE(player.Advance());
    clock.Advance(1);
    EXPECT_TRUE(player.Advance());
    EXPECT_EQ(player.Shot(), 2);
    EXPECT_EQ(player.Position(), -3000);
    clock.Advance(5000);
    EXPECT_FALSE(player.Advance()); // the last shot stays

    player.Next();
    EXPECT_EQ(player.Index(), 1);
    player.Previous();
    EXPECT_EQ(player.Shot(), 0);
    EXPECT_EQ(player.Position(), -3000);
    player.Previous();
    EXPECT_EQ(player.Index(), 0);
    player.Stop();
    EXPECT_EQ(player.Shot(), -1);
}
