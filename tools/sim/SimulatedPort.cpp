#include "SimulatedPort.h"

namespace ryvo::sim {

namespace {

// A port that never opened: everything fails at once.
class AbsentPort final : public SerialPort {
public:
    bool IsOpen() const override { return false; }
    bool SettingsApplied() const override { return false; }
    bool WriteByte(std::uint8_t) override { return false; }
    int Read(std::uint8_t*, int) override { return 0; }
    void Close() override {}
};

} // namespace

SimulatedPort::SimulatedPort(DeviceModel& model, Clock* clock, bool settingsApplied)
    : m_model(model), m_clock(clock), m_settingsApplied(settingsApplied) {}

double SimulatedPort::Now() const {
    return m_clock != nullptr ? static_cast<double>(m_clock->TickCount()) : 0.0;
}

bool SimulatedPort::WriteByte(std::uint8_t value) {
    if (!m_open || m_model.Unplugged(Now())) {
        return false;
    }
    for (std::uint8_t byte : m_model.Receive(value, Now())) {
        m_incoming.push_back(byte);
    }
    return true;
}

int SimulatedPort::Read(std::uint8_t* buffer, int count) {
    if (!m_open || m_model.Unplugged(Now())) {
        m_incoming.clear();
        return 0;
    }
    int got = 0;
    while (got < count && !m_incoming.empty()) {
        buffer[got++] = m_incoming.front();
        m_incoming.pop_front();
    }
    if (got < count && m_clock != nullptr) {
        m_clock->Sleep(
            static_cast<std::uint32_t>(kReadTotalConstantMs + kReadTotalPerByteMs * count));
    }
    return got;
}

void SimulatedPort::Close() {
    m_open = false;
    m_incoming.clear();
}

std::unique_ptr<SerialPort> SimulatedPortFactory::Open(const QString& name) {
    if (!m_name.isEmpty() && name != m_name) {
        last = nullptr;
        return std::make_unique<AbsentPort>();
    }
    ++opened;
    auto port = std::make_unique<SimulatedPort>(m_model, m_clock, !settingsFail);
    last = port.get();
    return port;
}

} // namespace ryvo::sim
