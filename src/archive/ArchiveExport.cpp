#include "archive/ArchiveExport.h"

#include "archive/ArchiveStore.h"
#include "archive/CourseBeside.h"
#include "core/ShotHold.h"
#include "platform/Dialogs.h"
#include "platform/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

#include <cmath>

namespace ryvo {

namespace {

int HitCount(const QString& text) {
    bool ok = false;
    const int count = text.toInt(&ok);
    return ok ? count : 0; // "-": none
}

QString JsonString(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\') {
            out += QChar(u'\\');
            out += c;
        } else if (c.unicode() < 0x20) {
            out += QString::asprintf("\\u%04x", c.unicode());
        } else {
            out += c;
        }
    }
    return out + QChar(u'"');
}

QString JsonNumber(double value) {
    return std::isfinite(value) ? Decimal(value, QChar(u'.')) : QStringLiteral("null");
}

} // namespace

QString Decimal(double value, QChar point) {
    if (!std::isfinite(value)) {
        return {};
    }
    QString text = QString::asprintf("%.2f", value);
    text.replace(QChar(u'.'), point);
    return text;
}

QString CsvField(const QString& text) {
    if (!text.contains(QChar(u';')) && !text.contains(QChar(u'"')) &&
        !text.contains(QChar(u'\n')) && !text.contains(QChar(u'\r'))) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QChar(u'"') + quoted + QChar(u'"');
}

QStringList HoldCsvHeader() {
    return {QStringLiteral("Удержание, с"),    QStringLiteral("След за 1 с, ед."),
            QStringLiteral("След за 1 с, мм"), QStringLiteral("В 10, %"),
            QStringLiteral("Устойчивость, %"), QStringLiteral("За 0,2 с, ед."),
            QStringLiteral("Срыв, ед.")};
}

QStringList HoldCsvFields(const RecordHoldMeans& means) {
    const HoldMeans& m = means.units;
    const auto number = [](double v) { return HasFigure(v) ? Decimal(v, QChar(u',')) : QString(); };
    const auto percent = [](double v) {
        return HasFigure(v) ? QString::number(std::lround(v * 100.0)) : QString();
    };
    if (m.shots == 0) {
        return {QString(), QString(), QString(), QString(), QString(), QString(), QString()};
    }
    return {number(m.hold),    number(m.len1),   number(means.len1mm), percent(m.in10),
            percent(m.steady), number(m.move02), number(m.jerk)};
}

namespace {

QString HoldJson(const QJsonObject& beside, size_t shotCount) {
    const QJsonArray shots = beside.value(QLatin1String("shots")).toArray();
    QStringList each;
    bool any = false;
    for (const auto& shot : shots) {
        QJsonObject figures;
        const QJsonObject one = shot.toObject();
        for (const char* key :
             {"hold", "len1", "len1mm", "in10", "steady", "move02", "jerk", "jerkDir"}) {
            if (one.contains(QLatin1String(key))) {
                figures.insert(QLatin1String(key), one.value(QLatin1String(key)));
            }
        }
        any = any || !figures.isEmpty();
        each << (figures.isEmpty()
                     ? QStringLiteral("null")
                     : QString::fromUtf8(QJsonDocument(figures).toJson(QJsonDocument::Compact)));
    }
    if (!any) {
        return {};
    }
    // One entry per shot of the record, as "shots" has.
    while (static_cast<size_t>(each.size()) < shotCount) {
        each << QStringLiteral("null");
    }
    return QStringLiteral(", \"hold\": [") + each.join(QStringLiteral(", ")) + QChar(u']');
}

QString Compact(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// A course's record: its name, grade, stage sums and reaction, and per shot its time, split
// and whether it came late; nothing for any other record.
QString CourseJson(const QJsonObject& beside, size_t shotCount) {
    const std::optional<CourseEntry> entry = CourseOfRecord(beside);
    if (!entry) {
        return {};
    }
    QString text = QStringLiteral(", \"course\": ") + JsonString(entry->course) +
                   QStringLiteral(", \"grade\": ") +
                   (entry->grade.isEmpty() ? QStringLiteral("null") : JsonString(entry->grade));
    QStringList stages;
    for (const CourseStageEntry& s : entry->stages) {
        stages << Compact(QJsonObject{{QLatin1String("planned"), s.planned},
                                      {QLatin1String("shots"), s.shots},
                                      {QLatin1String("sum"), s.sum},
                                      {QLatin1String("late"), s.late}});
    }
    text +=
        QStringLiteral(", \"stages\": [") + stages.join(QStringLiteral(", ")) +
        QStringLiteral("], \"total\": ") + QString::number(entry->total) +
        QStringLiteral(", \"reaction\": ") +
        (entry->reaction ? QString::number(*entry->reaction, 'g', QLocale::FloatingPointShortest)
                         : QStringLiteral("null"));
    QStringList times;
    for (const auto& shot : entry->shots) {
        times << (shot ? Compact(QJsonObject{{QLatin1String("t"), shot->t},
                                             {QLatin1String("split"), shot->split},
                                             {QLatin1String("late"), shot->late}})
                       : QStringLiteral("null"));
    }
    // One entry per shot of the record, as "shots" has.
    while (static_cast<size_t>(times.size()) < shotCount) {
        times << QStringLiteral("null");
    }
    return text + QStringLiteral(", \"times\": [") + times.join(QStringLiteral(", ")) + QChar(u']');
}

} // namespace

std::vector<ResultRecord> RecordsOfDate(const std::vector<ResultRecord>& records,
                                        const QString& date) {
    std::vector<ResultRecord> day;
    for (const ResultRecord& record : records) {
        if (record.Date == date) {
            day.push_back(record);
        }
    }
    return day;
}

QByteArray ResultsCsv(const std::vector<ResultRecord>& records, const ExportScope& scope) {
    QStringList header = {QStringLiteral("Группа"),
                          QStringLiteral("Дата"),
                          QStringLiteral("Время"),
                          QStringLiteral("Стрелок"),
                          QStringLiteral("Тип мишени"),
                          QStringLiteral("Выстрелов задано"),
                          QStringLiteral("Лимит времени, с"),
                          QStringLiteral("Выстрелов произведено"),
                          QStringLiteral("Время стрельбы, с")};
    for (int score = 0; score <= 10; ++score) {
        header << QString::number(score);
    }
    header << QStringLiteral("Промахи") << QStringLiteral("Сумма") << QStringLiteral("Комментарий");
    // The means of the hold figures kept beside the record; empty for one without them.
    header << HoldCsvHeader();
    // A course's record: the course and its grade, kept beside the archive; empty otherwise.
    header << QStringLiteral("Упражнение") << QStringLiteral("Оценка");
    QString text = header.join(QChar(u';')) + QStringLiteral("\r\n");
    for (const ResultRecord& r : records) {
        QStringList row = {CsvField(scope.group),
                           CsvField(r.Date),
                           CsvField(r.Time),
                           CsvField(r.Shooter),
                           QString::number(r.TargetType),
                           QString::number(r.PlannedShots),
                           QString::number(r.TimeLimit),
                           QString::number(r.ShotsMade),
                           Decimal(r.ShootTime, QChar(u','))};
        for (const QString& hits : r.Hits) {
            row << QString::number(HitCount(hits));
        }
        row << CsvField(r.SumText) << CsvField(r.Comment);
        row << HoldCsvFields(MeansOfRecord(HoldsOfRecord(r.Beside)));
        const std::optional<CourseEntry> course = CourseOfRecord(r.Beside);
        row << CsvField(course ? course->course : QString())
            << CsvField(course ? course->grade : QString());
        text += row.join(QChar(u';')) + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray ResultsJson(const std::vector<ResultRecord>& records, const ExportScope& scope) {
    QString text = QStringLiteral("{\n");
    text += QStringLiteral("  \"group\": %1,\n").arg(JsonString(scope.group));
    text += QStringLiteral("  \"year\": %1,\n").arg(scope.year);
    text += QStringLiteral("  \"month\": %1,\n").arg(scope.month);
    text += QStringLiteral("  \"date\": %1,\n")
                .arg(scope.date ? JsonString(*scope.date) : QStringLiteral("null"));
    text += QStringLiteral("  \"records\": [");
    for (size_t i = 0; i < records.size(); ++i) {
        const ResultRecord& r = records[i];
        QStringList hits;
        for (int score = 0; score <= 10; ++score) {
            hits << QString::number(HitCount(r.Hits[static_cast<size_t>(score)]));
        }
        QStringList shots;
        for (const ShotPoint& shot : r.Shots) {
            shots << QStringLiteral("[%1, %2]").arg(JsonNumber(shot.x), JsonNumber(shot.y));
        }
        text += i == 0 ? QStringLiteral("\n") : QStringLiteral(",\n");
        // Built by concatenation: free texts must never be read as placeholders.
        const QString n = QStringLiteral(", \"");
        text += QStringLiteral("    {\"date\": ") + JsonString(r.Date) + n +
                QStringLiteral("time\": ") + JsonString(r.Time) + n +
                QStringLiteral("shooter\": ") + JsonString(r.Shooter) + n +
                QStringLiteral("target_type\": ") + QString::number(r.TargetType) + n +
                QStringLiteral("planned_shots\": ") + QString::number(r.PlannedShots) + n +
                QStringLiteral("time_limit\": ") + QString::number(r.TimeLimit) + n +
                QStringLiteral("shots_made\": ") + QString::number(r.ShotsMade) + n +
                QStringLiteral("shooting_time\": ") + JsonNumber(r.ShootTime) + n +
                QStringLiteral("hits\": [") + hits.join(QStringLiteral(", ")) + QChar(u']') + n +
                QStringLiteral("misses\": ") + QString::number(HitCount(r.Hits[kMissColumn])) + n +
                QStringLiteral("sum\": ") + QString::number(HitCount(r.SumText)) + n +
                QStringLiteral("comment\": ") + JsonString(r.Comment) + n +
                QStringLiteral("shots\": [") + shots.join(QStringLiteral(", ")) + QChar(u']') +
                HoldJson(r.Beside, r.Shots.size()) + CourseJson(r.Beside, r.Shots.size()) +
                QChar(u'}');
    }
    text += records.empty() ? QStringLiteral("]\n}\n") : QStringLiteral("\n  ]\n}\n");
    return text.toUtf8();
}

QString ExportFileName(const ExportScope& scope, const QString& extension) {
    QString name = scope.date
                       ? QStringLiteral("%1 %2").arg(scope.group, *scope.date)
                       : QStringLiteral("%1 %2 %3")
                             .arg(scope.group, MonthName(scope.month), QString::number(scope.year));
    for (const QChar bad : QStringLiteral("/\\:*?\"<>|")) {
        name.replace(bad, QChar(u'_'));
    }
    return name + QChar(u'.') + extension;
}

bool ExportCsvAs(Dialogs& dialogs, const QString& startDir,
                 const std::vector<ResultRecord>& records, const ExportScope& scope) {
    const auto chosen =
        dialogs.SaveFile(QStringLiteral("Таблица CSV|*.csv"),
                         QDir(startDir).filePath(ExportFileName(scope, QStringLiteral("csv"))));
    if (!chosen || chosen->isEmpty()) {
        return false;
    }
    QString path = *chosen;
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".csv");
    }
    if (!WriteFileAtomic(path, ResultsCsv(records, scope))) {
        dialogs.Message(
            QStringLiteral("Не удалось записать файл %1.").arg(QDir::toNativeSeparators(path)),
            QStringLiteral("Ошибка!"), MessageIcon::Error);
        return false;
    }
    return true;
}

} // namespace ryvo
