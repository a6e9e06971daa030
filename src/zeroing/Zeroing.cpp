#include "zeroing/Zeroing.h"

#include "core/ProgramState.h"
#include "platform/TextFile.h"

#include <cmath>

namespace ryvo {

namespace {

constexpr float kSmallestScale = 0.01F;

// The shifted raw value (u or v) that gave a mean under the scales of its two halves.
float UndoScale(float mean, float positiveScale, float negativeScale) {
    if (mean == 0.0F) {
        return 0.0F;
    }
    return mean > 0.0F ? mean / positiveScale : mean / negativeScale;
}

float EdgeScale(float target, float shifted) {
    if (shifted == 0.0F) {
        return kFallbackScale;
    }
    const float scale = std::fabs(target / shifted);
    return std::isfinite(scale) && scale > 0.0F ? scale : kFallbackScale;
}

void MoveCentre(float& centre, float shifted) {
    const float moved = centre - shifted;
    if (std::isfinite(moved)) {
        centre = moved;
    }
}

} // namespace

CalibrationBackup TakeCalibrationBackup(const Settings& s) {
    CalibrationBackup backup;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        backup[static_cast<size_t>(lane)] = LaneCalibrationOf(s, lane);
    }
    return backup;
}

void RestoreCalibrationBackup(Settings& s, const CalibrationBackup& backup) {
    for (int lane = 0; lane < kLaneCount; ++lane) {
        SetLaneCalibration(s, lane, backup[static_cast<size_t>(lane)]);
    }
}

float* MeasuredScale(LaneCalibration& calibration, ZeroingMode mode) {
    switch (mode) {
    case ZeroingMode::Left:
        return &calibration.ScaleL;
    case ZeroingMode::Right:
        return &calibration.ScaleR;
    case ZeroingMode::Up:
        return &calibration.ScaleU;
    case ZeroingMode::Down:
        return &calibration.ScaleD;
    case ZeroingMode::Centre:
        break;
    }
    return nullptr;
}

bool PrepareScale(LaneCalibration& calibration, ZeroingMode mode) {
    float* scale = MeasuredScale(calibration, mode);
    // Not a number compares false: it is replaced as well.
    if (scale == nullptr || *scale >= kSmallestScale) {
        return false;
    }
    *scale = kFallbackScale;
    return true;
}

LaneCalibration CorrectCalibration(LaneCalibration calibration, ZeroingMode mode, float meanX,
                                   float meanY, ZeroingEdges edges) {
    const float w = UndoScale(meanX, calibration.ScaleR, calibration.ScaleL);
    const float v = UndoScale(meanY, calibration.ScaleD, calibration.ScaleU);
    switch (mode) {
    case ZeroingMode::Centre:
        MoveCentre(calibration.CentX, w);
        MoveCentre(calibration.CentY, v);
        break;
    case ZeroingMode::Left:
        calibration.ScaleL = EdgeScale(-100.0F * edges.x, w);
        break;
    case ZeroingMode::Right:
        calibration.ScaleR = EdgeScale(100.0F * edges.x, w);
        break;
    case ZeroingMode::Up:
        calibration.ScaleU = EdgeScale(-100.0F * edges.y, v);
        break;
    case ZeroingMode::Down:
        calibration.ScaleD = EdgeScale(100.0F * edges.y, v);
        break;
    }
    return calibration;
}

QPoint PointerPlacement(ZeroingMode mode, int width, int size, ZeroingEdges edges) {
    const float half = static_cast<float>(width) * 0.5F;
    // The marker's half size in whole pixels, as the window places it.
    const int middle =
        static_cast<int>(half - static_cast<float>(size / 2)); // NOLINT(bugprone-integer-division)
    switch (mode) {
    case ZeroingMode::Left:
        return {static_cast<int>(half - half * edges.x), middle};
    case ZeroingMode::Right:
        return {static_cast<int>(half + half * edges.x) - size, middle};
    case ZeroingMode::Up:
        return {middle, static_cast<int>(half - half * edges.y)};
    case ZeroingMode::Down:
        return {middle, static_cast<int>(half + half * edges.y) - size};
    case ZeroingMode::Centre:
        break;
    }
    return {middle, middle};
}

ZeroingEdges TargetZeroingEdges(const ProgramState& state, std::int32_t type) {
    ZeroingEdges edges;
    if (type < 3 || !state.TargetLibrary) {
        return edges;
    }
    const auto text = state.TargetLibrary->String(static_cast<int>(type) + 198);
    if (!text) {
        return edges;
    }
    TextReader in(ToCp1251(*text));
    auto take = [](std::optional<float> value, float& field) {
        if (value && *value > 0.0F && *value <= 1.0F) {
            field = *value;
        }
    };
    const auto x = in.ReadFloat();
    const auto y = x ? in.ReadFloat() : std::nullopt;
    take(x, edges.x);
    take(y, edges.y);
    return edges;
}

} // namespace ryvo
