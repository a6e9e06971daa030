#pragma once

#include "core/ProgramState.h"
#include "core/TraceBuffer.h"
#include "exercise/CourseSteps.h"
#include "exercise/ExerciseView.h"
#include "exercise/LampRunner.h"
#include "exercise/LogicalTimers.h"
#include "exercise/RunSequence.h"
#include "exercise/RunStatus.h"
#include "exercise/TwoShooterPanel.h"
#include "platform/Services.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ryvo {

enum class TwoButton { Start, Save, Save2, Print, Print2, Exit };

// What the two-shooter rules need of their window: one panel per shooter, the lamp
// indicators Image1..Image4, the buttons and navigation.
class TwoShooterView {
public:
    virtual ~TwoShooterView() = default;

    virtual PanelView& Lane(int lane) = 0;
    virtual void SetLampVisible(ViewItem image, bool visible) = 0;
    virtual void FillLamp(ViewItem image, Color color) = 0;
    virtual void SetStartCaption(const QString& caption) = 0;
    virtual void SetEnabled(TwoButton button, bool enabled) = 0;
    [[nodiscard]] virtual bool IsEnabled(TwoButton button) const = 0;
    virtual void FocusStart() = 0;
    virtual void ActivateWindow(const QString& className) = 0;
    // Shows what changed as soon as control returns to the event loop (a new shot).
    virtual void Present() {}
};

class SeriesStep;

// The two-shooter exercise without its widgets: shooter 1 on lane 0 and shooter 2 on lane 1,
// each on a panel of their own, polled one lane at a time, with one dispatch point per pass.
// Its own run of steps over the shared parts (the single-lane poll, the panels, shot
// acceptance and recording, the lamp runner, the timer set). The window calls Tick from a
// zero-interval timer; each call runs one pass in a series, one step in a wait. Its code: the
// run here, the pass and its shots in TwoShooterPass.cpp.
class TwoShooterRun {
public:
    static constexpr int kShooters = 2;

    TwoShooterRun(ProgramState& state, const Services& services, TwoShooterView& view);

    void FormActivate();
    void StartClick();
    void ExitClick();
    void SaveClick() { OpenResult(0, 0); }
    void Save2Click() { OpenResult(1, 0); }
    void PrintClick() { OpenResult(0, 1); }
    void Print2Click() { OpenResult(1, 1); }
    // The pictures took a new size while idle: targets, holes and markers drawn again.
    void Redraw();

    void Tick() { m_sequence.Tick(); }
    [[nodiscard]] RunSequence::Phase RunPhase() const { return m_sequence.CurrentPhase(); }
    [[nodiscard]] bool Idle() const { return m_sequence.Idle(); }
    [[nodiscard]] bool Waiting() const { return m_sequence.Waiting(); }

    TwoShooterPanel& Panel(int lane) { return *m_panels[static_cast<size_t>(lane)]; }

    // Timers of the run; they fire at dispatch points only.
    TimerSet timers;
    // Shot lock-out of lane 0 and lane 1.
    std::array<LogicalTimer, kShooters> Timer_shoot;
    LampRunner lamps;
    int PortFree = 1;

    // Passes and polls since the window was created (for measurements).
    [[nodiscard]] std::uint64_t Passes() const { return m_passes; }
    [[nodiscard]] std::uint64_t Polls() const { return m_polls; }
    // What the last series came to, whether it is saved, a silent device.
    RunStatus status;

    // Draws the courses' random delays; tests give a seeded one.
    DrawMs courseDraw = RandomDraw();
    // The course being run or last run; null after a plain series.
    [[nodiscard]] const CourseRun* ActiveCourse() const { return m_course.get(); }

private:
    // The run's steps: a series with its start and end, then the pause before the next.
    void RunStart();
    void AddSeries();
    void SeriesStart();
    // The lanes and lamps made ready for a series; false when nobody takes part.
    bool PrepareSeries();
    // The chosen course's stages in place of the series, each a series of the window.
    void AddCourseSteps();
    void CourseEnded();
    void SeriesGo();
    // One pass of the series, in the order of its steps.
    void Pass(SeriesStep& series);
    void SeriesEnd();
    void RunEnd();

    void OpenResult(int lane, std::int32_t mode);
    void DrawTargets(bool tellMissing = true);
    void RegisterShot(SeriesStep& series, int lane);
    // A lane that takes part and may still register shots.
    [[nodiscard]] bool CanShoot(int lane) const;
    [[nodiscard]] bool SoundOn() const;
    void ShotSound(SeriesStep& series, bool wait);
    void Poll(int lane);

    ProgramState& m_two;
    Services m_services;
    TwoShooterView& m_view;
    RunSequence m_sequence;
    std::array<TraceBuffer, kShooters> m_rings;
    std::array<std::unique_ptr<TwoShooterPanel>, kShooters> m_panels;
    // The latest pass or shot: a series that ends in this pass ended then, before the
    // last shot's sound.
    std::uint32_t m_endTick = 0;
    // Triggers the series-start polls read: pulls since Start was pressed, kept for the
    // first pass, whose poll would find them acknowledged.
    std::array<std::int32_t, kShooters> m_startTriggers{};
    // The targets show the holes of the last series.
    bool m_showsSeries = false;
    // The lane still shows its pointer and live trace.
    std::array<bool, kShooters> m_aimLive{};
    std::uint64_t m_passes = 0;
    std::uint64_t m_polls = 0;
    std::unique_ptr<CourseRun> m_course;
    StageHooks m_courseHooks;
};

} // namespace ryvo
