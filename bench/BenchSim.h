#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStringList>

#include <cstdio>

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
