#include "PackGen.h"

#include "calibration/Calibration.h"
#include "core/CommandSounds.h"
#include "core/ProgramState.h"
#include "platform/TextFile.h"
#include "platform/ZoneMaps.h"
#include "support/TempDir.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"
#include "zeroing/Zeroing.h"

#include <QDir>
#include <QStandardPaths>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>

using namespace ryvo;

namespace {

struct Wave {
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::vector<std::int16_t> samples;
};

std::uint32_t U32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<std::uint32_t>(b.constData() + at);
}
std::uint16_t U16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<std::uint16_t>(b.constData() + at);
}

// Checks the RIFF layout as a player would read it; nullopt when anything is off.
std::optional<Wave> ParseWav(const QByteArray& b) {
    if (b.size() < 44 || b.left(4) != "RIFF" ||
        U32(b, 4) != static_cast<std::uint32_t>(b.size() - 8) || b.mid(8, 8) != "WAVEfmt " ||
        U32(b, 16) != 16 || U16(b, 20) != 1 || b.mid(36, 4) != "data" ||
        U32(b, 40) != static_cast<std::uint32_t>(b.size() - 44)) {
        return std::nullopt;
    }
    Wave w;
    w.channels = U16(b, 22);
    w.rate = static_cast<int>(U32(b, 24));
    w.bits = U16(b, 34);
    if (U32(b, 28) != static_cast<std::uint32_t>(w.rate * w.channels * w.bits / 8) ||
        U16(b, 32) != w.channels * w.bits / 8) {
        return std::nullopt;
    }
    for (qsizetype at = 44; at + 1 < b.size(); at += 2) {
        w.samples.push_back(static_cast<std::int16_t>(U16(b, at)));
    }
    return w;
}

double Seconds(const Wave& w) {
    return static_cast<double>(w.samples.size()) / w.rate;
}

// Sign changes per second over the loud part: a rough pitch.
double CrossingsPerSecond(const Wave& w) {
    int crossings = 0;
    int loud = 0;
    for (size_t i = 1; i < w.samples.size(); ++i) {
        if (std::abs(w.samples[i]) > 2000 || std::abs(w.samples[i - 1]) > 2000) {
            ++loud;
            crossings += (w.samples[i] < 0) != (w.samples[i - 1] < 0) ? 1 : 0;
        }
    }
    return loud == 0 ? 0.0 : crossings * static_cast<double>(w.rate) / loud;
}

// Share of the energy within the first `seconds`.
double EarlyEnergy(const Wave& w, double seconds) {
    double early = 0;
    double total = 0;
    const auto cut = static_cast<size_t>(seconds * w.rate);
    for (size_t i = 0; i < w.samples.size(); ++i) {
        const double e = static_cast<double>(w.samples[i]) * w.samples[i];
        total += e;
        early += i < cut ? e : 0.0;
    }
    return total == 0 ? 0.0 : early / total;
}

Wave SoundAt(const ProgramState& state, int id) {
    auto raw = state.SoundLibrary->Raw(id);
    EXPECT_TRUE(raw.has_value()) << id;
    auto wave = ParseWav(raw.value_or(QByteArray()));
    EXPECT_TRUE(wave.has_value()) << id;
    return wave.value_or(Wave{});
}

void ExpectTargetPack(const ProgramState& state) {
    ASSERT_TRUE(state.TargetLibrary.has_value());
    ASSERT_EQ(state.OtherTargetCount, 3);
    EXPECT_EQ(state.TargetLibrary->String(101), QStringLiteral("Мишень полицейская"));
    for (int i = 1; i <= state.OtherTargetCount; ++i) {
        EXPECT_FALSE(state.TargetLibrary->String(100 + i).value_or(QString()).isEmpty()) << i;
        const QImage picture = state.TargetLibrary->Bitmap(1000 + i);
        EXPECT_GE(picture.width(), 400) << i;
        EXPECT_GE(picture.height(), 400) << i;
        // Zeroing parameters as the zeroing window reads them: "%f%f%i%i".
        TextReader in(state.TargetLibrary->String(200 + i).value_or(QString()).toLatin1());
        const auto edgeX = in.ReadFloat();
        const auto edgeY = in.ReadFloat();
        EXPECT_TRUE(in.ReadInt().has_value()) << i;
        EXPECT_TRUE(in.ReadInt().has_value()) << i;
        ASSERT_TRUE(edgeX && edgeY) << i;
        EXPECT_GT(*edgeX, 0.3F);
        EXPECT_LE(*edgeX, 1.0F);
        EXPECT_GT(*edgeY, 0.3F);
        EXPECT_LE(*edgeY, 1.0F);
        EXPECT_EQ(TargetZeroingEdges(state, 2 + i).x, *edgeX) << i;
        EXPECT_EQ(TargetZeroingEdges(state, 2 + i).y, *edgeY) << i;
    }
}

// Where the zone map of target `i` marks a zone and where the picture shows something other
// than its paper colour should agree, but for antialiased edges, outlines and marks.
double ZoneMismatch(const QImage& picture, const QImage& zones) {
    const QRgb paper = picture.pixel(2, 2);
    int mismatched = 0;
    for (int y = 0; y < zones.height(); ++y) {
        for (int x = 0; x < zones.width(); ++x) {
            const bool onFigure = picture.pixel(x, y) != paper;
            const bool inZone = qGray(zones.pixel(x, y)) > 0;
            mismatched += onFigure != inZone ? 1 : 0;
        }
    }
    return static_cast<double>(mismatched) / (zones.width() * zones.height());
}

void ExpectZoneMaps(const ProgramState& state) {
    // Scores with the maps of the pack the state has loaded.
    const ShotScorer ScoreShot{LoadedZones(state)};
    ASSERT_TRUE(state.TargetLibrary.has_value());
    const std::shared_ptr<const ZoneMaps>& maps = state.TargetLibrary->Zones();
    ASSERT_TRUE(maps);
    for (int i = 1; i <= 3; ++i) {
        const QImage* zones = maps->Find(1000 + i);
        ASSERT_NE(zones, nullptr) << i;
        const QImage picture = state.TargetLibrary->Bitmap(1000 + i);
        EXPECT_EQ(zones->size(), picture.size()) << i;
        // The rifle target's outer rings are paper coloured: only the figures compare.
        if (i != 3) {
            EXPECT_LT(ZoneMismatch(picture, *zones), 0.02) << i;
        }
    }
    // Police figure: head centre and centre of mass score highest, the shoulders least.
    EXPECT_EQ(ScoreShot(0, -62, 3), 10);
    EXPECT_EQ(ScoreShot(0, -80, 3), 7);
    EXPECT_EQ(ScoreShot(0, 12, 3), 10);
    EXPECT_EQ(ScoreShot(0, 30, 3), 9);
    EXPECT_EQ(ScoreShot(0, 48, 3), 8);
    EXPECT_EQ(ScoreShot(60, 60, 3), 5);
    EXPECT_EQ(ScoreShot(-90, -90, 3), 0);
    EXPECT_EQ(ScoreShot(90, 0, 3), 0);
    // Running figure: vital zone, head, torso, a leg, the paper.
    EXPECT_EQ(ScoreShot(2, -20, 4), 10);
    EXPECT_EQ(ScoreShot(14, -66, 4), 9);
    EXPECT_EQ(ScoreShot(-4, 5, 4), 7);
    EXPECT_EQ(ScoreShot(24, 60, 4), 5);
    EXPECT_EQ(ScoreShot(-80, -80, 4), 0);
    // Rifle target: rings 9 units apart, 0 outside ring 1.
    EXPECT_EQ(ScoreShot(0, 0, 5), 10);
    EXPECT_EQ(ScoreShot(13, 0, 5), 9);
    EXPECT_EQ(ScoreShot(0, -50, 5), 5);
    EXPECT_EQ(ScoreShot(-85, 0, 5), 1);
    EXPECT_EQ(ScoreShot(95, 0, 5), 0);
}

void ExpectSoundPack(const ProgramState& state) {
    ASSERT_TRUE(state.SoundLibrary.has_value());
    for (int group = 0; group < 3; ++group) {
        const int count = state.SoundLibrary->String(2001 + group).value_or("0").toInt();
        EXPECT_GE(count, 2) << group;
        for (int i = 0; i < count; ++i) {
            const int nameId = 2101 + 100 * group + i;
            EXPECT_FALSE(state.SoundLibrary->String(nameId).value_or(QString()).isEmpty());
            const Wave w = SoundAt(state, 2151 + 100 * group + i);
            EXPECT_EQ(w.channels, 1);
            EXPECT_EQ(w.bits, 16);
            EXPECT_GT(Seconds(w), 0.2);
        }
    }
}

} // namespace

TEST(PackGen, GeneratedPacksLoadThroughTheResourceLibrary) {
    test::TempDir dir;
    ASSERT_TRUE(packgen::WriteTargetPack(dir.Path()));
    ASSERT_TRUE(packgen::WriteSoundPack(dir.Path()));
    ProgramState state;
    state.StartDir = dir.Path();
    LoadTargetLibrary(state);
    LoadSoundLibrary(state);
    ExpectTargetPack(state);
    ExpectSoundPack(state);

    state.settings.Sound1 = 1;
    state.settings.Sound2 = 0;
    state.settings.Sound3 = 1;
    ReloadSounds(state);
    EXPECT_EQ(state.StartSound, state.SoundLibrary->Raw(2152));
    EXPECT_EQ(state.ShotSound, state.SoundLibrary->Raw(2251));
    EXPECT_EQ(state.EndSound, state.SoundLibrary->Raw(2352));

    // A library target draws its picture and scores by its zone map.
    state.settings.Target[0] = 5;
    ApplySignalLimits(state);
    ImageCanvas target(300, 300, kRed);
    ImageCanvas scale(100, 20);
    EXPECT_TRUE(DrawLaneTarget(target, scale, state, 0));
    EXPECT_NE(target.Pixel(150, 150), kRed);
    const ShotScorer ScoreShot{LoadedZones(state)};
    EXPECT_EQ(ScoreShot(0, 0, 5), 10);
    EXPECT_EQ(ScoreShot(95, 95, 5), 0);
}

TEST(PackGen, SoundsHaveTheirCharacter) {
    test::TempDir dir;
    ASSERT_TRUE(packgen::WriteSoundPack(dir.Path()));
    ProgramState state;
    state.StartDir = dir.Path();
    LoadSoundLibrary(state);
    ASSERT_TRUE(state.SoundLibrary.has_value());
    for (int i = 0; i < 2; ++i) {
        const Wave whistle = SoundAt(state, 2151 + i);
        const Wave shot = SoundAt(state, 2251 + i);
        const Wave gong = SoundAt(state, 2351 + i);
        // Whistle: a high steady tone; shot: short, most energy at once; gong: long ring.
        EXPECT_GT(CrossingsPerSecond(whistle), 4000.0) << i;
        EXPECT_GT(EarlyEnergy(shot, 0.15), 0.8) << i;
        EXPECT_LT(Seconds(shot), 1.0) << i;
        EXPECT_GT(Seconds(gong), 1.5) << i;
        EXPECT_LT(EarlyEnergy(gong, 0.15), 0.5) << i;
        EXPECT_LT(CrossingsPerSecond(gong), 2500.0) << i;
    }
}

TEST(PackGen, WavImageHeader) {
    const QByteArray wav = packgen::MakeWav({0, 1000, -1000, 32767, -32768}, 8000);
    ASSERT_EQ(wav.size(), 44 + 10);
    const auto parsed = ParseWav(wav);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->rate, 8000);
    EXPECT_EQ(parsed->samples, (std::vector<std::int16_t>{0, 1000, -1000, 32767, -32768}));
    EXPECT_FALSE(ParseWav(wav.left(50)).has_value());
}

TEST(PackGen, BuildInstallsThePacksInTheDataDirectory) {
    const QString dataDir = qEnvironmentVariable("RYVO_DATA_DIR");
    ASSERT_FALSE(dataDir.isEmpty());
    test::TempDir start;
    ProgramState state;
    state.StartDir = start.Path();
    state.DataDir = dataDir;
    LoadTargetLibrary(state);
    LoadSoundLibrary(state);
    ExpectTargetPack(state);
    ExpectZoneMaps(state);
    ExpectSoundPack(state);
}

TEST(PackGen, WithoutPacksOnlyTheBuiltInTargetsAndNoSounds) {
    test::TempDir start;
    ProgramState state;
    state.StartDir = start.Path();
    LoadTargetLibrary(state);
    LoadSoundLibrary(state);
    ReloadSounds(state);
    EXPECT_FALSE(state.TargetLibrary.has_value());
    EXPECT_EQ(state.OtherTargetCount, 0);
    EXPECT_FALSE(state.SoundLibrary.has_value());
    EXPECT_FALSE(state.StartSound.has_value());
    EXPECT_FALSE(state.ShotSound.has_value());
    EXPECT_FALSE(state.EndSound.has_value());

    // A pack with a broken count and no pictures: no targets offered, pictures missing,
    // scoring unaffected.
    start.Write(QStringLiteral("Targets/strings.txt"), "1\tmany\n101\tX\n");
    LoadTargetLibrary(state);
    ASSERT_TRUE(state.TargetLibrary.has_value());
    EXPECT_EQ(state.OtherTargetCount, 0);
    ImageCanvas image(50, 50, kRed);
    EXPECT_EQ(DrawLibraryTarget(image, state, 3), LibraryPicture::Missing);
    EXPECT_EQ(image.Pixel(25, 25), kRed);
    const ShotScorer ScoreShot{LoadedZones(state)};
    EXPECT_EQ(ScoreShot(10, 10, 3), 0);

    // A sound pack missing a chosen wave leaves just that sound absent.
    start.Write(QStringLiteral("Sounds/strings.txt"), "2001\t1\n2101\tA\n");
    start.Write(QStringLiteral("Sounds/2151.wav"), packgen::MakeWav({1, 2, 3}));
    LoadSoundLibrary(state);
    ReloadSounds(state);
    EXPECT_TRUE(state.StartSound.has_value());
    EXPECT_FALSE(state.ShotSound.has_value());
}

namespace {

// The command waves of a pack, by word; fails the test when one is missing or malformed.
std::vector<Wave> CommandWaves(const QString& dir) {
    const auto pack = ResourceLibrary::Load(QStringLiteral("Sounds"), {dir});
    std::vector<Wave> waves;
    if (!pack) {
        ADD_FAILURE() << "no sound pack in " << dir.toStdString();
        return waves;
    }
    EXPECT_EQ(pack->String(kCommandCountId), QString::number(kCommandWords.size()));
    for (const QString& word : kCommandWords) {
        const auto bytes = CommandSound(*pack, word);
        const auto wave = bytes ? ParseWav(*bytes) : std::nullopt;
        EXPECT_TRUE(wave.has_value()) << word.toStdString();
        waves.push_back(wave.value_or(Wave{}));
    }
    return waves;
}

} // namespace

TEST(PackGen, CommandsAreSpokenOrToneWithoutAVoice) {
    test::TempDir toned;
    ASSERT_TRUE(packgen::WriteSoundPack(toned.Path(), QStringLiteral("/no/such/espeak-ng")));
    const std::vector<Wave> tones = CommandWaves(toned.Path());
    ASSERT_EQ(tones.size(), 6U);
    for (size_t i = 0; i < tones.size(); ++i) {
        EXPECT_NEAR(Seconds(tones[i]), 0.3, 0.001) << i;
        EXPECT_NE(CrossingsPerSecond(tones[i]), CrossingsPerSecond(tones[(i + 1) % 6])) << i;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty()) {
        GTEST_SKIP() << "espeak-ng is not installed";
    }
    test::TempDir spoken;
    ASSERT_TRUE(packgen::WriteSoundPack(spoken.Path()));
    const std::vector<Wave> words = CommandWaves(spoken.Path());
    ASSERT_EQ(words.size(), 6U);
    // Speech, not the tones: each word its own length, the longest the longest phrase.
    const auto longest = std::max_element(words.begin(), words.end(), [](auto& a, auto& b) {
        return a.samples.size() < b.samples.size();
    });
    EXPECT_EQ(kCommandWords[static_cast<int>(longest - words.begin())],
              QStringLiteral("Оружие к осмотру"));
    EXPECT_GT(Seconds(*longest), 0.8);
    for (const Wave& w : words) {
        EXPECT_GT(Seconds(w), 0.2);
        EXPECT_NE(w.samples.size(), tones[0].samples.size());
    }
}

TEST(PackGen, TheBuiltPackHasTheCommandsAndARangeReplacesThem) {
    const QString dataDir = qEnvironmentVariable("RYVO_DATA_DIR");
    ASSERT_FALSE(dataDir.isEmpty());
    EXPECT_EQ(CommandWaves(dataDir).size(), 6U);

    // A range's own pack in the start directory is used instead, word by word.
    test::TempDir start;
    const QByteArray own = packgen::MakeWav({1, 2, 3});
    start.Write(QStringLiteral("Sounds/strings.txt"), "2004\t2\n2401\tСвисток\n2402\tОгонь\n");
    start.Write(QStringLiteral("Sounds/2452.wav"), own);
    ProgramState state;
    state.StartDir = start.Path();
    state.DataDir = dataDir;
    LoadSoundLibrary(state);
    ASSERT_TRUE(state.SoundLibrary.has_value());
    EXPECT_EQ(CommandSound(*state.SoundLibrary, QStringLiteral(" огонь ")), own);
    EXPECT_FALSE(CommandSound(*state.SoundLibrary, QStringLiteral("Свисток"))); // no wave
    EXPECT_FALSE(CommandSound(*state.SoundLibrary, QStringLiteral("Заряжай")));
}
