#include "archive/LaneSaves.h"
#include "archive/RelaySheet.h"
#include "archive/SaveDialogModel.h"
#include "core/ProgramState.h"
#include "platform/Printer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

using namespace ryvo;

namespace {

QDateTime Dec7() {
    return QDateTime(QDate(2008, 12, 7), QTime(9, 5));
}

const QString kRec = QStringLiteral("2008/Декабрь/Взвод_1.rec");

// Five lanes after a series: lane i fired i + 1 shots (lane 2 none), each its own target.
void FiveLaneSeries(ProgramState& state, const QString& startDir) {
    state.StartDir = startDir;
    state.LanePresent = {1, 1, 1, 1, 1};
    state.settings.Target = {1, 2, 2, 3, 2, -1, -1, -1};
    state.settings.ShootsNumber = 10;
    state.settings.Time = 30;
    state.GroupName = QStringLiteral("Взвод 1");
    for (size_t lane = 0; lane < 5; ++lane) {
        const auto shots = lane == 2 ? 0U : static_cast<std::uint32_t>(lane + 1);
        state.run.ShotCount[lane] = shots;
        state.run.ShotPos[lane].clear();
        for (std::uint32_t s = 0; s < shots; ++s) {
            state.run.ShotPos[lane].push_back(
                {-20.5F + static_cast<float>(lane * 10 + s), 3.25F * static_cast<float>(s)});
        }
        state.run.ShootTime[lane] = 4.5F + static_cast<float>(lane);
        state.run.ScoreSum[lane] = static_cast<std::int32_t>(lane * 9);
    }
    state.LaneShooter = {QStringLiteral("Иванов"), QStringLiteral("Петров П."),
                         QStringLiteral("Никто"), QStringLiteral("Сидоров"),
                         QStringLiteral("Кузнецов")};
}

AllLanesSave FiveLanes() {
    return AllLanesSave({0, 1, 2, 3, 4});
}

} // namespace

// The file "Записать всех" writes is, byte for byte, the file of one save dialog save per lane,
// in lane order, with the same group, shooter, comment and time.
TEST(LaneSaves, RecordsAreTheSaveDialogsRecords) {
    test::TempDir all;
    ProgramState state;
    FiveLaneSeries(state, all.Path());
    AllLanesSave saves = FiveLanes();
    const SaveAllOutcome outcome =
        saves.Save(state, SaveTime::From(Dec7()), QStringLiteral("зачёт"));
    EXPECT_EQ(outcome.saved, (std::vector<int>{0, 1, 3, 4})) << "lane 3 fired nothing";
    EXPECT_TRUE(outcome.noShooter.empty());
    EXPECT_TRUE(outcome.failed.empty());
    EXPECT_EQ(state.SaveCount, 4U);
    EXPECT_EQ(state.LastSavedFile, kRec);
    EXPECT_EQ(SaveAllText(outcome), QStringLiteral("Записано: 4 стрелка, группа Взвод 1"));
    EXPECT_FALSE(SaveAllMessage(outcome).has_value());

    test::TempDir one;
    ProgramState dialogState;
    FiveLaneSeries(dialogState, one.Path());
    ImagePrinter printer;
    for (int lane : {0, 1, 3, 4}) {
        SaveDialogModel dialog(dialogState, &printer, Dec7);
        // As the five-lane window opens it for the lane.
        dialogState.ResultSource = 5;
        dialogState.CurrentLane = lane;
        dialog.Activate();
        ASSERT_TRUE(
            dialog.Exit(QStringLiteral("Взвод 1"), state.LaneShooter[lane], QStringLiteral("зачёт"))
                .handBack);
    }
    const QByteArray expected = one.Read(kRec);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(all.Read(kRec), expected);
    EXPECT_TRUE(expected.startsWith(test::Cp1251Lines("Иванов\n7.12.2008 9:5\n1 0 10 30\n1    "
                                                      "4.50\nзачёт\n -20.50            0.00\n")));
}

// A lane without a shooter is listed and left; a second press saves nothing twice, only the
// lane named since; a new series may be saved again.
TEST(LaneSaves, NoShooterIsSkippedAndNothingIsSavedTwice) {
    test::TempDir dir;
    ProgramState state;
    FiveLaneSeries(state, dir.Path());
    state.LaneShooter[1].clear();
    state.LaneShooter[4].clear();
    AllLanesSave saves = FiveLanes();
    const SaveTime time = SaveTime::From(Dec7());
    SaveAllOutcome outcome = saves.Save(state, time);
    EXPECT_EQ(outcome.saved, (std::vector<int>{0, 3}));
    EXPECT_EQ(outcome.noShooter, (std::vector<int>{1, 4}));
    EXPECT_EQ(SaveAllText(outcome),
              QStringLiteral("Записано: 2 стрелка, группа Взвод 1; без стрелка, не записаны "
                             "мишени 2, 5"));
    EXPECT_FALSE(saves.AllSaved(state));
    EXPECT_TRUE(saves.AnySaved());
    const QByteArray afterFirst = dir.Read(kRec);

    state.LaneShooter[4] = QStringLiteral("Гость");
    outcome = saves.Save(state, time);
    EXPECT_EQ(outcome.saved, (std::vector<int>{4}));
    EXPECT_EQ(outcome.noShooter, (std::vector<int>{1}));
    const QByteArray afterSecond = dir.Read(kRec);
    EXPECT_TRUE(afterSecond.startsWith(afterFirst));
    EXPECT_TRUE(afterSecond.mid(afterFirst.size()).startsWith(test::Cp1251Lines("Гость\n")));

    state.LaneShooter[1] = QStringLiteral("Петров");
    outcome = saves.Save(state, time);
    EXPECT_EQ(outcome.saved, (std::vector<int>{1}));
    EXPECT_TRUE(saves.AllSaved(state));
    const QByteArray complete = dir.Read(kRec);
    outcome = saves.Save(state, time);
    EXPECT_TRUE(outcome.saved.empty());
    EXPECT_EQ(dir.Read(kRec), complete) << "saved again";
    EXPECT_EQ(state.SaveCount, 4U);

    saves.SeriesStarted();
    EXPECT_FALSE(saves.AllSaved(state));
    EXPECT_EQ(saves.Save(state, time).saved.size(), 4U);
}

// One lane's write fails: it is named, the others are kept, the next press writes only it.
// No group, or one that cannot name a file, writes nothing.
TEST(LaneSaves, AFailingLaneIsNamedAndTheOthersKept) {
    test::TempDir dir;
    ProgramState state;
    FiveLaneSeries(state, dir.Path());
    AllLanesSave saves = FiveLanes();
    const SaveTime time = SaveTime::From(Dec7());
    const AppendFunction failSidorov = [](const QString& startDir, const QString& group,
                                          const SaveTime& t, const NewResult& result) {
        if (result.shooter == QStringLiteral("Сидоров")) {
            AppendOutcome full;
            full.error = QStringLiteral("диск полон");
            return full;
        }
        return AppendResult(startDir, group, t, result);
    };
    SaveAllOutcome outcome = saves.Save(state, time, QString(), failSidorov);
    EXPECT_EQ(outcome.saved, (std::vector<int>{0, 1, 4}));
    ASSERT_EQ(outcome.failed.size(), 1U);
    EXPECT_EQ(outcome.failed[0].lane, 3);
    const auto message = SaveAllMessage(outcome);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->icon, MessageIcon::Error);
    EXPECT_TRUE(message->text.contains(QStringLiteral("Мишень 4 (Сидоров): диск полон")));
    EXPECT_TRUE(SaveAllText(outcome).endsWith(QStringLiteral("ошибка записи: мишени 4")));
    EXPECT_FALSE(saves.AllSaved(state));
    EXPECT_EQ(state.SaveCount, 3U);

    outcome = saves.Save(state, time);
    EXPECT_EQ(outcome.saved, (std::vector<int>{3}));
    EXPECT_TRUE(saves.AllSaved(state));
    ArchiveTables tables;
    ASSERT_TRUE(
        ReadGroupFile(tables, dir.File(kRec), [](float, float, std::int32_t) { return 0; }));
    ASSERT_EQ(tables.ArchiveRecords.size(), 4U);
    EXPECT_EQ(tables.ArchiveRecords[3].Shooter, QStringLiteral("Сидоров"));
    EXPECT_EQ(tables.ArchiveRecords[3].ShotsMade, 4);

    for (const QString& group : {QString(), QStringLiteral("../вне")}) {
        test::TempDir other;
        ProgramState s;
        FiveLaneSeries(s, other.Path());
        s.GroupName = group;
        AllLanesSave fresh = FiveLanes();
        const SaveAllOutcome refused = fresh.Save(s, time);
        EXPECT_TRUE(refused.refused.has_value());
        EXPECT_TRUE(refused.saved.empty());
        EXPECT_TRUE(SaveAllMessage(refused).has_value());
        EXPECT_TRUE(
            QDir(other.Path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }
}

TEST(LaneSaves, StatusCountsShootersInRussian) {
    SaveAllOutcome outcome;
    outcome.group = QStringLiteral("Взвод 1");
    const std::vector<std::pair<int, const char*>> forms = {
        {1, "1 стрелок"},    {2, "2 стрелка"},   {4, "4 стрелка"}, {5, "5 стрелков"},
        {11, "11 стрелков"}, {21, "21 стрелок"}, {0, "0 стрелков"}};
    for (const auto& [count, text] : forms) {
        outcome.saved.assign(static_cast<size_t>(count), 0);
        EXPECT_EQ(SaveAllText(outcome),
                  QStringLiteral("Записано: %1, группа Взвод 1").arg(QString::fromUtf8(text)));
    }
}

// The save dialog opened for one lane offers the shooter standing there, before the window's
// own preset; with nobody assigned the preset stays.
TEST(LaneSaves, TheSaveDialogOffersTheLanesShooter) {
    test::TempDir dir;
    ProgramState state;
    FiveLaneSeries(state, dir.Path());
    ImagePrinter printer;
    SaveDialogModel dialog(state, &printer, Dec7);
    state.ResultSource = 2;
    state.CurrentLane = 1;
    state.SaveDialogShooter = QStringLiteral("Стрелок 2");
    dialog.Activate();
    EXPECT_EQ(dialog.View().shooter, QStringLiteral("Петров П."));
    EXPECT_TRUE(state.SaveDialogShooter.isEmpty());
    state.LaneShooter[1].clear();
    state.SaveDialogShooter = QStringLiteral("Стрелок 2");
    dialog.Activate();
    EXPECT_EQ(dialog.View().shooter, QStringLiteral("Стрелок 2"));
}

// A course's stages set their own targets, and by the save the main window's are back: the
// record and the relay sheet keep the target most of the lane's shots were fired at.
TEST(LaneSaves, ACourseIsKeptWithTheTargetItsShotsWereFiredAt) {
    test::TempDir dir;
    ProgramState state;
    FiveLaneSeries(state, dir.Path());
    const auto beside = [](const char* stages) {
        return QJsonDocument::fromJson(QByteArray(R"({"course": "Курс", "stages": )") + stages +
                                       "}")
            .object();
    };
    state.run.LaneBeside[0] = beside(R"([{"shots": 3, "target": 2}, {"shots": 2, "target": 3}])");
    state.run.LaneBeside[1] = beside(R"([{"shots": 1, "target": 3}, {"shots": 1, "target": 1}])");
    state.run.LaneBeside[3] = beside(R"([{"shots": 4}])"); // kept before stages named targets
    EXPECT_EQ(LaneResult(state, 0, {}, {}).targetType, 2);
    EXPECT_EQ(LaneResult(state, 1, {}, {}).targetType, 1) << "a tie: the later stage's";
    EXPECT_EQ(LaneResult(state, 3, {}, {}).targetType, 3) << "the main window's";
    EXPECT_EQ(LaneResult(state, 4, {}, {}).targetType, 2) << "no course";
    const std::vector<int> lanes = {0, 1, 3, 4};
    const RelaySheet sheet = BuildRelaySheet(state, lanes, Dec7());
    ASSERT_EQ(sheet.rows.size(), 4u);
    EXPECT_EQ(sheet.rows[0].targetType, 2);
    EXPECT_EQ(sheet.rows[1].targetType, 1);
}
