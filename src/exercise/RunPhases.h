#pragma once

#include "exercise/LogicalTimers.h"
#include "exercise/RunSteps.h"
#include "platform/Keyboard.h"
#include "platform/Services.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>

namespace ryvo {

struct Settings;

// What differs between the exercise windows' runs.
struct RunRules {
    int startKeyRounds = 10;
    int endKeyRounds = 100; // 0: the run ends once Escape is up
    bool escapeEndsPause = false;
    QString countdownText = QStringLiteral("До начала стрельбы %1 сек");
    bool dispatchEveryPass = false; // otherwise every NumReps + 1 passes
};

// The two-shooter window's run by hooks: key-release waits, the start sound, the series and
// its passes with their dispatch points, the last shot's sound, the pause with its countdown
// between repeated series, and the end of the run. The window derives from it, fills the
// hooks with its own rules and calls BeginRun from its start button and Tick from a
// zero-interval timer; each Tick runs up to the next dispatch point. Timers of the window are
// added to `timers` and fire only at dispatch points. The other windows run as a
// RunSequence of steps; this one follows.
class RunPhases {
public:
    using Phase = RunSequence::Phase;

    RunPhases(const Settings& settings, const Services& services, RunRules rules);
    virtual ~RunPhases() = default;
    RunPhases(const RunPhases&) = delete;
    RunPhases& operator=(const RunPhases&) = delete;

    void Tick();
    [[nodiscard]] Phase RunPhase() const { return m_phase; }
    [[nodiscard]] bool Idle() const { return m_phase == Phase::Idle; }
    // Only waiting for keys, a sound or the pause: the window may tick less often.
    [[nodiscard]] bool Waiting() const {
        return m_phase != Phase::Series && m_phase != Phase::Idle;
    }

    TimerSet timers;
    int SeriesPending = 0;
    int StopRequested = 0;
    int RunAgain = 0;
    std::uint32_t PauseStart = 0;
    std::uint32_t RedrawCounter = 0;

protected:
    // Starts a run: the key release, then series while they repeat. `numReps` passes run
    // between dispatch points unless the rules dispatch every pass.
    void BeginRun(std::uint32_t numReps, bool repeat);
    // Called from OnSeriesStart: the series goes on once the sound has played to its end.
    void WaitForStartSound(std::shared_ptr<bool> done);
    // Called from OnSeriesStart: no series after all, the run ends.
    void EndRunNow() { m_endRun = true; }
    [[nodiscard]] bool Held(Key key) const;

    // Hooks, in the order a run calls them.
    virtual void OnTick() {}
    virtual void OnRunStart() {}
    virtual void OnSeriesStart() = 0;
    virtual void OnSeriesGo() {}
    virtual void PassHead() = 0;
    [[nodiscard]] virtual bool ShotSoundPending() const { return false; }
    virtual void OnDispatch() {}
    virtual void PassTail() = 0;
    virtual void OnSeriesEnd() {}
    virtual void ShowCountdown(const QString& /*text*/) {}
    virtual void OnRunEnd() {}
    virtual void OnIdle() {}

    const Services& m_runServices;
    const Settings& m_settings;

private:
    void OuterTurn();
    void StartSeries();
    void RunSeries();
    bool FinishPass();
    void EndSeries();
    void AfterSeries();

    RunRules m_rules;
    Phase m_phase = Phase::Idle;
    KeyRelease m_keys;
    std::shared_ptr<bool> m_startSoundDone;
    std::uint32_t m_dispatchInterval = 0;
    std::uint32_t m_countdownSeconds = 0;
    bool m_firstTurnAfterSeries = false;
    bool m_endRun = false;
};

} // namespace ryvo
