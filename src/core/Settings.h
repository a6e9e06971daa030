#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace ryvo {

inline constexpr int kLaneCount = 5; // lanes 0..4 take part
inline constexpr int kLaneSlots = 8; // per-lane arrays keep three spare slots
inline constexpr int kTraceEntries = 10000;
inline constexpr int kMaxTraceLength = kTraceEntries - 1;

// The one record of exercise and device settings. Field names are the settings file keys.
// A default-constructed record is the "all zero" state of program start; the built-in
// defaults come from ApplyBuiltInDefaults.
struct Settings {
    QString Font;
    std::uint32_t FontSize = 0;
    std::array<std::int32_t, kLaneSlots> Target{};
    std::uint32_t Time = 0;
    std::uint32_t ShootsNumber = 0;
    std::uint32_t Shooter = 0;
    QString SerialPort;
    std::uint32_t EnableTrace = 0;
    std::uint32_t IO_Serial = 0;
    std::uint32_t RepeatEnabled = 0;
    std::int32_t RepeatTime = 0;
    std::uint32_t NumReps = 0;
    std::uint32_t FlagPostGunEnable = 0;
    std::uint32_t FlagGunEnable = 0;
    std::uint32_t SmartTarget = 0;
    std::uint32_t Sound1 = 0;
    std::uint32_t Sound2 = 0;
    std::uint32_t Sound3 = 0;
    std::uint32_t TargetsChange = 0;
    std::uint32_t WeaponType = 0;

    // Kept in the calibration file, not the settings file.
    std::int32_t TimeShoot = 0;
    std::int32_t TimeGun = 0;
    std::int32_t TimePost = 0;
    std::int32_t TimeTrace = 0;
    std::array<float, kLaneSlots> CentX{};
    std::array<float, kLaneSlots> CentY{};
    std::array<float, kLaneSlots> ScaleL{};
    std::array<float, kLaneSlots> ScaleR{};
    std::array<float, kLaneSlots> ScaleU{};
    std::array<float, kLaneSlots> ScaleD{};

    bool operator==(const Settings&) const = default;
};

// The six calibration values of one lane.
struct LaneCalibration {
    float CentX = 0.0F;
    float CentY = 0.0F;
    float ScaleL = 1.0F;
    float ScaleR = 1.0F;
    float ScaleU = 1.0F;
    float ScaleD = 1.0F;

    friend bool operator==(const LaneCalibration&, const LaneCalibration&) = default;
};

LaneCalibration LaneCalibrationOf(const Settings& s, int lane);
void SetLaneCalibration(Settings& s, int lane, const LaneCalibration& calibration);

// Built-in defaults that hold when no settings or calibration file exists.
void ApplyBuiltInDefaults(Settings& settings);

// Number of trace points kept on screen: TimeTrace while the aiming point is smoothed
// (TimeGun > 0), else 1; never more than the trace buffer allows.
std::int32_t ComputeTraceLength(const Settings& settings);

} // namespace ryvo
