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

} // namespace ryvo
