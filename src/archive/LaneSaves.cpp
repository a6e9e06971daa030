#include "archive/LaneSaves.h"

#include "archive/CourseBeside.h"
#include "core/ProgramState.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QStringList>

#include <algorithm>

namespace ryvo {

namespace {

size_t Index(int lane) {
    return static_cast<size_t>(std::clamp(lane, 0, kLaneCount - 1));
}

// 1 стрелок, 2 стрелка, 5 стрелков, 21 стрелок.
QString Shooters(int count) {
    const int tens = count % 100;
    const int ones = count % 10;
    if (tens >= 11 && tens <= 14) {
        return QStringLiteral("%1 стрелков").arg(count);
    }
    if (ones == 1) {
        return QStringLiteral("%1 стрелок").arg(count);
    }
    if (ones >= 2 && ones <= 4) {
        return QStringLiteral("%1 стрелка").arg(count);
    }
    return QStringLiteral("%1 стрелков").arg(count);
}

QString LaneList(const std::vector<int>& lanes) {
    QStringList numbers;
    for (int lane : lanes) {
        numbers << QString::number(lane + 1);
    }
    return numbers.join(QStringLiteral(", "));
}

} // namespace

NewResult LaneResult(const ProgramState& state, int lane, const QString& shooter,
                     const QString& comment) {
    const size_t i = Index(lane);
    const Settings& settings = state.settings;
    NewResult result;
    result.shooter = shooter;
    result.targetType = settings.Target[i];
    result.plannedShots = static_cast<std::int32_t>(settings.ShootsNumber);
    result.timeLimit = static_cast<std::int32_t>(settings.Time);
    result.shootTime = state.run.ShootTime[i];
    result.comment = comment;
    const auto& shots = state.run.ShotPos[i];
    const size_t count = std::min<size_t>(state.run.ShotCount[i], shots.size());
    result.shots.assign(shots.begin(), shots.begin() + static_cast<std::ptrdiff_t>(count));
    result.beside = state.run.LaneBeside[i];
    result.trace = state.run.LaneTrace[i];
    // A course plans the shots of all its stages, each stage with a time of its own.
    const QJsonArray stages = result.beside.value(QLatin1String("stages")).toArray();
    if (!stages.isEmpty()) {
        std::int32_t planned = 0;
        for (const auto& stage : stages) {
            planned += stage.toObject().value(QLatin1String("planned")).toInt();
        }
        result.plannedShots = planned;
        result.timeLimit = 0;
    }
    // A course's stages set targets of their own; the main window's settings are back by now.
    if (const auto course = CourseOfRecord(result.beside)) {
        result.targetType = CourseRecordTarget(*course).value_or(result.targetType);
    }
    return result;
}

AppendOutcome AppendLaneResult(ProgramState& state, int lane, const QString& group,
                               const SaveTime& time, const QString& shooter, const QString& comment,
                               const AppendFunction& append) {
    const NewResult result = LaneResult(state, lane, shooter, comment);
    AppendOutcome appended = append ? append(state.StartDir, group, time, result)
                                    : AppendResult(state.StartDir, group, time, result);
    if (appended.ok) {
        ++state.SaveCount;
        state.LastSavedFile = QDir(state.StartDir).relativeFilePath(appended.path);
    }
    return appended;
}

std::vector<int> AllLanesSave::FiredLanes(const ProgramState& state) const {
    std::vector<int> fired;
    for (int lane : m_lanes) {
        const size_t i = Index(lane);
        if (state.LanePresent[i] != 0 && state.run.ShotCount[i] > 0) {
            fired.push_back(lane);
        }
    }
    return fired;
}

bool AllLanesSave::AllSaved(const ProgramState& state) const {
    const std::vector<int> fired = FiredLanes(state);
    return !fired.empty() && std::all_of(fired.begin(), fired.end(),
                                         [this](int lane) { return m_saved[Index(lane)]; });
}

void AllLanesSave::MarkSaved(int lane) {
    if (lane >= 0 && lane < kLaneCount) {
        m_saved[static_cast<size_t>(lane)] = true;
    }
}

bool AllLanesSave::AnySaved() const {
    return std::any_of(m_saved.begin(), m_saved.end(), [](bool saved) { return saved; });
}

SaveAllOutcome AllLanesSave::Save(ProgramState& state, const SaveTime& time, const QString& comment,
                                  const AppendFunction& append) {
    SaveAllOutcome outcome;
    outcome.group = state.GroupName;
    if (outcome.group.trimmed().isEmpty()) {
        outcome.refused =
            QStringLiteral("Не выбрана группа: загрузите группу стрелков или укажите её в "
                           "окне \"Смена\".");
        return outcome;
    }
    if (const auto problem = GroupNameProblem(outcome.group)) {
        outcome.refused = QStringLiteral("Недопустимое название группы.\n%1").arg(*problem);
        return outcome;
    }
    for (int lane : FiredLanes(state)) {
        const size_t i = Index(lane);
        if (m_saved[i]) {
            continue;
        }
        const QString& shooter = state.LaneShooter[i];
        if (shooter.isEmpty()) {
            outcome.noShooter.push_back(lane);
            continue;
        }
        const AppendOutcome appended =
            AppendLaneResult(state, lane, outcome.group, time, shooter, comment, append);
        if (appended.ok) {
            m_saved[i] = true;
            outcome.saved.push_back(lane);
            if (!appended.besideError.isEmpty()) {
                outcome.besideFailed.push_back(LaneFailure{lane, shooter, appended.besideError});
            }
        } else {
            outcome.failed.push_back(LaneFailure{lane, shooter, appended.error});
        }
    }
    return outcome;
}

QString SaveAllText(const SaveAllOutcome& outcome) {
    if (outcome.refused) {
        return QStringLiteral("Не записано: %1").arg(*outcome.refused);
    }
    QString text = QStringLiteral("Записано: %1, группа %2")
                       .arg(Shooters(static_cast<int>(outcome.saved.size())), outcome.group);
    if (!outcome.noShooter.empty()) {
        text +=
            QStringLiteral("; без стрелка, не записаны мишени %1").arg(LaneList(outcome.noShooter));
    }
    if (!outcome.failed.empty()) {
        std::vector<int> lanes;
        for (const auto& failed : outcome.failed) {
            lanes.push_back(failed.lane);
        }
        text += QStringLiteral("; ошибка записи: мишени %1").arg(LaneList(lanes));
    }
    return text;
}

std::optional<UserMessage> SaveAllMessage(const SaveAllOutcome& outcome) {
    if (outcome.refused) {
        return UserMessage{QStringLiteral("Результаты не записаны.\n%1").arg(*outcome.refused),
                           QStringLiteral("Ошибка!"), MessageIcon::Warning};
    }
    if (outcome.failed.empty()) {
        if (outcome.besideFailed.empty()) {
            return std::nullopt;
        }
        QStringList lines;
        for (const LaneFailure& failed : outcome.besideFailed) {
            lines << QStringLiteral("Мишень %1 (%2): %3")
                         .arg(QString::number(failed.lane + 1), failed.shooter, failed.error);
        }
        return UserMessage{lines.join(QLatin1Char('\n')), QStringLiteral("Внимание!"),
                           MessageIcon::Warning};
    }
    QStringList lines;
    for (const LaneFailure& failed : outcome.failed) {
        lines << QStringLiteral("Мишень %1 (%2): %3")
                     .arg(QString::number(failed.lane + 1), failed.shooter, failed.error);
    }
    const QString others =
        outcome.saved.empty() ? QString() : QStringLiteral("Остальные результаты записаны.\n");
    return UserMessage{
        QStringLiteral("Результат НЕ записан!\n%1\n%2Проверьте, что диск доступен для записи, "
                       "и нажмите \"Записать всех\" ещё раз.")
            .arg(lines.join(QLatin1Char('\n')), others),
        QStringLiteral("Ошибка!"), MessageIcon::Error};
}

ArchiveRelaySaving::ArchiveRelaySaving(std::vector<int> lanes) : m_saves(std::move(lanes)) {
    now = [] { return SaveTime::From(QDateTime::currentDateTime()); };
}

RelaySaveReport ArchiveRelaySaving::SaveAll(ProgramState& state) {
    const SaveAllOutcome outcome = m_saves.Save(state, now());
    return RelaySaveReport{SaveAllText(outcome), SaveAllMessage(outcome)};
}

} // namespace ryvo
