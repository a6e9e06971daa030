// A series in the two-shooter window against ryvo-sim on a pseudo-terminal, both lanes
// present and firing, the trace on, driven by the event loop as in the program. Reports
// pairs of polls (lane 0 and lane 1) per second in the window's passes against a bare loop
// that only polls the two lanes in turn through the same serial code, in the same run: a
// bare loop first, the series, a bare loop again.
#include "BenchSim.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "exercise/TShoot2.h"
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

#include <cstdio>

using namespace ryvo;

namespace {

// Pairs of polls per second of a loop that does nothing else.
double BarePairsPerSecond(ProgramState& state, const Services& services, double seconds) {
    if (OpenPort(state, services) != 1) {
        return 0.0;
    }
    long pairs = 0;
    QElapsedTimer timer;
    timer.start();
    const auto limitNs = static_cast<qint64>(seconds * 1e9);
    while (timer.nsecsElapsed() < limitNs) {
        GetXY2(state, services.clock, 0);
        GetXY2(state, services.clock, 1);
        ++pairs;
    }
    const double elapsed = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    ClosePort(state);
    return static_cast<double>(pairs) / elapsed;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    double seconds = 10.0;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size()) {
            seconds = args[++i].toDouble();
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
        // Both lanes aim with noise and fire every 400 ms, lane 1 200 ms after lane 0.
        QByteArray text = "level 0 3000\nlevel 1 3000\naim 0 noise 0 0 60 5\n"
                          "aim 1 noise 0 0 60 7\n";
        for (int lane = 0; lane < 2; ++lane) {
            text += "trigger " + QByteArray::number(lane);
            for (int t = 1000 + lane * 200; t < static_cast<int>(seconds * 3000.0) + 5000;
                 t += 400) {
                text += ' ' + QByteArray::number(t);
            }
            text += '\n';
        }
        file.write(text);
    }
    QProcess sim;
    if (!StartSimulator(sim,
                        {QStringLiteral("--link"), link, QStringLiteral("--scenario"), scenario})) {
        return 1;
    }

    ProgramState state;
    Settings& s = state.settings;
    ApplyBuiltInDefaults(s);
    s.SerialPort = link;
    s.IO_Serial = 1;
    s.Shooter = 3;
    s.ShootsNumber = 1000;
    s.Time = 0;
    s.Target[0] = 2;
    s.Target[1] = 2;
    s.EnableTrace = 1;
    s.FlagGunEnable = 1;
    s.FlagPostGunEnable = 1;
    s.TimeTrace = 1000;
    state.LanePresent = {1, 1, 0, 0, 0};
    ApplySignalLimits(state);
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    sound.available = false;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};

    const double bareBefore = BarePairsPerSecond(state, services, seconds / 2.0);

    TShoot2 page(state, services);
    page.resize(1280, 800);
    page.show();
    auto& run = page.Run();
    QElapsedTimer timer;
    qint64 startNs = -1;
    std::uint64_t passesAtStart = 0;
    std::uint64_t pollsAtStart = 0;
    qint64 endNs = 0;
    std::uint64_t passesAtEnd = 0;
    std::uint64_t pollsAtEnd = 0;
    timer.start();
    page.Ticks().onTick = [&] {
        if (startNs < 0 && run.RunPhase() == RunSequence::Phase::Series) {
            startNs = timer.nsecsElapsed();
            passesAtStart = run.Passes();
            pollsAtStart = run.Polls();
        }
    };
    page.FormActivate();
    page.StartClick();
    QTimer::singleShot(static_cast<int>(seconds * 1000.0) + 500, [&] {
        endNs = timer.nsecsElapsed();
        passesAtEnd = run.Passes();
        pollsAtEnd = run.Polls();
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

    const double bareAfter = BarePairsPerSecond(state, services, seconds / 2.0);
    sim.terminate();
    sim.waitForFinished(3000);

    const double elapsed = static_cast<double>(endNs - startNs) / 1e9;
    const auto passes = static_cast<double>(passesAtEnd - passesAtStart);
    const auto polls = static_cast<double>(pollsAtEnd - pollsAtStart);
    const double bare = (bareBefore + bareAfter) / 2.0;
    std::printf("bare loop: %.1f pairs/s before, %.1f after (%.3f x 288/s)\n", bareBefore,
                bareAfter, bare / 288.0);
    std::printf("series: %.0f passes, %.0f polls in %.2f s = %.1f pairs/s, %.2f polls per pass; "
                "shots %u + %u\n",
                passes, polls, elapsed, polls / 2.0 / elapsed, polls / passes,
                state.run.ShotCount[0], state.run.ShotCount[1]);
    std::printf("ratio to the bare loop: %.3f\n", polls / 2.0 / elapsed / bare);
    return 0;
}
