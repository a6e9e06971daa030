#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ryvo;

namespace {

// Hole centre at distance r from the target centre, on the lower half's vertical axis
// (clear of the N4 corner zones).
std::int32_t ScoreAtDistance(float r, std::int32_t type) {
    return ScoreShot(0.0F, r, type);
}

} // namespace

TEST(ScoreShot, CentreScoresTenOnBothBuiltInTargets) {
    EXPECT_EQ(ScoreShot(0, 0, kTargetN4), 10);
    EXPECT_EQ(ScoreShot(0, 0, kTargetSport), 10);
}

TEST(ScoreShot, RingTablesAwayFromBoundaries) {
    // Midpoints of the bands of 10 units, starting below 12.
    const float distances[] = {6, 17, 27, 37, 47, 57, 67, 77, 87, 97};
    const int n4[] = {10, 10, 9, 9, 8, 8, 7, 7, 6, 6};
    const int sport[] = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    for (size_t i = 0; i < std::size(distances); ++i) {
        EXPECT_EQ(ScoreAtDistance(distances[i], kTargetN4), n4[i]) << distances[i];
        EXPECT_EQ(ScoreAtDistance(distances[i], kTargetSport), sport[i]) << distances[i];
    }
    // Between 102 and 112 (only reachable towards the corners of the square).
    EXPECT_EQ(ScoreShot(75, 75, kTargetN4), 5);    // r = 106
    EXPECT_EQ(ScoreShot(75, 75, kTargetSport), 0); // on the paper, outside ring 1
}

TEST(ScoreShot, HoleTouchingARingLineCountsForTheInnerRing) {
    // Sport ring 9 reaches to 20 units; a hole of radius 2 at 21.9 still touches it.
    EXPECT_EQ(ScoreAtDistance(21.9F, kTargetSport), 9);
    EXPECT_EQ(ScoreAtDistance(22.1F, kTargetSport), 8);
    EXPECT_EQ(ScoreAtDistance(11.9F, kTargetSport), 10);
    EXPECT_EQ(ScoreAtDistance(12.1F, kTargetSport), 9);
    EXPECT_EQ(ScoreShot(19, 0, kTargetSport), 9);
    EXPECT_EQ(ScoreShot(100, 0, kTargetSport), 1);
    // N4 rings are 20 units wide: 10 up to 22, 9 up to 42, ...
    EXPECT_EQ(ScoreAtDistance(21.9F, kTargetN4), 10);
    EXPECT_EQ(ScoreAtDistance(22.1F, kTargetN4), 9);
    EXPECT_EQ(ScoreAtDistance(41.9F, kTargetN4), 9);
    EXPECT_EQ(ScoreAtDistance(42.1F, kTargetN4), 8);
    EXPECT_EQ(ScoreAtDistance(92.1F, kTargetN4), 6);
    EXPECT_EQ(ScoreShot(60, 40, kTargetN4), 7);
}

TEST(ScoreShot, N4UpperCornersBesideTheHeadScoreZero) {
    EXPECT_EQ(ScoreShot(60, -40, kTargetN4), 0);
    EXPECT_EQ(ScoreShot(-60, -40, kTargetN4), 0);
    EXPECT_EQ(ScoreShot(0, -90, kTargetN4), 6); // on the head
    // Right corner starts where the hole clears x = 47, left where it clears x = -47.
    EXPECT_EQ(ScoreShot(49, -60, kTargetN4), 0);
    EXPECT_NE(ScoreShot(48.9F, -60, kTargetN4), 0);
    EXPECT_EQ(ScoreShot(-49.1F, -60, kTargetN4), 0);
    EXPECT_NE(ScoreShot(-49, -60, kTargetN4), 0);
    // Lower limit of the corners: the hole must stay above y = -28.
    EXPECT_EQ(ScoreShot(60, -30.1F, kTargetN4), 0);
    EXPECT_NE(ScoreShot(60, -30, kTargetN4), 0);
    // The right zone ends at x < 101, holes beyond still touch the square's edge.
    EXPECT_EQ(ScoreShot(100.9F, -60, kTargetN4), 0);
    EXPECT_EQ(ScoreShot(101.5F, -60, kTargetN4), 5);
    // Corner zones exist only on the N4 target.
    EXPECT_EQ(ScoreShot(60, -40, kTargetSport), 3);
}

TEST(ScoreShot, MissesDependOnTheHoleTouchingTheSquare) {
    for (std::int32_t type : {-1, 1, 2, 3, 7}) {
        EXPECT_EQ(ScoreShot(-103, 0, type), kScoreMiss) << type;
        EXPECT_GE(ScoreShot(-102, 0, type), 0) << type; // x + R = -100 touches
        EXPECT_EQ(ScoreShot(0, -102.01F, type), kScoreMiss) << type;
        EXPECT_GE(ScoreShot(0, -102, type), 0) << type;
        EXPECT_GE(ScoreShot(101.99F, 0, type), 0) << type;
        EXPECT_EQ(ScoreShot(102, 0, type), kScoreMiss) << type; // x - R >= 100
        EXPECT_EQ(ScoreShot(0, 102, type), kScoreMiss) << type;
        EXPECT_EQ(ScoreShot(-1234, -1234, type), kScoreDark) << type;
        EXPECT_EQ(ScoreShot(-1234, 0, type), kScoreMiss) << type;
    }
    EXPECT_EQ(ScoreShot(-102, 0, kTargetN4), 5);
    EXPECT_EQ(ScoreShot(-102, 0, kTargetSport), 0);
}

TEST(ScoreShot, SportCornersNeverCollideWithMissOrDarkCodes) {
    // d >= 1.1 would give -1..-3 by the plain ring formula.
    for (float v : {80.0F, 90.0F, 95.0F, 101.0F}) {
        EXPECT_EQ(ScoreShot(v, v, kTargetSport), 0) << v;
        EXPECT_EQ(ScoreShot(-v, v, kTargetSport), 0) << v;
    }
}

TEST(ScoreShot, LibraryAndOtherTypesScoreZeroOnTheSquare) {
    EXPECT_EQ(ScoreShot(50, 0, 5), 0);
    EXPECT_EQ(ScoreShot(0, 0, 3), 0);
    EXPECT_EQ(ScoreShot(0, 0, 1000), 0);
    EXPECT_EQ(ScoreShot(0, 0, 0), 0);
}

TEST(ScoreShot, UndefinedPositionsAreMisses) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(ScoreShot(nan, 0, kTargetN4), kScoreMiss);
    EXPECT_EQ(ScoreShot(0, nan, kTargetSport), kScoreMiss);
    EXPECT_EQ(ScoreShot(inf, 0, kTargetSport), kScoreMiss);
    EXPECT_EQ(ScoreShot(0, -inf, kTargetN4), kScoreMiss);
}
