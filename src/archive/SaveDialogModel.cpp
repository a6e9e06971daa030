#include "archive/SaveDialogModel.h"

#include "archive/GroupStore.h"
#include "archive/LaneSaves.h"
#include "archive/Printing.h"
#include "core/ProgramState.h"

#include <QDir>

#include <algorithm>

namespace ryvo {

std::vector<QString> SortedForBox(std::vector<QString> items) {
    std::stable_sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return items;
}

std::vector<QString> KnownGroups(const QString& startDir, const SaveTime& time) {
    QStringList names;
    for (const QString& name : ListGroups(startDir)) {
        names << name;
    }
    const QDir month(MonthFolderPath(startDir, time.year, time.month));
    for (const QString& file : month.entryList({QStringLiteral("*.rec")}, QDir::Files)) {
        names << file.chopped(4);
    }
    names.removeDuplicates();
    return SortedForBox(std::vector<QString>(names.begin(), names.end()));
}

SaveDialogModel::SaveDialogModel(ProgramState& state, Printer* printer, LocalTime now)
    : m_state(state), m_printer(printer), m_now(std::move(now)) {
    if (!m_now) {
        m_now = [] { return QDateTime::currentDateTime(); };
    }
    m_state.ResultSource = 0;
}

void SaveDialogModel::Activate(const QString& shooterText) {
    m_time = SaveTime::From(m_now());
    m_view.date = m_time.DateText();
    m_view.time = m_time.DialogTimeText();
    m_view.group = m_state.GroupName;
    m_view.shooter = shooterText;
    // The shooter standing at the lane comes before a window's preset ("Стрелок 1").
    const QString& standing =
        m_state
            .LaneShooter[static_cast<size_t>(std::clamp(m_state.CurrentLane, 0, kLaneCount - 1))];
    if (m_state.ResultSource != 0 && !standing.isEmpty()) {
        m_view.shooter = standing;
    } else if (!m_state.SaveDialogShooter.isEmpty()) {
        m_view.shooter = m_state.SaveDialogShooter;
    }
    m_state.SaveDialogShooter.clear();
    m_view.shooters.clear();
    if (m_state.LoadedGroup != -1) {
        m_view.shooters = SortedForBox(m_state.GroupMembers);
    }
    m_view.remarks = SortedForBox(m_state.Remarks);
    m_view.groups = KnownGroups(m_state.StartDir, m_time);
    m_view.exitCaption =
        m_state.SaveDialogMode == 1 ? QStringLiteral("Печать") : QStringLiteral("Запись");
    m_view.abortCaption = QStringLiteral("Выход");
}

QString SaveDialogModel::HandBackWindow() const {
    switch (m_state.ResultSource) {
    case 1:
        return QStringLiteral("TShoot1");
    case 2:
        return QStringLiteral("TShoot2");
    case 5:
        return QStringLiteral("TShoots5");
    default:
        return QStringLiteral("TMainForm2");
    }
}

NewResult SaveDialogModel::ResultOfLane(const QString& shooter, const QString& comment) const {
    return LaneResult(m_state, m_state.CurrentLane, shooter, comment);
}

ResultRecord SaveDialogModel::RecordOfLane(const QString& shooter, const QString& comment) const {
    const size_t lane = static_cast<size_t>(std::clamp(m_state.CurrentLane, 0, kLaneCount - 1));
    NewResult result = ResultOfLane(shooter, comment);
    ResultRecord record;
    record.Date = m_time.DateText();
    record.Time = m_time.TimeText();
    record.Shooter = result.shooter;
    record.TargetType = result.targetType;
    record.PlannedShots = result.plannedShots;
    record.TimeLimit = result.timeLimit;
    record.ShotsMade = static_cast<std::int32_t>(result.shots.size());
    record.ShootTime = result.shootTime;
    record.Shots = std::move(result.shots);
    record.SumText = QString::number(m_state.run.ScoreSum[lane]);
    record.ShotsText = QString::number(record.ShotsMade);
    record.ShootTimeText = QString::asprintf("%5.2f", static_cast<double>(record.ShootTime));
    record.Comment = comment;
    return record;
}

SaveDialogOutcome SaveDialogModel::Exit(const QString& group, const QString& shooter,
                                        const QString& comment) {
    if (m_state.SaveDialogMode == 1) {
        m_state.GroupName = group;
        return Print(shooter, comment);
    }
    return Save(group, shooter, comment);
}

SaveDialogOutcome SaveDialogModel::Save(const QString& group, const QString& shooter,
                                        const QString& comment) {
    SaveDialogOutcome outcome;
    // The typed name is the current group even when it cannot name a file; the store refuses
    // such names wherever they are used.
    m_state.GroupName = group;
    if (const auto problem = GroupNameProblem(group)) {
        outcome.message = UserMessage{
            QStringLiteral("Результат не записан: недопустимое название группы.\n%1").arg(*problem),
            QStringLiteral("Ошибка!"), MessageIcon::Warning};
        return outcome;
    }
    const AppendOutcome appended =
        AppendLaneResult(m_state, m_state.CurrentLane, group, m_time, shooter, comment);
    if (!appended.ok) {
        outcome.message = UserMessage{
            QStringLiteral("Результат НЕ записан!\n%1\nПроверьте, что диск доступен для записи, "
                           "и нажмите \"Запись\" ещё раз.")
                .arg(appended.error),
            QStringLiteral("Ошибка!"), MessageIcon::Error};
        return outcome;
    }
    if (!appended.besideError.isEmpty()) {
        outcome.message =
            UserMessage{appended.besideError, QStringLiteral("Внимание!"), MessageIcon::Warning};
    }
    outcome.handBack = true;
    return outcome;
}

SaveDialogOutcome SaveDialogModel::Print(const QString& shooter, const QString& comment) {
    SaveDialogOutcome outcome;
    if (m_printer == nullptr) {
        outcome.message = UserMessage{QStringLiteral("Печать недоступна."),
                                      QStringLiteral("Ошибка!"), MessageIcon::Error};
        return outcome;
    }
    const PrintOutcome printed =
        PrintTarget(*m_printer, RecordOfLane(shooter, comment), m_state.GroupName, m_state);
    outcome.message = PrintOutcomeMessage(printed);
    if (!printed.ok) {
        return outcome;
    }
    outcome.handBack = true;
    return outcome;
}

} // namespace ryvo
