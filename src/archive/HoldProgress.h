#pragma once

#include "archive/ArchiveProgress.h"

#include <QString>

#include <optional>
#include <vector>

namespace ryvo {

// The hold figures a chart can follow over time: a record's mean of each.
enum class HoldFigure { Hold, Len1, Len1Mm, In10, Steady, Move02, Jerk };
inline constexpr int kHoldFigureCount = 7;

// The figure's caption with its unit, as the CSV columns name it ("Удержание, с").
QString HoldFigureName(HoldFigure figure);
// The record's mean of the figure as the chart draws it (shares in per cent); nullopt for a
// record without it.
std::optional<double> HoldFigureValue(const IndexedResult& result, HoldFigure figure);
// Oldest first, only the records that have the figure, with the moving average as the score
// chart has it.
std::vector<ProgressPoint> HoldPoints(const std::vector<IndexedResult>& results, HoldFigure figure,
                                      int window);
// Where the figure's axis ends: 100 for shares, else a little over the largest point.
double HoldAxisTop(HoldFigure figure, const std::vector<ChartLine>& lines);

} // namespace ryvo
