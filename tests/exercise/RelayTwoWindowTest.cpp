#include "archive/LaneSaves.h"
#include "exercise/RelayControls.h"
#include "exercise/TShoot2.h"

#include "archive/ArchiveStore.h"
#include "calibration/ShooterZero.h"
#include "core/LaneAssignment.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include "support/ExerciseSettings.h"
#include "support/RecordingNavigator.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPushButton>

using namespace ryvo;

namespace {} // namespace

// Both panels name their shooter; "Записать всех" keeps both lanes under their names, and a
// write that fails is said with the lane; "Следующая смена" brings the next two.
TEST(RelayTwoWindow, BothShootersNamedAndSavedInOneStep) {
    test::TempDir dir;
    ProgramState state;
    ManualClock clock{1000};
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock};
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    test::RecordingNavigator navigator;
    test::UseSingleShooterSettings(state, 1, 2);
    state.StartDir = dir.Path();
    state.settings.Shooter = 3;
    state.settings.Target[1] = 1;
    state.LanePresent = {1, 1, 1, 0, 0};
    state.SoundAvailable = 0;
    model.Lane(0).level = 4000;
    model.Lane(1).level = 4000;
    state.GroupName = QStringLiteral("Пара");
    state.LoadedGroup = 0;
    state.GroupMembers = {QStringLiteral("Первый"), QStringLiteral("Второй"),
                          QStringLiteral("Третий")};
    state.LaneShooter[2] = QStringLiteral("Не здесь");
    ASSERT_TRUE(AssignFromList(state, {0, 1}));
    // Второй brought his own zero.
    ASSERT_TRUE(WriteShooterZero(state, QStringLiteral("Второй"),
                                 LaneCalibration{20.0F, -8.0F, 1.25F, 1.75F, 0.5F, 4.0F}));
    ApplyShooterZeros(state);
    TShoot2 page(state, services);
    page.SetNavigator(&navigator);
    auto saving = std::make_unique<ArchiveRelaySaving>(page.Relay().Lanes());
    saving->now = [] { return SaveTime{2008, 12, 7, 9, 5}; };
    page.Relay().SetSaving(std::move(saving));
    auto button = [&](const char* name) { return page.findChild<QPushButton*>(name); };
    auto text = [&](const char* name) { return page.findChild<QLabel*>(name)->text(); };
    auto tick = [&](int times) {
        for (int i = 0; i < times; ++i) {
            clock.Advance(10);
            page.Run().Tick();
        }
    };
    page.FormActivate();
    EXPECT_EQ(text("Shooter1"), QStringLiteral("Первый"));
    EXPECT_EQ(text("Shooter2"), QStringLiteral("Второй (своя пристрелка)"));
    EXPECT_FALSE(button("SaveAll")->isEnabled());

    button("Start")->click();
    tick(60);
    for (int lane : {0, 1}) {
        model.Lane(lane).triggers.Pull();
        tick(40);
    }
    tick(5);
    ASSERT_TRUE(page.Run().Idle());
    page.Ticks().KeepTicking();
    ASSERT_TRUE(button("SaveAll")->isEnabled());
    // The month folder is taken by a file: every write fails, and each lane is named.
    dir.Write(QStringLiteral("2008"), "x");
    button("SaveAll")->click();
    ASSERT_EQ(dialogs.messages.size(), 1U);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("Мишень 1 (Первый)")));
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("Мишень 2 (Второй)")));
    EXPECT_TRUE(button("SaveAll")->isEnabled()) << "nothing saved yet";
    EXPECT_FALSE(button("NextRelay")->isEnabled());
    QFile::remove(dir.File(QStringLiteral("2008")));

    button("SaveAll")->click();
    EXPECT_EQ(text("StatusLine"), QStringLiteral("Записано: 2 стрелка, группа Пара"));
    const auto records = ParseGroupFile(dir.Read(QStringLiteral("2008/Декабрь/Пара.rec")));
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[0].Shooter, QStringLiteral("Первый"));
    EXPECT_EQ(records[1].Shooter, QStringLiteral("Второй"));
    EXPECT_EQ(records[1].TargetType, state.settings.Target[1]);
    EXPECT_EQ(button("SaveAll")->text(), QStringLiteral("Все записаны"));

    button("NextRelay")->click();
    EXPECT_EQ(text("Shooter1"), QStringLiteral("Третий"));
    EXPECT_EQ(text("Shooter2"), QStringLiteral("—"));
    EXPECT_FALSE(ShooterZeroApplies(state, 1)) << "the lane's own zero is back";
    EXPECT_EQ(state.LaneShooter[2], QStringLiteral("Не здесь")) << "not a lane of this window";
    EXPECT_FALSE(button("Save")->isEnabled());
    EXPECT_FALSE(button("SaveAll")->isEnabled());
}
