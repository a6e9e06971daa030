#include "app/Startup.h"
#include "archive/TSave_Print.h"
#include "exercise/TShoot1.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"
#include "support/TempDir.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

using namespace ryvo;

// From the main window into a series and through the save dialog back to the exercise window.
TEST(ExerciseFlow, MainWindowSeriesSaveDialogAndBack) {
    test::TempDir dir;
    dir.Write(QStringLiteral("ryvw.cfg"),
              test::Cp1251Lines(
                  "SerialPort = COM1\nIO_Serial = 1\nShooter = 1\nTarget = 2 -1 -1 -1 -1\n"));
    ProgramState state;
    state.StartDir = dir.Path();
    ManualClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    model.Lane(0).level = 4000;
    sim::SimulatedPortFactory ports(model, &clock);
    RecordingSound sound;
    sound.available = false;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    RyvoApplication app(state, services);
    app.CreateWindows();
    app.Start();
    TForm2& frame = app.Frame();
    ASSERT_EQ(state.LanePresent[0], 1);

    frame.ActivePage()->findChild<QPushButton*>(QStringLiteral("BeginShooting"))->click();
    auto* shoot = dynamic_cast<TShoot1*>(frame.ActivePage());
    ASSERT_NE(shoot, nullptr);
    EXPECT_EQ(state.CurrentLane, 0);
    const std::uint32_t shots = state.settings.ShootsNumber;
    ASSERT_GT(shots, 0u);

    shoot->findChild<QPushButton*>(QStringLiteral("Start"))->click();
    for (int i = 0; i < 20; ++i) {
        clock.Advance(10);
        shoot->Run().Tick();
    }
    for (std::uint32_t s = 0; s < shots && !shoot->Run().Idle(); ++s) {
        model.Lane(0).triggers.Pull();
        for (int i = 0; i < 30; ++i) {
            clock.Advance(10);
            shoot->Run().Tick();
        }
    }
    ASSERT_TRUE(shoot->Run().Idle());
    EXPECT_EQ(state.run.ShotCount[0], shots);
    EXPECT_EQ(state.run.ScoreSum[0], static_cast<std::int32_t>(10 * shots));

    shoot->findChild<QPushButton*>(QStringLiteral("Save"))->click();
    auto* dialog = dynamic_cast<TSave_Print*>(frame.ActivePage());
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QPushButton*>(QStringLiteral("Abort"))->click();
    EXPECT_EQ(frame.ActivePage(), shoot);
    EXPECT_EQ(state.ResultSource, 0);
    // Back from the dialog the statistics stay as they were.
    EXPECT_EQ(shoot->findChild<QLabel*>(QStringLiteral("Num"))->text(), QString::number(shots));
    shoot->findChild<QPushButton*>(QStringLiteral("Exit"))->click();
    EXPECT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TMainForm2"));
}
