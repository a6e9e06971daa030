#include "app/HelpWindow.h"
#include "app/Startup.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"
#include "support/TempDir.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>

using namespace ryvo;

namespace {

struct HelpRig {
    test::TempDir dir;
    test::TempDir data;
    ProgramState state;
    ManualClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock};
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    std::unique_ptr<RyvoApplication> app;

    explicit HelpRig(bool withManual) {
        dir.Write(QStringLiteral("ryvw.cfg"),
                  test::Cp1251Lines("SerialPort = COM1\nIO_Serial = 1\nShooter = 1\n"));
        if (withManual) {
            QDir(data.Path()).mkpath(QStringLiteral("manual"));
            QString html = QStringLiteral("<html><body>");
            for (const char* anchor : {"first-start", "series", "archive"}) {
                html += QStringLiteral("<h2><a name=\"%1\"></a>%1</h2>").arg(QLatin1String(anchor));
                html += QStringLiteral("<p>text</p>").repeated(80);
            }
            data.Write(QStringLiteral("manual/index.html"), (html + "</body></html>").toUtf8());
        }
        state.StartDir = dir.Path();
        state.DataDir = data.Path();
        sound.available = false;
        app = std::make_unique<RyvoApplication>(state, services);
        app->CreateWindows();
        app->Start();
    }

    // F1 on a control of the window in front, as the instructor presses it.
    void PressF1(const char* control) {
        auto* widget = app->Frame().ActivePage()->findChild<QWidget*>(QLatin1String(control));
        ASSERT_NE(widget, nullptr) << control;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
    }
};

} // namespace

TEST(Help, F1OpensTheManualAtTheSectionOfTheWindowInFront) {
    HelpRig rig(true);
    TForm2& frame = rig.app->Frame();
    ASSERT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TMainForm2"));
    rig.PressF1("Archive");
    HelpWindow* help = rig.app->Help();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->Browser()->source().fragment(), QStringLiteral("first-start"));

    frame.ActivePage()->findChild<QPushButton*>(QStringLiteral("Archive"))->click();
    ASSERT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TArchiv1"));
    rig.PressF1("ListBox1");
    EXPECT_EQ(rig.app->Help(), help) << "one help window, shown again";
    EXPECT_EQ(help->Browser()->source().fragment(), QStringLiteral("archive"));
    EXPECT_GT(help->Browser()->verticalScrollBar()->value(), 0) << "scrolled to the section";
    EXPECT_TRUE(help->Browser()->toPlainText().contains(QStringLiteral("series")));
}

TEST(Help, AMissingManualIsSaidInRussian) {
    HelpRig rig(false);
    rig.PressF1("Archive");
    ASSERT_NE(rig.app->Help(), nullptr);
    const QString text = rig.app->Help()->Browser()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Руководство не найдено"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(ManualPath(rig.data.Path()))));
}

// Every window has a section, and the manual's sources hold each section's anchor.
TEST(Help, EveryWindowHasASectionOfTheManual) {
    QString sources;
    QDirIterator it(QStringLiteral(RYVO_MANUAL_SOURCES), {QStringLiteral("*.md")});
    while (it.hasNext()) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        sources += QString::fromUtf8(file.readAll());
    }
    ASSERT_FALSE(sources.isEmpty());
    std::vector<QString> windows = {QStringLiteral("TFirstStart")};
    for (size_t i = 1; i < kWindowOrder.size(); ++i) {
        windows.push_back(QString::fromLatin1(kWindowOrder[i].className));
    }
    for (const QString& window : windows) {
        const QString anchor = HelpSection(window);
        EXPECT_FALSE(anchor.isEmpty()) << window.toStdString();
        EXPECT_TRUE(sources.contains(QStringLiteral("{#%1}").arg(anchor)))
            << window.toStdString() << " -> " << anchor.toStdString();
    }
    EXPECT_TRUE(HelpSection(QStringLiteral("TNoSuchWindow")).isEmpty());
}
