#include "archive/HoldProgress.h"

#include "archive/ArchiveExport.h"

#include <algorithm>
#include <cmath>

namespace ryvo {

QString HoldFigureName(HoldFigure figure) {
    const QStringList names = HoldCsvHeader();
    const auto at = static_cast<qsizetype>(figure);
    return at >= 0 && at < names.size() ? names[at] : QString();
}

std::optional<double> HoldFigureValue(const IndexedResult& result, HoldFigure figure) {
    const HoldMeans& m = result.hold.units;
    if (m.shots == 0) {
        return std::nullopt;
    }
    double value = ShotHold::kNone;
    switch (figure) {
    case HoldFigure::Hold:
        value = m.hold;
        break;
    case HoldFigure::Len1:
        value = m.len1;
        break;
    case HoldFigure::Len1Mm:
        value = result.hold.len1mm;
        break;
    case HoldFigure::In10:
        value = m.in10 * 100.0;
        break;
    case HoldFigure::Steady:
        value = m.steady * 100.0;
        break;
    case HoldFigure::Move02:
        value = m.move02;
        break;
    case HoldFigure::Jerk:
        value = m.jerk;
        break;
    }
    return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

std::vector<ProgressPoint> HoldPoints(const std::vector<IndexedResult>& results, HoldFigure figure,
                                      int window) {
    return ProgressPoints(results, window,
                          [figure](const IndexedResult& r) { return HoldFigureValue(r, figure); });
}

double HoldAxisTop(HoldFigure figure, const std::vector<ChartLine>& lines) {
    if (figure == HoldFigure::In10 || figure == HoldFigure::Steady) {
        return 100.0;
    }
    double top = 0.0;
    for (const ChartLine& line : lines) {
        for (const ProgressPoint& p : line.points) {
            top = std::max({top, p.mean, p.average});
        }
    }
    // Room above the highest point; an axis of some height when all are 0.
    return top > 0.0 ? top * 1.1 : 1.0;
}

} // namespace ryvo
