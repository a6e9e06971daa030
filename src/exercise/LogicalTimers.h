#pragma once

#include <cstdint>
#include <functional>
#include <vector>

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
    [[nodiscard]] bool Due(std::uint32_t now) const {
        return enabled && static_cast<std::int32_t>(now - due) >= 0;
    }
    // True when due; re-arms one period after the time it was due, so dispatch points that
    // come late do not stretch the period. Periods missed entirely fire only once.
    bool Fire(std::uint32_t now);
};

// The timers of one window, fired in the order they were added. A window adds each timer
// with its handler once and calls Dispatch at its dispatch points:
//     timers.Add(Timer_shoot, [this] { TickLockouts(m_state.run); });
//     ... timers.Dispatch(clock.TickCount());
class TimerSet {
public:
    void Add(LogicalTimer& timer, std::function<void()> handler);
    void Dispatch(std::uint32_t now);
    void StopAll();

private:
    struct Entry {
        LogicalTimer* timer;
        std::function<void()> handler;
    };
    std::vector<Entry> m_entries;
};

} // namespace ryvo
