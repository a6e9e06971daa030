#include "platform/Sound.h"

#include <algorithm>
#include <cstring>

namespace ryvo {

namespace {

std::uint32_t ReadU32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint16_t ReadU16(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

} // namespace

std::optional<WavImage> ParseWav(const QByteArray& wav) {
    const qsizetype size = wav.size();
    const char* data = wav.constData();
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    WavImage image;
    bool haveFormat = false;
    qsizetype pos = 12;
    while (pos + 8 <= size) {
        const char* chunk = data + pos;
        const std::uint32_t length = ReadU32(chunk + 4);
        const qsizetype body = pos + 8;
        const qsizetype available = size - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || available < 16) {
                return std::nullopt;
            }
            const std::uint16_t format = ReadU16(data + body);
            image.channels = ReadU16(data + body + 2);
            image.sampleRate = static_cast<int>(ReadU32(data + body + 4));
            image.bitsPerSample = ReadU16(data + body + 14);
            if (format != 1 || image.channels < 1 || image.channels > 2 || image.sampleRate <= 0 ||
                (image.bitsPerSample != 8 && image.bitsPerSample != 16)) {
                return std::nullopt;
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                return std::nullopt;
            }
            // A data length running past the image (common in truncated files) is cut short.
            const qsizetype take = std::min<qsizetype>(static_cast<qsizetype>(length), available);
            image.samples = wav.mid(body, take);
            return image;
        }
        // Chunks are padded to an even length.
        pos = body + static_cast<qsizetype>(length) + (length & 1U);
    }
    return std::nullopt;
}

bool RecordingSound::PlayAsync(const QByteArray& wav) {
    calls.push_back({Call::Async, wav});
    return available && !wav.isEmpty();
}

bool RecordingSound::PlayToCompletion(const QByteArray& wav, Finished finished) {
    calls.push_back({Call::ToCompletion, wav});
    if (!available || wav.isEmpty()) {
        return false;
    }
    m_pending = std::move(finished);
    return true;
}

void RecordingSound::Beep() {
    calls.push_back({Call::Beep, {}});
}

void RecordingSound::FinishPlayback(bool played) {
    Finished pending = std::move(m_pending);
    m_pending = nullptr;
    if (pending) {
        pending(played);
    }
}

} // namespace ryvo
