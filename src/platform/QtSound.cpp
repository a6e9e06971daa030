#include "platform/QtSound.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

#include <algorithm>
#include <cstring>

namespace ryvo {

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

} // namespace ryvo
