#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <functional>

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
