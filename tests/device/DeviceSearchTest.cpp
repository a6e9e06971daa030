#include "device/DeviceSearch.h"

#include "platform/Clock.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

#include <map>

using namespace ryvo;

namespace {

// Ports by name, each a device model of its own; counts the ports held open.
class PortBench final : public SerialPortFactory {
public:
    explicit PortBench(Clock& clock) : m_clock(clock) {}

    sim::DeviceModel& Add(const QString& name) { return m_models[name]; }

    std::unique_ptr<SerialPort> Open(const QString& name) override {
        auto found = m_models.find(name);
        if (found == m_models.end()) {
            return std::make_unique<Held>(nullptr, open);
        }
        return std::make_unique<Held>(std::make_unique<sim::SimulatedPort>(found->second, &m_clock),
                                      open);
    }
    [[nodiscard]] QStringList SystemPorts() const override { return {}; }

    int open = 0;

private:
    // Counts itself open from opening until closed or destroyed.
    class Held final : public SerialPort {
    public:
        Held(std::unique_ptr<SerialPort> port, int& open) : m_port(std::move(port)), m_open(open) {
            if (m_port) {
                ++m_open;
            }
        }
        ~Held() override { Close(); }
        bool IsOpen() const override { return m_port != nullptr; }
        bool SettingsApplied() const override { return true; }
        bool WriteByte(std::uint8_t value) override { return m_port && m_port->WriteByte(value); }
        int Read(std::uint8_t* buffer, int count) override {
            return m_port ? m_port->Read(buffer, count) : 0;
        }
        void DiscardInput() override {
            if (m_port) {
                m_port->DiscardInput();
            }
        }
        void Close() override {
            if (m_port) {
                m_port->Close();
                m_port.reset();
                --m_open;
            }
        }

    private:
        std::unique_ptr<SerialPort> m_port;
        int& m_open;
    };

    Clock& m_clock;
    std::map<QString, sim::DeviceModel> m_models;
};

std::vector<std::uint8_t> Bytes(const sim::DeviceModel& model) {
    return model.Log().Bytes();
}

} // namespace

// A missing port, a silent one, one answering garbage and one answering other lanes' frames
// are passed over; the device is found, its answering lanes listed, and only polls were
// written: its trigger reports still stand. No port is left open.
TEST(DeviceSearch, FindsOnlyTheDeviceAndWritesNothingButPolls) {
    ManualClock clock;
    PortBench ports(clock);
    ports.Add(QStringLiteral("silent")).GetFaults().Set(sim::Fault::Silence);
    ports.Add(QStringLiteral("garbage")).GetFaults().Set(sim::Fault::Garbage);
    ports.Add(QStringLiteral("wrong")).GetFaults().Set(sim::Fault::WrongLane);
    sim::DeviceModel& device = ports.Add(QStringLiteral("device"));
    device.Lane(0).triggers.Pull();
    device.Lane(2).triggers.Pull();
    device.GetFaults().Set(sim::Fault::Silence, 3);
    ports.Add(QStringLiteral("second")); // a device after the first is not tried

    DeviceSearch search(&ports, {QStringLiteral("absent"), QStringLiteral("silent"),
                                 QStringLiteral("garbage"), QStringLiteral("wrong"),
                                 QStringLiteral("device"), QStringLiteral("second")});
    int steps = 0;
    while (search.Step()) {
        ++steps;
        EXPECT_LE(ports.open, 1);
    }
    EXPECT_TRUE(search.Done());
    EXPECT_EQ(ports.open, 0);
    ASSERT_TRUE(search.Found().has_value());
    EXPECT_EQ(*search.Found(), QStringLiteral("device"));
    EXPECT_EQ(search.Lanes(), (std::array<bool, 5>{true, true, true, false, true}));
    const std::vector<std::pair<QString, PortVerdict>> expected = {
        {QStringLiteral("absent"), PortVerdict::NotOpened},
        {QStringLiteral("silent"), PortVerdict::Silent},
        {QStringLiteral("garbage"), PortVerdict::NotTheDevice},
        {QStringLiteral("wrong"), PortVerdict::NotTheDevice},
        {QStringLiteral("device"), PortVerdict::Device}};
    ASSERT_EQ(search.Results().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(search.Results()[i].port, expected[i].first);
        EXPECT_EQ(search.Results()[i].verdict, expected[i].second) << i;
    }
    // The silent port cost two read time-outs and the silent lane one; nothing else waited.
    EXPECT_EQ(clock.TickCount(), 3u * 59u);
    EXPECT_EQ(Bytes(ports.Add(QStringLiteral("silent"))), (std::vector<std::uint8_t>{0x70, 0x70}));
    EXPECT_EQ(Bytes(ports.Add(QStringLiteral("garbage"))), (std::vector<std::uint8_t>{0x70, 0x70}));
    EXPECT_EQ(Bytes(device), (std::vector<std::uint8_t>{0x70, 0x70, 0x71, 0x72, 0x73, 0x74}));
    EXPECT_TRUE(device.Lane(0).triggers.Pending(0));
    EXPECT_TRUE(device.Lane(2).triggers.Pending(0));
    EXPECT_TRUE(Bytes(ports.Add(QStringLiteral("second"))).empty());
    EXPECT_FALSE(search.Step());
}

TEST(DeviceSearch, ADeviceMissingOnePollIsStillFoundAndCancelClosesThePort) {
    ManualClock clock;
    PortBench ports(clock);
    // Short frames for the first poll only (its time-out ends at 59 ms).
    ports.Add(QStringLiteral("late")).GetFaults().Add({sim::Fault::ShortFrame, -1, 0, 59});
    DeviceSearch search(&ports, {QStringLiteral("late")});
    while (search.Step()) {
    }
    EXPECT_EQ(search.Found(), std::optional<QString>(QStringLiteral("late")));

    // Two misses in a row give the port up.
    ports.Add(QStringLiteral("flaky")).GetFaults().Add({sim::Fault::ShortFrame, -1, 59, 180});
    DeviceSearch flaky(&ports, {QStringLiteral("flaky")});
    while (flaky.Step()) {
    }
    EXPECT_FALSE(flaky.Found().has_value());
    ASSERT_EQ(flaky.Results().size(), 1u);
    EXPECT_EQ(flaky.Results()[0].verdict, PortVerdict::NotTheDevice);

    DeviceSearch cancelled(&ports, {QStringLiteral("late"), QStringLiteral("flaky")});
    cancelled.Step(); // opened, not yet polled
    EXPECT_EQ(ports.open, 1);
    EXPECT_EQ(cancelled.Current(), QStringLiteral("late"));
    cancelled.Cancel();
    EXPECT_EQ(ports.open, 0);
    EXPECT_TRUE(cancelled.Done());
    EXPECT_FALSE(cancelled.Found().has_value());
}

TEST(DeviceSearch, CandidatesInOrderEachDeviceOnce) {
#ifndef Q_OS_WIN
    // The configured port first, then the extra ones, then the system's; COM1 is /dev/ttyS0.
    EXPECT_EQ(SearchCandidates(QStringLiteral("COM1"), QStringLiteral("/tmp/a::/tmp/b:/tmp/a"),
                               {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0"),
                                QStringLiteral("/tmp/b")},
                               false),
              (QStringList{QStringLiteral("COM1"), QStringLiteral("/tmp/a"),
                           QStringLiteral("/tmp/b"), QStringLiteral("/dev/ttyUSB0")}));
#endif
    const QStringList com = SearchCandidates(QString(), QString(), {QStringLiteral("COM3")}, true);
    ASSERT_EQ(com.size(), 16);
    EXPECT_EQ(com[0], QStringLiteral("COM3"));
    EXPECT_EQ(com[1], QStringLiteral("COM1"));
    EXPECT_EQ(com.back(), QStringLiteral("COM16"));
    EXPECT_TRUE(SearchCandidates(QStringLiteral("  "), QStringLiteral(":"), {}, false).isEmpty());
}
