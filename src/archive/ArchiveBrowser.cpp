#include "archive/ArchiveBrowser.h"

#include "archive/ArchiveStore.h"
#include "core/ProgramState.h"
#include "platform/FolderListing.h"
#include "targets/Scoring.h"

#include <QCollator>
#include <QDir>
#include <QLocale>

#include <algorithm>

namespace ryvo {

namespace {

// Russian alphabetical order, letters before case, numbers by value ("Взвод_2" before
// "Взвод_10").
QCollator NameCollator() {
    QCollator collator{QLocale(QLocale::Russian, QLocale::Russia)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

// The leading digits of a name without their leading zeros.
QStringView LeadingNumber(const QString& name) {
    qsizetype end = 0;
    while (end < name.size() && name[end] >= u'0' && name[end] <= u'9') {
        ++end;
    }
    qsizetype start = 0;
    while (start < end && name[start] == u'0') {
        ++start;
    }
    return QStringView(name).sliced(start, end - start);
}

int MonthNumber(const QString& name) {
    for (int month = 1; month <= 12; ++month) {
        if (name == MonthName(month)) {
            return month;
        }
    }
    return 13;
}

// Subfolders that are plain folders: no links, nothing hidden.
std::vector<QString> PlainFolders(const QString& path) {
    std::vector<QString> names;
    const QStringList entries =
        QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    names.assign(entries.begin(), entries.end());
    return names;
}

} // namespace

bool IsYearFolderName(const QString& name) {
    return !LeadingNumber(name).isEmpty();
}

std::vector<QString> ListYears(const QString& startDir) {
    std::vector<QString> years = PlainFolders(startDir);
    std::erase_if(years, [](const QString& name) { return !IsYearFolderName(name); });
    std::sort(years.begin(), years.end(), [](const QString& a, const QString& b) {
        const QStringView na = LeadingNumber(a);
        const QStringView nb = LeadingNumber(b);
        if (na.size() != nb.size()) {
            return na.size() < nb.size();
        }
        if (const int c = na.compare(nb); c != 0) {
            return c < 0;
        }
        return a < b;
    });
    return years;
}

std::vector<QString> ListMonths(const QString& yearFolder) {
    std::vector<QString> months = PlainFolders(yearFolder);
    const QCollator collator = NameCollator();
    std::sort(months.begin(), months.end(), [&](const QString& a, const QString& b) {
        const int ma = MonthNumber(a);
        const int mb = MonthNumber(b);
        return ma != mb ? ma < mb : collator.compare(a, b) < 0;
    });
    return months;
}

std::vector<QString> ListGroupFiles(const QString& monthFolder) {
    const QStringList entries =
        QDir(monthFolder)
            .entryList({QStringLiteral("*.rec")}, QDir::Files | QDir::Hidden | QDir::System);
    std::vector<QString> files(entries.begin(), entries.end());
    const QCollator collator = NameCollator();
    std::sort(files.begin(), files.end(), [&](const QString& a, const QString& b) {
        return collator.compare(GroupOfFile(a), GroupOfFile(b)) < 0;
    });
    return files;
}

QString GroupOfFile(const QString& fileName) {
    return fileName.chopped(std::min<qsizetype>(4, fileName.size()));
}

ArchiveBrowser::ArchiveBrowser(ProgramState& state) : m_state(state) {}

QString ArchiveBrowser::YearFolder() const {
    return QDir(m_state.StartDir).filePath(m_years[static_cast<size_t>(m_year)]);
}

QString ArchiveBrowser::MonthFolder() const {
    return QDir(YearFolder()).filePath(m_months[static_cast<size_t>(m_month)]);
}

void ArchiveBrowser::ClearDates() {
    m_dates.clear();
    m_date = -1;
    m_datesEnabled = false;
    m_note.clear();
}

void ArchiveBrowser::ClearGroups() {
    m_groupFiles.clear();
    m_groups.clear();
    m_group = -1;
    m_groupsEnabled = false;
    ClearDates();
}

void ArchiveBrowser::ListMonthsOfYear() {
    m_months = ListMonths(YearFolder());
    m_monthsEnabled = true;
}

void ArchiveBrowser::ListGroupsOfMonth() {
    m_groupFiles = ListGroupFiles(MonthFolder());
    m_groups.clear();
    for (const QString& file : m_groupFiles) {
        m_groups.push_back(GroupOfFile(file));
    }
    m_groupsEnabled = true;
}

void ArchiveBrowser::Open() {
    const QString year = m_year >= 0 ? m_years[static_cast<size_t>(m_year)] : QString();
    const QString month = m_month >= 0 ? m_months[static_cast<size_t>(m_month)] : QString();
    const QString group = m_group >= 0 ? m_groupFiles[static_cast<size_t>(m_group)] : QString();
    const QString date = m_date >= 0 ? m_dates[static_cast<size_t>(m_date)] : QString();
    m_years = ListYears(m_state.StartDir);
    ClearGroups();
    const auto y = std::find(m_years.begin(), m_years.end(), year);
    if (year.isEmpty() || y == m_years.end()) {
        m_year = -1;
        m_month = -1;
        m_months.clear();
        m_monthsEnabled = false;
        return;
    }
    m_year = static_cast<int>(y - m_years.begin());
    ListMonthsOfYear();
    const auto m = std::find(m_months.begin(), m_months.end(), month);
    if (month.isEmpty() || m == m_months.end()) {
        m_month = -1;
        return;
    }
    m_month = static_cast<int>(m - m_months.begin());
    ListGroupsOfMonth();
    // Back from the day table the group stays chosen, read again so new results show.
    const auto g = std::find(m_groupFiles.begin(), m_groupFiles.end(), group);
    if (group.isEmpty() || g == m_groupFiles.end()) {
        return;
    }
    ChooseGroup(static_cast<int>(g - m_groupFiles.begin()));
    const auto d = std::find(m_dates.begin(), m_dates.end(), date);
    if (!date.isEmpty() && d != m_dates.end()) {
        m_date = static_cast<int>(d - m_dates.begin());
    }
}

void ArchiveBrowser::ChooseYear(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_years.size()) {
        return;
    }
    ClearGroups();
    m_year = index;
    m_month = -1;
    ListMonthsOfYear();
}

void ArchiveBrowser::ChooseMonth(int index) {
    if (m_year < 0 || index < 0 || static_cast<size_t>(index) >= m_months.size()) {
        return;
    }
    ClearGroups();
    m_month = index;
    ListGroupsOfMonth();
}

void ArchiveBrowser::ChooseGroup(int index) {
    if (m_month < 0 || index < 0 || static_cast<size_t>(index) >= m_groups.size()) {
        return;
    }
    ClearDates();
    m_group = index;
    const QString& name = m_groups[static_cast<size_t>(index)];
    m_state.GroupName = name;
    ArchiveTables& tables = m_state.archive;
    const QString& file = m_groupFiles[static_cast<size_t>(index)];
    const QString path = PathInFolder(MonthFolder(), file);
    QStringList note;
    // Never the dates of the group read before: a file that does not read empties the tables.
    if (ReadGroupFile(tables, path, ShotScorer{LoadedZones(m_state)})) {
        CollectDates(tables);
        m_dates = tables.ArchiveDates;
        m_datesEnabled = !m_dates.empty();
        if (m_dates.empty()) {
            note << QStringLiteral("В файле группы «%1» нет ни одного результата.").arg(name);
        }
    } else {
        tables.ArchiveRecords.clear();
        tables.ArchiveDates.clear();
        tables.DayRecords.clear();
        note << QStringLiteral("Файл группы «%1» не удалось прочитать.").arg(name);
    }
    // A torn record is left out of every list; the user is told where it is kept.
    if (const QString torn = TornNote(file, FindTornParts(path)); !torn.isEmpty()) {
        note << torn;
    }
    m_note = note.join(QChar(u'\n'));
}

bool ArchiveBrowser::ChooseDate(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_dates.size()) {
        return false;
    }
    m_date = index;
    m_newDay = true;
    return true;
}

void ArchiveBrowser::Exit() {
    ClearGroups();
}

QString ArchiveBrowser::GroupCaption() const {
    return QStringLiteral("Группа: %1").arg(m_state.GroupName);
}

bool ArchiveBrowser::ShowDay() {
    const bool sameDay = !m_newDay;
    m_newDay = false;
    ArchiveTables& tables = m_state.archive;
    if (tables.ArchiveRecords.empty() || m_date < 0) {
        tables.DayRecords.clear();
        return sameDay;
    }
    SelectDate(tables, m_date);
    return sameDay;
}

bool ArchiveBrowser::ChooseRecord(int row) {
    if (row < 0 || static_cast<size_t>(row) >= m_state.archive.DayRecords.size()) {
        return false;
    }
    m_state.archive.CurrentRecord = row;
    return true;
}

ExportScope ArchiveBrowser::Scope(bool day) const {
    ExportScope scope;
    scope.group = m_state.GroupName;
    if (m_year >= 0) {
        scope.year = LeadingNumber(m_years[static_cast<size_t>(m_year)]).toInt();
    }
    if (m_month >= 0) {
        const int month = MonthNumber(m_months[static_cast<size_t>(m_month)]);
        scope.month = month <= 12 ? month : 0;
    }
    if (day && m_date >= 0 && static_cast<size_t>(m_date) < m_dates.size()) {
        scope.date = m_dates[static_cast<size_t>(m_date)];
    }
    return scope;
}

bool ArchiveBrowser::MonthExportable() const {
    return m_group >= 0 && !m_state.archive.ArchiveRecords.empty();
}

DayTableModel::DayTableModel(const ArchiveTables& tables, QObject* parent)
    : QAbstractTableModel(parent), m_tables(tables) {}

QString DayTableModel::Header(int column) {
    if (column == kShooterColumn) {
        return QStringLiteral("         Стрелок           ");
    }
    if (column >= kFirstHitColumn && column < kMissesColumn) {
        return QString::number(column - kFirstHitColumn);
    }
    switch (column) {
    case kMissesColumn:
        return QStringLiteral("Пр.");
    case kShotsColumn:
        return QStringLiteral("Число выстрелов");
    case kSumColumn:
        return QStringLiteral("Сумма");
    case kTimeColumn:
        return QStringLiteral("Время стрельбы");
    default:
        return {};
    }
}

QString DayTableModel::Cell(const ResultRecord& record, int column) {
    if (column == kShooterColumn) {
        return record.Shooter;
    }
    if (column >= kFirstHitColumn && column <= kMissesColumn) {
        return record.Hits[static_cast<size_t>(column - kFirstHitColumn)];
    }
    switch (column) {
    case kShotsColumn:
        return record.ShotsText;
    case kSumColumn:
        return record.SumText;
    case kTimeColumn:
        return record.ShootTime == 0.0F ? QStringLiteral("не огр.") : record.ShootTimeText;
    default:
        return {};
    }
}

int DayTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_tables.DayRecords.size());
}

int DayTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant DayTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const ResultRecord& record = m_tables.DayRecords[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return Cell(record, index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case Qt::ToolTipRole:
        // A name wider than its column can still be read whole.
        return index.column() == kShooterColumn ? QVariant(record.Shooter) : QVariant();
    default:
        return {};
    }
}

QVariant DayTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return Header(section);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    }
    return {};
}

void DayTableModel::Refresh() {
    beginResetModel();
    endResetModel();
}

} // namespace ryvo
