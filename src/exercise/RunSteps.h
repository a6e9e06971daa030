#pragma once

#include "exercise/LogicalTimers.h"
#include "exercise/RunSequence.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace ryvo {

struct ProgramState;
struct Settings;

// Waits until each of three keys has been seen released, `remaining` rounds in a row (the
// key that pressed the button must be let go first).
struct KeyRelease {
    std::array<Key, 3> keys{};
    int remaining = 0;
    int step = 0;

    // Space, Return, Escape; or Escape, Return, Space when `first` is Escape.
    static KeyRelease Of(int rounds, Key first);
    // One look at the keys; true once every round is done.
    bool Done(const Keyboard* keyboard);
};

// Waits until the keys are released, `rounds` times over.
class KeyReleaseStep final : public RunStep {
public:
    KeyReleaseStep(int rounds, Key first, RunSequence::Phase phase);
    StepResult Advance(RunSequence& run) override;
    [[nodiscard]] RunSequence::Phase Phase() const override { return m_phase; }

private:
    KeyRelease m_keys;
    RunSequence::Phase m_phase;
};

// Does one thing of the window's at once (a series starts, ends), then goes on in this tick
// or the next.
class CallStep final : public RunStep {
public:
    CallStep(std::function<void()> action, StepResult then, RunSequence::Phase phase);
    StepResult Advance(RunSequence& run) override;
    [[nodiscard]] RunSequence::Phase Phase() const override { return m_phase; }

private:
    std::function<void()> m_action;
    StepResult m_then;
    RunSequence::Phase m_phase;
};

// Plays one of the program's sounds to its end, or gives `beeps` beeps when sounds do not
// work.
class SoundStep final : public RunStep {
public:
    SoundStep(const ProgramState& state, std::optional<QByteArray> ProgramState::*sound, int beeps);
    StepResult Advance(RunSequence& run) override;
    [[nodiscard]] RunSequence::Phase Phase() const override {
        return RunSequence::Phase::StartSound;
    }

private:
    const ProgramState& m_state;
    std::optional<QByteArray> ProgramState::*m_sound;
    int m_beeps;
    std::shared_ptr<bool> m_done;
};

class SeriesStep;

// The window's pass, called without an allocation or a virtual call.
struct PassRef {
    void* run = nullptr;
    void (*call)(void* run, SeriesStep& series) = nullptr;

    template <auto Member, typename Run> static PassRef To(Run& run) {
        return {&run, [](void* r, SeriesStep& s) { (static_cast<Run*>(r)->*Member)(s); }};
    }
};

// A series: the window's pass, again and again until the pass stops it. Each tick runs
// passes up to the next dispatch point (every `interval` + 1 passes), where the window's
// timers (if any) fire; the pass calls Dispatch at its own place for it. A pass that must let the
// last shot be heard to its end returns after its shots, and the rest of it runs once the
// sound is over ("resuming").
class SeriesStep final : public RunStep {
public:
    // A tick gives the event loop its turn after this long even before the dispatch point: a
    // silent device makes each poll wait out its read time-out, and a large redraw interval
    // would hold the window for seconds. The count of passes to the dispatch point goes on.
    static constexpr std::uint32_t kLongestTickMs = 100;

    SeriesStep(PassRef pass, TimerSet* timers, std::uint32_t interval);
    StepResult Advance(RunSequence& run) override;
    [[nodiscard]] RunSequence::Phase Phase() const override;

    // For the pass:
    // The pass goes on after the last shot's sound.
    [[nodiscard]] bool Resuming() const { return m_resuming; }
    // Counts the pass; true at a dispatch point, after the timers that were due fired.
    bool Dispatch();
    // The rest of the pass waits until `done` is set (the sound played to its end); a null
    // flag changes nothing.
    void AwaitSound(std::shared_ptr<bool> done);
    [[nodiscard]] bool AwaitingSound() const { return m_sound && !*m_sound; }
    // The series ends after this pass; StopRun also ends the repetition.
    void Stop() { m_stop = true; }
    void StopRun();
    [[nodiscard]] bool Stopping() const { return m_stop; }

private:
    PassRef m_pass;
    TimerSet* m_timers;
    std::uint32_t m_interval;
    std::uint32_t m_counter = 0;
    RunSequence* m_run = nullptr;
    std::shared_ptr<bool> m_sound;
    bool m_waiting = false;
    bool m_resuming = false;
    bool m_dispatched = false;
    bool m_stop = false;
};

// The turn after a series: the pause before the next one when series repeat, with the
// countdown shown as its seconds change. When the pause is over, `again` adds the next
// series (and its pause) after this step. Escape is read here only if `escapeEnds`.
class PauseStep final : public RunStep {
public:
    // The countdown text and the tick the pause began at.
    using Countdown = std::function<void(const QString& text, std::uint32_t pauseStart)>;
    using Again = std::function<void(RunSequence& run)>;

    PauseStep(const Settings& settings, bool escapeEnds, QString countdownText, Countdown countdown,
              Again again);
    StepResult Advance(RunSequence& run) override;
    [[nodiscard]] RunSequence::Phase Phase() const override { return RunSequence::Phase::Pause; }

private:
    const Settings& m_settings;
    bool m_escapeEnds;
    QString m_text;
    Countdown m_countdown;
    Again m_again;
    bool m_first = true;
    bool m_seriesPending = false;
    std::uint32_t m_pauseStart = 0;
    std::uint32_t m_seconds = 0;
};

// The end of a run: waits until Escape is up, calls `ended`, then waits for `rounds` rounds
// of released keys (none: the step is done at once).
class EndStep final : public RunStep {
public:
    EndStep(int rounds, std::function<void()> ended);
    StepResult Advance(RunSequence& run) override;
    [[nodiscard]] RunSequence::Phase Phase() const override;

private:
    int m_rounds;
    std::function<void()> m_ended;
    bool m_escapeUp = false;
    KeyRelease m_keys;
};

} // namespace ryvo
