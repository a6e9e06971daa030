#include "core/Settings.h"

namespace ryvo {

void ApplyBuiltInDefaults(Settings& settings) {
    settings.Time = 3;
    settings.ShootsNumber = 3;
    settings.Target.fill(-1);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        settings.CentX[lane] = 0.0F;
        settings.CentY[lane] = 0.0F;
        settings.ScaleL[lane] = 1.0F;
        settings.ScaleR[lane] = 1.0F;
        settings.ScaleU[lane] = 1.0F;
        settings.ScaleD[lane] = 1.0F;
    }
    settings.TimeGun = 50;
    settings.TimeShoot = 50;
    settings.TimePost = 100;
    settings.TimeTrace = 1000;
}

std::int32_t ComputeTraceLength(const Settings& settings) {
    const std::int32_t length = settings.TimeGun > 0 ? settings.TimeTrace : 1;
    return length >= kTraceEntries ? kMaxTraceLength : length;
}

LaneCalibration LaneCalibrationOf(const Settings& s, int lane) {
    const auto i = static_cast<size_t>(lane);
    return {s.CentX[i], s.CentY[i], s.ScaleL[i], s.ScaleR[i], s.ScaleU[i], s.ScaleD[i]};
}

void SetLaneCalibration(Settings& s, int lane, const LaneCalibration& calibration) {
    const auto i = static_cast<size_t>(lane);
    s.CentX[i] = calibration.CentX;
    s.CentY[i] = calibration.CentY;
    s.ScaleL[i] = calibration.ScaleL;
    s.ScaleR[i] = calibration.ScaleR;
    s.ScaleU[i] = calibration.ScaleU;
    s.ScaleD[i] = calibration.ScaleD;
}

} // namespace ryvo
