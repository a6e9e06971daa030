#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace ryvo {

// A course's members kept beside a record, read once for the view, the sheets and the
// exports alike.
struct CourseStageEntry {
    int planned = 0;
    int shots = 0;
    int sum = 0;
    int late = 0;
    std::optional<std::int32_t> target; // the lane's target in the stage; none kept before
};

struct CourseShotEntry {
    double t = 0.0;     // s from the stage's start signal
    double split = 0.0; // s from the shot before
    bool late = false;
};

struct CourseEntry {
    QString course;
    QString grade; // empty: the course grades nothing
    std::vector<CourseStageEntry> stages;
    int total = 0; // the stages' sums
    std::optional<double> reaction;
    // One per shot in firing order; none for a shot whose time was not kept.
    std::vector<std::optional<CourseShotEntry>> shots;
};

// Nothing for a record without a course.
std::optional<CourseEntry> CourseOfRecord(const QJsonObject& beside);

// The target a record of the course is kept with: the one most of its shots were fired at (on
// a tie the later stage's); none when no stage kept its target.
std::optional<std::int32_t> CourseRecordTarget(const CourseEntry& entry);

// "Этапы: 45 + 27 = 72"; empty for a course of one stage, whose sum is the record's.
QString CourseStagesText(const CourseEntry& entry);
// "Реакция: 0.85 с"; empty when none was kept.
QString CourseReactionText(const CourseEntry& entry);
// "1) 1.25 с", "2) 2.10 с (+0.85) поздно": the timed shots.
QStringList CourseShotTexts(const CourseEntry& entry);

// "Этапы: 45 + 27 = 72", "Реакция: 0.85 с", "Выстрелы: 1) 1.25 с; 2) 2.10 с (+0.85) поздно; …"
// from the members kept beside a record; none without a course.
QStringList CourseResultLines(const QJsonObject& beside);

} // namespace ryvo
