#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ryvo::sim {

inline constexpr int kSimLanes = 5;

// Target lamps as the lamp commands leave them, with a count of every command.
class LampBank {
public:
    // Takes a lamp command byte (0x10..0x4F range); false when it is not one.
    bool Apply(std::uint8_t command);

    bool SteadyOn(int lane) const { return m_steady[static_cast<size_t>(lane)]; }
    bool FlashOn(int lane) const { return m_flash[static_cast<size_t>(lane)]; }
    int Commands(std::uint8_t command) const { return m_counts[command]; }

private:
    std::array<bool, kSimLanes> m_steady{};
    std::array<bool, kSimLanes> m_flash{};
    std::array<int, 256> m_counts{};
};

} // namespace ryvo::sim
