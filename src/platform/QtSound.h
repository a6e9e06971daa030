#pragma once

#include "platform/Sound.h"

#include <QByteArray>
#include <QObject>

#include <cstdint>
#include <memory>

class QAudioSink;
class QBuffer;

namespace ryvo {

// QtMultimedia: the image is parsed and handed to a QAudioSink on the default output.
class QtSound final : public QObject, public Sound {
    Q_OBJECT
public:
    explicit QtSound(QObject* parent = nullptr);
    ~QtSound() override;
    bool PlayAsync(const QByteArray& wav) override;
    bool PlayToCompletion(const QByteArray& wav, Finished finished) override;
    void Beep() override;

private:
    bool Start(const QByteArray& wav, Finished finished);
    void Stop();

    std::unique_ptr<QAudioSink> m_sink;
    std::unique_ptr<QBuffer> m_buffer;
    QByteArray m_samples;
    Finished m_finished;
    std::uint64_t m_generation = 0;
};

} // namespace ryvo
