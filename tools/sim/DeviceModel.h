#pragma once

#include "AimPath.h"
#include "ByteLog.h"
#include "Faults.h"
#include "LampBank.h"
#include "TriggerReports.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace ryvo::sim {

// One lane of the simulated device.
struct LaneModel {
    std::unique_ptr<AimPath> aim = std::make_unique<FixedAim>(Signal{});
    std::uint16_t level = 4000;
    TriggerReports triggers;
    // Byte 1 of this lane's frames as given, instead of the lanes with trigger reports.
    std::optional<std::uint8_t> pendingOverride;
    int polls = 0;
};

// The 9-byte frame a device sends: header (lane + 1, bit 7 = trigger), pending mask, x, y
// and level big-endian, then the sum of the first eight bytes.
std::array<std::uint8_t, 9> BuildFrame(int lane, bool trigger, std::uint8_t pending, std::int16_t x,
                                       std::int16_t y, std::uint16_t level);

// The target device: answers command bytes the way the hardware does.
class DeviceModel {
public:
    DeviceModel();

    LaneModel& Lane(int lane) { return m_lanes.at(static_cast<size_t>(lane)); }
    Faults& GetFaults() { return m_faults; }
    const LampBank& Lamps() const { return m_lamps; }
    const ByteLog& Log() const { return m_log; }
    ByteLog& Log() { return m_log; }

    // Takes one byte from the PC at time `nowMs` (from the start of the simulation) and
    // returns the bytes the device sends back (empty for most commands).
    std::vector<std::uint8_t> Receive(std::uint8_t byte, double nowMs);

    // Byte 1 of a frame: lanes with a standing trigger report.
    std::uint8_t PendingMask(std::uint32_t nowMs);
    bool Unplugged(double nowMs) const;

private:
    std::vector<std::uint8_t> Answer(int lane, std::uint32_t nowMs);
    std::vector<std::uint8_t> Garbage();

    std::array<LaneModel, kSimLanes> m_lanes;
    Faults m_faults;
    LampBank m_lamps;
    ByteLog m_log;
    std::uint32_t m_noise = 0x2545F491U;
};

} // namespace ryvo::sim
