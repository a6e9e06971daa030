#include "PackGen.h"

#include "PackFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

namespace ryvo::packgen {

namespace {

// ---- Sounds -------------------------------------------------------------------------------

// Reproducible noise for the synthesised sounds.
class Noise {
public:
    double Next() {
        m_state = m_state * 1664525U + 1013904223U;
        return static_cast<double>(m_state >> 8) / static_cast<double>(1U << 24) * 2.0 - 1.0;
    }

private:
    std::uint32_t m_state = 12345;
};

std::vector<std::int16_t> ToPcm(const std::vector<double>& wave) {
    double peak = 1e-9;
    for (double v : wave) {
        peak = std::max(peak, std::abs(v));
    }
    std::vector<std::int16_t> pcm(wave.size());
    for (size_t i = 0; i < wave.size(); ++i) {
        pcm[i] = static_cast<std::int16_t>(std::lround(wave[i] / peak * 0.85 * 32767.0));
    }
    return pcm;
}

// A pea whistle: a high tone warbling fast around its pitch, with some breath.
std::vector<double> Whistle(const std::vector<std::pair<double, double>>& blasts, double pitch) {
    const double total = blasts.back().first + blasts.back().second + 0.05;
    std::vector<double> wave(static_cast<size_t>(total * kSampleRate));
    Noise noise;
    double phase = 0;
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double envelope = 0;
        for (const auto& [start, length] : blasts) {
            if (t >= start && t < start + length) {
                const double in = std::min(1.0, (t - start) / 0.02);
                const double out = std::min(1.0, (start + length - t) / 0.04);
                envelope = std::min(in, out);
            }
        }
        const double frequency = pitch + 180.0 * std::sin(kTwoPi * 28.0 * t);
        phase += kTwoPi * frequency / kSampleRate;
        wave[i] = envelope * (std::sin(phase) + 0.15 * std::sin(2 * phase) + 0.08 * noise.Next());
    }
    return wave;
}

// A report: a burst of noise with a fast decay over a low thump; `dull` filters it darker.
std::vector<double> Shot(double decay, double dull) {
    std::vector<double> wave(static_cast<size_t>(0.5 * kSampleRate));
    Noise noise;
    double filtered = 0;
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        filtered += (1.0 - dull) * (noise.Next() - filtered);
        const double attack = std::min(1.0, t / 0.001);
        const double burst = attack * std::exp(-t / decay) * filtered;
        const double thump = std::exp(-t / 0.08) * std::sin(kTwoPi * 70.0 * t);
        wave[i] = burst + 0.5 * thump;
    }
    return wave;
}

// Struck metal: inharmonic partials, each dying away at its own rate.
std::vector<double> Struck(double base, const std::vector<std::pair<double, double>>& partials,
                           double seconds) {
    std::vector<double> wave(static_cast<size_t>(seconds * kSampleRate));
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double attack = std::min(1.0, t / 0.004);
        double v = 0;
        for (size_t n = 0; n < partials.size(); ++n) {
            const auto& [ratio, decay] = partials[n];
            v += std::exp(-t / decay) * std::sin(kTwoPi * base * ratio * t) / (1.0 + 0.5 * n);
        }
        wave[i] = attack * v;
    }
    return wave;
}

struct Sound {
    QString name;
    std::vector<double> wave;
};

// The spoken commands, in the pack's order (ids 2401.. and 2451..).
const char* const kCommandWords[] = {"Заряжай",          "Огонь", "Стой", "Разряжай",
                                     "Оружие к осмотру", "Время"};

// A short tone of its own pitch per command, when no voice is at hand.
std::vector<double> CommandTone(int index) {
    std::vector<double> wave(static_cast<size_t>(0.3 * kSampleRate));
    const double pitch = 520.0 + 90.0 * index;
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double envelope = std::min({1.0, t / 0.01, (0.3 - t) / 0.03});
        wave[i] = envelope * std::sin(kTwoPi * pitch * t);
    }
    return wave;
}

// The samples of a mono 16-bit PCM wave at kSampleRate. The data size is not trusted: a
// synthesiser writing to a pipe cannot know it and puts a placeholder there.
std::optional<std::vector<double>> WaveSamples(const QByteArray& b) {
    auto u16 = [&](qsizetype at) {
        return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                          static_cast<std::uint8_t>(b[at + 1]) << 8);
    };
    auto u32 = [&](qsizetype at) {
        return static_cast<std::uint32_t>(u16(at)) | static_cast<std::uint32_t>(u16(at + 2)) << 16;
    };
    if (b.size() < 12 || b.left(4) != "RIFF" || b.mid(8, 4) != "WAVE") {
        return std::nullopt;
    }
    bool formatOk = false;
    for (qsizetype at = 12; at + 8 <= b.size();) {
        const QByteArray id = b.mid(at, 4);
        const std::uint32_t size = u32(at + 4);
        if (id == "fmt " && at + 24 <= b.size()) {
            formatOk = u16(at + 8) == 1 && u16(at + 10) == 1 && u32(at + 12) == kSampleRate &&
                       u16(at + 22) == 16;
        } else if (id == "data") {
            if (!formatOk) {
                return std::nullopt;
            }
            std::vector<double> wave;
            for (qsizetype i = at + 8; i + 1 < b.size(); i += 2) {
                wave.push_back(static_cast<std::int16_t>(u16(i)) / 32768.0);
            }
            return wave;
        }
        at += 8 + static_cast<qsizetype>(size) + (size & 1U);
    }
    return std::nullopt;
}

// The text spoken in Russian by `program` (espeak-ng), without the silence around it;
// nullopt when the program is missing or fails.
std::optional<std::vector<double>> Speak(const QString& program, const QString& text) {
    QProcess process;
    process.start(program, {QStringLiteral("-v"), QStringLiteral("ru"), QStringLiteral("-s"),
                            QStringLiteral("140"), QStringLiteral("--stdout"), text});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        return std::nullopt;
    }
    auto wave = WaveSamples(process.readAllStandardOutput());
    if (!wave) {
        return std::nullopt;
    }
    auto loud = [](double v) { return std::abs(v) > 0.01; };
    const auto first = std::find_if(wave->begin(), wave->end(), loud);
    const auto last = std::find_if(wave->rbegin(), wave->rend(), loud).base();
    if (first >= last) {
        return std::nullopt;
    }
    return std::vector<double>(first, last);
}

} // namespace

QByteArray MakeWav(const std::vector<std::int16_t>& samples, int sampleRate) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    QByteArray out;
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    };
    auto put16 = [&](std::uint16_t v) {
        out.append(static_cast<char>(v & 0xFF));
        out.append(static_cast<char>(v >> 8));
    };
    out.append("RIFF");
    put32(36 + dataBytes);
    out.append("WAVEfmt ");
    put32(16);
    put16(1); // PCM
    put16(1); // mono
    put32(static_cast<std::uint32_t>(sampleRate));
    put32(static_cast<std::uint32_t>(sampleRate) * 2);
    put16(2);
    put16(16);
    out.append("data");
    put32(dataBytes);
    for (std::int16_t s : samples) {
        put16(static_cast<std::uint16_t>(s));
    }
    return out;
}

bool WriteSoundPack(const QString& dataDir, const QString& speechProgram) {
    const QString folder = QDir(dataDir).filePath(QStringLiteral("Sounds"));
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "packgen: cannot create %s\n", qPrintable(folder));
        return false;
    }
    const std::vector<Sound> groups[3] = {
        {{QStringLiteral("Свисток"), Whistle({{0.0, 0.9}}, 2900.0)},
         {QStringLiteral("Двойной свисток"), Whistle({{0.0, 0.3}, {0.45, 0.5}}, 2600.0)}},
        {{QStringLiteral("Выстрел"), Shot(0.035, 0.1)},
         {QStringLiteral("Выстрел глухой"), Shot(0.06, 0.85)}},
        {{QStringLiteral("Гонг"),
          Struck(110.0, {{1.0, 1.4}, {1.47, 1.0}, {2.09, 0.8}, {2.56, 0.6}, {3.39, 0.4}}, 2.6)},
         {QStringLiteral("Колокол"),
          Struck(520.0, {{1.0, 0.9}, {2.0, 0.7}, {2.4, 0.5}, {3.0, 0.4}, {4.2, 0.25}}, 1.8)}},
    };
    QStringList strings;
    bool ok = true;
    for (int g = 0; g < 3; ++g) {
        const int group = 2000 + 100 * (g + 1); // 2100, 2200, 2300
        strings << QStringLiteral("%1\t%2").arg(2001 + g).arg(groups[g].size());
        for (size_t i = 0; i < groups[g].size(); ++i) {
            const int item = static_cast<int>(i);
            strings << QStringLiteral("%1\t%2").arg(group + 1 + item).arg(groups[g][i].name);
            const QString file =
                QDir(folder).filePath(QStringLiteral("%1.wav").arg(group + 51 + item));
            ok = WriteFile(file, MakeWav(ToPcm(groups[g][i].wave))) && ok;
        }
    }
    strings << QStringLiteral("2004\t%1").arg(std::size(kCommandWords));
    bool spoken = true;
    for (int i = 0; i < static_cast<int>(std::size(kCommandWords)); ++i) {
        const QString word = QString::fromUtf8(kCommandWords[i]);
        auto wave = Speak(speechProgram, word);
        spoken = spoken && wave.has_value();
        strings << QStringLiteral("%1\t%2").arg(2401 + i).arg(word);
        const QString file = QDir(folder).filePath(QStringLiteral("%1.wav").arg(2451 + i));
        ok = WriteFile(file, MakeWav(ToPcm(wave ? *wave : CommandTone(i)))) && ok;
    }
    if (!spoken) {
        std::fprintf(stderr, "packgen: %s cannot speak Russian here; commands are tones\n",
                     qPrintable(speechProgram));
    }
    return WriteStrings(folder, strings) && ok;
}

} // namespace ryvo::packgen
