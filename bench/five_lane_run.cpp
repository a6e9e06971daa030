// The five-lane window against ryvo-sim on a pseudo-terminal, driven by the event loop as in
// the program, with five lanes present and NumReps 0.
//
// 1. Poll rate: polls of the selected lane per second in a series, against a bare PollLane
//    loop on the same simulator just before and after it.
// 2. Soak: every lane fires `--shots` shots, one every 0.5-2 s; lanes 1-4 sometimes pull
//    again 40-80 ms after a shot, inside the lock-out. Reports triggers lost or counted
//    twice, every pull acknowledged, and the time from the start of the pass whose poll
//    brought a trigger frame of the selected lane to the repaint of the target with its hole.
// `--range-screen` opens the range screen (a window of its own) in every series.
#include "BenchSim.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "exercise/TRangeScreen.h"
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
#include <random>
#include <vector>

using namespace ryvo;

namespace {

bool g_rangeScreen = false;

struct Window : BenchRange {
    std::unique_ptr<TShoots5> page;
    std::unique_ptr<TRangeScreen> screen;

    explicit Window(const QString& link) : BenchRange(link, 5) {
        page = std::make_unique<TShoots5>(state, services);
        page->resize(1029, 646);
        page->show();
        if (g_rangeScreen) {
            screen = std::make_unique<TRangeScreen>(state);
            screen->OpenBeside(page.get());
            // As large as a full-HD second display.
            screen->resize(1920, 1080);
        }
    }
    void ReportScreen() const {
        if (screen) {
            std::printf("range screen open: %lld reports, %d repaints, %.1f ms painting\n",
                        static_cast<long long>(state.RangeScreen.Reports()), screen->Repaints(),
                        static_cast<double>(screen->PaintNs()) / 1e6);
        }
    }
    void Stop() {
        keyboard.Set(Key::Escape, true);
        RunUntil([&] { return page->Run().RunPhase() != RunSequence::Phase::Series; }, 2000);
        keyboard.Set(Key::Escape, false);
        RunUntil([&] { return page->Run().Idle(); }, 3000);
    }
};

// Passes (polls of the selected lane) per second over `seconds` of a series.
double RunPollRate(const QString& link, double seconds) {
    Window w(link);
    w.page->FormActivate();
    w.page->StartClick();
    RunUntil([&] { return w.page->Run().RunPhase() == RunSequence::Phase::Series; }, 5000);
    const std::uint64_t passes = w.page->Run().Passes();
    QElapsedTimer timer;
    timer.start();
    RunUntil([] { return false; }, static_cast<int>(seconds * 1000.0));
    const double elapsed = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const auto rate = static_cast<double>(w.page->Run().Passes() - passes) / elapsed;
    w.Stop();
    w.ReportScreen();
    return rate;
}

int Soak(const QString& dirPath, int shots) {
    // Pull times per lane, from 3 s on.
    std::mt19937 random(20261208U);
    std::uniform_int_distribution<int> gap(500, 2000);
    std::uniform_int_distribution<int> quick(40, 80);
    std::uniform_int_distribution<int> coin(0, 9);
    std::array<std::vector<int>, 5> pulls;
    std::array<int, 5> inLockout{};
    int last = 0;
    QByteArray scenario;
    for (int lane = 0; lane < 5; ++lane) {
        auto& times = pulls[static_cast<size_t>(lane)];
        int t = 3000 + 97 * lane;
        while (static_cast<int>(times.size()) < shots) {
            times.push_back(t);
            if (lane != 0 && coin(random) == 0 && static_cast<int>(times.size()) < shots) {
                times.push_back(t + quick(random));
                ++inLockout[static_cast<size_t>(lane)];
            }
            t += gap(random);
        }
        last = std::max(last, times.back());
        scenario += QStringLiteral("level %1 4000\n").arg(lane).toUtf8();
        scenario += lane == 0
                        ? QByteArray("aim 0 noise 0 0 60 5\n")
                        : QStringLiteral("aim %1 fixed %2 0\n").arg(lane).arg(400 * lane).toUtf8();
        scenario += "trigger " + QByteArray::number(lane);
        for (int p : times) {
            scenario += ' ' + QByteArray::number(p);
        }
        scenario += '\n';
    }
    const QString link = dirPath + QStringLiteral("/soak-tty");
    const QString logPath = dirPath + QStringLiteral("/soak.log");
    const auto sim = StartSimulatorOn(dirPath, QStringLiteral("soak-tty"), scenario,
                                      {QStringLiteral("--log"), logPath});
    if (!sim) {
        return 1;
    }
    QElapsedTimer sinceSim;
    sinceSim.start();

    Window w(link);
    QElapsedTimer timer;
    timer.start();
    qint64 tickStart = 0;
    qint64 previousTickStart = 0;
    std::uint32_t countSeen = 0;
    std::uint32_t countShown = 0;
    qint64 shotTick = -1;
    std::vector<double> latencies;
    RunState& run = w.state.run;
    w.page->onTick = [&] {
        previousTickStart = tickStart;
        tickStart = timer.nsecsElapsed();
        if (run.ShotCount[0] != countSeen) {
            countSeen = run.ShotCount[0];
            shotTick = previousTickStart;
        }
    };
    w.page->onDisplayed = [&] {
        const std::uint32_t count = run.ShotCount[0];
        if (count == countShown) {
            return;
        }
        if (count != countSeen) { // painted before the next tick began
            countSeen = count;
            shotTick = tickStart;
        }
        countShown = count;
        latencies.push_back(static_cast<double>(timer.nsecsElapsed() - shotTick) / 1e6);
    };
    w.page->FormActivate();
    w.page->StartClick();
    RunUntil([&] { return w.page->Run().RunPhase() == RunSequence::Phase::Series; }, 5000);
    const qint64 seriesAt = sinceSim.elapsed();
    const std::uint64_t passes = w.page->Run().Passes();
    QElapsedTimer seriesTime;
    seriesTime.start();
    RunUntil([&] { return sinceSim.elapsed() > last + 2000; }, last + 10000);
    const double seriesSeconds = static_cast<double>(seriesTime.nsecsElapsed()) / 1e9;
    const std::uint64_t seriesPasses = w.page->Run().Passes() - passes;
    w.Stop();
    w.ReportScreen();
    StopSimulator(*sim);

    // Acknowledges per lane with their times, from the simulator's log.
    std::array<std::vector<double>, 5> acks;
    QFile log(logPath);
    if (log.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : log.readAll().split('\n')) {
            const QList<QByteArray> parts = line.trimmed().split(' ');
            if (parts.size() == 2) {
                const int byte = parts[1].toInt(nullptr, 16);
                if (byte >= 0x80 && byte < 0x85) {
                    acks[static_cast<size_t>(byte - 0x80)].push_back(parts[0].toDouble());
                }
            }
        }
    }
    std::printf("soak: series from %lld ms, %.1f s, %.1f passes/s; pulls inside the lock-out "
                "on lanes 1-4: %d %d %d %d\n",
                static_cast<long long>(seriesAt), seriesSeconds,
                static_cast<double>(seriesPasses) / seriesSeconds, inLockout[1], inLockout[2],
                inLockout[3], inLockout[4]);
    int lostTotal = 0;
    int twiceTotal = 0;
    for (size_t lane = 0; lane < 5; ++lane) {
        const auto& times = pulls[lane];
        const int expected = static_cast<int>(times.size());
        const int counted = static_cast<int>(run.ShotCount[lane]);
        int unacknowledged = 0;
        for (size_t p = 0; p < times.size(); ++p) {
            const double from = times[p];
            const double until = p + 1 < times.size() ? times[p + 1] : 1e12;
            const auto& a = acks[lane];
            if (std::none_of(a.begin(), a.end(),
                             [&](double t) { return t >= from && t < until; })) {
                ++unacknowledged;
            }
        }
        lostTotal += std::max(0, expected - counted);
        twiceTotal += std::max(0, counted - expected);
        std::printf("lane %zu: %d pulls, %d counted, %d lost, %d counted twice, %d pulls not "
                    "acknowledged\n",
                    lane, expected, counted, std::max(0, expected - counted),
                    std::max(0, counted - expected), unacknowledged);
    }
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        std::printf("selected lane: trigger pass to hole on screen: %zu shots, median %.2f ms, "
                    "max %.2f ms\n",
                    latencies.size(), latencies[latencies.size() / 2], latencies.back());
    }
    std::printf("triggers lost %d, counted twice %d\n", lostTotal, twiceTotal);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    double seconds = 4.0;
    int shots = 200;
    int rounds = 3;
    bool soak = true;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size()) {
            seconds = args[++i].toDouble();
        } else if (args[i] == QLatin1String("--shots") && i + 1 < args.size()) {
            shots = args[++i].toInt();
        } else if (args[i] == QLatin1String("--rounds") && i + 1 < args.size()) {
            rounds = std::max(1, args[++i].toInt());
        } else if (args[i] == QLatin1String("--no-soak")) {
            soak = false;
        } else if (args[i] == QLatin1String("--range-screen")) {
            g_rangeScreen = true;
        }
    }
    QTemporaryDir dir;
    {
        // Five lanes present, no triggers: one transaction per pass.
        const QString link = dir.filePath(QStringLiteral("tty"));
        const auto sim = StartSimulatorOn(dir.path(), QStringLiteral("tty"),
                                          "level 0 4000\nlevel 1 4000\nlevel 2 4000\n"
                                          "level 3 4000\nlevel 4 4000\naim 0 noise 0 0 60 5\n");
        if (!sim) {
            return 1;
        }
        // Bare loop and series take turns, so both see the same load of the machine.
        double bare = BarePollRate(link, seconds, 50, false);
        std::vector<double> ratios;
        for (int r = 0; r < rounds; ++r) {
            const double window = RunPollRate(link, seconds);
            const double bareAfter = BarePollRate(link, seconds, 50, false);
            const double reference = (bare + bareAfter) / 2.0;
            ratios.push_back(window / reference);
            std::printf("paced at 57600 baud, round %d: bare poll loop %.1f / %.1f polls/s; "
                        "five-lane series %.1f polls of the selected lane/s = %.3f x bare loop, "
                        "%.3f x 576/s\n",
                        r + 1, bare, bareAfter, window, window / reference, window / 576.0);
            bare = bareAfter;
        }
        std::sort(ratios.begin(), ratios.end());
        std::printf("ratio to the bare loop: median %.3f, range %.3f-%.3f\n",
                    ratios[ratios.size() / 2], ratios.front(), ratios.back());
        StopSimulator(*sim);
    }
    return soak ? Soak(dir.path(), shots) : 0;
}
