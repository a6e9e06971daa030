#include "app/Startup.h"
#include "app/TForm3.h"
#include "app/TMainForm2.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "support/TempDir.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace ryvo;

namespace {

// The device answers on COM5 only; the system lists COM1 (nothing there) and COM5.
struct Range {
    test::TempDir dir;
    ProgramState state;
    ManualClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock, QStringLiteral("COM5")};
    std::unique_ptr<RyvoApplication> app;
    TMainForm2* main = nullptr;

    explicit Range(const QString& settings) {
        state.StartDir = dir.Path();
        dir.Write(QStringLiteral("ryvw.cfg"), test::Cp1251Lines(settings));
        ports.systemPorts = {QStringLiteral("COM1"), QStringLiteral("COM5")};
    }
    void Start() {
        Services services{&clock, &keyboard, &dialogs, &ports, nullptr};
        app = std::make_unique<RyvoApplication>(state, services);
        app->CreateWindows();
        app->Start();
        main = dynamic_cast<TMainForm2*>(app->Frame().Find(QStringLiteral("TMainForm2")));
        ASSERT_NE(main, nullptr);
    }
    // Until no search or check is under way.
    void Settle() {
        for (int i = 0; i < 1000 && (main->Searching() || main->CheckingDevice()); ++i) {
            QCoreApplication::processEvents();
        }
        ASSERT_FALSE(main->Searching() || main->CheckingDevice());
    }
    QString Status() const {
        return main->findChild<QLabel*>(QStringLiteral("DeviceStatus"))->text();
    }
    QByteArray SettingsFile() { return dir.Read(QStringLiteral("ryvw.cfg")); }
};

const QString kOffer = QStringLiteral("Прибор найден: COM5. Использовать?");

} // namespace

// The start-up message about missing data offers the search; the device found on another
// port is offered, taken for this session and checked. The settings file is not touched.
TEST(DeviceSearchWindows, StartupMessageLeadsToTheDeviceOnAnotherPort) {
    Range r(QStringLiteral("SerialPort = COM2\nIO_Serial = 1\nTarget = 1 1 -1 -1 -1\n"));
    const QByteArray before = r.SettingsFile();
    r.dialogs.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    r.Start();
    ASSERT_EQ(r.dialogs.messages.size(), 1u);
    EXPECT_EQ(r.dialogs.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(r.main->Searching());
    EXPECT_TRUE(r.Status().startsWith(QStringLiteral("Поиск прибора: COM2 (1 из 3)")))
        << r.Status().toStdString();
    EXPECT_FALSE(r.main->findChild<QPushButton*>(QStringLiteral("BeginShooting"))->isEnabled());
    r.Settle();
    ASSERT_EQ(r.dialogs.messages.size(), 2u);
    EXPECT_EQ(r.dialogs.messages[1].text, kOffer);
    EXPECT_EQ(r.dialogs.messages[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(r.state.settings.SerialPort, QStringLiteral("COM5"));
    EXPECT_EQ(r.state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 0}));
    EXPECT_EQ(r.Status(), QStringLiteral("Прибор отвечает: стрелки 1, 2"));
    EXPECT_TRUE(r.main->findChild<QPushButton*>(QStringLiteral("BeginShooting"))->isEnabled());
    EXPECT_EQ(r.SettingsFile(), before);
}

// From port-card mode: a device declined changes nothing; taken, it switches the session to
// the serial device with its signal limits. Nothing is written.
TEST(DeviceSearchWindows, MainWindowSearchOffersAndSwitchesToTheSerialDevice) {
    Range r(QStringLiteral("IO_Serial = 0\nTarget = 1 -1 -1 -1 -1\n"));
    r.Start();
    const QString portCard = r.Status();
    r.dialogs.answers = {MessageAnswer::No};
    r.main->findChild<QPushButton*>(QStringLiteral("FindDevice"))->click();
    r.Settle();
    ASSERT_EQ(r.dialogs.messages.size(), 1u);
    EXPECT_EQ(r.dialogs.messages[0].text, kOffer);
    EXPECT_EQ(r.state.settings.IO_Serial, 0u);
    EXPECT_TRUE(r.state.settings.SerialPort.isEmpty());
    EXPECT_EQ(r.Status(), portCard);

    r.dialogs.answers = {MessageAnswer::Yes};
    r.main->FindDeviceClick();
    r.Settle();
    EXPECT_EQ(r.state.settings.IO_Serial, 1u);
    EXPECT_FLOAT_EQ(r.state.SignalLevel, 8000.0F);
    EXPECT_EQ(r.Status(), QStringLiteral("Прибор отвечает: стрелок 1"));
    EXPECT_EQ(r.state.LanePresent, (std::array<std::int32_t, 5>{1, 0, 0, 0, 0}));

    // Nothing answers anywhere: said in the status line, settings as they were.
    r.model.GetFaults().Set(sim::Fault::Silence);
    r.main->FindDeviceClick();
    r.Settle();
    EXPECT_EQ(r.Status(), QStringLiteral("Прибор не найден (проверено портов: 2)"));
    EXPECT_EQ(r.state.settings.SerialPort, QStringLiteral("COM5"));
    EXPECT_EQ(r.dialogs.messages.size(), 2u);
    EXPECT_EQ(r.SettingsFile(), test::Cp1251Lines("IO_Serial = 0\nTarget = 1 -1 -1 -1 -1\n"));
}

// The button beside the port field: the device found fills the field and the serial switch,
// the main window checks the lanes, and leaving the window keeps that port.
TEST(DeviceSearchWindows, SettingsWindowButtonFillsThePortField) {
    Range r(QStringLiteral("SerialPort = COM2\nIO_Serial = 0\nTarget = -1 2 -1 -1 -1\n"));
    r.Start();
    r.app->Frame().Activate(QStringLiteral("TForm3"));
    auto* form3 = dynamic_cast<TForm3*>(r.app->Frame().ActivePage());
    ASSERT_NE(form3, nullptr);
    r.dialogs.answers = {MessageAnswer::Yes};
    form3->findChild<QPushButton*>(QStringLiteral("FindDevice"))->click();
    EXPECT_TRUE(form3->Searching());
    for (int i = 0; i < 1000 && form3->Searching(); ++i) {
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(r.dialogs.messages.size(), 1u);
    EXPECT_EQ(r.dialogs.messages[0].text, kOffer);
    EXPECT_EQ(form3->findChild<QLineEdit*>(QStringLiteral("EditCom"))->text(), QStringLiteral("5"));
    EXPECT_TRUE(form3->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->isChecked());
    EXPECT_EQ(form3->findChild<QLabel*>(QStringLiteral("SearchStatus"))->text(),
              QStringLiteral("Прибор найден: COM5"));
    r.Settle();
    EXPECT_EQ(r.state.LanePresent, (std::array<std::int32_t, 5>{0, 1, 0, 0, 0}));
    form3->findChild<QPushButton*>(QStringLiteral("Exit"))->click();
    EXPECT_EQ(r.state.settings.SerialPort, QStringLiteral("COM5"));
    EXPECT_EQ(r.state.settings.IO_Serial, 1u);
    EXPECT_EQ(r.Status(), QStringLiteral("Прибор отвечает: стрелок 2"));
}
