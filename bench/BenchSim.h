#pragma once

#include "core/ProgramState.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

// Starts ryvo-sim from the benchmark's own folder and waits until it has printed its link.
inline bool StartSimulator(QProcess& sim, const QStringList& arguments) {
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("ryvo-sim")),
              arguments);
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "ryvo-sim did not start\n");
        return false;
    }
    return true;
}

// Runs the event loop, as the program does, until `done` or `limitMs`; `done` is asked every
// `pollMs`.
inline void RunUntil(const std::function<bool()>& done, qint64 limitMs, int pollMs = 20) {
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || elapsed.elapsed() > limitMs) {
            loop.quit();
        }
    });
    poll.start(pollMs);
    loop.exec();
}

inline bool WriteFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// ryvo-sim on the link `dir`/`name` playing `scenario` (kept beside it as `name`.txt), `extra`
// arguments after; null when it did not start.
inline std::unique_ptr<QProcess> StartSimulatorOn(const QString& dir, const QString& name,
                                                  const QByteArray& scenario,
                                                  const QStringList& extra = {}) {
    const QString scenarioPath = dir + QStringLiteral("/") + name + QStringLiteral(".txt");
    if (!WriteFile(scenarioPath, scenario)) {
        return nullptr;
    }
    auto sim = std::make_unique<QProcess>();
    QStringList args = {QStringLiteral("--link"), dir + QStringLiteral("/") + name,
                        QStringLiteral("--scenario"), scenarioPath};
    args << extra;
    return StartSimulator(*sim, args) ? std::move(sim) : nullptr;
}

inline void StopSimulator(QProcess& sim) {
    sim.terminate();
    sim.waitForFinished(3000);
}

// Polls lane 0 in a tight loop on `link` for `seconds`, after `warmUp` polls; polls per
// second, counting only answered ones when `answeredOnly`.
inline double BarePollRate(const QString& link, double seconds, int warmUp, bool answeredOnly) {
    using namespace ryvo;
    ProgramState state;
    SteadyClock clock;
    QtSerialPortFactory ports;
    Services services{&clock, nullptr, nullptr, &ports, nullptr};
    state.settings.SerialPort = link;
    if (OpenPort(state, services) != 1) {
        return 0.0;
    }
    TFormShoot window(state, services);
    for (int i = 0; i < warmUp; ++i) {
        window.PollLane(0);
    }
    long polls = 0;
    QElapsedTimer timer;
    timer.start();
    const auto limit = static_cast<qint64>(seconds * 1e9);
    while (timer.nsecsElapsed() < limit) {
        if (window.PollLane(0) != -1 || !answeredOnly) {
            ++polls;
        }
    }
    const double rate =
        static_cast<double>(polls) / (static_cast<double>(timer.nsecsElapsed()) / 1e9);
    ClosePort(state);
    return rate;
}

// Program state and services for an exercise window over the serial link `link`: the first
// `lanes` lanes present with the sport target (one lane: the single-shooter window, more: the
// five-lane one), a long untimed series with trace and aim point, a pass per poll, no sound.
struct BenchRange {
    ryvo::ProgramState state;
    ryvo::SteadyClock clock;
    ryvo::ScriptedKeyboard keyboard;
    ryvo::ScriptedDialogs dialogs;
    ryvo::QtSerialPortFactory ports;
    ryvo::RecordingSound sound;
    ryvo::Services services{&clock, &keyboard, &dialogs, &ports, &sound};

    BenchRange(const QString& link, int lanes) {
        ryvo::Settings& s = state.settings;
        ryvo::ApplyBuiltInDefaults(s);
        s.SerialPort = link;
        s.IO_Serial = 1;
        s.Shooter = lanes == 1 ? 1 : 31;
        s.ShootsNumber = 1000;
        s.Time = 0;
        s.TargetsChange = 0;
        s.EnableTrace = 1;
        s.FlagGunEnable = 1;
        s.NumReps = 0;
        for (size_t lane = 0; lane < static_cast<size_t>(lanes); ++lane) {
            s.Target[lane] = 2;
            state.LanePresent[lane] = 1;
        }
        ryvo::ApplySignalLimits(state);
        state.TraceLength = ryvo::ComputeTraceLength(s);
        state.PortEverOpened = true;
        sound.available = false;
    }
};
