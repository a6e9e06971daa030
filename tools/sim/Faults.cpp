#include "Faults.h"

#include <array>
#include <utility>

namespace ryvo::sim {

namespace {

constexpr std::array<std::pair<Fault, const char*>, 6> kNames = {{
    {Fault::BadChecksum, "bad-checksum"},
    {Fault::WrongLane, "wrong-lane"},
    {Fault::ShortFrame, "short-frame"},
    {Fault::Silence, "silence"},
    {Fault::Unplug, "unplug"},
    {Fault::Garbage, "garbage"},
}};

} // namespace

std::optional<Fault> FaultByName(const std::string& name) {
    for (const auto& [fault, text] : kNames) {
        if (name == text) {
            return fault;
        }
    }
    return std::nullopt;
}

const char* FaultName(Fault fault) {
    for (const auto& [f, text] : kNames) {
        if (f == fault) {
            return text;
        }
    }
    return "?";
}

bool Faults::Active(Fault fault, int lane, std::uint32_t nowMs) const {
    for (const Entry& e : m_entries) {
        if (e.fault == fault && (e.lane < 0 || e.lane == lane) && e.fromMs <= nowMs &&
            nowMs < e.untilMs) {
            return true;
        }
    }
    return false;
}

std::optional<std::uint32_t> Faults::Start(Fault fault) const {
    std::optional<std::uint32_t> start;
    for (const Entry& e : m_entries) {
        if (e.fault == fault && (!start || e.fromMs < *start)) {
            start = e.fromMs;
        }
    }
    return start;
}

} // namespace ryvo::sim
