#include "archive/SaveDialogModel.h"
#include "core/ProgramState.h"
#include "platform/Printer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace ryvo;

namespace {

QDateTime Dec7() {
    return QDateTime(QDate(2008, 12, 7), QTime(9, 5));
}

struct Fixture {
    test::TempDir dir;
    ProgramState state;
    ImagePrinter printer;
    std::unique_ptr<SaveDialogModel> model;

    Fixture() {
        state.StartDir = dir.Path();
        state.settings.Target = {1, 2, -1, -1, -1, -1, -1, -1};
        state.settings.ShootsNumber = 5;
        state.settings.Time = 10;
        state.CurrentLane = 1;
        state.run.ShotCount[1] = 2;
        state.run.ShotPos[1] = {{1.0F, 2.0F}, {-3.0F, 4.0F}};
        state.run.ShootTime[1] = 7.25F;
        state.run.ScoreSum[1] = 19;
        model = std::make_unique<SaveDialogModel>(state, &printer, Dec7);
    }
};

} // namespace

TEST(SaveDialogModel, ActivationFillsTheDialog) {
    Fixture f;
    f.state.ResultSource = 2;
    SaveDialogModel model(f.state, &f.printer, Dec7);
    EXPECT_EQ(f.state.ResultSource, 0); // the dialog starts with no result on hand

    f.state.GroupName = QStringLiteral("Взвод");
    f.state.GroupMembers = {"Яковлев", "агеев", "Борисов"};
    f.state.Remarks = {"ветер", "Ветер слева", "блик"};
    model.Activate(QStringLiteral("набранное"));
    const SaveDialogView& v = model.View();
    EXPECT_EQ(v.date, QStringLiteral("7.12.2008"));
    EXPECT_EQ(v.time, QStringLiteral("9 ч. 5 мин."));
    EXPECT_EQ(v.group, QStringLiteral("Взвод"));
    EXPECT_TRUE(v.shooters.empty()); // no group loaded
    EXPECT_EQ(v.shooter, QStringLiteral("набранное"));
    EXPECT_EQ(v.remarks, (std::vector<QString>{"блик", "ветер", "Ветер слева"}));
    EXPECT_EQ(v.exitCaption, QStringLiteral("Запись"));
    EXPECT_EQ(v.abortCaption, QStringLiteral("Выход"));

    f.state.LoadedGroup = 0;
    f.state.SaveDialogMode = 1;
    f.state.SaveDialogShooter = QStringLiteral("Стрелок 2");
    model.Activate(QStringLiteral("набранное"));
    EXPECT_EQ(model.View().shooters, (std::vector<QString>{"агеев", "Борисов", "Яковлев"}));
    EXPECT_EQ(model.View().shooter, QStringLiteral("Стрелок 2"));
    EXPECT_TRUE(f.state.SaveDialogShooter.isEmpty());
    EXPECT_EQ(model.View().exitCaption, QStringLiteral("Печать"));
    EXPECT_EQ(model.View().abortCaption, QStringLiteral("Выход"));
}

TEST(SaveDialogModel, HandsBackToTheWindowOfTheResult) {
    Fixture f;
    const std::pair<int, const char*> cases[] = {
        {1, "TShoot1"}, {2, "TShoot2"}, {5, "TShoots5"}, {0, "TMainForm2"}, {3, "TMainForm2"}};
    for (const auto& [source, window] : cases) {
        f.state.ResultSource = source;
        EXPECT_EQ(f.model->HandBackWindow(), QString::fromLatin1(window));
    }
}

TEST(SaveDialogModel, SaveAppendsTheLaneRecord) {
    Fixture f;
    f.model->Activate();
    const auto outcome =
        f.model->Exit(QStringLiteral("Взвод 2"), QStringLiteral("Иван"), QStringLiteral("ок"));
    EXPECT_TRUE(outcome.handBack);
    EXPECT_FALSE(outcome.message.has_value());
    EXPECT_EQ(f.state.GroupName, QStringLiteral("Взвод 2"));
    EXPECT_EQ(f.dir.Read(QStringLiteral("2008/Декабрь/Взвод_2.rec")),
              test::Cp1251Lines("Иван\n7.12.2008 9:5\n2 0 5 10\n2    7.25\nок\n"
                                "   1.00            2.00\n  -3.00            4.00\n"));
    EXPECT_EQ(f.printer.documents, 0);
    // The exercise window learns where the result went.
    EXPECT_EQ(f.state.SaveCount, 1U);
    EXPECT_EQ(f.state.LastSavedFile, QStringLiteral("2008/Декабрь/Взвод_2.rec"));
}

TEST(SaveDialogModel, AFailedSaveSaysSoAndKeepsTheDialogOpen) {
    Fixture f;
    f.model->Activate();
    // The group file's place is taken by a folder: it cannot be opened for appending.
    QDir().mkpath(f.dir.File(QStringLiteral("2008/Декабрь/Взвод.rec")));
    auto outcome = f.model->Exit(QStringLiteral("Взвод"), QStringLiteral("Иван"), QString());
    EXPECT_FALSE(outcome.handBack);
    ASSERT_TRUE(outcome.message.has_value());
    EXPECT_TRUE(outcome.message->text.contains(QStringLiteral("НЕ записан")));
    EXPECT_EQ(outcome.message->icon, MessageIcon::Error);

    // The year folder cannot be made: a file has its name.
    Fixture g;
    g.dir.Write(QStringLiteral("2008"), "x");
    g.model->Activate();
    const auto noFolder = g.model->Exit(QStringLiteral("Другая"), QStringLiteral("И"), QString());
    EXPECT_FALSE(noFolder.handBack);
    ASSERT_TRUE(noFolder.message.has_value());
    EXPECT_EQ(g.dir.Read(QStringLiteral("2008")), QByteArray("x"));

    outcome = f.model->Exit(QStringLiteral("../вне"), QStringLiteral("Иван"), QString());
    EXPECT_FALSE(outcome.handBack);
    ASSERT_TRUE(outcome.message.has_value());
    EXPECT_TRUE(outcome.message->text.contains(QStringLiteral("не записан")));
    // The typed name is taken first, as for a name that can be saved.
    EXPECT_EQ(f.state.GroupName, QStringLiteral("../вне"));
    EXPECT_EQ(f.state.SaveCount, 0U);
}

TEST(SaveDialogModel, PrintFillsTheRecordFromTheRunAndWritesNothing) {
    Fixture f;
    f.state.SaveDialogMode = 1;
    f.model->Activate();
    const ResultRecord r = f.model->RecordOfLane(QStringLiteral("Иван"), QStringLiteral("к"));
    EXPECT_EQ(r.Date, QStringLiteral("7.12.2008"));
    EXPECT_EQ(r.Time, QStringLiteral("9:5"));
    EXPECT_EQ(r.TargetType, 2);
    EXPECT_EQ(r.PlannedShots, 5);
    EXPECT_EQ(r.TimeLimit, 10);
    EXPECT_EQ(r.ShotsMade, 2);
    EXPECT_EQ(r.SumText, QStringLiteral("19"));
    EXPECT_EQ(r.Shots.size(), 2u);

    const auto outcome = f.model->Exit(QStringLiteral("Г"), QStringLiteral("Иван"), QString());
    EXPECT_TRUE(outcome.handBack);
    EXPECT_EQ(f.printer.documents, 1);
    EXPECT_EQ(f.printer.pages.size(), 1u);
    EXPECT_EQ(f.state.GroupName, QStringLiteral("Г"));
    EXPECT_TRUE(QDir(f.dir.Path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

    f.printer.failBegin = true;
    const auto failed = f.model->Exit(QStringLiteral("Г"), QStringLiteral("Иван"), QString());
    EXPECT_FALSE(failed.handBack);
    ASSERT_TRUE(failed.message.has_value());
    EXPECT_TRUE(failed.message->text.contains(QStringLiteral("не напечатан")));
}

TEST(SaveDialogModel, OffersTheGroupListsAndThisMonthsArchiveGroups) {
    Fixture f;
    f.dir.Write(QStringLiteral("Взвод 1.grp"), "");
    f.dir.Write(QStringLiteral("Команда.grp"), "");
    f.dir.Write(QStringLiteral("2008/Декабрь/Команда.rec"), "");
    f.dir.Write(QStringLiteral("2008/Декабрь/Стажёры_2.rec"), "");
    f.dir.Write(QStringLiteral("2008/Декабрь/заметки.txt"), "");
    f.dir.Write(QStringLiteral("2008/Ноябрь/Прошлые.rec"), ""); // another month
    f.model->Activate();
    EXPECT_EQ(f.model->View().groups, (std::vector<QString>{"Взвод 1", "Команда", "Стажёры_2"}));
    Fixture empty;
    empty.model->Activate();
    EXPECT_TRUE(empty.model->View().groups.empty());
}
