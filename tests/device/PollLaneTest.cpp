#include "device/DeviceProtocol.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "platform/Dialogs.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ryvo;
using sim::DeviceModel;
using sim::Fault;

namespace {

// A port that plays back fixed answers, for frames the model would never build.
class CannedPort final : public SerialPort {
public:
    explicit CannedPort(std::vector<std::uint8_t> answer) : m_answer(std::move(answer)) {}
    bool IsOpen() const override { return true; }
    bool SettingsApplied() const override { return true; }
    bool WriteByte(std::uint8_t value) override {
        written.push_back(value);
        if ((value & 0xF0) == kPoll) {
            m_unread = m_answer;
        }
        return true;
    }
    int Read(std::uint8_t* buffer, int count) override {
        const int n = std::min<int>(count, static_cast<int>(m_unread.size()));
        std::copy_n(m_unread.begin(), n, buffer);
        m_unread.erase(m_unread.begin(), m_unread.begin() + n);
        return n;
    }
    void Close() override {}
    std::vector<std::uint8_t> written;

private:
    std::vector<std::uint8_t> m_answer;
    std::vector<std::uint8_t> m_unread;
};

class RecordingShoot final : public TFormShoot {
public:
    using TFormShoot::TFormShoot;
    struct Sample {
        std::uint32_t level;
        int lane;
        float x;
        float y;
    };
    void AddTraceSample(std::uint32_t level, int lane, float x, float y) override {
        samples.push_back({level, lane, x, y});
    }
    std::vector<Sample> samples;
};

struct Bench {
    ProgramState state;
    ManualClock clock;
    DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock};
    Services services{&clock, nullptr, nullptr, &ports, nullptr};
    RecordingShoot window{state, services};

    Bench() {
        state.settings.TimeGun = 0; // no smoothing unless a test asks
        state.SignalLevel = 8000.0F;
        state.SignalLowFactor = 0.15F;
        state.SignalHighFactor = 0.8F;
        state.settings.SerialPort = QStringLiteral("COM1");
        EXPECT_EQ(OpenPort(state, services), 1);
    }
    void Canned(std::vector<std::uint8_t> answer) {
        auto port = std::make_unique<CannedPort>(std::move(answer));
        canned = port.get();
        state.Port = std::move(port);
    }
    CannedPort* canned = nullptr;
};

const std::vector<std::uint8_t> kShotFrame = {0x91, 0x00, 0x00, 0x64, 0xFF, 0x38, 0x03, 0xE8, 0x17};

} // namespace

TEST(DeviceFrame, DecodesFieldsBigEndianAndChecksum) {
    FrameBytes bytes{};
    std::copy(kShotFrame.begin(), kShotFrame.end(), bytes.begin());
    const DeviceFrame f = DecodeFrame(bytes);
    EXPECT_TRUE(f.IsLane(0));
    EXPECT_TRUE(f.trigger);
    EXPECT_EQ(f.x, 100);
    EXPECT_EQ(f.y, -200);
    EXPECT_EQ(f.level, 1000);
    EXPECT_TRUE(f.checksumOk);
    bytes[8] = 0x18;
    EXPECT_FALSE(DecodeFrame(bytes).checksumOk);
    // Level 0 reads as 1; the extremes of the signed fields survive.
    bytes = sim::BuildFrame(4, false, 0, -32768, 32767, 0);
    const DeviceFrame g = DecodeFrame(bytes);
    EXPECT_TRUE(g.IsLane(4));
    EXPECT_EQ(g.x, -32768);
    EXPECT_EQ(g.y, 32767);
    EXPECT_EQ(g.level, 1);
    EXPECT_TRUE(g.checksumOk);
}

TEST(PollLane, TriggerFrameIsAcceptedAndAcknowledgedTwice) {
    Bench b;
    b.Canned(kShotFrame);
    EXPECT_EQ(b.window.PollLane(0), 0);
    const DeviceValues& d = b.state.Device;
    EXPECT_EQ(d.RawTrigger[0], 1);
    EXPECT_EQ(d.RawX[0], 100);
    EXPECT_EQ(d.RawY[0], -200);
    EXPECT_EQ(d.RawLevel[0], 1000);
    EXPECT_EQ(d.Trigger[0], 1);
    EXPECT_EQ(d.Level[0], 1000);
    EXPECT_EQ(d.LastLevel, 1000);
    EXPECT_FLOAT_EQ(d.PosX[0], 0.1F);
    EXPECT_FLOAT_EQ(d.PosY[0], -0.2F);
    EXPECT_EQ(b.canned->written, (std::vector<std::uint8_t>{0x70, 0x80, 0x80}));

    // The same through the simulator, whose log sees every byte.
    Bench s;
    s.model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{100, -200});
    s.model.Lane(0).level = 1000;
    s.model.Lane(0).triggers.Pull();
    s.model.Lane(0).pendingOverride = 0;
    EXPECT_EQ(s.window.PollLane(0), 0);
    EXPECT_EQ(s.model.Log().Bytes(), (std::vector<std::uint8_t>{0x70, 0x80, 0x80}));
    EXPECT_EQ(s.state.Device.Trigger[0], 1);
    // Acknowledged: the next frame carries no trigger.
    EXPECT_EQ(s.window.PollLane(0), 0);
    EXPECT_EQ(s.state.Device.Trigger[0], 0);
    EXPECT_EQ(s.model.Log().Bytes(), (std::vector<std::uint8_t>{0x70, 0x80, 0x80, 0x70}));
}

TEST(PollLane, RejectedFramesLeaveAcceptedValues) {
    Bench b;
    b.model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{100, -200});
    b.model.Lane(0).level = 1000;
    ASSERT_EQ(b.window.PollLane(0), 0);

    // Wrong lane nibble (0x92 for lane 0): nothing stored at all.
    std::vector<std::uint8_t> wrongLane = kShotFrame;
    wrongLane[0] = 0x92;
    wrongLane[8] = 0x18;
    b.Canned(wrongLane);
    EXPECT_EQ(b.window.PollLane(0), 0);
    EXPECT_EQ(b.state.Device.RawTrigger[0], 0);
    EXPECT_EQ(b.canned->written, (std::vector<std::uint8_t>{0x70}));

    // Bad checksum: raw fields of the frame, accepted values of the last good one, no ack.
    std::vector<std::uint8_t> badSum = {0x81, 0x00, 0x01, 0x00, 0x02, 0x00, 0x07, 0xD0, 0x00};
    b.Canned(badSum);
    EXPECT_EQ(b.window.PollLane(0), 0);
    const DeviceValues& d = b.state.Device;
    EXPECT_EQ(d.RawTrigger[0], 1);
    EXPECT_EQ(d.RawX[0], 256);
    EXPECT_EQ(d.RawY[0], 512);
    EXPECT_EQ(d.RawLevel[0], 2000);
    EXPECT_EQ(d.Trigger[0], 0);
    EXPECT_EQ(d.Level[0], 1000);
    EXPECT_FLOAT_EQ(d.PosX[0], 0.1F);
    EXPECT_EQ(b.canned->written, (std::vector<std::uint8_t>{0x70}));

    // Eight bytes: -1, nothing stored, no acknowledge.
    b.Canned({0x81, 0x00, 0x01, 0x00, 0x02, 0x00, 0x07, 0xD0});
    EXPECT_EQ(b.window.PollLane(0), -1);
    EXPECT_EQ(d.RawX[0], 256);
    EXPECT_EQ(b.canned->written, (std::vector<std::uint8_t>{0x70}));
}

TEST(PollLane, SimulatorFaultModes) {
    Bench b;
    b.model.Lane(1).aim = std::make_unique<sim::FixedAim>(sim::Signal{300, 600});
    b.model.Lane(1).level = 3000;
    b.model.Lane(1).triggers.Pull();
    b.model.GetFaults().Set(Fault::ShortFrame, 1);
    const std::uint32_t before = b.clock.TickCount();
    EXPECT_EQ(b.window.PollLane(1), -1);
    // The in-process port costs the read time-out on the manual clock: 50 + 9 ms.
    EXPECT_EQ(b.clock.TickCount() - before, 59u);
    EXPECT_EQ(b.model.Log().Count(0x81), 0);

    b.model.GetFaults().Clear();
    b.model.GetFaults().Set(Fault::BadChecksum, 1);
    EXPECT_EQ(b.window.PollLane(1), 1);
    EXPECT_EQ(b.state.Device.RawX[1], 300);
    EXPECT_EQ(b.state.Device.Level[1], 0);
    EXPECT_EQ(b.model.Log().Count(0x81), 0);

    b.model.GetFaults().Clear();
    b.model.GetFaults().Set(Fault::WrongLane, 1);
    b.state.Device.RawX[1] = 0;
    EXPECT_EQ(b.window.PollLane(1), 1);
    EXPECT_EQ(b.state.Device.RawX[1], 0);

    b.model.GetFaults().Clear();
    b.model.GetFaults().Set(Fault::Silence);
    EXPECT_EQ(b.window.PollLane(1), -1);

    b.model.GetFaults().Clear();
    EXPECT_EQ(b.window.PollLane(1), 1);
    EXPECT_EQ(b.state.Device.Level[1], 3000);
    EXPECT_EQ(b.model.Log().Count(0x81), 2);

    b.model.GetFaults().Set(Fault::Unplug);
    EXPECT_EQ(b.window.PollLane(1), -1);
}

TEST(PollLane, LevelZeroReadsAsOne) {
    Bench b;
    b.model.Lane(3).aim = std::make_unique<sim::FixedAim>(sim::Signal{5, -7});
    b.model.Lane(3).level = 0;
    EXPECT_EQ(b.window.PollLane(3), 3);
    EXPECT_EQ(b.state.Device.RawLevel[3], 1);
    EXPECT_EQ(b.state.Device.Level[3], 1);
    EXPECT_FLOAT_EQ(b.state.Device.PosX[3], 5.0F);
    EXPECT_FLOAT_EQ(b.state.Device.PosY[3], -7.0F);
}

TEST(PollLane, PendingLanesAreFetchedInOrderUntilTheMaskEmpties) {
    Bench b;
    for (int lane = 0; lane < 5; ++lane) {
        b.model.Lane(lane).pendingOverride = 0x1F;
        b.model.Lane(lane).aim =
            std::make_unique<sim::FixedAim>(sim::Signal{static_cast<std::int16_t>(lane * 100), 50});
        b.model.Lane(lane).level = 1000;
    }
    b.model.Lane(3).triggers.Pull();
    b.state.settings.TimeGun = 50; // smoothing applies to the polled lane only
    EXPECT_EQ(b.window.PollLane(2), 2);
    EXPECT_EQ(b.model.Log().Bytes(),
              (std::vector<std::uint8_t>{0x72, 0x70, 0x71, 0x73, 0x83, 0x74}));
    EXPECT_FLOAT_EQ(b.state.Device.PosX[2], 0.1F); // half way from 0 to 0.2
    EXPECT_FLOAT_EQ(b.state.Device.PosX[4], 0.4F);
    EXPECT_FLOAT_EQ(b.state.Device.TraceHistX[4][0], 0.4F);
    EXPECT_EQ(b.state.Device.Trigger[3], 1);
    EXPECT_EQ(b.state.Device.LastLevel, 1000);

    // Lane 0 answers with an empty mask: the round ends after it.
    b.model.Log().Clear();
    b.model.Lane(0).pendingOverride = 0;
    EXPECT_EQ(b.window.PollLane(2), 2);
    EXPECT_EQ(b.model.Log().Bytes(), (std::vector<std::uint8_t>{0x72, 0x70}));

    // A mask naming only the polled lane fetches nothing else.
    b.model.Log().Clear();
    b.model.Lane(2).pendingOverride = 0x04;
    EXPECT_EQ(b.window.PollLane(2), 2);
    EXPECT_EQ(b.model.Log().Bytes(), (std::vector<std::uint8_t>{0x72}));
}

TEST(PollLane, SmoothingFollowsTimeGun) {
    EXPECT_FLOAT_EQ(SmoothingWeight(0), 1.0F);
    EXPECT_FLOAT_EQ(SmoothingWeight(50), 0.5F);
    EXPECT_FLOAT_EQ(SmoothingWeight(100), 0.0F);
    EXPECT_FLOAT_EQ(SmoothingWeight(150), 0.01F);
    EXPECT_FLOAT_EQ(SmoothingWeight(-20), 1.0F);

    Bench b;
    b.state.settings.TimeGun = 75; // s = 0.25
    b.model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{400, -800});
    b.model.Lane(0).level = 1000;
    float expectX = 0.0F;
    float expectY = 0.0F;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(b.window.PollLane(0), 0);
        expectX = 0.75F * expectX + 0.25F * 0.4F;
        expectY = 0.75F * expectY + 0.25F * -0.8F;
        EXPECT_FLOAT_EQ(b.state.Device.PosX[0], expectX);
        EXPECT_FLOAT_EQ(b.state.Device.PosY[0], expectY);
    }
    EXPECT_NEAR(b.state.Device.PosX[0], 0.4F * (1.0F - 0.75F * 0.75F * 0.75F * 0.75F), 1e-6);
    // A new run zeroes the histories and smoothing starts again from 0.
    b.state.Device.ZeroHistories();
    ASSERT_EQ(b.window.PollLane(0), 0);
    EXPECT_FLOAT_EQ(b.state.Device.PosX[0], 0.1F);
}

TEST(PollLane, HandsSamplesOverOnlyForActiveLanesWithUsableLevelAndNoTrigger) {
    Bench b;
    b.model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{1000, 2000});
    b.model.Lane(0).level = 2000;
    b.window.PollLane(0);
    EXPECT_TRUE(b.window.samples.empty()); // not active

    b.state.run.LaneActive[0] = 1;
    b.window.PollLane(0);
    ASSERT_EQ(b.window.samples.size(), 1u);
    EXPECT_EQ(b.window.samples[0].level, 2000u);
    EXPECT_EQ(b.window.samples[0].lane, 0);
    EXPECT_FLOAT_EQ(b.window.samples[0].x, 0.5F);
    EXPECT_FLOAT_EQ(b.window.samples[0].y, 1.0F);

    // Level window 1200..6400 with the serial device, both ends included.
    for (std::uint16_t level : {1199, 1200, 6400, 6401}) {
        b.window.samples.clear();
        b.model.Lane(0).level = level;
        b.window.PollLane(0);
        EXPECT_EQ(b.window.samples.size(), (level == 1200 || level == 6400) ? 1u : 0u) << level;
    }

    // A trigger frame is left out of the trace.
    b.window.samples.clear();
    b.model.Lane(0).level = 2000;
    b.model.Lane(0).triggers.Pull();
    b.window.PollLane(0);
    EXPECT_TRUE(b.window.samples.empty());

    // A rejected frame still hands over the values of the last accepted one.
    b.window.PollLane(0); // trigger acknowledged, accepted again
    b.window.samples.clear();
    b.model.GetFaults().Set(Fault::BadChecksum, 0);
    b.model.Lane(0).level = 3000;
    b.window.PollLane(0);
    ASSERT_EQ(b.window.samples.size(), 1u);
    EXPECT_EQ(b.window.samples[0].level, 2000u);

    // No answer: no hand-over.
    b.window.samples.clear();
    b.model.GetFaults().Set(Fault::Silence);
    EXPECT_EQ(b.window.PollLane(0), -1);
    EXPECT_TRUE(b.window.samples.empty());
}

TEST(SerialLink, LampCommandsAndPauses) {
    Bench b;
    AllLampsOff(b.state, b.clock);
    std::vector<std::uint8_t> expected;
    for (int lane = 0; lane < 5; ++lane) {
        for (int i = 0; i < 5; ++i) {
            expected.push_back(static_cast<std::uint8_t>(0x20 + lane));
        }
    }
    EXPECT_EQ(b.model.Log().Bytes(), expected);
    // A 2 ms pause before each of the 25 bytes.
    const auto& log = b.model.Log().Entries();
    EXPECT_DOUBLE_EQ(log.front().ms, 2.0);
    EXPECT_DOUBLE_EQ(log.back().ms, 50.0);
    EXPECT_EQ(b.model.Lamps().Commands(0x24), 5);

    b.model.Log().Clear();
    const std::uint32_t t0 = b.clock.TickCount();
    SteadyLampOn(b.state, 2);
    FlashLampOn(b.state, 3);
    EXPECT_TRUE(b.model.Lamps().SteadyOn(2));
    EXPECT_TRUE(b.model.Lamps().FlashOn(3));
    EXPECT_EQ(b.clock.TickCount(), t0);
    FlashLampOff(b.state, b.clock, 3);
    EXPECT_EQ(b.clock.TickCount() - t0, 4u); // pauses only between the three bytes
    SteadyLampOff(b.state, b.clock, 2);
    EXPECT_EQ(b.clock.TickCount() - t0, 14u);
    EXPECT_FALSE(b.model.Lamps().SteadyOn(2));
    EXPECT_FALSE(b.model.Lamps().FlashOn(3));
    EXPECT_EQ(b.model.Log().Bytes(), (std::vector<std::uint8_t>{0x12, 0x43, 0x33, 0x33, 0x33, 0x22,
                                                                0x22, 0x22, 0x22, 0x22}));

    // Without a port the commands go nowhere and nothing breaks.
    ClosePort(b.state);
    AllLampsOff(b.state, b.clock);
    WriteByte(b.state, 0x10);
    EXPECT_EQ(b.model.Log().Entries().size(), 10u);
}

TEST(SerialLink, OpenPortOutcomes) {
    ProgramState state;
    ManualClock clock;
    DeviceModel model;
    sim::SimulatedPortFactory ports(model, &clock, QStringLiteral("COM2"));
    ScriptedDialogs dialogs;
    Services services;
    services.ports = &ports;
    services.dialogs = &dialogs;

    state.LanePresent.fill(1);
    state.settings.SerialPort = QStringLiteral("COM7");
    EXPECT_EQ(OpenPort(state, services), 0);
    EXPECT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{}));
    ASSERT_NE(state.Port, nullptr); // the invalid port is kept; it fails every call
    TFormShoot window(state, services);
    EXPECT_EQ(window.PollLane(0), -1);
    EXPECT_TRUE(dialogs.messages.empty());

    state.LanePresent.fill(1);
    state.settings.SerialPort = QStringLiteral("COM2");
    ports.settingsFail = true;
    EXPECT_EQ(OpenPort(state, services), 1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QString::fromUtf8("Ошибка инициализации последовательного по") + QChar(0x70) +
                  QString::fromUtf8("та COM2"));
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(state.LanePresent[0], 1);
    // The port stays in use.
    EXPECT_EQ(window.PollLane(0), 0);
}

TEST(SerialLink, PortNames) {
#ifndef Q_OS_WIN
    EXPECT_EQ(SystemPortName(QStringLiteral("COM1")), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(SystemPortName(QStringLiteral("COM12")), QStringLiteral("/dev/ttyS11"));
    EXPECT_EQ(SystemPortName(QStringLiteral("COM0")), QStringLiteral("COM0"));
#else
    EXPECT_EQ(SystemPortName(QStringLiteral("COM1")), QStringLiteral("COM1"));
#endif
    EXPECT_EQ(SystemPortName(QStringLiteral("/dev/ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
    // An unopenable name leaves an invalid port behind, not a crash.
    QtSerialPortFactory factory;
    auto port = factory.Open(QStringLiteral("/nonexistent/ryvo-port"));
    ASSERT_NE(port, nullptr);
    EXPECT_FALSE(port->IsOpen());
    EXPECT_FALSE(port->WriteByte(0x70));
    std::uint8_t buffer[9];
    EXPECT_EQ(port->Read(buffer, 9), 0);
}

TEST(PollLane, SingleLaneModeAsksOnlyItsLaneAndAcknowledgesAShot) {
    Bench b;
    b.state.run.LaneActive[1] = 1;
    for (int lane = 0; lane < 2; ++lane) {
        b.model.Lane(lane).pendingOverride = 0x03;
        b.model.Lane(lane).aim = std::make_unique<sim::FixedAim>(sim::Signal{400, -200});
        b.model.Lane(lane).level = 2000;
    }
    b.state.settings.TimeGun = 150; // beyond 100: the single-lane floor of 0.02 applies
    EXPECT_EQ(GetXY2(b.state, &b.clock, 1), 1);
    // No chain through the pending mask (and the function hands over no sample).
    EXPECT_EQ(b.model.Log().Bytes(), (std::vector<std::uint8_t>{0x71}));
    EXPECT_FLOAT_EQ(b.state.Device.PosX[1], 0.02F * 0.2F);
    EXPECT_EQ(b.state.Device.LastLevel, 2000);

    // A shot is acknowledged once, so the device does not report it again.
    b.model.Log().Clear();
    b.model.Lane(1).triggers.Pull();
    EXPECT_EQ(GetXY2(b.state, &b.clock, 1), 1);
    EXPECT_EQ(b.model.Log().Bytes(), (std::vector<std::uint8_t>{0x71, 0x81}));
    EXPECT_EQ(b.state.Device.Trigger[1], 1);
    EXPECT_EQ(b.model.Lane(1).triggers.Acknowledged(), 1);

    // A frame of another lane, or a short one, changes nothing.
    b.Canned(kShotFrame); // lane 0's frame
    EXPECT_EQ(GetXY2(b.state, &b.clock, 1), -1);
    EXPECT_EQ(b.canned->written, (std::vector<std::uint8_t>{0x71}));
    EXPECT_FLOAT_EQ(b.state.Device.PosX[1], 0.02F * 0.2F + 0.98F * 0.02F * 0.2F);
}
