#pragma once

#include <QByteArray>
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ryvo {

// Sound output for in-memory WAV images. A new sound stops the one still playing.
class Sound {
public:
    using Finished = std::function<void(bool played)>;
    virtual ~Sound() = default;
    // Starts playback and returns at once; false when it cannot play (no output device,
    // absent or unusable image).
    virtual bool PlayAsync(const QByteArray& wav) = 0;
    // Plays to the end without blocking: returns false at once when playback cannot start,
    // otherwise `finished` runs from the event loop when the sound has ended (true; also when
    // a newer sound cut it short) or the output failed (false).
    virtual bool PlayToCompletion(const QByteArray& wav, Finished finished) = 0;
    virtual void Beep() = 0;
};

struct WavImage {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0; // 8 or 16 (PCM)
    QByteArray samples;
};

// The PCM part of a RIFF/WAVE image; nullopt for anything else.
std::optional<WavImage> ParseWav(const QByteArray& wav);

// Test double: records every call and answers with `available`.
class RecordingSound final : public Sound {
public:
    enum class Call { Async, ToCompletion, Beep };
    struct Record {
        Call call;
        QByteArray wav;
    };
    bool PlayAsync(const QByteArray& wav) override;
    bool PlayToCompletion(const QByteArray& wav, Finished finished) override;
    void Beep() override;
    // Runs the callback of the last to-completion playback, as the end of a sound would.
    void FinishPlayback(bool played = true);

    bool available = true;
    std::vector<Record> calls;

private:
    Finished m_pending;
};

} // namespace ryvo
