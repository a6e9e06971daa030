#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ryvo::sim {

// Trigger pulls of one lane: a pull raises a report that the device repeats in every frame
// until the PC acknowledges it; pulls while a report stands merge into it.
class TriggerReports {
public:
    // Scheduled pulls, in ms from the start of the simulation.
    void Schedule(std::vector<std::uint32_t> times);
    void Pull() { m_pending = true; }
    void Acknowledge() { m_pending = false; }
    // Moves scheduled pulls that are due into the report.
    bool Pending(std::uint32_t nowMs);

    int Acknowledged() const { return m_acknowledged; }
    void CountAcknowledge() { ++m_acknowledged; }

private:
    std::vector<std::uint32_t> m_times;
    size_t m_next = 0;
    bool m_pending = false;
    int m_acknowledged = 0;
};

} // namespace ryvo::sim
