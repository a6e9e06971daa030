#pragma once

#include <QImage>

#include <cstdint>

namespace ryvo {

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
// dark-target position. A library target scores by the zone map of the loaded pack
// (ScoringZones) when it has one, else 0.
std::int32_t ScoreShot(float x, float y, std::int32_t targetType);

// Score read from a zone map under the hole centre (x, y) on the square; grey values above
// 10 count as 10.
std::int32_t ZoneScore(const QImage& map, float x, float y);

} // namespace ryvo
