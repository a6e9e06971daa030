#include "platform/Dialogs.h"
#include "platform/Clock.h"
#include "platform/Keyboard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QObject>

using namespace ryvo;

TEST(Dialogs, FilterTranslation) {
    EXPECT_EQ(ToQtFilter(QStringLiteral("Файл пристрелки|*.dat")),
              QStringLiteral("Файл пристрелки (*.dat)"));
    EXPECT_EQ(ToQtFilter(QStringLiteral("A|*.a;*.b|B|*.c")),
              QStringLiteral("A (*.a *.b);;B (*.c)"));
}

TEST(Dialogs, ScriptedAnswersInOrder) {
    ScriptedDialogs dialogs;
    dialogs.answers = {MessageAnswer::Yes};
    Dialogs& seam = dialogs;
    EXPECT_EQ(seam.Message(QStringLiteral("a"), QStringLiteral("Error"), MessageIcon::Error,
                           MessageButtons::YesNo),
              MessageAnswer::Yes);
    EXPECT_EQ(seam.Message(QStringLiteral("b"), QStringLiteral("c"), MessageIcon::None),
              MessageAnswer::Ok);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    dialogs.fileAnswers = {QStringLiteral("/tmp/x.dat")};
    EXPECT_EQ(dialogs.OpenFile(QStringLiteral("F|*.dat"), QStringLiteral(".")),
              QStringLiteral("/tmp/x.dat"));
    EXPECT_FALSE(dialogs.SaveFile(QStringLiteral("F|*.dat"), QStringLiteral(".")).has_value());
}

TEST(Clock, ManualClockMovesOnlyWhenTold) {
    ManualClock clock(100);
    EXPECT_EQ(clock.TickCount(), 100u);
    clock.Sleep(2);
    clock.Advance(50);
    EXPECT_EQ(clock.TickCount(), 152u);
    SteadyClock steady;
    const auto a = steady.TickCount();
    steady.Sleep(5);
    EXPECT_GE(steady.TickCount() - a, 5u);
}

TEST(Keyboard, TracksPressAndReleaseFromApplicationEvents) {
    QtKeyboard keyboard;
    QObject target;
    qApp->installEventFilter(&keyboard);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &press);
    EXPECT_TRUE(keyboard.IsHeld(Key::Space));
    EXPECT_FALSE(keyboard.IsHeld(Key::Escape));
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(&target, &repeat);
    EXPECT_TRUE(keyboard.IsHeld(Key::Space)); // auto-repeat is not a release
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &release);
    EXPECT_FALSE(keyboard.IsHeld(Key::Space));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
    QCoreApplication::sendEvent(&target, &enter);
    EXPECT_TRUE(keyboard.IsHeld(Key::Return));
    qApp->removeEventFilter(&keyboard);

    ScriptedKeyboard scripted;
    scripted.Set(Key::Up, true);
    EXPECT_TRUE(scripted.IsHeld(Key::Up));
    scripted.ReleaseAll();
    EXPECT_FALSE(scripted.IsHeld(Key::Up));
}
