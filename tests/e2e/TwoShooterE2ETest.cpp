#include "archive/ArchiveStore.h"
#include "exercise/TShoot2.h"
#include "targets/Scoring.h"

#include "SimRange.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

using namespace ryvo;

using test::Control;
using test::RunUntil;

namespace {

// Saves the shown lane's result through the save dialog into group `group`; returns the
// shooter name the dialog came up with.
QString SaveThroughDialog(TForm2& frame, Page* shoot, const char* button, const QString& group) {
    Control<QPushButton>(shoot, button)->click();
    Page* save = frame.ActivePage();
    EXPECT_EQ(save->ClassName(), QStringLiteral("TSave_Print"));
    const QString preset = Control<QComboBox>(save, "Shooters")->currentText();
    Control<QLineEdit>(save, "Group")->setText(group);
    Control<QPushButton>(save, "Exit")->click();
    EXPECT_EQ(frame.ActivePage(), shoot) << "the dialog hands back to the two-shooter window";
    return preset;
}

} // namespace

// Both shooters fire twice through the real serial port; each pull is one shot, and each
// shooter's record is saved under the name the window preset.
TEST(TwoShooterE2E, BothLanesFireAndEachRecordIsSavedWithItsShooter) {
    test::SimRange r("level 0 4000\nlevel 1 4000\n"
                     "aim 0 fixed 0 0\naim 1 fixed 1200 0\n"
                     "trigger 0 3000 4200\ntrigger 1 3400 4700\n");
    test::SimProcess& sim = *r.sim;
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();

    r.WriteSettings(QStringLiteral("Target =  1 1 -1 -1 -1\nShootsNumber = 2\n"
                                   "Time = 0\nShooter = 3\nEnableTrace = 1\n"));
    r.Start();
    const test::TempDir& dir = r.dir;
    ProgramState& state = r.state;
    ScriptedDialogs& dialogs = r.dialogs;
    TForm2& frame = r.Frame();
    ASSERT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 0}));

    Page* main = frame.ActivePage();
    Control<QRadioButton>(main, "Shooter3")->click();
    Control<QPushButton>(main, "BeginShooting")->click();
    auto* shoot = dynamic_cast<TShoot2*>(frame.ActivePage());
    ASSERT_NE(shoot, nullptr) << frame.ActivePage()->ClassName().toStdString();
    Control<QPushButton>(shoot, "Start")->click();
    ASSERT_TRUE(RunUntil(
        [&] {
            return state.run.ShotCount[0] == 2 && state.run.ShotCount[1] == 2 &&
                   shoot->Run().Idle();
        },
        20000))
        << "shots: " << state.run.ShotCount[0] << ", " << state.run.ShotCount[1];
    // A while longer: reports already fetched are not counted again.
    RunUntil([] { return false; }, 300);
    EXPECT_EQ(state.run.ShotCount[0], 2u);
    EXPECT_EQ(state.run.ShotCount[1], 2u);
    EXPECT_TRUE(dialogs.messages.empty());
    // The centre scores 10; shooter 2 aims 30 units right of it.
    EXPECT_EQ(state.run.ScoreSum[0], 20);
    const std::int32_t right = ScoreShot(30.0F, 0.0F, state.settings.Target[1]);
    EXPECT_LT(right, 10);
    EXPECT_EQ(state.run.ScoreSum[1], 2 * right);

    EXPECT_EQ(SaveThroughDialog(frame, shoot, "Save", QStringLiteral("Пара")),
              QStringLiteral("Стрелок 1"));
    EXPECT_EQ(SaveThroughDialog(frame, shoot, "Save2", QStringLiteral("Пара")),
              QStringLiteral("Стрелок 2"));

    QStringList files;
    QDirIterator it(dir.Path(), {QStringLiteral("*.rec")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << it.next();
    }
    ASSERT_EQ(files.size(), 1);
    QFile file(files[0]);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<ResultRecord> records = ParseGroupFile(file.readAll());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Shooter, QStringLiteral("Стрелок 1"));
    EXPECT_EQ(records[0].ShotsMade, 2);
    EXPECT_EQ(records[1].Shooter, QStringLiteral("Стрелок 2"));
    EXPECT_EQ(records[1].ShotsMade, 2);
    ASSERT_EQ(records[1].Shots.size(), 2u);
    EXPECT_NEAR(records[1].Shots[0].x, 30.0F, 0.05F);

    // On the line: both lanes polled in turn and each pull acknowledged once.
    const std::vector<std::uint8_t> log = sim.StopAndReadLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), 0x80), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), 0x81), 2);
    EXPECT_GT(std::count(log.begin(), log.end(), 0x71), 100);
}
