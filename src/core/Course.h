#pragma once

#include "core/Settings.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ryvo {

// A course of fire: stages run one after another in an exercise window, then graded.
// Times are in milliseconds so the run compares them with its clock directly.

// A spoken or sounded command ("Заряжай", "Огонь", ...) at a time of its stage.
struct CourseCommand {
    QString word;          // the command's sound name in the pack, also shown on the status line
    std::int32_t atMs = 0; // from the stage's beginning (before the signal) or from its end
};

// Lamps up for upMs, then down for downMs, repeated while the stage runs.
struct LampTiming {
    std::int32_t upMs = 0;
    std::int32_t downMs = 0;
};

struct CourseStage {
    QString title;
    // Before the start signal, at their times from the stage's beginning.
    std::vector<CourseCommand> commands;
    std::int32_t preparationMs = 0;
    // The command sounded as the start signal ("Огонь"); empty: the start sound of the settings.
    QString signalWord;
    // A random delay before the start signal, drawn in [delayMinMs, delayMaxMs].
    std::int32_t delayMinMs = 0;
    std::int32_t delayMaxMs = 0;
    // Target type per lane; nullopt: as set in the main window.
    std::array<std::optional<std::int32_t>, kLaneCount> targets{};
    std::int32_t shots = 0;
    std::int32_t timeLimitMs = 0; // 0: not limited
    // Beeps at these times from the start signal.
    std::vector<std::int32_t> parTimesMs;
    // A lamp script by file name, or a lamp timing, or neither.
    QString lampScript;
    std::optional<LampTiming> lamps;
    // Shots after the stage time count as fired, marked late; they score 0 unless this is set.
    bool lateShotsScore = false;
    // After the stage time ("Стой", "Разряжай"), at their times from the stage's end.
    std::vector<CourseCommand> endCommands;
};

enum class GradeBasis {
    Sum,           // the total of all stages
    HitsAtOrAbove, // shots scoring at least minScore
    HitsInTime,    // shots scoring above 0 and not late
    ReactionMs,    // the first shot's time from the signal; smaller is better
};

// Grades from best to worst; the first whose threshold the result reaches is given, else the
// last grade ("неудовлетворительно", or "не выполнено" for pass/fail).
struct GradeStep {
    QString grade;
    std::int32_t threshold = 0;
};

struct GradeRule {
    GradeBasis basis = GradeBasis::Sum;
    std::int32_t minScore = 0;
    std::vector<GradeStep> steps;
    QString failGrade;
};

struct Course {
    QString name;
    QString description;
    QString path; // the file it was read from
    std::vector<CourseStage> stages;
    std::optional<GradeRule> grade;
};

} // namespace ryvo
