#pragma once

#include "core/Settings.h"
// ToPixels, the picture side of the conversions, is target geometry.
#include "targets/TargetGeometry.h"

#include <cstdint>

#include <QString>

namespace ryvo {

inline constexpr const char* kCalibrationFileName = "ryvw.dat";

// Ranges the settings window allows for the two times the trigger-jerk index is built from
// (TimePost div TimeGun).
inline constexpr std::int32_t kTimeGunMin = 1;
inline constexpr std::int32_t kTimeGunMax = 100;
inline constexpr std::int32_t kTimePostMin = 0;
inline constexpr std::int32_t kTimePostMax = 10000;

// Reads the per-lane centres and scales of lanes 0..4 and the four times. False when the
// file cannot be opened (nothing changes). Fields a short or malformed file does not hold
// keep their values. After a start-up read the spare lanes 5..7 get centre 0 and scales 4.
bool ReadCalibration(Settings& s, const QString& path, bool startupRead);

// Replaces the file atomically; false (and the old file untouched) on failure.
bool WriteCalibration(const Settings& s, const QString& path);

struct TargetPoint {
    float x;
    float y;
};

// Raw device ratios of a lane to target units.
TargetPoint ToTarget(const Settings& s, int lane, float rx, float ry);

struct ProgramState;

// Where the zeroing window's edge points lie, as fractions of the half-width.
struct ZeroingEdges {
    float x = 1.0F;
    float y = 1.0F;
};

// The edge points of a target type: 1 and 1 except for a library target whose zeroing
// string (id type + 198, "%f%f%i%i") gives them. A value outside (0, 1] would put the point
// off the picture or zero a scale, so it stays 1.
ZeroingEdges TargetZeroingEdges(const ProgramState& state, std::int32_t type);

} // namespace ryvo
