#pragma once

#include "core/ProgramState.h"
#include "exercise/LogicalTimers.h"
#include "exercise/ShotRules.h"

#include <array>
#include <cstdint>
#include <functional>

namespace ryvo {

class Clock;

// One lamp command on the line: `times` sends, with a 2 ms pause before each
// (`pauseFirst`) or between them.
struct LampSend {
    int times = 1;
    bool pauseFirst = false;
};

// What differs between the windows that run a light script.
struct LampRules {
    LaneSet lanes = LaneBit(0); // script targets obeyed; commands for others only pace
    std::uint32_t lampOnStepMs = 20;
    std::uint32_t lampOffStepMs = 20;
    std::uint32_t flashStepMs = 20; // the flash command's step and the flash timer's start
    bool waitForPortFree = true;    // a step that finds the port busy retries in 20 ms
    bool foreignFlashKeepsInterval = false;
    LampSend steadyOn{1, false};
    LampSend steadyOff{5, true};
    LampSend flashOff{3, false};
};

// What the window shows: lamp indicators and the flash's shot sound.
struct LampHooks {
    std::function<void(int lane, bool lit)> steady;
    std::function<void(int lane, bool lit)> flash;
    std::function<void()> flashSound;
};

// The light script and the lamp flashes of a run. A window makes one with its rules and
// hooks, adds its timers to its TimerSet once, calls Start at the series start when active
// targets are on, and Stop at the series end. Lit lanes are kept in run.LaneLit.
class LampRunner {
public:
    LampRunner(ProgramState& state, Clock& clock, const int& portFree, LampRules rules,
               LampHooks hooks);

    void AddTo(TimerSet& timers);
    void Start(std::uint32_t now);
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
    const int& m_portFree;
    LampRules m_rules;
    LampHooks m_hooks;
};

} // namespace ryvo
