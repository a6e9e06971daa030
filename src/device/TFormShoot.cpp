#include "device/TFormShoot.h"

#include "device/DeviceProtocol.h"
#include "device/SerialLink.h"
#include "platform/Clock.h"

#include <optional>

namespace ryvo {

TFormShoot::TFormShoot(ProgramState& state, const Services& services)
    : m_state(state), m_services(services) {}

TFormShoot::~TFormShoot() = default;

void TFormShoot::AddTraceSample(std::uint32_t /*level*/, int /*lane*/, float /*x*/, float /*y*/) {}

bool LevelInWindow(const ProgramState& state, std::int32_t level) {
    const auto value = static_cast<float>(level);
    return state.SignalLowFactor * state.SignalLevel <= value &&
           value <= state.SignalHighFactor * state.SignalLevel;
}

bool TFormShoot::LevelInWindow(std::int32_t level) const {
    return ryvo::LevelInWindow(m_state, level);
}

float SmoothingWeight(std::int32_t timeGun, float floor) {
    float s = 1.0F - static_cast<float>(timeGun) / 100.0F;
    if (s < 0.0F) {
        s = floor;
    } else if (s > 1.0F) {
        s = 1.0F;
    }
    return s;
}

namespace {

std::uint8_t LaneCommand(std::uint8_t base, int lane) {
    return static_cast<std::uint8_t>(base + lane);
}

std::uint8_t LaneBit(int lane) {
    return static_cast<std::uint8_t>(1U << static_cast<unsigned>(lane));
}

void StoreRaw(DeviceValues& device, int lane, const DeviceFrame& frame) {
    device.RawTrigger[lane] = frame.trigger ? 1 : 0;
    device.RawX[lane] = frame.x;
    device.RawY[lane] = frame.y;
    device.RawLevel[lane] = frame.level;
}

// The polled lane's trigger, smoothed position and level from a good frame.
void SmoothInto(DeviceValues& device, int lane, const DeviceFrame& frame, float s) {
    device.Trigger[lane] = frame.trigger ? 1 : 0;
    const auto level = static_cast<float>(frame.level);
    float& histX = device.TraceHistX[lane][0];
    float& histY = device.TraceHistY[lane][0];
    histX = (1.0F - s) * histX + s * static_cast<float>(frame.x) / level;
    histY = (1.0F - s) * histY + s * static_cast<float>(frame.y) / level;
    device.PosX[lane] = histX;
    device.PosY[lane] = histY;
    device.Level[lane] = frame.level;
    device.LastLevel = frame.level;
}

// One poll request and its frame; nullopt when fewer than a frame's bytes came. An answered
// poll's time goes into the poll rate.
std::optional<DeviceFrame> RequestFrame(ProgramState& state, Clock* clock, int lane) {
    FrameBytes bytes{};
    const std::uint32_t start = clock != nullptr ? clock->TickCount() : 0;
    // An answer late past an earlier read's time-out would otherwise be read as this one's,
    // and every later answer one request late: another lane's frame read for this lane,
    // a trigger report repeated after its acknowledge.
    DiscardInput(state);
    WriteByte(state, LaneCommand(kPoll, lane));
    if (ReadBytes(state, bytes.data(), kFrameSize) < kFrameSize) {
        return std::nullopt;
    }
    // Whole-millisecond ticks: each poll's share is off by under a tick, and the errors even
    // out over many polls.
    if (clock != nullptr) {
        state.Polls.Add(clock->TickCount() - start);
    }
    return DecodeFrame(bytes);
}

} // namespace

int GetXY2(ProgramState& state, Clock* clock, int lane) {
    if (lane < 0 || lane >= kLaneCount) {
        return -1;
    }
    DeviceValues& device = state.Device;
    const auto polled = RequestFrame(state, clock, lane);
    if (!polled || !polled->IsLane(lane)) {
        return -1;
    }
    const DeviceFrame& frame = *polled;
    StoreRaw(device, lane, frame);
    if (!frame.checksumOk) {
        return lane;
    }
    // Acknowledged, so the device does not report the same shot again in the next frame.
    if (frame.trigger) {
        WriteByte(state, LaneCommand(kAcknowledge, lane));
    }
    SmoothInto(device, lane, frame, SmoothingWeight(state.settings.TimeGun, 0.02F));
    return lane;
}

LanePoll PollLane(ProgramState& state, Clock* clock, int lane) {
    if (lane < 0 || lane >= kLaneCount) {
        return {};
    }
    DeviceValues& device = state.Device;
    const auto polled = RequestFrame(state, clock, lane);
    if (!polled) {
        return {};
    }
    const DeviceFrame& frame = *polled;
    if (frame.IsLane(lane)) {
        StoreRaw(device, lane, frame);
        const std::uint8_t ownBit = LaneBit(lane);
        auto pending = static_cast<std::uint8_t>(frame.pendingMask & ~ownBit);
        if (frame.checksumOk) {
            if (frame.trigger) {
                WriteByte(state, LaneCommand(kAcknowledge, lane));
            }
            SmoothInto(device, lane, frame, SmoothingWeight(state.settings.TimeGun));

            // Lanes with data waiting are fetched in the same transaction round.
            for (int other = 0; other < kLaneCount; ++other) {
                if (other == lane || (pending & LaneBit(other)) == 0) {
                    continue;
                }
                const auto otherPolled = RequestFrame(state, clock, other);
                if (!otherPolled) {
                    continue;
                }
                const DeviceFrame& otherFrame = *otherPolled;
                if (!otherFrame.IsLane(other)) {
                    continue;
                }
                StoreRaw(device, other, otherFrame);
                pending = static_cast<std::uint8_t>(otherFrame.pendingMask & ~ownBit);
                if (!otherFrame.checksumOk) {
                    continue;
                }
                const auto otherLevel = static_cast<float>(otherFrame.level);
                device.Trigger[other] = otherFrame.trigger ? 1 : 0;
                device.Level[other] = otherFrame.level;
                device.TraceHistX[other][0] = static_cast<float>(otherFrame.x) / otherLevel;
                device.TraceHistY[other][0] = static_cast<float>(otherFrame.y) / otherLevel;
                device.PosX[other] = device.TraceHistX[other][0];
                device.PosY[other] = device.TraceHistY[other][0];
                if (otherFrame.trigger) {
                    WriteByte(state, LaneCommand(kAcknowledge, other));
                }
            }
            if (frame.trigger) {
                WriteByte(state, LaneCommand(kAcknowledge, lane));
            }
        }
    }
    return {lane, state.run.LaneActive[lane] != 0 && LevelInWindow(state, device.Level[lane]) &&
                      device.Trigger[lane] == 0};
}

int TFormShoot::PollLane(int lane) {
    const LanePoll poll = ryvo::PollLane(m_state, m_services.clock, lane);
    if (poll.traceSample) {
        const DeviceValues& device = m_state.Device;
        AddTraceSample(static_cast<std::uint32_t>(device.Level[lane]), lane, device.PosX[lane],
                       device.PosY[lane]);
    }
    return poll.lane;
}

} // namespace ryvo
