#include "app/DemoDevice.h"
#include "app/TFirstStart.h"
#include "exercise/TShoot1.h"

#include "SimRange.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace ryvo;

using test::Control;
using test::RunUntil;

// The whole program, as a user drives it: start-up with the device check, a series of three
// shots launched from the main window, the result saved into the archive.
TEST(ProgramE2E, FreshStartThroughASeriesToTheArchive) {
    test::SimRange r("level 0 4000\nlevel 1 4000\n"
                     "aim 0 path 0:0,0 3000:0,0 3100:1000,0 5000:1000,0\n"
                     "trigger 0 2500 4000 4600\n");
    test::SimProcess& sim = *r.sim;
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();

    r.WriteSettings(QStringLiteral("Target =  1 1 -1 -1 -1\nShootsNumber = 3\n"
                                   "Time = 0\nShooter = 1\nEnableTrace = 1\n"));
    r.Start();
    const test::TempDir& dir = r.dir;
    ProgramState& state = r.state;
    ScriptedDialogs& dialogs = r.dialogs;
    TForm2& frame = r.Frame();

    // The device answered the start-up check: shooters 1 and 2 are present, no message.
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 0}));
    Page* main = frame.ActivePage();
    ASSERT_EQ(main->ClassName(), QStringLiteral("TMainForm2"));
    EXPECT_TRUE(Control<QRadioButton>(main, "Shooter1")->isChecked());

    Control<QPushButton>(main, "BeginShooting")->click();
    auto* shoot = dynamic_cast<TShoot1*>(frame.ActivePage());
    ASSERT_NE(shoot, nullptr);
    Control<QPushButton>(shoot, "Start")->click();
    ASSERT_TRUE(RunUntil([&] { return state.run.ShotCount[0] == 3 && shoot->Run().Idle(); }, 20000))
        << "shots: " << state.run.ShotCount[0];
    EXPECT_TRUE(dialogs.messages.empty());
    // N4 target: the centre scores 10, 25 units to the right 8.
    EXPECT_EQ(state.run.ScoreSum[0], 10 + 10 + 8) << state.run.LastScore[0];
    EXPECT_TRUE(Control<QPushButton>(shoot, "Save")->isEnabled());

    Control<QPushButton>(shoot, "Save")->click();
    Page* save = frame.ActivePage();
    ASSERT_EQ(save->ClassName(), QStringLiteral("TSave_Print"));
    Control<QLineEdit>(save, "Group")->setText(QStringLiteral("Первая группа"));
    Control<QComboBox>(save, "Shooters")->setEditText(QStringLiteral("Иванов"));
    Control<QPushButton>(save, "Exit")->click();
    EXPECT_EQ(frame.ActivePage(), shoot);

    // One record in <year>/<month>/Первая_группа.rec, naming the shooter.
    QStringList records;
    QDir root(dir.Path());
    for (const QString& year : root.entryList({QStringLiteral("2*")}, QDir::Dirs)) {
        QDir yearDir(root.filePath(year));
        for (const QString& month : yearDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            records
                << QDir(yearDir.filePath(month)).entryList({QStringLiteral("*.rec")}, QDir::Files);
        }
    }
    EXPECT_EQ(records, QStringList{QStringLiteral("Первая_группа.rec")});

    Control<QPushButton>(shoot, "Exit")->click();
    EXPECT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TMainForm2"));
}

// The device is off when the program starts; it is switched on, F5 checks again, and the
// shooter fires a registered shot without a restart.
TEST(ProgramE2E, DeviceSwitchedOnAfterStartupIsFoundByF5) {
    test::SimRange r;
    // A short path: the settings file keeps at most 53 characters of a port name.
    QTemporaryDir portDir(QDir::tempPath() + QStringLiteral("/ryvo-XXXXXX"));
    ASSERT_TRUE(portDir.isValid());
    const QString port = portDir.filePath(QStringLiteral("tty"));
    r.WriteSettings(QStringLiteral("Target =  1 -1 -1 -1 -1\nShootsNumber = 1\n"
                                   "Time = 0\nShooter = 1\n"),
                    port);
    r.Start();
    ProgramState& state = r.state;
    ScriptedDialogs& dialogs = r.dialogs;
    TForm2& frame = r.Frame();
    Page* main = frame.ActivePage();
    ASSERT_EQ(main->ClassName(), QStringLiteral("TMainForm2"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Не поступают данные через последовательный порт %1\n\n"
                             "Искать прибор на всех последовательных портах?")
                  .arg(port));
    EXPECT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{}));

    // Pulls until well after the search, which takes longer on a loaded machine: the series
    // needs one after its start.
    test::SimProcess sim(
        "level 0 4000\naim 0 fixed 0 0\ntrigger 0 1500 2500 3500 5000 7000 9000 12000 15000\n", {},
        port);
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(main, &f5);
    auto* status = Control<QLabel>(main, "DeviceStatus");
    ASSERT_TRUE(
        RunUntil([&] { return status->text().startsWith(QStringLiteral("Прибор")); }, 10000))
        << status->text().toStdString();
    EXPECT_EQ(status->text(), QStringLiteral("Прибор отвечает: стрелок 1"));
    EXPECT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{1, 0, 0, 0, 0}));

    Control<QPushButton>(main, "BeginShooting")->click();
    auto* shoot = dynamic_cast<TShoot1*>(frame.ActivePage());
    ASSERT_NE(shoot, nullptr);
    Control<QPushButton>(shoot, "Start")->click();
    ASSERT_TRUE(RunUntil([&] { return state.run.ShotCount[0] == 1 && shoot->Run().Idle(); }, 20000))
        << "shots: " << state.run.ShotCount[0];
    EXPECT_EQ(state.run.ScoreSum[0], 10); // the centre of the N4 target
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

using Session = test::SimRange;

// A fresh start directory, the device on a pseudo-terminal named in RYVO_EXTRA_PORTS: the
// first-start dialog finds it, lane 1 with the sport target is chosen, and a series runs
// through the real serial code. ryvw.cfg appears only when the settings are saved.
TEST(ProgramE2E, FirstStartDialogToASeriesBeforeAnythingIsWritten) {
    test::SimProcess sim("level 0 4000\nlevel 2 4000\naim 0 fixed 0 0\n"
                         "trigger 0 2500 3500\nfault silence lane=3\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    qputenv("RYVO_EXTRA_PORTS", sim.Link().toUtf8());
    Session s;
    s.Start(false);
    auto* first = dynamic_cast<TFirstStart*>(s.app->Frame().ActivePage());
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->findChild<QPushButton*>(QStringLiteral("Demo"))->isHidden());
    ASSERT_TRUE(RunUntil([&] { return !first->Searching(); }, 10000));
    qunsetenv("RYVO_EXTRA_PORTS");
    EXPECT_EQ(
        first->findChild<QLabel*>(QStringLiteral("FoundText"))->text(),
        QStringLiteral("Прибор найден на порту %1, отвечают стрелки: 1, 2, 3, 5.").arg(sim.Link()));
    EXPECT_FALSE(first->findChild<QCheckBox*>(QStringLiteral("Lane4"))->isEnabled());
    for (const char* lane : {"Lane2", "Lane3", "Lane5"}) {
        first->findChild<QCheckBox*>(QString::fromLatin1(lane))->setChecked(false);
    }
    first->findChild<QComboBox*>(QStringLiteral("TargetType"))->setCurrentIndex(1);
    first->findChild<QPushButton*>(QStringLiteral("UseDevice"))->click();
    TMainForm2* main = s.Main();
    ASSERT_EQ(s.app->Frame().ActivePage(), main);
    ASSERT_TRUE(RunUntil([&] { return s.Settled(); }, 10000));
    EXPECT_EQ(s.Status(), QStringLiteral("Прибор отвечает: стрелок 1"));
    EXPECT_EQ(s.state.settings.SerialPort, sim.Link());
    EXPECT_TRUE(main->findChild<QRadioButton*>(QStringLiteral("Sport"))->isChecked());
    EXPECT_TRUE(main->findChild<QRadioButton*>(QStringLiteral("Shooter1"))->isChecked());

    main->findChild<QPushButton*>(QStringLiteral("BeginShooting"))->click();
    auto* shoot = dynamic_cast<TShoot1*>(s.app->Frame().ActivePage());
    ASSERT_NE(shoot, nullptr);
    s.state.settings.Time = 0;
    s.state.settings.ShootsNumber = 2;
    Control<QPushButton>(shoot, "Start")->click();
    ASSERT_TRUE(
        RunUntil([&] { return s.state.run.ShotCount[0] == 2 && shoot->Run().Idle(); }, 20000))
        << "shots: " << s.state.run.ShotCount[0];
    EXPECT_EQ(s.state.run.ScoreSum[0], 20); // the centre of the sport target
    EXPECT_FALSE(s.SettingsWritten());

    Control<QPushButton>(shoot, "Exit")->click();
    main->findChild<QPushButton*>(QStringLiteral("SaveSettings"))->click();
    const QString saved = QString::fromUtf8(s.dir.Read(QStringLiteral("ryvw.cfg")));
    EXPECT_TRUE(saved.contains(QStringLiteral("SerialPort = %1").arg(sim.Link())))
        << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("IO_Serial = 1")));
}

// "Демонстрация" starts ryvo-sim on a pseudo-terminal for this session only: the lanes are
// checked against it, saving keeps the configured port, and it stops with the program.
TEST(ProgramE2E, DemonstrationRunsTheSimulatorForTheSessionOnly) {
    Session absent;
    absent.dir.Write(QStringLiteral("ryvw.cfg"), test::Cp1251Lines("IO_Serial = 0\n"));
    absent.Start(false);
    EXPECT_TRUE(absent.Main()->findChild<QPushButton*>(QStringLiteral("Demo"))->isHidden());
    EXPECT_TRUE(DemoDevice::SimulatorBeside(absent.dir.Path()).isEmpty());

    Session s;
    s.dir.Write(QStringLiteral("ryvw.cfg"),
                test::Cp1251Lines("SerialPort = COM7\nIO_Serial = 0\nTime = 10\n"));
    s.Start(true);
    auto* demo = s.Main()->findChild<QPushButton*>(QStringLiteral("Demo"));
    ASSERT_FALSE(demo->isHidden());
    demo->click();
    ASSERT_TRUE(RunUntil([&] { return s.Status().startsWith(QStringLiteral("Прибор")); }, 15000))
        << s.Status().toStdString();
    EXPECT_EQ(s.Status(), QStringLiteral("Прибор отвечает: стрелки 1, 2"));
    const QString link = s.app->Demo()->Link();
    ASSERT_FALSE(link.isEmpty());
    EXPECT_EQ(s.state.settings.SerialPort, link);
    EXPECT_EQ(s.state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 0}));
    s.Main()->findChild<QPushButton*>(QStringLiteral("SaveSettings"))->click();
    const QString saved = QString::fromUtf8(s.dir.Read(QStringLiteral("ryvw.cfg")));
    EXPECT_TRUE(saved.contains(QStringLiteral("SerialPort = COM7"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("IO_Serial = 0")));
    EXPECT_TRUE(saved.contains(QStringLiteral("Target =  1 1 -1 -1 -1")));
    // A port the user sets meanwhile is his own, and saved.
    s.app->Frame().Activate(QStringLiteral("TForm3"));
    Control<QLineEdit>(s.app->Frame().ActivePage(), "EditCom")
        ->setText(QStringLiteral("/dev/ttyUSB3"));
    Control<QPushButton>(s.app->Frame().ActivePage(), "Exit")->click();
    s.Main()->findChild<QPushButton*>(QStringLiteral("SaveSettings"))->click();
    const QString own = QString::fromUtf8(s.dir.Read(QStringLiteral("ryvw.cfg")));
    EXPECT_TRUE(own.contains(QStringLiteral("SerialPort = /dev/ttyUSB3"))) << own.toStdString();
    EXPECT_TRUE(own.contains(QStringLiteral("IO_Serial = 1")));
    EXPECT_TRUE(QFileInfo::exists(link));
    s.app.reset();
    EXPECT_FALSE(QFileInfo::exists(link)); // the simulator is gone with the session

    // Started in the demonstration: no first-start dialog, the device check finds it.
    Session start;
    start.Start(true, true);
    EXPECT_EQ(start.app->Frame().ActivePage(), start.Main());
    EXPECT_TRUE(start.dialogs.messages.empty());
    EXPECT_EQ(start.state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 0}));
    EXPECT_EQ(start.Status(), QStringLiteral("Прибор отвечает: стрелки 1, 2"));
    EXPECT_FALSE(start.SettingsWritten());
    start.Main()->findChild<QPushButton*>(QStringLiteral("SaveSettings"))->click();
    EXPECT_TRUE(QString::fromUtf8(start.dir.Read(QStringLiteral("ryvw.cfg")))
                    .contains(QStringLiteral("IO_Serial = 0")));
}
