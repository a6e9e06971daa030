#include "FiveLaneHarness.h"

#include "calibration/Calibration.h"
#include "exercise/TRangeScreen.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

using namespace ryvo;
using test::FiveLaneHarness;

namespace {

// The screen pixel of a target point on a lane's tile.
QPoint OnTile(const RangeTile& tile, ShotPoint at) {
    const int side = tile.target.width();
    return tile.target.topLeft() + QPoint(ToPixels(at.x, side), ToPixels(at.y, side));
}

int RedNear(const QImage& image, QPoint at, int r) {
    int n = 0;
    for (int y = at.y() - r; y <= at.y() + r; ++y) {
        for (int x = at.x() - r; x <= at.x() + r; ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.red() > 200 && c.green() < 60 && c.blue() < 60 ? 1 : 0;
        }
    }
    return n;
}

const RangeTile* TileOf(const std::vector<RangeTile>& tiles, int lane) {
    for (const RangeTile& tile : tiles) {
        if (tile.lane == lane) {
            return &tile;
        }
    }
    return nullptr;
}

} // namespace

TEST(TRangeScreen, ShowsTheLanesOfARunWithTheLastHoleMarked) {
    FiveLaneHarness h(3);
    h.state.settings.Time = 60;
    h.state.LaneShooter[0] = QStringLiteral("Иванов");
    h.state.LaneShooter[2] = QStringLiteral("Кузнецова");
    TRangeScreen screen(h.state);
    screen.OpenBeside(nullptr);
    ASSERT_TRUE(screen.isVisible());
    EXPECT_TRUE(h.state.RangeScreen.Open());
    EXPECT_FALSE(screen.isFullScreen()) << "one screen: a window of its own";
    screen.resize(1200, 700);

    h.StartSeries();
    h.Aim(2, 2000, -1200); // 50, -30
    h.TickFor(100);
    h.Fire(2);
    h.Aim(2, -1600, 800); // -40, 20
    h.TickFor(100);
    h.Fire(2);
    ASSERT_EQ(h.state.run.ShotCount[2], 2u);
    EXPECT_TRUE(screen.Follow());
    const QRegion shotArea = screen.PendingArea();
    EXPECT_FALSE(screen.Follow()) << "nothing new: no repaint";

    const std::vector<RangeTile> tiles = screen.Tiles();
    ASSERT_EQ(tiles.size(), 3u) << "the three present lanes";
    EXPECT_EQ(screen.NameLine(0), QStringLiteral("1. Иванов"));
    EXPECT_EQ(screen.NameLine(1), QStringLiteral("Направление 2"));
    EXPECT_EQ(screen.NameLine(2), QStringLiteral("3. Кузнецова"));
    const QStringList lines = screen.FigureLines(2);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Выстрелы: 2 из 10"));
    EXPECT_EQ(lines[1], QStringLiteral("Сумма: %1").arg(h.state.run.ScoreSum[2]));
    const std::uint32_t left = h.state.RangeScreen.Lane(2).seconds;
    EXPECT_EQ(lines[2], QStringLiteral("Осталось: %1 с").arg(left));
    EXPECT_GE(left, 55u);
    EXPECT_LE(left, 60u);
    EXPECT_EQ(screen.FigureLines(0)[0], QStringLiteral("Выстрелы: 0 из 10"));

    // Type read from afar and targets that fill the screen.
    for (const RangeTile& tile : tiles) {
        EXPECT_GE(tile.linePixels, 30);
        EXPECT_GE(tile.target.width(), 250);
        EXPECT_TRUE(screen.rect().contains(tile.target));
        EXPECT_TRUE(screen.rect().contains(tile.figures));
    }

    const QImage image = screen.grab().toImage();
    const RangeTile* lane2 = TileOf(tiles, 2);
    ASSERT_NE(lane2, nullptr);
    const ShotPoint first = h.state.run.ShotPos[2][0];
    const ShotPoint last = h.state.run.ShotPos[2][1];
    EXPECT_GT(RedNear(image, OnTile(*lane2, last), 3), 20) << "the last hole is red";
    EXPECT_EQ(RedNear(image, OnTile(*lane2, first), 3), 0) << "an earlier hole is not";
    // Its ring: red well off the hole's centre, where the earlier hole has none.
    const int ring = std::max(6, lane2->target.width() * 12 / 200);
    EXPECT_GT(RedNear(image, OnTile(*lane2, last) + QPoint(ring, 0), 2), 0);
    EXPECT_EQ(RedNear(image, OnTile(*lane2, first) + QPoint(ring, 0), 2), 0);
    const RangeTile* lane0 = TileOf(tiles, 0);
    ASSERT_NE(lane0, nullptr);
    EXPECT_EQ(RedNear(image, lane0->target.center(), 20), 0)
        << "no holes on a lane that did not fire";
    EXPECT_TRUE(shotArea.intersects(lane2->target));
    EXPECT_FALSE(shotArea.intersects(lane0->target)) << "a lane without news is not repainted";

    // A second of the clock repaints the clock lines only.
    h.TickFor(1000);
    ASSERT_TRUE(screen.Follow());
    const QRegion clockArea = screen.PendingArea();
    for (const RangeTile& tile : tiles) {
        EXPECT_TRUE(clockArea.intersects(tile.TimeLine())) << tile.lane;
        EXPECT_FALSE(clockArea.intersects(tile.target)) << tile.lane;
    }

    screen.CloseScreen();
    EXPECT_FALSE(h.state.RangeScreen.Open());
    const std::uint64_t reports = h.state.RangeScreen.Reports();
    h.Fire(0);
    EXPECT_EQ(h.state.RangeScreen.Reports(), reports) << "closed, the run reports nothing";
}

TEST(TRangeScreen, TilesGiveTheLargestTargets) {
    // Five lanes on a wide screen stand in one row; four on a square one in two rows.
    const std::vector<RangeTile> wide = RangeTiles(QSize(1920, 1080), {0, 1, 2, 3, 4});
    ASSERT_EQ(wide.size(), 5u);
    EXPECT_EQ(wide[0].target.top(), wide[4].target.top());
    EXPECT_LT(wide[0].target.right(), wide[1].target.left());
    const std::vector<RangeTile> square = RangeTiles(QSize(1000, 1000), {0, 1, 3, 4});
    ASSERT_EQ(square.size(), 4u);
    EXPECT_EQ(square[3].lane, 4);
    EXPECT_GT(square[3].target.top(), square[0].target.bottom());
    EXPECT_GT(square[0].target.width(), 300);
    EXPECT_TRUE(RangeTiles(QSize(800, 600), {}).empty());
}

// Run by the case below in a process of its own whose offscreen platform has two screens.
TEST(TRangeScreen, DISABLED_OnTwoScreensOpensFullScreenOnTheOther) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2);
    ProgramState state;
    state.LanePresent = {1, 1, 0, 0, 0};
    state.settings.Target = {2, 2, 2, 2, 2};
    QWidget main;
    main.setGeometry(screens[0]->geometry().adjusted(0, 0, -100, -100));
    main.show();
    TRangeScreen screen(state);
    screen.OpenBeside(&main);
    EXPECT_TRUE(screen.isFullScreen());
    EXPECT_EQ(screen.screen(), screens[1]);
    EXPECT_EQ(screen.geometry(), screens[1]->geometry());
    EXPECT_EQ(screen.Tiles().size(), 2u);
}

TEST(TRangeScreen, WithASecondScreenItOpensFullScreenThere) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"screens": [
        {"name": "main", "x": 0, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96},
        {"name": "range", "x": 1280, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96}]})");
    file.close();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--gtest_also_run_disabled_tests"),
         QStringLiteral(
             "--gtest_filter=TRangeScreen.DISABLED_OnTwoScreensOpensFullScreenOnTheOther")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

// What the screen shows, pieced together from the repaints of only what changed, is at each
// step what a screen opened on the same figures paints whole: shots, the clock, a resize, a
// new target type, a new series, a shot off the target, a name.
TEST(TRangeScreen, RepaintsOfWhatChangedAddUpToTheWholePicture) {
    ProgramState state;
    state.LanePresent = {1, 0, 1, 0, 0};
    state.settings.Target.fill(kTargetSport);
    state.settings.Target[2] = kTargetN4;
    state.settings.ShootsNumber = 10;
    state.settings.Time = 60;
    for (auto& holes : state.run.ShotPos) {
        holes.resize(10);
    }
    state.LaneShooter[0] = QStringLiteral("Иванов");
    TRangeScreen screen(state);
    screen.OpenBeside(nullptr);
    screen.resize(900, 600);
    QCoreApplication::processEvents();
    screen.repaint();

    int step = 0;
    auto expectWhole = [&] {
        ++step;
        ASSERT_TRUE(screen.Follow()) << step;
        screen.repaint(screen.PendingArea());
        const QImage shown = screen.screen()->grabWindow(screen.winId()).toImage();
        QImage whole;
        {
            TRangeScreen fresh(state);
            fresh.resize(screen.size());
            whole = fresh.grab().toImage();
        }
        state.RangeScreen.SetOpen(true); // closed by the fresh screen going
        ASSERT_EQ(shown.size(), whole.size()) << step;
        EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32),
                  whole.convertToFormat(QImage::Format_RGB32))
            << "step " << step;
    };
    auto shoot = [&](int lane, ShotPoint at) {
        const auto i = static_cast<size_t>(lane);
        state.run.ShotPos[i][state.run.ShotCount[i]++] = at;
        state.run.ScoreSum[i] += 9;
        state.RangeScreen.Shot(state, lane, 10);
    };

    shoot(0, {10.0F, -20.0F});
    shoot(0, {12.0F, -16.0F}); // over the first: the ring leaves it black
    shoot(2, {-30.0F, 40.0F});
    expectWhole();
    state.run.LaneActive = {1, 0, 1, 0, 0};
    state.run.ElapsedSec = {1, 0, 1, 0, 0};
    state.RangeScreen.Dispatch(state, 0b101, 10);
    expectWhole();
    screen.resize(1100, 640);
    QCoreApplication::processEvents();
    screen.repaint();
    shoot(0, {-50.0F, 50.0F});
    expectWhole();
    state.settings.Target[2] = kTargetSport;
    state.RangeScreen.Dispatch(state, 0b101, 10);
    expectWhole();
    state.run.ShotCount[0] = 0;
    state.run.ScoreSum[0] = 0;
    shoot(0, {70.0F, 0.0F});  // a new series
    shoot(0, {150.0F, 0.0F}); // off the target: the one before is no longer the last
    expectWhole();
    state.LaneShooter[2] = QStringLiteral("Кузнецова");
    state.RangeScreen.Dispatch(state, 0b101, 10);
    expectWhole();
}
