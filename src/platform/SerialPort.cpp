#include "platform/SerialPort.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace ryvo {

QString SystemPortName(const QString& name) {
    static const QRegularExpression com(QStringLiteral("^COM(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    QString trimmed = name.trimmed();
    const auto match = com.match(trimmed);
#ifdef Q_OS_WIN
    if (match.hasMatch()) {
        return QStringLiteral("COM%1").arg(match.captured(1).toInt());
    }
    return trimmed;
#else
    if (match.hasMatch()) {
        const int number = match.captured(1).toInt();
        if (number >= 1) {
            return QStringLiteral("/dev/ttyS%1").arg(number - 1);
        }
    }
    return trimmed;
#endif
}

namespace {

#ifdef Q_OS_LINUX
LowLatency RequestLowLatency(int fd) {
    serial_struct serial{};
    // Pseudo-terminals and some drivers do not know the request.
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0) {
        return LowLatency::Failed;
    }
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) {
        return LowLatency::On;
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &serial) == 0 ? LowLatency::On : LowLatency::Failed;
}
#endif

class QtSerialPort final : public SerialPort {
public:
    explicit QtSerialPort(const QString& name) {
        const QString systemName = SystemPortName(name);
        if (systemName.isEmpty()) {
            return;
        }
        m_port.setPortName(systemName);
        if (!m_port.open(QIODevice::ReadWrite)) {
            return;
        }
        m_open = true;
        // Whatever an earlier user of the line left unread is not an answer to us.
        m_port.clear(QSerialPort::AllDirections);
        // Each setting is tried on its own, so the line keeps whatever did take.
        const bool baud = m_port.setBaudRate(kBaudRate);
        const bool data = m_port.setDataBits(QSerialPort::Data8);
        const bool stop = m_port.setStopBits(QSerialPort::OneStop);
        const bool parity = m_port.setParity(QSerialPort::NoParity);
        m_settingsApplied = baud && data && stop && parity;
#ifdef Q_OS_LINUX
        m_lowLatency = RequestLowLatency(m_port.handle());
#endif
    }

    [[nodiscard]] bool IsOpen() const override {
        return m_open && m_port.isOpen();
    }
    [[nodiscard]] bool SettingsApplied() const override {
        return m_settingsApplied;
    }
    [[nodiscard]] LowLatency LowLatencyMode() const override {
        return m_lowLatency;
    }

    bool WriteByte(std::uint8_t value) override {
        if (!IsOpen()) {
            return false;
        }
        const char byte = static_cast<char>(value);
        if (m_port.write(&byte, 1) != 1) {
            return false;
        }
        QDeadlineTimer deadline(kWriteTotalConstantMs + kWriteTotalPerByteMs);
        while (m_port.bytesToWrite() > 0) {
            if (!m_port.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
                return false;
            }
        }
        return true;
    }

    int Read(std::uint8_t* buffer, int count) override {
        if (!IsOpen() || count <= 0) {
            return 0;
        }
        // The total time-out bounds the whole read; after the first byte the gap between
        // bytes is bounded as well.
        QDeadlineTimer total(kReadTotalConstantMs + kReadTotalPerByteMs * count);
        int got = 0;
        while (got < count) {
            const qint64 available = m_port.bytesAvailable();
            if (available > 0) {
                const qint64 n = m_port.read(reinterpret_cast<char*>(buffer + got),
                                             std::min<qint64>(available, count - got));
                if (n <= 0) {
                    break;
                }
                got += static_cast<int>(n);
                continue;
            }
            qint64 wait = total.remainingTime();
            if (got > 0) {
                wait = std::min<qint64>(wait, kReadIntervalTimeoutMs);
            }
            if (wait <= 0 || !m_port.waitForReadyRead(static_cast<int>(wait))) {
                break;
            }
        }
        return got;
    }

    void DiscardInput() override {
        if (IsOpen()) {
            m_port.clear(QSerialPort::Input);
        }
    }

    void Close() override {
        m_port.close();
        m_open = false;
    }

private:
    QSerialPort m_port;
    bool m_open = false;
    bool m_settingsApplied = false;
    LowLatency m_lowLatency = LowLatency::NotApplicable;
};

} // namespace

std::unique_ptr<SerialPort> QtSerialPortFactory::Open(const QString& name) {
    return std::make_unique<QtSerialPort>(name);
}

QStringList QtSerialPortFactory::SystemPorts() const {
    QStringList names;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        names << port.portName(); // "COM3"
#else
        names << port.systemLocation(); // "/dev/ttyUSB0"
#endif
    }
    return names;
}

} // namespace ryvo
