#include "TriggerReports.h"

#include <algorithm>

namespace ryvo::sim {

void TriggerReports::Schedule(std::vector<std::uint32_t> times) {
    std::sort(times.begin(), times.end());
    m_times = std::move(times);
    m_next = 0;
}

bool TriggerReports::Pending(std::uint32_t nowMs) {
    while (m_next < m_times.size() && m_times[m_next] <= nowMs) {
        m_pending = true;
        ++m_next;
    }
    return m_pending;
}

} // namespace ryvo::sim
