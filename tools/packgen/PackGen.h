#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace ryvo::packgen {

inline constexpr int kSampleRate = 22050;
inline constexpr int kPictureSize = 512;

// A mono 16-bit PCM wave image.
QByteArray MakeWav(const std::vector<std::int16_t>& samples, int sampleRate = kSampleRate);

// Writes the default packs into <dataDir>/Targets and <dataDir>/Sounds. Paints with QPainter,
// so a QGuiApplication must exist. False (with a message on stderr) when a file fails.
bool WriteTargetPack(const QString& dataDir);
// The sound pack also holds the spoken commands (string 2004: their number, strings 2401..:
// the words, files 2451..: the waves), spoken by `speechProgram` (espeak-ng, Russian voice);
// a short tone stands in for each when it cannot speak.
bool WriteSoundPack(const QString& dataDir,
                    const QString& speechProgram = QStringLiteral("espeak-ng"));

} // namespace ryvo::packgen
