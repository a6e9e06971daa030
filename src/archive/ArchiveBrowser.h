#pragma once

#include "archive/ArchiveExport.h"
#include "core/ResultRecord.h"

#include <QAbstractTableModel>
#include <QString>

#include <vector>

namespace ryvo {

struct ProgramState;

// A folder of the start directory is a year folder when its name begins with a number
// other than 0: "2008a" is one, "Archive", "0" and "00" are not.
bool IsYearFolderName(const QString& name);

// The year folders of the start directory in numeric order, oldest first.
std::vector<QString> ListYears(const QString& startDir);
// The month folders of a year folder in calendar order; other folders after them.
std::vector<QString> ListMonths(const QString& yearFolder);
// The "*.rec" files of a month folder (hidden and read-only ones too), ordered
// alphabetically by the group name they show.
std::vector<QString> ListGroupFiles(const QString& monthFolder);
// The group name a file shows: its name without the last four characters (".rec").
QString GroupOfFile(const QString& fileName);

// The archive browser without widgets: the four lists of the selection window and the
// choice of a record in the result table. Lives for the whole run, as its lists do.
class ArchiveBrowser {
public:
    explicit ArchiveBrowser(ProgramState& state);

    // Activation of the selection window: the year list is read again, and a year, month,
    // group and date still on the disk stay selected with their lists refreshed, so new
    // results show. Leaving (Exit) unchooses the group, so only a return from the day table
    // finds one.
    void Open();
    void ChooseYear(int index);
    void ChooseMonth(int index);
    void ChooseGroup(int index);
    // True when the result table is to open.
    bool ChooseDate(int index);
    // Leaving: the group and date lists are cleared, years and months stay.
    void Exit();

    [[nodiscard]] const std::vector<QString>& Years() const { return m_years; }
    [[nodiscard]] const std::vector<QString>& Months() const { return m_months; }
    [[nodiscard]] const std::vector<QString>& Groups() const { return m_groups; }
    [[nodiscard]] const std::vector<QString>& Dates() const { return m_dates; }
    [[nodiscard]] int SelectedYear() const { return m_year; }
    [[nodiscard]] int SelectedMonth() const { return m_month; }
    [[nodiscard]] int SelectedGroup() const { return m_group; }
    [[nodiscard]] int SelectedDate() const { return m_date; }
    [[nodiscard]] bool MonthsEnabled() const { return m_monthsEnabled; }
    [[nodiscard]] bool GroupsEnabled() const { return m_groupsEnabled; }
    [[nodiscard]] bool DatesEnabled() const { return m_datesEnabled; }
    // About the chosen group, a line each: its dates cannot be listed; a torn record is
    // kept aside or left out. Empty when there is nothing to say.
    [[nodiscard]] const QString& Note() const { return m_note; }

    // The result table: its heading, and the records of the selected date into DayRecords.
    // True when it is the day shown last time (back from the view), whose row may stay.
    [[nodiscard]] QString GroupCaption() const;
    bool ShowDay();
    // CurrentRecord := row; true when the row holds a record and the view is to open.
    bool ChooseRecord(int row);

    // What an export of the chosen group's month (or of the chosen day) covers.
    [[nodiscard]] ExportScope Scope(bool day) const;
    // True when a group was chosen and read: its month can be exported.
    [[nodiscard]] bool MonthExportable() const;

private:
    [[nodiscard]] QString YearFolder() const;
    [[nodiscard]] QString MonthFolder() const;
    void ListMonthsOfYear();
    void ListGroupsOfMonth();
    void ClearGroups();
    void ClearDates();

    ProgramState& m_state;
    std::vector<QString> m_years;
    std::vector<QString> m_months;
    std::vector<QString> m_groupFiles;
    std::vector<QString> m_groups; // as shown: the file names without ".rec"
    std::vector<QString> m_dates;
    int m_year = -1;
    int m_month = -1;
    int m_group = -1;
    int m_date = -1;
    bool m_monthsEnabled = false;
    bool m_groupsEnabled = false;
    bool m_datesEnabled = false;
    bool m_newDay = true;
    QString m_note;
};

// The day's results as a read-only table of 16 columns, one row per record of DayRecords.
class DayTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 16;
    static constexpr int kShooterColumn = 0;
    static constexpr int kFirstHitColumn = 1; // scores 0..10, then the misses
    static constexpr int kMissesColumn = 12;
    static constexpr int kShotsColumn = 13;
    static constexpr int kSumColumn = 14;
    static constexpr int kTimeColumn = 15;

    explicit DayTableModel(const ArchiveTables& tables, QObject* parent = nullptr);

    static QString Header(int column);
    static QString Cell(const ResultRecord& record, int column);

    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index,
                                int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;

    // DayRecords changed: the view rebuilds from them.
    void Refresh();

private:
    const ArchiveTables& m_tables;
};

} // namespace ryvo
