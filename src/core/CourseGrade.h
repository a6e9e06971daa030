#pragma once

#include "core/Course.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace ryvo {

inline const QString kGradeExcellent = QStringLiteral("отлично");
inline const QString kGradeGood = QStringLiteral("хорошо");
inline const QString kGradeSatisfactory = QStringLiteral("удовлетворительно");
inline const QString kGradeUnsatisfactory = QStringLiteral("неудовлетворительно");
inline const QString kGradePass = QStringLiteral("выполнено");
inline const QString kGradeNotPass = QStringLiteral("не выполнено");

// One shot of a stage as the run saw it.
struct CourseShot {
    std::int32_t score = 0; // as scored on the target, 0..10
    std::int32_t timeFromSignalMs = 0;
    bool late = false; // fired after the stage time
};

struct StageResult {
    std::int32_t sum = 0; // late shots count 0 unless the stage counts them
    std::int32_t shots = 0;
    std::int32_t lateShots = 0;
    std::int32_t hitsAtOrAbove = 0;         // shots (as counted) scoring at least the rule's score
    std::int32_t hitsInTime = 0;            // shots scoring above 0 and not late
    std::optional<std::int32_t> reactionMs; // the first shot's time from the signal
};

struct CourseResult {
    std::vector<StageResult> stages;
    std::int32_t total = 0;
    std::int32_t hitsAtOrAbove = 0;
    std::int32_t hitsInTime = 0;
    // The mean of the stages' first-shot times; nullopt when no stage has a shot.
    std::optional<std::int32_t> reactionMs;
    // The value the grade was taken from, and the grade; empty without a grade rule.
    std::optional<std::int32_t> gradedValue;
    QString grade;
};

// The score a shot counts in its stage: 0 when late unless the stage counts late shots.
[[nodiscard]] std::int32_t CountedScore(const CourseStage& stage, const CourseShot& shot);

// The grade of a value by the rule: the first step reached, else the fail grade. Reaction
// times reach a step at or below its threshold, the other bases at or above it.
[[nodiscard]] QString GradeOf(const GradeRule& rule, std::optional<std::int32_t> value);

// Sums, hits, reaction and grade of a course from its shots, stage by stage (`shots[i]` are
// the shots of stage i; missing stages have no shots).
[[nodiscard]] CourseResult GradeCourse(const Course& course,
                                       const std::vector<std::vector<CourseShot>>& shots);

} // namespace ryvo
