#include "device/TInitial.h"
#include "device/TInitialCheck.h"

#include "platform/Dialogs.h"
#include "platform/Sound.h"
#include "support/TempDir.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>

using namespace ryvo;

namespace {

const QString kNoDataText = QString::fromUtf8("Не поступают данные через последовательный порт %1");

struct Startup {
    test::TempDir dir;
    ProgramState state;
    ManualClock clock;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock, QStringLiteral("COM3")};
    ScriptedDialogs dialogs;
    RecordingSound sound;
    Services services{&clock, nullptr, &dialogs, &ports, &sound};
    std::unique_ptr<TInitial> window;
    int calibrationReads = 0;

    explicit Startup(const char* settings) {
        state.StartDir = dir.Path();
        dir.Write(QStringLiteral("ryvw.cfg"), test::Cp1251Lines(QString::fromUtf8(settings)));
        window = std::make_unique<TInitial>(state, services);
        window->SetReadCalibration([this] { ++calibrationReads; });
        // Sound2 = 0 picks resource 2251 of the sound pack as the shot sound.
        dir.Write(QStringLiteral("Sounds/strings.txt"), "1\tshot\n");
        dir.Write(QStringLiteral("Sounds/2251.wav"), "RIFF-shot");
        LoadSoundLibrary(state);
    }
};

constexpr const char* kSerialTwoLanes = "SerialPort = COM3\n"
                                        "IO_Serial = 1\n"
                                        "Target = 1 2 -1 -1 3\n";

} // namespace

TEST(TInitial, ShowsItsTexts) {
    Startup s(kSerialTwoLanes);
    EXPECT_EQ(s.window->Caption(), QString::fromUtf8("Инициализация"));
    auto* text = s.window->findChild<QLabel*>(QStringLiteral("StaticText1"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), QString::fromUtf8("Идет настройка системы"));
    EXPECT_TRUE(text->font().bold());
    auto* contact = s.window->findChild<QLabel*>(QStringLiteral("StaticText2"));
    ASSERT_NE(contact, nullptr);
    EXPECT_FALSE(contact->text().isEmpty());
    auto* image = s.window->findChild<QLabel*>(QStringLiteral("Image1"));
    ASSERT_NE(image, nullptr);
    const QImage picture = image->pixmap().toImage();
    ASSERT_FALSE(picture.isNull());
    // The emblem's bull is black in the middle.
    EXPECT_EQ(QColor(picture.pixel(picture.width() / 2 + 3, picture.height() / 2 + 3)),
              QColor(Qt::black));
}

TEST(TInitial, LiveDeviceSettlesLanesFromTargets) {
    Startup s(kSerialTwoLanes);
    s.state.settings.Shooter = 7;
    s.window->Calibrate();
    EXPECT_EQ(s.calibrationReads, 1);
    EXPECT_EQ(s.state.NoData, 0);
    EXPECT_EQ(s.model.Lane(0).polls, 50);
    EXPECT_EQ(s.state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 1}));
    EXPECT_TRUE(s.dialogs.messages.empty());
    EXPECT_EQ(s.state.Port, nullptr); // closed after the check; each run opens it again
    ASSERT_EQ(s.sound.calls.size(), 1u);
    EXPECT_EQ(s.sound.calls[0].call, RecordingSound::Call::ToCompletion);
    EXPECT_EQ(s.sound.calls[0].wav, QByteArray("RIFF-shot"));
    EXPECT_EQ(s.state.SoundAvailable, 1);
    // The output failing while the sound plays turns sounds off after all.
    s.sound.FinishPlayback(false);
    EXPECT_EQ(s.state.SoundAvailable, 0);
}

TEST(TInitial, PartlyAnsweringDeviceStillCounts) {
    Startup s(kSerialTwoLanes);
    // Short frames for the first 200 ms: each costs the 59 ms read time-out, so the first
    // four polls fail and the rest are answered.
    s.model.GetFaults().Add({sim::Fault::ShortFrame, -1, 0, 200});
    s.sound.available = false;
    s.window->Calibrate();
    EXPECT_EQ(s.state.NoData, 0);
    EXPECT_EQ(s.clock.TickCount(), 4u * 59u);
    EXPECT_EQ(s.state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 1}));
    EXPECT_TRUE(s.dialogs.messages.empty());
    EXPECT_EQ(s.state.SoundAvailable, 0);

    // Only the last poll answered still counts.
    Startup t(kSerialTwoLanes);
    t.model.GetFaults().Add({sim::Fault::Silence, -1, 0, 49 * 59});
    t.window->Calibrate();
    EXPECT_EQ(t.state.NoData, 0);
    EXPECT_EQ(t.state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 1}));
}

TEST(TInitial, SilentOrMissingDeviceIsReported) {
    for (const char* settings : {"SerialPort = COM3\nIO_Serial = 1\nTarget = 1 1 1 1 1\n",
                                 "SerialPort = COM9\nIO_Serial = 1\nTarget = 1 1 1 1 1\n"}) {
        Startup s(settings);
        s.model.GetFaults().Set(sim::Fault::Silence);
        const std::uint32_t t0 = s.clock.TickCount();
        s.window->Calibrate();
        EXPECT_EQ(s.state.NoData, 1);
        EXPECT_EQ(s.state.LanePresent, (std::array<std::int32_t, 5>{}));
        ASSERT_EQ(s.dialogs.messages.size(), 1u);
        // The message offers a search of every port; the default answer declines it.
        EXPECT_EQ(s.dialogs.messages[0].text,
                  kNoDataText.arg(s.state.settings.SerialPort) +
                      QString::fromUtf8("\n\nИскать прибор на всех последовательных портах?"));
        EXPECT_EQ(s.dialogs.messages[0].buttons, MessageButtons::YesNo);
        EXPECT_FALSE(s.window->SearchRequested());
        EXPECT_EQ(s.dialogs.messages[0].caption, QStringLiteral("Error"));
        EXPECT_EQ(s.dialogs.messages[0].icon, MessageIcon::Error);
        if (s.state.settings.SerialPort == QStringLiteral("COM3")) {
            EXPECT_EQ(s.clock.TickCount() - t0, 50u * 59u); // the full time-out per poll
        } else {
            EXPECT_EQ(s.ports.opened, 0);
        }
    }
}

TEST(TInitial, PortCardModeTakesLanesZeroAndOne) {
    Startup s("SerialPort = COM3\nIO_Serial = 0\nTarget = -1 -1 1 1 1\nShooter = 31\n");
    s.model.GetFaults().Set(sim::Fault::Silence);
    QFile::remove(s.dir.File(QStringLiteral("Sounds/2251.wav")));
    LoadSoundLibrary(s.state);
    s.window->Calibrate();
    EXPECT_EQ(s.model.Lane(0).polls, 200);
    EXPECT_EQ(s.state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 0}));
    EXPECT_EQ(s.state.CurrentLane, 0);
    EXPECT_EQ(s.state.settings.Shooter, 31u); // put back after the measurement
    EXPECT_TRUE(s.dialogs.messages.empty());
    EXPECT_NE(s.state.Port, nullptr);   // port-card mode keeps the port open
    EXPECT_TRUE(s.sound.calls.empty()); // no shot sound: nothing to play
    EXPECT_EQ(s.state.SoundAvailable, 0);
}

namespace {

QString Recheck(Startup& s) {
    TFormShoot poller(s.state, s.services);
    DeviceCheck check(s.state, s.services, poller);
    check.BeginRecheck();
    while (check.Step()) {
    }
    return check.FinishRecheck();
}

} // namespace

// A device switched on after start-up is found by checking again, without a restart.
TEST(DeviceCheck, RecheckFindsADeviceThatWasSilentAtStartup) {
    Startup s(kSerialTwoLanes);
    s.model.GetFaults().Set(sim::Fault::Silence);
    s.window->Calibrate();
    EXPECT_EQ(s.state.LanePresent, (std::array<std::int32_t, 5>{}));
    EXPECT_EQ(s.window->Summary(), kNoDataText.arg(QStringLiteral("COM3")));
    ASSERT_EQ(s.dialogs.messages.size(), 1u);

    // Still silent: the same finding, said in the line only.
    EXPECT_EQ(Recheck(s), kNoDataText.arg(QStringLiteral("COM3")));
    EXPECT_EQ(s.dialogs.messages.size(), 1u);

    s.model.GetFaults().Clear();
    const int polls = s.model.Lane(0).polls;
    const int opened = s.ports.opened;
    s.state.settings.Shooter = 3;
    EXPECT_EQ(Recheck(s), QStringLiteral("Прибор отвечает: стрелки 1, 2, 5"));
    EXPECT_EQ(s.state.NoData, 0);
    EXPECT_EQ(s.model.Lane(0).polls - polls, 50);
    EXPECT_EQ(s.ports.opened, opened + 1);
    EXPECT_EQ(s.state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 1}));
    EXPECT_EQ(s.state.Port, nullptr); // closed again; each run opens it
    EXPECT_EQ(s.state.settings.Shooter, 3u);
    EXPECT_EQ(s.dialogs.messages.size(), 1u);
    EXPECT_EQ(s.sound.calls.size(), 1u); // the sound test is not repeated

    // A lane whose target was taken away is settled anew; one lane reads in the singular.
    s.state.settings.Target = {-1, 2, -1, -1, -1, -1, -1, -1};
    EXPECT_EQ(Recheck(s), QStringLiteral("Прибор отвечает: стрелок 2"));
    EXPECT_EQ(s.state.LanePresent, (std::array<std::int32_t, 5>{0, 1, 0, 0, 0}));

    // The port gone: nothing answers, every lane is absent.
    s.state.settings.SerialPort = QStringLiteral("COM8");
    EXPECT_EQ(Recheck(s), kNoDataText.arg(QStringLiteral("COM8")));
    EXPECT_EQ(s.state.LanePresent, (std::array<std::int32_t, 5>{}));
}

TEST(DeviceCheck, RecheckInPortCardModeReopensTheKeptPort) {
    Startup s("SerialPort = COM3\nIO_Serial = 0\nTarget = -1 -1 1 1 1\n");
    s.window->Calibrate();
    ASSERT_NE(s.state.Port, nullptr);
    const int opened = s.ports.opened;
    // The probe reads nothing, so no device is reported even though polls were answered.
    EXPECT_EQ(Recheck(s), QStringLiteral("Режим платы ввода: прибор не проверяется"));
    EXPECT_EQ(s.window->Summary(), Recheck(s));
    EXPECT_EQ(s.ports.opened, opened + 2);
    EXPECT_NE(s.state.Port, nullptr); // kept open, as after start-up
    EXPECT_EQ(s.state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 0}));
}
