#include "LampBank.h"

namespace ryvo::sim {

bool LampBank::Apply(std::uint8_t command) {
    const int lane = command & 0x0F;
    const int kind = command & 0xF0;
    if (lane >= kSimLanes || kind < 0x10 || kind > 0x40) {
        return false;
    }
    ++m_counts[command];
    const auto index = static_cast<size_t>(lane);
    switch (kind) {
    case 0x10:
        m_steady[index] = true;
        break;
    case 0x20:
        m_steady[index] = false;
        break;
    case 0x30:
        m_flash[index] = false;
        break;
    default:
        m_flash[index] = true;
        break;
    }
    return true;
}

} // namespace ryvo::sim
