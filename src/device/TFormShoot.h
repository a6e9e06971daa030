#pragma once

#include "core/ProgramState.h"
#include "platform/Services.h"

#include <cstdint>

namespace ryvo {

// The device-facing part of every window that reads the target device: polling a lane and
// handing usable aiming samples to the window. Toolkit-free, so the exercise engine builds
// on it and tests run it headless.
class TFormShoot {
public:
    TFormShoot(ProgramState& state, const Services& services);
    virtual ~TFormShoot();
    TFormShoot(const TFormShoot&) = delete;
    TFormShoot& operator=(const TFormShoot&) = delete;

    // Called for an active lane with a usable level and no trigger report.
    virtual void AddTraceSample(std::uint32_t level, int lane, float x, float y);
    // One poll transaction; returns the lane, or -1 when the device did not answer with a
    // whole frame.
    virtual int PollLane(int lane);

    // SignalLowFactor * SignalLevel <= level <= SignalHighFactor * SignalLevel.
    [[nodiscard]] bool LevelInWindow(std::int32_t level) const;

    ProgramState& State() { return m_state; }
    [[nodiscard]] const Services& GetServices() const { return m_services; }

protected:
    ProgramState& m_state;
    Services m_services;
};

// Smoothing weight of the polled lane's position: 1 - TimeGun / 100, kept within 0.01..1.
float SmoothingWeight(std::int32_t timeGun);

} // namespace ryvo
