#include "app/Startup.h"
#include "app/TFirstStart.h"
#include "app/TMainForm2.h"
#include "exercise/TShoots5.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"
#include "support/OnScreen.h"
#include "support/TempDir.h"

#include "AimPath.h"
#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <string>

using namespace ryvo;

// Names a screen size in the test's output.
void PrintTo(const QSize& size, std::ostream* out) {
    *out << size.width() << "x" << size.height();
}

namespace {

// A frame that fills one of these screens keeps every window on it.
const QSize kScreens[] = {{1024, 768}, {1366, 768}, {1600, 1000}, {1920, 1080}};

class ScreenFit : public ::testing::TestWithParam<QSize> {};

// Runs this case again in a child process on Qt's offscreen platform with one screen of
// `size`. Nothing maximises the frame there: the program sizes it itself, as on a display
// without a window manager.
void RunOnScreenOfSize(QSize size) {
    test::TempDir dir;
    dir.Write(QStringLiteral("screen.json"),
              QStringLiteral(R"({"screens": [{"name": "S", "width": %1, "height": %2}]})")
                  .arg(size.width())
                  .arg(size.height())
                  .toUtf8());
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               QStringLiteral("offscreen:configfile=%1/screen.json").arg(dir.Path()));
    env.insert(QStringLiteral("RYVO_SCREEN_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(dir.Path());
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=%1.%2")
                     .arg(QString::fromLatin1(test->test_suite_name()),
                          QString::fromLatin1(test->name()))});
    const bool finished = child.waitForFinished(120000);
    const std::string output = QString::fromUtf8(child.readAll()).toStdString();
    ASSERT_TRUE(finished) << output;
    EXPECT_EQ(child.exitCode(), 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

// The frame lies on the screen; the active window asks for no more room than it has, so
// nothing in it is squeezed; every visible control, the status lines and the product line
// included, lies wholly on the screen and uncut by its parents.
void ExpectOnScreen(TForm2& frame, const QRect& screen, const std::string& when) {
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
    }
    Page* page = frame.ActivePage();
    SCOPED_TRACE(when + " in " + page->ClassName().toStdString());
    EXPECT_TRUE(screen.contains(frame.frameGeometry())) << ::testing::PrintToString(frame.size());
    EXPECT_TRUE(test::FitsIn(page->minimumSizeHint(), page->size()))
        << ::testing::PrintToString(page->minimumSizeHint()) << " in "
        << ::testing::PrintToString(page->size());
    const QStringList off = test::ControlsOffArea(frame, screen);
    EXPECT_TRUE(off.isEmpty()) << off.join(QStringLiteral("; ")).toStdString();
}

} // namespace

// Every window at each common screen size, then a five-lane series whose status texts grow
// long as it goes, and the zeroing window after it: the frame never grows past the screen.
TEST_P(ScreenFit, EveryWindowStaysOnTheScreenThroughAFiveLaneSeries) {
    if (!qEnvironmentVariableIsSet("RYVO_SCREEN_CHILD")) {
        RunOnScreenOfSize(GetParam());
        return;
    }
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(screen.size(), GetParam());

    test::TempDir dir;
    dir.Write(QStringLiteral("ryvw.cfg"),
              test::Cp1251Lines("SerialPort = COM1\nIO_Serial = 1\nTarget = 2 2 2 2 2\n"
                                "ShootsNumber = 10\nTime = 0\n"));
    ProgramState state;
    state.StartDir = dir.Path();
    ManualClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    for (int lane = 0; lane < 5; ++lane) {
        model.Lane(lane).level = 4000;
    }
    sim::SimulatedPortFactory ports(model, &clock);
    RecordingSound sound;
    sound.available = false;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    RyvoApplication app(state, services);
    app.CreateWindows();
    app.Start();
    TForm2& frame = app.Frame();
    ASSERT_EQ(frame.frameGeometry(), screen);

    // The first-start dialog, and the longest device texts: a slow link's warning.
    frame.AddPage(new TFirstStart(state, services));
    state.Polls.Reset(LowLatency::Failed);
    for (int i = 0; i < 30; ++i) {
        state.Polls.Add(18);
    }
    auto* main = dynamic_cast<TMainForm2*>(frame.Find(QStringLiteral("TMainForm2")));
    ASSERT_NE(main, nullptr);
    main->ShowPollRate();
    main->ShowDeviceStatus(QStringLiteral("Прибор не найден (проверено портов: 17)"));
    for (int i = 0; i < frame.PageCount(); ++i) {
        frame.Activate(frame.PageAt(i)->ClassName());
        ExpectOnScreen(frame, screen, "idle");
    }

    frame.Activate(QStringLiteral("TMainForm2"));
    frame.ActivePage()->findChild<QRadioButton*>(QStringLiteral("OtherShooter"))->setChecked(true);
    frame.ActivePage()->findChild<QPushButton*>(QStringLiteral("BeginShooting"))->click();
    auto* five = dynamic_cast<TShoots5*>(frame.ActivePage());
    ASSERT_NE(five, nullptr);
    auto* status = five->findChild<QLabel*>(QStringLiteral("Status"));
    ASSERT_NE(status, nullptr);
    const QRect statusPlace = test::GlobalRect(*status);
    five->findChild<QPushButton*>(QStringLiteral("Start"))->click();
    auto tick = [&](int times) {
        for (int i = 0; i < times; ++i) {
            clock.Advance(10);
            five->Run().Tick();
        }
    };
    tick(30);
    // Every lane fires its ten shots, the last ones all misses far off the target.
    for (int shot = 0; shot < 10; ++shot) {
        for (int lane = 0; lane < 5; ++lane) {
            if (shot >= 8) {
                model.Lane(lane).aim = std::make_unique<sim::FixedAim>(sim::Signal{30000, 30000});
            }
            model.Lane(lane).triggers.Pull();
            tick(30);
        }
        if (shot == 0 || shot == 8) {
            ExpectOnScreen(frame, screen, "after shot " + std::to_string(shot + 1));
        }
    }
    tick(200);
    five->Ticks().KeepTicking();
    ASSERT_TRUE(five->Run().Idle());
    ASSERT_TRUE(status->text().startsWith(QStringLiteral("Серия окончена: стрелок 1")))
        << status->text().toStdString();
    ASSERT_GT(status->fontMetrics().horizontalAdvance(status->text()), 2 * status->width())
        << "a text longer than its place";
    ExpectOnScreen(frame, screen, "at the end of the series");
    EXPECT_EQ(test::GlobalRect(*status), statusPlace) << "the status kept its place";

    five->findChild<QPushButton*>(QStringLiteral("Exit"))->click();
    ASSERT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TMainForm2"));
    frame.ActivePage()->findChild<QPushButton*>(QStringLiteral("PreShooting"))->click();
    ASSERT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TPreShoot"));
    ExpectOnScreen(frame, screen, "zeroing after the series");
    for (const char* exit : {"ExitSave", "Exit1"}) {
        const auto* button = frame.ActivePage()->findChild<QPushButton*>(QString::fromLatin1(exit));
        EXPECT_TRUE(button->isVisible() && screen.contains(test::GlobalRect(*button))) << exit;
    }
}

INSTANTIATE_TEST_SUITE_P(CommonScreens, ScreenFit, ::testing::ValuesIn(kScreens),
                         [](const ::testing::TestParamInfo<QSize>& info) {
                             return ::testing::PrintToString(info.param);
                         });
