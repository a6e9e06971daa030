#include "calibration/Calibration.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"
#include "support/ExerciseSettings.h"
#include "support/SimProcess.h"
#include "support/TempDir.h"
#include "zeroing/TPreShoot.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPushButton>

#include <algorithm>

using namespace ryvo;

namespace {

Settings ReadFile(const QString& path) {
    Settings s;
    ApplyBuiltInDefaults(s);
    EXPECT_TRUE(ReadCalibration(s, path, false));
    return s;
}

} // namespace

TEST(ZeroingE2E, CentreAndRightEdgeChangeTheCalibrationFile) {
    // Lane 0 at level 4000 (40 device units per target unit) aims at (25, 10) for the centre
    // shots, then at 80 units right of the raw centre for the edge shots.
    test::SimProcess sim("level 0 4000\n"
                         "aim 0 path 0:1000,400 5000:1000,400 5100:3200,0\n"
                         "trigger 0 2000 3000 6500 7500\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();

    test::TempDir dir;
    ProgramState state;
    test::UseSingleShooterSettings(state, 10, 2);
    state.settings.SerialPort = sim.Link();
    state.StartDir = dir.Path();
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    TPreShoot page(state, services);
    page.resize(1000, 700);
    page.FormActivate();
    ZeroingRun& run = page.Run();
    const QString datPath = dir.File(QStringLiteral("ryvw.dat"));

    // Collects until `shots` are counted, then holds Return until the run is idle again.
    auto measure = [&](const char* button, int shots) {
        page.findChild<QPushButton*>(QString::fromLatin1(button))->click();
        QElapsedTimer timer;
        timer.start();
        while (!run.Idle() && timer.elapsed() < 15000) {
            keyboard.Set(Key::Return, run.CountedShots() >= shots &&
                                          run.CurrentPhase() == ZeroingRun::Phase::Collecting);
            run.Tick();
        }
        keyboard.ReleaseAll();
        return run.Idle();
    };

    ASSERT_TRUE(measure("ButCent", 2)) << "the centre measurement did not end";
    EXPECT_EQ(run.CountedShots(), 2);
    // The cross stands on the mean point of the two shots, over the target.
    const QWidget* target = page.findChild<QWidget*>(QStringLiteral("Target"));
    const QWidget* cross = page.findChild<QWidget*>(QStringLiteral("MeanPoint"));
    ASSERT_NE(target, nullptr);
    ASSERT_NE(cross, nullptr);
    EXPECT_FALSE(cross->isHidden());
    const int side = target->width();
    EXPECT_NEAR(cross->geometry().center().x(), ToPixels(25.0F, side), 1);
    EXPECT_NEAR(cross->geometry().center().y(), ToPixels(10.0F, side), 1);
    Settings file = ReadFile(datPath);
    EXPECT_NEAR(file.CentX[0], -25.0F, 0.05F);
    EXPECT_NEAR(file.CentY[0], -10.0F, 0.05F);
    EXPECT_FLOAT_EQ(file.ScaleR[0], 1.0F);

    // u = 80 - 25 = 55 after the centre correction: the right scale becomes 100 / 55.
    ASSERT_TRUE(measure("ButRight", 2)) << "the edge measurement did not end";
    // Shots 80 units right of the raw centre, 55 after the correction.
    EXPECT_NEAR(cross->geometry().center().x(), ToPixels(55.0F, side), 1);
    file = ReadFile(datPath);
    EXPECT_NEAR(file.ScaleR[0], 100.0F / 55.0F, 0.005F);
    EXPECT_NEAR(file.CentX[0], -25.0F, 0.05F);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(state.Port, nullptr);

    // Escape leaves the file as it was.
    const QByteArray before = dir.Read(QStringLiteral("ryvw.dat"));
    page.findChild<QPushButton*>(QStringLiteral("ButUp"))->click();
    for (int i = 0; i < 50; ++i) {
        run.Tick();
    }
    keyboard.Set(Key::Escape, true);
    for (int i = 0; i < 5; ++i) {
        run.Tick();
    }
    keyboard.ReleaseAll();
    for (int i = 0; i < 10 && !run.Idle(); ++i) {
        run.Tick();
    }
    ASSERT_TRUE(run.Idle());
    EXPECT_EQ(dir.Read(QStringLiteral("ryvw.dat")), before);

    // Leaving without saving: memory as on entry, the file keeps both corrections.
    page.findChild<QPushButton*>(QStringLiteral("Exit1"))->click();
    EXPECT_FLOAT_EQ(state.settings.CentX[0], 0.0F);
    EXPECT_FLOAT_EQ(state.settings.ScaleR[0], 1.0F);
    EXPECT_EQ(dir.Read(QStringLiteral("ryvw.dat")), before);

    const std::vector<std::uint8_t> log = sim.StopAndReadLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], 0x00); // lane select before the first poll
    EXPECT_GE(std::count(log.begin(), log.end(), 0x80), 4);
}
