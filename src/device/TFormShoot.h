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
    // How a lane is polled. Chained: lanes the frame reports as pending are fetched in the
    // same round, and a usable sample of an active lane feeds AddTraceSample. Single lane
    // (the two-shooter window): only the lane asked for, a smoothing weight of at least
    // 0.02, and no trace feed; the window draws its trace from the position history.
    enum class PollMode { Chained, SingleLane };
    void SetPollMode(PollMode mode) { m_pollMode = mode; }

    // One poll transaction; returns the lane, or -1 when the device did not answer with a
    // whole frame.
    virtual int PollLane(int lane);

    // SignalLowFactor * SignalLevel <= level <= SignalHighFactor * SignalLevel.
    [[nodiscard]] bool LevelInWindow(std::int32_t level) const;

    ProgramState& State() { return m_state; }
    [[nodiscard]] const Services& GetServices() const { return m_services; }

protected:
    int PollSingleLane(int lane);

    ProgramState& m_state;
    Services m_services;
    PollMode m_pollMode = PollMode::Chained;
};

// SignalLowFactor * SignalLevel <= level <= SignalHighFactor * SignalLevel.
bool LevelInWindow(const ProgramState& state, std::int32_t level);

// Smoothing weight of the polled lane's position: 1 - TimeGun / 100, at most 1; a negative
// weight becomes `floor` (0.01 for the chained poll, 0.02 for the single-lane one).
float SmoothingWeight(std::int32_t timeGun, float floor = 0.01F);

} // namespace ryvo
