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

    const std::vector<std::uint8_t> log = sim.StopAndReadLog();
    ASSERT_GT(log.size(), 60u);
    // All lamps off first and last: five times 0x20 + lane for each lane.
    std::vector<std::uint8_t> lampsOff;
    for (std::uint8_t lane = 0; lane < 5; ++lane) {
        lampsOff.insert(lampsOff.end(), 5, static_cast<std::uint8_t>(0x20 + lane));
    }
    EXPECT_EQ(std::vector<std::uint8_t>(log.begin(), log.begin() + 25), lampsOff);
    EXPECT_EQ(std::vector<std::uint8_t>(log.end() - 25, log.end()), lampsOff);
    EXPECT_EQ(std::vector<std::uint8_t>(log.begin() + 25, log.begin() + 29),
              (std::vector<std::uint8_t>{0x70, 0x71, 0x70, 0x71}));
    EXPECT_EQ(std::count(log.begin(), log.end(), 0x80), 6);
    EXPECT_GT(std::count(log.begin(), log.end(), 0x70), 1000);
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
