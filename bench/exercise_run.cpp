// A series in the single-shooter window against ryvo-sim on a pseudo-terminal, driven by the
// event loop as in the program: NumReps 0 (a redraw on every pass) and a 9999-point trace.
// Reports passes per second against the line limit of 576 transactions per second, and the
// time from the start of the pass whose poll brought a trigger to the repaint of the target
// with the new hole (the statistics labels are repainted in the same turn).
#include "BenchSim.h"
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
    double seconds = 10.0;
    bool unpaced = false;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size()) {
            seconds = args[++i].toDouble();
        } else if (args[i] == QLatin1String("--unpaced")) {
            unpaced = true;
        }
    }

    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tty"));
    const QString scenario = dir.filePath(QStringLiteral("scenario.txt"));
    {
        QFile file(scenario);
        if (!file.open(QIODevice::WriteOnly)) {
            return 1;
        }
        QByteArray text = "level 0 3000\naim 0 noise 0 0 60 5\ntrigger 0";
        for (int t = 1000; t < static_cast<int>(seconds * 1000.0) + 1000; t += 400) {
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

    QElapsedTimer timer;
    timer.start();
    qint64 seriesStartNs = -1;
    std::uint64_t passesAtStart = 0;
    qint64 seriesEndNs = 0;
    std::uint64_t passesAtEnd = 0;
    qint64 tickStart = 0;
    qint64 previousTickStart = 0;
    std::uint32_t countSeen = 0;
    std::uint32_t countShown = 0;
    qint64 shotTick = -1;
    std::vector<double> latencies;
    std::vector<double> shotTicks; // from the shot pass's start to the next tick
    auto& run = page.Run();
    page.Ticks().onTick = [&] {
        previousTickStart = tickStart;
        tickStart = timer.nsecsElapsed();
        if (seriesStartNs < 0 && run.CurrentPhase() == SingleShooterRun::Phase::Series) {
            seriesStartNs = tickStart;
            passesAtStart = run.Passes();
        }
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
        latencies.push_back(static_cast<double>(timer.nsecsElapsed() - shotTick) / 1e6);
    };

    page.FormActivate();
    page.StartClick();
    QTimer::singleShot(static_cast<int>(seconds * 1000.0) + 500, [&] {
        seriesEndNs = timer.nsecsElapsed();
        passesAtEnd = run.Passes();
        keyboard.Set(Key::Escape, true);
        QTimer::singleShot(100, [&] { keyboard.Set(Key::Escape, false); });
    });
    QTimer poller;
    QObject::connect(&poller, &QTimer::timeout, [&] {
        if (run.Idle() && passesAtEnd > 0) {
            app.quit();
        }
    });
    poller.start(50);
    QApplication::exec();
    sim.terminate();
    sim.waitForFinished(3000);

    const double elapsed = static_cast<double>(seriesEndNs - seriesStartNs) / 1e9;
    const auto passes = static_cast<double>(passesAtEnd - passesAtStart);
    std::printf("%s: %.0f passes in %.2f s = %.1f passes/s = %.3f x 576/s; shots %u, trace %d\n",
                unpaced ? "unpaced" : "paced at 57600 baud", passes, elapsed, passes / elapsed,
                passes / elapsed / 576.0, state.run.ShotCount[0], state.TraceLength);
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
