#include "platform/Sound.h"
#include "platform/WavImages.h"

#include <gtest/gtest.h>

using namespace ryvo;

using test::PutU32;
using test::Wav;

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
