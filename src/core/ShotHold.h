#pragma once

#include <cmath>
#include <limits>

namespace ryvo {

// What the aiming trace says about one shot. Lengths are target units (-100..100 across the
// target picture); a figure that cannot be had is NaN (no millimetre size for the target,
// no 10 ring or best zone to compare with, no trigger-jerk point).
struct ShotHold {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    // False for a shot with no trace to read (a dark target, no sample): nothing else counts.
    bool valid = false;
    // Seconds from the aim entering the target square to the shot.
    double hold = 0.0;
    // Seconds of trace the last-second figures were taken over (less than 1 when the trace
    // began later).
    double span = 0.0;
    // Path length of the aim over the last 1.0 s, in units and in millimetres.
    double len1 = 0.0;
    double len1mm = kNone;
    // Millimetres per target unit of the shot's target (NaN: its size is not known).
    double mmPerUnit = kNone;
    // Shares (0..1) of the last second's samples inside the 10 ring or best zone, and inside
    // a circle of that size around the second's mean aim point.
    double in10 = kNone;
    double steady = kNone;
    // Path length over the last 0.2 s.
    double move02 = 0.0;
    // From the trigger-jerk point to the shot point: distance and its direction in words.
    double jerk = kNone;
    int jerkDirection = -1;
};

inline bool HasFigure(double v) {
    return !std::isnan(v);
}

} // namespace ryvo
