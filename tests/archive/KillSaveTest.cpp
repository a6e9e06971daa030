#include "KillSave.h"
#include "archive/ArchiveBeside.h"
#include "archive/ArchiveIndex.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QSysInfo>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <thread>

using namespace ryvo;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int EnvNumber(const char* name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

// Saves begun and saves reported done, from the child's journal (a torn last line is none).
struct Journal {
    std::set<int> begun;
    std::set<int> done;
};

Journal ReadJournal(const QString& path) {
    Journal journal;
    const QByteArray text = ReadAll(path);
    for (const QByteArray& line : text.first(text.lastIndexOf('\n') + 1).split('\n')) {
        if (line.startsWith("begin ")) {
            journal.begun.insert(line.mid(6).toInt());
        } else if (line.startsWith("done ")) {
            journal.done.insert(line.mid(5).toInt());
        }
    }
    return journal;
}

// The tails a kill left after the last whole record, line or block of each file, once each.
struct TornTails {
    std::set<std::pair<qsizetype, QByteArray>> rec, rex, trc;

    void Look(const QString& group) {
        const QByteArray rec_ = ReadAll(group);
        if (const qsizetype end = CompleteRecordsEnd(rec_); end < rec_.size()) {
            rec.insert({end, rec_.sliced(end)});
        }
        const QByteArray rex_ = ReadAll(BesideEntriesPath(group));
        if (const qsizetype end = rex_.lastIndexOf('\n') + 1; end < rex_.size()) {
            rex.insert({end, rex_.sliced(end)});
        }
        const QByteArray trc_ = ReadAll(BesideTracesPath(group));
        if (const qsizetype end = CompleteTracesEnd(trc_); end > 0 && end < trc_.size()) {
            trc.insert({end, trc_.sliced(end)});
        }
    }
};

// Each tail seen is in "<file>.torn".
void ExpectKeptAside(const std::set<std::pair<qsizetype, QByteArray>>& tails, const QString& path) {
    const QByteArray aside = ReadAll(path + QStringLiteral(".torn"));
    for (const auto& [offset, tail] : tails) {
        EXPECT_TRUE(aside.contains(tail))
            << path.toStdString() << " lost its torn tail at " << offset;
    }
}

// Where the last `lines` lines of an image ending in a line feed begin.
qsizetype LastLinesStart(const QByteArray& image, int lines) {
    qsizetype at = image.size() - 1;
    for (int i = 0; i < lines && at >= 0; ++i) {
        at = image.lastIndexOf('\n', at - 1);
    }
    return at + 1;
}

// Where the last item of a file begins, if the in-flight save `save` wrote it: a record, an
// entry line or a trace block.
std::optional<qsizetype> InFlightItem(const QString& path, const QByteArray& image, int save) {
    if (path.endsWith(QLatin1String(".rec"))) {
        const std::vector<ResultRecord> records = ParseGroupFile(image);
        if (records.empty() || records.back().Comment != killsave::Comment(save) ||
            CompleteRecordsEnd(image) != image.size()) {
            return std::nullopt;
        }
        return LastLinesStart(image, 5 + records.back().ShotsMade);
    }
    if (path.endsWith(QLatin1String(".rex"))) {
        const qsizetype start = LastLinesStart(image, 1);
        if (image.endsWith('\n') &&
            image.indexOf("\"grade\":\"" + QByteArray::number(save) + '/', start) > 0) {
            return start;
        }
        return std::nullopt;
    }
    for (int lane = 0; lane < killsave::kLanes; ++lane) {
        const QByteArray payload = killsave::Trace(save, lane);
        const qsizetype start = image.size() - payload.size() - 12;
        if (start > 0 && image.sliced(start, 4) == "TRCB" &&
            image.sliced(start + 8).startsWith(payload)) {
            return start;
        }
    }
    return std::nullopt;
}

// A power cut mid-save loses part of the write not yet synced; a kill alone tears a write only
// where it crosses a page. Cuts the newest file's last item, if the save in flight wrote it.
// Returns the file cut.
QString TearInFlight(const QString& group, int save, std::mt19937& random) {
    QString newest;
    auto newestTime = std::filesystem::file_time_type::min();
    bool tie = false;
    for (const QString& path : {group, BesideTracesPath(group), BesideEntriesPath(group)}) {
        std::error_code error;
        const auto time = std::filesystem::last_write_time(path.toStdString(), error);
        if (error) {
            continue;
        }
        tie = time == newestTime;
        if (time > newestTime) {
            newest = path;
            newestTime = time;
        }
    }
    if (newest.isEmpty() || tie) {
        return {};
    }
    const QByteArray image = ReadAll(newest);
    const auto start = InFlightItem(newest, image, save);
    if (!start || image.size() - *start < 2) {
        return {};
    }
    const qsizetype cut =
        std::uniform_int_distribution<qsizetype>(*start + 1, image.size() - 1)(random);
    QFile file(newest);
    return file.open(QIODevice::ReadWrite) && file.resize(cut) ? newest : QString();
}

struct Totals {
    int count = 0;
    int sum = 0;
    bool operator==(const Totals&) const = default;
};

} // namespace

// "Записать всех" of five lanes, each with its entry and trace beside the group file, and
// every few saves the index, killed (SIGKILL) at random moments and started again: no save
// reported done is lost, no entry or trace pairs with another record, torn tails are kept
// aside and the index matches the files. RYVO_KILL_SAVE_KILLS and RYVO_KILL_SAVE_SEED replay.
TEST(KillSave, SavesSurviveKillsMidSave) {
    if (QSysInfo::kernelType() != QLatin1String("linux")) {
        GTEST_SKIP() << "a kill at a random moment is SIGKILL; the loop is for Linux";
    }
    const int kills = EnvNumber("RYVO_KILL_SAVE_KILLS", 20);
    const auto seed = static_cast<unsigned>(
        EnvNumber("RYVO_KILL_SAVE_SEED", static_cast<int>(std::random_device{}() & 0x7FFFFFFF)));
    std::printf("kill loop seed %u (RYVO_KILL_SAVE_SEED), %d kills\n", seed, kills);
    std::mt19937 random(seed);
    // Starting takes some 20 ms, a save of five lanes a few more: a kill lands anywhere.
    std::uniform_int_distribution<int> delayMs(0, 250);

    const QDir here = QDir::current();
    const QString start = here.filePath(QStringLiteral("start"));
    const QString cache = here.filePath(QStringLiteral("cache"));
    const QString journal = here.filePath(QStringLiteral("journal"));
    const QString group =
        QDir(MonthFolderPath(start, 2026, 12)).filePath(GroupFileName(QStringLiteral("Взвод 1")));
    ASSERT_TRUE(QDir().mkpath(start));

    TornTails torn;
    std::map<QString, int> powerCuts; // by the file's suffix; "" when nothing was cut
    for (int kill = 0; kill < kills; ++kill) {
        QProcess child;
        child.start(QStringLiteral(RYVO_KILL_SAVE_CHILD), {start, cache, journal});
        ASSERT_TRUE(child.waitForStarted());
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
        child.kill();
        ASSERT_TRUE(child.waitForFinished());
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit)
            << "kill " << kill << ": " << child.readAllStandardError().toStdString();
        torn.Look(group);
        // Every third kill mid-save is a power cut as well.
        const Journal sofar = ReadJournal(journal);
        if (!sofar.begun.empty() && !sofar.done.contains(*sofar.begun.rbegin()) &&
            random() % 3 == 0) {
            const QString cut = TearInFlight(group, *sofar.begun.rbegin(), random);
            powerCuts[cut.section(QChar(u'.'), -1)] += 1;
            torn.Look(group);
        }
    }
    // One save more, not killed: it cuts whatever the last kill tore.
    QProcess last;
    last.start(QStringLiteral(RYVO_KILL_SAVE_CHILD), {start, cache, journal, QStringLiteral("1")});
    ASSERT_TRUE(last.waitForFinished(30000));
    ASSERT_EQ(last.exitCode(), 0) << last.readAllStandardError().toStdString();

    const Journal saves = ReadJournal(journal);
    const QByteArray recImage = ReadAll(group);
    EXPECT_EQ(CompleteRecordsEnd(recImage), recImage.size());
    EXPECT_FALSE(FindTornParts(group).tail);
    ExpectKeptAside(torn.rec, group);
    ExpectKeptAside(torn.rex, BesideEntriesPath(group));
    ExpectKeptAside(torn.trc, BesideTracesPath(group));

    std::vector<ResultRecord> records = ParseGroupFile(recImage);
    AttachBeside(group, records);
    std::map<std::pair<int, int>, const ResultRecord*> found;
    std::map<QString, Totals> fresh;
    int mismatches = 0;
    for (ResultRecord& record : records) {
        const int save = record.Comment.section(QChar(u' '), 1).toInt();
        const int lane = record.Shooter.section(QChar(u' '), 1).toInt() - 1;
        ASSERT_TRUE(saves.begun.contains(save))
            << "a record of no save: " << record.Comment.toStdString();
        ASSERT_TRUE(found.insert({{save, lane}, &record}).second) << "saved twice: " << save;
        EXPECT_EQ(record.Time, killsave::TimeOf(save).TimeText());
        EXPECT_EQ(record.Shots, killsave::Shots(save, lane)) << save << "/" << lane;
        DeriveStatistics(record, killsave::Score);
        fresh[record.Shooter].count += 1;
        fresh[record.Shooter].sum += record.SumText.toInt();
        if (record.Beside.isEmpty()) {
            continue; // the kill came between the record and its entry
        }
        const auto trace = TraceRefOf(record.Beside);
        const auto payload = trace ? ReadBesideTrace(group, *trace) : std::nullopt;
        if (record.Beside.value(QLatin1String("grade")).toString() != killsave::Grade(save, lane) ||
            record.Beside.value(QLatin1String("shots")).toArray() !=
                killsave::ShotNumbers(save, lane) ||
            payload != killsave::Trace(save, lane)) {
            ++mismatches;
            ADD_FAILURE() << "record " << save << "/" << lane << " is paired with another's data";
        }
    }
    int lost = 0;
    for (const int save : saves.done) {
        for (int lane = 0; lane < killsave::kLanes; ++lane) {
            const auto it = found.find({save, lane});
            if (it == found.end() || it->second->Beside.isEmpty()) {
                ++lost;
                ADD_FAILURE() << "save " << save << " lane " << lane << " reported done, lost";
            }
        }
    }

    // The child's index, maybe killed mid-update, and one built afresh both match the files.
    for (const QString& cacheDir : {cache, here.filePath(QStringLiteral("fresh-cache"))}) {
        ArchiveIndex index(start, killsave::Score, cacheDir);
        ASSERT_TRUE(index.Sync().ok) << cacheDir.toStdString();
        EXPECT_EQ(index.RecordCount(), static_cast<int>(records.size())) << cacheDir.toStdString();
        for (int lane = 0; lane < killsave::kLanes; ++lane) {
            Totals indexed;
            for (const IndexedResult& result : index.ShooterResults(killsave::Shooter(lane))) {
                indexed.count += 1;
                indexed.sum += result.sum;
            }
            EXPECT_EQ(indexed, fresh[killsave::Shooter(lane)])
                << cacheDir.toStdString() << " lane " << lane;
        }
    }
    std::printf("kills %d, saves begun %zu, done %zu, records %zu, power cuts .rec %d .rex %d "
                ".trc %d, torn tails seen .rec %zu .rex %zu .trc %zu, lost %d, mismatches %d\n",
                kills, saves.begun.size(), saves.done.size(), records.size(),
                powerCuts[QStringLiteral("rec")], powerCuts[QStringLiteral("rex")],
                powerCuts[QStringLiteral("trc")], torn.rec.size(), torn.rex.size(), torn.trc.size(),
                lost, mismatches);
    EXPECT_GT(saves.done.size(), 0U);
}
