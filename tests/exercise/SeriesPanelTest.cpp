#include "WindowHarness.h"

#include "AimPath.h"

#include "exercise/HoldTrace.h"
#include "exercise/SeriesPanel.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>

using namespace ryvo;
using ryvo::test::Window;
using Phase = SingleShooterRun::Phase;

namespace {

QTableView* Table(Window& w) {
    return w.page.findChild<QTableView*>("ShotTable");
}

QString Figures(Window& w) {
    return w.page.findChild<QLabel*>("GroupFigures")->text();
}

QString Cell(Window& w, int row, int column) {
    const QAbstractItemModel* m = Table(w)->model();
    return m->data(m->index(row, column)).toString();
}

int SelectedRow(Window& w) {
    const QModelIndexList rows = Table(w)->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().row() : -1;
}

bool RowInView(Window& w, int row) {
    QTableView* t = Table(w);
    return t->viewport()->rect().intersects(t->visualRect(t->model()->index(row, 0)));
}

// Aims at (x, y) device units long enough for the trace, then fires; returns the clock at
// the pull.
std::uint32_t ShootAt(Window& w, std::int16_t x, std::int16_t y) {
    w.model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{x, y});
    w.Tick(20);
    const std::uint32_t pulled = w.clock.TickCount();
    w.model.Lane(0).triggers.Pull();
    w.Tick(30);
    return pulled;
}

void Up(Window& w) {
    w.keyboard.Set(Key::Up, true);
    w.Tick(2);
    w.keyboard.Set(Key::Up, false);
    w.Tick(2);
}

} // namespace

TEST(TShoot1Series, TableAndFiguresFollowTheShotsOfASeries) {
    Window w;
    w.state.settings.ShootsNumber = 12;
    w.page.resize(1024, 768);
    w.page.show();
    QCoreApplication::processEvents();
    w.page.FormActivate();
    EXPECT_EQ(Table(w)->accessibleName(), QStringLiteral("ShotTable"));
    EXPECT_EQ(Table(w)->model()->rowCount(), 0);
    EXPECT_TRUE(Figures(w).startsWith(QStringLiteral("СТП: попаданий нет")));

    w.Button("Start")->click();
    w.Tick(30);
    ASSERT_EQ(w.page.Run().CurrentPhase(), Phase::Series);
    const std::uint32_t start = w.state.run.StartTick[0];
    // Four holes on a square round the centre, seven in it, then one far off the target.
    std::vector<std::uint32_t> pulls;
    QStringList results;
    for (const auto& [x, y] : std::vector<std::pair<std::int16_t, std::int16_t>>{
             {400, 400}, {-400, 400}, {-400, -400}, {400, -400}}) {
        pulls.push_back(ShootAt(w, x, y));
        results << w.Label("Res").trimmed();
    }
    for (int s = 0; s < 7; ++s) {
        pulls.push_back(ShootAt(w, 0, 0));
        results << w.Label("Res").trimmed();
    }
    EXPECT_EQ(Table(w)->model()->rowCount(), 11) << "rows come as the shots do";
    pulls.push_back(ShootAt(w, 30000, 30000));
    results << w.Label("Res").trimmed();
    w.Tick(5);
    ASSERT_TRUE(w.page.Run().Idle());

    ASSERT_EQ(Table(w)->model()->rowCount(), 12);
    double previous = 0.0;
    for (int row = 0; row < 12; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(Cell(w, row, 0), QString::number(row + 1));
        EXPECT_EQ(Cell(w, row, 3), results[row]) << "the value the result label showed";
        // Registered within the 30 ticks after the pull.
        const double at = Cell(w, row, 1).toDouble();
        const double pulled = (pulls[static_cast<size_t>(row)] - start) / 1000.0;
        EXPECT_GE(at, pulled - 0.005);
        EXPECT_LE(at, pulled + 0.3);
        if (row > 0) {
            EXPECT_NEAR(Cell(w, row, 2).toDouble(), at - previous, 0.0101);
        } else {
            EXPECT_EQ(Cell(w, row, 2), QStringLiteral("—"));
        }
        previous = at;
    }
    EXPECT_EQ(results.back(), QStringLiteral("0"));

    const QStringList figures = Figures(w).split(QLatin1Char('\n'));
    ASSERT_GE(figures.size(), 6);
    EXPECT_EQ(figures[0], QStringLiteral("СТП: x̄ 0.0, ȳ 0.0 (в центре)"));
    // The square's diagonal, from the holes the run stored.
    const ShotPoint corner = w.state.run.ShotPos[0][0];
    EXPECT_GT(corner.x, 2.0F);
    EXPECT_EQ(figures[1],
              QStringLiteral("Разброс: %1")
                  .arg(2.0 * std::hypot(static_cast<double>(corner.x), corner.y), 0, 'f', 1));
    EXPECT_EQ(figures[4], QStringLiteral("Вне мишени: 1"));
    EXPECT_EQ(figures[5], QStringLiteral("По тёмной мишени: 0"));

    // The newest row is in view.
    EXPECT_GT(Table(w)->verticalScrollBar()->maximum(), 0) << "more rows than fit";
    EXPECT_TRUE(RowInView(w, 11));
    EXPECT_FALSE(RowInView(w, 0));

    // The replay selects the row of the shot it shows and brings it into view.
    w.Button("ViewShoots")->click();
    w.Tick(2);
    EXPECT_EQ(SelectedRow(w), 0);
    EXPECT_TRUE(RowInView(w, 0));
    w.Button("ViewShoots")->click();
    EXPECT_EQ(SelectedRow(w), 1);
    Up(w);
    EXPECT_EQ(SelectedRow(w), 2);
    w.keyboard.Set(Key::Escape, true);
    w.Tick(2);
    w.keyboard.Set(Key::Escape, false);
    w.Tick(20);
    ASSERT_TRUE(w.page.Run().Idle());
    EXPECT_EQ(SelectedRow(w), -1) << "no row is marked after the replay";
    EXPECT_EQ(Table(w)->model()->rowCount(), 12) << "the replay keeps the table";

    // A new series starts an empty table.
    w.Button("Start")->click();
    w.Tick(30);
    ASSERT_EQ(w.page.Run().CurrentPhase(), Phase::Series);
    EXPECT_EQ(Table(w)->model()->rowCount(), 0);
    EXPECT_TRUE(Figures(w).startsWith(QStringLiteral("СТП: попаданий нет")));
    ShootAt(w, 0, 0);
    EXPECT_EQ(Table(w)->model()->rowCount(), 1);
    EXPECT_TRUE(RowInView(w, 0));
}

TEST(TShoot1Series, ADarkTargetShotIsCountedApartAndReadsZero) {
    Window w;
    w.state.settings.ShootsNumber = 2;
    w.page.FormActivate();
    w.Button("Start")->click();
    w.Tick(30);
    ASSERT_EQ(w.page.Run().CurrentPhase(), Phase::Series);
    // The lamp went out, as a lamp script turns it off.
    w.state.run.LaneLit[0] = 0;
    ShootAt(w, 0, 0);
    ASSERT_EQ(Table(w)->model()->rowCount(), 1);
    EXPECT_EQ(Cell(w, 0, 3), QStringLiteral("0"));
    EXPECT_TRUE(Figures(w).contains(QStringLiteral("По тёмной мишени: 1")));
    EXPECT_TRUE(Figures(w).startsWith(QStringLiteral("СТП: попаданий нет")));
}

TEST(TShoot1Series, HoldFiguresStandInNarrowColumnsAndTheirMeansInTheFigures) {
    Window w;
    w.state.settings.ShootsNumber = 3;
    w.state.settings.Target[0] = kTargetSport;
    w.page.resize(1366, 768);
    w.page.show();
    QCoreApplication::processEvents();
    w.page.FormActivate();
    w.Button("Start")->click();
    w.Tick(30);
    ASSERT_EQ(w.page.Run().CurrentPhase(), Phase::Series);
    // A still hold in the centre for well over a second, then a shot aimed off the target,
    // then one on a dark lane.
    w.model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{0, 0});
    w.Tick(150);
    ShootAt(w, 0, 0);
    ShootAt(w, 30000, 30000);
    w.state.run.LaneLit[0] = 0;
    ShootAt(w, 0, 0);
    w.Tick(5);

    const QAbstractItemModel* m = Table(w)->model();
    QStringList headers;
    for (int c = 0; c < m->columnCount(); ++c) {
        headers << m->headerData(c, Qt::Horizontal).toString();
    }
    EXPECT_EQ(headers, (QStringList{"№", "Время", "Интервал", "Очки", "Уд., с", "1 с, мм",
                                    "В 10, %", "Уст., %", "0,2 с, мм", "Срыв, мм", "Куда"}));
    ASSERT_EQ(m->rowCount(), 3);
    EXPECT_GE(Cell(w, 0, ShotTableModel::Hold).toDouble(), 1.5);
    EXPECT_EQ(Cell(w, 0, ShotTableModel::Len1), QStringLiteral("0.0"));
    EXPECT_EQ(Cell(w, 0, ShotTableModel::In10), QStringLiteral("100"));
    EXPECT_EQ(Cell(w, 0, ShotTableModel::Steady), QStringLiteral("100"));
    EXPECT_EQ(Cell(w, 0, ShotTableModel::Move02), QStringLiteral("0.0"));
    EXPECT_EQ(Cell(w, 0, ShotTableModel::Jerk), QStringLiteral("0.0"));
    EXPECT_EQ(Cell(w, 0, ShotTableModel::JerkDir), QStringLiteral("—"));
    // Off the target at the pull: no hold; the move there shows in the path.
    EXPECT_EQ(Cell(w, 1, ShotTableModel::Hold), QStringLiteral("0.0"));
    EXPECT_GT(Cell(w, 1, ShotTableModel::Len1).toDouble(), 100.0);
    // A dark shot has none.
    for (int c = ShotTableModel::Hold; c < ShotTableModel::ColumnCount; ++c) {
        EXPECT_EQ(Cell(w, 2, c), QStringLiteral("—")) << c;
    }
    const QStringList figures = Figures(w).split(QLatin1Char('\n'));
    ASSERT_EQ(figures.size(), 7);
    EXPECT_TRUE(figures[6].startsWith(QStringLiteral("Удерж. ")));
    // Means over the two shots with figures (the second was in the 10 until it moved off).
    const int in10 = (100 + Cell(w, 1, ShotTableModel::In10).toInt() + 1) / 2;
    EXPECT_GT(Cell(w, 1, ShotTableModel::In10).toInt(), 0);

    // What the save keeps beside the record: the two lit shots' figures and traces.
    const std::vector<ShotHold> kept = HoldsOfRecord(w.state.run.LaneBeside[0]);
    ASSERT_EQ(kept.size(), 2U);
    EXPECT_NEAR(kept[0].hold, Cell(w, 0, ShotTableModel::Hold).toDouble(), 0.051);
    EXPECT_DOUBLE_EQ(kept[0].in10, 1.0);
    EXPECT_DOUBLE_EQ(kept[1].hold, 0.0);
    const auto traces = ReadHoldTraces(w.state.run.LaneTrace[0]);
    ASSERT_TRUE(traces.has_value());
    ASSERT_EQ(traces->size(), 2U);
    EXPECT_EQ((*traces)[1].shot, 1);
    // The aim sat in the centre before the first shot and went far off before the second.
    EXPECT_LE((*traces)[0].samples.front().ms, -1000);
    EXPECT_NEAR((*traces)[0].samples.front().x, 0.0, 0.1);
    EXPECT_GT(std::abs((*traces)[1].samples.back().x), 100.0F);
    EXPECT_TRUE(figures[6].contains(QStringLiteral("в 10 %1 %, устойч. 50 %").arg(in10)))
        << figures[6].toStdString();
}
