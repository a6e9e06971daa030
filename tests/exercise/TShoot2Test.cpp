#include "exercise/TShoot2.h"

#include "support/ExerciseSettings.h"
#include "support/RecordingNavigator.h"
#include "support/SimRig.h"

#include "exercise/ShotTableModel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

using namespace ryvo;

namespace {

using test::RecordingNavigator;

struct Window : test::SimRig {
    RecordingNavigator navigator;
    std::unique_ptr<TShoot2> page;

    Window() : SimRig(1000) {
        test::UseSingleShooterSettings(state, 1, 2);
        state.settings.Shooter = 3;
        state.settings.Target[1] = 1;
        state.LanePresent = {1, 1, 0, 0, 0};
        state.SoundAvailable = 0;
        model.Lane(0).level = 4000;
        model.Lane(1).level = 4000;
        page = std::make_unique<TShoot2>(state, services);
        page->SetNavigator(&navigator);
    }
    QPushButton* Button(const char* name) { return page->findChild<QPushButton*>(name); }
    QLabel* Label(const char* name) { return page->findChild<QLabel*>(name); }
    QString Text(const char* name) {
        QLabel* label = Label(name);
        return label != nullptr ? label->text() : QStringLiteral("<missing %1>").arg(name);
    }
    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            clock.Advance(10);
            page->Run().Tick();
        }
    }
    void Shoot(int lane) {
        model.Lane(lane).triggers.Pull();
        const auto before = state.run.ShotCount[static_cast<size_t>(lane)];
        for (int i = 0; i < 50 && state.run.ShotCount[static_cast<size_t>(lane)] == before; ++i) {
            Tick();
        }
    }
};

} // namespace

TEST(TShoot2Window, CaptionsOfBothShootersAndTheCommonButtons) {
    Window w;
    w.page->FormActivate();
    EXPECT_EQ(w.page->ClassName(), QStringLiteral("TShoot2"));
    EXPECT_EQ(w.Text("StaticText1"), QStringLiteral("Стрелок 1"));
    EXPECT_EQ(w.Text("StaticText2"), QStringLiteral("Стрелок 2"));
    for (const char* n : {"1", "2"}) {
        const QString s = QString::fromLatin1(n);
        auto label = [&](const char* base) { return w.Text((base + s).toLatin1().constData()); };
        EXPECT_EQ(label("NumT"), QStringLiteral("Произведен выстрел N"));
        EXPECT_EQ(label("Ft"), QStringLiteral("Первый выстрел"));
        EXPECT_EQ(label("TimeT"), QStringLiteral("Время стрельбы"));
        EXPECT_EQ(label("ResT"), QStringLiteral("Результат"));
        EXPECT_EQ(label("SymT"), QStringLiteral("Сумма"));
        EXPECT_EQ(label("AverSymT"), QStringLiteral("Средний результат"));
        EXPECT_EQ(label("SigT"), QStringLiteral("Сигнал"));
        auto* box = w.page->findChild<QGroupBox*>(QStringLiteral("GroupBoxStat") + s);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->title(), QStringLiteral("Статистика"));
        EXPECT_TRUE(w.Label(("Num" + s).toLatin1().constData())->font().bold());
        EXPECT_TRUE(w.Label(("FirstTime" + s).toLatin1().constData())->font().bold());
    }
    const std::vector<std::pair<const char*, QString>> buttons = {
        {"Start", QStringLiteral("Начало стрельбы")},
        {"Save", QStringLiteral("Записать стрелка 1")},
        {"Save2", QStringLiteral("Записать стрелка 2")},
        {"Print", QStringLiteral("Печать стрелка 1")},
        {"Print2", QStringLiteral("Печать стрелка 2")},
        {"Exit", QStringLiteral("Выход")}};
    for (const auto& [name, caption] : buttons) {
        ASSERT_NE(w.Button(name), nullptr) << name;
        EXPECT_EQ(w.Button(name)->text(), caption);
    }
    EXPECT_TRUE(w.Button("Start")->isEnabled());
    EXPECT_FALSE(w.Button("Save")->isEnabled());
    EXPECT_FALSE(w.Button("Print2")->isEnabled());
}

TEST(TShoot2Window, EachStatisticsBoxShowsItsOwnShooter) {
    Window w;
    w.page->FormActivate();
    w.Button("Start")->click();
    w.Tick(3);
    EXPECT_FALSE(w.Button("Start")->isEnabled());
    EXPECT_FALSE(w.Button("Exit")->isEnabled());
    EXPECT_EQ(w.Text("FirstTime1"), QStringLiteral("0 cек"));
    EXPECT_EQ(w.Text("Time2"), QStringLiteral("  0 сек"));
    w.Tick(30);
    // Shooter 1 at the centre of N4, shooter 2 25 units right on the other target.
    w.model.Lane(1).aim = std::make_unique<sim::FixedAim>(sim::Signal{1000, 0});
    w.Tick(30);
    w.Shoot(0);
    EXPECT_EQ(w.Text("Num1"), QStringLiteral("1"));
    EXPECT_EQ(w.Text("Num2"), QStringLiteral("0"));
    EXPECT_EQ(w.Text("Res1"), QStringLiteral("10"));
    EXPECT_EQ(w.Text("SymE1"), QStringLiteral("  10"));
    EXPECT_EQ(w.Text("AverSym1"), QStringLiteral("10.0"));
    EXPECT_EQ(w.Text("Res2"), QStringLiteral("0"));
    EXPECT_EQ(w.Text("AverSym2"), QStringLiteral(" 0.0"));
    EXPECT_TRUE(w.Text("FirstTime1").endsWith(QStringLiteral(" сек")));
    EXPECT_EQ(w.Text("FirstTime2"), QStringLiteral("0 cек"));
    w.Tick(30);
    w.Shoot(1);
    const std::int32_t second = w.state.run.LastScore[1];
    EXPECT_GT(second, 0);
    EXPECT_LT(second, 10);
    EXPECT_EQ(w.Text("Res2"), QString::asprintf("%2d", second));
    EXPECT_EQ(w.Text("Res1"), QStringLiteral("10"));
    w.Tick(5);
    ASSERT_TRUE(w.page->Run().Idle());
    EXPECT_TRUE(w.Button("Save")->isEnabled());
    EXPECT_TRUE(w.Button("Save2")->isEnabled());
    EXPECT_TRUE(w.Button("Print2")->isEnabled());
    EXPECT_EQ(w.Text("StatusLine"),
              QStringLiteral("Серия окончена: стрелок 1 — 1 выстр., сумма 10; стрелок 2 — 1 "
                             "выстр., сумма %1. Результат не записан")
                  .arg(second));

    w.Button("Save2")->click();
    EXPECT_EQ(w.navigator.activated, QStringList{QStringLiteral("TSave_Print")});
    EXPECT_EQ(w.state.SaveDialogShooter, QStringLiteral("Стрелок 2"));
}

TEST(TShoot2Window, TargetsTakeTheLargestSquareAndKeepTheGreyOut) {
    Window w;
    w.state.LanePresent = {1, 0, 0, 0, 0};
    w.page->resize(1600, 1000);
    w.page->show();
    w.page->FormActivate();
    QCoreApplication::processEvents();
    auto* target1 = w.page->findChild<PictureWidget*>(QStringLiteral("Target1"));
    auto* target2 = w.page->findChild<PictureWidget*>(QStringLiteral("Target2"));
    ASSERT_NE(target1, nullptr);
    ASSERT_NE(target2, nullptr);
    EXPECT_GT(target1->width(), 363);
    EXPECT_EQ(target1->size(), target2->size());
    EXPECT_EQ(target1->Canvas().Width(), target1->width());
    // Redrawn at the new size: shooter 2 is still greyed out, border included.
    const int w2 = target2->Canvas().Width();
    EXPECT_EQ(target2->Canvas().Pixel(0, w2 / 2), kGray);
    EXPECT_EQ(target2->Canvas().Pixel(w2 - 1, w2 / 2), kGray);
    EXPECT_NE(target1->Canvas().Pixel(0, w2 / 2), kGray);
}

TEST(TShoot2Window, EachShooterHasASeriesPanelOfItsOwn) {
    Window w;
    w.state.settings.ShootsNumber = 2;
    w.page->resize(1024, 768);
    w.page->show();
    QCoreApplication::processEvents();
    w.page->FormActivate();
    auto table = [&](const char* name) { return w.page->findChild<QTableView*>(name); };
    ASSERT_NE(table("ShotTable1"), nullptr);
    ASSERT_NE(table("ShotTable2"), nullptr);
    w.Button("Start")->click();
    w.Tick(30);
    // Shooter 1 at the centre, shooter 2 to the right of it.
    w.model.Lane(1).aim = std::make_unique<sim::FixedAim>(sim::Signal{1000, 0});
    w.Tick(30);
    w.Shoot(0);
    w.Tick(30); // past the lock-out, which loses a pull
    w.Shoot(0);
    w.Shoot(1);
    EXPECT_EQ(table("ShotTable1")->model()->rowCount(), 2);
    EXPECT_EQ(table("ShotTable2")->model()->rowCount(), 1);
    const QAbstractItemModel* second = table("ShotTable2")->model();
    EXPECT_EQ(second->data(second->index(0, 3)).toString(), w.Text("Res2").trimmed());
    EXPECT_TRUE(w.Text("GroupFigures1").startsWith(QStringLiteral("СТП: x̄ 0.0, ȳ 0.0 (в центре)")))
        << w.Text("GroupFigures1").toStdString();
    EXPECT_TRUE(w.Text("GroupFigures2").contains(QStringLiteral("(правее)")))
        << w.Text("GroupFigures2").toStdString();
    // Each shooter's hold figures from that shooter's own aim: shooter 1 held still, shooter
    // 2 moved right within the last second.
    for (const char* name : {"ShotTable1", "ShotTable2"}) {
        const QAbstractItemModel* m = table(name)->model();
        ASSERT_EQ(m->columnCount(), ShotTableModel::ColumnCount) << name;
        EXPECT_GT(m->data(m->index(0, ShotTableModel::Hold)).toDouble(), 0.2) << name;
    }
    const QAbstractItemModel* first = table("ShotTable1")->model();
    EXPECT_EQ(first->data(first->index(0, ShotTableModel::Len1)).toString(), QStringLiteral("0.0"));
    EXPECT_GT(second->data(second->index(0, ShotTableModel::Len1)).toDouble(), 10.0);
    EXPECT_EQ(HoldsOfRecord(w.state.run.LaneBeside[1]).size(), 1U);
    EXPECT_FALSE(w.state.run.LaneTrace[1].isEmpty());

    // Both series panels sit between the targets, within the window.
    const auto onPage = [&](const char* name) {
        auto* c = w.page->findChild<QWidget*>(name);
        return QRect(c->mapTo(w.page.get(), QPoint(0, 0)), c->size());
    };
    for (const char* panel : {"SeriesPanel1", "SeriesPanel2"}) {
        EXPECT_TRUE(w.page->rect().contains(onPage(panel))) << panel;
        EXPECT_FALSE(onPage(panel).intersects(onPage("Target1"))) << panel;
        EXPECT_FALSE(onPage(panel).intersects(onPage("Target2"))) << panel;
    }
}
