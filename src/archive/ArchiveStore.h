#pragma once

#include "core/ResultRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace ryvo {

struct ProgramState;

// Month folder names, index = month number (1..12).
inline constexpr std::array<const char*, 13> MonthNames = {
    "",     "Январь", "Февраль",  "Март",    "Апрель", "Май",    "Июнь",
    "Июль", "Август", "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
QString MonthName(int month);

inline constexpr int kMaxGroupNameLength = 95;
inline constexpr int kMaxShooterLength = 98;
inline constexpr int kMaxCommentLength = 200;
inline constexpr int kMaxTokenLength = 20;

// The local date and time of a save, as the dialog shows it and the archive stores it.
struct SaveTime {
    int year = 0;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;

    static SaveTime From(const QDateTime& local);
    [[nodiscard]] QString DateText() const;       // "%i.%i.%i" day, month, year
    [[nodiscard]] QString TimeText() const;       // "%i:%i"
    [[nodiscard]] QString DialogTimeText() const; // "%i ч. %i мин."
};

// Why a group name cannot name a file, as a message for the user; nullopt when it can.
// Names with path separators, "." and "..", control characters or more than 95 characters
// would write outside the archive or not read back.
std::optional<QString> GroupNameProblem(const QString& name);

// Archive file of a group: blanks become "_", then ".rec".
QString GroupFileName(const QString& groupName);
QString MonthFolderPath(const QString& startDir, int year, int month);

// One series to archive.
struct NewResult {
    QString shooter;
    std::int32_t targetType = 0;
    std::int32_t plannedShots = 0;
    std::int32_t timeLimit = 0;
    float shootTime = 0.0F;
    QString comment;
    std::vector<ShotPoint> shots;
    // Kept beside the group file: the entry's members and one trace payload.
    QJsonObject beside;
    QByteArray trace;
};

// The bytes one record adds to a group file (cp1251, CR LF).
QByteArray RecordImage(const SaveTime& time, const NewResult& result);

struct AppendOutcome {
    bool ok = false;
    QString path;
    QString error;   // for the user, when not ok
    int record = -1; // the record's position in the group file, when ok
    // The record is saved but what goes beside it is not (or only in part), for the user.
    QString besideError;
};

// Appends one record to the group file of the save time's month, creating the folders. A
// torn record at the end of the file is moved to "<file>.torn" first. The record goes out
// in one write and is synced to the disk, with the folders of any file newly created. Then
// the trace and the entry beside the group file, if the result has any.
AppendOutcome AppendResult(const QString& startDir, const QString& groupName, const SaveTime& time,
                           const NewResult& result);

// Every complete record of a group file image, statistics not yet derived, read by the
// records' line counts. A record the file ends in the middle of (a torn last record) is
// left out.
std::vector<ResultRecord> ParseGroupFile(const QByteArray& bytes);
// Where the last complete record of a file image ends (0 when there is none).
qsizetype CompleteRecordsEnd(const QByteArray& bytes);

// Records torn while they were written, as one group file keeps them.
struct TornParts {
    bool tail = false;  // the file ends in the middle of a record; the next save moves it
    bool aside = false; // "<file>.torn" holds what an earlier save cut off
    [[nodiscard]] bool Any() const { return tail || aside; }
};
TornParts FindTornParts(const QString& groupPath);
// One line for the user about the torn records of a group file ("Взвод_1.rec"); empty when
// there are none.
QString TornNote(const QString& groupFileName, TornParts parts);

// Scores one shot for a target type, e.g. a ShotScorer over the loaded pack's zone maps.
using ScoreFunction = std::function<std::int32_t(float x, float y, std::int32_t targetType)>;

// Hit texts, sum, shots and shooting-time texts, scoring every shot for the record's own
// target type. Any negative result counts as a miss.
void DeriveStatistics(ResultRecord& record, const ScoreFunction& score);

// Reads "<group>.rec" of a month folder (relative to StartDir or absolute) into
// ArchiveRecords, scored with the state's target pack. False, with the tables as they were,
// when the file cannot be opened.
bool ReadGroupFile(ProgramState& state, const QString& monthFolder, const QString& group);
bool ReadGroupFile(ArchiveTables& tables, const QString& path, const ScoreFunction& score);

void CollectDates(ArchiveTables& tables);
// Records of ArchiveDates[dateIndex] into DayRecords, in file order.
void SelectDate(ArchiveTables& tables, int dateIndex);

} // namespace ryvo
