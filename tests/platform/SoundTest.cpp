#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QMediaDevices>
#include <QtEndian>

using namespace ryvo;

namespace {

void PutU32(QByteArray& b, std::uint32_t v) {
    char bytes[4];
    qToLittleEndian(v, bytes);
    b.append(bytes, 4);
}

void PutU16(QByteArray& b, std::uint16_t v) {
    char bytes[2];
    qToLittleEndian(v, bytes);
    b.append(bytes, 2);
}

QByteArray Wav(int channels, int rate, int bits, const QByteArray& samples,
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

} // namespace

TEST(Sound, ParsesPcmWavImages) {
    const QByteArray samples(400, '\x10');
    auto image = ParseWav(Wav(1, 22050, 16, samples));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->channels, 1);
    EXPECT_EQ(image->sampleRate, 22050);
    EXPECT_EQ(image->bitsPerSample, 16);
    EXPECT_EQ(image->samples, samples);

    // An odd-length chunk before "fmt " is padded to an even length.
    QByteArray list = "LIST";
    PutU32(list, 3);
    list += QByteArray("abc\0", 4);
    image = ParseWav(Wav(2, 8000, 8, "xyz", 1, list));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->channels, 2);
    EXPECT_EQ(image->samples, QByteArray("xyz"));

    // A data length beyond the image is cut to what is there.
    QByteArray truncated = Wav(1, 8000, 8, QByteArray(100, 'a'));
    truncated.chop(60);
    image = ParseWav(truncated);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->samples.size(), 40);

    EXPECT_FALSE(ParseWav({}).has_value());
    EXPECT_FALSE(ParseWav("RIFF-shot").has_value());
    EXPECT_FALSE(ParseWav(Wav(1, 8000, 32, "abcd", 3)).has_value()); // float samples
    EXPECT_FALSE(ParseWav(Wav(1, 8000, 12, "abcd")).has_value());
    EXPECT_FALSE(ParseWav(Wav(1, 8000, 16, {}).left(30)).has_value()); // no data chunk
}

TEST(Sound, QtSoundRefusesWhatItCannotPlay) {
    QtSound sound;
    int finished = 0;
    EXPECT_FALSE(sound.PlayToCompletion({}, [&](bool) { ++finished; }));
    EXPECT_FALSE(sound.PlayAsync(QByteArray("not a wave image")));
    EXPECT_EQ(finished, 0);
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        // No output device: a good image cannot play either.
        EXPECT_FALSE(sound.PlayAsync(Wav(1, 22050, 16, QByteArray(2000, '\0'))));
    }
}

TEST(Sound, RecordingDoubleReportsCallsAndCompletion) {
    RecordingSound sound;
    std::vector<bool> finished;
    EXPECT_TRUE(sound.PlayToCompletion("wav", [&](bool played) { finished.push_back(played); }));
    EXPECT_TRUE(sound.PlayAsync("wav"));
    sound.Beep();
    EXPECT_FALSE(sound.PlayAsync({}));
    sound.available = false;
    EXPECT_FALSE(sound.PlayToCompletion("wav", nullptr));
    ASSERT_EQ(sound.calls.size(), 5u);
    EXPECT_EQ(sound.calls[2].call, RecordingSound::Call::Beep);
    EXPECT_TRUE(finished.empty());
    sound.FinishPlayback();
    EXPECT_EQ(finished, std::vector<bool>{true});
    sound.FinishPlayback(); // nothing pending any more
    EXPECT_EQ(finished.size(), 1u);
}
