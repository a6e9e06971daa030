#pragma once

#include "exercise/ExerciseEngine.h"
#include "exercise/LampRunner.h"
#include "exercise/LogicalTimers.h"
#include "exercise/RunPhases.h"
#include "exercise/RunStatus.h"

#include <cstdint>

namespace ryvo {

// The single-shooter exercise without its widgets: its own rules over the shared run
// phases, lamp runner and target panel, plus the replay of the shots and the hand-over to
// the save dialog. The window calls Tick from a zero-interval timer; each call runs up to
// the next dispatch point (NumReps + 1 passes in a series, one step in a wait).
class SingleShooterRun : public ExerciseEngine, public RunPhases {
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

    [[nodiscard]] Phase CurrentPhase() const;
    using RunPhases::Idle;
    using RunPhases::Tick;
    using RunPhases::Waiting;

    // Fires the run's timers that are due; runs at dispatch points only.
    void DispatchTimers();

    LogicalTimer Timer_shoot;
    LampRunner lamps;
    // What the status line says: series totals, saved or not, the replay, a silent device.
    RunStatus status;
    int PortFree = 1;

    // Passes run since the window was created (for measurements).
    [[nodiscard]] std::uint64_t Passes() const { return m_passes; }

protected:
    void OnTick() override { DrawPendingFreeze(); }
    void OnRunStart() override;
    void OnSeriesStart() override;
    void OnSeriesGo() override;
    void PassHead() override;
    [[nodiscard]] bool ShotSoundPending() const override { return SoundPending(); }
    void OnDispatch() override;
    void PassTail() override;
    void OnSeriesEnd() override;
    void ShowCountdown(const QString& text) override;
    void OnRunEnd() override;
    void OnIdle() override;
    void TickWindow() override;
    [[nodiscard]] bool ShotsSound() const override;

private:
    enum class Replay { UpRelease, WaitPress, WaitUpRelease, KeyRelease };

    [[nodiscard]] int Lane() const;
    // The save dialog (mode 0) or the print dialog (mode 1) for the last series.
    void OpenSaveDialog(ViewButton button, std::int32_t mode);
    // Says when the target's picture is missing, if `complain`.
    void DrawEmptyTarget(bool complain = true);
    void ReplayShow();
    // The next shot, or the end after the last one.
    void ReplayNext();
    void ReplayFinish();
    void DrawReplayHole(size_t shot, Color fill);

    Replay m_replay = Replay::UpRelease;
    KeyRelease m_replayKeys;
    size_t m_replayShot = 0;
    // The target shows the holes of the last series (not emptied since).
    bool m_showsSeries = false;
    std::uint64_t m_passes = 0;
};

} // namespace ryvo
