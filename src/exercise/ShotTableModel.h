#pragma once

#include "core/RunState.h"
#include "core/ShotHold.h"
#include "exercise/HoldFigures.h"
#include "targets/GroupAnalysis.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace ryvo {

// The compact figures of a series for an exercise window: the mean point with its direction,
// the spread and mean radius, hits per score, and the shots left out.
QStringList SeriesFigureLines(const GroupFigures& figures);

// Seconds with two decimals, as the window's clock shows them.
QString ShotSeconds(std::uint32_t ms);

// The shots of one lane's current series as a table: number, time since the series began,
// interval since the previous shot, score as the window shows it (0 for a miss or a dark
// target, which say so in their tool tip). Update is called when the lane's shots changed; a
// new shot adds a row and its figures in O(shots), so the run never pays for the whole group.
class ShotTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Number,
        Time,
        Interval,
        Value,
        // What the aiming trace said, for windows that show it.
        Hold,
        Len1,
        In10,
        Steady,
        Move02,
        Jerk,
        JerkDir,
        ColumnCount
    };

    explicit ShotTableModel(QObject* parent = nullptr);

    // Takes the lane's shots from `run`: new shots are appended; another lane, fewer shots or
    // shots that are not the ones shown (a new series) fill the table anew.
    void Update(const RunState& run, int lane);
    void Clear();
    // Shows the hold figures' columns (windows that compute them).
    void SetHoldColumns(bool shown);
    [[nodiscard]] bool HoldColumns() const { return m_holdColumns; }
    [[nodiscard]] HoldMeans Means() const;

    [[nodiscard]] int Lane() const { return m_lane; }
    [[nodiscard]] const GroupFigures& Figures() const { return m_figures; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index,
                                int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;

private:
    struct Row {
        ShotPoint point;
        std::uint32_t ms = 0;
        std::int32_t score = 0;
        ShotHold hold;
        // The shot, not its figures (which a NaN would never let equal).
        bool operator==(const Row& o) const {
            return point == o.point && ms == o.ms && score == o.score;
        }
    };
    [[nodiscard]] QVariant HoldCell(const Row& row, int column) const;
    // Lengths are in mm: the first shot with figures has a known target size.
    [[nodiscard]] bool InMillimetres() const;
    static Row RowOf(const RunState& run, size_t lane, size_t shot);
    void Reset(const RunState& run, size_t lane, size_t count);
    // Adds the row's shot to the figures.
    void AddToFigures(const Row& row);

    int m_lane = -1;
    bool m_holdColumns = false;
    std::vector<Row> m_rows;
    GroupFigures m_figures;
    // The hits that take part, and the sums of their coordinates.
    std::vector<ShotPoint> m_hits;
    double m_sumX = 0.0;
    double m_sumY = 0.0;
    double m_spreadSquared = 0.0;
};

} // namespace ryvo
