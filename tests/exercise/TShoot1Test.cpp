#include "exercise/TShoot1.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include "support/ExerciseSettings.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace ryvo;
using Phase = SingleShooterRun::Phase;

namespace {

class RecordingNavigator final : public Navigator {
public:
    void Activate(const QString& className) override { activated << className; }
    Page* Find(const QString&) const override { return nullptr; }
    Page* ActivePage() const override { return nullptr; }
    QStringList activated;
};

struct Window {
    ProgramState state;
    ManualClock clock{1000};
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock};
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    RecordingNavigator navigator;
    TShoot1 page{state, services};

    Window() {
        test::UseSingleShooterSettings(state, 2, 1);
        state.SoundAvailable = 0;
        page.SetNavigator(&navigator);
        model.Lane(0).level = 3000;
    }
    QPushButton* Button(const char* name) { return page.findChild<QPushButton*>(name); }
    QString Label(const char* name) { return page.findChild<QLabel*>(name)->text(); }
    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            clock.Advance(10);
            page.Run().Tick();
        }
    }
};

} // namespace

TEST(TShoot1Window, ControlsThroughARun) {
    Window w;
    for (const char* name :
         {"Panel1",  "Target",    "Gun2",         "PostGun", "LeftArrow", "RightArrow",
          "UpArrow", "DownArrow", "GroupBoxStat", "Fail",    "FailArrow", "ImageActive",
          "Signal",  "SignalI",   "SigText",      "Image1",  "Image2",    "Image3",
          "Image4",  "Label1",    "FirstTime",    "Label2"}) {
        EXPECT_NE(w.page.findChild<QWidget*>(name), nullptr) << name;
    }
    EXPECT_EQ(w.page.objectName(), QStringLiteral("TShoot1"));
    EXPECT_EQ(w.Button("Start")->text(), QStringLiteral("Начало стрельбы"));
    EXPECT_EQ(w.Button("Save")->text(), QStringLiteral("Записать"));
    EXPECT_EQ(w.Button("Print")->text(), QStringLiteral("Печать"));
    EXPECT_EQ(w.Button("ViewShoots")->text(), QStringLiteral("Просмотреть выстрелы"));
    EXPECT_EQ(w.Button("Exit")->text(), QStringLiteral("&Выход"));
    EXPECT_EQ(w.page.findChild<QGroupBox*>("GroupBoxStat")->title(), QStringLiteral("Статистика"));
    EXPECT_EQ(w.page.findChild<QGroupBox*>("Signal")->title(), QStringLiteral("Сигнал"));
    EXPECT_EQ(w.Label("NumT"), QStringLiteral("Произведен выстрел N"));
    EXPECT_EQ(w.Label("Label2"), QStringLiteral("Первый выстрел"));
    EXPECT_EQ(w.page.findChild<QWidget*>("Target")->size(), QSize(526, 526));
    EXPECT_EQ(w.page.findChild<QWidget*>("SignalI")->size(), QSize(235, 39));

    w.page.FormActivate();
    EXPECT_TRUE(w.page.findChild<QLabel*>("Num")->font().bold());
    EXPECT_TRUE(w.Button("Start")->isEnabled());
    EXPECT_FALSE(w.Button("Save")->isEnabled());
    EXPECT_FALSE(w.Button("ViewShoots")->isEnabled());

    w.Button("Start")->click();
    for (const char* name : {"Start", "Save", "Print", "ViewShoots", "Exit"}) {
        EXPECT_FALSE(w.Button(name)->isEnabled()) << name;
    }
    w.Tick(30);
    ASSERT_EQ(w.page.Run().CurrentPhase(), Phase::Series);
    EXPECT_EQ(w.Label("TimeC"), QStringLiteral("  0 сек"));
    EXPECT_EQ(w.Label("FirstTime"), QStringLiteral("0 cек"));
    EXPECT_EQ(w.Label("AverSym"), QStringLiteral(" 0.0"));
    w.page.FlushDisplay();
    EXPECT_TRUE(w.page.findChild<QWidget*>("Gun2")->isVisibleTo(&w.page));
    // Aim at the centre: the marker's middle sits on the middle of the picture.
    EXPECT_EQ(w.page.findChild<QWidget*>("Gun2")->pos(), QPoint(263 - 10, 263 - 10));

    w.Button("Exit")->click();
    EXPECT_TRUE(w.navigator.activated.isEmpty()) << "no exit while running";
    for (int shot = 0; shot < 2; ++shot) {
        w.model.Lane(0).triggers.Pull();
        w.Tick(30);
    }
    w.Tick(5);
    ASSERT_TRUE(w.page.Run().Idle());
    EXPECT_EQ(w.Label("Num"), QStringLiteral("2"));
    EXPECT_EQ(w.Label("Res"), QStringLiteral("10"));
    EXPECT_EQ(w.Label("SymE"), QStringLiteral("  20"));
    EXPECT_EQ(w.Label("AverSym"), QStringLiteral("10.0"));
    EXPECT_EQ(w.Label("SigText"), QStringLiteral("Уровень=3000"));
    for (const char* name : {"Start", "Save", "Print", "ViewShoots", "Exit"}) {
        EXPECT_TRUE(w.Button(name)->isEnabled()) << name;
    }

    w.Button("Save")->click();
    EXPECT_EQ(w.navigator.activated, QStringList{"TSave_Print"});
    EXPECT_EQ(w.state.ResultSource, 1);
    w.page.FormActivate();
    w.Button("Exit")->click();
    EXPECT_EQ(w.navigator.activated.back(), QStringLiteral("TMainForm2"));
}

TEST(TShoot1Window, SilentDeviceShowsNoLevelAndEscapeEnds) {
    Window w;
    w.model.GetFaults().Set(sim::Fault::Silence);
    w.page.FormActivate();
    w.Button("Start")->click();
    w.Tick(5);
    ASSERT_EQ(w.page.Run().CurrentPhase(), Phase::Series);
    w.Tick(3);
    w.page.FlushDisplay();
    EXPECT_FALSE(w.page.findChild<QWidget*>("Gun2")->isVisibleTo(&w.page));
    w.keyboard.Set(Key::Escape, true);
    w.Tick(2);
    w.keyboard.Set(Key::Escape, false);
    w.Tick(3);
    EXPECT_TRUE(w.page.Run().Idle());
    EXPECT_FALSE(w.Button("Save")->isEnabled());
    EXPECT_TRUE(w.Button("Start")->isEnabled());
}

TEST(TShoot1Window, LevelBarSpansTheSignalGroup) {
    Window w;
    w.page.resize(1024, 768);
    w.page.FormActivate();
    const int group = w.page.findChild<QGroupBox*>("Signal")->width();
    ASSERT_NE(group, w.page.findChild<QWidget*>("SignalI")->width());
    EXPECT_EQ(w.page.SignalLength(), group);
}
