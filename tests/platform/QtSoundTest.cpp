#include "platform/QtSound.h"
#include "platform/WavImages.h"

#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QMediaDevices>

using namespace ryvo;
using test::Wav;

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
