#pragma once

#include "core/Course.h"
#include "core/RunState.h"
#include "exercise/ShotRules.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace ryvo {

struct ProgramState;
class Sound;

// After its time a stage stays open this long, so a late shot is seen and marked.
inline constexpr std::uint32_t kLateShotWindowMs = 3000;

// A random draw in [lo, hi]; a run is reproducible with a seeded one.
using DrawMs = std::function<std::int32_t(std::int32_t lo, std::int32_t hi)>;
DrawMs SeededDraw(std::uint32_t seed);
DrawMs RandomDraw();

// One shot of a course: its time from the stage's start signal and from the shot before.
struct CourseShotTime {
    ShotPoint point;
    std::uint32_t ms = 0;
    std::uint32_t splitMs = 0;
    std::int32_t score = 0;
    bool late = false;
};

struct CourseStageResult {
    std::vector<CourseShotTime> shots;
    std::int32_t sum = 0;
    int late = 0;
    // The per-shot members other work put beside the stage's shots (one object per shot).
    QJsonArray besideShots;
};

struct CourseLaneResult {
    std::vector<CourseStageResult> stages;
    std::int32_t total = 0;
    // The first shot's time from its signal (the mean over the stages).
    std::optional<std::uint32_t> reactionMs;
    QString grade;
};

// "Этап 2 из 3: 5 выстрелов за 8 с".
QString StageText(const Course& course, int index);
// The stage and what comes next: "Этап 1 из 2: 3 выстрела за 10 с. Далее: этап 2 из 2: ...".
QString StageLine(const Course& course, int index);
// "сумма 45 + 27 = 72, «хорошо», реакция 0.85 с".
QString CourseResultText(const CourseLaneResult& result);

// A course being run by an exercise window over its lanes: each stage's shots, time limit,
// targets and lamps stand in the settings while the stage runs (the main window's are put
// back at the end); the window's pass calls Pass and, after each registered shot, Shot.
class CourseRun {
public:
    CourseRun(Course course, ProgramState& state, Sound* sound, LaneSet lanes);
    ~CourseRun();
    CourseRun(const CourseRun&) = delete;
    CourseRun& operator=(const CourseRun&) = delete;

    [[nodiscard]] const Course& GetCourse() const { return m_course; }
    [[nodiscard]] int StageCount() const { return static_cast<int>(m_course.stages.size()); }
    // The stage running, -1 before the first.
    [[nodiscard]] int StageIndex() const { return m_stage; }
    [[nodiscard]] LaneSet Lanes() const { return m_lanes; }

    // The stage's settings in place of the main window's.
    void BeginStage(int index);
    // The start signal was given.
    void StageGo(std::uint32_t now);
    // Once per pass: par beeps, and lanes past the stage time and its late window stop.
    void Pass(std::uint32_t now);
    // The lane's shot just registered: late past the stage time, scoring 0 unless the stage
    // counts late shots.
    void Shot(int lane);
    // The series of the stage ended: its shots are kept per lane.
    void EndStage();
    // The main window's settings back; every lane's shots of the course in the run state
    // (as one series for the save), its result computed and put beside the record.
    void Finish();

    [[nodiscard]] const CourseLaneResult& Result(int lane) const;
    [[nodiscard]] bool Finished() const { return m_finished; }
    // Adds the course's members to those kept beside the lane's record: "course", "stages",
    // "grade", "reaction", and per shot "t", "split", "late".
    void AddBeside(int lane, QJsonObject& beside) const;

private:
    void Restore();
    [[nodiscard]] std::vector<QString> LampLines(const CourseStage& stage) const;

    Course m_course;
    ProgramState& m_state;
    Sound* m_sound;
    LaneSet m_lanes;
    int m_stage = -1;
    std::uint32_t m_signal = 0;
    std::size_t m_nextPar = 0;
    std::optional<Settings> m_saved;
    std::vector<QString> m_savedScript;
    std::array<CourseLaneResult, kLaneCount> m_results;
    bool m_finished = false;
};

} // namespace ryvo
