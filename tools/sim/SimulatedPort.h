#pragma once

#include "DeviceModel.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

#include <cstddef>
#include <deque>

namespace ryvo::sim {

// The device model behind the SerialPort seam, in the same process. With a clock, the model
// sees its time, and a read that comes up short sleeps the read time-out on it.
class SimulatedPort final : public SerialPort {
public:
    SimulatedPort(DeviceModel& model, Clock* clock, bool settingsApplied = true);

    bool IsOpen() const override { return m_open; }
    bool SettingsApplied() const override { return m_settingsApplied; }
    bool WriteByte(std::uint8_t value) override;
    int Read(std::uint8_t* buffer, int count) override;
    void DiscardInput() override { m_incoming.clear(); }
    void Close() override;

    // Bytes the device has sent that nobody has read yet.
    size_t Unread() const { return m_incoming.size(); }

private:
    double Now() const;

    DeviceModel& m_model;
    Clock* m_clock;
    bool m_settingsApplied;
    bool m_open = true;
    std::deque<std::uint8_t> m_incoming;
};

// Opens the model under one port name (any name when `name` is empty); other names fail to
// open like a missing device.
class SimulatedPortFactory final : public SerialPortFactory {
public:
    SimulatedPortFactory(DeviceModel& model, Clock* clock, QString name = {})
        : m_model(model), m_clock(clock), m_name(std::move(name)) {}

    std::unique_ptr<SerialPort> Open(const QString& name) override;
    [[nodiscard]] QStringList SystemPorts() const override { return systemPorts; }

    QStringList systemPorts;   // what the system lists as its serial ports
    bool settingsFail = false; // the port opens but its line settings do not take
    int opened = 0;
    SimulatedPort* last = nullptr; // the port handed out last (owned by the caller)

private:
    DeviceModel& m_model;
    Clock* m_clock;
    QString m_name;
};

} // namespace ryvo::sim
