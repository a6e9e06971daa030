#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ryvo {

// Command bytes, one per request; add the lane (0..4).
inline constexpr std::uint8_t kSelectLane = 0x00;
inline constexpr std::uint8_t kSteadyLampOn = 0x10;
inline constexpr std::uint8_t kSteadyLampOff = 0x20;
inline constexpr std::uint8_t kFlashLampOff = 0x30;
inline constexpr std::uint8_t kFlashLampOn = 0x40;
inline constexpr std::uint8_t kPoll = 0x70;
inline constexpr std::uint8_t kAcknowledge = 0x80;

inline constexpr int kFrameSize = 9;
using FrameBytes = std::array<std::uint8_t, kFrameSize>;

// One status frame as the device sends it (multi-byte fields big-endian).
struct DeviceFrame {
    int laneNibble = 0; // lane + 1
    bool trigger = false;
    std::uint8_t pendingMask = 0;
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::uint16_t level = 1; // a level of 0 reads as 1
    bool checksumOk = false;

    [[nodiscard]] bool IsLane(int lane) const { return laneNibble == lane + 1; }
};

DeviceFrame DecodeFrame(const FrameBytes& bytes);
std::uint8_t FrameChecksum(const FrameBytes& bytes);

} // namespace ryvo
