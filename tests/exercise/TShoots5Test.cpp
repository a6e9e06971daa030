#include "exercise/TShoots5.h"

#include "AimPath.h"

#include "support/ExerciseSettings.h"
#include "support/RecordingNavigator.h"
#include "support/SimRig.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>

using namespace ryvo;
using Phase = RunSequence::Phase;

namespace {

using test::RecordingNavigator;

struct Window : test::SimRig {
    RecordingNavigator navigator;
    TShoots5 page{state, services};

    Window() : SimRig(1000) {
        test::UseSingleShooterSettings(state, 2, 2);
        state.settings.Shooter = 31;
        for (size_t lane = 0; lane < 5; ++lane) {
            state.settings.Target[lane] = 2;
            state.LanePresent[lane] = lane < 4 ? 1 : 0;
        }
        state.SoundAvailable = 0;
        state.PortEverOpened = true;
        page.SetNavigator(&navigator);
    }
    QPushButton* Button(const char* name) { return page.findChild<QPushButton*>(name); }
    QString Label(const char* name) { return page.findChild<QLabel*>(name)->text(); }
    QWidget* Child(const char* name) { return page.findChild<QWidget*>(name); }
    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            clock.Advance(10);
            page.Run().Tick();
        }
    }
    // A left click on a small target, as the mouse gives it.
    void Click(const char* name) {
        QWidget* target = Child(name);
        const QPointF at(60, 60);
        QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }
};

} // namespace

TEST(TShoots5Window, ControlsAndCaptions) {
    Window w;
    for (const char* name :
         {"Tar1",      "Tar2",        "Tar3",       "Tar4",      "Tar5",         "Sig1",
          "Sig2",      "Sig3",        "Sig4",       "Sig5",      "Image1",       "Image2",
          "Image3",    "Image4",      "Image5",     "Image11",   "Image21",      "Image31",
          "Image41",   "Image51",     "Panel1",     "Target",    "Gun2",         "PostGun2",
          "LeftArrow", "UpArrow",     "RightArrow", "DownArrow", "GroupBoxStat", "Fail",
          "FailArrow", "ImageActive", "Signal",     "SignalI",   "SigText",      "FTime",
          "Status"}) {
        EXPECT_NE(w.Child(name), nullptr) << name;
    }
    EXPECT_EQ(w.page.objectName(), QStringLiteral("TShoots5"));
    EXPECT_EQ(w.Button("Start")->text(), QStringLiteral("Старт"));
    EXPECT_TRUE(w.Button("Start")->isDefault());
    EXPECT_EQ(w.Button("Save")->text(), QStringLiteral("Запись"));
    EXPECT_EQ(w.Button("Print")->text(), QStringLiteral("Печать"));
    EXPECT_EQ(w.Button("Exit")->text(), QStringLiteral("&Выход"));
    EXPECT_EQ(w.page.findChild<QGroupBox*>("GroupBoxStat")->title(), QStringLiteral("Статистика"));
    EXPECT_EQ(w.page.findChild<QGroupBox*>("Signal")->title(), QStringLiteral("Сигнал"));
    EXPECT_EQ(w.Label("NumT"), QStringLiteral("Произведен выстрел N"));
    EXPECT_EQ(w.Label("TimeT"), QStringLiteral("Время стрельбы"));
    EXPECT_EQ(w.Label("ResT"), QStringLiteral("Результат выстрела"));
    EXPECT_EQ(w.Label("SymT"), QStringLiteral("Сумма"));
    EXPECT_EQ(w.Label("AverSymT"), QStringLiteral("Средний результат"));
    EXPECT_EQ(w.Label("Label2"), QStringLiteral("Первый выстрел"));
    EXPECT_EQ(w.Child("Target")->size(), QSize(421, 421));
    EXPECT_EQ(w.Child("Tar3")->size(), QSize(126, 126));
    EXPECT_EQ(w.Child("Sig3")->size(), QSize(11, 126));
    EXPECT_EQ(w.Child("Image3")->size(), QSize(73, 8));
    EXPECT_EQ(w.Child("Image31")->size(), QSize(19, 8));
    EXPECT_EQ(w.Child("SignalI")->size(), QSize(235, 36));
    EXPECT_EQ(w.page.SignalLength(), 254);
    EXPECT_EQ(w.Child("Tar2")->accessibleName(), QStringLiteral("Tar2"));

    w.page.FormActivate();
    EXPECT_TRUE(w.page.findChild<QLabel*>("TimeC")->font().bold());
    EXPECT_FALSE(w.Child("Tar5")->isEnabled()) << "lane 4 is absent";
    EXPECT_TRUE(w.Child("Tar4")->isEnabled());
    EXPECT_FALSE(w.Child("Image1")->isVisibleTo(&w.page));
    for (const char* name : {"Start", "Exit"}) {
        EXPECT_TRUE(w.Button(name)->isEnabled()) << name;
    }
    for (const char* name : {"Save", "Print"}) {
        EXPECT_FALSE(w.Button(name)->isEnabled()) << name << ": no series of this window";
    }
}

TEST(TShoots5Window, SmallTargetClicksDuringARunSelectTheLane) {
    Window w;
    w.page.FormActivate();
    w.Button("Start")->click();
    for (const char* name : {"Start", "Save", "Print", "Exit"}) {
        EXPECT_FALSE(w.Button(name)->isEnabled()) << name;
    }
    w.Tick(5);
    ASSERT_EQ(w.page.Run().RunPhase(), Phase::Series);
    EXPECT_EQ(w.Label("FTime"), QStringLiteral("0 cек"));
    w.Click("Tar3");
    EXPECT_EQ(w.state.CurrentLane, 2);
    const int polls = w.model.Lane(2).polls;
    w.Tick(20);
    EXPECT_EQ(w.model.Lane(2).polls - polls, 20) << "the selected lane is the one polled";
    w.Click("Tar5");
    EXPECT_EQ(w.state.CurrentLane, 2) << "an absent lane's target ignores clicks";

    w.model.Lane(2).triggers.Pull();
    w.Tick(30);
    w.model.Lane(1).triggers.Pull();
    w.Tick(30);
    EXPECT_EQ(w.Label("Num"), QStringLiteral("1")) << "the selected lane's statistics";
    w.Click("Tar2");
    EXPECT_EQ(w.Label("Num"), QStringLiteral("1"));
    EXPECT_EQ(w.state.run.ShotCount[1], 1u);

    w.Button("Exit")->click();
    EXPECT_TRUE(w.navigator.activated.isEmpty()) << "no exit while running";
    w.keyboard.Set(Key::Escape, true);
    w.Tick(2);
    w.keyboard.Set(Key::Escape, false);
    w.Tick(2);
    ASSERT_TRUE(w.page.Run().Idle());
    EXPECT_TRUE(w.Button("Save")->isEnabled());
    // The page's tick driver finds the run idle and shows what it came to.
    w.page.Ticks().KeepTicking();
    EXPECT_TRUE(w.Label("Status").startsWith(QStringLiteral("Серия окончена: стрелок 1")))
        << w.Label("Status").toStdString();

    w.Button("Print")->click();
    EXPECT_EQ(w.navigator.activated, QStringList{"TSave_Print"});
    EXPECT_EQ(w.state.ResultSource, 5);
    EXPECT_EQ(w.state.SaveDialogMode, 1);
    EXPECT_EQ(w.state.CurrentLane, 1);
    w.page.FormActivate();
    w.Button("Exit")->click();
    EXPECT_EQ(w.navigator.activated.back(), QStringLiteral("TMainForm2"));
}

TEST(TShoots5Window, TargetFillsTheWindowAndKeepsItsHoles) {
    Window w;
    w.state.ResultSource = 5; // back from its save dialog
    w.page.FormActivate();
    w.page.Run().TarClick(1);
    w.state.run.ShotCount[1] = 1;
    w.state.run.ShotPos[1] = {ShotPoint{0.0F, 0.0F}};
    w.page.resize(1600, 1200);
    w.page.show();
    QApplication::processEvents();
    const int side = w.Child("Target")->width();
    EXPECT_GT(side, 421);
    EXPECT_EQ(w.page.Picture(ViewPicture::Target).Width(), side);
    EXPECT_GT(w.Child("Tar2")->width(), 126) << "the small targets grow with the window";
    // The selected lane's hole, red-rimmed, drawn anew at the new size around the centre.
    const Canvas& target = w.page.Picture(ViewPicture::Target);
    int red = 0;
    for (int y = side / 2 - 8; y <= side / 2 + 8; ++y) {
        for (int x = side / 2 - 8; x <= side / 2 + 8; ++x) {
            red += target.Pixel(x, y) == kRed ? 1 : 0;
        }
    }
    EXPECT_GT(red, 0);
}

namespace {

int Rows(Window& w) {
    return w.page.findChild<QTableView*>("ShotTable")->model()->rowCount();
}

QString Figures(Window& w) {
    return w.page.findChild<QLabel*>("GroupFigures")->text();
}

} // namespace

TEST(TShoots5Window, SeriesPanelFollowsTheSelectedLane) {
    Window w;
    w.state.settings.ShootsNumber = 5;
    w.page.resize(1024, 768);
    w.page.show();
    QApplication::processEvents();
    w.page.FormActivate();
    const auto onPage = [&](const char* name) {
        QWidget* c = w.Child(name);
        return QRect(c->mapTo(&w.page, QPoint(0, 0)), c->size());
    };
    EXPECT_TRUE(w.page.rect().contains(onPage("SeriesPanel")));
    EXPECT_FALSE(onPage("SeriesPanel").intersects(onPage("Target")));
    EXPECT_GT(w.Child("Target")->width(), 2 * w.Child("SeriesPanel")->width())
        << "the target stays the largest thing";
    w.Button("Start")->click();
    w.Tick(5);
    ASSERT_EQ(w.page.Run().RunPhase(), Phase::Series);
    w.Click("Tar3");
    ASSERT_EQ(w.state.CurrentLane, 2);
    // Lane 2 hits above the centre twice; lane 1 fires once unseen.
    w.model.Lane(2).aim = std::make_unique<sim::FixedAim>(sim::Signal{0, -600});
    w.Tick(20);
    for (int s = 0; s < 2; ++s) {
        w.model.Lane(2).triggers.Pull();
        w.Tick(30);
    }
    w.model.Lane(1).triggers.Pull();
    w.Tick(30);
    ASSERT_EQ(w.state.run.ShotCount[1], 1u);
    EXPECT_EQ(Rows(w), 2) << "only the selected lane's shots";
    EXPECT_TRUE(Figures(w).contains(QStringLiteral("(выше)"))) << Figures(w).toStdString();

    // Another lane selected: its own series, filled anew.
    w.Click("Tar2");
    EXPECT_EQ(Rows(w), 1);
    EXPECT_TRUE(Figures(w).contains(QStringLiteral("(в центре)"))) << Figures(w).toStdString();
    w.Click("Tar3");
    EXPECT_EQ(Rows(w), 2);

    w.keyboard.Set(Key::Escape, true);
    w.Tick(2);
    w.keyboard.Set(Key::Escape, false);
    w.Tick(2);
    ASSERT_TRUE(w.page.Run().Idle());
    w.Button("Start")->click();
    w.Tick(5);
    EXPECT_EQ(Rows(w), 0) << "a new series empties the table";
}
