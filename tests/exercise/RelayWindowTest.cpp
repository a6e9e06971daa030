#include "archive/LaneSaves.h"
#include "exercise/RelayControls.h"
#include "exercise/RelayDialog.h"
#include "exercise/TShoots5.h"

#include "WindowHarness.h"

#include "archive/ArchiveStore.h"
#include "archive/SaveDialogModel.h"
#include "calibration/ShooterZero.h"
#include "core/LaneAssignment.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Printer.h"
#include "platform/Sound.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include "support/ExerciseSettings.h"
#include "support/RecordingNavigator.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace ryvo;

namespace {

std::vector<QString> Members() {
    return {QStringLiteral("Андреев"),  QStringLiteral("Борисов"),   QString(),
            QStringLiteral("Васильев"), QStringLiteral("Григорьев"), QStringLiteral("Данилов"),
            QStringLiteral("Егоров")};
}

// Lanes 1 to 4 present, lane 5 not; the group of seven loaded.
struct Window {
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
    std::unique_ptr<TShoots5> page;

    Window() {
        test::UseSingleShooterSettings(state, 2, 2);
        state.StartDir = dir.Path();
        state.settings.Shooter = 31;
        for (size_t lane = 0; lane < 5; ++lane) {
            state.settings.Target[lane] = 2;
            state.LanePresent[lane] = lane < 4 ? 1 : 0;
            model.Lane(static_cast<int>(lane)).level = 4000;
        }
        state.SoundAvailable = 0;
        state.PortEverOpened = true;
        state.GroupName = QStringLiteral("Взвод 1");
        state.LoadedGroup = 0;
        state.GroupMembers = Members();
        page = std::make_unique<TShoots5>(state, services);
        page->SetNavigator(&navigator);
        auto saving = std::make_unique<ArchiveRelaySaving>(page->Relay().Lanes());
        saving->now = [] { return SaveTime{2008, 12, 7, 9, 5}; };
        page->Relay().SetSaving(std::move(saving));
    }
    QPushButton* Button(const char* name) { return page->findChild<QPushButton*>(name); }
    QString Text(const char* name) { return page->findChild<QLabel*>(name)->text(); }
    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            clock.Advance(10);
            page->Run().Tick();
        }
    }
    // Lanes 1, 2 and 4 fire once each, lane 3 not at all.
    void Series() {
        Button("Start")->click();
        Tick(5);
        for (const char* name : {"Relay", "SaveAll", "NextRelay"}) {
            EXPECT_FALSE(Button(name)->isEnabled()) << name << " during the run";
        }
        for (int lane : {0, 1, 3}) {
            model.Lane(lane).triggers.Pull();
            Tick(30);
        }
        keyboard.Set(Key::Escape, true);
        Tick(2);
        keyboard.Set(Key::Escape, false);
        Tick(2);
        ASSERT_TRUE(page->Run().Idle());
        page->Ticks().KeepTicking();
    }
};

} // namespace

// The shooters stand above their targets; "Записать всех" saves the lanes that fired under
// their names once; "Следующая смена" brings the group's next shooters and a window without
// a series.
TEST(RelayWindow, FiveLanesNamedSavedOnceAndTheNextRelayCalled) {
    Window w;
    ASSERT_TRUE(AssignFromList(w.state));
    w.page->FormActivate();
    EXPECT_EQ(w.Text("Shooter1"), QStringLiteral("Андреев"));
    EXPECT_EQ(w.Text("Shooter2"), QStringLiteral("Борисов"));
    EXPECT_EQ(w.Text("Shooter4"), QStringLiteral("Григорьев"));
    EXPECT_FALSE(w.page->findChild<QLabel*>("Shooter5")->isVisibleTo(w.page.get()))
        << "lane 5 takes no part";
    EXPECT_EQ(w.Text("Shooter"), QStringLiteral("Мишень 1: Андреев"));
    w.page->Run().TarClick(1);
    w.page->Ticks().KeepTicking();
    EXPECT_EQ(w.Text("Shooter"), QStringLiteral("Мишень 2: Борисов"));
    EXPECT_FALSE(w.Button("SaveAll")->isEnabled()) << "no series of this window";
    EXPECT_FALSE(w.Button("NextRelay")->isEnabled());
    EXPECT_TRUE(w.Button("Relay")->isEnabled());

    // The program's one save dialog, made before any window opens it.
    ImagePrinter printer;
    SaveDialogModel dialog(w.state, &printer,
                           [] { return QDateTime(QDate(2008, 12, 7), QTime(9, 5)); });
    w.Series();
    ASSERT_TRUE(w.Button("SaveAll")->isEnabled());
    EXPECT_EQ(w.Button("SaveAll")->text(), QStringLiteral("Записать всех"));
    // Lane 2 is saved through the save dialog first; "Записать всех" leaves it out.
    w.page->Run().TarClick(1);
    w.Button("Save")->click();
    ASSERT_EQ(w.navigator.activated.back(), QStringLiteral("TSave_Print"));
    dialog.Activate();
    EXPECT_EQ(dialog.View().shooter, QStringLiteral("Борисов")) << "the lane's shooter offered";
    ASSERT_TRUE(dialog.Exit(QStringLiteral("Взвод 1"), dialog.View().shooter, QString()).handBack);
    w.page->FormActivate();
    w.Button("SaveAll")->click();
    EXPECT_EQ(w.Text("Status"), QStringLiteral("Записано: 2 стрелка, группа Взвод 1"));
    EXPECT_TRUE(w.dialogs.messages.empty());
    const QString rec = QStringLiteral("2008/Декабрь/Взвод_1.rec");
    const auto records = ParseGroupFile(w.dir.Read(rec));
    ASSERT_EQ(records.size(), 3U);
    EXPECT_EQ(records[0].Shooter, QStringLiteral("Борисов"));
    EXPECT_EQ(records[1].Shooter, QStringLiteral("Андреев"));
    EXPECT_EQ(records[2].Shooter, QStringLiteral("Григорьев"));
    for (const auto& r : records) {
        EXPECT_EQ(r.ShotsMade, 1);
    }
    EXPECT_FALSE(w.Button("SaveAll")->isEnabled());
    EXPECT_EQ(w.Button("SaveAll")->text(), QStringLiteral("Все записаны"));
    const QByteArray saved = w.dir.Read(rec);
    w.page->Relay().SaveAllClick();
    EXPECT_EQ(w.dir.Read(rec), saved) << "a series is saved once";
    EXPECT_EQ(w.Text("Status"), QStringLiteral("Эта серия уже записана"));

    ASSERT_TRUE(w.Button("NextRelay")->isEnabled());
    w.Button("NextRelay")->click();
    EXPECT_EQ(w.Text("Shooter1"), QStringLiteral("Данилов"));
    EXPECT_EQ(w.Text("Shooter2"), QStringLiteral("Егоров"));
    EXPECT_EQ(w.Text("Shooter3"), QStringLiteral("—"));
    EXPECT_EQ(ParseLaneShooters(w.dir.Read(QStringLiteral("ryvw.lns")))[1],
              QStringLiteral("Егоров"));
    for (const char* name : {"Save", "Print", "SaveAll", "NextRelay"}) {
        EXPECT_FALSE(w.Button(name)->isEnabled()) << name << ": ready for a new series";
    }
    EXPECT_TRUE(w.Button("Start")->isEnabled());
    EXPECT_TRUE(w.Text("Status").startsWith(QStringLiteral("Следующая смена: 1 — Данилов")))
        << w.Text("Status").toStdString();

    // The next series, saved under the new relay; a lane without a shooter is said.
    w.Series();
    w.Button("SaveAll")->click();
    EXPECT_EQ(w.Text("Status"),
              QStringLiteral("Записано: 2 стрелка, группа Взвод 1; без стрелка, не записаны "
                             "мишени 4"));
    EXPECT_EQ(ParseGroupFile(w.dir.Read(rec)).size(), 5U);
}

TEST(RelayWindow, TheDialogAssignsLaneByLaneOrByList) {
    test::TempDir dir;
    ProgramState state;
    state.StartDir = dir.Path();
    state.LanePresent = {1, 1, 0, 1, 1};
    state.LoadedGroup = 0;
    state.GroupMembers = Members();
    state.GroupName = QStringLiteral("Взвод 1");
    state.LaneShooter[0] = QStringLiteral("Гость");
    {
        RelayDialog dialog(state, {});
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Смена"));
        EXPECT_EQ(dialog.findChild<QLineEdit*>("Group")->text(), QStringLiteral("Взвод 1"));
        EXPECT_EQ(dialog.LaneBox(0)->currentText(), QStringLiteral("Гость"));
        ASSERT_EQ(dialog.LaneBox(1)->count(), 6) << "the group's members, the empty line left out";
        EXPECT_EQ(dialog.LaneBox(1)->itemText(2), QStringLiteral("Васильев")) << "list order";
        EXPECT_FALSE(dialog.LaneBox(2)->isEnabled()) << "an absent lane";
        dialog.LaneBox(1)->setEditText(QStringLiteral("Кто-то"));
        dialog.findChild<QPushButton*>("Cancel")->click();
        EXPECT_TRUE(state.LaneShooter[1].isEmpty()) << "nothing changes without Назначить";
        EXPECT_FALSE(dir.Exists(QStringLiteral("ryvw.lns")));
    }
    // Васильев zeroed his own weapon.
    const LaneCalibration own{20.0F, -8.0F, 1.25F, 1.75F, 0.5F, 4.0F};
    ASSERT_TRUE(WriteShooterZero(state, QStringLiteral("Васильев"), own));
    RelayDialog dialog(state, {});
    bool assigned = false;
    dialog.onAssigned = [&] { assigned = true; };
    dialog.findChild<QPushButton*>("ByList")->click();
    EXPECT_EQ(dialog.LaneBox(0)->currentText(), QStringLiteral("Андреев"));
    EXPECT_EQ(dialog.LaneBox(3)->currentText(), QStringLiteral("Васильев"));
    EXPECT_EQ(dialog.LaneBox(4)->currentText(), QStringLiteral("Григорьев"));
    EXPECT_EQ(state.LaneShooter[0], QStringLiteral("Гость")) << "not before Назначить";
    dialog.LaneBox(4)->setEditText(QStringLiteral("  Гость  "));
    dialog.findChild<QLineEdit*>("Group")->setText(QStringLiteral("Взвод 2"));
    dialog.findChild<QPushButton*>("Assign")->click();
    EXPECT_TRUE(assigned);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const LaneNames expected = {QStringLiteral("Андреев"), QStringLiteral("Борисов"), QString(),
                                QStringLiteral("Васильев"), QStringLiteral("Гость")};
    EXPECT_EQ(state.LaneShooter, expected);
    EXPECT_EQ(state.GroupName, QStringLiteral("Взвод 2"));
    EXPECT_EQ(ParseLaneShooters(dir.Read(QStringLiteral("ryvw.lns"))), expected);
    EXPECT_TRUE(ShooterZeroApplies(state, 3)) << "his zero follows him to lane 4";
    EXPECT_FALSE(ShooterZeroApplies(state, 0));

    // The two-shooter window's dialog offers its two lanes only.
    RelayDialog two(state, {0, 1});
    EXPECT_TRUE(two.LaneBox(1)->isEnabled());
    EXPECT_FALSE(two.LaneBox(3)->isEnabled());
}

// The single window names the shooter of its lane when one stands there.
TEST(RelayWindow, TheSingleWindowNamesItsLanesShooter) {
    test::Window w;
    QLabel* name = w.page.findChild<QLabel*>("Shooter");
    ASSERT_NE(name, nullptr);
    w.page.FormActivate();
    EXPECT_FALSE(name->isVisibleTo(&w.page)) << "nobody assigned";
    w.state.settings.Shooter = 2;
    w.state.LaneShooter[1] = QStringLiteral("Борисов");
    w.page.FormActivate();
    EXPECT_TRUE(name->isVisibleTo(&w.page));
    EXPECT_EQ(name->text(), QStringLiteral("Мишень 2: Борисов"));
}
