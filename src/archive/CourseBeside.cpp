#include "archive/CourseBeside.h"

#include <QJsonArray>

#include <cmath>
#include <map>

namespace ryvo {

namespace {

QString Seconds(double s) {
    return QString::number(s, 'f', 2);
}

// A hand-edited entry may hold anything: what is no finite number counts as none.
std::optional<double> FiniteOf(const QJsonValue& value) {
    if (!value.isDouble() || !std::isfinite(value.toDouble())) {
        return std::nullopt;
    }
    return value.toDouble();
}

} // namespace

std::optional<CourseEntry> CourseOfRecord(const QJsonObject& beside) {
    if (!beside.contains(QLatin1String("course"))) {
        return std::nullopt;
    }
    CourseEntry entry;
    entry.course = beside.value(QLatin1String("course")).toString();
    entry.grade = beside.value(QLatin1String("grade")).toString();
    for (const auto& value : beside.value(QLatin1String("stages")).toArray()) {
        const QJsonObject stage = value.toObject();
        CourseStageEntry s;
        s.planned = stage.value(QLatin1String("planned")).toInt();
        s.shots = stage.value(QLatin1String("shots")).toInt();
        s.sum = stage.value(QLatin1String("sum")).toInt();
        s.late = stage.value(QLatin1String("late")).toInt();
        if (const QJsonValue target = stage.value(QLatin1String("target")); target.isDouble()) {
            s.target = target.toInt();
        }
        entry.total += s.sum;
        entry.stages.push_back(s);
    }
    entry.reaction = FiniteOf(beside.value(QLatin1String("reaction")));
    for (const auto& value : beside.value(QLatin1String("shots")).toArray()) {
        const QJsonObject shot = value.toObject();
        const std::optional<double> t = FiniteOf(shot.value(QLatin1String("t")));
        if (!t) {
            entry.shots.emplace_back();
            continue;
        }
        entry.shots.emplace_back(
            CourseShotEntry{*t, FiniteOf(shot.value(QLatin1String("split"))).value_or(0.0),
                            shot.value(QLatin1String("late")).toBool()});
    }
    return entry;
}

std::optional<std::int32_t> CourseRecordTarget(const CourseEntry& entry) {
    std::map<std::int32_t, int> shots;
    std::optional<std::int32_t> chosen;
    for (const CourseStageEntry& stage : entry.stages) {
        if (!stage.target) {
            continue;
        }
        const int n = shots[*stage.target] += stage.shots;
        if (!chosen || n >= shots[*chosen]) {
            chosen = stage.target;
        }
    }
    return chosen;
}

QString CourseStagesText(const CourseEntry& entry) {
    if (entry.stages.size() < 2) {
        return {};
    }
    QStringList sums;
    for (const CourseStageEntry& stage : entry.stages) {
        sums << QString::number(stage.sum);
    }
    return QStringLiteral("Этапы: %1 = %2").arg(sums.join(QStringLiteral(" + "))).arg(entry.total);
}

QString CourseReactionText(const CourseEntry& entry) {
    return entry.reaction ? QStringLiteral("Реакция: %1 с").arg(Seconds(*entry.reaction))
                          : QString();
}

QStringList CourseShotTexts(const CourseEntry& entry) {
    QStringList texts;
    for (size_t i = 0; i < entry.shots.size(); ++i) {
        if (!entry.shots[i]) {
            continue;
        }
        const CourseShotEntry& shot = *entry.shots[i];
        QString text = QStringLiteral("%1) %2 с").arg(i + 1).arg(Seconds(shot.t));
        if (i > 0 && shot.split > 0.0) {
            text += QStringLiteral(" (+%1)").arg(Seconds(shot.split));
        }
        if (shot.late) {
            text += QStringLiteral(" поздно");
        }
        texts << text;
    }
    return texts;
}

QStringList CourseResultLines(const QJsonObject& beside) {
    QStringList lines;
    const std::optional<CourseEntry> entry = CourseOfRecord(beside);
    if (!entry) {
        return lines;
    }
    for (const QString& line : {CourseStagesText(*entry), CourseReactionText(*entry)}) {
        if (!line.isEmpty()) {
            lines << line;
        }
    }
    const QStringList shots = CourseShotTexts(*entry);
    if (!shots.isEmpty()) {
        lines << QStringLiteral("Выстрелы: ") + shots.join(QStringLiteral("; "));
    }
    return lines;
}

} // namespace ryvo
