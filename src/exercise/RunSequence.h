#pragma once

#include "platform/Keyboard.h"
#include "platform/Services.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace ryvo {

class RunStep;

// A run of an exercise window as a list of steps: wait until keys are released, play a
// sound, run a series, count down a pause, end. The window owns one, fills it when a run
// starts and calls Tick from a zero-interval timer; each tick advances the current step
// until it is done and the next one runs, in this tick or the next, as the step says. A
// step may add steps right after itself (the next series of a repeat).
class RunSequence {
public:
    // What the run is doing, as its windows and tests see it.
    enum class Phase {
        Idle,
        StartKeyRelease,
        StartSound,
        Series,
        LastShotSound,
        Pause,
        EndEscape,
        EndKeyRelease,
        Window, // a step of the window's own (the replay)
    };

    explicit RunSequence(const Services& services);
    ~RunSequence();
    RunSequence(const RunSequence&) = delete;
    RunSequence& operator=(const RunSequence&) = delete;

    // A new run; `repeats` says whether series follow each other after a pause. The steps
    // are added next.
    void Begin(bool repeats);
    // Adds a step at the end, or, from inside a step's Advance, right after that step.
    template <typename Step, typename... Args> Step& Add(Args&&... args) {
        auto step = std::make_unique<Step>(std::forward<Args>(args)...);
        Step& added = *step;
        Insert(std::move(step));
        return added;
    }

    // Advances the run; a tick from within a step (a nested event loop) does nothing.
    void Tick();
    [[nodiscard]] bool Idle() const { return m_steps.empty(); }
    [[nodiscard]] Phase CurrentPhase() const;
    // Only waiting for keys, a sound or the pause: the window may tick less often.
    [[nodiscard]] bool Waiting() const;
    // The step the run is at, or null when idle.
    [[nodiscard]] RunStep* Current() const;

    // Another series follows the pause; Escape in a series ends that.
    [[nodiscard]] bool Repeats() const { return m_repeats; }
    void EndRepeats() { m_repeats = false; }

    [[nodiscard]] bool Held(Key key) const;
    [[nodiscard]] std::uint32_t Now() const;
    [[nodiscard]] const Services& GetServices() const { return m_services; }

private:
    void Insert(std::unique_ptr<RunStep> step);
    void Advance();

    const Services& m_services;
    // The current step first.
    std::vector<std::unique_ptr<RunStep>> m_steps;
    // Where a step added from inside Advance goes; none outside it.
    std::size_t m_insertAt = kAppend;
    bool m_repeats = false;
    bool m_ticking = false;

    static constexpr std::size_t kAppend = static_cast<std::size_t>(-1);
};

// What a step's turn came to.
enum class StepResult {
    Running,  // not done: it runs again at the next tick
    Done,     // done: the next step starts at the next tick
    Continue, // done: the next step starts in this tick
};

// One step of a run: one "advance at this tick" operation over its own state. A new kind
// of step (a spoken command, a random delay) is a new small class.
class RunStep {
public:
    virtual ~RunStep() = default;
    virtual StepResult Advance(RunSequence& run) = 0;
    [[nodiscard]] virtual RunSequence::Phase Phase() const = 0;
};

} // namespace ryvo
