#pragma once

#include <QByteArray>
#include <QtEndian>

#include <cstdint>

// Builds RIFF wave images for the sound tests.
namespace test {

inline void PutU32(QByteArray& b, std::uint32_t v) {
    char bytes[4];
    qToLittleEndian(v, bytes);
    b.append(bytes, 4);
}

inline void PutU16(QByteArray& b, std::uint16_t v) {
    char bytes[2];
    qToLittleEndian(v, bytes);
    b.append(bytes, 2);
}

inline QByteArray Wav(int channels, int rate, int bits, const QByteArray& samples,
                      std::uint16_t format = 1, const QByteArray& extraChunk = {}) {
    QByteArray fmt;
    PutU16(fmt, format);
    PutU16(fmt, static_cast<std::uint16_t>(channels));
    PutU32(fmt, static_cast<std::uint32_t>(rate));
    PutU32(fmt, static_cast<std::uint32_t>(rate * channels * bits / 8));
    PutU16(fmt, static_cast<std::uint16_t>(channels * bits / 8));
    PutU16(fmt, static_cast<std::uint16_t>(bits));
    QByteArray body = "WAVE";
    body += extraChunk;
    body += "fmt ";
    PutU32(body, static_cast<std::uint32_t>(fmt.size()));
    body += fmt;
    body += "data";
    PutU32(body, static_cast<std::uint32_t>(samples.size()));
    body += samples;
    QByteArray wav = "RIFF";
    PutU32(wav, static_cast<std::uint32_t>(body.size()));
    return wav + body;
}

} // namespace test
