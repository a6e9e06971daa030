#pragma once

#include "core/Settings.h"
#include "platform/SerialPort.h"

#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace ryvo {

// The ports a device search tries, each once, in this order: the configured port, the ports
// named in `extra` (colon-separated, as RYVO_EXTRA_PORTS holds them), the system's serial
// ports, and COM1..COM16 where `comNames` (Windows, where a port may be missing from the
// system's list). Names that reach the same device count once.
QStringList SearchCandidates(const QString& configured, const QString& extra,
                             const QStringList& systemPorts, bool comNames);
// The same for this system: the factory's ports and the environment's RYVO_EXTRA_PORTS.
QStringList SearchCandidates(const SerialPortFactory& ports, const QString& configured);

// What a search made of one port.
enum class PortVerdict {
    NotOpened,    // no such port, or in use
    Silent,       // nothing came back
    NotTheDevice, // bytes came back, but not the device's frames
    Device,
};

struct PortResult {
    QString port;
    PortVerdict verdict = PortVerdict::NotOpened;
};

// Looks for the target device on a list of ports, one open or one poll per Step, so a window
// keeps its event loop going (one step blocks at most one read time-out). A port is opened
// at the device's line settings and sent polls of lane 1 only; it is the device when two of
// at most three polls bring a whole frame of lane 1 with a good checksum, and two failed polls
// give it up (a silent port costs two read time-outs). On the device every other lane is
// polled once to see which answer. Trigger reports are never acknowledged: nothing but polls
// is written. Each port is closed before the next is opened, and the search ends at the
// first device found.
class DeviceSearch {
public:
    // Without a factory no port opens.
    DeviceSearch(SerialPortFactory* ports, QStringList candidates);
    ~DeviceSearch();
    DeviceSearch(const DeviceSearch&) = delete;
    DeviceSearch& operator=(const DeviceSearch&) = delete;

    // One open or one poll; false once the search is over.
    bool Step();
    [[nodiscard]] bool Done() const { return m_index >= m_candidates.size(); }
    // Ends the search now, closing the port in hand.
    void Cancel();

    [[nodiscard]] const QStringList& Candidates() const { return m_candidates; }
    // The port being tried (empty once done) and its place in the list, from 1.
    [[nodiscard]] QString Current() const;
    [[nodiscard]] int Position() const { return static_cast<int>(m_index) + 1; }

    [[nodiscard]] const std::optional<QString>& Found() const { return m_found; }
    // Lanes of the device found that answered their poll.
    [[nodiscard]] const std::array<bool, kLaneCount>& Lanes() const { return m_lanes; }
    [[nodiscard]] const std::vector<PortResult>& Results() const { return m_results; }

private:
    enum class Answer { None, Garbled, Frame };
    Answer Poll(int lane);
    void Finish(PortVerdict verdict);

    SerialPortFactory* m_ports;
    QStringList m_candidates;
    qsizetype m_index = 0;
    std::unique_ptr<SerialPort> m_port;
    int m_frames = 0;
    int m_failures = 0;
    bool m_anyBytes = false;
    int m_nextLane = 0; // lanes probed on the device; 0 while it is being recognised
    std::optional<QString> m_found;
    std::array<bool, kLaneCount> m_lanes{};
    std::vector<PortResult> m_results;
};

} // namespace ryvo
