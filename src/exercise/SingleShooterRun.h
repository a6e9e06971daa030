#pragma once

#include "core/ProgramState.h"
#include "exercise/CourseSteps.h"
#include "exercise/ExerciseView.h"
#include "exercise/LampRunner.h"
#include "exercise/LogicalTimers.h"
#include "exercise/RunSequence.h"
#include "exercise/RunStatus.h"
#include "exercise/ShotSound.h"
#include "exercise/TargetPanel.h"
#include "platform/Services.h"

#include <cstdint>
#include <memory>

namespace ryvo {

class SeriesStep;

// The single-shooter exercise without its widgets: its own rules over the shared parts (run
// steps, the poll, the target panel, shot registration, the lamp runner, the timer set), plus
// the replay of the shots and the hand-over to the save dialog. The window calls Tick from a
// zero-interval timer; each call runs up to the next dispatch point (NumReps + 1 passes in a
// series, one step in a wait).
class SingleShooterRun {
public:
    enum class Phase {
        Idle,
        StartKeyRelease,
        StartSound,
        Series,
        LastShotSound,
        Pause,
        EndEscape,
        EndKeyRelease,
        ReplayUpRelease,
        ReplayWaitPress,
        ReplayWaitUpRelease,
        ReplayKeyRelease,
    };

    SingleShooterRun(ProgramState& state, const Services& services, ExerciseView& view);

    void FormActivate();
    void StartClick();
    void ViewShootsClick();
    void SaveClick();
    void PrintClick();
    void ExitClick();

    // The target drawn anew (its picture changed size): the empty target, the holes of the
    // last series and the trigger-jerk marker. Only while idle.
    void Redraw();

    void Tick();
    [[nodiscard]] Phase CurrentPhase() const;
    // The shared steps' phase (the replay is Window).
    [[nodiscard]] RunSequence::Phase RunPhase() const { return m_sequence.CurrentPhase(); }
    [[nodiscard]] bool Idle() const { return m_sequence.Idle(); }
    [[nodiscard]] bool Waiting() const { return m_sequence.Waiting(); }
    // Another series follows the pause (Escape in a series ends that).
    [[nodiscard]] int RunAgain() const { return m_sequence.Repeats() ? 1 : 0; }

    // The large target with the lane's trace.
    TargetPanel panel;
    // Timers of the run; they fire at dispatch points only.
    TimerSet timers;
    LogicalTimer Timer_shoot;
    LampRunner lamps;
    // What the status line says: series totals, saved or not, the replay, a silent device.
    RunStatus status;
    int PortFree = 1;

    // Draws the courses' random delays; tests give a seeded one.
    DrawMs courseDraw = RandomDraw();
    // The course being run or last run; null after a plain series.
    [[nodiscard]] const CourseRun* ActiveCourse() const { return m_course.get(); }

    // Passes run since the window was created (for measurements).
    [[nodiscard]] std::uint64_t Passes() const { return m_passes; }

private:
    class ReplayStep;
    [[nodiscard]] Phase ReplayPhase() const;

    [[nodiscard]] int Lane() const;
    // Whether a shot of this window sounds at all.
    [[nodiscard]] bool ShotsSound() const;
    [[nodiscard]] bool Held(Key key) const { return m_sequence.Held(key); }
    // The run's steps: a series with its start and end, then the pause before the next.
    void RunStart();
    void AddSeries();
    void SeriesStart();
    void SeriesGo();
    // One pass of the series, in the order of its steps.
    void Pass(SeriesStep& series);
    void SeriesEnd();
    void RunEnd();
    // The chosen course in place of the series and its repeats.
    void AddCourseSteps();
    void CourseEnded();
    // The save dialog (mode 0) or the print dialog (mode 1) for the last series.
    void OpenSaveDialog(ViewButton button, std::int32_t mode);
    // Says when the target's picture is missing, if `complain`.
    void DrawEmptyTarget(bool complain = true);
    void DrawReplayHole(size_t shot, Color fill);

    ProgramState& m_state;
    Services m_services;
    ExerciseView& m_view;
    ShotSound m_sound;
    RunSequence m_sequence;
    // Level of the previous pass; a shot's checks use it.
    std::int32_t m_savedLevel = 0;
    // The target shows the holes of the last series (not emptied since).
    bool m_showsSeries = false;
    std::uint64_t m_passes = 0;
    std::unique_ptr<CourseRun> m_course;
    StageHooks m_courseHooks;
};

} // namespace ryvo
