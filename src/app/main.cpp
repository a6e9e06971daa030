#include "app/DemoDevice.h"
#include "app/Startup.h"
#include "core/DataDir.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Printer.h"
#include "platform/QtSound.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"

#include <QApplication>
#include <QDir>

#include <clocale>
#include <cstddef>
#include <cstdio>
#include <span>
#include <string_view>

int main(int argc, char* argv[]) {
    // Answered before Qt starts, so it needs no display.
    const std::span args(argv, static_cast<std::size_t>(argc));
    for (const char* arg : args.empty() ? args : args.subspan(1)) {
        if (std::string_view(arg) == "--version") {
            std::printf("Ryvo %s\n", RYVO_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    // Stored files use the C conventions for numbers whatever the user's locale is.
    std::setlocale(LC_NUMERIC, "C");
    ryvo::PrepareApplication(app);

    ryvo::ProgramState state;
    state.StartDir = QDir::currentPath();
    state.DataDir = ryvo::DataDirBeside(QApplication::applicationDirPath());

    ryvo::SteadyClock clock;
    ryvo::QtKeyboard keyboard;
    app.installEventFilter(&keyboard);
    ryvo::QtDialogs dialogs;
    ryvo::QtSerialPortFactory ports;
    ryvo::QtSound sound;
    ryvo::QtPrinter printer(state.StartDir);

    ryvo::Services services;
    services.clock = &clock;
    services.keyboard = &keyboard;
    services.dialogs = &dialogs;
    services.ports = &ports;
    services.sound = &sound;
    services.printer = &printer;

    ryvo::RyvoApplication ryvoApp(state, services);
    ryvoApp.SetSimulator(ryvo::DemoDevice::SimulatorBeside(QApplication::applicationDirPath()));
    // "--demo": the simulator is this session's device from the start.
    ryvoApp.SetDemoAtStart(QApplication::arguments().contains(QStringLiteral("--demo")));
    ryvoApp.CreateWindows();
    dialogs.SetParent(&ryvoApp.Frame());
    ryvoApp.Start();
    return QApplication::exec();
}
