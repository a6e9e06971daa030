#include "app/Startup.h"
#include "exercise/TShoots5.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"

#include "SimRange.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <array>
#include <map>
#include <vector>

using namespace ryvo;

using test::Control;

namespace {

// Fine-grained: the checks follow the simulator's pull times.
bool RunUntil(const std::function<bool()>& done, int limitMs) {
    return test::RunUntil(done, limitMs, 5);
}

void ClickPicture(QWidget* picture) {
    const QPointF at(60, 60);
    QMouseEvent press(QEvent::MouseButtonPress, at, picture->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(picture, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, picture->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(picture, &release);
}

// Trigger pulls per lane, ms after the simulator started. Lane 3 pulls again 60 ms after a
// shot (inside its lock-out); at 5000 ms all five lanes pull at once.
const std::array<std::vector<int>, 5> kPulls = {{
    {3500, 5000, 7500},
    {3700, 5000, 8000},
    {3900, 5000, 7000},
    {4000, 4060, 5000, 7700},
    {4300, 5000, 8200},
}};

} // namespace

// The whole program against ryvo-sim: five lanes firing, a lane selected during the run,
// every trigger acknowledged and counted once, the selected lane's record saved.
TEST(Shoots5E2E, FiveLanesFiringThroughTheSerialPort) {
    // Lane i aims at (-20 + 10 i, 10) target units: raw / 4000 * 100.
    test::SimRange r(test::FiveLaneScenario(kPulls, -800, 400, 400));
    test::SimProcess& sim = *r.sim;
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    const QElapsedTimer& sinceSim = r.sinceSim;

    r.WriteSettings(QStringLiteral("Target =  2 2 2 2 2\nShootsNumber = 10\n"
                                   "Time = 0\nShooter = 31\nEnableTrace = 1\n"));
    r.Start();
    const test::TempDir& dir = r.dir;
    ProgramState& state = r.state;
    ScriptedKeyboard& keyboard = r.keyboard;
    ScriptedDialogs& dialogs = r.dialogs;
    TForm2& frame = r.Frame();
    ASSERT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 1, 1, 1}));

    Page* main = frame.ActivePage();
    ASSERT_EQ(main->ClassName(), QStringLiteral("TMainForm2"));
    Control<QRadioButton>(main, "OtherShooter")->setChecked(true);
    Control<QPushButton>(main, "BeginShooting")->click();
    auto* page = dynamic_cast<TShoots5*>(frame.ActivePage());
    ASSERT_NE(page, nullptr) << "the five-lane window, not a placeholder";
    Control<QPushButton>(page, "Start")->click();
    ASSERT_TRUE(
        RunUntil([&] { return page->Run().RunPhase() == RunSequence::Phase::Series; }, 3000));
    ASSERT_LT(sinceSim.elapsed(), 3300) << "the series must be on before the first pull";

    // Lane 2 is selected by a click on its small target during the run.
    ASSERT_TRUE(RunUntil([&] { return sinceSim.elapsed() >= 6300; }, 10000));
    ClickPicture(Control<QWidget>(page, "Tar3"));
    EXPECT_EQ(state.CurrentLane, 2);
    ASSERT_TRUE(RunUntil([&] { return sinceSim.elapsed() >= 9000; }, 10000));
    keyboard.Set(Key::Escape, true);
    RunUntil([&] { return page->Run().RunPhase() != RunSequence::Phase::Series; }, 2000);
    keyboard.Set(Key::Escape, false);
    ASSERT_TRUE(RunUntil([&] { return page->Run().Idle(); }, 3000));
    EXPECT_TRUE(dialogs.messages.empty());

    const RunState& run = state.run;
    for (size_t lane = 0; lane < 5; ++lane) {
        EXPECT_EQ(run.ShotCount[lane], kPulls[lane].size()) << "lane " << lane;
        // Each shot at the lane's aim: sport target rings around (-20 + 10 i, 10).
        for (size_t s = 0; s < std::min<size_t>(run.ShotCount[lane], run.ShotPos[lane].size());
             ++s) {
            EXPECT_NEAR(run.ShotPos[lane][s].x, -20.0F + 10.0F * static_cast<float>(lane), 0.5F)
                << lane << " " << s;
            EXPECT_NEAR(run.ShotPos[lane][s].y, 10.0F, 0.5F) << lane << " " << s;
        }
    }

    // Every pull was acknowledged before the lane's next pull; the five pulls at 5000 ms were
    // fetched in one poll round of the selected lane.
    const auto log = sim.StopAndReadTimedLog();
    ASSERT_GT(log.size(), 1000u);
    for (size_t lane = 0; lane < 5; ++lane) {
        const auto& pulls = kPulls[lane];
        for (size_t p = 0; p < pulls.size(); ++p) {
            const double from = pulls[p];
            const double until = p + 1 < pulls.size() ? pulls[p + 1] : 1e9;
            const bool acknowledged = std::any_of(log.begin(), log.end(), [&](const auto& b) {
                return b.byte == 0x80 + lane && b.ms >= from && b.ms < until;
            });
            EXPECT_TRUE(acknowledged) << "lane " << lane << " pull at " << from;
        }
    }
    auto round = std::find_if(log.begin(), log.end(),
                              [](const auto& b) { return b.byte == 0x80 && b.ms >= 5000.0; });
    ASSERT_NE(round, log.end());
    const auto next = std::find_if(round, log.end(), [](const auto& b) { return b.byte == 0x70; });
    std::vector<std::uint8_t> fetched;
    for (auto it = round; it != next && fetched.size() < 10; ++it) {
        fetched.push_back(it->byte);
    }
    EXPECT_EQ(fetched, (std::vector<std::uint8_t>{0x80, 0x71, 0x81, 0x72, 0x82, 0x73, 0x83, 0x74,
                                                  0x84, 0x80}));

    // Lane 3 is selected and its record saved through the save dialog.
    ClickPicture(Control<QWidget>(page, "Tar4"));
    ASSERT_EQ(state.CurrentLane, 3);
    Control<QPushButton>(page, "Save")->click();
    Page* save = frame.ActivePage();
    ASSERT_EQ(save->ClassName(), QStringLiteral("TSave_Print"));
    Control<QLineEdit>(save, "Group")->setText(QStringLiteral("Пятерка"));
    Control<QComboBox>(save, "Shooters")->setEditText(QStringLiteral("Петров"));
    Control<QPushButton>(save, "Exit")->click();
    EXPECT_EQ(frame.ActivePage(), page) << "back to the five-lane window";
    EXPECT_EQ(state.SaveCount, 1u);
    QFile record(QDir(dir.Path()).filePath(state.LastSavedFile));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly)) << state.LastSavedFile.toStdString();
    const QByteArray text = record.readAll();
    EXPECT_TRUE(text.contains(QByteArray("\xcf\xe5\xf2\xf0\xee\xe2")))
        << "the shooter's name, in code page 1251";
    EXPECT_EQ(state.run.ShotCount[3], 4u);
}

// The simulator held off the processor for 300 ms across a pull, as on a loaded machine: the
// window's reads time out and the device answers the queued polls late, all at once. The
// answers after that must again belong to their own requests, so the other lanes' reports
// are fetched and each pull counts once.
TEST(Shoots5E2E, LateAnswersLeaveEveryLaterPullCountedOnce) {
    const std::array<std::vector<int>, 5> pulls = {{
        {3500, 4600, 5800},
        {3450, 4300, 5100, 6000},
        {3700, 4500, 5400},
        {3550, 4900, 5600},
        {4100, 5200, 6200},
    }};
    test::SimProcess sim(test::FiveLaneScenario(pulls, -800, 400, 400));
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    QElapsedTimer sinceSim;
    sinceSim.start();

    ProgramState state;
    Settings& s = state.settings;
    ApplyBuiltInDefaults(s);
    s.SerialPort = sim.Link();
    s.IO_Serial = 1;
    s.Shooter = 31;
    s.ShootsNumber = 10;
    s.Time = 0;
    s.EnableTrace = 1;
    for (size_t lane = 0; lane < 5; ++lane) {
        s.Target[lane] = 2;
        state.LanePresent[lane] = 1;
    }
    ApplySignalLimits(state);
    state.TraceLength = ComputeTraceLength(s);
    state.PortEverOpened = true;
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    sound.available = false;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    TShoots5 page(state, services);
    page.resize(1029, 646);
    page.show();
    page.FormActivate();
    page.StartClick();
    ASSERT_TRUE(
        RunUntil([&] { return page.Run().RunPhase() == RunSequence::Phase::Series; }, 3000));
    ASSERT_LT(sinceSim.elapsed(), 3300) << "the series must be on before the first pull";

    ASSERT_TRUE(RunUntil([&] { return sinceSim.elapsed() >= 3400; }, 5000));
    sim.Pause();
    RunUntil([&] { return sinceSim.elapsed() >= 3700; }, 1000);
    sim.Resume();
    ASSERT_TRUE(RunUntil([&] { return sinceSim.elapsed() >= 7000; }, 5000));
    keyboard.Set(Key::Escape, true);
    RunUntil([&] { return page.Run().RunPhase() != RunSequence::Phase::Series; }, 2000);
    keyboard.Set(Key::Escape, false);
    ASSERT_TRUE(RunUntil([&] { return page.Run().Idle(); }, 3000));

    for (size_t lane = 0; lane < 5; ++lane) {
        EXPECT_EQ(state.run.ShotCount[lane], pulls[lane].size()) << "lane " << lane;
    }
}
