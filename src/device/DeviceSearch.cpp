#include "device/DeviceSearch.h"

#include "device/DeviceProtocol.h"

#include <QSet>

namespace ryvo {

namespace {

constexpr int kFramesNeeded = 2;
constexpr int kFailuresAllowed = 1;
constexpr int kHighestComNumber = 16;

} // namespace

QStringList SearchCandidates(const QString& configured, const QString& extra,
                             const QStringList& systemPorts, bool comNames) {
    QStringList names;
    names << configured;
    names << extra.split(u':', Qt::SkipEmptyParts);
    names << systemPorts;
    if (comNames) {
        for (int n = 1; n <= kHighestComNumber; ++n) {
            names << QStringLiteral("COM%1").arg(n);
        }
    }
    QStringList candidates;
    QSet<QString> seen;
    for (const QString& name : names) {
        const QString trimmed = name.trimmed();
        // COM1 and /dev/ttyS0 are one device on Linux; COM3 and com3 one on Windows.
        QString key = SystemPortName(trimmed);
#ifdef Q_OS_WIN
        key = key.toUpper();
#endif
        if (trimmed.isEmpty() || seen.contains(key)) {
            continue;
        }
        seen.insert(key);
        candidates << trimmed;
    }
    return candidates;
}

QStringList SearchCandidates(const SerialPortFactory& ports, const QString& configured) {
#ifdef Q_OS_WIN
    constexpr bool kComNames = true;
#else
    constexpr bool kComNames = false;
#endif
    return SearchCandidates(configured, qEnvironmentVariable("RYVO_EXTRA_PORTS"),
                            ports.SystemPorts(), kComNames);
}

DeviceSearch::DeviceSearch(SerialPortFactory* ports, QStringList candidates)
    : m_ports(ports), m_candidates(std::move(candidates)) {}

DeviceSearch::~DeviceSearch() {
    Cancel();
}

void DeviceSearch::Cancel() {
    if (m_port) {
        m_port->Close();
        m_port.reset();
    }
    m_index = m_candidates.size();
}

QString DeviceSearch::Current() const {
    return Done() ? QString() : m_candidates[m_index];
}

DeviceSearch::Answer DeviceSearch::Poll(int lane) {
    m_port->DiscardInput();
    m_port->WriteByte(static_cast<std::uint8_t>(kPoll + lane));
    FrameBytes bytes{};
    const int got = m_port->Read(bytes.data(), kFrameSize);
    if (got > 0) {
        m_anyBytes = true;
    }
    if (got < kFrameSize) {
        return got > 0 ? Answer::Garbled : Answer::None;
    }
    const DeviceFrame frame = DecodeFrame(bytes);
    return frame.checksumOk && frame.IsLane(lane) ? Answer::Frame : Answer::Garbled;
}

void DeviceSearch::Finish(PortVerdict verdict) {
    m_results.push_back({m_candidates[m_index], verdict});
    if (m_port) {
        m_port->Close();
        m_port.reset();
    }
    if (verdict == PortVerdict::Device) {
        m_found = m_candidates[m_index];
        m_index = m_candidates.size();
    } else {
        ++m_index;
    }
}

bool DeviceSearch::Step() {
    if (Done()) {
        return false;
    }
    if (!m_port) {
        m_frames = 0;
        m_failures = 0;
        m_anyBytes = false;
        m_nextLane = 0;
        if (m_ports != nullptr) {
            m_port = m_ports->Open(m_candidates[m_index]);
        }
        if (!m_port || !m_port->IsOpen()) {
            Finish(PortVerdict::NotOpened);
        }
        return !Done();
    }
    if (m_nextLane == 0) {
        if (Poll(0) == Answer::Frame) {
            ++m_frames;
        } else {
            ++m_failures;
        }
        if (m_frames >= kFramesNeeded) {
            m_lanes = {};
            m_lanes[0] = true;
            m_nextLane = 1;
        } else if (m_failures > kFailuresAllowed) {
            Finish(m_anyBytes ? PortVerdict::NotTheDevice : PortVerdict::Silent);
        }
        return !Done();
    }
    m_lanes[static_cast<size_t>(m_nextLane)] = Poll(m_nextLane) == Answer::Frame;
    if (++m_nextLane >= kLaneCount) {
        Finish(PortVerdict::Device);
    }
    return !Done();
}

} // namespace ryvo
