#include "app/Startup.h"
#include "archive/ArchiveStore.h"
#include "core/LaneAssignment.h"
#include "exercise/RelayDialog.h"
#include "exercise/TShoots5.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"
#include "support/SimProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <array>

using namespace ryvo;

namespace {

template <typename T> T* Control(QWidget* page, const char* name) {
    auto* control = page->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

bool RunUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || elapsed.elapsed() > limitMs) {
            loop.quit();
        }
    });
    poll.start(5);
    loop.exec();
    return done();
}

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
    QByteArray scenario;
    for (int lane = 0; lane < 5; ++lane) {
        scenario += QStringLiteral("level %1 4000\naim %1 fixed %2 400\ntrigger %1")
                        .arg(lane)
                        .arg(-800 + 400 * lane)
                        .toUtf8();
        for (int t : kPulls[static_cast<size_t>(lane)]) {
            scenario += ' ' + QByteArray::number(t);
        }
        scenario += '\n';
    }
    test::SimProcess sim(scenario);
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    QElapsedTimer sinceSim;
    sinceSim.start();

    test::TempDir dir;
    dir.Write(QStringLiteral("ryvw.cfg"),
              test::Cp1251Lines(QStringLiteral("SerialPort = %1\nIO_Serial = 1\n"
                                               "Target =  2 2 2 2 2\nShootsNumber = 10\n"
                                               "Time = 0\nShooter = 31\nEnableTrace = 1\n")
                                    .arg(sim.Link())));
    // Six shooters, as typed by hand on Windows.
    dir.Write(QStringLiteral("Взвод 3.grp"),
              test::Cp1251Lines(QStringLiteral("Акимов\nБелов\nВолков\nГусев\nДьяков\nЕршов\n")));
    ProgramState state;
    state.StartDir = dir.Path();
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    RyvoApplication app(state, services);
    app.CreateWindows();
    app.Start();
    TForm2& frame = app.Frame();
    ASSERT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 1, 1, 1}));

    Page* main = frame.ActivePage();
    ASSERT_EQ(main->ClassName(), QStringLiteral("TMainForm2"));
    Control<QPushButton>(main, "Groups")->click();
    Page* groups = frame.ActivePage();
    ASSERT_EQ(groups->ClassName(), QStringLiteral("TGroupsForm"));
    Control<QListWidget>(groups, "ListBox1")->setCurrentRow(0);
    Control<QPushButton>(groups, "Load")->click();
    Control<QPushButton>(groups, "Exit")->click();
    ASSERT_EQ(frame.ActivePage(), main);

    Control<QPushButton>(main, "Relay")->click();
    auto* relay = main->findChild<RelayDialog*>();
    ASSERT_NE(relay, nullptr);
    Control<QPushButton>(relay, "ByList")->click();
    Control<QPushButton>(relay, "Assign")->click();
    const LaneNames firstRelay = {QStringLiteral("Акимов"), QStringLiteral("Белов"),
                                  QStringLiteral("Волков"), QStringLiteral("Гусев"),
                                  QStringLiteral("Дьяков")};
    ASSERT_EQ(state.LaneShooter, firstRelay);

    Control<QRadioButton>(main, "OtherShooter")->setChecked(true);
    Control<QPushButton>(main, "BeginShooting")->click();
    auto* page = dynamic_cast<TShoots5*>(frame.ActivePage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Control<QLabel>(page, "Shooter3")->text(), QStringLiteral("Волков"));
    Control<QPushButton>(page, "Start")->click();
    ASSERT_TRUE(
        RunUntil([&] { return page->Run().RunPhase() == RunSequence::Phase::Series; }, 3000));
    ASSERT_LT(sinceSim.elapsed(), 3300) << "the series must be on before the first pull";
    ASSERT_TRUE(RunUntil([&] { return sinceSim.elapsed() >= 7600; }, 10000));
    keyboard.Set(Key::Escape, true);
    RunUntil([&] { return page->Run().RunPhase() != RunSequence::Phase::Series; }, 2000);
    keyboard.Set(Key::Escape, false);
    ASSERT_TRUE(RunUntil([&] { return page->Run().Idle(); }, 3000));
    ASSERT_TRUE(RunUntil([&] { return Control<QPushButton>(page, "SaveAll")->isEnabled(); }, 1000));

    const QDate today = QDate::currentDate();
    Control<QPushButton>(page, "SaveAll")->click();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Control<QLabel>(page, "Status")->text(),
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

    Control<QPushButton>(page, "NextRelay")->click();
    EXPECT_EQ(state.LaneShooter[0], QStringLiteral("Ершов"));
    EXPECT_TRUE(state.LaneShooter[1].isEmpty());
    EXPECT_FALSE(Control<QPushButton>(page, "SaveAll")->isEnabled());
    EXPECT_EQ(dir.Read(rec), file) << "the next relay writes nothing";
}
