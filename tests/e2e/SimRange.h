#pragma once

#include "app/Startup.h"
#include "app/TForm2.h"
#include "app/TMainForm2.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"
#include "support/SimProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace ryvo::test {

template <typename T> T* Control(Page* page, const char* name) {
    auto* control = page->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// Runs the event loop until `done` holds or the time is up; `done` is asked every `pollMs`.
inline bool RunUntil(const std::function<bool()>& done, int limitMs, int pollMs = 20) {
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
    return done();
}

// Five lanes at level 4000, lane i aiming fixed at (x0 + dx i, y), each pulling at its times
// (ms after the simulator started); a lane without pulls gets no trigger line.
inline QByteArray FiveLaneScenario(const std::array<std::vector<int>, 5>& pulls, int x0, int dx,
                                   int y) {
    QByteArray text;
    for (int lane = 0; lane < 5; ++lane) {
        text += QStringLiteral("level %1 4000\naim %1 fixed %2 %3\n")
                    .arg(lane)
                    .arg(x0 + dx * lane)
                    .arg(y)
                    .toUtf8();
        const auto& times = pulls[static_cast<size_t>(lane)];
        if (!times.empty()) {
            text += "trigger " + QByteArray::number(lane);
            for (int t : times) {
                text += ' ' + QByteArray::number(t);
            }
            text += '\n';
        }
    }
    return text;
}

// The whole program in a fresh start folder over the real serial code, optionally with
// ryvo-sim on a pseudo-terminal for its device.
struct SimRange {
    // First, so the program is gone before the port behind it.
    std::unique_ptr<SimProcess> sim;
    QElapsedTimer sinceSim;
    TempDir dir;
    ProgramState state;
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    RecordingSound sound;
    std::unique_ptr<RyvoApplication> app;

    SimRange() = default;
    // ryvo-sim playing `scenario`; `extra` arguments such as "--latency" follow.
    explicit SimRange(const QByteArray& scenario, const QStringList& extra = {})
        : sim(std::make_unique<SimProcess>(scenario, extra)) {
        sinceSim.start();
    }

    // ryvw.cfg in serial mode on `port` (the simulator's when empty), then `lines`.
    void WriteSettings(const QString& lines, const QString& port = {}) {
        const QString link = port.isEmpty() && sim ? sim->Link() : port;
        dir.Write(
            QStringLiteral("ryvw.cfg"),
            Cp1251Lines(QStringLiteral("SerialPort = %1\nIO_Serial = 1\n").arg(link) + lines));
    }
    // Start-up as main() does it; `simulator` makes "Демонстрация" available.
    void Start(bool simulator = false, bool demoAtStart = false) {
        state.StartDir = dir.Path();
        Services services{&clock, &keyboard, &dialogs, &ports, &sound};
        app = std::make_unique<RyvoApplication>(state, services);
        if (simulator) {
            app->SetSimulator(SimProgram());
        }
        app->SetDemoAtStart(demoAtStart);
        app->CreateWindows();
        app->Start();
    }

    TForm2& Frame() { return app->Frame(); }
    TMainForm2* Main() {
        return dynamic_cast<TMainForm2*>(app->Frame().Find(QStringLiteral("TMainForm2")));
    }
    QString Status() { return Main()->findChild<QLabel*>(QStringLiteral("DeviceStatus"))->text(); }
    // No check or search holds the ports.
    bool Settled() { return !Main()->Searching() && !Main()->CheckingDevice(); }
    bool SettingsWritten() const { return QFileInfo::exists(dir.File(QStringLiteral("ryvw.cfg"))); }
};

} // namespace ryvo::test
