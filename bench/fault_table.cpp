// Device faults against the single-shooter and the five-lane window, through the serial port
// against ryvo-sim on a pseudo-terminal, each window driven by the event loop as in the
// program. One row per fault pattern: bad checksums, wrong lanes, short frames and silence in
// windows over several pulls, as a storm over the whole series and as a storm of 60 ms bursts
// every 100 ms; the simulator's process stopped for 300 ms around a pull, so its answers
// come late as on a loaded machine; the simulator killed and unplugged mid-series; and a row
// without faults.
//
// Pulls come 0.6-1.5 s apart on each lane, so the shot guard (one to two 100 ms ticks after a
// shot) refuses a pull only when a fault delayed the report before it. Per row, from the
// pulls, the acknowledges in the simulator's byte log and the times shots were registered:
//   pulls   pulls the scenario made (before the loss, for the kill and unplug rows)
//   shots   shots the window registered
//   acked   pulls followed by an acknowledge of their lane before the lane's next pull
//   twice   shots beyond one per report the device raised (a report lasts from a pull
//           while none stands to the acknowledge that clears it)
//   ack!cnt acknowledged pulls with no shot registered before the lane's next pull
//   guard   of those, pulls whose acknowledge came within 210 ms (two lock-out ticks and a
//           margin) of a shot whose report was delayed by more than 100 ms after its pull
//   merged  pulls never acknowledged on their own: made while an earlier report still stood,
//           so the device merged them into it, or left standing at the end of the series
#include "BenchSim.h"
#include "exercise/RunStatus.h"
#include "exercise/TShoot1.h"
#include "exercise/TShoots5.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <signal.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <utility>
#include <vector>

using namespace ryvo;

namespace {

constexpr int kFirstPullMs = 3000;
constexpr double kLockoutSpanMs = 210.0;
constexpr double kDelayedReportMs = 100.0;
constexpr int kStallMs = 300;

enum class Loss { None, Kill, Unplug };

struct Row {
    explicit Row(QString rowName, QByteArray rowFaults = {}, Loss rowLoss = Loss::None,
                 int rowLossMs = 0)
        : name(std::move(rowName)), faults(std::move(rowFaults)), loss(rowLoss), lossMs(rowLossMs) {
    }
    QString name;
    QByteArray faults; // scenario lines
    Loss loss = Loss::None;
    int lossMs = 0;
    // Times the simulator's process is stopped for kStallMs, as a loaded machine may.
    std::vector<int> stalls;
};

struct Figures {
    int pulls = 0;
    int shots = 0;
    int acked = 0;
    int twice = 0;
    int ackedNotCounted = 0;
    int guardAfterDelay = 0;
    int merged = 0;
    // Kill and unplug rows.
    qint64 silentAfterMs = -1; // from the loss to the status line saying so
    bool statusShown = false;
    bool stopped = false;
    bool shotsKept = false;
};

// Shot and lane times are in ms since the simulator started.
struct LaneTimes {
    std::vector<double> pulls;
    std::vector<double> acks;
    std::vector<double> shots;
};

// --detail: each lane's pulls, acknowledges and shots, for reading a row's figures.
bool g_detail = false;

void PrintTimes(const char* what, const std::vector<double>& times) {
    std::printf("  %s:", what);
    for (double t : times) {
        std::printf(" %.0f", t);
    }
    std::printf("\n");
}

// Acknowledge times per lane from the simulator's byte log ("ms hex" per line).
std::array<std::vector<double>, kLaneCount> ReadAcks(const QString& path) {
    std::array<std::vector<double>, kLaneCount> acks;
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly)) {
        return acks;
    }
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() != 2) {
            continue;
        }
        const int byte = parts[1].toInt(nullptr, 16);
        if (byte >= 0x80 && byte < 0x80 + kLaneCount) {
            acks[static_cast<size_t>(byte - 0x80)].push_back(parts[0].toDouble());
        }
    }
    return acks;
}

void AddLane(Figures& f, const LaneTimes& lane, double until) {
    std::vector<double> pulls;
    for (double p : lane.pulls) {
        if (p < until) {
            pulls.push_back(p);
        }
    }
    f.pulls += static_cast<int>(pulls.size());
    f.shots += static_cast<int>(lane.shots.size());

    // The device's reports: a pull while none stands raises one, an acknowledge clears it.
    struct Report {
        double start = 0.0;
        int shots = 0;
    };
    std::vector<Report> reports;
    bool standing = false;
    size_t a = 0;
    for (double p : pulls) {
        while (a < lane.acks.size() && lane.acks[a] < p) {
            standing = false;
            ++a;
        }
        if (!standing) {
            reports.push_back({p});
            standing = true;
        }
    }
    // Each shot belongs to the latest report raised before it.
    auto reportOf = [&](double t) -> Report* {
        Report* found = nullptr;
        for (Report& r : reports) {
            if (r.start <= t) {
                found = &r;
            }
        }
        return found;
    };
    for (double s : lane.shots) {
        if (Report* r = reportOf(s)) {
            ++r->shots;
        }
    }
    for (const Report& r : reports) {
        f.twice += std::max(0, r.shots - 1);
    }

    for (size_t k = 0; k < pulls.size(); ++k) {
        const double from = pulls[k];
        const double to = k + 1 < pulls.size() ? pulls[k + 1] : 1e12;
        const auto ack = std::find_if(lane.acks.begin(), lane.acks.end(),
                                      [&](double t) { return t >= from && t < to; });
        if (ack == lane.acks.end()) {
            ++f.merged;
            continue;
        }
        ++f.acked;
        if (std::any_of(lane.shots.begin(), lane.shots.end(),
                        [&](double t) { return t >= from && t < to; })) {
            continue;
        }
        ++f.ackedNotCounted;
        // The shot just before this acknowledge, and how late its report was taken.
        const auto before = std::find_if(lane.shots.rbegin(), lane.shots.rend(),
                                         [&](double t) { return t <= *ack; });
        if (before == lane.shots.rend()) {
            continue;
        }
        const Report* r = reportOf(*before);
        if (*ack - *before <= kLockoutSpanMs && r != nullptr &&
            *before - r->start > kDelayedReportMs) {
            ++f.guardAfterDelay;
        }
    }
}

// What a row needs of a window, the same for both.
struct WindowRun {
    std::function<void()> start;
    std::function<bool()> inSeries;
    std::function<bool()> idle;
    std::function<std::uint32_t(int)> shotCount;
    std::function<RunStatus&()> status;
    QWidget* page = nullptr;
};

struct Services5 {
    ProgramState state;
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    Services5() { sound.available = false; }
};

void CommonSettings(ProgramState& state, const QString& link) {
    Settings& s = state.settings;
    ApplyBuiltInDefaults(s);
    s.SerialPort = link;
    s.IO_Serial = 1;
    s.ShootsNumber = 1000;
    s.Time = 0;
    s.TargetsChange = 0;
    s.EnableTrace = 1;
    s.FlagGunEnable = 1;
}

Figures RunRow(const QString& dirPath, const Row& row, bool fiveLanes,
               const std::array<std::vector<int>, kLaneCount>& pulls, int lastPull) {
    const int lanes = fiveLanes ? kLaneCount : 1;
    QByteArray scenario;
    for (int lane = 0; lane < lanes; ++lane) {
        scenario += QStringLiteral("level %1 4000\naim %1 fixed %2 %3\n")
                        .arg(lane)
                        .arg(300 * lane - 500)
                        .arg(200 - 100 * lane)
                        .toUtf8();
        scenario += "trigger " + QByteArray::number(lane);
        for (int p : pulls[static_cast<size_t>(lane)]) {
            scenario += ' ' + QByteArray::number(p);
        }
        scenario += '\n';
    }
    scenario += row.faults;
    if (row.loss == Loss::Unplug) {
        scenario += "fault unplug from=" + QByteArray::number(row.lossMs) + '\n';
    }
    const QString link = dirPath + QStringLiteral("/tty");
    const QString logPath = dirPath + QStringLiteral("/sim.log");
    Figures f;
    const auto simProcess = StartSimulatorOn(dirPath, QStringLiteral("tty"), scenario,
                                             {QStringLiteral("--log"), logPath});
    if (!simProcess) {
        return f;
    }
    QProcess& sim = *simProcess;
    QElapsedTimer sinceSim;
    sinceSim.start();

    Services5 w;
    CommonSettings(w.state, link);
    std::unique_ptr<TShoot1> single;
    std::unique_ptr<TShoots5> five;
    WindowRun run;
    if (fiveLanes) {
        w.state.settings.Shooter = 31;
        w.state.settings.NumReps = 0;
        for (size_t lane = 0; lane < kLaneCount; ++lane) {
            w.state.settings.Target[lane] = 2;
            w.state.LanePresent[lane] = 1;
        }
        w.state.PortEverOpened = true;
        five = std::make_unique<TShoots5>(w.state, w.services);
        five->resize(1029, 646);
        run.page = five.get();
        run.start = [&] {
            five->FormActivate();
            five->StartClick();
        };
        run.inSeries = [&] { return five->Run().RunPhase() == RunSequence::Phase::Series; };
        run.idle = [&] { return five->Run().Idle(); };
        run.status = [&]() -> RunStatus& { return five->Run().status; };
    } else {
        w.state.settings.Shooter = 1;
        w.state.settings.Target[0] = 2;
        w.state.settings.FlagPostGunEnable = 1;
        single = std::make_unique<TShoot1>(w.state, w.services);
        single->resize(1000, 700);
        run.page = single.get();
        run.start = [&] {
            single->FormActivate();
            single->StartClick();
        };
        run.inSeries = [&] {
            return single->Run().CurrentPhase() == SingleShooterRun::Phase::Series;
        };
        run.idle = [&] { return single->Run().Idle(); };
        run.status = [&]() -> RunStatus& { return single->Run().status; };
    }
    ApplySignalLimits(w.state);
    w.state.TraceLength = ComputeTraceLength(w.state.settings);
    run.page->show();

    std::array<LaneTimes, kLaneCount> times;
    std::array<std::uint32_t, kLaneCount> seen{};
    bool counting = false;
    auto onTick = [&] {
        if (!counting) {
            return;
        }
        const auto now = static_cast<double>(sinceSim.nsecsElapsed()) / 1e6;
        for (size_t lane = 0; lane < kLaneCount; ++lane) {
            const std::uint32_t count = w.state.run.ShotCount[lane];
            for (; seen[lane] < count; ++seen[lane]) {
                times[lane].shots.push_back(now);
            }
        }
    };
    if (five) {
        five->onTick = onTick;
    } else {
        single->Ticks().onTick = onTick;
    }

    for (const int at : row.stalls) {
        const auto pid = static_cast<pid_t>(sim.processId());
        const auto after = [&](int ms) {
            return std::max(0, ms - static_cast<int>(sinceSim.elapsed()));
        };
        QTimer::singleShot(after(at), [pid] { ::kill(pid, SIGSTOP); });
        QTimer::singleShot(after(at + kStallMs), [pid] { ::kill(pid, SIGCONT); });
    }
    run.start();
    RunUntil(run.inSeries, 5000, 10);
    const qint64 seriesAt = sinceSim.elapsed();
    if (!run.inSeries() || seriesAt >= kFirstPullMs) {
        std::fprintf(stderr, "%s: the series began at %lld ms, after the first pull\n",
                     qPrintable(row.name), static_cast<long long>(seriesAt));
    }
    seen = w.state.run.ShotCount;
    counting = true;

    double lossAt = 1e12;
    std::uint32_t shotsAtLoss = 0;
    auto statusLine = [&] {
        // The five-lane window names its status line "Status".
        for (const char* name : {"StatusLine", "Status"}) {
            const auto* label = run.page->findChild<QLabel*>(QString::fromLatin1(name));
            if (label != nullptr && label->text() == NoAnswerText()) {
                return true;
            }
        }
        return false;
    };
    if (row.loss != Loss::None) {
        RunUntil([&] { return sinceSim.elapsed() >= row.lossMs; }, row.lossMs + 1000, 10);
        if (row.loss == Loss::Kill) {
            sim.kill();
        }
        lossAt = static_cast<double>(row.lossMs);
        shotsAtLoss = w.state.run.ShotCount[0];
        QElapsedTimer silent;
        silent.start();
        RunUntil([&] { return run.status().Silent(); }, 3000, 10);
        if (run.status().Silent()) {
            f.silentAfterMs = silent.elapsed();
        }
        // Time for the window to show it, and for anything that would break to break.
        RunUntil([] { return false; }, 1500, 10);
        f.statusShown = statusLine();
    } else {
        RunUntil([&] { return sinceSim.elapsed() > lastPull + 1500; }, lastPull + 10000, 10);
    }
    w.keyboard.Set(Key::Escape, true);
    RunUntil([&] { return !run.inSeries(); }, 3000, 10);
    w.keyboard.Set(Key::Escape, false);
    RunUntil(run.idle, 5000, 10);
    f.stopped = run.idle();
    if (row.loss != Loss::None) {
        f.shotsKept = w.state.run.ShotCount[0] == shotsAtLoss && shotsAtLoss > 0;
    }
    counting = false;
    if (sim.state() != QProcess::NotRunning) {
        StopSimulator(sim);
    }

    const auto acks = ReadAcks(logPath);
    for (int lane = 0; lane < lanes; ++lane) {
        const auto i = static_cast<size_t>(lane);
        for (int p : pulls[i]) {
            times[i].pulls.push_back(p);
        }
        times[i].acks = acks[i];
        AddLane(f, times[i], lossAt);
        if (g_detail) {
            std::printf("lane %d\n", lane);
            PrintTimes("pulls", times[i].pulls);
            PrintTimes("acks", times[i].acks);
            PrintTimes("shots", times[i].shots);
        }
    }
    return f;
}

// Every row's faults, from the pull times of lane 0.
std::vector<Row> Rows(const std::vector<int>& pulls, int lastPull, std::mt19937& random) {
    const std::array<const char*, 4> kinds = {"bad-checksum", "wrong-lane", "short-frame",
                                              "silence"};
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> span(2500, 3500);
    const int from = kFirstPullMs - 500;
    const int until = lastPull + 1000;
    std::vector<Row> rows;
    rows.emplace_back(QStringLiteral("no fault"));
    for (const char* kind : kinds) {
        const QByteArray name(kind);
        QByteArray windows;
        // Two windows of 2.5-3.5 s, each opening at a random point between two pulls.
        for (size_t after : {size_t{1}, pulls.size() / 2}) {
            const double gap = pulls[after + 1] - pulls[after];
            const int open = pulls[after] + static_cast<int>(unit(random) * gap);
            windows += "fault " + name + " from=" + QByteArray::number(open) +
                       " until=" + QByteArray::number(open + span(random)) + '\n';
        }
        rows.emplace_back(QString::fromLatin1(name + " windows"), windows);
        rows.emplace_back(QString::fromLatin1(name + " storm, whole series"),
                          "fault " + name + " from=" + QByteArray::number(from) + '\n');
        QByteArray bursts;
        for (int t = from; t < until; t += 100) {
            bursts += "fault " + name + " from=" + QByteArray::number(t) +
                      " until=" + QByteArray::number(t + 60) + '\n';
        }
        rows.emplace_back(QString::fromLatin1(name + " storm, 60 of 100 ms"), bursts);
    }
    // The simulator held off the processor just after a pull, three times.
    Row stalled(QStringLiteral("simulator stalled 300 ms x3"));
    for (size_t k : {size_t{2}, pulls.size() / 2, pulls.size() - 3}) {
        stalled.stalls.push_back(pulls[k] - 100);
    }
    rows.push_back(stalled);
    // Halfway between two pulls in the middle of the series.
    const size_t mid = pulls.size() / 2;
    const int lossMs = (pulls[mid] + pulls[mid + 1]) / 2;
    rows.emplace_back(QStringLiteral("simulator killed"), QByteArray(), Loss::Kill, lossMs);
    rows.emplace_back(QStringLiteral("unplugged"), QByteArray(), Loss::Unplug, lossMs);
    return rows;
}

void PrintRow(const Row& row, const Figures& f) {
    std::printf("%-34s %5d %5d %5d %5d %7d %5d %6d", qPrintable(row.name), f.pulls, f.shots,
                f.acked, f.twice, f.ackedNotCounted, f.guardAfterDelay, f.merged);
    if (row.loss != Loss::None) {
        std::printf("  silent said %s (after %lld ms), %s, shots %s", f.statusShown ? "yes" : "NO",
                    static_cast<long long>(f.silentAfterMs), f.stopped ? "stopped" : "NOT STOPPED",
                    f.shotsKept ? "kept" : "NOT KEPT");
    } else if (!f.stopped) {
        std::printf("  NOT STOPPED");
    }
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int count = 12;
    QString only;
    bool singleWindow = true;
    bool fiveWindow = true;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--pulls") && i + 1 < args.size()) {
            count = std::max(6, args[++i].toInt());
        } else if (args[i] == QLatin1String("--only") && i + 1 < args.size()) {
            only = args[++i];
        } else if (args[i] == QLatin1String("--detail")) {
            g_detail = true;
        } else if (args[i] == QLatin1String("--single")) {
            fiveWindow = false;
        } else if (args[i] == QLatin1String("--five")) {
            singleWindow = false;
        }
    }

    std::mt19937 random(20261208U);
    std::uniform_int_distribution<int> gap(600, 1500);
    std::array<std::vector<int>, kLaneCount> pulls;
    int lastPull = 0;
    for (size_t lane = 0; lane < kLaneCount; ++lane) {
        int t = kFirstPullMs + 137 * static_cast<int>(lane);
        for (int k = 0; k < count; ++k) {
            pulls[lane].push_back(t);
            t += gap(random);
        }
        lastPull = std::max(lastPull, pulls[lane].back());
    }
    const std::vector<Row> rows = Rows(pulls[0], lastPull, random);

    QElapsedTimer total;
    total.start();
    QTemporaryDir dir;
    Figures sum[2];
    for (const bool five : {false, true}) {
        if ((five && !fiveWindow) || (!five && !singleWindow)) {
            continue;
        }
        std::printf("%s, %d pulls per lane 0.6-1.5 s apart\n",
                    five ? "five-lane window (TShoots5), lanes 0-4, lane 0 selected"
                         : "single-shooter window (TShoot1), lane 0",
                    count);
        std::printf("%-34s %5s %5s %5s %5s %7s %5s %6s\n", "row", "pulls", "shots", "acked",
                    "twice", "ack!cnt", "guard", "merged");
        for (const Row& row : rows) {
            if (!only.isEmpty() && !row.name.contains(only)) {
                continue;
            }
            const Figures f = RunRow(dir.path(), row, five, pulls, lastPull);
            PrintRow(row, f);
            Figures& s = sum[five ? 1 : 0];
            s.pulls += f.pulls;
            s.shots += f.shots;
            s.acked += f.acked;
            s.twice += f.twice;
            s.ackedNotCounted += f.ackedNotCounted;
            s.guardAfterDelay += f.guardAfterDelay;
            s.merged += f.merged;
        }
        const Figures& s = sum[five ? 1 : 0];
        std::printf("%-34s %5d %5d %5d %5d %7d %5d %6d\n\n", "all rows", s.pulls, s.shots, s.acked,
                    s.twice, s.ackedNotCounted, s.guardAfterDelay, s.merged);
    }
    std::printf("run time %.0f s\n", static_cast<double>(total.elapsed()) / 1000.0);
    return 0;
}
