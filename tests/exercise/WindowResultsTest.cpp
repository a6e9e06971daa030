// The three exercise windows share the lanes' results: each saves, prints and shows only a
// series of its own.
#include "exercise/TShoot1.h"
#include "exercise/TShoot2.h"
#include "exercise/TShoots5.h"

#include "support/ExerciseSettings.h"
#include "support/RecordingNavigator.h"
#include "support/SimRig.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

using namespace ryvo;

namespace {

using test::RecordingNavigator;

struct Windows : test::SimRig {
    RecordingNavigator navigator;
    TShoot1 single{state, services};
    TShoot2 two{state, services};
    TShoots5 five{state, services};

    Windows() : SimRig(1000) {
        test::UseSingleShooterSettings(state, 3, 2);
        for (size_t lane = 0; lane < 5; ++lane) {
            state.settings.Target[lane] = 2;
            state.LanePresent[lane] = lane < 3 ? 1 : 0;
            model.Lane(static_cast<int>(lane)).level = 4000;
        }
        state.SoundAvailable = 0;
        state.PortEverOpened = true;
        for (Page* page : std::initializer_list<Page*>{&single, &two, &five}) {
            page->SetNavigator(&navigator);
        }
    }
    // As the main window opens them: shooter 1, both shooters, up to five.
    void Open(ExercisePage& page, std::uint32_t shooter) {
        state.settings.Shooter = shooter;
        if (shooter == 3) {
            state.CurrentLane = 0;
            state.ResultSource = 0;
        }
        page.FormActivate();
    }
    // One pull on each of `lanes` in turn, then Escape if the series is still on.
    template <typename W> void Series(W& page, std::initializer_list<int> lanes) {
        page.template findChild<QPushButton*>(QStringLiteral("Start"))->click();
        Tick(page, 20);
        for (int lane : lanes) {
            model.Lane(lane).triggers.Pull();
            Tick(page, 30);
        }
        keyboard.Set(Key::Escape, true);
        Tick(page, 3);
        keyboard.Set(Key::Escape, false);
        Tick(page, 3);
        ASSERT_TRUE(page.Run().Idle());
    }
    template <typename W> void Tick(W& page, int times) {
        for (int i = 0; i < times; ++i) {
            clock.Advance(10);
            page.Run().Tick();
        }
    }
};

// Save and Print off; statistics, shot table and status line of a series without shots.
void ExpectNoSeries(const QWidget& page, const QStringList& buttons, const QStringList& panels) {
    for (const QString& name : buttons) {
        EXPECT_FALSE(page.findChild<QPushButton*>(name)->isEnabled()) << name.toStdString();
    }
    for (const QString& end : panels) {
        EXPECT_EQ(page.findChild<QLabel*>("Num" + end)->text(), QStringLiteral("0"));
        EXPECT_EQ(page.findChild<QLabel*>("SymE" + end)->text(), QStringLiteral("   0"));
        EXPECT_EQ(page.findChild<QTableView*>("ShotTable" + end)->model()->rowCount(), 0);
    }
    // The five-lane window has its status line in its side column.
    const auto* status = page.findChild<QLabel*>(QStringLiteral("StatusLine"));
    status = status != nullptr ? status : page.findChild<QLabel*>(QStringLiteral("Status"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), QString());
}

const QStringList kSingleButtons = {"Save", "Print", "ViewShoots"};
const QStringList kTwoButtons = {"Save", "Save2", "Print", "Print2", "RelaySheet"};
const QStringList kFiveButtons = {"Save", "Print", "RelaySheet"};

} // namespace

TEST(WindowResults, EachWindowSavesAndShowsOnlyItsOwnSeries) {
    Windows w;
    // Two-shooter series, Выход, three shots as shooter 1, "Оба стрелка": nothing to save.
    w.Open(w.two, 3);
    w.Series(w.two, {0, 1});
    EXPECT_TRUE(w.two.findChild<QPushButton*>(QStringLiteral("Save"))->isEnabled());
    w.Open(w.single, 1);
    ExpectNoSeries(w.single, kSingleButtons, {""});
    w.Series(w.single, {0, 0, 0});
    ASSERT_EQ(w.state.run.ShotCount[0], 3u);
    w.Open(w.two, 3);
    ExpectNoSeries(w.two, kTwoButtons, {"1", "2"});
    w.two.findChild<QPushButton*>(QStringLiteral("Save"))->click();
    EXPECT_FALSE(w.navigator.activated.contains(QStringLiteral("TSave_Print")));

    // The single window's shots in the five-lane window, and back.
    w.Open(w.five, 31);
    ExpectNoSeries(w.five, kFiveButtons, {""});
    w.five.Run().TarClick(1);
    ExpectNoSeries(w.five, kFiveButtons, {""});
    w.Series(w.five, {0, 1, 2});
    w.Open(w.single, 1);
    ExpectNoSeries(w.single, kSingleButtons, {""});
    w.Open(w.two, 3);
    ExpectNoSeries(w.two, kTwoButtons, {"1", "2"});
    w.Series(w.two, {1});
    w.Open(w.five, 31);
    ExpectNoSeries(w.five, kFiveButtons, {""});
}

TEST(WindowResults, TheRelaySheetFollowsTheWindowsOwnSeries) {
    Windows w;
    std::vector<int> asked;
    w.two.onRelaySheet = [&](int lanes) { asked.push_back(lanes); };
    w.five.onRelaySheet = [&](int lanes) { asked.push_back(lanes); };
    auto sheet = [](QWidget& page) {
        return page.findChild<QPushButton*>(QStringLiteral("RelaySheet"));
    };

    w.Open(w.two, 3);
    // A series in which only shooter 2 fired has a sheet.
    w.Series(w.two, {1});
    EXPECT_FALSE(w.two.findChild<QPushButton*>(QStringLiteral("Save"))->isEnabled());
    ASSERT_TRUE(sheet(w.two)->isEnabled());
    sheet(w.two)->click();
    EXPECT_EQ(asked, (std::vector<int>{2}));
    // Not while a series runs, nor after one in which nobody fired.
    w.two.findChild<QPushButton*>(QStringLiteral("Start"))->click();
    w.Tick(w.two, 5);
    EXPECT_FALSE(sheet(w.two)->isEnabled());
    w.keyboard.Set(Key::Escape, true);
    w.Tick(w.two, 3);
    w.keyboard.Set(Key::Escape, false);
    w.Tick(w.two, 3);
    ASSERT_TRUE(w.two.Run().Idle());
    EXPECT_FALSE(sheet(w.two)->isEnabled());
    sheet(w.two)->click();
    EXPECT_EQ(asked.size(), 1u);
    w.Series(w.two, {0});

    // Another window's series: no sheet in the five-lane window until it fires its own.
    w.Open(w.five, 31);
    EXPECT_FALSE(sheet(w.five)->isEnabled());
    sheet(w.five)->click();
    EXPECT_EQ(asked.size(), 1u);
    w.Series(w.five, {0, 2});
    ASSERT_TRUE(sheet(w.five)->isEnabled());
    sheet(w.five)->click();
    EXPECT_EQ(asked, (std::vector<int>{2, 5}));
    w.Open(w.two, 3);
    EXPECT_FALSE(sheet(w.two)->isEnabled());
}
