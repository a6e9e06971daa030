#pragma once

#include "calibration/Calibration.h"
#include "core/Settings.h"

#include <QPoint>

#include <array>
#include <optional>

namespace ryvo {

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

// What a zeroing measurement aims at: the centre or the middle of one edge. The numbers are
// the order of the window's measuring buttons.
enum class ZeroingMode { Centre = 1, Left = 2, Right = 3, Up = 4, Down = 5 };

// Lanes 0..4, as the window keeps them on entry.
using CalibrationBackup = std::array<LaneCalibration, kLaneCount>;
CalibrationBackup TakeCalibrationBackup(const Settings& s);
void RestoreCalibrationBackup(Settings& s, const CalibrationBackup& backup);

// The scale an edge measurement corrects; nullptr for the centre.
float* MeasuredScale(LaneCalibration& calibration, ZeroingMode mode);

// Before an edge is measured, a scale too small to give usable shot positions (below 0.01)
// is replaced by 3.0. Returns whether it was.
bool PrepareScale(LaneCalibration& calibration, ZeroingMode mode);

// The scale an edge correction falls back to when the mean lies on the centre line.
inline constexpr float kFallbackScale = 3.0F;

// The correction of a measurement whose shots average (meanX, meanY) target units: the
// centre offset moves so the mean maps to 0, an edge scale is set so the mean maps to the
// marked edge point (+-100 * edge fraction). The old scale of each mean is undone first.
// A result that is not a finite number (a degenerate scale, a mean on the centre line)
// never reaches the calibration: an edge takes 3.0, a centre offset stays.
LaneCalibration CorrectCalibration(LaneCalibration calibration, ZeroingMode mode, float meanX,
                                   float meanY, ZeroingEdges edges);

// Top-left corner of the marker of the point to shoot at, for a square picture `width`
// pixels wide and a marker `size` pixels square.
QPoint PointerPlacement(ZeroingMode mode, int width, int size, ZeroingEdges edges);

} // namespace ryvo
