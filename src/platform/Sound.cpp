#include "platform/Sound.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

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

QtSound::QtSound(QObject* parent) : QObject(parent) {}

QtSound::~QtSound() {
    m_finished = nullptr;
    Stop();
}

bool QtSound::PlayAsync(const QByteArray& wav) {
    return Start(wav, nullptr);
}

bool QtSound::PlayToCompletion(const QByteArray& wav, Finished finished) {
    return Start(wav, std::move(finished));
}

void QtSound::Beep() {
    QApplication::beep();
}

void QtSound::Stop() {
    if (m_sink) {
        m_sink->disconnect(this);
        m_sink->stop();
    }
    m_sink.reset();
    m_buffer.reset();
    if (m_finished) {
        // A sound cut short by the next one was played as far as it went.
        Finished finished = std::move(m_finished);
        m_finished = nullptr;
        finished(true);
    }
}

bool QtSound::Start(const QByteArray& wav, Finished finished) {
    Stop();
    const auto image = ParseWav(wav);
    if (!image) {
        return false;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(image->sampleRate);
    format.setChannelCount(image->channels);
    format.setSampleFormat(image->bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        return false;
    }
    m_samples = image->samples;
    m_buffer = std::make_unique<QBuffer>(&m_samples);
    m_buffer->open(QIODevice::ReadOnly);
    m_sink = std::make_unique<QAudioSink>(device, format);
    m_sink->start(m_buffer.get());
    if (m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState) {
        m_sink.reset();
        m_buffer.reset();
        return false;
    }
    m_finished = std::move(finished);
    const std::uint64_t generation = ++m_generation;
    connect(m_sink.get(), &QAudioSink::stateChanged, this, [this, generation](QAudio::State state) {
        if (state == QAudio::ActiveState) {
            return;
        }
        const bool played = m_sink && m_sink->error() == QAudio::NoError;
        Finished done = std::move(m_finished);
        m_finished = nullptr;
        // Leave the sink's own signal before destroying it.
        QMetaObject::invokeMethod(
            this,
            [this, done = std::move(done), played, generation] {
                if (generation == m_generation) {
                    Stop();
                }
                if (done) {
                    done(played);
                }
            },
            Qt::QueuedConnection);
    });
    return true;
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
