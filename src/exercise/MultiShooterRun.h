#pragma once

#include "core/ProgramState.h"
#include "exercise/CourseSteps.h"
#include "exercise/LampRunner.h"
#include "exercise/LogicalTimers.h"
#include "exercise/MultiShooterView.h"
#include "exercise/RunSequence.h"
#include "exercise/RunStatus.h"
#include "exercise/ShotSound.h"
#include "exercise/TargetPanel.h"
#include "platform/Services.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ryvo {

class SeriesStep;

// The five-lane exercise without its widgets: up to five shooters at once, the selected
// lane (CurrentLane) traced in full on the large target, every lane on its small target,
// and with fire transfer one shared series. Its own rules over the shared parts (run steps,
// the chained poll, the target panel, shot registration and rules, the lamp runner, the
// timer set). The window calls Tick from a zero-interval timer; each call runs up to the
// next dispatch point, where timers and lane clicks are taken. Its code: the run here, the
// pass and its shots in MultiShooterPass.cpp, the lanes' pictures in MultiShooterLanes.cpp.
class MultiShooterRun {
public:
    MultiShooterRun(ProgramState& state, const Services& services, MultiShooterView& view);

    void FormActivate();
    void StartClick();
    void SaveClick();
    void PrintClick();
    void ExitClick();
    // Tar1Click..Tar5Click: selects the lane, also during a run.
    void TarClick(int lane);

    // Small targets, large target and level scale; a missing target picture is said when
    // `complain`.
    void RedrawButtons(bool complain = true);
    // Everything drawn anew (the pictures changed size): targets, level scale, the holes of
    // the last series. Only while idle.
    void Redraw();
    // Shows the newly selected lane on the large target.
    void NewTarget();

    void Tick();
    [[nodiscard]] RunSequence::Phase RunPhase() const { return m_sequence.CurrentPhase(); }
    [[nodiscard]] bool Idle() const { return m_sequence.Idle(); }
    [[nodiscard]] bool Waiting() const { return m_sequence.Waiting(); }

    // The large target: the selected lane in full, with its trace.
    TargetPanel panel;
    // Timers of the run; they fire at dispatch points only.
    TimerSet timers;
    std::array<float, kLaneCount> FirstShotTime{};
    // Timer_shoot1..Timer_shoot5; Timer1 and Timer2_1..Timer2_5 are lamps.script and
    // lamps.flash.
    std::array<LogicalTimer, kLaneCount> Timer_shoot;
    LampRunner lamps;
    int PreviousLane = 0;
    // The status line: series totals of every present lane, saved or not, a silent device.
    RunStatus status;

    // Draws the courses' random delays; tests give a seeded one.
    DrawMs courseDraw = RandomDraw();
    // The course being run or last run; null after a plain series.
    [[nodiscard]] const CourseRun* ActiveCourse() const { return m_course.get(); }

    // Passes run (each polls the selected lane once), for measurements.
    [[nodiscard]] std::uint64_t Passes() const { return m_passes; }

private:
    // The shot just registered is the last of the series: its sound is heard to its end.
    // Weighed by whether a lane takes part at all, not by whether it still shoots.
    [[nodiscard]] bool LastShotWaits() const;
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
    [[nodiscard]] int Lane() const;
    // Seconds from `start` to `now`.
    static float Seconds(std::uint32_t now, std::uint32_t start);
    [[nodiscard]] bool FireTransfer() const;
    [[nodiscard]] std::uint32_t PlannedShots() const;
    // The lanes' figures to the range screen (a dispatch point).
    void ReportToRangeScreen();
    void TimeProc();
    // Hides the aiming point and its arrows and erases the live trace.
    void ClearAim(int lane);
    // TimeC for the lane: its clock while it shoots, its shooting time once it is done.
    void ShowLaneTime(int lane);
    void RegisterSelectedLane(SeriesStep& series, int lane);
    void RegisterOtherLane(SeriesStep& series, int lane);
    void OtherLaneSound(SeriesStep& series);
    void SmallTargetHole(int lane);
    void DrawLaneBar(int lane);
    void DrawLevelScale();
    void DrawLargeTarget(bool complain = true);
    void DrawLastSeries();
    void FrameSmallTarget(int lane, Color color);
    void DrawLaneHoles(int lane);
    void DrawLevel(std::int32_t level);
    void LampsOffOnce();
    void Acknowledge(int lane);

    ProgramState& m_state;
    Services m_services;
    ExerciseView& m_view;
    MultiShooterView& m_lanes;
    ShotSound m_sound;
    RunSequence m_sequence;
    // Level of the selected lane in the previous pass; a shot's checks use it.
    std::int32_t m_savedLevel = 0;
    std::uint64_t m_passes = 0;
    // The selected lane still shows its aiming point and live trace.
    bool m_aimLive = false;
    // Triggers the series-start polls read: pulls since Start was pressed, kept for the
    // first pass, whose poll would find them acknowledged.
    std::array<std::int32_t, kLaneCount> m_startTriggers{};
    // The lanes hold this window's last series (not another window's shots).
    bool m_showsSeries = false;
    // The latest pass or shot: a series that ends in this pass ended then, before the
    // last shot's sound.
    std::uint32_t m_endTick = 0;
    std::unique_ptr<CourseRun> m_course;
    StageHooks m_courseHooks;
};

} // namespace ryvo
