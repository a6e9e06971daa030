// ryvo-monkey: random clicks, keys and text on the whole program, over the in-process device
// with five lanes firing at random and faults now and then; afterwards every file it left in
// its start directory must read back. Usage:
//   ryvo-monkey [--seconds N] [--seed S] [--dir D] [--trace]
// A failure prints the seed; the same seed sends the same sequence of random choices again.
#include "FileAudit.h"
#include "Monkey.h"
#include "MonkeyRig.h"
#include "Watchdog.h"

#include "app/Startup.h"
#include "core/DataDir.h"
#include "platform/Clock.h"
#include "platform/Keyboard.h"
#include "platform/Printer.h"
#include "platform/Services.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <span>
#include <string>
#include <string_view>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

std::uint32_t g_seed = 0;
ryvo::monkey::ActionLog* g_log = nullptr;

void TellSeed() {
    std::fprintf(stderr, "ryvo-monkey: FINDING: the program died (seed %u); last actions:\n%s",
                 g_seed, g_log != nullptr ? g_log->Tail().c_str() : "");
    std::fflush(stderr);
}

#if !defined(__SANITIZE_ADDRESS__)
void OnFatalSignal(int signal) {
    TellSeed();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

struct Options {
    int seconds = 60;
    std::uint32_t seed = 0;
    bool seedGiven = false;
    QString dir;
    bool trace = false;
};

bool ParseOptions(std::span<char*> args, Options& options) {
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg(args[i]);
        const bool hasValue = i + 1 < args.size();
        if (arg == "--seconds" && hasValue) {
            options.seconds = std::atoi(args[++i]);
        } else if (arg == "--seed" && hasValue) {
            options.seed = static_cast<std::uint32_t>(std::strtoul(args[++i], nullptr, 10));
            options.seedGiven = true;
        } else if (arg == "--dir" && hasValue) {
            options.dir = QString::fromLocal8Bit(args[++i]);
        } else if (arg == "--trace") {
            options.trace = true;
        } else {
            std::fprintf(stderr,
                         "usage: ryvo-monkey [--seconds N] [--seed S] [--dir D] [--trace]\n");
            return false;
        }
    }
    return options.seconds > 0;
}

} // namespace

int main(int argc, char* argv[]) {
    Options options;
    if (!ParseOptions(std::span(argv, static_cast<size_t>(argc)), options)) {
        return 2;
    }
    if (!options.seedGiven) {
        options.seed = std::random_device{}();
    }
    g_seed = options.seed;

    std::unique_ptr<QTemporaryDir> temporary;
    if (options.dir.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>();
        options.dir = temporary->path();
    }
    QDir().mkpath(options.dir);
    const QString startDir = QDir(options.dir).absolutePath();
    QDir::setCurrent(startDir);
    // The archive index and Qt's own files stay in the start directory, not the user's.
    for (const char* name : {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
        qputenv(name,
                QDir(startDir).filePath(QStringLiteral(".xdg/") + QLatin1String(name)).toUtf8());
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::printf("ryvo-monkey: seed %u, %d s, start directory %s\n", options.seed, options.seconds,
                startDir.toUtf8().constData());
    std::fflush(stdout);

    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ryvo::PrepareApplication(app);
    // The monkey starts the program again when it ends; the loop ends with the monkey.
    QApplication::setQuitOnLastWindowClosed(false);

    ryvo::monkey::ActionLog log;
    g_log = &log;
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(TellSeed);
#else
    for (const int signal : {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL}) {
        std::signal(signal, OnFatalSignal);
    }
#endif
    ryvo::monkey::Watchdog watchdog(options.seed, log, std::chrono::milliseconds(2000));

    ryvo::SteadyClock clock;
    ryvo::QtKeyboard keyboard;
    app.installEventFilter(&keyboard);
    // Each part draws from its own stream, so the actions do not depend on how often the
    // program plays a sound or asks for a file.
    ryvo::monkey::MonkeyDialogs dialogs(startDir, options.seed ^ 0x5bd1e995U);
    ryvo::monkey::MonkeySound sound(options.seed ^ 0x27d4eb2dU);
    ryvo::monkey::MonkeyRange range(clock, options.seed ^ 0x165667b1U);
    // No printer: every printout becomes a PDF in the start directory.
    ryvo::QtPrinter printer(startDir, [] { return QStringList(); });

    ryvo::Services services;
    services.clock = &clock;
    services.keyboard = &keyboard;
    services.dialogs = &dialogs;
    services.ports = &range.ports;
    services.sound = &sound;
    services.printer = &printer;

    ryvo::monkey::Monkey::Program program;
    program.range = &range;
    program.start = [&] {
        auto session = std::make_unique<ryvo::monkey::Monkey::Session>();
        session->state.StartDir = startDir;
        session->state.DataDir = ryvo::DataDirBeside(QApplication::applicationDirPath());
        session->app = std::make_unique<ryvo::RyvoApplication>(session->state, services);
        session->app->CreateWindows();
        dialogs.SetParent(&session->app->Frame());
        session->app->Start();
        return session;
    };

    ryvo::monkey::Monkey monkey(options.seed, std::chrono::seconds(options.seconds),
                                std::move(program), log, watchdog);
    monkey.trace = options.trace;
    monkey.Run();
    dialogs.SetParent(nullptr);

    const ryvo::monkey::AuditResult audit = ryvo::monkey::AuditStartDir(startDir);
    QStringList windows;
    for (const QString& window : monkey.WindowsReached()) {
        windows << window;
    }
    std::printf("ryvo-monkey: seed %u, %d s, %llu events sent (%llu actions, %llu typed "
                "characters), %d starts, %d triggers, %d device faults, %d message boxes, %d file "
                "choices\n",
                options.seed, options.seconds,
                static_cast<unsigned long long>(log.Count() + monkey.Typed()),
                static_cast<unsigned long long>(log.Count()),
                static_cast<unsigned long long>(monkey.Typed()), monkey.Starts(), range.triggers,
                range.faults, dialogs.messages, dialogs.fileDialogs);
    std::printf("windows reached (%lld): %s\n", static_cast<long long>(windows.size()),
                windows.join(QStringLiteral(", ")).toUtf8().constData());
    std::printf("longest event loop gap: %lld ms\n",
                static_cast<long long>(watchdog.LongestGap().count()));
    std::printf("files read back: %d; not covered by a reader: %lld\n", audit.checked,
                static_cast<long long>(audit.unchecked.size()));
    if (audit.problems.isEmpty()) {
        std::printf("findings: none\n");
        return 0;
    }
    std::printf("findings (seed %u):\n", options.seed);
    for (const QString& problem : audit.problems) {
        std::printf("  %s\n", problem.toUtf8().constData());
    }
    if (temporary) {
        temporary->setAutoRemove(false);
        std::printf("the start directory is kept: %s\n", startDir.toUtf8().constData());
    }
    return 1;
}
