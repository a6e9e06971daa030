#pragma once

#include "archive/ArchiveStore.h"
#include "platform/UserMessage.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

namespace ryvo {

struct ProgramState;
class Printer;

// What the save and print dialog shows after activation.
struct SaveDialogView {
    QString date;
    QString time;
    QString group;
    QString shooter; // the edit text of the shooter box
    std::vector<QString> shooters;
    std::vector<QString> remarks;
    // Completion for the group field: the *.grp lists and this month's archive groups.
    std::vector<QString> groups;
    QString exitCaption;
    QString abortCaption;
};

// Outcome of the dialog's main button: a message to show (if any) and whether the focus
// goes back to the exercise window. A save or print that failed keeps the dialog open.
struct SaveDialogOutcome {
    bool handBack = false;
    std::optional<UserMessage> message;
};

// The save and print dialog without widgets.
class SaveDialogModel {
public:
    using LocalTime = std::function<QDateTime()>;
    SaveDialogModel(ProgramState& state, Printer* printer, LocalTime now = {});

    // Takes the save time and fills the view; `shooterText` is what the shooter box holds
    // now, kept unless an exercise window preset a name.
    void Activate(const QString& shooterText = QString());
    [[nodiscard]] const SaveDialogView& View() const { return m_view; }
    [[nodiscard]] const SaveTime& Time() const { return m_time; }

    SaveDialogOutcome Exit(const QString& group, const QString& shooter, const QString& comment);
    // The window the focus goes back to, by class name.
    [[nodiscard]] QString HandBackWindow() const;

    // The lane's result as it goes into the archive / onto the result sheet.
    [[nodiscard]] NewResult ResultOfLane(const QString& shooter, const QString& comment) const;
    [[nodiscard]] ResultRecord RecordOfLane(const QString& shooter, const QString& comment) const;

private:
    SaveDialogOutcome Save(const QString& group, const QString& shooter, const QString& comment);
    SaveDialogOutcome Print(const QString& shooter, const QString& comment);

    ProgramState& m_state;
    Printer* m_printer;
    LocalTime m_now;
    SaveTime m_time;
    SaveDialogView m_view;
};

// Group names a save could go to: the group lists of the start directory and the group
// files of the save time's month, sorted, each once.
std::vector<QString> KnownGroups(const QString& startDir, const SaveTime& time);

// Sorted as the dialog's boxes sort: case-insensitive, stable.
std::vector<QString> SortedForBox(std::vector<QString> items);

} // namespace ryvo
