#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ryvo::sim {

// Garbage: every byte from the PC, poll or not, is answered with nine bytes that make no
// frame, as another kind of device on the port would answer.
enum class Fault { BadChecksum, WrongLane, ShortFrame, Silence, Unplug, Garbage };

// "bad-checksum", "wrong-lane", "short-frame", "silence", "unplug", "garbage".
std::optional<Fault> FaultByName(const std::string& name);
const char* FaultName(Fault fault);

// Faults switched on for a lane (or every lane) over a time span.
class Faults {
public:
    struct Entry {
        Fault fault;
        int lane = -1; // -1: every lane
        std::uint32_t fromMs = 0;
        std::uint32_t untilMs = UINT32_MAX;
    };

    void Add(Entry entry) { m_entries.push_back(entry); }
    void Set(Fault fault, int lane = -1) { Add({fault, lane}); }
    void Clear() { m_entries.clear(); }
    bool Active(Fault fault, int lane, std::uint32_t nowMs) const;
    // The time a device-wide fault starts, if any is scheduled.
    std::optional<std::uint32_t> Start(Fault fault) const;

private:
    std::vector<Entry> m_entries;
};

} // namespace ryvo::sim
