#include "WindowHarness.h"

#include "AimPath.h"

#include <gtest/gtest.h>

#include "exercise/ShotTableModel.h"

#include <QLabel>
#include <QTableView>

using namespace ryvo;
using ryvo::test::Window;
using Phase = SingleShooterRun::Phase;

namespace {

QString Status(Window& w) {
    return w.Label("StatusLine");
}

void Start(Window& w) {
    w.page.FormActivate();
    w.Button("Start")->click();
    w.Tick(30);
    ASSERT_EQ(w.page.Run().CurrentPhase(), Phase::Series);
}

void Shoot(Window& w) {
    w.model.Lane(0).triggers.Pull();
    w.Tick(30);
}

void Escape(Window& w) {
    w.keyboard.Set(Key::Escape, true);
    w.Tick(2);
    w.keyboard.Set(Key::Escape, false);
}

// Up pressed and released: the next shot of a replay.
void Up(Window& w) {
    w.keyboard.Set(Key::Up, true);
    w.Tick(2);
    w.keyboard.Set(Key::Up, false);
    w.Tick(2);
}

} // namespace

TEST(TShoot1Status, SeriesEndSaysTotalsUntilSaved) {
    Window w;
    Start(w);
    EXPECT_EQ(Status(w), QString());
    Shoot(w);
    Shoot(w);
    w.Tick(5);
    ASSERT_TRUE(w.page.Run().Idle());
    EXPECT_EQ(Status(w),
              QStringLiteral("Серия окончена: 2 выстр., сумма 20. Результат не записан"));

    // Back from the save dialog, having saved.
    w.Button("Save")->click();
    ++w.state.SaveCount;
    w.state.LastSavedFile = QStringLiteral("Archive/2026_12/Взвод 1.txt");
    w.page.FormActivate();
    EXPECT_EQ(Status(w), QStringLiteral("Записано: Archive/2026_12/Взвод 1.txt"));

    // A new series forgets the old result.
    Start(w);
    EXPECT_EQ(Status(w), QString());
}

TEST(TShoot1Status, TimeOutAndEscapeEndTheSeriesWithTheirTotals) {
    Window w;
    w.state.settings.Time = 1;
    Start(w);
    Shoot(w);
    w.Tick(120);
    ASSERT_TRUE(w.page.Run().Idle()) << "the time ran out";
    EXPECT_EQ(Status(w),
              QStringLiteral("Серия окончена: 1 выстр., сумма 10. Результат не записан"));

    // Back from the save dialog without saving: still unsaved.
    w.Button("Save")->click();
    w.page.FormActivate();
    EXPECT_EQ(Status(w),
              QStringLiteral("Серия окончена: 1 выстр., сумма 10. Результат не записан"));

    w.state.settings.Time = 0;
    Start(w);
    Escape(w);
    w.Tick(5);
    ASSERT_TRUE(w.page.Run().Idle());
    EXPECT_EQ(Status(w), QStringLiteral("Серия окончена: 0 выстр., сумма 0. Результат не записан"));
}

TEST(TShoot1Status, ReplayByClickAndByKeyNamesEachShotAboveTheMarkers) {
    Window w;
    w.state.settings.ShootsNumber = 3;
    w.state.settings.FlagPostGunEnable = 1;
    Start(w);
    Shoot(w);
    // Far off the target, held long enough for the trace: a miss.
    w.model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{30000, 30000});
    w.Tick(20);
    Shoot(w);
    w.model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{});
    w.Tick(20);
    Shoot(w);
    w.Tick(5);
    ASSERT_TRUE(w.page.Run().Idle());
    const QString ended = Status(w);
    auto* postGun = w.page.findChild<QWidget*>("PostGun");
    ASSERT_TRUE(postGun->isVisibleTo(&w.page)) << "the last shot's trigger-jerk marker";

    w.Button("ViewShoots")->click();
    w.Tick(2);
    EXPECT_EQ(w.Label("Hint"), QStringLiteral("↑ — следующий выстрел, Esc — конец"));
    EXPECT_EQ(Status(w), QStringLiteral("Выстрел 1: 10"));
    EXPECT_EQ(w.Button("ViewShoots")->text(), QStringLiteral("Выстрел N 1"));
    w.page.FlushDisplay();
    for (const char* marker : {"Gun2", "PostGun"}) {
        EXPECT_FALSE(w.page.findChild<QWidget*>(marker)->isVisibleTo(&w.page)) << marker;
    }

    // The button steps on as the key does.
    w.Button("ViewShoots")->click();
    EXPECT_EQ(Status(w), QStringLiteral("Выстрел 2: промах"));
    EXPECT_TRUE(w.page.findChild<QWidget*>("Fail")->isVisibleTo(&w.page));
    Up(w);
    EXPECT_EQ(Status(w), QStringLiteral("Выстрел 3: 10"));
    EXPECT_EQ(w.Button("ViewShoots")->text(), QStringLiteral("Выстрел N 3"));

    // Past the last shot the replay ends and the line says the series again.
    w.Button("ViewShoots")->click();
    w.Tick(15);
    ASSERT_TRUE(w.page.Run().Idle());
    EXPECT_EQ(w.Label("Hint"), QString());
    EXPECT_EQ(Status(w), ended);
    EXPECT_EQ(w.Button("ViewShoots")->text(), QStringLiteral("Просмотреть выстрелы"));
    EXPECT_TRUE(postGun->isVisibleTo(&w.page)) << "back after the replay";

    // Escape ends a replay too.
    w.Button("ViewShoots")->click();
    w.Tick(2);
    EXPECT_EQ(Status(w), QStringLiteral("Выстрел 1: 10"));
    Escape(w);
    w.Tick(15);
    ASSERT_TRUE(w.page.Run().Idle());
    EXPECT_EQ(w.Label("Hint"), QString());
    EXPECT_EQ(Status(w), ended);
}

TEST(TShoot1Status, SilentDeviceMidSeriesIsSaidUntilItAnswers) {
    Window w;
    Start(w);
    Shoot(w);
    w.model.GetFaults().Set(sim::Fault::Silence);
    // Silent polls wait out their read time on the clock: count time, not ticks.
    const std::uint32_t silentFrom = w.clock.TickCount();
    for (int i = 0; i < 200 && Status(w).isEmpty(); ++i) {
        w.Tick();
    }
    EXPECT_EQ(Status(w), QStringLiteral("Нет ответа прибора"));
    EXPECT_GT(w.clock.TickCount() - silentFrom, 500U) << "a short silence is no news";
    EXPECT_LT(w.clock.TickCount() - silentFrom, 1000U);
    EXPECT_EQ(w.page.Run().CurrentPhase(), Phase::Series) << "the run goes on";
    w.model.GetFaults().Clear();
    w.Tick(3);
    EXPECT_EQ(Status(w), QString());

    // Silent again to the end: the end of the run clears it.
    w.model.GetFaults().Set(sim::Fault::Silence);
    w.Tick(80);
    EXPECT_EQ(Status(w), QStringLiteral("Нет ответа прибора"));
    Escape(w);
    w.Tick(5);
    ASSERT_TRUE(w.page.Run().Idle());
    EXPECT_EQ(Status(w),
              QStringLiteral("Серия окончена: 1 выстр., сумма 10. Результат не записан"));
}

TEST(TShoot1Status, CourseShowsItsStageMarksALateShotAndEndsWithTheGrade) {
    Window w;
    Course course;
    course.name = QStringLiteral("Скорость");
    CourseStage stage;
    stage.shots = 2;
    stage.timeLimitMs = 1000;
    course.stages = {stage};
    course.grade = GradeRule{GradeBasis::HitsInTime,
                             0,
                             {{QStringLiteral("выполнено"), 2}},
                             QStringLiteral("не выполнено")};
    w.state.ChosenCourse = course;
    w.page.Run().courseDraw = SeededDraw(1);
    Start(w);
    EXPECT_EQ(Status(w), QStringLiteral("Этап 1 из 1: 2 выстрела за 1 с. Далее: итог упражнения"));
    Shoot(w);
    w.Tick(100);
    Shoot(w);
    w.Tick(5);
    ASSERT_TRUE(w.page.Run().Idle());
    auto* table = w.page.findChild<QTableView*>(QStringLiteral("ShotTable"));
    ASSERT_NE(table, nullptr);
    QAbstractItemModel* model = table->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, ShotTableModel::Value).data().toString(), QStringLiteral("10"));
    EXPECT_EQ(model->index(1, ShotTableModel::Value).data().toString(), QStringLiteral("0 поздно"));
    EXPECT_EQ(Status(w), QStringLiteral("Скорость: сумма 10, «не выполнено», реакция 0.30 с. "
                                        "Результат не записан"));
    EXPECT_TRUE(w.Button("Save")->isEnabled());
}
