#include "KillSave.h"
#include "archive/ArchiveBeside.h"
#include "archive/ArchiveIndex.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>

#include <chrono>
#include <cstdio>
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
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "a kill at a random moment is SIGKILL; the loop is for Linux";
#endif
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
    std::printf("kills %d, saves begun %zu, done %zu, records %zu, torn tails .rec %zu .rex %zu "
                ".trc %zu, lost %d, mismatches %d\n",
                kills, saves.begun.size(), saves.done.size(), records.size(), torn.rec.size(),
                torn.rex.size(), torn.trc.size(), lost, mismatches);
    EXPECT_GT(saves.done.size(), 0U);
}
