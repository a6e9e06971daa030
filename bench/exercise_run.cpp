// A series in the single-shooter window against ryvo-sim on a pseudo-terminal, driven by the
// event loop as in the program: NumReps 0 (a redraw on every pass) and a 9999-point trace.
// Once the trace is full, windows of the series alternate with windows of a bare poll loop
// on the same port and simulator (the run does not tick meanwhile), so both rates come from
// the same run under the same load. Reports both against the line limit of 576 transactions
// per second and their ratio, and the time from the start of the pass whose poll brought a
// trigger to the repaint of the target with the new hole. `--range-screen` opens the range
// screen (a window of its own) for the whole run.
#include "BenchSim.h"
#include "device/TFormShoot.h"
#include "exercise/TRangeScreen.h"
#include "exercise/TShoot1.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace ryvo;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    double seconds = 10.0; // measured, both kinds of window together
    double window = 1.0;
    bool unpaced = false;
    bool waitFull = true;
    bool rangeScreen = false;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size()) {
            seconds = args[++i].toDouble();
        } else if (args[i] == QLatin1String("--window") && i + 1 < args.size()) {
            window = args[++i].toDouble();
        } else if (args[i] == QLatin1String("--unpaced")) {
            unpaced = true;
        } else if (args[i] == QLatin1String("--no-full")) {
            waitFull = false;
        } else if (args[i] == QLatin1String("--range-screen")) {
            rangeScreen = true;
        }
    }
    const int pairs = std::max(1, static_cast<int>(seconds / (2.0 * window)));
    const auto windowNs = static_cast<qint64>(window * 1e9);
    // Filling 9999 points takes about 20 s at the line rate.
    const double runSeconds = (waitFull ? 40.0 : 1.0) + seconds;

    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tty"));
    const QString scenario = dir.filePath(QStringLiteral("scenario.txt"));
    {
        QFile file(scenario);
        if (!file.open(QIODevice::WriteOnly)) {
            return 1;
        }
        QByteArray text = "level 0 3000\naim 0 noise 0 0 60 5\ntrigger 0";
        for (int t = 1000; t < static_cast<int>(runSeconds * 1000.0) + 1000; t += 400) {
            text += ' ' + QByteArray::number(t);
        }
        file.write(text + '\n');
    }
    QStringList simArgs = {QStringLiteral("--link"), link, QStringLiteral("--scenario"), scenario};
    if (unpaced) {
        simArgs << QStringLiteral("--unpaced");
    }
    QProcess sim;
    if (!StartSimulator(sim, simArgs)) {
        return 1;
    }

    ProgramState state;
    Settings& s = state.settings;
    ApplyBuiltInDefaults(s);
    s.SerialPort = link;
    s.IO_Serial = 1;
    s.Shooter = 1;
    s.ShootsNumber = 1000;
    s.Time = 0;
    s.Target[0] = 2;
    s.EnableTrace = 1;
    s.FlagGunEnable = 1;
    s.FlagPostGunEnable = 1;
    s.NumReps = 0;
    s.TimeTrace = 9999;
    ApplySignalLimits(state);
    state.TraceLength = ComputeTraceLength(s);
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    sound.available = false;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    TShoot1 page(state, services);
    page.resize(1000, 700);
    page.show();
    TRangeScreen screen(state);
    if (rangeScreen) {
        screen.OpenBeside(&page);
        // As large as a full-HD second display.
        screen.resize(1920, 1080);
    }

    QElapsedTimer timer;
    timer.start();
    bool measuring = false;
    bool done = false;
    qint64 windowStartNs = 0;
    std::uint64_t windowPasses = 0;
    qint64 lastBareEndNs = 0;
    std::vector<double> seriesRates;
    std::vector<double> bareRates;
    double seriesNs = 0.0;
    double seriesPasses = 0.0;
    double bareNs = 0.0;
    double barePolls = 0.0;
    long bareUnanswered = 0;
    qint64 tickStart = 0;
    qint64 previousTickStart = 0;
    std::uint32_t countSeen = 0;
    std::uint32_t countShown = 0;
    qint64 shotTick = -1;
    std::vector<double> latencies;
    std::vector<double> shotTicks; // from the shot pass's start to the next tick
    auto& run = page.Run();
    // The bare loop: polls of lane 0 alone, on the port the run opened.
    auto bareWindow = [&] {
        TFormShoot bare(state, services);
        long polls = 0;
        const qint64 from = timer.nsecsElapsed();
        qint64 now = from;
        while (now - from < windowNs) {
            if (bare.PollLane(0) == -1) {
                ++bareUnanswered;
            }
            ++polls;
            now = timer.nsecsElapsed();
        }
        bareNs += static_cast<double>(now - from);
        barePolls += static_cast<double>(polls);
        bareRates.push_back(static_cast<double>(polls) * 1e9 / static_cast<double>(now - from));
        lastBareEndNs = now;
    };
    auto alternate = [&] {
        if (done || run.CurrentPhase() != SingleShooterRun::Phase::Series) {
            return;
        }
        const qint64 now = timer.nsecsElapsed();
        if (!measuring) {
            if (!waitFull || run.panel.TraceFull() != 0) {
                measuring = true;
                windowStartNs = now;
                windowPasses = run.Passes();
            }
            return;
        }
        if (now - windowStartNs < windowNs) {
            return;
        }
        const auto passes = static_cast<double>(run.Passes() - windowPasses);
        seriesNs += static_cast<double>(now - windowStartNs);
        seriesPasses += passes;
        seriesRates.push_back(passes * 1e9 / static_cast<double>(now - windowStartNs));
        bareWindow();
        if (static_cast<int>(bareRates.size()) == pairs) {
            done = true;
            keyboard.Set(Key::Escape, true);
            QTimer::singleShot(100, [&] { keyboard.Set(Key::Escape, false); });
            return;
        }
        windowStartNs = timer.nsecsElapsed();
        windowPasses = run.Passes();
    };
    page.Ticks().onTick = [&] {
        alternate();
        previousTickStart = tickStart;
        tickStart = timer.nsecsElapsed();
        if (state.run.ShotCount[0] != countSeen) {
            countSeen = state.run.ShotCount[0];
            shotTick = previousTickStart;
            shotTicks.push_back(static_cast<double>(tickStart - previousTickStart) / 1e6);
        }
    };
    page.onDisplayed = [&] {
        const std::uint32_t count = state.run.ShotCount[0];
        if (count == countShown) {
            return;
        }
        if (count != countSeen) { // painted before the next tick began
            countSeen = count;
            shotTick = tickStart;
        }
        countShown = count;
        // A bare window between the shot and its repaint is not the window's latency.
        if (shotTick >= lastBareEndNs) {
            latencies.push_back(static_cast<double>(timer.nsecsElapsed() - shotTick) / 1e6);
        }
    };

    page.FormActivate();
    page.StartClick();
    // A run that never fills its trace or never ends is cut off.
    QTimer::singleShot(static_cast<int>(runSeconds * 1000.0) + 5000, [&] {
        done = true;
        keyboard.Set(Key::Escape, true);
        QTimer::singleShot(100, [&] { keyboard.Set(Key::Escape, false); });
    });
    QTimer poller;
    QObject::connect(&poller, &QTimer::timeout, [&] {
        if (run.Idle() && done) {
            app.quit();
        }
    });
    poller.start(50);
    QApplication::exec();
    sim.terminate();
    sim.waitForFinished(3000);

    if (bareRates.empty() || seriesNs <= 0.0) {
        std::fprintf(stderr, "no measuring window completed (trace full: %d)\n",
                     run.panel.TraceFull());
        return 1;
    }
    const double seriesRate = seriesPasses * 1e9 / seriesNs;
    const double bareRate = barePolls * 1e9 / bareNs;
    std::printf("%s, %zu pairs of %.1f s windows, trace %d%s; shots %u\n",
                unpaced ? "unpaced" : "paced at 57600 baud", bareRates.size(), window,
                state.TraceLength, waitFull ? " (full)" : "", state.run.ShotCount[0]);
    if (rangeScreen) {
        std::printf("range screen open: %lld reports, %d repaints, %.1f ms painting\n",
                    static_cast<long long>(state.RangeScreen.Reports()), screen.Repaints(),
                    static_cast<double>(screen.PaintNs()) / 1e6);
    }
    std::printf("series: %.0f passes in %.2f s = %.1f passes/s = %.3f x 576/s\n", seriesPasses,
                seriesNs / 1e9, seriesRate, seriesRate / 576.0);
    std::printf("bare poll loop: %.0f polls in %.2f s, %ld unanswered = %.1f polls/s = %.3f x "
                "576/s\n",
                barePolls, bareNs / 1e9, bareUnanswered, bareRate, bareRate / 576.0);
    std::vector<double> ratios;
    for (size_t i = 0; i < bareRates.size(); ++i) {
        ratios.push_back(seriesRates[i] / bareRates[i]);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("series / bare: %.3f (per pair: min %.3f, median %.3f, max %.3f)\n",
                seriesRate / bareRate, ratios.front(), ratios[ratios.size() / 2], ratios.back());
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        std::printf("trigger pass to hole on screen: %zu shots, median %.2f ms, max %.2f ms\n",
                    latencies.size(), latencies[latencies.size() / 2], latencies.back());
    }
    if (!shotTicks.empty()) {
        std::sort(shotTicks.begin(), shotTicks.end());
        std::printf("shot pass to the next pass: median %.2f ms, max %.2f ms\n",
                    shotTicks[shotTicks.size() / 2], shotTicks.back());
    }
    return 0;
}
