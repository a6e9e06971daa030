#include "targets/GroupAnalysis.h"

#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace ryvo;

namespace {

const std::vector<ShotPoint> kSquare = {{10, 10}, {10, -10}, {-10, 10}, {-10, -10}};

std::vector<ShotPoint> Shifted(std::vector<ShotPoint> shots, float dx, float dy) {
    for (ShotPoint& p : shots) {
        p.x += dx;
        p.y += dy;
    }
    return shots;
}

} // namespace

TEST(GroupAnalysis, FourHolesOnASquare) {
    const std::vector<std::int32_t> scores = {9, 9, 8, 10};
    const GroupFigures f = AnalyseGroup(kSquare, scores);
    EXPECT_EQ(f.hits, 4);
    EXPECT_DOUBLE_EQ(f.meanX, 0.0);
    EXPECT_DOUBLE_EQ(f.meanY, 0.0);
    EXPECT_NEAR(f.extremeSpread, std::sqrt(800.0), 1e-9); // the diagonal
    EXPECT_NEAR(f.meanRadius, std::sqrt(200.0), 1e-9);
    EXPECT_EQ(f.hitsPerScore[9], 2);
    EXPECT_EQ(f.hitsPerScore[8], 1);
    EXPECT_EQ(f.hitsPerScore[10], 1);
    EXPECT_EQ(f.misses + f.darkShots, 0);
    EXPECT_EQ(MeanPointDirection(f.meanX, f.meanY), QStringLiteral("в центре"));

    // Moved up and right: the same spread about the new mean point.
    const GroupFigures moved = AnalyseGroup(Shifted(kSquare, 20, -30), scores);
    EXPECT_NEAR(moved.meanX, 20.0, 1e-9);
    EXPECT_NEAR(moved.meanY, -30.0, 1e-9);
    EXPECT_NEAR(moved.extremeSpread, f.extremeSpread, 1e-9);
    EXPECT_NEAR(moved.meanRadius, f.meanRadius, 1e-9);
    EXPECT_EQ(MeanPointDirection(moved.meanX, moved.meanY), QStringLiteral("выше и правее"));
    EXPECT_EQ(GroupFigureLines(moved),
              (QStringList{QStringLiteral("Средняя точка попадания:  x = 20.0, y = -30.0 "
                                          "(выше и правее)"),
                           QStringLiteral("Наибольший разброс:  28.3;  средний радиус:  14.1"),
                           QStringLiteral("Попадания по очкам:  10 - 1, 9 - 2, 8 - 1")}));
}

TEST(GroupAnalysis, SingleShotHasNoSpread) {
    const std::vector<ShotPoint> shot = {{-5, 7}};
    const GroupFigures f = AnalyseGroup(shot, std::vector<std::int32_t>{6});
    EXPECT_EQ(f.hits, 1);
    EXPECT_DOUBLE_EQ(f.meanX, -5.0);
    EXPECT_DOUBLE_EQ(f.meanY, 7.0);
    EXPECT_DOUBLE_EQ(f.extremeSpread, 0.0);
    EXPECT_DOUBLE_EQ(f.meanRadius, 0.0);
    EXPECT_EQ(MeanPointDirection(f.meanX, f.meanY), QStringLiteral("ниже и левее"));
}

TEST(GroupAnalysis, MissesAndDarkShotsAreCountedApart) {
    const std::vector<ShotPoint> shots = {{150, 0}, {-1234, -1234}, {0, -120}, {5, 5}};
    const GroupFigures none =
        AnalyseGroup(std::span(shots).first(3), std::vector<std::int32_t>{-1, -2, -1});
    EXPECT_EQ(none.hits, 0);
    EXPECT_EQ(none.misses, 2);
    EXPECT_EQ(none.darkShots, 1);
    EXPECT_DOUBLE_EQ(none.extremeSpread, 0.0);
    EXPECT_EQ(GroupFigureLines(none),
              (QStringList{QStringLiteral("Попаданий в мишень нет"),
                           QStringLiteral("Не учтены:  промахов 2, при тёмной мишени 1")}));

    // The far misses do not pull the mean point: only the hit at (5, 5) counts.
    const GroupFigures one = AnalyseGroup(shots, std::vector<std::int32_t>{-1, -2, -1, 10});
    EXPECT_EQ(one.hits, 1);
    EXPECT_DOUBLE_EQ(one.meanX, 5.0);
    EXPECT_DOUBLE_EQ(one.extremeSpread, 0.0);
    // The dark-target position counts as dark whatever score it was given.
    const GroupFigures marker = AnalyseGroup(shots, std::vector<std::int32_t>{-1, 0, -1, 10});
    EXPECT_EQ(marker.darkShots, 1);
    EXPECT_EQ(marker.hitsPerScore[0], 0);
    // Scores outside 0..10 count as misses; extra scores without a shot are ignored.
    const GroupFigures odd = AnalyseGroup(std::span(shots).last(1), std::vector<int>{11, 5, 5});
    EXPECT_EQ(odd.misses, 1);
    EXPECT_EQ(odd.hits, 0);
}

TEST(GroupAnalysis, ScoresByTheTargetType) {
    const std::vector<ShotPoint> shots = {{0, 0}, {19, 0}, {-103, 0}, {-1234, -1234}};
    const GroupFigures f = AnalyseGroup(shots, kTargetSport, nullptr);
    EXPECT_EQ(f.hits, 2);
    EXPECT_EQ(f.hitsPerScore[10], 1);
    EXPECT_EQ(f.hitsPerScore[9], 1);
    EXPECT_EQ(f.misses, 1);
    EXPECT_EQ(f.darkShots, 1);
    EXPECT_NEAR(f.meanX, 9.5, 1e-9);
    EXPECT_NEAR(f.extremeSpread, 19.0, 1e-9);
    EXPECT_NEAR(f.meanRadius, 9.5, 1e-9);
}

TEST(MeanPointDirection, WordsForEachSideWithinTheTolerance) {
    EXPECT_EQ(MeanPointDirection(2.0, -2.0), QStringLiteral("в центре"));
    EXPECT_EQ(MeanPointDirection(-2.1, 0), QStringLiteral("левее"));
    EXPECT_EQ(MeanPointDirection(2.1, 1.9), QStringLiteral("правее"));
    EXPECT_EQ(MeanPointDirection(0, -2.1), QStringLiteral("выше"));
    EXPECT_EQ(MeanPointDirection(0, 30), QStringLiteral("ниже"));
    EXPECT_EQ(MeanPointDirection(-10, -10), QStringLiteral("выше и левее"));
    EXPECT_EQ(MeanPointDirection(10, 10), QStringLiteral("ниже и правее"));
}
