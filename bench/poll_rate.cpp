// Polls lane 0 through the real serial port code against ryvo-sim for a few seconds and
// reports polls per second against the line limit of 576 transactions per second.
#include "BenchSim.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace ryvo;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bool unpaced = false;
    double seconds = 3.0;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--unpaced")) {
            unpaced = true;
        } else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size()) {
            seconds = args[++i].toDouble();
        }
    }

    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tty"));
    QStringList simArgs = {QStringLiteral("--link"), link, QStringLiteral("--stats")};
    if (unpaced) {
        simArgs << QStringLiteral("--unpaced");
    }
    QProcess sim;
    if (!StartSimulator(sim, simArgs)) {
        return 1;
    }

    ProgramState state;
    SteadyClock clock;
    QtSerialPortFactory ports;
    Services services{&clock, nullptr, nullptr, &ports, nullptr};
    state.settings.SerialPort = link;
    if (OpenPort(state, services) != 1) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(link));
        return 1;
    }
    TFormShoot window(state, services);
    for (int i = 0; i < 50; ++i) {
        window.PollLane(0); // warm-up
    }
    long polls = 0;
    long failed = 0;
    std::vector<qint64> durations;
    QElapsedTimer timer;
    timer.start();
    const auto limitNs = static_cast<qint64>(seconds * 1e9);
    qint64 last = 0;
    while (last < limitNs) {
        if (window.PollLane(0) == -1) {
            ++failed;
        }
        ++polls;
        const qint64 now = timer.nsecsElapsed();
        durations.push_back(now - last);
        last = now;
    }
    const double elapsed = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    ClosePort(state);
    sim.terminate();
    sim.waitForFinished(3000);

    const double rate = static_cast<double>(polls) / elapsed;
    std::sort(durations.begin(), durations.end());
    auto percentile = [&](double p) {
        return static_cast<double>(
                   durations[static_cast<size_t>(p * static_cast<double>(durations.size() - 1))]) /
               1e6;
    };
    std::printf("%s: %ld polls in %.2f s, %ld unanswered: %.1f polls/s = %.3f x 576/s, "
                "%.3f ms per poll\n",
                unpaced ? "unpaced" : "paced at 57600 baud", polls, elapsed, failed, rate,
                rate / 576.0, 1000.0 / rate);
    std::printf("per poll: median %.3f ms (%.3f x 576/s), 10%% %.3f ms, 90%% %.3f ms, "
                "99%% %.3f ms\n",
                percentile(0.5), 1.0 / percentile(0.5) / 0.576, percentile(0.1), percentile(0.9),
                percentile(0.99));
    return failed == 0 ? 0 : 1;
}
