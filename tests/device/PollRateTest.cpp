#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "device/TInitialCheck.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

using namespace ryvo;

namespace {

// The device behind a USB adapter whose latency timer holds each answer back `lag` ms.
class AdapterFactory final : public SerialPortFactory {
public:
    AdapterFactory(sim::DeviceModel& model, ManualClock& clock) : m_model(model), m_clock(clock) {}

    std::unique_ptr<SerialPort> Open(const QString&) override {
        return std::make_unique<Adapter>(m_model, m_clock, lag, mode);
    }
    std::uint32_t lag = 16;
    LowLatency mode = LowLatency::Failed;

private:
    class Adapter final : public SerialPort {
    public:
        Adapter(sim::DeviceModel& model, ManualClock& clock, std::uint32_t lag, LowLatency mode)
            : m_port(model, &clock), m_clock(clock), m_lag(lag), m_mode(mode) {}
        bool IsOpen() const override { return m_port.IsOpen(); }
        bool SettingsApplied() const override { return true; }
        LowLatency LowLatencyMode() const override { return m_mode; }
        bool WriteByte(std::uint8_t value) override {
            if ((value & 0xF0) == 0x70) {
                m_clock.Advance(m_lag);
            }
            return m_port.WriteByte(value);
        }
        int Read(std::uint8_t* buffer, int count) override { return m_port.Read(buffer, count); }
        void DiscardInput() override { m_port.DiscardInput(); }
        void Close() override { m_port.Close(); }

    private:
        sim::SimulatedPort m_port;
        ManualClock& m_clock;
        std::uint32_t m_lag;
        LowLatency m_mode;
    };

    sim::DeviceModel& m_model;
    ManualClock& m_clock;
};

} // namespace

// Answered polls and their time since the port was opened; a slow link says what to do on
// the system the program runs on, a fast one only gives the rate.
TEST(PollRate, MeasuredSinceTheLastOpenWithAdviceForASlowLink) {
    ProgramState state;
    ManualClock clock;
    sim::DeviceModel model;
    AdapterFactory ports(model, clock);
    Services services{&clock, nullptr, nullptr, &ports, nullptr};
    TFormShoot window(state, services);
    state.settings.SerialPort = QStringLiteral("/dev/ttyUSB0");
    ASSERT_EQ(OpenPort(state, services), 1);
    for (int i = 0; i < 19; ++i) {
        ASSERT_EQ(window.PollLane(0), 0);
    }
    EXPECT_TRUE(PollRateText(state.Polls, state.settings.SerialPort).isEmpty());
    // Unanswered polls cost their time-out but are no measure of the link.
    model.GetFaults().Set(sim::Fault::Silence);
    EXPECT_EQ(window.PollLane(0), -1);
    model.GetFaults().Clear();
    EXPECT_EQ(state.Polls.answered, 19u);
    ASSERT_EQ(window.PollLane(0), 0);
    EXPECT_TRUE(LinkSlow(state.Polls));
    EXPECT_EQ(PollRateText(state.Polls, state.settings.SerialPort, HostSystem::Linux),
              QStringLiteral("Опрос: 63 в с — связь с прибором медленная (нужно не меньше 200 в "
                             "с). Режим малой задержки для /dev/ttyUSB0 включить не удалось. "
                             "Включите его с правами администратора: setserial /dev/ttyUSB0 "
                             "low_latency, или для USB-переходника: echo 1 > "
                             "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer"));
    PollMeter windows = state.Polls;
    EXPECT_TRUE(PollRateText(windows, QStringLiteral("COM3"), HostSystem::Windows)
                    .endsWith(QStringLiteral("Диспетчер устройств → Порты → COM3 → Свойства → "
                                             "Параметры порта → Дополнительно → Время задержки "
                                             "(Latency Timer).")));
    windows.lowLatency = LowLatency::On;
    EXPECT_TRUE(PollRateText(windows, QStringLiteral("COM1"), HostSystem::Linux)
                    .contains(QStringLiteral("для /dev/ttyS0 включен, но")));

    // Opened again, over a fast link: measured afresh.
    ClosePort(state);
    ports.lag = 2;
    ports.mode = LowLatency::On;
    ASSERT_EQ(OpenPort(state, services), 1);
    EXPECT_EQ(state.Polls.answered, 0u);
    EXPECT_EQ(state.Polls.lowLatency, LowLatency::On);
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(window.PollLane(0), 0);
    }
    EXPECT_FALSE(LinkSlow(state.Polls));
    EXPECT_EQ(PollRateText(state.Polls, state.settings.SerialPort),
              QStringLiteral("Опрос: 500 в с"));
}
