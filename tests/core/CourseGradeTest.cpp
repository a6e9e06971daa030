#include "core/CourseGrade.h"

#include <gtest/gtest.h>

using namespace ryvo;

namespace {

Course CourseOf(std::vector<CourseStage> stages, GradeBasis basis,
                std::vector<std::int32_t> thresholds, std::int32_t minScore = 0) {
    Course c;
    c.name = QStringLiteral("Т");
    c.stages = std::move(stages);
    GradeRule rule;
    rule.basis = basis;
    rule.minScore = minScore;
    const QString names[] = {kGradeExcellent, kGradeGood, kGradeSatisfactory};
    for (size_t i = 0; i < thresholds.size(); ++i) {
        rule.steps.push_back(GradeStep{names[i], thresholds[i]});
    }
    rule.failGrade = kGradeUnsatisfactory;
    c.grade = rule;
    return c;
}

CourseStage Stage(std::int32_t shots, bool lateShotsScore = false) {
    CourseStage s;
    s.shots = shots;
    s.lateShotsScore = lateShotsScore;
    return s;
}

// Shots of the given scores, 1 s apart from 1 s after the signal.
std::vector<CourseShot> Shots(std::initializer_list<std::int32_t> scores) {
    std::vector<CourseShot> shots;
    std::int32_t t = 1000;
    for (std::int32_t s : scores) {
        shots.push_back(CourseShot{s, t, false});
        t += 1000;
    }
    return shots;
}

TEST(CourseGrade, SumGradesAtEveryThreshold) {
    // Two stages; the thresholds 45, 40, 35 on the total.
    const Course c = CourseOf({Stage(3), Stage(2)}, GradeBasis::Sum, {45, 40, 35});
    const struct {
        std::int32_t lastScore;
        const QString& grade;
    } cases[] = {
        {10, kGradeExcellent}, {9, kGradeExcellent},    {8, kGradeGood},         {5, kGradeGood},
        {4, kGradeGood},       {3, kGradeSatisfactory}, {0, kGradeSatisfactory},
    };
    for (const auto& tc : cases) {
        // 9+9+9 + 9+x = 36 + x: 46, 45, 44, 41, 40, 39, 36.
        const auto r = GradeCourse(c, {Shots({9, 9, 9}), Shots({9, tc.lastScore})});
        SCOPED_TRACE(tc.lastScore);
        EXPECT_EQ(r.total, 36 + tc.lastScore);
        EXPECT_EQ(r.grade, tc.grade);
        EXPECT_EQ(r.gradedValue, r.total);
    }
    const auto justBelow = GradeCourse(c, {Shots({9, 9, 8}), Shots({9, 0})});
    EXPECT_EQ(justBelow.total, 35);
    EXPECT_EQ(justBelow.grade, kGradeSatisfactory);
    const auto failed = GradeCourse(c, {Shots({9, 9, 7}), Shots({9, 0})});
    EXPECT_EQ(failed.total, 34);
    EXPECT_EQ(failed.grade, kGradeUnsatisfactory);
    ASSERT_EQ(failed.stages.size(), 2U);
    EXPECT_EQ(failed.stages[0].sum, 25);
    EXPECT_EQ(failed.stages[1].sum, 9);
}

TEST(CourseGrade, LateShotsScoreZeroUnlessTheStageCountsThem) {
    const Course c = CourseOf({Stage(3), Stage(2, true)}, GradeBasis::HitsAtOrAbove, {3, 2}, 8);
    std::vector<CourseShot> first = Shots({10, 9, 8});
    first[2].late = true; // its 8 is lost
    std::vector<CourseShot> second = Shots({8, 7});
    second[0].late = true; // counted: the stage counts late shots
    const auto r = GradeCourse(c, {first, second});
    ASSERT_EQ(r.stages.size(), 2U);
    EXPECT_EQ(r.stages[0].sum, 19);
    EXPECT_EQ(r.stages[0].lateShots, 1);
    EXPECT_EQ(r.stages[1].sum, 15);
    EXPECT_EQ(r.total, 34);
    // Hits of 8 or more as counted: 10, 9 and the counted late 8.
    EXPECT_EQ(r.hitsAtOrAbove, 3);
    EXPECT_EQ(r.grade, kGradeExcellent);
    // In time: neither late shot, counted or not; the 7 is in time.
    EXPECT_EQ(r.hitsInTime, 3);
    EXPECT_EQ(CountedScore(c.stages[0], first[2]), 0);
    EXPECT_EQ(CountedScore(c.stages[1], second[0]), 8);

    // Hits at 8 or above just below, at and above the thresholds 3 and 2.
    const Course h = CourseOf({Stage(4)}, GradeBasis::HitsAtOrAbove, {3, 2}, 8);
    EXPECT_EQ(GradeCourse(h, {Shots({8, 8, 8, 8})}).grade, kGradeExcellent);
    EXPECT_EQ(GradeCourse(h, {Shots({8, 8, 8, 7})}).grade, kGradeExcellent);
    EXPECT_EQ(GradeCourse(h, {Shots({8, 8, 7, 7})}).grade, kGradeGood);
    EXPECT_EQ(GradeCourse(h, {Shots({10, 7, 7, 7})}).grade, kGradeUnsatisfactory);
}

TEST(CourseGrade, HitsInTimeAndPassFail) {
    Course c = CourseOf({Stage(3)}, GradeBasis::HitsInTime, {});
    c.grade->steps = {GradeStep{kGradePass, 2}};
    c.grade->failGrade = kGradeNotPass;
    std::vector<CourseShot> shots = Shots({5, 0, 7});
    EXPECT_EQ(GradeCourse(c, {shots}).grade, kGradePass); // at the threshold
    shots[2].late = true;
    const auto r = GradeCourse(c, {shots});
    EXPECT_EQ(r.hitsInTime, 1);
    EXPECT_EQ(r.grade, kGradeNotPass);
    shots[1].score = 6;
    EXPECT_EQ(GradeCourse(c, {shots}).grade, kGradePass);
    // No shots at all: nothing hit, a grade still given.
    EXPECT_EQ(GradeCourse(c, {}).grade, kGradeNotPass);
}

TEST(CourseGrade, ReactionIsBetterWhenSmaller) {
    const Course c = CourseOf({Stage(1), Stage(1)}, GradeBasis::ReactionMs, {800, 1200, 2000});
    auto run = [&](std::int32_t a, std::int32_t b) {
        return GradeCourse(c, {{CourseShot{9, a, false}}, {CourseShot{7, b, false}}});
    };
    // The mean of the stages' first shots.
    EXPECT_EQ(run(700, 900).reactionMs, 800);
    EXPECT_EQ(run(700, 900).grade, kGradeExcellent);
    EXPECT_EQ(run(700, 902).grade, kGradeGood); // 801
    EXPECT_EQ(run(700, 899).grade, kGradeExcellent);
    EXPECT_EQ(run(1200, 1200).grade, kGradeGood);
    EXPECT_EQ(run(1200, 1202).grade, kGradeSatisfactory);
    EXPECT_EQ(run(2000, 2000).grade, kGradeSatisfactory);
    EXPECT_EQ(run(2000, 2002).grade, kGradeUnsatisfactory);

    // A fast first shot that missed, came late, or never came is not a reaction to grade.
    const auto missed = GradeCourse(c, {{CourseShot{0, 300, false}}, {CourseShot{9, 300, false}}});
    EXPECT_EQ(missed.reactionMs, 300);
    EXPECT_FALSE(missed.gradedValue);
    EXPECT_EQ(missed.grade, kGradeUnsatisfactory);
    const auto late = GradeCourse(c, {{CourseShot{9, 300, true}}, {CourseShot{9, 300, false}}});
    EXPECT_EQ(late.grade, kGradeUnsatisfactory);
    const auto absent = GradeCourse(c, {{CourseShot{9, 300, false}}, {}});
    EXPECT_EQ(absent.reactionMs, 300);
    EXPECT_FALSE(absent.stages[1].reactionMs);
    EXPECT_EQ(absent.grade, kGradeUnsatisfactory);
}

TEST(CourseGrade, NoRuleGivesSumsButNoGrade) {
    Course c = CourseOf({Stage(2)}, GradeBasis::Sum, {10});
    c.grade.reset();
    const auto r = GradeCourse(c, {Shots({10, 0}), Shots({9})}); // extra stage ignored
    EXPECT_EQ(r.total, 10);
    EXPECT_EQ(r.hitsAtOrAbove, 1); // any hit counts without a rule
    EXPECT_TRUE(r.grade.isEmpty());
    EXPECT_FALSE(r.gradedValue);
    ASSERT_EQ(r.stages.size(), 1U);
}

} // namespace
