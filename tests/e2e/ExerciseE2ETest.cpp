#include "exercise/TShoot1.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"
#include "support/ExerciseSettings.h"
#include "support/SimProcess.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QTableView>

#include <algorithm>
#include <array>
#include <cstddef>

using namespace ryvo;

TEST(ExerciseE2E, SeriesOfThreeShotsAgainstTheSimulator) {
    // Lane 0 aims at three points in turn and fires at each once it has settled; level 4000
    // makes raw 1000 a quarter, 25 target units with the default calibration.
    test::SimProcess sim("level 0 4000\n"
                         "aim 0 path 0:1000,0 3000:1000,0 3100:-2000,1200 5000:-2000,1200 "
                         "5100:0,0\n"
                         "trigger 0 2500 4500 6500\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();

    ProgramState state;
    test::UseSingleShooterSettings(state, 3, 2);
    state.settings.SerialPort = sim.Link();
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    TShoot1 page(state, services);

    page.FormActivate();
    page.StartClick();
    QElapsedTimer timer;
    timer.start();
    while (!page.Run().Idle() && timer.elapsed() < 20000) {
        page.Run().Tick();
    }
    ASSERT_TRUE(page.Run().Idle()) << "the series did not end";
    EXPECT_TRUE(dialogs.messages.empty());

    const RunState& run = state.run;
    ASSERT_EQ(run.ShotCount[0], 3u);
    const std::vector<ShotPoint> expected = {{25.0F, 0.0F}, {-50.0F, 30.0F}, {0.0F, 0.0F}};
    std::int32_t sum = 0;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(run.ShotPos[0][i].x, expected[i].x, 0.05F) << i;
        EXPECT_NEAR(run.ShotPos[0][i].y, expected[i].y, 0.05F) << i;
        sum += ScoreShot(expected[i].x, expected[i].y, 2);
    }
    EXPECT_EQ(sum, 8 + 5 + 10);
    EXPECT_EQ(run.ScoreSum[0], sum);
    EXPECT_EQ(run.LastScore[0], 10);
    // The third trigger came 6.5 s after the simulator started, the run a little later.
    EXPECT_GT(run.ShootTime[0], 3.0F);
    EXPECT_LT(run.ShootTime[0], 6.6F);
    EXPECT_EQ(page.findChild<QLabel*>(QStringLiteral("SymE"))->text(), QStringLiteral("  23"));
    EXPECT_EQ(page.findChild<QLabel*>(QStringLiteral("Num"))->text(), QStringLiteral("3"));
    EXPECT_EQ(state.Port, nullptr);

    const std::vector<test::SimProcess::LoggedByte> timed = sim.StopAndReadTimedLog();
    std::vector<std::uint8_t> log;
    for (const auto& b : timed) {
        log.push_back(b.byte);
    }
    ASSERT_GT(log.size(), 60u);
    // Five flush polls of lanes 0 and 1 as Start is pressed, then all lamps off; all lamps
    // off last too: five times 0x20 + lane for each lane.
    std::vector<std::uint8_t> flush;
    for (int round = 0; round < 5; ++round) {
        flush.insert(flush.end(), {0x70, 0x71});
    }
    std::vector<std::uint8_t> lampsOff;
    for (std::uint8_t lane = 0; lane < 5; ++lane) {
        lampsOff.insert(lampsOff.end(), 5, static_cast<std::uint8_t>(0x20 + lane));
    }
    EXPECT_EQ(std::vector<std::uint8_t>(log.begin(), log.begin() + 10), flush);
    EXPECT_EQ(std::vector<std::uint8_t>(log.begin() + 10, log.begin() + 35), lampsOff);
    EXPECT_EQ(std::vector<std::uint8_t>(log.end() - 25, log.end()), lampsOff);
    // Each trigger frame is acknowledged twice. A frame the device sent before the first
    // acknowledge reached it repeats the report and is acknowledged as well (an answer late
    // past the read time-out on a loaded machine), so a report may take more than two; the
    // shot count above shows none was registered twice.
    const std::array<double, 4> pulls = {2500.0, 4500.0, 6500.0, 1e12};
    for (size_t i = 0; i + 1 < pulls.size(); ++i) {
        const auto acks = std::count_if(timed.begin(), timed.end(), [&](const auto& b) {
            return b.byte == 0x80 && b.ms >= pulls[i] && b.ms < pulls[i + 1];
        });
        EXPECT_GE(acks, 2) << "pull " << i;
        EXPECT_EQ(acks % 2, 0) << "pull " << i;
    }
    EXPECT_EQ(std::count_if(timed.begin(), timed.end(),
                            [](const auto& b) { return b.byte == 0x80 && b.ms < 2500.0; }),
              0);
    // One poll of the lane per pass, after the five flush rounds.
    EXPECT_EQ(std::count(log.begin(), log.end(), 0x70),
              static_cast<std::ptrdiff_t>(page.Run().Passes() + 5));
}

TEST(ExerciseE2E, ReportAnsweredLateIsCountedOnceAndLaterAnswersKeepStep) {
    // The simulator is held off the processor across the first pull, as on a loaded machine:
    // the window's reads time out, its polls queue, and the device answers all of them at
    // once, each frame with the report that stands until the first acknowledge arrives.
    test::SimProcess sim("level 0 4000\naim 0 fixed 1000 0\ntrigger 0 2500 4500\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    QElapsedTimer sinceSim;
    sinceSim.start();

    ProgramState state;
    test::UseSingleShooterSettings(state, 2, 2);
    state.settings.SerialPort = sim.Link();
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    TShoot1 page(state, services);

    page.FormActivate();
    page.StartClick();
    bool paused = false;
    bool resumed = false;
    while (!page.Run().Idle() && sinceSim.elapsed() < 20000) {
        if (!paused && sinceSim.elapsed() >= 2400) {
            sim.Pause();
            paused = true;
        }
        if (paused && !resumed && sinceSim.elapsed() >= 2700) {
            sim.Resume();
            resumed = true;
        }
        page.Run().Tick();
    }
    sim.Resume();
    ASSERT_TRUE(page.Run().Idle()) << "the series did not end";
    EXPECT_EQ(state.run.ShotCount[0], 2u);
    EXPECT_NEAR(state.run.ShotPos[0][0].x, 25.0F, 0.05F);

    // Frames the device sent before the first acknowledge reached it repeat the report and
    // are acknowledged too; by the next pull the answers keep step with their polls again,
    // so that report is acknowledged by one frame, twice.
    const auto timed = sim.StopAndReadTimedLog();
    auto acks = [&](double from, double until) {
        return std::count_if(timed.begin(), timed.end(), [&](const auto& b) {
            return b.byte == 0x80 && b.ms >= from && b.ms < until;
        });
    };
    EXPECT_GE(acks(2500.0, 4500.0), 2);
    EXPECT_EQ(acks(2500.0, 4500.0) % 2, 0);
    EXPECT_EQ(acks(4500.0, 1e12), 2);
}

TEST(ExerciseE2E, ShotsFiredThroughThePortFillTheWindowsShotTable) {
    // Four holes on a square round the centre, 25 units off each axis, 1.5 s apart.
    test::SimProcess sim("level 0 4000\n"
                         "aim 0 path 0:1000,1000 1700:1000,1000 1800:-1000,1000 "
                         "3200:-1000,1000 3300:-1000,-1000 4700:-1000,-1000 4800:1000,-1000\n"
                         "trigger 0 1500 3000 4500 6000\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();

    ProgramState state;
    test::UseSingleShooterSettings(state, 4, 2);
    state.settings.SerialPort = sim.Link();
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    TShoot1 page(state, services);
    auto* table = page.findChild<QTableView*>(QStringLiteral("ShotTable"));
    ASSERT_NE(table, nullptr);

    page.FormActivate();
    page.StartClick();
    QElapsedTimer timer;
    timer.start();
    while (!page.Run().Idle() && timer.elapsed() < 20000) {
        page.Run().Tick();
    }
    ASSERT_TRUE(page.Run().Idle()) << "the series did not end";
    ASSERT_EQ(state.run.ShotCount[0], 4u);

    const QAbstractItemModel* m = table->model();
    ASSERT_EQ(m->rowCount(), 4);
    const std::vector<ShotPoint> square = {{25, 25}, {-25, 25}, {-25, -25}, {25, -25}};
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        const ShotPoint p = square[static_cast<size_t>(row)];
        EXPECT_EQ(m->data(m->index(row, 0)).toString(), QString::number(row + 1));
        EXPECT_EQ(m->data(m->index(row, 3)).toString(), QString::number(ScoreShot(p.x, p.y, 2)));
        if (row > 0) {
            // The triggers came 1.5 s apart; the poll loop takes them within a few passes.
            EXPECT_NEAR(m->data(m->index(row, 2)).toString().toDouble(), 1.5, 0.15);
        }
    }
    const double first = m->data(m->index(0, 1)).toString().toDouble();
    EXPECT_GT(first, 0.0);
    EXPECT_LT(first, 1.6);

    const QStringList figures =
        page.findChild<QLabel*>(QStringLiteral("GroupFigures"))->text().split(QLatin1Char('\n'));
    ASSERT_GE(figures.size(), 6);
    EXPECT_EQ(figures[0], QStringLiteral("СТП: x̄ 0.0, ȳ 0.0 (в центре)"));
    EXPECT_EQ(figures[1], QStringLiteral("Разброс: 70.7"));
    EXPECT_EQ(figures[2], QStringLiteral("Средний радиус: 35.4"));
    EXPECT_EQ(figures[4], QStringLiteral("Вне мишени: 0"));
    EXPECT_EQ(figures[5], QStringLiteral("По тёмной мишени: 0"));
}

TEST(ExerciseE2E, ASilentDeviceLeavesTheWindowItsTurnWhateverTheRedrawInterval) {
    // A redraw interval of 1000 passes, and the device silent for 1.5 s: each poll waits out
    // the port's read time-out, and a tick must still come back to the event loop.
    test::SimProcess sim("level 0 4000\naim 0 fixed 1000 0\ntrigger 0 3000\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    QElapsedTimer sinceSim;
    sinceSim.start();

    ProgramState state;
    test::UseSingleShooterSettings(state, 1, 2);
    state.settings.SerialPort = sim.Link();
    state.settings.NumReps = 1000;
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    TShoot1 page(state, services);

    page.FormActivate();
    page.StartClick();
    bool paused = false;
    bool resumed = false;
    qint64 longestTick = 0;
    QElapsedTimer tick;
    while (!page.Run().Idle() && sinceSim.elapsed() < 20000) {
        if (!paused && sinceSim.elapsed() >= 1000) {
            sim.Pause();
            paused = true;
        }
        if (paused && !resumed && sinceSim.elapsed() >= 2500) {
            sim.Resume();
            resumed = true;
        }
        tick.start();
        page.Run().Tick();
        longestTick = std::max(longestTick, tick.elapsed());
    }
    sim.Resume();
    ASSERT_TRUE(page.Run().Idle()) << "the series did not end";
    EXPECT_EQ(state.run.ShotCount[0], 1u);
    // 100 ms of passes and the one under way (60 ms); the device stayed silent for 1500 ms.
    EXPECT_LT(longestTick, 1000) << "a tick held the window while the device was silent";
}
