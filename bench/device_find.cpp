// Finding the device and the link behind a USB adapter, against ryvo-sim on pseudo-terminals.
//
// 1. Search: 8 candidate ports, 7 of them silent (ryvo-sim with "fault silence") and the
//    device last, through QSerialPort as the program searches; the time of the whole search
//    and of its longest step (the longest the window waits). Also 8 silent ports, nothing found.
// 2. Slow link: ryvo-sim --latency 16 (a latency timer of 16 ms) against --latency 0: a bare
//    poll loop, then a series in the single-shooter and in the five-lane window; polls per
//    second as the device status measures them, passes per second, shots counted against
//    pulls.
#include "BenchSim.h"
#include "device/DeviceSearch.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "exercise/TShoot1.h"
#include "exercise/TShoots5.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace ryvo;

namespace {

struct SearchFigures {
    double totalMs = 0.0;
    double longestStepMs = 0.0;
    bool found = false;
};

SearchFigures TimeSearch(const QStringList& candidates) {
    QtSerialPortFactory ports;
    DeviceSearch search(&ports, candidates);
    SearchFigures figures;
    QElapsedTimer total;
    total.start();
    bool more = true;
    while (more) {
        QElapsedTimer step;
        step.start();
        more = search.Step();
        figures.longestStepMs =
            std::max(figures.longestStepMs, static_cast<double>(step.nsecsElapsed()) / 1e6);
    }
    figures.totalMs = static_cast<double>(total.nsecsElapsed()) / 1e6;
    figures.found = search.Found().has_value();
    return figures;
}

int SearchBench(const QString& dir, int rounds) {
    std::vector<std::unique_ptr<QProcess>> silent;
    QStringList silentLinks;
    for (int i = 0; i < 8; ++i) {
        const QString name = QStringLiteral("silent%1").arg(i);
        silent.push_back(StartSimulatorOn(dir, name, "fault silence\n"));
        if (!silent.back()) {
            return 1;
        }
        silentLinks << dir + QStringLiteral("/") + name;
    }
    auto device = StartSimulatorOn(dir, QStringLiteral("device"), "level 0 4000\n");
    if (!device) {
        return 1;
    }
    const QStringList withDevice = silentLinks.mid(0, 7) << dir + QStringLiteral("/device");
    for (int r = 0; r < rounds; ++r) {
        const SearchFigures found = TimeSearch(withDevice);
        const SearchFigures none = TimeSearch(silentLinks);
        std::printf("search round %d: 7 silent + device last: %.0f ms (longest step %.1f ms, "
                    "found: %s); 8 silent: %.0f ms (longest step %.1f ms, found: %s)\n",
                    r + 1, found.totalMs, found.longestStepMs, found.found ? "yes" : "no",
                    none.totalMs, none.longestStepMs, none.found ? "yes" : "no");
    }
    for (auto& sim : silent) {
        StopSimulator(*sim);
    }
    StopSimulator(*device);
    return 0;
}

// Pulls per lane: lane i every 700 + 100 i ms from 2500 ms for `seconds`; with five lanes all
// of them also pull at the same moment every 4 s, and no lane pulls within 300 ms of that.
std::array<std::vector<int>, 5> Pulls(int lanes, double seconds) {
    std::array<std::vector<int>, 5> pulls;
    const int end = 2500 + static_cast<int>(seconds * 1000.0);
    std::vector<int> together;
    for (int t = 5000; lanes > 1 && t < end; t += 4000) {
        together.push_back(t);
    }
    for (int lane = 0; lane < lanes; ++lane) {
        auto& p = pulls[static_cast<size_t>(lane)];
        for (int t = 2500 + 37 * lane; t < end; t += 700 + 100 * lane) {
            if (std::none_of(together.begin(), together.end(),
                             [t](int at) { return std::abs(t - at) < 300; })) {
                p.push_back(t);
            }
        }
        p.insert(p.end(), together.begin(), together.end());
        std::sort(p.begin(), p.end());
    }
    return pulls;
}

template <typename Window>
int SeriesBench(const QString& dir, int latency, int lanes, double seconds) {
    const auto pulls = Pulls(lanes, seconds);
    QByteArray scenario;
    int last = 0;
    for (int lane = 0; lane < 5; ++lane) {
        scenario += QStringLiteral("level %1 4000\naim %1 noise %2 0 60 %3\n")
                        .arg(lane)
                        .arg(300 * lane)
                        .arg(lane + 3)
                        .toUtf8();
        const auto& p = pulls[static_cast<size_t>(lane)];
        if (!p.empty()) {
            scenario += "trigger " + QByteArray::number(lane);
            for (int t : p) {
                scenario += ' ' + QByteArray::number(t);
            }
            scenario += '\n';
            last = std::max(last, p.back());
        }
    }
    const QString name = QStringLiteral("series%1-%2").arg(lanes).arg(latency);
    auto sim = StartSimulatorOn(dir, name, scenario,
                                {QStringLiteral("--latency"), QString::number(latency)});
    if (!sim) {
        return 1;
    }
    QElapsedTimer sinceSim;
    sinceSim.start();
    BenchRange range(dir + QStringLiteral("/") + name, lanes);
    Window page(range.state, range.services);
    page.resize(1029, 646);
    page.show();
    page.FormActivate();
    page.StartClick();
    RunUntil([&] { return page.Run().RunPhase() == RunSequence::Phase::Series; }, 5000);
    const qint64 seriesAt = sinceSim.elapsed();
    // The meter starts with the run's port; its first polls belong to the start.
    const std::uint64_t passes = page.Run().Passes();
    QElapsedTimer series;
    series.start();
    RunUntil([&] { return sinceSim.elapsed() > last + 1500; }, last + 10000);
    const double elapsed = static_cast<double>(series.nsecsElapsed()) / 1e9;
    const double passRate = static_cast<double>(page.Run().Passes() - passes) / elapsed;
    range.keyboard.Set(Key::Escape, true);
    RunUntil([&] { return page.Run().RunPhase() != RunSequence::Phase::Series; }, 2000);
    range.keyboard.Set(Key::Escape, false);
    RunUntil([&] { return page.Run().Idle(); }, 3000);
    StopSimulator(*sim);

    const auto rate = range.state.Polls.Rate();
    std::printf("latency %2d ms, %s: series from %lld ms, %.1f s; %.0f polls/s (device status), "
                "%.0f passes/s\n",
                latency, lanes == 1 ? "single-shooter window" : "five-lane window",
                static_cast<long long>(seriesAt), elapsed, rate ? *rate : 0.0, passRate);
    int pulled = 0;
    int counted = 0;
    for (size_t lane = 0; lane < static_cast<size_t>(lanes); ++lane) {
        pulled += static_cast<int>(pulls[lane].size());
        counted += static_cast<int>(range.state.run.ShotCount[lane]);
        std::printf("  lane %zu: %zu pulls, %u shots counted\n", lane, pulls[lane].size(),
                    range.state.run.ShotCount[lane]);
    }
    std::printf("  all lanes: %d pulls, %d counted\n", pulled, counted);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int rounds = 3;
    double seconds = 10.0;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--rounds") && i + 1 < args.size()) {
            rounds = std::max(1, args[++i].toInt());
        } else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size()) {
            seconds = std::max(1.0, args[++i].toDouble());
        }
    }
    QTemporaryDir dir;
    if (SearchBench(dir.path(), rounds) != 0) {
        return 1;
    }
    for (const int latency : {0, 16}) {
        auto sim =
            StartSimulatorOn(dir.path(), QStringLiteral("bare%1").arg(latency), "level 0 4000\n",
                             {QStringLiteral("--latency"), QString::number(latency)});
        if (!sim) {
            return 1;
        }
        std::printf(
            "latency %2d ms: bare poll loop %.0f polls/s\n", latency,
            BarePollRate(dir.filePath(QStringLiteral("bare%1").arg(latency)), 3.0, 0, true));
        StopSimulator(*sim);
        if (SeriesBench<TShoot1>(dir.path(), latency, 1, seconds) != 0 ||
            SeriesBench<TShoots5>(dir.path(), latency, 5, seconds) != 0) {
            return 1;
        }
    }
    return 0;
}
