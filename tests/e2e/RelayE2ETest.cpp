#include "SimRange.h"

#include "archive/ArchiveStore.h"
#include "core/LaneAssignment.h"
#include "exercise/RelayDialog.h"
#include "exercise/TShoots5.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <array>

using namespace ryvo;

namespace {

// Trigger pulls per lane, ms after the simulator started: lane i fires i + 1 times.
const std::array<std::vector<int>, 5> kPulls = {{
    {3500},
    {3600, 4600},
    {3700, 4700, 5700},
    {3800, 4800, 5800, 6300},
    {3900, 4900, 5900, 6400, 6900},
}};

} // namespace

// The whole program against ryvo-sim: a hand-written group loaded, its shooters put on the
// lanes "по списку" from the main window, five lanes firing through the serial port, one
// "Записать всех": the group file holds five records, each under its lane's shooter with the
// lane's shots.
TEST(RelayE2E, FiveLanesFireAndAreSavedInOneStep) {
    // Lane i aims at (-20 + 10 i, 10) target units: raw / 4000 * 100.
    test::SimRange range(test::FiveLaneScenario(kPulls, -800, 400, 400));
    ASSERT_TRUE(range.sim->Started()) << range.sim->Error().toStdString();
    range.WriteSettings(QStringLiteral("Target =  2 2 2 2 2\nShootsNumber = 10\nTime = 0\n"
                                       "Shooter = 31\nEnableTrace = 1\n"));
    test::TempDir& dir = range.dir;
    // Six shooters, as typed by hand on Windows.
    dir.Write(QStringLiteral("Взвод 3.grp"),
              test::Cp1251Lines(QStringLiteral("Акимов\nБелов\nВолков\nГусев\nДьяков\nЕршов\n")));
    range.Start();
    ProgramState& state = range.state;
    TForm2& frame = range.Frame();
    ASSERT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 1, 1, 1}));

    Page* main = frame.ActivePage();
    ASSERT_EQ(main->ClassName(), QStringLiteral("TMainForm2"));
    test::Control<QPushButton>(main, "Groups")->click();
    Page* groups = frame.ActivePage();
    ASSERT_EQ(groups->ClassName(), QStringLiteral("TGroupsForm"));
    test::Control<QListWidget>(groups, "ListBox1")->setCurrentRow(0);
    test::Control<QPushButton>(groups, "Load")->click();
    test::Control<QPushButton>(groups, "Exit")->click();
    ASSERT_EQ(frame.ActivePage(), main);

    test::Control<QPushButton>(main, "Relay")->click();
    auto* relay = main->findChild<RelayDialog*>();
    ASSERT_NE(relay, nullptr);
    relay->findChild<QPushButton*>("ByList")->click();
    relay->findChild<QPushButton*>("Assign")->click();
    const LaneNames firstRelay = {QStringLiteral("Акимов"), QStringLiteral("Белов"),
                                  QStringLiteral("Волков"), QStringLiteral("Гусев"),
                                  QStringLiteral("Дьяков")};
    ASSERT_EQ(state.LaneShooter, firstRelay);

    test::Control<QRadioButton>(main, "OtherShooter")->setChecked(true);
    test::Control<QPushButton>(main, "BeginShooting")->click();
    auto* page = dynamic_cast<TShoots5*>(frame.ActivePage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(test::Control<QLabel>(page, "Shooter3")->text(), QStringLiteral("Волков"));
    test::Control<QPushButton>(page, "Start")->click();
    ASSERT_TRUE(
        test::RunUntil([&] { return page->Run().RunPhase() == RunSequence::Phase::Series; }, 3000));
    ASSERT_LT(range.sinceSim.elapsed(), 3300) << "the series must be on before the first pull";
    ASSERT_TRUE(test::RunUntil([&] { return range.sinceSim.elapsed() >= 7600; }, 10000));
    range.keyboard.Set(Key::Escape, true);
    test::RunUntil([&] { return page->Run().RunPhase() != RunSequence::Phase::Series; }, 2000);
    range.keyboard.Set(Key::Escape, false);
    ASSERT_TRUE(test::RunUntil([&] { return page->Run().Idle(); }, 3000));
    ASSERT_TRUE(test::RunUntil(
        [&] { return test::Control<QPushButton>(page, "SaveAll")->isEnabled(); }, 1000));

    const QDate today = QDate::currentDate();
    test::Control<QPushButton>(page, "SaveAll")->click();
    EXPECT_TRUE(range.dialogs.messages.empty());
    EXPECT_EQ(test::Control<QLabel>(page, "Status")->text(),
              QStringLiteral("Записано: 5 стрелков, группа Взвод 3"));
    // The month of the save, also across midnight.
    const QString rec = state.LastSavedFile;
    EXPECT_TRUE(
        rec ==
            QStringLiteral("%1/%2/Взвод_3.rec").arg(today.year()).arg(MonthName(today.month())) ||
        QDate::currentDate() != today)
        << rec.toStdString();
    const QByteArray file = dir.Read(rec);
    const auto records = ParseGroupFile(file);
    ASSERT_EQ(records.size(), 5U) << rec.toStdString();
    for (size_t lane = 0; lane < 5; ++lane) {
        const ResultRecord& r = records[lane];
        EXPECT_EQ(r.Shooter, firstRelay[lane]);
        EXPECT_EQ(r.ShotsMade, static_cast<int>(kPulls[lane].size())) << "lane " << lane;
        EXPECT_EQ(r.TargetType, 2);
        ASSERT_EQ(r.Shots.size(), kPulls[lane].size());
        for (const ShotPoint& shot : r.Shots) {
            EXPECT_NEAR(shot.x, -20.0F + 10.0F * static_cast<float>(lane), 0.5F) << lane;
            EXPECT_NEAR(shot.y, 10.0F, 0.5F) << lane;
        }
    }
    // The file ends in CR LF records of code page 1251.
    EXPECT_TRUE(file.startsWith(test::Cp1251Lines(QStringLiteral("Акимов\n"))));
    EXPECT_TRUE(file.endsWith("\r\n"));

    test::Control<QPushButton>(page, "NextRelay")->click();
    EXPECT_EQ(state.LaneShooter[0], QStringLiteral("Ершов"));
    EXPECT_TRUE(state.LaneShooter[1].isEmpty());
    EXPECT_FALSE(test::Control<QPushButton>(page, "SaveAll")->isEnabled());
    EXPECT_EQ(dir.Read(rec), file) << "the next relay writes nothing";
}
