#include "targets/Scoring.h"

#include "core/ProgramState.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QImage>

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

namespace {

// A pack of two library targets (types 3 and 4) on 20-pixel pictures, 10 units a pixel; only
// type 3 has a zone map: a 10 over the centre pixels 8..11 (-20 <= x, y < 20), a 3 in the
// top-left pixel, 255 along the bottom row, 0 elsewhere.
class ZoneScoring : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Write(QStringLiteral("Targets/strings.txt"), "1\t2\n101\tA\n102\tB\n");
        QImage picture(20, 20, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        ASSERT_TRUE(picture.save(m_dir.File(QStringLiteral("Targets/1001.png"))));
        ASSERT_TRUE(picture.save(m_dir.File(QStringLiteral("Targets/1002.png"))));
        QImage zones(20, 20, QImage::Format_Grayscale8);
        zones.fill(0);
        for (int y = 8; y < 12; ++y) {
            for (int x = 8; x < 12; ++x) {
                zones.setPixel(x, y, qRgb(10, 10, 10));
            }
        }
        zones.setPixel(0, 0, qRgb(3, 3, 3));
        for (int x = 0; x < 20; ++x) {
            zones.setPixel(x, 19, qRgb(255, 255, 255));
        }
        ASSERT_TRUE(zones.save(m_dir.File(QStringLiteral("Targets/1001.zones.png"))));
        m_state.StartDir = m_dir.Path();
        LoadTargetLibrary(m_state);
        ASSERT_TRUE(m_state.TargetLibrary.has_value());
    }
    // Scores with the maps of the pack this fixture has loaded now.
    std::int32_t ScoreShot(float x, float y, std::int32_t type) const {
        return ryvo::ScoreShot(x, y, type, LoadedZones(m_state));
    }

    test::TempDir m_dir;
    ProgramState m_state;
};

} // namespace

TEST_F(ZoneScoring, HolesScoreByThePixelUnderTheirCentre) {
    EXPECT_EQ(ScoreShot(0, 0, 3), 10);
    EXPECT_EQ(ScoreShot(-20, -20, 3), 10);     // pixel 8
    EXPECT_EQ(ScoreShot(19.9F, 19.9F, 3), 10); // pixel 11.99 truncates to 11
    EXPECT_EQ(ScoreShot(20, 0, 3), 0);         // pixel 12: on the paper, no zone
    EXPECT_EQ(ScoreShot(-20.1F, 0, 3), 0);     // pixel 7.99 truncates to 7
    EXPECT_EQ(ScoreShot(60, -60, 3), 0);
    EXPECT_EQ(ScoreShot(-95, -95, 3), 3);
    EXPECT_EQ(ScoreShot(0, 95, 3), 10); // grey values above 10 are cut to 10
    // The bitmap of the same id is still the picture, not the map.
    EXPECT_EQ(m_state.TargetLibrary->Bitmap(1001).pixel(10, 10), QColor(Qt::blue).rgb());
}

TEST_F(ZoneScoring, EdgesMissesAndDarkShotsKeepTheirCodes) {
    // Holes whose centre is just off the picture still touch the square: the edge pixel.
    EXPECT_EQ(ScoreShot(-101.5F, -101.5F, 3), 3);
    EXPECT_EQ(ScoreShot(0, 101.9F, 3), 10);
    EXPECT_EQ(ScoreShot(-103, 0, 3), kScoreMiss);
    EXPECT_EQ(ScoreShot(0, 102, 3), kScoreMiss);
    EXPECT_EQ(ScoreShot(-1234, -1234, 3), kScoreDark);
}

TEST_F(ZoneScoring, TargetsWithoutAMapAndBuiltInTargetsAreUnchanged) {
    EXPECT_EQ(ScoreShot(0, 0, 4), 0); // no 1002.zones.png
    EXPECT_EQ(ScoreShot(0, 0, 5), 0); // no such target
    EXPECT_EQ(ScoreShot(60, -40, kTargetN4), 0);
    EXPECT_EQ(ScoreShot(19, 0, kTargetSport), 9);

    // A pack without maps, and no pack at all, bring back 0 for every library hole.
    QFile::remove(m_dir.File(QStringLiteral("Targets/1001.zones.png")));
    LoadTargetLibrary(m_state);
    EXPECT_EQ(ScoreShot(0, 0, 3), 0);
    QDir(m_dir.File(QStringLiteral("Targets"))).removeRecursively();
    LoadTargetLibrary(m_state);
    EXPECT_FALSE(m_state.TargetLibrary.has_value());
    EXPECT_EQ(ScoreShot(0, 0, 3), 0);
}

TEST(ZoneScore, MapsOfOtherSizesUseTheirOwnScale) {
    // 200 pixels: one pixel a unit; grey 7 only in column 150 (x from 50 to 51).
    QImage map(200, 100, QImage::Format_Grayscale8);
    map.fill(0);
    for (int y = 0; y < 100; ++y) {
        map.setPixel(150, y, qRgb(7, 7, 7));
    }
    EXPECT_EQ(ZoneScore(map, 50.5F, 0), 7);
    EXPECT_EQ(ZoneScore(map, 49.9F, -99), 0);
    EXPECT_EQ(ZoneScore(map, 51, 99), 0);
    EXPECT_EQ(ZoneScore(QImage(), 0, 0), 0);
    EXPECT_EQ(ZoneScore(map, std::numeric_limits<float>::quiet_NaN(), 0), 0);
}
