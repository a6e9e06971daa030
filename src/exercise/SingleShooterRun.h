#pragma once

#include "exercise/ExerciseEngine.h"
#include "platform/Keyboard.h"

#include <array>
#include <cstdint>

namespace ryvo {

// A timer of a run: fires only when the run reaches a dispatch point, so tests driving the
// run with a manual clock see exactly when it fires. Changing the interval restarts it, as
// with the toolkit's timers.
struct LogicalTimer {
    bool enabled = false;
    std::uint32_t interval = 0;
    std::uint32_t due = 0;

    void Start(std::uint32_t now) {
        enabled = true;
        due = now + interval;
    }
    void SetInterval(std::uint32_t ms, std::uint32_t now) {
        interval = ms;
        due = now + ms;
    }
    void Stop() { enabled = false; }
    bool Due(std::uint32_t now) const {
        return enabled && static_cast<std::int32_t>(now - due) >= 0;
    }
};

// The single-shooter exercise without its widgets: the run started by StartClick, the light
// script and lamp flashes, the replay of the shots and the hand-over to the save dialog. The
// window calls Tick from a zero-interval timer; each call runs up to the next dispatch point
// (NumReps + 1 passes in a series, one step in a wait) and returns to the event loop.
class SingleShooterRun : public ExerciseEngine {
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

    // Runs to the next dispatch point.
    void Tick();
    Phase CurrentPhase() const { return m_phase; }
    bool Idle() const { return m_phase == Phase::Idle; }
    // Only waiting for keys, a sound or the pause: the window may tick less often.
    bool Waiting() const;

    void Timer1Timer();
    void Timer2Timer();

    // Fires the run's timers that are due; runs at dispatch points only.
    void DispatchTimers();

    LogicalTimer Timer1;
    LogicalTimer Timer2;
    LogicalTimer Timer_shoot;

    int PortFree = 1;
    int ScriptPos = 0;
    std::uint32_t FlashCount = 0;
    int FlashLane = 0;
    int SeriesPending = 0;
    int StopRequested = 0;
    int RunAgain = 0;
    std::uint32_t PauseStart = 0;
    std::uint32_t RedrawCounter = 0;

    // Passes run since the window was created (for measurements).
    std::uint64_t Passes() const { return m_passes; }

private:
    struct KeyRelease {
        std::array<Key, 3> keys{};
        int remaining = 0;
        int step = 0;
    };
    // One look at the keys; true once every key has been seen released `remaining` times.
    bool KeyReleaseDone(KeyRelease& wait);
    static KeyRelease MakeKeyRelease(int times, Key first);

    int Lane() const;
    float Scale();
    void DrawEmptyTarget();

    void AfterKeyRelease();
    void OuterTurn();
    void SeriesStart();
    void SeriesGo();
    // Steps of a pass before and after the shot; the tail returns true at a dispatch point.
    void PassHead();
    bool PassTail();
    void RunSeries();
    void SeriesEnd();
    void AfterSeries();
    void EndOfRun();
    void DrawLevelBar();

    void ReplayShow();
    void ReplayFinish();
    void DrawReplayHole(size_t shot, Color fill);

    Phase m_phase = Phase::Idle;
    KeyRelease m_keys;
    std::uint32_t m_redrawInterval = 0;
    std::uint32_t m_countdownSeconds = 0;
    bool m_firstTurnAfterSeries = false;
    int m_levelY = 0;
    int m_levelPen = 1;
    std::shared_ptr<bool> m_startSoundDone;
    size_t m_replayShot = 0;
    std::uint64_t m_passes = 0;
};

} // namespace ryvo
