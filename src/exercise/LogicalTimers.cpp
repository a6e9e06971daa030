#include "exercise/LogicalTimers.h"

namespace ryvo {

bool LogicalTimer::Fire(std::uint32_t now) {
    if (!Due(now)) {
        return false;
    }
    const std::uint32_t late = now - due;
    // Next due time on the timer's own grid, after now.
    const std::uint32_t period = interval == 0 ? 1U : interval;
    due += period * (late / period + 1U);
    return true;
}

void TimerSet::Add(LogicalTimer& timer, std::function<void()> handler) {
    m_entries.push_back({&timer, std::move(handler)});
}

void TimerSet::Dispatch(std::uint32_t now) {
    for (Entry& e : m_entries) {
        if (e.timer->Fire(now)) {
            e.handler();
        }
    }
}

void TimerSet::StopAll() {
    for (Entry& e : m_entries) {
        e.timer->Stop();
    }
}

} // namespace ryvo
