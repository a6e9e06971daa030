#include "archive/ArchiveIndex.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

// The index's queries: what a card, a chart and a summary read back.

namespace ryvo {

namespace {

const char* kColumns = "file, position, year, month, grp, day, minute, date_text, time_text, "
                       "shooter, target, planned, time_limit, shots, sum, shoot_time, comment, "
                       "course, grade, hold_shots, hold, len1, len1mm, in10, steady, move02, "
                       "jerk";

// NULL: the record has no such figure.
double Figure(const QVariant& value) {
    return value.isNull() ? ShotHold::kNone : value.toDouble();
}

IndexedResult FromRow(const QSqlQuery& query) {
    IndexedResult r;
    int c = 0;
    r.file = query.value(c++).toString();
    r.position = query.value(c++).toInt();
    r.year = query.value(c++).toInt();
    r.month = query.value(c++).toInt();
    r.group = query.value(c++).toString();
    const int day = query.value(c++).toInt();
    if (day > 0) {
        r.date = QDate(day / 10000, day / 100 % 100, day % 100);
    }
    r.minute = query.value(c++).toInt();
    r.dateText = query.value(c++).toString();
    r.timeText = query.value(c++).toString();
    r.shooter = query.value(c++).toString();
    r.targetType = query.value(c++).toInt();
    r.plannedShots = query.value(c++).toInt();
    r.timeLimit = query.value(c++).toInt();
    r.shots = query.value(c++).toInt();
    r.sum = query.value(c++).toInt();
    r.shootTime = query.value(c++).toDouble();
    r.comment = query.value(c++).toString();
    r.course = query.value(c++).toString();
    r.grade = query.value(c++).toString();
    HoldMeans& hold = r.hold.units;
    hold.shots = query.value(c++).toInt();
    hold.hold = Figure(query.value(c++));
    hold.len1 = Figure(query.value(c++));
    r.hold.len1mm = Figure(query.value(c++));
    hold.in10 = Figure(query.value(c++));
    hold.steady = Figure(query.value(c++));
    hold.move02 = Figure(query.value(c++));
    hold.jerk = Figure(query.value(c++));
    return r;
}

} // namespace

std::vector<IndexedResult> ArchiveIndex::Query(const QString& column, const QString& key,
                                               const ResultFilter& filter) const {
    std::vector<IndexedResult> results;
    if (!QSqlDatabase::contains(m_connection)) {
        return results;
    }
    QString sql = QStringLiteral("SELECT %1 FROM results WHERE %2 = :key")
                      .arg(QLatin1String(kColumns), column);
    if (filter.from) {
        sql += QStringLiteral(" AND day >= :from");
    }
    if (filter.to) {
        sql += QStringLiteral(" AND day <= :to");
    }
    if (filter.targetType) {
        sql += QStringLiteral(" AND target = :target");
    }
    if (filter.course) {
        sql += QStringLiteral(" AND course = :course");
    }
    if (filter.group) {
        sql += QStringLiteral(" AND grp_key = :group");
    }
    sql += QStringLiteral(" ORDER BY day DESC, minute DESC, file DESC, position DESC");
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.setForwardOnly(true);
    query.prepare(sql);
    query.bindValue(QStringLiteral(":key"), key);
    if (filter.from) {
        query.bindValue(QStringLiteral(":from"), IndexDay(*filter.from));
    }
    if (filter.to) {
        query.bindValue(QStringLiteral(":to"), IndexDay(*filter.to));
    }
    if (filter.targetType) {
        query.bindValue(QStringLiteral(":target"), *filter.targetType);
    }
    if (filter.course) {
        query.bindValue(QStringLiteral(":course"), *filter.course);
    }
    if (filter.group) {
        query.bindValue(QStringLiteral(":group"), NameKey(*filter.group));
    }
    if (!query.exec()) {
        return results;
    }
    while (query.next()) {
        results.push_back(FromRow(query));
    }
    return results;
}

std::vector<IndexedResult> ArchiveIndex::ShooterResults(const QString& name,
                                                        const ResultFilter& filter) const {
    return Query(QStringLiteral("shooter_key"), NameKey(name), filter);
}

std::vector<IndexedResult> ArchiveIndex::GroupResults(const QString& group,
                                                      const ResultFilter& filter) const {
    return Query(QStringLiteral("grp_key"), NameKey(group), filter);
}

std::vector<QString> ArchiveIndex::Shooters(const QString& prefix) const {
    std::vector<QString> names;
    if (!QSqlDatabase::contains(m_connection)) {
        return names;
    }
    const QString key = NameKey(prefix);
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.setForwardOnly(true);
    // With max() SQLite takes the bare column from the row of the latest record.
    query.prepare(QStringLiteral("SELECT shooter, max(day * 10000 + minute) FROM results "
                                 "WHERE substr(shooter_key, 1, :n) = :key "
                                 "GROUP BY shooter_key ORDER BY shooter_key"));
    query.bindValue(QStringLiteral(":n"), static_cast<int>(key.size()));
    // A null text would bind as NULL and match nothing.
    query.bindValue(QStringLiteral(":key"), key.isNull() ? QStringLiteral("") : key);
    if (query.exec()) {
        while (query.next()) {
            names.push_back(query.value(0).toString());
        }
    }
    return names;
}

int ArchiveIndex::RecordCount() const {
    if (!QSqlDatabase::contains(m_connection)) {
        return 0;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection));
    return query.exec(QStringLiteral("SELECT count(*) FROM results")) && query.next()
               ? query.value(0).toInt()
               : 0;
}

} // namespace ryvo
