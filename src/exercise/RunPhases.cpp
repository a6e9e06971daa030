#include "exercise/RunPhases.h"

#include "core/Settings.h"
#include "platform/Clock.h"

namespace ryvo {

RunPhases::RunPhases(const Settings& settings, const Services& services, RunRules rules)
    : m_runServices(services), m_settings(settings), m_rules(std::move(rules)) {}

bool RunPhases::Held(Key key) const {
    return m_runServices.keyboard != nullptr && m_runServices.keyboard->IsHeld(key);
}

void RunPhases::BeginRun(std::uint32_t numReps, bool repeat) {
    SeriesPending = 1;
    RunAgain = repeat ? 1 : 0;
    m_dispatchInterval = m_rules.dispatchEveryPass ? 0U : numReps;
    m_keys = KeyRelease::Of(m_rules.startKeyRounds, Key::Space);
    m_phase = Phase::StartKeyRelease;
}

void RunPhases::WaitForStartSound(std::shared_ptr<bool> done) {
    m_startSoundDone = std::move(done);
    m_phase = Phase::StartSound;
}

// One turn of the loop that repeats series; the first turn always runs a series.
void RunPhases::OuterTurn() {
    if (SeriesPending != 0) {
        StartSeries();
        return;
    }
    AfterSeries();
}

void RunPhases::StartSeries() {
    StopRequested = 0;
    m_endRun = false;
    m_phase = Phase::Series;
    OnSeriesStart();
    if (m_endRun) {
        SeriesPending = 0;
        RunAgain = 0;
        m_phase = Phase::EndEscape;
        return;
    }
    if (m_phase == Phase::StartSound) {
        return;
    }
    OnSeriesGo();
    RedrawCounter = 0;
    m_phase = Phase::Series;
}

bool RunPhases::FinishPass() {
    bool dispatch = false;
    if (++RedrawCounter > m_dispatchInterval) {
        dispatch = true;
        timers.Dispatch(m_runServices.clock->TickCount());
        OnDispatch();
        RedrawCounter = 0;
    }
    PassTail();
    return dispatch;
}

void RunPhases::RunSeries() {
    for (;;) {
        PassHead();
        if (ShotSoundPending()) {
            m_phase = Phase::LastShotSound;
            return;
        }
        const bool dispatch = FinishPass();
        if (StopRequested != 0) {
            EndSeries();
            return;
        }
        if (dispatch) {
            return;
        }
    }
}

void RunPhases::EndSeries() {
    OnSeriesEnd();
    SeriesPending = 0;
    m_firstTurnAfterSeries = true;
    AfterSeries();
}

void RunPhases::AfterSeries() {
    if (m_rules.escapeEndsPause && Held(Key::Escape)) {
        RunAgain = 0;
    }
    if (m_settings.RepeatEnabled != 0) {
        const std::uint32_t now = m_runServices.clock->TickCount();
        if (m_firstTurnAfterSeries) {
            m_firstTurnAfterSeries = false;
            PauseStart = now;
            SeriesPending = 0;
            m_countdownSeconds = 0;
        }
        const std::uint32_t since = now - PauseStart;
        const auto repeatMs = static_cast<std::int64_t>(m_settings.RepeatTime) * 1000;
        if (static_cast<std::int64_t>(since) > repeatMs) {
            SeriesPending = 1;
        }
        const std::uint32_t seconds = since / 1000U;
        if (seconds != m_countdownSeconds) {
            m_countdownSeconds = seconds;
            ShowCountdown(
                m_rules.countdownText.arg(static_cast<std::int64_t>(m_settings.RepeatTime) -
                                          static_cast<std::int64_t>(seconds)));
        }
    } else {
        RunAgain = 0;
    }
    m_phase = RunAgain != 0 ? Phase::Pause : Phase::EndEscape;
}

void RunPhases::Tick() {
    OnTick();
    switch (m_phase) {
    case Phase::Idle:
        return;
    case Phase::StartKeyRelease:
        if (m_keys.Done(m_runServices.keyboard)) {
            OnRunStart();
            OuterTurn();
        }
        return;
    case Phase::StartSound:
        if (m_startSoundDone && *m_startSoundDone) {
            m_startSoundDone.reset();
            OnSeriesGo();
            RedrawCounter = 0;
            m_phase = Phase::Series;
        }
        return;
    case Phase::Series:
        RunSeries();
        return;
    case Phase::LastShotSound:
        if (!ShotSoundPending()) {
            m_phase = Phase::Series;
            FinishPass();
            if (StopRequested != 0) {
                EndSeries();
            }
        }
        return;
    case Phase::Pause:
        OuterTurn();
        return;
    case Phase::EndEscape:
        if (!Held(Key::Escape)) {
            OnRunEnd();
            if (m_rules.endKeyRounds > 0) {
                m_keys = KeyRelease::Of(m_rules.endKeyRounds, Key::Space);
                m_phase = Phase::EndKeyRelease;
            } else {
                OnIdle();
                m_phase = Phase::Idle;
            }
        }
        return;
    case Phase::EndKeyRelease:
        if (m_keys.Done(m_runServices.keyboard)) {
            OnIdle();
            m_phase = Phase::Idle;
        }
        return;
    case Phase::Window:
        return;
    }
}

} // namespace ryvo
