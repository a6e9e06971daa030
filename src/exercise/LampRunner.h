#pragma once

#include "core/ProgramState.h"
#include "exercise/LogicalTimers.h"
#include "exercise/ShotRules.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace ryvo {

class Clock;

// One lamp command on the line: `times` sends, with a 2 ms pause before each
// (`pauseFirst`) or between them.
struct LampSend {
    int times = 1;
    bool pauseFirst = false;
};

// How long the script waits after each kind of command, in ms.
struct LampSteps {
    std::uint32_t lampOn = 20;
    std::uint32_t lampOff = 20;
    std::uint32_t flash = 20; // also the flash timer's first step
    // After another lane's flash command; none: the script keeps the step it had.
    std::optional<std::uint32_t> foreignFlash = 20;
};

// How each lamp command goes on the line.
struct LampSends {
    LampSend steadyOn{1, false};
    LampSend steadyOff{5, true};
    LampSend flashOff{3, false};
};

// What differs between the windows that run a light script: numbers only.
struct LampRules {
    LaneSet lanes = LaneBit(0); // script targets obeyed; commands for others only pace
    LampSteps steps;
    LampSends sends;
};

// What the window shows: lamp indicators and the flash's shot sound.
struct LampHooks {
    std::function<void(int lane, bool lit)> steady;
    std::function<void(int lane, bool lit)> flash;
    std::function<void()> flashSound;
};

// The light script and the lamp flashes of a run. A window makes one with its rules, its
// hooks and its port-free flag (a script step that finds the port busy retries in 20 ms;
// without a flag it never waits), adds its timers to its TimerSet once, calls Start at the series
// start when active targets are on, and Stop at the series end. Lit lanes are kept in run.LaneLit.
class LampRunner {
public:
    LampRunner(ProgramState& state, Clock& clock, const int* portFree, LampRules rules,
               LampHooks hooks);

    void AddTo(TimerSet& timers);
    void Start(std::uint32_t now);
    // The script's first line at the next dispatch point (a course's lamps go up with the
    // start signal).
    void StartAtOnce(std::uint32_t now);
    void Stop();
    void SetLanes(LaneSet lanes) { m_rules.lanes = lanes; }

    void ScriptStep(std::uint32_t now);
    void FlashStep(int lane, std::uint32_t now);

    LogicalTimer script;
    std::array<LogicalTimer, kLaneCount> flash;
    // Flashes still to give; signed, so a script count of -1 gives none.
    std::array<std::int32_t, kLaneCount> FlashCount{};
    int scriptPos = 0;

private:
    void Send(std::uint8_t base, int lane, LampSend how);
    [[nodiscard]] bool Obeys(std::uint32_t target) const;

    ProgramState& m_state;
    Clock& m_clock;
    const int* m_portFree;
    LampRules m_rules;
    LampHooks m_hooks;
};

} // namespace ryvo
