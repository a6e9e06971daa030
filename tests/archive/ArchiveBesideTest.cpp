#include "archive/ArchiveBeside.h"
#include "archive/ArchiveStore.h"
#include "archive/LaneSaves.h"
#include "core/ProgramState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>

#include <limits>

namespace ryvo {
namespace {

const SaveTime kSaved{2026, 12, 8, 14, 5};
const QString kGroup = QStringLiteral("Взвод 1");
const QString kGroupFile = QStringLiteral("2026/Декабрь/Взвод_1.rec");

NewResult Series(const QString& shooter, QJsonObject beside = {}, QByteArray trace = {}) {
    NewResult result;
    result.shooter = shooter;
    result.targetType = 1;
    result.plannedShots = 2;
    result.shots = {{0, 0}, {10, -5}};
    result.beside = std::move(beside);
    result.trace = std::move(trace);
    return result;
}

std::vector<ResultRecord> ReadBack(const test::TempDir& dir) {
    ArchiveTables tables;
    EXPECT_TRUE(
        ReadGroupFile(tables, dir.File(kGroupFile), [](float, float, std::int32_t) { return 0; }));
    return tables.ArchiveRecords;
}

void Append(const test::TempDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.File(name));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(bytes);
}

TEST(ArchiveBeside, EntriesAndTracesPairWithTheirRecordsAndNoOther) {
    test::TempDir dir;
    const QByteArray trace(3000, 'x');
    ASSERT_TRUE(AppendResult(dir.Path(), kGroup, kSaved, Series(QStringLiteral("Без данных"))).ok);
    const AppendOutcome second = AppendResult(
        dir.Path(), kGroup, kSaved,
        Series(QStringLiteral("Петров"), QJsonObject{{QStringLiteral("grade"), "отлично"}}, trace));
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.record, 1);
    EXPECT_TRUE(second.besideError.isEmpty());
    EXPECT_TRUE(dir.Exists(QStringLiteral("2026/Декабрь/Взвод_1.rex")));

    // Lines another program might leave: not JSON, a record that is not there, a record
    // that is there under another shooter.
    Append(
        dir, QStringLiteral("2026/Декабрь/Взвод_1.rex"),
        "not json\n{\"record\":7,\"shooter\":\"Петров\",\"date\":\"8.12.2026\",\"time\":\"14:5\"}\n"
        "{\"record\":0,\"shooter\":\"Другой\",\"date\":\"8.12.2026\",\"time\":\"14:5\","
        "\"grade\":\"чужая\"}\n");
    const auto records = ReadBack(dir);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(records[0].Beside.isEmpty());
    EXPECT_EQ(records[1].Beside.value(QStringLiteral("grade")).toString(),
              QStringLiteral("отлично"));
    EXPECT_FALSE(records[1].Beside.contains(QStringLiteral("shooter")));
    const auto ref = TraceRefOf(records[1].Beside);
    ASSERT_TRUE(ref.has_value());
    EXPECT_EQ(ReadBesideTrace(dir.File(kGroupFile), *ref), trace);
    // A reference that does not name a whole block reads nothing.
    EXPECT_FALSE(ReadBesideTrace(dir.File(kGroupFile), {ref->offset, ref->length - 1}));
    EXPECT_FALSE(ReadBesideTrace(dir.File(kGroupFile), {ref->offset + 4, ref->length}));
}

// A damaged entry may name any place and size: a size past the file reads nothing and takes
// no memory for it, and numbers no file position can be give no reference at all.
TEST(ArchiveBeside, ADamagedTraceReferenceReadsNothing) {
    test::TempDir dir;
    ASSERT_TRUE(AppendResult(dir.Path(), kGroup, kSaved,
                             Series(QStringLiteral("Петров"), {}, QByteArray(100, 'x')))
                    .ok);
    const QString group = dir.File(kGroupFile);
    EXPECT_FALSE(ReadBesideTrace(group, {8, qint64{1} << 40}));
    EXPECT_FALSE(ReadBesideTrace(group, {8, std::numeric_limits<qint64>::max()}));
    EXPECT_FALSE(ReadBesideTrace(group, {std::numeric_limits<qint64>::max(), 100}));
    for (const double bad : {1e300, -1e300, 8.5, 9.3e18}) {
        const QJsonObject asOffset{
            {QStringLiteral("trace"),
             QJsonObject{{QStringLiteral("offset"), bad}, {QStringLiteral("length"), 100}}}};
        const QJsonObject asLength{
            {QStringLiteral("trace"),
             QJsonObject{{QStringLiteral("offset"), 8}, {QStringLiteral("length"), bad}}}};
        EXPECT_FALSE(TraceRefOf(asOffset).has_value()) << bad;
        EXPECT_FALSE(TraceRefOf(asLength).has_value()) << bad;
    }
}

TEST(ArchiveBeside, TornTailsAreCutAsideAndEarlierTracesStillRead) {
    test::TempDir dir;
    const QByteArray first(500, 'a');
    ASSERT_TRUE(AppendResult(dir.Path(), kGroup, kSaved,
                             Series(QStringLiteral("Первый"), QJsonObject{{"n", 1}}, first))
                    .ok);
    // A save killed half-way through both files.
    Append(dir, QStringLiteral("2026/Декабрь/Взвод_1.trc"),
           QByteArray("TRCB\x10\x00\x00\x00zz", 10));
    Append(dir, QStringLiteral("2026/Декабрь/Взвод_1.rex"), "{\"record\":1,\"shoo");
    const QByteArray second(800, 'b');
    const AppendOutcome next =
        AppendResult(dir.Path(), kGroup, kSaved,
                     Series(QStringLiteral("Второй"), QJsonObject{{"n", 2}}, second));
    ASSERT_TRUE(next.ok);
    EXPECT_TRUE(next.besideError.isEmpty());
    EXPECT_EQ(dir.Read(QStringLiteral("2026/Декабрь/Взвод_1.trc.torn")).size(), 10);
    EXPECT_EQ(dir.Read(QStringLiteral("2026/Декабрь/Взвод_1.rex.torn")), "{\"record\":1,\"shoo");

    const auto records = ReadBack(dir);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Beside.value("n").toInt(), 1);
    EXPECT_EQ(records[1].Beside.value("n").toInt(), 2);
    EXPECT_EQ(ReadBesideTrace(dir.File(kGroupFile), *TraceRefOf(records[0].Beside)), first);
    EXPECT_EQ(ReadBesideTrace(dir.File(kGroupFile), *TraceRefOf(records[1].Beside)), second);
}

// Blocks are synced one by one, so only the last can be torn. A block damaged inside the file
// (a flipped bit) keeps the blocks after it, which entries point to; a last block whose bytes
// are all there but never reached the disk (zeros) is cut aside.
TEST(ArchiveBeside, OnlyTheLastTraceBlockIsTakenForTorn) {
    test::TempDir dir;
    const QString group = dir.File(QStringLiteral("Взвод_1.rec"));
    const auto first = AppendBesideTrace(group, QByteArray(300, 'a'));
    const auto second = AppendBesideTrace(group, QByteArray(300, 'b'));
    const auto third = AppendBesideTrace(group, QByteArray(300, 'c'));
    ASSERT_TRUE(first && second && third);
    QFile file(BesideTracesPath(group));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(second->offset + 20));
    file.write("X");
    file.close();

    const auto fourth = AppendBesideTrace(group, QByteArray(300, 'd'));
    ASSERT_TRUE(fourth);
    EXPECT_EQ(fourth->offset, third->offset + 312);
    EXPECT_FALSE(QFile::exists(BesideTracesPath(group) + QStringLiteral(".torn")));
    EXPECT_EQ(ReadBesideTrace(group, *third), QByteArray(300, 'c'));
    EXPECT_FALSE(ReadBesideTrace(group, *second));

    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(fourth->offset + 8));
    file.write(QByteArray(300, '\0'));
    file.close();
    const auto fifth = AppendBesideTrace(group, QByteArray(300, 'e'));
    ASSERT_TRUE(fifth);
    EXPECT_EQ(fifth->offset, fourth->offset);
    EXPECT_EQ(dir.Read(QStringLiteral("Взвод_1.trc.torn")).size(), 312);
    EXPECT_EQ(ReadBesideTrace(group, *fifth), QByteArray(300, 'e'));
    EXPECT_EQ(ReadBesideTrace(group, *third), QByteArray(300, 'c'));

    // A damaged length takes the blocks from there aside; a new block of the same size then
    // lies where an older entry points, and the entry's checksum tells them apart.
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(fifth->offset + 4));
    file.write("\xFF\xFF\x00\x00", 4);
    file.close();
    const auto sixth = AppendBesideTrace(group, QByteArray(300, 'f'));
    ASSERT_TRUE(sixth);
    EXPECT_EQ(sixth->offset, fifth->offset);
    EXPECT_FALSE(ReadBesideTrace(group, *fifth));
    EXPECT_EQ(ReadBesideTrace(group, *sixth), QByteArray(300, 'f'));
}

TEST(ArchiveBeside, AForeignTraceFileIsLeftAloneAndTheRecordStillSaved) {
    test::TempDir dir;
    dir.Write(QStringLiteral("2026/Декабрь/Взвод_1.trc"), "RYVOTRC\x02 a later version");
    const AppendOutcome saved = AppendResult(
        dir.Path(), kGroup, kSaved, Series(QStringLiteral("Петров"), {}, QByteArray(10, 'z')));
    ASSERT_TRUE(saved.ok);
    EXPECT_FALSE(saved.besideError.isEmpty());
    EXPECT_EQ(dir.Read(QStringLiteral("2026/Декабрь/Взвод_1.trc")), "RYVOTRC\x02 a later version");
    const auto records = ReadBack(dir);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_FALSE(TraceRefOf(records[0].Beside).has_value());

    // "Записать всех" says so too, and counts the lane as saved.
    ProgramState state;
    state.StartDir = dir.Path();
    state.GroupName = kGroup;
    state.LanePresent[0] = 1;
    state.LaneShooter[0] = QStringLiteral("Сидоров");
    state.run.ShotPos[0] = {{1, 1}};
    state.run.ShotCount[0] = 1;
    state.run.LaneTrace[0] = QByteArray(8, 't');
    AllLanesSave saves({0});
    const SaveAllOutcome all = saves.Save(state, kSaved);
    EXPECT_EQ(all.saved, std::vector<int>{0});
    const auto message = SaveAllMessage(all);
    ASSERT_TRUE(message.has_value());
    EXPECT_TRUE(message->text.contains(QStringLiteral("Мишень 1 (Сидоров)")));
}

TEST(ArchiveBeside, ALaneSaveKeepsTheSeriesMembersAndANewSeriesDropsThem) {
    test::TempDir dir;
    ProgramState state;
    state.StartDir = dir.Path();
    state.LanePresent[2] = 1;
    state.run.ShotPos[2] = {{1, 1}};
    state.run.ShotCount[2] = 1;
    SetShotMember(state.run.LaneBeside[2], 0, QStringLiteral("t"), 1.25);
    SetShotMember(state.run.LaneBeside[2], 0, QStringLiteral("hold"), 4.0);
    state.run.LaneTrace[2] = QByteArray(64, 't');
    ASSERT_TRUE(AppendLaneResult(state, 2, kGroup, kSaved, QStringLiteral("Петров"), QString()).ok);
    const auto records = ReadBack(dir);
    ASSERT_EQ(records.size(), 1u);
    const QJsonObject shot = records[0].Beside.value("shots").toArray().at(0).toObject();
    EXPECT_EQ(shot.value("t").toDouble(), 1.25);
    EXPECT_EQ(shot.value("hold").toDouble(), 4.0);
    EXPECT_EQ(ReadBesideTrace(dir.File(kGroupFile), *TraceRefOf(records[0].Beside)),
              QByteArray(64, 't'));

    state.run.ClearShots(2);
    EXPECT_TRUE(state.run.LaneBeside[2].isEmpty());
    EXPECT_TRUE(state.run.LaneTrace[2].isEmpty());
}

} // namespace
} // namespace ryvo
