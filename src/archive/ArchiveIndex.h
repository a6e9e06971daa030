#pragma once

#include "archive/ArchiveStore.h"
#include "core/ShotHold.h"

#include <QDate>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace ryvo {

// A shooter's name as the index compares it: case, "ё"/"е", "_" for a blank and repeated
// blanks do not count ("Иванов_Пётр " and "иванов  петр" are one shooter).
QString NameKey(const QString& name);

// A record's date: "d.m.yyyy" as the archive stores it, or "yyyy-mm-dd"; invalid otherwise.
QDate ParseArchiveDate(const QString& text);
// A date as the index sorts it (yyyymmdd); 0 for an invalid one.
int IndexDay(const QDate& date);

// One archived record as the index holds it: where it lies and what a card or a summary shows.
struct IndexedResult {
    QString file; // the group file, relative to the start directory ("2024/Май/Взвод_1.rec")
    int position = 0; // the record's place in its file, from 0
    int year = 0;
    int month = 0;
    QString group;  // as the browser shows it (underscores)
    QDate date;     // invalid when the record's date text does not read
    int minute = 0; // hour * 60 + minute of the save
    QString dateText;
    QString timeText;
    QString shooter;
    int targetType = 0;
    int plannedShots = 0;
    int timeLimit = 0;
    int shots = 0;
    int sum = 0;
    double shootTime = 0.0;
    QString comment;
    QString course; // from the data beside the archive; empty when there is none
    QString grade;
    // The means of the hold figures kept beside the record; hold.units.shots 0 when it has none.
    RecordHoldMeans hold;

    // Sum per shot; 0 for a series without shots.
    [[nodiscard]] double Mean() const { return shots > 0 ? static_cast<double>(sum) / shots : 0.0; }
};

// What a query keeps; unset members keep everything.
struct ResultFilter {
    std::optional<QDate> from; // inclusive
    std::optional<QDate> to;   // inclusive
    std::optional<int> targetType;
    std::optional<QString> course;
    std::optional<QString> group; // compared as names are
};

struct IndexSync {
    bool ok = false;
    bool rebuilt = false; // the index file was missing, damaged or of another layout
    int filesRead = 0;    // group files read again
    int filesDropped = 0; // group files gone from the archive
    QString error;        // for the user, when not ok
};

// (files done, files to read); called while group files are read.
using IndexProgress = std::function<void(int done, int total)>;

// An index of every record of a start directory's archive, in an SQLite file of the user's
// cache folder: archives sit on shared folders where SQLite's locking cannot be trusted, and
// nothing is written beside them. The files stay the source of truth: the index follows them
// by each group file's size and modification time and is rebuilt whenever it cannot be read.
class ArchiveIndex {
public:
    // `cacheDir` empty: the cache location of the program. Library targets score by `score`.
    ArchiveIndex(QString startDir, ScoreFunction score, QString cacheDir = QString());
    ~ArchiveIndex();
    ArchiveIndex(const ArchiveIndex&) = delete;
    ArchiveIndex& operator=(const ArchiveIndex&) = delete;

    // The index file of this archive.
    [[nodiscard]] const QString& FilePath() const { return m_filePath; }

    // Brings the index in step with the files: changed files are read again, missing ones
    // dropped; a missing or unreadable index file is made anew from all of them.
    IndexSync Sync(const IndexProgress& progress = {});

    // Every result of a shooter, newest first.
    [[nodiscard]] std::vector<IndexedResult> ShooterResults(const QString& name,
                                                            const ResultFilter& filter = {}) const;
    // Every result of a group (any spelling of its name), newest first.
    [[nodiscard]] std::vector<IndexedResult> GroupResults(const QString& group,
                                                          const ResultFilter& filter = {}) const;
    // Shooter names (their latest spelling) whose key starts with the key of `prefix`, sorted.
    [[nodiscard]] std::vector<QString> Shooters(const QString& prefix = QString()) const;
    [[nodiscard]] int RecordCount() const;

private:
    bool Open();
    bool CreateSchema();
    bool CreateIndexes();
    bool Usable();
    bool ReadFile(const QString& relative, const QString& absolute, int year, int month,
                  const QString& group, bool fresh);
    [[nodiscard]] std::vector<IndexedResult> Query(const QString& column, const QString& key,
                                                   const ResultFilter& filter) const;

    QString m_startDir;
    ScoreFunction m_score;
    QString m_filePath;
    QString m_connection;
    bool m_checked = false;
};

} // namespace ryvo
