#pragma once

#include "core/RunState.h"
#include "core/ShotHold.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

class QImage;

namespace ryvo {

class ResourceLibrary;

// One aiming sample in target units with the tick it was taken at (ms).
struct HoldSample {
    float x = 0.0F;
    float y = 0.0F;
    std::uint32_t tick = 0;
};

// The aim of one lane as the figures read it: a ring of the newest samples with their times,
// independent of how long a trace the window draws, and where the aim last entered the
// target square. Push is O(1); the figures are read only at a shot.
class HoldRecorder {
public:
    // Enough for 17 s at the line's 576 samples a second.
    static constexpr int kCapacity = 10000;
    // A pause this long without samples (the light spot lost) ends the hold.
    static constexpr std::uint32_t kGapMs = 250;

    HoldRecorder();
    void Clear();
    void Push(float x, float y, std::uint32_t tick);

    [[nodiscard]] int Size() const { return m_size; }
    // Sample i counted from the newest (0); i in [0, Size()).
    [[nodiscard]] const HoldSample& At(int i) const {
        int index = m_head - i;
        if (index < 0) {
            index += kCapacity;
        }
        return m_samples[static_cast<size_t>(index)];
    }
    // f(sample) on up to `count` samples from the newest while it returns true.
    template <typename F> void ForNewest(int count, F f) const {
        count = std::min(count, m_size);
        for (int i = m_head; i >= 0 && count > 0; --i, --count) {
            if (!f(m_samples[static_cast<size_t>(i)])) {
                return;
            }
        }
        for (int i = kCapacity - 1; count > 0; --i, --count) {
            if (!f(m_samples[static_cast<size_t>(i)])) {
                return;
            }
        }
    }
    // The aim is inside the target square since this tick; nullopt when it is outside.
    [[nodiscard]] std::optional<std::uint32_t> InsideSince() const;

private:
    std::vector<HoldSample> m_samples;
    int m_head = -1;
    int m_size = 0;
    bool m_inside = false;
    std::uint32_t m_enterTick = 0;
};

// What a lane's target gives the figures: the radius within which an aim point is in the 10
// (ring targets) or the best zone's map (a library target with a zone map), the radius of
// the steadiness circle, and millimetres per target unit where the real size is known.
struct HoldTarget {
    float tenRadius = 0.0F;
    const QImage* zoneMap = nullptr;
    int bestZone = 0;
    // NaN: no 10 ring known (no steadiness circle, no share inside).
    float steadyRadius = 0.0F;
    double mmPerUnit = ShotHold::kNone;
};

// Real sizes of the built-in targets: the N4 figure square and the sport target's ring 1 are
// both 500 mm across, 200 target units.
inline constexpr double kN4SideMm = 500.0;
inline constexpr double kSportSideMm = 500.0;
// A pack declares the side of its target k's square in mm as string k + 298 (301 for the
// first pack target), beside the names (101..) and zeroing parameters (201..).
inline constexpr int kPackSizeStringBase = 298;

// The target of `type` with the pack `library` (may be null); built once per series.
HoldTarget MakeHoldTarget(std::int32_t type, const ResourceLibrary* library);

// The figures of a shot fired at `shotTick` at `shot` (target units) from the lane's
// recorded aim. `jerkPoint` is the trigger-jerk point when the window has one.
ShotHold ComputeHoldFigures(const HoldRecorder& aim, std::uint32_t shotTick, ShotPoint shot,
                            std::optional<ShotPoint> jerkPoint, const HoldTarget& target);

} // namespace ryvo
