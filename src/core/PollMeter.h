#pragma once

#include "platform/SerialPort.h"

#include <cstdint>
#include <optional>

namespace ryvo {

// What the link gave since the port was last opened: polls answered with a whole frame and
// the time they took from request to last byte, and whether the port runs in low-latency mode.
struct PollMeter {
    std::uint32_t answered = 0;
    std::uint32_t ms = 0;
    LowLatency lowLatency = LowLatency::NotApplicable;

    // Fewer polls say little about the link.
    static constexpr std::uint32_t kEnoughPolls = 20;

    void Reset(LowLatency mode) {
        answered = 0;
        ms = 0;
        lowLatency = mode;
    }
    void Add(std::uint32_t elapsedMs) {
        ++answered;
        ms += elapsedMs;
    }
    // Polls per second, once there are enough.
    [[nodiscard]] std::optional<double> Rate() const {
        if (answered < kEnoughPolls) {
            return std::nullopt;
        }
        // Millisecond ticks: a run of fast polls may sum to 0 ms.
        return 1000.0 * answered / static_cast<double>(ms == 0 ? 1 : ms);
    }
};

} // namespace ryvo
