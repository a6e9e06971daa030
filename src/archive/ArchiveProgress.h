#pragma once

#include "archive/ArchiveIndex.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace ryvo {

// What the target column shows: the course when the record has one, else the target.
QString TargetOrCourse(const IndexedResult& result);

// A choice of the card's target filter: one target type or one course.
struct TargetChoice {
    QString label;
    std::optional<int> targetType;
    std::optional<QString> course;
    bool operator==(const TargetChoice&) const = default;
};

// A card's filters; unset members keep everything.
struct CardFilter {
    std::optional<QDate> from;
    std::optional<QDate> to;
    std::optional<TargetChoice> target;
    std::optional<QString> group; // compared as names are
    [[nodiscard]] bool Keeps(const IndexedResult& result) const;
};

// The results of a card, newest first, one row each.
class ShooterCardModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 8;
    static constexpr int kDateColumn = 0;
    static constexpr int kGroupColumn = 1;
    static constexpr int kTargetColumn = 2;
    static constexpr int kShotsColumn = 3;
    static constexpr int kSumColumn = 4;
    static constexpr int kMeanColumn = 5;
    static constexpr int kGradeColumn = 6;
    static constexpr int kCommentColumn = 7;

    explicit ShooterCardModel(QObject* parent = nullptr);

    static QString Header(int column);
    static QString Cell(const IndexedResult& result, int column);

    void SetResults(std::vector<IndexedResult> results);
    [[nodiscard]] const std::vector<IndexedResult>& Results() const { return m_results; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index,
                                int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;

private:
    std::vector<IndexedResult> m_results;
};

// A shooter's card without widgets: every result of the shooter from the index, filtered.
class ShooterCard {
public:
    explicit ShooterCard(const ArchiveIndex& index) : m_index(index) {}

    // Loads the shooter's results; the filter is kept. False when the index has none.
    bool Show(const QString& name);
    void SetFilter(const CardFilter& filter);

    // The name as last saved; empty before Show.
    [[nodiscard]] const QString& Name() const { return m_name; }
    [[nodiscard]] const CardFilter& Filter() const { return m_filter; }
    // The groups and targets/courses among all the shooter's results, for the filters.
    [[nodiscard]] const std::vector<QString>& Groups() const { return m_groups; }
    [[nodiscard]] const std::vector<TargetChoice>& Targets() const { return m_targets; }
    [[nodiscard]] int AllCount() const { return static_cast<int>(m_all.size()); }
    [[nodiscard]] ShooterCardModel& Model() { return m_model; }
    [[nodiscard]] const ShooterCardModel& Model() const { return m_model; }

private:
    const ArchiveIndex& m_index;
    QString m_name;
    CardFilter m_filter;
    std::vector<IndexedResult> m_all;
    std::vector<QString> m_groups;
    std::vector<TargetChoice> m_targets;
    ShooterCardModel m_model;
};

// The archived record an index row names, read from its group file with its statistics;
// nullopt when the file no longer holds that record at that place.
std::optional<ResultRecord> ReadIndexedRecord(const QString& startDir, const IndexedResult& result,
                                              const ScoreFunction& score);

// One point of a progress chart: a series' mean per shot and the moving average up to it.
struct ProgressPoint {
    QDateTime when;
    double mean = 0.0;
    double average = 0.0;
};
// Oldest first, from results in any order; series without shots or date are left out. The
// average is over the last `window` points (fewer at the start).
std::vector<ProgressPoint> ProgressPoints(const std::vector<IndexedResult>& results, int window);
// The value a chart draws for one result; nullopt leaves the result out.
using ChartValue = std::function<std::optional<double>(const IndexedResult&)>;
// As above, of any value: only the results that have it are points.
std::vector<ProgressPoint> ProgressPoints(const std::vector<IndexedResult>& results, int window,
                                          const ChartValue& value);

// A group's period, per shooter.
struct ShooterSummary {
    QString shooter; // as last saved
    int series = 0;
    int shots = 0;
    double mean = 0.0;     // per shot over the period
    int best = 0;          // best sum of one series
    double bestMean = 0.0; // best mean per shot of one series
    // Change of the mean per shot in 30 days (least squares over the series); 0 with
    // fewer than two days.
    double trend = 0.0;
};
// Sorted by name.
std::vector<ShooterSummary> SummariseGroup(const std::vector<IndexedResult>& results);

// A group's period summary as a table, one row per shooter.
class GroupSummaryModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 6;
    explicit GroupSummaryModel(QObject* parent = nullptr);
    static QString Header(int column);
    static QString Cell(const ShooterSummary& row, int column);
    void SetRows(std::vector<ShooterSummary> rows);
    [[nodiscard]] const std::vector<ShooterSummary>& Rows() const { return m_rows; }
    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index,
                                int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;

private:
    std::vector<ShooterSummary> m_rows;
};

// Exports in the archive export's manner: CSV for spreadsheets (UTF-8 with a byte-order mark,
// ";", decimal commas, CR LF), JSON for scripts.
QByteArray ShooterResultsCsv(const std::vector<IndexedResult>& results);
QByteArray ShooterResultsJson(const QString& shooter, const std::vector<IndexedResult>& results);
QByteArray SummaryCsv(const std::vector<ShooterSummary>& rows);
QByteArray SummaryJson(const QString& group, const std::vector<ShooterSummary>& rows);
// A chart's data: one row per point and shooter.
struct ChartLine {
    QString shooter;
    std::vector<ProgressPoint> points;
};
// `valueName` heads the points' column.
QByteArray ProgressCsv(const std::vector<ChartLine>& lines,
                       const QString& valueName = QStringLiteral("Среднее"));

} // namespace ryvo
