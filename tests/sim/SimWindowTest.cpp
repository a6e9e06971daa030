#include "SimWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

using namespace ryvo::sim;

TEST(SimWindow, PadAreaIsTheTargetSquare) {
    const QSize pad(200, 200);
    // Centre, corners and a quarter point: signal / level * 100 is the target coordinate.
    const Signal centre = SignalForPad({100, 100}, pad, 4000);
    EXPECT_EQ(centre.x, 0);
    EXPECT_EQ(centre.y, 0);
    const Signal topLeft = SignalForPad({0, 0}, pad, 4000);
    EXPECT_EQ(topLeft.x, -4000);
    EXPECT_EQ(topLeft.y, -4000);
    const Signal quarter = SignalForPad({150, 50}, pad, 4000);
    EXPECT_EQ(quarter.x, 2000);                              // target x = +50
    EXPECT_EQ(quarter.y, -2000);                             // target y = -50 (up)
    EXPECT_EQ(SignalForPad({1000, 0}, pad, 30000).x, 32767); // clamped to the frame field
}

TEST(SimWindow, MouseAimsClickFiresLeavingLosesTheSpot) {
    DeviceModel model;
    std::mutex mutex;
    SimWindow window(model, mutex, QStringLiteral("/tmp/link"));
    window.resize(700, 500);
    LanePad* pad = window.Pad(1);
    EXPECT_EQ(model.Lane(1).level, 0); // nobody aims yet

    const QPointF at(pad->width() * 0.75, pad->height() * 0.5);
    QMouseEvent move(QEvent::MouseMove, at, pad->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(pad, &move);
    EXPECT_EQ(model.Lane(1).level, kPadLevel);
    const Signal aimed = model.Lane(1).aim->At(0);
    EXPECT_NEAR(aimed.x, kPadLevel / 2, 40);
    EXPECT_NEAR(aimed.y, 0, 40);

    QMouseEvent press(QEvent::MouseButtonPress, at, pad->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pad, &press);
    EXPECT_EQ(pad->Shots(), 1);
    // The report stands in the lane's frames until the PC acknowledges it.
    auto frame = model.Receive(0x71, 1.0);
    ASSERT_EQ(frame.size(), 9u);
    EXPECT_EQ(frame[0], 0x82);
    model.Receive(0x81, 2.0);
    frame = model.Receive(0x71, 3.0);
    EXPECT_EQ(frame[0], 0x02);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(pad, &leave);
    EXPECT_EQ(model.Lane(1).level, 0);
    EXPECT_EQ(model.Lane(0).level, 0); // other pads untouched
}
