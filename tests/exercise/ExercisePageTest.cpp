#include "exercise/ExercisePage.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>

using namespace ryvo;

namespace {

// Runs the event loop until `done` holds (a loaded machine delays timers; 5 s at most),
// and says how long it took.
template <typename Done> qint64 SpinUntil(Done done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return t.elapsed();
}

struct FakeRun {
    int ticks = 0;
    int runFor = 0; // ticks until idle
    bool waiting = false;
    void Tick() { ++ticks; }
    bool Waiting() const { return waiting; }
    bool Idle() const { return ticks >= runFor; }
};

} // namespace

TEST(DisplayBatch, MovesAndRepaintsWaitForTheFrameButPresentShowsAtOnce) {
    QWidget host;
    PictureWidget picture("Target", QSize(100, 100), kWhite, &host);
    auto* marker = new QLabel(&picture);
    EXPECT_EQ(picture.accessibleName(), QStringLiteral("Target"));
    EXPECT_EQ(picture.Canvas().Width(), 100);

    DisplayBatch batch;
    QElapsedTimer sinceFrame;
    sinceFrame.start();
    batch.Flush();
    // Right after a frame, changes wait for the next one.
    batch.Place(marker, QPoint(10, 20));
    batch.Place(marker, QPoint(30, 40));
    batch.RepaintArea(&picture, QRect(0, 0, 5, 5));
    QCoreApplication::processEvents();
    EXPECT_TRUE(batch.Pending());
    EXPECT_EQ(marker->pos(), QPoint(0, 0));
    SpinUntil([&] { return !batch.Pending(); });
    EXPECT_GE(sinceFrame.elapsed(), DisplayBatch::kFrameMs - 2);
    EXPECT_FALSE(batch.Pending());
    EXPECT_EQ(marker->pos(), QPoint(30, 40)) << "the last move wins";

    // A quiet spell: the next change goes out on the next turn of the loop.
    QElapsedTimer quiet;
    quiet.start();
    SpinUntil([&] { return quiet.elapsed() > DisplayBatch::kFrameMs; });
    batch.Repaint(&picture);
    QCoreApplication::processEvents();
    EXPECT_FALSE(batch.Pending());

    batch.Place(marker, QPoint(1, 2));
    batch.Present();
    EXPECT_EQ(marker->pos(), QPoint(1, 2));
    EXPECT_FALSE(batch.Pending());
}

TEST(PictureWidget, ResizedImageIsBlankAndSetsTheWidgetSize) {
    PictureWidget picture("Target", QSize(50, 50), kWhite);
    picture.Canvas().SetPixel(3, 3, kRed);
    picture.ResizeImage(QSize(80, 80));
    EXPECT_EQ(picture.size(), QSize(80, 80));
    EXPECT_EQ(picture.Canvas().Width(), 80);
    EXPECT_EQ(picture.Canvas().Pixel(3, 3), kWhite);
}

TEST(TickDriver, TicksUntilIdleSlowerWhileWaitingAndFlushesOnIdle) {
    FakeRun run;
    TickDriver driver;
    int idled = 0;
    int hooked = 0;
    driver.onIdle = [&] { ++idled; };
    driver.onTick = [&] { ++hooked; };
    driver.Drive(run);

    driver.KeepTicking();
    EXPECT_FALSE(driver.Active()) << "an idle run is not ticked";
    EXPECT_EQ(idled, 1);

    run.runFor = 3;
    driver.KeepTicking();
    ASSERT_TRUE(driver.Active());
    EXPECT_EQ(driver.Interval(), 0);
    SpinUntil([&] { return !driver.Active(); });
    EXPECT_EQ(run.ticks, 3);
    EXPECT_EQ(hooked, 3);
    EXPECT_FALSE(driver.Active());
    EXPECT_EQ(idled, 2);

    run.runFor = 1000;
    run.waiting = true;
    driver.KeepTicking();
    EXPECT_EQ(driver.Interval(), TickDriver::kWaitingMs);
    // One tick per 5 ms at most, not a busy loop.
    const qint64 took = SpinUntil([&] { return run.ticks >= 3 + 4; });
    EXPECT_EQ(run.ticks, 3 + 4);
    EXPECT_GE(took, 3 * TickDriver::kWaitingMs);
}
