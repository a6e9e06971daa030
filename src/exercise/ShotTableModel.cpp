#include "exercise/ShotTableModel.h"

#include "exercise/HoldFigures.h"
#include "targets/Scoring.h"

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

bool IsDark(const ShotPoint& p, std::int32_t score) {
    return score == kScoreDark || (p.x == kDarkShotPosition && p.y == kDarkShotPosition);
}

bool IsHit(const ShotPoint& p, std::int32_t score) {
    return !IsDark(p, score) && score >= 0 && score <= 10;
}

QString Units(double v) {
    // A mean a hair below zero reads 0.0, not -0.0.
    return QString::number(std::abs(v) < 0.05 ? 0.0 : v, 'f', 1);
}

} // namespace

QStringList SeriesFigureLines(const GroupFigures& f) {
    QStringList lines;
    if (f.hits == 0) {
        lines << QStringLiteral("СТП: попаданий нет");
    } else {
        lines << QStringLiteral("СТП: x̄ %1, ȳ %2 (%3)")
                     .arg(Units(f.meanX), Units(f.meanY), MeanPointDirection(f.meanX, f.meanY));
        lines << QStringLiteral("Разброс: %1").arg(Units(f.extremeSpread));
        lines << QStringLiteral("Средний радиус: %1").arg(Units(f.meanRadius));
        QStringList perScore;
        for (int score = 10; score >= 0; --score) {
            if (const int count = f.hitsPerScore[static_cast<size_t>(score)]; count > 0) {
                perScore << QStringLiteral("%1×%2").arg(score).arg(count);
            }
        }
        lines << QStringLiteral("По очкам: ") + perScore.join(QStringLiteral(", "));
    }
    lines << QStringLiteral("Вне мишени: %1").arg(f.misses);
    lines << QStringLiteral("По тёмной мишени: %1").arg(f.darkShots);
    return lines;
}

QString ShotSeconds(std::uint32_t ms) {
    return QString::asprintf("%u.%02u", ms / 1000U, (ms % 1000U) / 10U);
}

ShotTableModel::ShotTableModel(QObject* parent) : QAbstractTableModel(parent) {}

ShotTableModel::Row ShotTableModel::RowOf(const RunState& run, size_t lane, size_t shot) {
    const std::vector<ShotHold>& holds = run.ShotHolds[lane];
    return Row{run.ShotPos[lane][shot], run.ShotMs[lane][shot], run.ShotScore[lane][shot],
               shot < holds.size() ? holds[shot] : ShotHold{}};
}

void ShotTableModel::SetHoldColumns(bool shown) {
    if (shown == m_holdColumns) {
        return;
    }
    beginResetModel();
    m_holdColumns = shown;
    endResetModel();
}

bool ShotTableModel::InMillimetres() const {
    const auto first =
        std::find_if(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.hold.valid; });
    return first != m_rows.end() && HasFigure(first->hold.len1mm);
}

HoldMeans ShotTableModel::Means() const {
    std::vector<ShotHold> holds;
    holds.reserve(m_rows.size());
    for (const Row& r : m_rows) {
        holds.push_back(r.hold);
    }
    return MeanHolds(holds);
}

void ShotTableModel::Update(const RunState& run, int lane) {
    if (lane < 0 || lane >= kLaneCount) {
        Clear();
        return;
    }
    const auto i = static_cast<size_t>(lane);
    const size_t count = std::min({static_cast<size_t>(run.ShotCount[i]), run.ShotPos[i].size(),
                                   run.ShotMs[i].size(), run.ShotScore[i].size()});
    // The rows shown must still be the first shots of the lane; the first and the last shown
    // tell a new series that reached the same count.
    const bool same = lane == m_lane && count >= m_rows.size() &&
                      (m_rows.empty() || (m_rows.front() == RowOf(run, i, 0) &&
                                          m_rows.back() == RowOf(run, i, m_rows.size() - 1)));
    if (!same) {
        Reset(run, i, count);
        return;
    }
    if (count == m_rows.size()) {
        return;
    }
    beginInsertRows({}, static_cast<int>(m_rows.size()), static_cast<int>(count) - 1);
    for (size_t s = m_rows.size(); s < count; ++s) {
        m_rows.push_back(RowOf(run, i, s));
        AddToFigures(m_rows.back());
    }
    endInsertRows();
    if (m_holdColumns) {
        // The length units follow the first shot with figures.
        emit headerDataChanged(Qt::Horizontal, Len1, Jerk);
    }
}

void ShotTableModel::Clear() {
    beginResetModel();
    m_lane = -1;
    m_rows.clear();
    m_hits.clear();
    m_figures = {};
    m_sumX = m_sumY = m_spreadSquared = 0.0;
    endResetModel();
}

void ShotTableModel::Reset(const RunState& run, size_t lane, size_t count) {
    beginResetModel();
    m_lane = static_cast<int>(lane);
    m_rows.clear();
    m_hits.clear();
    m_figures = {};
    m_sumX = m_sumY = m_spreadSquared = 0.0;
    for (size_t s = 0; s < count; ++s) {
        m_rows.push_back(RowOf(run, lane, s));
        AddToFigures(m_rows.back());
    }
    endResetModel();
}

void ShotTableModel::AddToFigures(const Row& row) {
    if (IsDark(row.point, row.score)) {
        ++m_figures.darkShots;
        return;
    }
    if (!IsHit(row.point, row.score)) {
        ++m_figures.misses;
        return;
    }
    ++m_figures.hitsPerScore[static_cast<size_t>(row.score)];
    // The spread grows only by distances to the new hole.
    for (const ShotPoint& p : m_hits) {
        const double dx = static_cast<double>(p.x) - row.point.x;
        const double dy = static_cast<double>(p.y) - row.point.y;
        m_spreadSquared = std::max(m_spreadSquared, dx * dx + dy * dy);
    }
    m_hits.push_back(row.point);
    m_sumX += row.point.x;
    m_sumY += row.point.y;
    m_figures.hits = static_cast<int>(m_hits.size());
    m_figures.meanX = m_sumX / m_figures.hits;
    m_figures.meanY = m_sumY / m_figures.hits;
    m_figures.extremeSpread = std::sqrt(m_spreadSquared);
    double radii = 0.0;
    for (const ShotPoint& p : m_hits) {
        radii += std::hypot(p.x - m_figures.meanX, p.y - m_figures.meanY);
    }
    m_figures.meanRadius = radii / m_figures.hits;
}

int ShotTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ShotTableModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return m_holdColumns ? ColumnCount : Hold;
}

QVariant ShotTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) {
        return {};
    }
    const auto r = static_cast<size_t>(index.row());
    const Row& row = m_rows[r];
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role == Qt::ToolTipRole && index.column() == Value) {
        if (IsDark(row.point, row.score)) {
            return QStringLiteral("По тёмной мишени");
        }
        if (!IsHit(row.point, row.score)) {
            return QStringLiteral("Вне мишени");
        }
        return {};
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
    case Number:
        return QString::number(r + 1);
    case Time:
        return ShotSeconds(row.ms);
    case Interval:
        // Times are taken from one clock in firing order; a wrapped tick still subtracts.
        return r == 0 ? QStringLiteral("—") : ShotSeconds(row.ms - m_rows[r - 1].ms);
    case Value:
        // The window's result label shows 0 for a miss and a dark target.
        return QString::number(IsHit(row.point, row.score) ? row.score : 0);
    default:
        return HoldCell(row, index.column());
    }
}

QVariant ShotTableModel::HoldCell(const Row& row, int column) const {
    const ShotHold& h = row.hold;
    if (!h.valid) {
        return QStringLiteral("—");
    }
    const bool mm = InMillimetres();
    const auto length = [&](double units) {
        return HasFigure(units) ? QString::number(mm ? HoldLength(h, units) : units, 'f', 1)
                                : QStringLiteral("—");
    };
    const auto percent = [](double v) {
        return HasFigure(v) ? QString::number(std::lround(v * 100.0)) : QStringLiteral("—");
    };
    switch (column) {
    case Hold:
        return QString::number(h.hold, 'f', 1);
    case Len1:
        return length(h.len1);
    case In10:
        return percent(h.in10);
    case Steady:
        return percent(h.steady);
    case Move02:
        return length(h.move02);
    case Jerk:
        return length(h.jerk);
    case JerkDir:
        return h.jerkDirection >= 0 ? JerkDirectionWords(h.jerkDirection) : QStringLiteral("—");
    default:
        return {};
    }
}

QVariant ShotTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (role == Qt::ToolTipRole) {
        switch (section) {
        case Time:
            return QStringLiteral("Секунд от начала серии");
        case Interval:
            return QStringLiteral("Секунд от предыдущего выстрела");
        case Hold:
            return QStringLiteral("Удержание: секунд от входа прицела в мишень до выстрела");
        case Len1:
            return QStringLiteral("Длина следа за последнюю секунду");
        case In10:
            return QStringLiteral("Доля последней секунды в десятке (лучшей зоне)");
        case Steady:
            return QStringLiteral("Доля последней секунды в круге десятки вокруг средней точки");
        case Move02:
            return QStringLiteral("Движение за последние 0,2 с");
        case Jerk:
            return QStringLiteral("Срыв: от точки срыва до точки выстрела");
        case JerkDir:
            return QStringLiteral("Куда ушёл прицел при срыве");
        default:
            return {};
        }
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case Number:
        return QStringLiteral("№");
    case Time:
        return QStringLiteral("Время");
    case Interval:
        return QStringLiteral("Интервал");
    case Value:
        return QStringLiteral("Очки");
    case Hold:
        return QStringLiteral("Уд., с");
    case Len1:
        return InMillimetres() ? QStringLiteral("1 с, мм") : QStringLiteral("1 с, ед.");
    case In10:
        return QStringLiteral("В 10, %");
    case Steady:
        return QStringLiteral("Уст., %");
    case Move02:
        return InMillimetres() ? QStringLiteral("0,2 с, мм") : QStringLiteral("0,2 с, ед.");
    case Jerk:
        return InMillimetres() ? QStringLiteral("Срыв, мм") : QStringLiteral("Срыв, ед.");
    case JerkDir:
        return QStringLiteral("Куда");
    default:
        return {};
    }
}

} // namespace ryvo
