#include "archive/ArchiveProgress.h"

#include "archive/ArchiveBeside.h"
#include "archive/ArchiveExport.h"
#include "archive/Printing.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

namespace ryvo {

namespace {

QString DateTimeText(const IndexedResult& r) {
    if (!r.date.isValid()) {
        return r.dateText + QChar(u' ') + r.timeText;
    }
    return r.date.toString(QStringLiteral("dd.MM.yyyy")) +
           QStringLiteral(" %1:%2")
               .arg(r.minute / 60, 2, 10, QChar(u'0'))
               .arg(r.minute % 60, 2, 10, QChar(u'0'));
}

QDateTime When(const IndexedResult& r) {
    return {r.date, QTime(r.minute / 60 % 24, r.minute % 60)};
}

// The means of a record's hold figures; a figure it does not have is left out.
QJsonObject HoldJson(const RecordHoldMeans& means) {
    const HoldMeans& m = means.units;
    QJsonObject o{{QStringLiteral("shots"), m.shots}};
    const auto put = [&o](const char* key, double v, double scale) {
        if (HasFigure(v)) {
            o.insert(QLatin1String(key), std::round(v * scale) / scale);
        }
    };
    put("hold", m.hold, 100);
    put("len1", m.len1, 100);
    put("len1mm", means.len1mm, 10);
    put("in10", m.in10, 1000);
    put("steady", m.steady, 1000);
    put("move02", m.move02, 100);
    put("jerk", m.jerk, 100);
    return o;
}

QByteArray CsvImage(const QStringList& rows) {
    return QByteArray("\xEF\xBB\xBF") +
           (rows.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

} // namespace

QString TargetOrCourse(const IndexedResult& result) {
    return result.course.isEmpty() ? TargetName(result.targetType) : result.course;
}

bool CardFilter::Keeps(const IndexedResult& result) const {
    if ((from || to) && !result.date.isValid()) {
        return false;
    }
    if ((from && result.date < *from) || (to && result.date > *to)) {
        return false;
    }
    if (target) {
        if (target->course ? result.course != *target->course
                           : !result.course.isEmpty() || result.targetType != target->targetType) {
            return false;
        }
    }
    return !group || NameKey(result.group) == NameKey(*group);
}

ShooterCardModel::ShooterCardModel(QObject* parent) : QAbstractTableModel(parent) {}

QString ShooterCardModel::Header(int column) {
    switch (column) {
    case kDateColumn:
        return QStringLiteral("Дата");
    case kGroupColumn:
        return QStringLiteral("Группа");
    case kTargetColumn:
        return QStringLiteral("Мишень / упражнение");
    case kShotsColumn:
        return QStringLiteral("Выстрелов");
    case kSumColumn:
        return QStringLiteral("Сумма");
    case kMeanColumn:
        return QStringLiteral("Среднее");
    case kGradeColumn:
        return QStringLiteral("Оценка");
    case kCommentColumn:
        return QStringLiteral("Комментарий");
    default:
        return {};
    }
}

QString ShooterCardModel::Cell(const IndexedResult& result, int column) {
    switch (column) {
    case kDateColumn:
        return DateTimeText(result);
    case kGroupColumn:
        return result.group;
    case kTargetColumn:
        return TargetOrCourse(result);
    case kShotsColumn:
        return QString::number(result.shots);
    case kSumColumn:
        return QString::number(result.sum);
    case kMeanColumn:
        return result.shots > 0 ? Decimal(result.Mean(), QChar(u',')) : QStringLiteral("-");
    case kGradeColumn:
        return result.grade;
    case kCommentColumn:
        return result.comment;
    default:
        return {};
    }
}

void ShooterCardModel::SetResults(std::vector<IndexedResult> results) {
    beginResetModel();
    m_results = std::move(results);
    endResetModel();
}

int ShooterCardModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_results.size());
}

int ShooterCardModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ShooterCardModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return Cell(m_results[static_cast<size_t>(index.row())], index.column());
    }
    if (role == Qt::TextAlignmentRole && index.column() != kCommentColumn) {
        return static_cast<int>(Qt::AlignCenter);
    }
    return {};
}

QVariant ShooterCardModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal) {
        return Header(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool ShooterCard::Show(const QString& name) {
    m_all = m_index.ShooterResults(name);
    m_name = m_all.empty() ? name.simplified() : m_all.front().shooter;
    m_groups.clear();
    m_targets.clear();
    std::map<QString, QString> groups; // key -> latest spelling
    for (const IndexedResult& r : m_all) {
        groups.try_emplace(NameKey(r.group), r.group);
        TargetChoice choice{TargetOrCourse(r), std::nullopt, std::nullopt};
        if (r.course.isEmpty()) {
            choice.targetType = r.targetType;
        } else {
            choice.course = r.course;
        }
        if (std::find(m_targets.begin(), m_targets.end(), choice) == m_targets.end()) {
            m_targets.push_back(choice);
        }
    }
    for (const auto& [key, group] : groups) {
        m_groups.push_back(group);
    }
    std::sort(m_targets.begin(), m_targets.end(),
              [](const TargetChoice& a, const TargetChoice& b) { return a.label < b.label; });
    SetFilter(m_filter);
    return !m_all.empty();
}

void ShooterCard::SetFilter(const CardFilter& filter) {
    m_filter = filter;
    std::vector<IndexedResult> kept;
    std::copy_if(m_all.begin(), m_all.end(), std::back_inserter(kept),
                 [&](const IndexedResult& r) { return m_filter.Keeps(r); });
    m_model.SetResults(std::move(kept));
}

std::optional<ResultRecord> ReadIndexedRecord(const QString& startDir, const IndexedResult& result,
                                              const ScoreFunction& score) {
    QFile file(QDir(startDir).filePath(result.file));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    std::vector<ResultRecord> records = ParseGroupFile(file.readAll());
    // Its figures and trace, as when the record is opened from the day table.
    AttachBeside(file.fileName(), records);
    if (result.position < 0 || static_cast<size_t>(result.position) >= records.size()) {
        return std::nullopt;
    }
    ResultRecord record = std::move(records[static_cast<size_t>(result.position)]);
    // The file may have been replaced since it was indexed: the record must still be that one.
    if (record.Shooter != result.shooter || record.Date != result.dateText ||
        record.Time != result.timeText) {
        return std::nullopt;
    }
    DeriveStatistics(record, score);
    return record;
}

std::vector<ProgressPoint> ProgressPoints(const std::vector<IndexedResult>& results, int window) {
    return ProgressPoints(results, window, [](const IndexedResult& r) -> std::optional<double> {
        return r.shots > 0 ? std::optional(r.Mean()) : std::nullopt;
    });
}

std::vector<ProgressPoint> ProgressPoints(const std::vector<IndexedResult>& results, int window,
                                          const ChartValue& value) {
    std::vector<std::pair<const IndexedResult*, double>> kept;
    for (const IndexedResult& r : results) {
        if (!r.date.isValid()) {
            continue;
        }
        if (const std::optional<double> v = value(r); v && std::isfinite(*v)) {
            kept.emplace_back(&r, *v);
        }
    }
    std::stable_sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) {
        return std::pair(a.first->date, a.first->minute) <
               std::pair(b.first->date, b.first->minute);
    });
    window = std::max(window, 1);
    std::vector<ProgressPoint> points;
    points.reserve(kept.size());
    double running = 0.0;
    for (size_t i = 0; i < kept.size(); ++i) {
        running += kept[i].second;
        if (i >= static_cast<size_t>(window)) {
            running -= kept[i - static_cast<size_t>(window)].second;
        }
        const size_t count = std::min(i + 1, static_cast<size_t>(window));
        points.push_back(
            {When(*kept[i].first), kept[i].second, running / static_cast<double>(count)});
    }
    return points;
}

std::vector<ShooterSummary> SummariseGroup(const std::vector<IndexedResult>& results) {
    struct Collect {
        ShooterSummary summary;
        int sum = 0;
        std::pair<qint64, int> latest;
        std::vector<std::pair<double, double>> points; // (day, mean per shot)
    };
    std::map<QString, Collect> shooters;
    for (const IndexedResult& r : results) {
        Collect& c = shooters[NameKey(r.shooter)];
        // The name as last saved; results come newest first, but need not.
        const std::pair<qint64, int> when(r.date.isValid() ? r.date.toJulianDay() : 0, r.minute);
        if (c.summary.series == 0 || when > c.latest) {
            c.summary.shooter = r.shooter;
            c.latest = when;
        }
        ++c.summary.series;
        c.summary.shots += r.shots;
        c.sum += r.sum;
        c.summary.best = c.summary.series == 1 ? r.sum : std::max(c.summary.best, r.sum);
        c.summary.bestMean = std::max(c.summary.bestMean, r.Mean());
        if (r.shots > 0 && r.date.isValid()) {
            c.points.emplace_back(static_cast<double>(r.date.toJulianDay()) + r.minute / 1440.0,
                                  r.Mean());
        }
    }
    std::vector<ShooterSummary> rows;
    for (auto& [key, c] : shooters) {
        ShooterSummary& s = c.summary;
        s.mean = s.shots > 0 ? static_cast<double>(c.sum) / s.shots : 0.0;
        const auto n = static_cast<double>(c.points.size());
        double sx = 0;
        double sy = 0;
        for (const auto& [x, y] : c.points) {
            sx += x;
            sy += y;
        }
        double sxx = 0;
        double sxy = 0;
        for (const auto& [x, y] : c.points) {
            sxx += (x - sx / n) * (x - sx / n);
            sxy += (x - sx / n) * (y - sy / n);
        }
        // Series of one day give no slope worth the name.
        s.trend = c.points.size() >= 2 && sxx >= 1.0 ? sxy / sxx * 30.0 : 0.0;
        rows.push_back(s);
    }
    return rows;
}

GroupSummaryModel::GroupSummaryModel(QObject* parent) : QAbstractTableModel(parent) {}

QString GroupSummaryModel::Header(int column) {
    static const std::array<const char*, kColumns> headers = {
        "Стрелок", "Серий", "Выстрелов", "Среднее", "Лучшая сумма", "Тренд за 30 дней"};
    return column >= 0 && column < kColumns
               ? QString::fromUtf8(headers[static_cast<size_t>(column)])
               : QString();
}

QString GroupSummaryModel::Cell(const ShooterSummary& row, int column) {
    switch (column) {
    case 0:
        return row.shooter;
    case 1:
        return QString::number(row.series);
    case 2:
        return QString::number(row.shots);
    case 3:
        return Decimal(row.mean, QChar(u','));
    case 4:
        return QString::number(row.best);
    case 5:
        // A sign on every change, so a fall reads at a glance.
        return (row.trend > 0.005 ? QStringLiteral("+") : QString()) +
               Decimal(row.trend, QChar(u','));
    default:
        return {};
    }
}

void GroupSummaryModel::SetRows(std::vector<ShooterSummary> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int GroupSummaryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int GroupSummaryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant GroupSummaryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return Cell(m_rows[static_cast<size_t>(index.row())], index.column());
    }
    if (role == Qt::TextAlignmentRole && index.column() > 0) {
        return static_cast<int>(Qt::AlignCenter);
    }
    return {};
}

QVariant GroupSummaryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal) {
        return Header(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

QByteArray ShooterResultsCsv(const std::vector<IndexedResult>& results) {
    // The hold figures' means come last, empty for a record without them.
    QStringList rows{(QStringList{QStringLiteral("Дата;Время;Группа;Стрелок;Мишень / "
                                                 "упражнение;Выстрелов;Сумма;Среднее;Оценка;"
                                                 "Комментарий")}
                      << HoldCsvHeader())
                         .join(QChar(u';'))};
    for (const IndexedResult& r : results) {
        rows << (QStringList{CsvField(r.dateText), CsvField(r.timeText), CsvField(r.group),
                             CsvField(r.shooter), CsvField(TargetOrCourse(r)),
                             QString::number(r.shots), QString::number(r.sum),
                             r.shots > 0 ? Decimal(r.Mean(), QChar(u',')) : QString(),
                             CsvField(r.grade), CsvField(r.comment)}
                 << HoldCsvFields(r.hold))
                    .join(QChar(u';'));
    }
    return CsvImage(rows);
}

QByteArray ShooterResultsJson(const QString& shooter, const std::vector<IndexedResult>& results) {
    QJsonArray array;
    for (const IndexedResult& r : results) {
        QJsonObject o{{QStringLiteral("date"), r.dateText},
                      {QStringLiteral("time"), r.timeText},
                      {QStringLiteral("group"), r.group},
                      {QStringLiteral("shooter"), r.shooter},
                      {QStringLiteral("target_type"), r.targetType},
                      {QStringLiteral("shots"), r.shots},
                      {QStringLiteral("sum"), r.sum},
                      {QStringLiteral("mean"),
                       r.shots > 0 ? QJsonValue(std::round(r.Mean() * 100) / 100) : QJsonValue()},
                      {QStringLiteral("comment"), r.comment},
                      {QStringLiteral("file"), r.file},
                      {QStringLiteral("position"), r.position}};
        if (!r.course.isEmpty()) {
            o.insert(QStringLiteral("course"), r.course);
        }
        if (!r.grade.isEmpty()) {
            o.insert(QStringLiteral("grade"), r.grade);
        }
        if (r.hold.units.shots > 0) {
            o.insert(QStringLiteral("hold"), HoldJson(r.hold));
        }
        array.append(o);
    }
    const QJsonObject root{{QStringLiteral("shooter"), shooter},
                           {QStringLiteral("results"), array}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray SummaryCsv(const std::vector<ShooterSummary>& rows) {
    QStringList lines{QStringLiteral("Стрелок;Серий;Выстрелов;Среднее;Лучшая сумма;Лучшее среднее;"
                                     "Тренд за 30 дней")};
    for (const ShooterSummary& s : rows) {
        lines << QStringList{CsvField(s.shooter),          QString::number(s.series),
                             QString::number(s.shots),     Decimal(s.mean, QChar(u',')),
                             QString::number(s.best),      Decimal(s.bestMean, QChar(u',')),
                             Decimal(s.trend, QChar(u','))}
                     .join(QChar(u';'));
    }
    return CsvImage(lines);
}

QByteArray SummaryJson(const QString& group, const std::vector<ShooterSummary>& rows) {
    auto two = [](double v) { return std::round(v * 100) / 100; };
    QJsonArray array;
    for (const ShooterSummary& s : rows) {
        array.append(QJsonObject{{QStringLiteral("shooter"), s.shooter},
                                 {QStringLiteral("series"), s.series},
                                 {QStringLiteral("shots"), s.shots},
                                 {QStringLiteral("mean"), two(s.mean)},
                                 {QStringLiteral("best"), s.best},
                                 {QStringLiteral("best_mean"), two(s.bestMean)},
                                 {QStringLiteral("trend_30_days"), two(s.trend)}});
    }
    return QJsonDocument(
               QJsonObject{{QStringLiteral("group"), group}, {QStringLiteral("shooters"), array}})
        .toJson(QJsonDocument::Indented);
}

QByteArray ProgressCsv(const std::vector<ChartLine>& lines, const QString& valueName) {
    QStringList rows{
        QStringLiteral("Стрелок;Дата;Время;%1;Скользящее среднее").arg(CsvField(valueName))};
    for (const ChartLine& line : lines) {
        for (const ProgressPoint& p : line.points) {
            rows << QStringList{CsvField(line.shooter),
                                p.when.date().toString(QStringLiteral("dd.MM.yyyy")),
                                p.when.time().toString(QStringLiteral("HH:mm")),
                                Decimal(p.mean, QChar(u',')), Decimal(p.average, QChar(u','))}
                        .join(QChar(u';'));
        }
    }
    return CsvImage(rows);
}

} // namespace ryvo
