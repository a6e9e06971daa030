#pragma once

#include "core/ProgramState.h"
#include "platform/Services.h"

#include <cstdint>

namespace ryvo {

class Clock;

// What one poll of a lane came to: the lane (-1 when the device did not answer with a whole
// frame) and whether the lane's sample goes on the aiming trace (an active lane with a usable
// level and no trigger report).
struct LanePoll {
    int lane = -1;
    bool traceSample = false;
};

// One poll transaction, chained: lanes the frame reports as pending are fetched in the same
// round. Each caller decides what to do with the polled lane's sample. With a clock, the time
// of each answered poll goes into the poll rate.
LanePoll PollLane(ProgramState& state, Clock* clock, int lane);

// The two-shooter window's poll of one lane: only the lane asked for, a smoothing weight of
// at least 0.02, no chain and no trace sample (that window draws its trace from the position
// history). Returns the lane, or -1 when no whole frame of that lane came.
int GetXY2(ProgramState& state, Clock* clock, int lane);

// SignalLowFactor * SignalLevel <= level <= SignalHighFactor * SignalLevel.
bool LevelInWindow(const ProgramState& state, std::int32_t level);

// Smoothing weight of the polled lane's position: 1 - TimeGun / 100, at most 1; a negative
// weight becomes `floor` (0.01 for the chained poll, 0.02 for the single-lane one).
float SmoothingWeight(std::int32_t timeGun, float floor = 0.01F);

// The device-facing part of the device initialisation window and the main window's level
// check: polling a lane and handing usable aiming samples to AddTraceSample. The exercise
// windows call the poll functions above directly.
class TFormShoot {
public:
    TFormShoot(ProgramState& state, const Services& services);
    virtual ~TFormShoot();
    TFormShoot(const TFormShoot&) = delete;
    TFormShoot& operator=(const TFormShoot&) = delete;

    // Called for an active lane with a usable level and no trigger report.
    virtual void AddTraceSample(std::uint32_t level, int lane, float x, float y);

    // PollLane above, its sample handed to AddTraceSample; returns the lane or -1.
    int PollLane(int lane);

    // SignalLowFactor * SignalLevel <= level <= SignalHighFactor * SignalLevel.
    [[nodiscard]] bool LevelInWindow(std::int32_t level) const;

    ProgramState& State() { return m_state; }
    [[nodiscard]] const Services& GetServices() const { return m_services; }

protected:
    ProgramState& m_state;
    Services m_services;
};

} // namespace ryvo
