// A long five-lane soak: the five-lane window against ryvo-sim on a pseudo-terminal, driven by
// the event loop as in the program, every lane pulling the trigger every 1-3 s for an hour.
// The hour is shot as series of `--series-minutes` (a lane stops counting at 1000 shots, so an
// hour cannot be one series); each series is started by its button and ended by Escape, as an
// instructor does.
//
// Reports resident memory every minute and at the end, shots registered against pulls per
// series and lane, pulls not acknowledged, and the longest time from one pass to the next
// while a series runs.
#include "BenchSim.h"
#include "exercise/TShoots5.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <vector>

using namespace ryvo;

namespace {

constexpr int kLanes = 5;
// Pulls of a series start this long after its start and stop this long before its end, so
// the start-of-series polls and the Escape never meet a pull.
constexpr int kMarginMs = 6000;

double ResidentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0.0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return 0.0;
}

struct Window {
    ProgramState state;
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    std::unique_ptr<TShoots5> page;

    explicit Window(const QString& link) {
        Settings& s = state.settings;
        ApplyBuiltInDefaults(s);
        s.SerialPort = link;
        s.IO_Serial = 1;
        s.Shooter = 31;
        s.ShootsNumber = 1000;
        s.Time = 0;
        s.TargetsChange = 0;
        for (size_t lane = 0; lane < kLanes; ++lane) {
            s.Target[lane] = 2;
            state.LanePresent[lane] = 1;
        }
        s.EnableTrace = 1;
        s.FlagGunEnable = 1;
        s.NumReps = 0;
        ApplySignalLimits(state);
        state.TraceLength = ComputeTraceLength(s);
        state.PortEverOpened = true;
        sound.available = false;
        page = std::make_unique<TShoots5>(state, services);
        page->resize(1029, 646);
        page->show();
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    double minutes = 60.0;
    double seriesMinutes = 10.0;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--minutes")) {
            minutes = args[++i].toDouble();
        } else if (args[i] == QLatin1String("--series-minutes")) {
            seriesMinutes = args[++i].toDouble();
        }
    }
    const auto seriesMs = static_cast<int>(seriesMinutes * 60000.0);
    if (seriesMs < 4 * kMarginMs) {
        std::fprintf(stderr, "a series must be at least %d s long\n", 4 * kMarginMs / 1000);
        return 1;
    }
    const int seriesCount = std::max(1, static_cast<int>(minutes / seriesMinutes + 0.5));

    // Pull times per series and lane, 1-3 s apart.
    std::mt19937 random(20261208U);
    std::uniform_int_distribution<int> gap(1000, 3000);
    std::vector<std::array<std::vector<int>, kLanes>> pulls(static_cast<size_t>(seriesCount));
    QByteArray scenario;
    for (int lane = 0; lane < kLanes; ++lane) {
        scenario += QStringLiteral("level %1 4000\n").arg(lane).toUtf8();
        scenario += lane == 0 ? QByteArray("aim 0 noise 0 0 60 5\n")
                              : QStringLiteral("aim %1 noise %2 0 80 %3\n")
                                    .arg(lane)
                                    .arg(300 * lane)
                                    .arg(lane + 7)
                                    .toUtf8();
        scenario += "trigger " + QByteArray::number(lane);
        for (int k = 0; k < seriesCount; ++k) {
            auto& times = pulls[static_cast<size_t>(k)][static_cast<size_t>(lane)];
            const int end = (k + 1) * seriesMs - kMarginMs;
            for (int t = k * seriesMs + kMarginMs + 131 * lane; t < end; t += gap(random)) {
                times.push_back(t);
                scenario += ' ' + QByteArray::number(t);
            }
        }
        scenario += '\n';
    }
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("soak-tty"));
    const QString scenarioPath = dir.filePath(QStringLiteral("soak.txt"));
    const QString logPath = dir.filePath(QStringLiteral("soak.log"));
    {
        QFile file(scenarioPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(scenario) != scenario.size()) {
            return 1;
        }
    }
    QProcess sim;
    if (!StartSimulator(sim, {QStringLiteral("--link"), link, QStringLiteral("--scenario"),
                              scenarioPath, QStringLiteral("--log"), logPath})) {
        return 1;
    }
    QElapsedTimer sinceSim;
    sinceSim.start();

    Window w(link);
    RunState& run = w.state.run;
    qint64 lastTick = -1;
    qint64 longestGapNs = 0;
    std::array<int, 3> slowPasses{}; // over 20, 50 and 100 ms
    QElapsedTimer passTimer;
    passTimer.start();
    bool inSeries = false;
    w.page->onTick = [&] {
        const qint64 now = passTimer.nsecsElapsed();
        if (inSeries && lastTick >= 0) {
            const qint64 gapNs = now - lastTick;
            longestGapNs = std::max(longestGapNs, gapNs);
            slowPasses[0] += gapNs > 20'000'000 ? 1 : 0;
            slowPasses[1] += gapNs > 50'000'000 ? 1 : 0;
            slowPasses[2] += gapNs > 100'000'000 ? 1 : 0;
        }
        lastTick = inSeries ? now : -1;
    };

    const double rssStart = ResidentMegabytes();
    double rssMax = rssStart;
    std::printf("resident memory at start: %.1f MB\n", rssStart);
    std::fflush(stdout);
    QTimer memory;
    int minute = 0;
    QObject::connect(&memory, &QTimer::timeout, [&] {
        const double rss = ResidentMegabytes();
        rssMax = std::max(rssMax, rss);
        std::printf("minute %d: resident %.1f MB, %llu passes\n", ++minute, rss,
                    static_cast<unsigned long long>(w.page->Run().Passes()));
        std::fflush(stdout);
    });
    memory.start(60000);

    std::vector<std::array<std::uint32_t, kLanes>> counted(static_cast<size_t>(seriesCount));
    std::uint64_t passes = 0;
    double seriesSeconds = 0.0;
    w.page->FormActivate();
    for (int k = 0; k < seriesCount; ++k) {
        const qint64 from = static_cast<qint64>(k) * seriesMs;
        RunUntil([&] { return sinceSim.elapsed() >= from + 500; }, seriesMs);
        w.page->StartClick();
        RunUntil([&] { return w.page->Run().RunPhase() == RunSequence::Phase::Series; }, 5000);
        if (w.page->Run().RunPhase() != RunSequence::Phase::Series) {
            std::printf("series %d did not start\n", k + 1);
            return 1;
        }
        const std::uint64_t passesBefore = w.page->Run().Passes();
        QElapsedTimer seriesTime;
        seriesTime.start();
        inSeries = true;
        RunUntil([&] { return sinceSim.elapsed() >= from + seriesMs - kMarginMs / 2; },
                 seriesMs + 5000);
        inSeries = false;
        seriesSeconds += static_cast<double>(seriesTime.nsecsElapsed()) / 1e9;
        passes += w.page->Run().Passes() - passesBefore;
        for (size_t lane = 0; lane < kLanes; ++lane) {
            counted[static_cast<size_t>(k)][lane] = run.ShotCount[lane];
        }
        w.keyboard.Set(Key::Escape, true);
        RunUntil([&] { return w.page->Run().RunPhase() != RunSequence::Phase::Series; }, 2000);
        w.keyboard.Set(Key::Escape, false);
        RunUntil([&] { return w.page->Run().Idle(); }, 3000);
        std::printf("series %d ended at %.1f s\n", k + 1,
                    static_cast<double>(sinceSim.elapsed()) / 1000.0);
        std::fflush(stdout);
    }
    memory.stop();
    const double rssEnd = ResidentMegabytes();
    rssMax = std::max(rssMax, rssEnd);
    sim.terminate();
    sim.waitForFinished(3000);

    // Acknowledge times per lane, from the simulator's log.
    std::array<std::vector<double>, kLanes> acks;
    QFile log(logPath);
    if (log.open(QIODevice::ReadOnly)) {
        while (!log.atEnd()) {
            const QList<QByteArray> parts = log.readLine().trimmed().split(' ');
            if (parts.size() == 2) {
                const int byte = parts[1].toInt(nullptr, 16);
                if (byte >= 0x80 && byte < 0x80 + kLanes) {
                    acks[static_cast<size_t>(byte - 0x80)].push_back(parts[0].toDouble());
                }
            }
        }
    }
    long pullsTotal = 0;
    long countedTotal = 0;
    long lost = 0;
    long twice = 0;
    long unacknowledged = 0;
    for (int k = 0; k < seriesCount; ++k) {
        std::printf("series %d:", k + 1);
        for (size_t lane = 0; lane < kLanes; ++lane) {
            const auto& times = pulls[static_cast<size_t>(k)][lane];
            const auto expected = static_cast<long>(times.size());
            const auto got = static_cast<long>(counted[static_cast<size_t>(k)][lane]);
            for (size_t p = 0; p < times.size(); ++p) {
                const double start = times[p];
                const double until = p + 1 < times.size() ? times[p + 1] : start + 3000.0;
                const auto& a = acks[lane];
                const auto it = std::lower_bound(a.begin(), a.end(), start);
                if (it == a.end() || *it >= until) {
                    ++unacknowledged;
                }
            }
            pullsTotal += expected;
            countedTotal += got;
            lost += std::max(0L, expected - got);
            twice += std::max(0L, got - expected);
            std::printf(" lane %zu %ld/%ld", lane, got, expected);
        }
        std::printf(" (shots/pulls)\n");
    }
    std::printf("%d series, %.0f s in series, %.1f passes/s\n", seriesCount, seriesSeconds,
                static_cast<double>(passes) / seriesSeconds);
    std::printf("pulls %ld, shots %ld, lost %ld, counted twice %ld, not acknowledged %ld\n",
                pullsTotal, countedTotal, lost, twice, unacknowledged);
    std::printf("longest pass to pass %.1f ms; over 20 ms %d, over 50 ms %d, over 100 ms %d\n",
                static_cast<double>(longestGapNs) / 1e6, slowPasses[0], slowPasses[1],
                slowPasses[2]);
    std::printf("resident memory: start %.1f MB, end %.1f MB, highest %.1f MB\n", rssStart, rssEnd,
                rssMax);
    return 0;
}
