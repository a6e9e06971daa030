#pragma once

#include "core/RunState.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <span>

namespace ryvo {

class ZoneMaps;

// The mean point of impact within this many target units of an axis counts as on it: the
// radius of a hole, below which a correction of the sight means nothing.
inline constexpr double kCentreTolerance = 2.0;

// Figures of one series of shots. Only hits on the square (scores 0..10) take part; shots at
// a dark target and misses beyond the square are counted apart.
struct GroupFigures {
    int hits = 0;       // shots that take part
    int darkShots = 0;  // score -2 or the dark-target position
    int misses = 0;     // score -1 (or any other value outside 0..10)
    double meanX = 0.0; // mean point of impact, target units (y grows downwards)
    double meanY = 0.0;
    double extremeSpread = 0.0; // largest distance between two hole centres
    double meanRadius = 0.0;    // mean distance of the hole centres from the mean point
    std::array<int, 11> hitsPerScore{};
};

// `scores[i]` is the score of `shots[i]`; both have the same length (extra entries of the
// longer one are ignored).
GroupFigures AnalyseGroup(std::span<const ShotPoint> shots, std::span<const std::int32_t> scores);
// Scores every shot for the target type first, library targets by the loaded pack's `zones`.
GroupFigures AnalyseGroup(std::span<const ShotPoint> shots, std::int32_t targetType,
                          const ZoneMaps* zones);

// Where the mean point lies from the centre: "выше и левее", "ниже", "правее", "в центре";
// empty without hits.
QString MeanPointDirection(double meanX, double meanY);

// The figures as lines of text for a result sheet.
QStringList GroupFigureLines(const GroupFigures& figures);

} // namespace ryvo
