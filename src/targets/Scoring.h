#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

namespace ryvo {

class ZoneMaps;
struct ProgramState;

inline constexpr std::int32_t kTargetUnused = -1;
inline constexpr std::int32_t kTargetN4 = 1;
inline constexpr std::int32_t kTargetSport = 2;
inline constexpr std::int32_t kFirstLibraryTarget = 3;

inline constexpr std::int32_t kScoreMiss = -1;
inline constexpr std::int32_t kScoreDark = -2;
// Position recorded for a shot fired while the lane's lamp was off.
inline constexpr float kDarkShotPosition = -1234.0F;

// Score of a hole centred at (x, y) target units on a target of the given type: 0..10,
// kScoreMiss when the hole does not touch the target square, kScoreDark for the
// dark-target position. A library target scores by its map in `zones`, the zone maps of
// the loaded target pack, when there is one, else 0.
std::int32_t ScoreShot(float x, float y, std::int32_t targetType, const ZoneMaps* zones);
// Without a target pack: library targets score 0.
std::int32_t ScoreShot(float x, float y, std::int32_t targetType);

// The zone maps of the target pack the program has loaded; null without a pack.
const ZoneMaps* LoadedZones(const ProgramState& state);

// ScoreShot over one pack's zone maps, for code that is handed a scoring function. The maps
// must outlive the scorer.
struct ShotScorer {
    const ZoneMaps* zones = nullptr;
    std::int32_t operator()(float x, float y, std::int32_t targetType) const {
        return ScoreShot(x, y, targetType, zones);
    }
};

// The scores a hit on a target of the type can count, highest first.
std::vector<std::int32_t> PossibleScores(std::int32_t targetType);

// Score read from a zone map under the hole centre (x, y) on the square; grey values above
// 10 count as 10.
std::int32_t ZoneScore(const QImage& map, float x, float y);

} // namespace ryvo
