#include "calibration/Calibration.h"

#include "platform/TextFile.h"

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

void ReadFloatInto(TextReader& in, float& field) {
    if (auto value = in.ReadFloat()) {
        field = *value;
    }
}

void ReadIntInto(TextReader& in, std::int32_t& field) {
    if (auto value = in.ReadInt()) {
        field = *value;
    }
}

} // namespace

bool ReadCalibration(Settings& s, const QString& path, bool startupRead) {
    auto in = TextReader::Open(path);
    if (!in) {
        return false;
    }
    for (int lane = 0; lane < kLaneCount; ++lane) {
        ReadFloatInto(*in, s.CentX[lane]);
        ReadFloatInto(*in, s.CentY[lane]);
        ReadFloatInto(*in, s.ScaleL[lane]);
        ReadFloatInto(*in, s.ScaleR[lane]);
        ReadFloatInto(*in, s.ScaleU[lane]);
        ReadFloatInto(*in, s.ScaleD[lane]);
    }
    // The trigger-jerk point is trace entry TimePost div TimeGun: keep both in the ranges
    // the settings window allows, whatever the file says.
    if (auto timeGun = in->ReadInt()) {
        s.TimeGun = std::clamp(*timeGun, kTimeGunMin, kTimeGunMax);
    }
    ReadIntInto(*in, s.TimeShoot);
    if (auto timePost = in->ReadInt()) {
        s.TimePost = std::clamp(*timePost, kTimePostMin, kTimePostMax);
    }
    ReadIntInto(*in, s.TimeTrace);

    if (startupRead) {
        for (int lane = kLaneCount; lane < kLaneSlots; ++lane) {
            s.CentX[lane] = 0.0F;
            s.CentY[lane] = 0.0F;
            s.ScaleL[lane] = 4.0F;
            s.ScaleR[lane] = 4.0F;
            s.ScaleU[lane] = 4.0F;
            s.ScaleD[lane] = 4.0F;
        }
    }
    return true;
}

bool WriteCalibration(const Settings& s, const QString& path) {
    TextWriter out;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        out.Printf("%f %f\n", static_cast<double>(s.CentX[lane]),
                   static_cast<double>(s.CentY[lane]));
        out.Printf("%f %f\n", static_cast<double>(s.ScaleL[lane]),
                   static_cast<double>(s.ScaleR[lane]));
        out.Printf("%f %f\n", static_cast<double>(s.ScaleU[lane]),
                   static_cast<double>(s.ScaleD[lane]));
    }
    out.Printf("%i %i %i %i", s.TimeGun, s.TimeShoot, s.TimePost, s.TimeTrace);
    return WriteFileAtomic(path, out.Bytes());
}

TargetPoint ToTarget(const Settings& s, int lane, float rx, float ry) {
    if (lane < 0 || lane >= kLaneSlots) {
        return {rx * 100.0F, ry * 100.0F};
    }
    const float u = rx * 100.0F + s.CentX[lane];
    const float v = ry * 100.0F + s.CentY[lane];
    return {u >= 0.0F ? u * s.ScaleR[lane] : u * s.ScaleL[lane],
            v >= 0.0F ? v * s.ScaleD[lane] : v * s.ScaleU[lane]};
}

} // namespace ryvo
