#include "DeviceModel.h"

namespace ryvo::sim {

std::array<std::uint8_t, 9> BuildFrame(int lane, bool trigger, std::uint8_t pending, std::int16_t x,
                                       std::int16_t y, std::uint16_t level) {
    const auto ux = static_cast<std::uint16_t>(x);
    const auto uy = static_cast<std::uint16_t>(y);
    std::array<std::uint8_t, 9> f{};
    f[0] = static_cast<std::uint8_t>((lane + 1) | (trigger ? 0x80 : 0x00));
    f[1] = pending;
    f[2] = static_cast<std::uint8_t>(ux >> 8);
    f[3] = static_cast<std::uint8_t>(ux & 0xFF);
    f[4] = static_cast<std::uint8_t>(uy >> 8);
    f[5] = static_cast<std::uint8_t>(uy & 0xFF);
    f[6] = static_cast<std::uint8_t>(level >> 8);
    f[7] = static_cast<std::uint8_t>(level & 0xFF);
    unsigned sum = 0;
    for (int i = 0; i < 8; ++i) {
        sum += f[static_cast<size_t>(i)];
    }
    f[8] = static_cast<std::uint8_t>(sum & 0xFF);
    return f;
}

DeviceModel::DeviceModel() = default;

bool DeviceModel::Unplugged(double nowMs) const {
    return m_faults.Active(Fault::Unplug, -1, static_cast<std::uint32_t>(nowMs));
}

std::uint8_t DeviceModel::PendingMask(std::uint32_t nowMs) {
    std::uint8_t mask = 0;
    for (int lane = 0; lane < kSimLanes; ++lane) {
        if (m_lanes[static_cast<size_t>(lane)].triggers.Pending(nowMs)) {
            mask = static_cast<std::uint8_t>(mask | (1U << static_cast<unsigned>(lane)));
        }
    }
    return mask;
}

std::vector<std::uint8_t> DeviceModel::Receive(std::uint8_t byte, double nowMs) {
    if (Unplugged(nowMs)) {
        return {};
    }
    m_log.Add(nowMs, byte);
    if (m_faults.Active(Fault::Garbage, -1, static_cast<std::uint32_t>(nowMs))) {
        return Garbage();
    }
    const int lane = byte & 0x0F;
    const int kind = byte & 0xF0;
    if (lane >= kSimLanes) {
        return {};
    }
    const auto now = static_cast<std::uint32_t>(nowMs);
    if (kind == 0x70) {
        return Answer(lane, now);
    }
    if (kind == 0x80) {
        LaneModel& model = m_lanes[static_cast<size_t>(lane)];
        model.triggers.Acknowledge();
        model.triggers.CountAcknowledge();
        return {};
    }
    m_lamps.Apply(byte);
    return {};
}

std::vector<std::uint8_t> DeviceModel::Garbage() {
    std::vector<std::uint8_t> bytes(9);
    unsigned sum = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        // xorshift: the same bytes on every run, so tests repeat.
        m_noise ^= m_noise << 13U;
        m_noise ^= m_noise >> 17U;
        m_noise ^= m_noise << 5U;
        bytes[i] = static_cast<std::uint8_t>(m_noise >> 24U);
        if (i < 8) {
            sum += bytes[i];
        }
    }
    // Never a frame by chance: the last byte is not the sum of the others.
    if (bytes[8] == static_cast<std::uint8_t>(sum & 0xFFU)) {
        bytes[8] = static_cast<std::uint8_t>(bytes[8] + 1);
    }
    return bytes;
}

std::vector<std::uint8_t> DeviceModel::Answer(int lane, std::uint32_t nowMs) {
    LaneModel& model = m_lanes[static_cast<size_t>(lane)];
    ++model.polls;
    if (m_faults.Active(Fault::Silence, lane, nowMs)) {
        return {};
    }
    const bool trigger = model.triggers.Pending(nowMs);
    const std::uint8_t pending =
        model.pendingOverride ? *model.pendingOverride : PendingMask(nowMs);
    const Signal signal = model.aim->At(nowMs);
    auto frame = BuildFrame(lane, trigger, pending, signal.x, signal.y, model.level);
    if (m_faults.Active(Fault::WrongLane, lane, nowMs)) {
        // Another lane's number with a matching checksum: only the lane is wrong.
        const int wrong = (lane + 1) % kSimLanes;
        frame = BuildFrame(wrong, trigger, pending, signal.x, signal.y, model.level);
    }
    if (m_faults.Active(Fault::BadChecksum, lane, nowMs)) {
        frame[8] = static_cast<std::uint8_t>(frame[8] + 1);
    }
    std::vector<std::uint8_t> bytes(frame.begin(), frame.end());
    if (m_faults.Active(Fault::ShortFrame, lane, nowMs)) {
        bytes.pop_back();
    }
    return bytes;
}

} // namespace ryvo::sim
