#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ryvo {

// Whether the driver was asked to pass each answer on at once. USB serial adapters hold
// received bytes back by a latency timer (16 ms on widespread chips), which would cut the poll
// rate to about 60 a second; Linux lets a program switch that off on the port.
enum class LowLatency { NotApplicable, On, Failed };

// One serial line, opened and configured by a SerialPortFactory. A port whose open failed
// stays usable as an object: every write and read on it fails at once.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    [[nodiscard]] virtual bool IsOpen() const = 0;
    // False when the line settings or time-outs could not be applied (the port still works
    // with whatever did take).
    [[nodiscard]] virtual bool SettingsApplied() const = 0;
    [[nodiscard]] virtual LowLatency LowLatencyMode() const { return LowLatency::NotApplicable; }
    // Blocks until the byte is written or the write time-out passes.
    virtual bool WriteByte(std::uint8_t value) = 0;
    // Reads up to `count` bytes, giving up after the read time-outs; returns the number read.
    virtual int Read(std::uint8_t* buffer, int count) = 0;
    // Drops bytes that came in and were not read. A port that never holds such bytes keeps
    // the default.
    virtual void DiscardInput() {}
    virtual void Close() = 0;
};

class SerialPortFactory {
public:
    virtual ~SerialPortFactory() = default;
    // Never null; an unopenable name gives a port with IsOpen() false.
    virtual std::unique_ptr<SerialPort> Open(const QString& name) = 0;
    // The serial ports the system knows of, by the names Open takes.
    [[nodiscard]] virtual QStringList SystemPorts() const { return {}; }
};

// The device line: 57600 baud, 8 data bits, 1 stop bit, no parity.
inline constexpr int kBaudRate = 57600;
// Read time-outs: 50 ms between bytes, 50 ms + 1 ms per byte in total; the same total for
// writes.
inline constexpr int kReadIntervalTimeoutMs = 50;
inline constexpr int kReadTotalConstantMs = 50;
inline constexpr int kReadTotalPerByteMs = 1;
inline constexpr int kWriteTotalConstantMs = 50;
inline constexpr int kWriteTotalPerByteMs = 1;

// "COMn" names the n-th serial port: /dev/ttyS{n-1} on Linux, COMn itself on Windows; a
// name starting with "/" is a device path. Anything else is passed through unchanged.
QString SystemPortName(const QString& name);

// QSerialPort with blocking calls on the calling thread. On Linux low-latency mode is
// requested on every port opened; a port that does not support it works as it is.
class QtSerialPortFactory final : public SerialPortFactory {
public:
    std::unique_ptr<SerialPort> Open(const QString& name) override;
    [[nodiscard]] QStringList SystemPorts() const override;
};

} // namespace ryvo
