#pragma once

#include "core/ProgramState.h"

#include <cstdint>

namespace ryvo::test {

// Shooter 1 on the serial device, unlimited time, trace and aiming point shown, a redraw on
// every pass: the set-up the exercise tests start from.
inline void UseSingleShooterSettings(ProgramState& state, std::uint32_t shots,
                                     std::int32_t laneZeroTarget) {
    Settings& s = state.settings;
    ApplyBuiltInDefaults(s);
    s.IO_Serial = 1;
    s.Shooter = 1;
    s.ShootsNumber = shots;
    s.Time = 0;
    s.Target[0] = laneZeroTarget;
    s.EnableTrace = 1;
    s.FlagGunEnable = 1;
    s.NumReps = 0;
    ApplySignalLimits(state);
    state.TraceLength = ComputeTraceLength(s);
}

} // namespace ryvo::test
