#include "device/DeviceProtocol.h"

namespace ryvo {

std::uint8_t FrameChecksum(const FrameBytes& bytes) {
    unsigned sum = 0;
    for (int i = 0; i < kFrameSize - 1; ++i) {
        sum += bytes[static_cast<std::size_t>(i)];
    }
    return static_cast<std::uint8_t>(sum & 0xFFU);
}

DeviceFrame DecodeFrame(const FrameBytes& b) {
    DeviceFrame frame;
    frame.laneNibble = b[0] & 0x0F;
    frame.trigger = (b[0] & 0x80) != 0;
    frame.pendingMask = b[1];
    frame.x = static_cast<std::int16_t>(static_cast<std::uint16_t>((b[2] << 8) | b[3]));
    frame.y = static_cast<std::int16_t>(static_cast<std::uint16_t>((b[4] << 8) | b[5]));
    const auto level = static_cast<std::uint16_t>((b[6] << 8) | b[7]);
    frame.level = level == 0 ? 1 : level;
    frame.checksumOk = FrameChecksum(b) == b[8];
    return frame;
}

} // namespace ryvo
