#include "app/Startup.h"
#include "app/TFirstStart.h"
#include "app/TMainForm2.h"
#include "archive/ArchiveStore.h"
#include "archive/TArchiv1.h"
#include "archive/TArchiv2.h"
#include "archive/TArchiv3.h"
#include "archive/TGroupsForm.h"
#include "archive/TSave_Print.h"
#include "device/TInitial.h"
#include "exercise/TShoot1.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"
#include "support/TempDir.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

#include <iostream>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QTranslator>

using namespace ryvo;

namespace {

struct Harness {
    test::TempDir dir;
    ProgramState state;
    ManualClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    std::unique_ptr<RyvoApplication> app;

    Harness() {
        state.StartDir = dir.Path();
        Services services;
        services.clock = &clock;
        services.keyboard = &keyboard;
        services.dialogs = &dialogs;
        app = std::make_unique<RyvoApplication>(state, services);
    }
};

} // namespace

TEST(Startup, CreatesFifteenWindowsInOrderAndActivatesMain) {
    Harness h;
    h.dir.Write(QStringLiteral("ryvw.cfg"), test::Cp1251Lines("Time = 10\n"));
    QByteArray calibration;
    for (int i = 0; i < 15; ++i) {
        calibration += "0.500000 2.000000\r\n";
    }
    h.dir.Write(QStringLiteral("ryvw.dat"), calibration + "20 30 40 50");
    h.dir.Write(QStringLiteral("Targets.act"), "1 0\r\n10\r\n");
    h.app->CreateWindows();
    TForm2& frame = h.app->Frame();
    EXPECT_EQ(frame.windowTitle(), ProductCaption());
    EXPECT_TRUE(frame.windowTitle().startsWith(QStringLiteral("Ryvo for Windows")));
    ASSERT_EQ(frame.PageCount() + 1, static_cast<int>(kWindowOrder.size()));
    for (int i = 0; i < frame.PageCount(); ++i) {
        const WindowSpec& window = kWindowOrder[static_cast<size_t>(i + 1)];
        EXPECT_EQ(frame.PageAt(i)->ClassName(), QString::fromUtf8(window.className));
        EXPECT_EQ(frame.PageAt(i)->objectName(), QString::fromUtf8(window.className));
        // The main and single-shooter windows show the product-and-maker line of the backdrop.
        const QString name = QString::fromUtf8(window.className);
        const QString caption =
            name == QLatin1String("TMainForm2") || name == QLatin1String("TShoot1")
                ? ProductCaption()
                : QString::fromUtf8(window.caption);
        EXPECT_EQ(frame.PageAt(i)->Caption(), caption);
    }
    // Settings, calibration and light script were read while the windows were created.
    EXPECT_EQ(h.state.settings.Time, 10u);
    EXPECT_FLOAT_EQ(h.state.settings.CentX[4], 0.5F);
    EXPECT_FLOAT_EQ(h.state.settings.ScaleD[4], 2.0F);
    EXPECT_FLOAT_EQ(h.state.settings.ScaleL[6], 4.0F);
    EXPECT_EQ(h.state.settings.TimeGun, 20);
    EXPECT_EQ(h.state.settings.TimeTrace, 50);
    EXPECT_EQ(h.state.TraceLength, 50);
    EXPECT_EQ(h.state.ScriptLines, (std::vector<QString>{"1 0", "10"}));

    h.app->Start();
    ASSERT_NE(frame.ActivePage(), nullptr);
    EXPECT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TMainForm2"));
    frame.Activate(QStringLiteral("TForm3"));
    EXPECT_EQ(frame.ActivePage()->Caption(), QStringLiteral("Дополнительные параметры"));
    frame.Activate(QStringLiteral("NoSuchWindow"));
    EXPECT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TForm3"));
}

TEST(Startup, ClosingTheFrameEndsTheProgram) {
    Harness h;
    h.app->CreateWindows();
    h.app->Start();
    QTimer::singleShot(0, [&] { h.app->Frame().close(); });
    QTimer::singleShot(5000, [] { QApplication::exit(99); }); // the frame did not end it
    EXPECT_EQ(QApplication::exec(), 0);
}

namespace {

class KeyPage final : public Page {
public:
    KeyPage() : Page(QStringLiteral("TKeys"), QStringLiteral("keys")) {}
    bool PreviewKey(int key, const QString&) override {
        ++seen;
        return key == Qt::Key_S;
    }
    int seen = 0;
};

} // namespace

TEST(Backdrop, ActivePageSeesKeysBeforeItsControls) {
    TForm2 frame;
    auto* page = new KeyPage;
    auto* child = new QLabel(page);
    child->setFocusPolicy(Qt::StrongFocus);
    frame.AddPage(page);
    frame.Activate(QStringLiteral("TKeys"));
    QKeyEvent s(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
    QApplication::sendEvent(child, &s);
    EXPECT_EQ(page->seen, 1);
    // An unhandled key travelling up to the page is previewed once, not twice.
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(child, &a);
    EXPECT_EQ(page->seen, 2);
}

namespace {

// Notes which window is in front when start-up plays its test sound.
class WitnessSound final : public Sound {
public:
    bool PlayAsync(const QByteArray&) override { return true; }
    bool PlayToCompletion(const QByteArray&, Finished) override {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* frame = qobject_cast<TForm2*>(widget)) {
                frameVisible = frame->isVisible();
                activeDuringCheck = frame->ActivePage()->ClassName();
            }
        }
        return true;
    }
    void Beep() override {}
    QString activeDuringCheck;
    bool frameVisible = false;
};

} // namespace

TEST(Startup, DeviceCheckRunsWithTheInitialisationWindowInFront) {
    test::TempDir dir;
    dir.Write(QStringLiteral("ryvw.cfg"),
              test::Cp1251Lines("SerialPort = COM2\nIO_Serial = 1\nTarget = -1 1 -1 -1 -1\n"));
    dir.Write(QStringLiteral("Sounds/2251.wav"), "wave");
    ProgramState state;
    state.StartDir = dir.Path();
    ManualClock clock;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports(model, &clock, QStringLiteral("COM2"));
    WitnessSound sound;
    Services services{&clock, nullptr, &dialogs, &ports, &sound};
    RyvoApplication app(state, services);
    int calibrationReads = 0;
    app.SetReadCalibration([&] {
        ++calibrationReads;
        // After the settings, before the port.
        EXPECT_EQ(state.settings.SerialPort, QStringLiteral("COM2"));
        EXPECT_EQ(ports.opened, 0);
    });
    app.CreateWindows();
    EXPECT_EQ(calibrationReads, 1);
    EXPECT_EQ(sound.activeDuringCheck, QStringLiteral("TInitial"));
    EXPECT_TRUE(sound.frameVisible);
    ASSERT_NE(qobject_cast<TInitial*>(app.Frame().Find(QStringLiteral("TInitial"))), nullptr);
    EXPECT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{0, 1, 0, 0, 0}));
    EXPECT_EQ(model.Lane(0).polls, 50);
    EXPECT_TRUE(dialogs.messages.empty());
    app.Start();
    EXPECT_EQ(app.Frame().ActivePage()->ClassName(), QStringLiteral("TMainForm2"));
}

TEST(Startup, SaveDialogHandsBackThroughTheFrame) {
    Harness h;
    h.app->CreateWindows();
    h.app->Start();
    TForm2& frame = h.app->Frame();
    ASSERT_NE(dynamic_cast<TGroupsForm*>(frame.Find(QStringLiteral("TGroupsForm"))), nullptr);
    auto* dialog = dynamic_cast<TSave_Print*>(frame.Find(QStringLiteral("TSave_Print")));
    ASSERT_NE(dialog, nullptr);
    h.state.ResultSource = 1;
    frame.Activate(QStringLiteral("TSave_Print"));
    EXPECT_EQ(frame.ActivePage(), dialog);
    dialog->findChild<QPushButton*>(QStringLiteral("Abort"))->click();
    EXPECT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TShoot1"));
    EXPECT_NE(dynamic_cast<TShoot1*>(frame.ActivePage()), nullptr);
}

namespace {

void RunEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs this test again in a child process on an X server of its own without a window
// manager, so the frame meets a display that neither maximises nor decorates it.
void RunOnBareXServer(const char* testName) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        GTEST_SKIP() << "Xvfb is not installed (scripts/deps.sh installs it)";
    }
    int display = 100 + static_cast<int>(QCoreApplication::applicationPid() % 800);
    while (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(display))) {
        ++display;
    }
    QProcess server;
    server.start(xvfb, {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1600x1000x24"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted(5000));
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
    for (int i = 0; i < 100 && !QFileInfo::exists(socket); ++i) {
        QThread::msleep(50);
    }
    ASSERT_TRUE(QFileInfo::exists(socket)) << "Xvfb did not come up";

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("RYVO_BARE_X_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=%1").arg(QString::fromLatin1(testName))});
    const bool finished = child.waitForFinished(60000);
    const QString output = QString::fromUtf8(child.readAll());
    server.terminate();
    server.waitForFinished(5000);
    ASSERT_TRUE(finished) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

} // namespace

// The frame covers the screen and its title bar reads the caption alone, also where no
// window manager maximises it.
TEST(Startup, FrameFillsTheScreenWithItsCaptionAsTitle) {
    if (!qEnvironmentVariableIsSet("RYVO_BARE_X_CHILD")) {
        RunOnBareXServer("Startup.FrameFillsTheScreenWithItsCaptionAsTitle");
        return;
    }
    PrepareApplication(*qApp); // as the program starts
    Harness h;
    h.app->CreateWindows();
    h.app->Start();
    TForm2& frame = h.app->Frame();
    RunEventsFor(300);
    EXPECT_EQ(frame.geometry(), QRect(0, 0, 1600, 1000));
    EXPECT_EQ(frame.windowTitle(), ProductCaption());

    // The title the display holds for the frame, as a window manager or task bar reads it.
    const QString xprop = QStandardPaths::findExecutable(QStringLiteral("xprop"));
    if (xprop.isEmpty()) {
        std::cout << "xprop is not installed: the title is not read back from the display\n";
        return;
    }
    QProcess probe;
    probe.start(xprop, {QStringLiteral("-id"), QString::number(frame.winId()),
                        QStringLiteral("_NET_WM_NAME")});
    ASSERT_TRUE(probe.waitForFinished(10000));
    EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(),
              QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"%1\"").arg(ProductCaption()));
}

// Qt's standard buttons and file dialogs speak Russian once the translation is installed.
TEST(Startup, QtStandardTextsAreRussian) {
    QTranslator* russian = InstallQtRussian(*qApp);
    ASSERT_NE(russian, nullptr) << "qtbase_ru.qm not found in "
                                << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString();
    QMessageBox box(QMessageBox::Warning, QStringLiteral(" "),
                    QStringLiteral("Вы уверены что хотите удалить группу?"),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Да"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(u'&'), QStringLiteral("Нет"));
    QMessageBox ok(QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("x"),
                   QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(ok.button(QMessageBox::Cancel)->text().remove(u'&'), QStringLiteral("Отмена"));

    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    auto* buttons = files.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().remove(u'&'),
              QStringLiteral("Отмена"));
    auto* nameLabel = files.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
    ASSERT_NE(nameLabel, nullptr);
    EXPECT_FALSE(nameLabel->text().contains(QStringLiteral("name")))
        << nameLabel->text().toStdString();

    QCoreApplication::removeTranslator(russian);
    delete russian;
}

// A device switched on after start-up: F5 on the main window checks again and the shooters
// it finds can start without restarting the program.
TEST(Startup, F5ChecksTheDeviceAgain) {
    test::TempDir dir;
    dir.Write(QStringLiteral("ryvw.cfg"),
              test::Cp1251Lines("SerialPort = COM2\nIO_Serial = 1\nTarget = 1 1 -1 -1 -1\n"
                                "Shooter = 1\n"));
    ProgramState state;
    state.StartDir = dir.Path();
    ManualClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    model.GetFaults().Set(sim::Fault::Silence);
    sim::SimulatedPortFactory ports(model, &clock, QStringLiteral("COM2"));
    Services services{&clock, &keyboard, &dialogs, &ports, nullptr};
    RyvoApplication app(state, services);
    app.CreateWindows();
    app.Start();
    TForm2& frame = app.Frame();
    Page* main = frame.ActivePage();
    ASSERT_EQ(main->ClassName(), QStringLiteral("TMainForm2"));
    auto* status = main->findChild<QLabel*>(QStringLiteral("DeviceStatus"));
    ASSERT_NE(status, nullptr);
    const QString noData = QStringLiteral("Не поступают данные через последовательный порт COM2");
    EXPECT_EQ(status->text(), noData);
    ASSERT_EQ(dialogs.messages.size(), 1u); // the start-up message box
    main->findChild<QPushButton*>(QStringLiteral("BeginShooting"))->click();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("Отсутствует сигнал для этого стрелка!"));

    model.GetFaults().Clear();
    auto* button = main->findChild<QPushButton*>(QStringLiteral("CheckDevice"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Проверить прибор"));
    const int polls = model.Lane(0).polls;
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(main->focusWidget() != nullptr ? main->focusWidget() : main, &f5);
    auto* mainForm = dynamic_cast<TMainForm2*>(main);
    ASSERT_NE(mainForm, nullptr);
    EXPECT_TRUE(mainForm->CheckingDevice());
    EXPECT_FALSE(button->isEnabled());
    for (int i = 0; i < 1000 && mainForm->CheckingDevice(); ++i) {
        QCoreApplication::processEvents();
    }
    ASSERT_FALSE(mainForm->CheckingDevice());
    EXPECT_EQ(model.Lane(0).polls - polls, 50);
    EXPECT_EQ(status->text(), QStringLiteral("Прибор отвечает: стрелки 1, 2"));
    EXPECT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 0}));
    EXPECT_EQ(state.Port, nullptr);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(dialogs.messages.size(), 2u);

    main->findChild<QPushButton*>(QStringLiteral("BeginShooting"))->click();
    EXPECT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TShoot1"));
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

// A first start has no settings file: port-card mode, which has no input path. The status
// says so even though something answers the polls on the serial port.
TEST(Startup, PortCardModeClaimsNoDevice) {
    test::TempDir dir;
    ProgramState state;
    state.StartDir = dir.Path();
    ManualClock clock;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports(model, &clock);
    Services services{&clock, nullptr, &dialogs, &ports, nullptr};
    RyvoApplication app(state, services);
    app.CreateWindows();
    app.Start();
    EXPECT_EQ(state.settings.IO_Serial, 0u);
    EXPECT_EQ(state.NoData, 0);
    Page* main = app.Frame().Find(QStringLiteral("TMainForm2"));
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->findChild<QLabel*>(QStringLiteral("DeviceStatus"))->text(),
              QStringLiteral("Режим платы ввода: прибор не проверяется"));
}

// The first start with no device anywhere: the dialog says so, cannot use a device, keeps
// lanes 1 and 2 for the demonstration and leads to the settings or the main window; nothing
// is written.
TEST(Startup, FirstStartWithoutADevice) {
    Harness h;
    h.app->CreateWindows();
    h.app->Start();
    TForm2& frame = h.app->Frame();
    auto* first = dynamic_cast<TFirstStart*>(frame.ActivePage());
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 100 && first->Searching(); ++i) {
        QCoreApplication::processEvents();
    }
    ASSERT_FALSE(first->Searching());
    EXPECT_TRUE(first->findChild<QLabel*>(QStringLiteral("FoundText"))
                    ->text()
                    .startsWith(QStringLiteral("Прибор не найден")));
    EXPECT_FALSE(first->findChild<QPushButton*>(QStringLiteral("UseDevice"))->isEnabled());
    EXPECT_TRUE(first->findChild<QCheckBox*>(QStringLiteral("Lane2"))->isChecked());
    EXPECT_FALSE(first->findChild<QCheckBox*>(QStringLiteral("Lane3"))->isChecked());
    first->findChild<QPushButton*>(QStringLiteral("Settings"))->click();
    EXPECT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TForm3"));
    frame.Activate(QStringLiteral("TFirstStart"));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(frame.ActivePage(), &escape);
    EXPECT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TMainForm2"));
    EXPECT_EQ(h.state.settings.Target[0], -1);
    EXPECT_TRUE(QDir(h.dir.Path()).entryList({QStringLiteral("ryvw.*")}).isEmpty());
}

TEST(Startup, ArchiveWindowsRunThroughTheFrame) {
    Harness h;
    NewResult result;
    result.shooter = QStringLiteral("Петров");
    result.targetType = 2;
    result.shots = {{0, 0}, {150, 0}};
    ASSERT_TRUE(
        AppendResult(h.dir.Path(), QStringLiteral("Взвод 1"), {2008, 12, 7, 9, 5}, result).ok);
    h.app->CreateWindows();
    h.app->Start();
    TForm2& frame = h.app->Frame();
    frame.Activate(QStringLiteral("TArchiv1"));
    auto* one = dynamic_cast<TArchiv1*>(frame.ActivePage());
    ASSERT_NE(one, nullptr);
    ArchiveBrowser& browser = one->Browser();
    ASSERT_EQ(browser.Years(), std::vector<QString>{"2008"});
    for (const char* list : {"ListBox1", "ListBox2", "ListBox3", "ListBox4"}) {
        auto* widget = one->findChild<QListWidget*>(QString::fromLatin1(list));
        ASSERT_NE(widget, nullptr);
        ASSERT_EQ(widget->count(), 1) << list;
        widget->item(0)->setSelected(true);
    }
    // The date opened the table, which shares the browser's choices.
    ASSERT_NE(dynamic_cast<TArchiv2*>(frame.ActivePage()), nullptr);
    ASSERT_EQ(h.state.archive.DayRecords.size(), 1u);
    frame.ActivePage()->findChild<QTableView*>(QStringLiteral("ListView1"))->selectRow(0);
    frame.ActivePage()->findChild<QPushButton*>(QStringLiteral("ShowTarget"))->click();
    auto* three = dynamic_cast<TArchiv3*>(frame.ActivePage());
    ASSERT_NE(three, nullptr);
    auto* button = three->findChild<QPushButton*>(QStringLiteral("ViewShoots"));
    button->click();
    // Shift reaches the view through the frame's key preview, wherever the focus is; held
    // down it repeats, and still steps one shot.
    for (const bool repeat : {false, true, true}) {
        QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, QString(), repeat);
        QApplication::sendEvent(button, &shift);
    }
    EXPECT_EQ(button->text(), QStringLiteral("Выстрел N 2"));
    EXPECT_EQ(three->View().Arrow(), MissDirection::Right);
    three->findChild<QPushButton*>(QStringLiteral("Exit"))->click();
    EXPECT_EQ(frame.ActivePage()->ClassName(), QStringLiteral("TArchiv2"));
}
