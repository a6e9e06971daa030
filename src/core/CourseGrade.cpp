#include "core/CourseGrade.h"

#include <algorithm>
#include <cmath>

namespace ryvo {

std::int32_t CountedScore(const CourseStage& stage, const CourseShot& shot) {
    if (shot.late && !stage.lateShotsScore) {
        return 0;
    }
    return std::max(0, shot.score);
}

QString GradeOf(const GradeRule& rule, std::optional<std::int32_t> value) {
    if (value) {
        const bool lowerIsBetter = rule.basis == GradeBasis::ReactionMs;
        for (const GradeStep& step : rule.steps) {
            if (lowerIsBetter ? *value <= step.threshold : *value >= step.threshold) {
                return step.grade;
            }
        }
    }
    return rule.failGrade;
}

CourseResult GradeCourse(const Course& course, const std::vector<std::vector<CourseShot>>& shots) {
    const std::int32_t minScore = course.grade ? std::max(1, course.grade->minScore) : 1;
    CourseResult result;
    std::int64_t reactionSum = 0;
    int reactionCount = 0;
    // A reaction grade needs every stage's first shot in time and on the target.
    bool reactionGradable = !course.stages.empty();
    for (size_t i = 0; i < course.stages.size(); ++i) {
        const CourseStage& stage = course.stages[i];
        StageResult sr;
        static const std::vector<CourseShot> kNone;
        const std::vector<CourseShot>& stageShots = i < shots.size() ? shots[i] : kNone;
        for (const CourseShot& shot : stageShots) {
            const std::int32_t counted = CountedScore(stage, shot);
            sr.sum += counted;
            ++sr.shots;
            sr.lateShots += shot.late ? 1 : 0;
            sr.hitsAtOrAbove += counted >= minScore ? 1 : 0;
            sr.hitsInTime += !shot.late && shot.score > 0 ? 1 : 0;
        }
        if (!stageShots.empty()) {
            const CourseShot& first = stageShots.front();
            sr.reactionMs = first.timeFromSignalMs;
            reactionSum += first.timeFromSignalMs;
            ++reactionCount;
            reactionGradable = reactionGradable && !first.late && first.score > 0;
        } else {
            reactionGradable = false;
        }
        result.total += sr.sum;
        result.hitsAtOrAbove += sr.hitsAtOrAbove;
        result.hitsInTime += sr.hitsInTime;
        result.stages.push_back(sr);
    }
    if (reactionCount > 0) {
        result.reactionMs = static_cast<std::int32_t>(
            std::llround(static_cast<double>(reactionSum) / reactionCount));
    }
    if (!course.grade) {
        return result;
    }
    switch (course.grade->basis) {
    case GradeBasis::Sum:
        result.gradedValue = result.total;
        break;
    case GradeBasis::HitsAtOrAbove:
        result.gradedValue = result.hitsAtOrAbove;
        break;
    case GradeBasis::HitsInTime:
        result.gradedValue = result.hitsInTime;
        break;
    case GradeBasis::ReactionMs:
        if (reactionGradable) {
            result.gradedValue = result.reactionMs;
        }
        break;
    }
    result.grade = GradeOf(*course.grade, result.gradedValue);
    return result;
}

} // namespace ryvo
