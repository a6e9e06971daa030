#include "targets/GroupAnalysis.h"

#include "targets/Scoring.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ryvo {

GroupFigures AnalyseGroup(std::span<const ShotPoint> shots, std::span<const std::int32_t> scores) {
    GroupFigures f;
    std::vector<ShotPoint> hits;
    const size_t n = std::min(shots.size(), scores.size());
    for (size_t i = 0; i < n; ++i) {
        const ShotPoint& p = shots[i];
        const std::int32_t score = scores[i];
        if (score == kScoreDark || (p.x == kDarkShotPosition && p.y == kDarkShotPosition)) {
            ++f.darkShots;
        } else if (score < 0 || score > 10) {
            ++f.misses;
        } else {
            ++f.hitsPerScore[static_cast<size_t>(score)];
            hits.push_back(p);
        }
    }
    f.hits = static_cast<int>(hits.size());
    if (hits.empty()) {
        return f;
    }
    for (const ShotPoint& p : hits) {
        f.meanX += p.x;
        f.meanY += p.y;
    }
    f.meanX /= f.hits;
    f.meanY /= f.hits;
    for (size_t i = 0; i < hits.size(); ++i) {
        f.meanRadius += std::hypot(hits[i].x - f.meanX, hits[i].y - f.meanY);
        for (size_t j = i + 1; j < hits.size(); ++j) {
            const double d = std::hypot(static_cast<double>(hits[i].x) - hits[j].x,
                                        static_cast<double>(hits[i].y) - hits[j].y);
            f.extremeSpread = std::max(f.extremeSpread, d);
        }
    }
    f.meanRadius /= f.hits;
    return f;
}

GroupFigures AnalyseGroup(std::span<const ShotPoint> shots, std::int32_t targetType,
                          const ZoneMaps* zones) {
    std::vector<std::int32_t> scores;
    scores.reserve(shots.size());
    for (const ShotPoint& p : shots) {
        scores.push_back(ScoreShot(p.x, p.y, targetType, zones));
    }
    return AnalyseGroup(shots, scores);
}

QString MeanPointDirection(double meanX, double meanY) {
    // Target y grows downwards: a negative y is above the centre.
    QString vertical;
    if (meanY < -kCentreTolerance) {
        vertical = QStringLiteral("выше");
    } else if (meanY > kCentreTolerance) {
        vertical = QStringLiteral("ниже");
    }
    QString horizontal;
    if (meanX < -kCentreTolerance) {
        horizontal = QStringLiteral("левее");
    } else if (meanX > kCentreTolerance) {
        horizontal = QStringLiteral("правее");
    }
    if (vertical.isEmpty() && horizontal.isEmpty()) {
        return QStringLiteral("в центре");
    }
    if (vertical.isEmpty() || horizontal.isEmpty()) {
        return vertical + horizontal;
    }
    return vertical + QStringLiteral(" и ") + horizontal;
}

QStringList GroupFigureLines(const GroupFigures& f) {
    QStringList lines;
    if (f.hits == 0) {
        lines << QStringLiteral("Попаданий в мишень нет");
    } else {
        lines << QStringLiteral("Средняя точка попадания:  x = %1, y = %2 (%3)")
                     .arg(f.meanX, 0, 'f', 1)
                     .arg(f.meanY, 0, 'f', 1)
                     .arg(MeanPointDirection(f.meanX, f.meanY));
        lines << QStringLiteral("Наибольший разброс:  %1;  средний радиус:  %2")
                     .arg(f.extremeSpread, 0, 'f', 1)
                     .arg(f.meanRadius, 0, 'f', 1);
        QStringList perScore;
        for (int score = 10; score >= 0; --score) {
            const int count = f.hitsPerScore[static_cast<size_t>(score)];
            if (count > 0) {
                perScore << QStringLiteral("%1 - %2").arg(score).arg(count);
            }
        }
        lines << QStringLiteral("Попадания по очкам:  ") + perScore.join(QStringLiteral(", "));
    }
    if (f.misses > 0 || f.darkShots > 0) {
        lines << QStringLiteral("Не учтены:  промахов %1, при тёмной мишени %2")
                     .arg(f.misses)
                     .arg(f.darkShots);
    }
    return lines;
}

} // namespace ryvo
