#include "exercise/RunSteps.h"

#include "core/ProgramState.h"
#include "core/Settings.h"
#include "platform/Sound.h"

namespace ryvo {

KeyRelease KeyRelease::Of(int rounds, Key first) {
    KeyRelease wait;
    wait.keys = {first, Key::Return, first == Key::Space ? Key::Escape : Key::Space};
    wait.remaining = rounds;
    return wait;
}

bool KeyRelease::Done(const Keyboard* keyboard) {
    while (remaining > 0) {
        if (keyboard != nullptr && keyboard->IsHeld(keys[static_cast<size_t>(step)])) {
            return false;
        }
        if (++step == static_cast<int>(keys.size())) {
            step = 0;
            --remaining;
        }
    }
    return true;
}

KeyReleaseStep::KeyReleaseStep(int rounds, Key first, RunSequence::Phase phase)
    : m_keys(KeyRelease::Of(rounds, first)), m_phase(phase) {}

StepResult KeyReleaseStep::Advance(RunSequence& run) {
    return m_keys.Done(run.GetServices().keyboard) ? StepResult::Continue : StepResult::Running;
}

CallStep::CallStep(std::function<void()> action, StepResult then, RunSequence::Phase phase)
    : m_action(std::move(action)), m_then(then), m_phase(phase) {}

StepResult CallStep::Advance(RunSequence& /*run*/) {
    m_action();
    return m_then;
}

SoundStep::SoundStep(const ProgramState& state, std::optional<QByteArray> ProgramState::*sound,
                     int beeps)
    : m_state(state), m_sound(sound), m_beeps(beeps) {}

StepResult SoundStep::Advance(RunSequence& run) {
    if (m_done) {
        return *m_done ? StepResult::Continue : StepResult::Running;
    }
    Sound* sound = run.GetServices().sound;
    if (sound == nullptr) {
        return StepResult::Continue;
    }
    if (m_state.SoundAvailable == 0) {
        for (int b = 0; b < m_beeps; ++b) {
            sound->Beep();
        }
        return StepResult::Continue;
    }
    const std::optional<QByteArray>& image = m_state.*m_sound;
    if (!image) {
        return StepResult::Continue;
    }
    auto done = std::make_shared<bool>(false);
    if (!sound->PlayToCompletion(*image, [done](bool) { *done = true; })) {
        return StepResult::Continue;
    }
    m_done = std::move(done);
    return StepResult::Running;
}

SeriesStep::SeriesStep(PassRef pass, TimerSet* timers, std::uint32_t interval)
    : m_pass(pass), m_timers(timers), m_interval(interval) {}

RunSequence::Phase SeriesStep::Phase() const {
    return m_waiting ? RunSequence::Phase::LastShotSound : RunSequence::Phase::Series;
}

bool SeriesStep::Dispatch() {
    if (++m_counter <= m_interval) {
        return false;
    }
    m_counter = 0;
    m_dispatched = true;
    if (m_timers != nullptr) {
        m_timers->Dispatch(m_run->Now());
    }
    return true;
}

void SeriesStep::AwaitSound(std::shared_ptr<bool> done) {
    // Nothing to wait for (a beep) leaves a wait of an earlier lane in this pass as it is.
    if (done) {
        m_sound = std::move(done);
    }
}

void SeriesStep::StopRun() {
    m_stop = true;
    m_run->EndRepeats();
}

StepResult SeriesStep::Advance(RunSequence& run) {
    m_run = &run;
    if (m_waiting) {
        if (AwaitingSound()) {
            return StepResult::Running;
        }
        // The rest of the pass, and the next pass at the next tick.
        m_waiting = false;
        m_sound.reset();
        m_resuming = true;
        m_pass.call(m_pass.run, *this);
        m_resuming = false;
        return m_stop ? StepResult::Continue : StepResult::Running;
    }
    const std::uint32_t began = run.Now();
    for (;;) {
        m_sound.reset();
        m_dispatched = false;
        m_pass.call(m_pass.run, *this);
        if (AwaitingSound()) {
            m_waiting = true;
            return StepResult::Running;
        }
        if (m_stop) {
            return StepResult::Continue;
        }
        if (m_dispatched || run.Now() - began >= kLongestTickMs) {
            return StepResult::Running;
        }
    }
}

PauseStep::PauseStep(const Settings& settings, bool escapeEnds, QString countdownText,
                     Countdown countdown, Again again)
    : m_settings(settings), m_escapeEnds(escapeEnds), m_text(std::move(countdownText)),
      m_countdown(std::move(countdown)), m_again(std::move(again)) {}

StepResult PauseStep::Advance(RunSequence& run) {
    // The turn after the pause ran out starts the next series.
    if (m_seriesPending) {
        m_again(run);
        return StepResult::Continue;
    }
    if (m_escapeEnds && run.Held(Key::Escape)) {
        run.EndRepeats();
    }
    if (m_settings.RepeatEnabled != 0) {
        const std::uint32_t now = run.Now();
        if (m_first) {
            m_first = false;
            m_pauseStart = now;
            m_seconds = 0;
        }
        const std::uint32_t since = now - m_pauseStart;
        const auto repeatMs = static_cast<std::int64_t>(m_settings.RepeatTime) * 1000;
        if (static_cast<std::int64_t>(since) > repeatMs) {
            m_seriesPending = true;
        }
        const std::uint32_t seconds = since / 1000U;
        if (seconds != m_seconds) {
            m_seconds = seconds;
            m_countdown(m_text.arg(static_cast<std::int64_t>(m_settings.RepeatTime) -
                                   static_cast<std::int64_t>(seconds)),
                        m_pauseStart);
        }
    } else {
        run.EndRepeats();
    }
    return run.Repeats() ? StepResult::Running : StepResult::Done;
}

EndStep::EndStep(int rounds, std::function<void()> ended)
    : m_rounds(rounds), m_ended(std::move(ended)) {}

RunSequence::Phase EndStep::Phase() const {
    return m_escapeUp ? RunSequence::Phase::EndKeyRelease : RunSequence::Phase::EndEscape;
}

StepResult EndStep::Advance(RunSequence& run) {
    if (!m_escapeUp) {
        if (run.Held(Key::Escape)) {
            return StepResult::Running;
        }
        m_escapeUp = true;
        m_ended();
        if (m_rounds <= 0) {
            return StepResult::Continue;
        }
        // The keys are looked at from the next tick on.
        m_keys = KeyRelease::Of(m_rounds, Key::Space);
        return StepResult::Running;
    }
    return m_keys.Done(run.GetServices().keyboard) ? StepResult::Continue : StepResult::Running;
}

} // namespace ryvo
