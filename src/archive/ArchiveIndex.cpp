#include "archive/ArchiveIndex.h"

#include "archive/ArchiveBeside.h"
#include "archive/ArchiveBrowser.h"
#include "platform/FolderListing.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <atomic>
#include <map>
#include <utility>

namespace ryvo {

namespace {

// Raised whenever the tables change shape: an index of another layout is made anew.
constexpr int kLayout = 3;

std::atomic<int> g_connections{0};

struct FileStamp {
    qint64 size = -1;
    qint64 mtime = -1;
    qint64 besideSize = -1;
    qint64 besideMtime = -1;
    bool operator==(const FileStamp&) const = default;
};

// The stamps of a month folder's group files, from one listing with one look at each file.
std::map<QString, FileStamp> MonthStamps(const QString& monthFolder) {
    const std::vector<ListedFile> entries =
        ListFiles(monthFolder, {QStringLiteral(".rec"), QStringLiteral(".rex")});
    std::map<QString, FileStamp> stamps;
    for (const ListedFile& entry : entries) {
        if (entry.name.endsWith(QLatin1String(".rec"))) {
            FileStamp& stamp = stamps[entry.name];
            stamp.size = entry.size;
            stamp.mtime = entry.modifiedMs;
        }
    }
    // What lies beside a record changes the index's course and grade as well.
    for (const ListedFile& entry : entries) {
        if (entry.name.endsWith(QLatin1String(".rex"))) {
            // The entries' file is named by BesideEntriesPath: "<group>.rex".
            const auto group = stamps.find(entry.name.chopped(4) + QStringLiteral(".rec"));
            if (group != stamps.end()) {
                group->second.besideSize = entry.size;
                group->second.besideMtime = entry.modifiedMs;
            }
        }
    }
    return stamps;
}

int LeadingNumber(const QString& text) {
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit()) {
        ++digits;
    }
    return text.left(digits).toInt();
}

int MonthNumber(const QString& folder) {
    for (int month = 1; month <= 12; ++month) {
        if (MonthName(month) == folder) {
            return month;
        }
    }
    return 0;
}

} // namespace

ArchiveIndex::ArchiveIndex(QString startDir, ScoreFunction score, QString cacheDir)
    : m_startDir(std::move(startDir)), m_score(std::move(score)),
      m_connection(QStringLiteral("ryvo-archive-index-%1").arg(g_connections++)) {
    if (cacheDir.isEmpty()) {
        cacheDir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    }
    // One file per archive, named by its absolute path.
    const QString absolute = QFileInfo(m_startDir).absoluteFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    m_filePath = QDir(cacheDir).filePath(
        QStringLiteral("archive-index/%1.sqlite").arg(QString::fromLatin1(hash)));
}

ArchiveIndex::~ArchiveIndex() {
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool ArchiveIndex::Open() {
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        return db.isOpen() || db.open();
    }
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_filePath);
    if (!db.open()) {
        return false;
    }
    // A cache: a write-ahead log without a sync per step keeps a step quick, and an index a
    // crash leaves damaged is made anew at the next opening.
    QSqlQuery pragma(db);
    pragma.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    pragma.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    pragma.exec(QStringLiteral("PRAGMA cache_size = -32768")); // 32 MB
    return true;
}

bool ArchiveIndex::Usable() {
    QSqlQuery query(QSqlDatabase::database(m_connection));
    if (!query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'layout'")) ||
        !query.next() || query.value(0).toInt() != kLayout) {
        return false;
    }
    if (m_checked) {
        return true;
    }
    // A damaged page shows only when read: the first step of each opening reads them all.
    m_checked = true;
    return query.exec(QStringLiteral("PRAGMA quick_check")) && query.next() &&
           query.value(0).toString() == QLatin1String("ok");
}

bool ArchiveIndex::CreateIndexes() {
    QSqlQuery query(QSqlDatabase::database(m_connection));
    return query.exec(
               QStringLiteral("CREATE INDEX IF NOT EXISTS results_file ON results (file)")) &&
           query.exec(QStringLiteral(
               "CREATE INDEX IF NOT EXISTS results_shooter ON results (shooter_key, day)")) &&
           query.exec(QStringLiteral(
               "CREATE INDEX IF NOT EXISTS results_group ON results (grp_key, day)"));
}

bool ArchiveIndex::CreateSchema() {
    QSqlQuery query(QSqlDatabase::database(m_connection));
    const QStringList statements = {
        QStringLiteral("CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT)"),
        QStringLiteral("CREATE TABLE files (path TEXT PRIMARY KEY, size INTEGER, mtime INTEGER, "
                       "beside_size INTEGER, beside_mtime INTEGER)"),
        QStringLiteral(
            "CREATE TABLE results (file TEXT, position INTEGER, year INTEGER, month "
            "INTEGER, grp TEXT, grp_key TEXT, day INTEGER, minute INTEGER, date_text "
            "TEXT, time_text TEXT, shooter TEXT, shooter_key TEXT, target INTEGER, "
            "planned INTEGER, time_limit INTEGER, shots INTEGER, sum INTEGER, "
            "shoot_time REAL, comment TEXT, course TEXT, grade TEXT, hold_shots INTEGER, "
            "hold REAL, len1 REAL, len1mm REAL, in10 REAL, steady REAL, move02 REAL, "
            "jerk REAL)"),
        QStringLiteral("INSERT INTO meta VALUES ('layout', '%1')").arg(kLayout),
    };
    for (const QString& statement : statements) {
        if (!query.exec(statement)) {
            return false;
        }
    }
    return true;
}

bool ArchiveIndex::ReadFile(const QString& relative, const QString& absolute, int year, int month,
                            const QString& group, bool fresh) {
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    // A new index has nothing to drop, and no lookup by file yet to drop it quickly.
    if (!fresh) {
        QSqlQuery drop(db);
        drop.prepare(QStringLiteral("DELETE FROM results WHERE file = ?"));
        drop.addBindValue(relative);
        if (!drop.exec()) {
            return false;
        }
    }
    QFile file(absolute);
    if (!file.open(QIODevice::ReadOnly)) {
        return true; // gone or locked since it was listed: it has no records now
    }
    std::vector<ResultRecord> records = ParseGroupFile(file.readAll());
    AttachBeside(absolute, records);
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO results VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                  "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QString groupKey = NameKey(group);
    for (size_t i = 0; i < records.size(); ++i) {
        ResultRecord& record = records[i];
        DeriveStatistics(record, m_score);
        const QStringList clock = record.Time.split(QChar(u':'));
        const int minute = clock.size() == 2 ? clock[0].toInt() * 60 + clock[1].toInt() : 0;
        const RecordHoldMeans hold = MeansOfRecord(HoldsOfRecord(record.Beside));
        const bool held = hold.units.shots > 0;
        // NULL for a figure the record does not have, so a query cannot take it for 0.
        const auto figure = [held](double v) {
            return held && HasFigure(v) ? QVariant(v) : QVariant(QMetaType(QMetaType::Double));
        };
        const QVariantList values = {relative,
                                     static_cast<int>(i),
                                     year,
                                     month,
                                     group,
                                     groupKey,
                                     IndexDay(ParseArchiveDate(record.Date)),
                                     minute,
                                     record.Date,
                                     record.Time,
                                     record.Shooter,
                                     NameKey(record.Shooter),
                                     record.TargetType,
                                     record.PlannedShots,
                                     record.TimeLimit,
                                     record.ShotsMade,
                                     record.SumText.toInt(),
                                     static_cast<double>(record.ShootTime),
                                     record.Comment,
                                     record.Beside.value(QLatin1String("course")).toString(),
                                     record.Beside.value(QLatin1String("grade")).toString(),
                                     hold.units.shots,
                                     figure(hold.units.hold),
                                     figure(hold.units.len1),
                                     figure(hold.len1mm),
                                     figure(hold.units.in10),
                                     figure(hold.units.steady),
                                     figure(hold.units.move02),
                                     figure(hold.units.jerk)};
        for (qsizetype v = 0; v < values.size(); ++v) {
            insert.bindValue(static_cast<int>(v), values[v]);
        }
        if (!insert.exec()) {
            return false;
        }
    }
    return true;
}

IndexSync ArchiveIndex::Sync(const IndexProgress& progress) {
    IndexSync outcome;
    if (!Open()) {
        outcome.error = QStringLiteral("Индекс архива %1 не открывается.").arg(m_filePath);
        return outcome;
    }
    if (!Usable()) {
        m_checked = true;
        // Nothing lives only in the index: a file that does not read is made anew.
        QSqlDatabase::database(m_connection).close();
        QFile::remove(m_filePath);
        for (const char* suffix : {"-journal", "-wal", "-shm"}) {
            QFile::remove(m_filePath + QLatin1String(suffix));
        }
        if (!Open() || !CreateSchema()) {
            outcome.error = QStringLiteral("Индекс архива %1 не создаётся.").arg(m_filePath);
            return outcome;
        }
        outcome.rebuilt = true;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    std::map<QString, FileStamp> known;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (query.exec(
            QStringLiteral("SELECT path, size, mtime, beside_size, beside_mtime FROM files"))) {
        while (query.next()) {
            known[query.value(0).toString()] = {
                query.value(1).toLongLong(), query.value(2).toLongLong(),
                query.value(3).toLongLong(), query.value(4).toLongLong()};
        }
    }
    struct Pending {
        QString relative;
        QString absolute;
        int year;
        int month;
        QString group;
        FileStamp stamp;
    };
    std::vector<Pending> pending;
    const QDir root(m_startDir);
    for (const QString& year : ListYears(m_startDir)) {
        const QString yearFolder = root.filePath(year);
        for (const QString& month : ListMonths(yearFolder)) {
            const QString monthFolder = QDir(yearFolder).filePath(month);
            const QString prefix = year + QChar(u'/') + month + QChar(u'/');
            for (const auto& [name, stamp] : MonthStamps(monthFolder)) {
                const QString relative = prefix + name;
                const auto found = known.find(relative);
                if (found == known.end() || !(found->second == stamp)) {
                    pending.push_back({relative, monthFolder + QChar(u'/') + name,
                                       LeadingNumber(year), MonthNumber(month), GroupOfFile(name),
                                       stamp});
                }
                if (found != known.end()) {
                    known.erase(found);
                }
            }
        }
    }
    if (known.empty() && pending.empty()) {
        outcome.ok = true;
        return outcome;
    }
    db.transaction();
    auto fail = [&] {
        // The file may be damaged where the first check did not look: check it again next time.
        m_checked = false;
        outcome.error = QStringLiteral("Индекс архива %1 не записывается: %2")
                            .arg(m_filePath, db.lastError().text());
        db.rollback();
        return outcome;
    };
    QSqlQuery forget(db);
    forget.prepare(QStringLiteral("DELETE FROM files WHERE path = ?"));
    QSqlQuery forgetResults(db);
    forgetResults.prepare(QStringLiteral("DELETE FROM results WHERE file = ?"));
    for (const auto& [path, stamp] : known) {
        forget.bindValue(0, path);
        forgetResults.bindValue(0, path);
        if (!forget.exec() || !forgetResults.exec()) {
            return fail();
        }
        ++outcome.filesDropped;
    }
    QSqlQuery remember(db);
    remember.prepare(QStringLiteral("INSERT OR REPLACE INTO files VALUES (?, ?, ?, ?, ?)"));
    const int total = static_cast<int>(pending.size());
    for (int i = 0; i < total; ++i) {
        const Pending& file = pending[static_cast<size_t>(i)];
        if (progress) {
            progress(i, total);
        }
        if (!ReadFile(file.relative, file.absolute, file.year, file.month, file.group,
                      outcome.rebuilt)) {
            return fail();
        }
        remember.bindValue(0, file.relative);
        remember.bindValue(1, file.stamp.size);
        remember.bindValue(2, file.stamp.mtime);
        remember.bindValue(3, file.stamp.besideSize);
        remember.bindValue(4, file.stamp.besideMtime);
        if (!remember.exec()) {
            return fail();
        }
        ++outcome.filesRead;
    }
    // A new index gets its lookups once filled: one sort instead of a tree update per record.
    if (outcome.rebuilt && !CreateIndexes()) {
        return fail();
    }
    if (!db.commit()) {
        return fail();
    }
    if (progress) {
        progress(total, total);
    }
    outcome.ok = true;
    return outcome;
}

} // namespace ryvo
