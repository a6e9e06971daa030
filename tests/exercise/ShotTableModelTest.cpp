#include "exercise/ShotTableModel.h"

#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

using namespace ryvo;

namespace {

void AddShot(RunState& run, int lane, ShotPoint p, std::uint32_t ms, std::int32_t score) {
    const auto i = static_cast<size_t>(lane);
    run.ShotPos[i].push_back(p);
    run.ShotMs[i].push_back(ms);
    run.ShotScore[i].push_back(score);
    ++run.ShotCount[i];
}

QString Cell(const ShotTableModel& m, int row, int column, int role = Qt::DisplayRole) {
    return m.data(m.index(row, column), role).toString();
}

QStringList Row(const ShotTableModel& m, int row) {
    QStringList cells;
    for (int c = 0; c < m.columnCount(); ++c) {
        cells << Cell(m, row, c);
    }
    return cells;
}

} // namespace

TEST(ShotTableModel, RowsShowNumberTimeIntervalAndTheValueTheWindowShows) {
    RunState run;
    AddShot(run, 1, {0.0F, 0.0F}, 1250, 10);
    AddShot(run, 1, {150.0F, 0.0F}, 2000, kScoreMiss);
    AddShot(run, 1, {kDarkShotPosition, kDarkShotPosition}, 4100, kScoreDark);
    AddShot(run, 1, {20.0F, 5.0F}, 64005, 7);
    ShotTableModel m;
    m.Update(run, 1);

    QStringList headers;
    for (int c = 0; c < m.columnCount(); ++c) {
        headers << m.headerData(c, Qt::Horizontal).toString();
    }
    EXPECT_EQ(headers, (QStringList{"№", "Время", "Интервал", "Очки"}));
    ASSERT_EQ(m.rowCount(), 4);
    EXPECT_EQ(Row(m, 0), (QStringList{"1", "1.25", "—", "10"}));
    EXPECT_EQ(Row(m, 1), (QStringList{"2", "2.00", "0.75", "0"}));
    EXPECT_EQ(Row(m, 2), (QStringList{"3", "4.10", "2.10", "0"}));
    EXPECT_EQ(Row(m, 3), (QStringList{"4", "64.00", "59.90", "7"}));
    // A miss and a dark shot read 0 like the result label, and say why.
    EXPECT_EQ(Cell(m, 1, ShotTableModel::Value, Qt::ToolTipRole), QStringLiteral("Вне мишени"));
    EXPECT_EQ(Cell(m, 2, ShotTableModel::Value, Qt::ToolTipRole),
              QStringLiteral("По тёмной мишени"));
    EXPECT_TRUE(Cell(m, 0, ShotTableModel::Value, Qt::ToolTipRole).isEmpty());
    EXPECT_FALSE(m.data(m.index(4, 0)).isValid());
    EXPECT_EQ(m.Figures().misses, 1);
    EXPECT_EQ(m.Figures().darkShots, 1);
    EXPECT_EQ(m.Figures().hits, 2);
}

TEST(ShotTableModel, GrowsByRowsAndStartsAnewForANewSeriesOrLane) {
    RunState run;
    ShotTableModel m;
    std::vector<std::pair<int, int>> inserted;
    int resets = 0;
    QObject::connect(
        &m, &QAbstractItemModel::rowsInserted,
        [&](const QModelIndex&, int first, int last) { inserted.emplace_back(first, last); });
    QObject::connect(&m, &QAbstractItemModel::modelReset, [&] { ++resets; });
    m.Update(run, 0);
    EXPECT_EQ(m.rowCount(), 0);
    const int resetsAtStart = resets;

    AddShot(run, 0, {1.0F, 1.0F}, 500, 10);
    m.Update(run, 0);
    AddShot(run, 0, {2.0F, 2.0F}, 900, 9);
    AddShot(run, 0, {3.0F, 3.0F}, 1300, 9);
    m.Update(run, 0);
    m.Update(run, 0); // nothing new
    EXPECT_EQ(m.rowCount(), 3);
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{0, 0}, {1, 2}}));
    EXPECT_EQ(resets, resetsAtStart) << "a shot only adds its row";

    // A new series that reached the same count before the table was told.
    run.ClearShots(0);
    run.ShotCount[0] = 0;
    AddShot(run, 0, {-4.0F, 0.0F}, 700, 8);
    AddShot(run, 0, {-5.0F, 0.0F}, 800, 8);
    AddShot(run, 0, {-6.0F, 0.0F}, 950, 8);
    m.Update(run, 0);
    EXPECT_EQ(resets, resetsAtStart + 1);
    EXPECT_EQ(Row(m, 2), (QStringList{"3", "0.95", "0.15", "8"}));
    EXPECT_EQ(m.Figures().hitsPerScore[8], 3);
    EXPECT_EQ(m.Figures().hitsPerScore[10], 0) << "figures of the old series are gone";

    run.ClearShots(0);
    run.ShotCount[0] = 0;
    m.Update(run, 0);
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(m.Figures().hits, 0);

    AddShot(run, 3, {0.0F, 0.0F}, 100, 10);
    m.Update(run, 3);
    EXPECT_EQ(m.Lane(), 3);
    EXPECT_EQ(m.rowCount(), 1);
}

TEST(ShotTableModel, InconsistentOrForeignInputShowsWhatIsWhole) {
    RunState run;
    run.ShotCount[2] = 5; // more than the lists hold
    run.ShotPos[2] = {{0.0F, 0.0F}, {1.0F, 1.0F}};
    run.ShotMs[2] = {100, 200, 300};
    run.ShotScore[2] = {10};
    ShotTableModel m;
    m.Update(run, 2);
    EXPECT_EQ(m.rowCount(), 1);
    m.Update(run, -1);
    EXPECT_EQ(m.rowCount(), 0);
    m.Update(run, kLaneCount);
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(m.Lane(), -1);
}

TEST(ShotTableModel, FiguresAddedShotByShotMatchTheWholeGroup) {
    RunState run;
    ShotTableModel m;
    // An uneven group with misses and dark shots among the hits.
    for (int s = 0; s < 60; ++s) {
        const float x = static_cast<float>(std::sin(s * 1.7) * 40.0);
        const float y = static_cast<float>(std::cos(s * 0.9) * 25.0 - 10.0);
        std::int32_t score = 10 - s % 11;
        ShotPoint p{x, y};
        if (s % 13 == 5) {
            score = kScoreMiss;
        } else if (s % 17 == 3) {
            score = kScoreDark;
            p = {kDarkShotPosition, kDarkShotPosition};
        }
        AddShot(run, 4, p, static_cast<std::uint32_t>(s * 700), score);
        m.Update(run, 4);
    }
    const GroupFigures whole = AnalyseGroup(run.ShotPos[4], run.ShotScore[4]);
    const GroupFigures& f = m.Figures();
    EXPECT_EQ(f.hits, whole.hits);
    EXPECT_EQ(f.misses, whole.misses);
    EXPECT_EQ(f.darkShots, whole.darkShots);
    EXPECT_EQ(f.hitsPerScore, whole.hitsPerScore);
    EXPECT_NEAR(f.meanX, whole.meanX, 1e-9);
    EXPECT_NEAR(f.meanY, whole.meanY, 1e-9);
    EXPECT_NEAR(f.extremeSpread, whole.extremeSpread, 1e-6);
    EXPECT_NEAR(f.meanRadius, whole.meanRadius, 1e-9);
}

TEST(SeriesFigureLines, ReadTheKnownFiguresOfHandMadeGroups) {
    RunState run;
    for (const ShotPoint p :
         {ShotPoint{10, 10}, ShotPoint{-10, 10}, ShotPoint{-10, -10}, ShotPoint{10, -10}}) {
        AddShot(run, 0, p, 0, 9);
    }
    AddShot(run, 0, {150.0F, 0.0F}, 0, kScoreMiss);
    ShotTableModel square;
    square.Update(run, 0);
    EXPECT_EQ(SeriesFigureLines(square.Figures()),
              (QStringList{"СТП: x̄ 0.0, ȳ 0.0 (в центре)", "Разброс: 28.3", "Средний радиус: 14.1",
                           "По очкам: 9×4", "Вне мишени: 1", "По тёмной мишени: 0"}));

    RunState one;
    AddShot(one, 0, {-6.0F, -3.5F}, 0, 10);
    AddShot(one, 0, {kDarkShotPosition, kDarkShotPosition}, 0, kScoreDark);
    ShotTableModel single;
    single.Update(one, 0);
    EXPECT_EQ(
        SeriesFigureLines(single.Figures()),
        (QStringList{"СТП: x̄ -6.0, ȳ -3.5 (выше и левее)", "Разброс: 0.0", "Средний радиус: 0.0",
                     "По очкам: 10×1", "Вне мишени: 0", "По тёмной мишени: 1"}));

    GroupFigures none;
    none.misses = 3;
    EXPECT_EQ(SeriesFigureLines(none),
              (QStringList{"СТП: попаданий нет", "Вне мишени: 3", "По тёмной мишени: 0"}));
}
