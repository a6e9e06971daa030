// ryvo-sim: the simulated target device on a pseudo-terminal (POSIX only).
#include "DeviceModel.h"
#include "Scenario.h"
#include "SimWindow.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

// One byte is 10 bits on the line at 57600 baud; a poll transaction is 10 bytes.
constexpr double kByteMicros = 10.0 * 1e6 / 57600.0;
constexpr double kTransactionMicros = 10.0 * kByteMicros;
// Rounded up, so an answer is never early.
const auto kTransaction =
    std::chrono::nanoseconds(static_cast<long>(std::ceil(kTransactionMicros * 1000.0)));

// After an answer the PC's next request usually follows within a hundred microseconds or so;
// this long the loop spins for it instead of sleeping. Spinning longer only takes CPU time
// from the PC side on a busy machine.
constexpr auto kHotWindow = std::chrono::microseconds(300);

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnSignal(int) {
    g_stop = true;
}

struct Options {
    std::string link;
    std::string scenario;
    std::string log;
    bool paced = true;
    bool stats = false;
    bool interactive = false;
    // Held back this long after its transaction, every answer: a USB adapter's latency timer.
    long latencyMs = 0;
    // Stop when the process that started this one is gone.
    bool exitWithParent = false;
};

// Where the time of a transaction goes, for --stats: how late answers left against their
// due time, and how long the PC took from an answer to its next request.
struct Timing {
    double lateSum = 0.0;
    double lateMax = 0.0;
    double turnSum = 0.0;
    long answers = 0;
    long turns = 0;
    std::chrono::steady_clock::time_point lastAnswer{};
    bool haveAnswer = false;
};

void Usage() {
    std::fprintf(stderr, "usage: ryvo-sim --link PATH [--scenario FILE] [--log FILE] [--unpaced] "
                         "[--latency MS] [--stats] [--interactive] [--exit-with-parent]\n"
                         "  --latency MS        every answer held back MS milliseconds, as a USB "
                         "serial adapter's latency timer does\n"
                         "  --interactive       a window with one pad per lane: the mouse aims, a "
                         "click fires\n"
                         "  --exit-with-parent  stop when the program that started it ends\n");
}

bool ParseArgs(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                return false;
            }
            out = argv[++i];
            return true;
        };
        if (arg == "--link") {
            if (!value(options.link)) {
                return false;
            }
        } else if (arg == "--scenario") {
            if (!value(options.scenario)) {
                return false;
            }
        } else if (arg == "--log") {
            if (!value(options.log)) {
                return false;
            }
        } else if (arg == "--unpaced") {
            options.paced = false;
        } else if (arg == "--stats") {
            options.stats = true;
        } else if (arg == "--interactive") {
            options.interactive = true;
        } else if (arg == "--exit-with-parent") {
            options.exitWithParent = true;
        } else if (arg == "--latency") {
            std::string text;
            if (!value(text)) {
                return false;
            }
            char* end = nullptr;
            errno = 0;
            const long ms = std::strtol(text.c_str(), &end, 10);
            if (errno != 0 || end == text.c_str() || *end != '\0' || ms < 0 || ms > 10000) {
                return false;
            }
            options.latencyMs = ms;
        } else {
            return false;
        }
    }
    return !options.link.empty();
}

struct Outgoing {
    SteadyTime due;
    std::vector<std::uint8_t> bytes;
};

void WaitUntil(SteadyTime due) {
    // Sleeps most of the way and spins the rest: a sleep alone overshoots by tens of
    // microseconds.
    const auto slack = std::chrono::microseconds(200);
    const auto now = std::chrono::steady_clock::now();
    if (due - now > slack) {
        std::this_thread::sleep_for(due - now - slack);
    }
    while (std::chrono::steady_clock::now() < due) {
    }
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Nobody reads the other end and its queue is full: the bytes are lost, as on a
            // line with no receiver.
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArgs(argc, argv, options)) {
        Usage();
        return 2;
    }

    ryvo::sim::DeviceModel model;
    if (!options.scenario.empty()) {
        std::ifstream in(options.scenario);
        if (!in) {
            std::fprintf(stderr, "ryvo-sim: cannot read scenario %s\n", options.scenario.c_str());
            return 2;
        }
        std::stringstream text;
        text << in.rdbuf();
        const auto result = ryvo::sim::ApplyScenario(text.str(), model);
        if (!result.ok) {
            std::fprintf(stderr, "ryvo-sim: %s: %s\n", options.scenario.c_str(),
                         result.error.c_str());
            return 2;
        }
    }

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("ryvo-sim: pseudo-terminal");
        return 1;
    }
    const char* slaveName = ::ptsname(master);
    if (slaveName == nullptr) {
        std::perror("ryvo-sim: ptsname");
        return 1;
    }
    // Holding the slave open keeps the master readable while no client has it open, and
    // raw mode keeps the line discipline from echoing or translating bytes.
    const int slave = ::open(slaveName, O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        termios tio{};
        if (::tcgetattr(slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slave, TCSANOW, &tio);
        }
    }
    // Never block on a full queue at the other end.
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    // Replace an old link, but never a file that is not one.
    struct stat old {};
    if (::lstat(options.link.c_str(), &old) == 0) {
        if (!S_ISLNK(old.st_mode)) {
            std::fprintf(stderr, "ryvo-sim: %s exists and is not a symlink\n",
                         options.link.c_str());
            return 1;
        }
        ::unlink(options.link.c_str());
    }
    if (::symlink(slaveName, options.link.c_str()) != 0) {
        std::perror("ryvo-sim: symlink");
        return 1;
    }

    std::FILE* log = nullptr;
    if (!options.log.empty()) {
        log = std::fopen(options.log.c_str(), "w");
        if (log == nullptr) {
            std::perror("ryvo-sim: log");
        }
    }

    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGHUP, OnSignal);

    std::printf("%s\n", options.link.c_str());
    std::fflush(stdout);

    // The pads of the interactive window change the model while the line is served.
    std::mutex modelMutex;
    Timing timing;
    const pid_t parent = ::getppid();
    const auto latency = std::chrono::milliseconds(options.latencyMs);
    auto serve = [&] {
        const SteadyTime start = std::chrono::steady_clock::now();
        auto elapsedMs = [&](SteadyTime t) {
            return std::chrono::duration<double, std::milli>(t - start).count();
        };
        std::unique_lock lock(modelMutex);
        const auto unplugAt = model.GetFaults().Start(ryvo::sim::Fault::Unplug);
        lock.unlock();
        std::deque<Outgoing> outgoing;
        SteadyTime lastAnswer = start - kHotWindow;
        SteadyTime parentChecked = start;
        std::uint8_t buffer[256];

        while (!g_stop) {
            auto now = std::chrono::steady_clock::now();
            if (unplugAt && elapsedMs(now) >= *unplugAt) {
                break;
            }
            // An orphan is adopted by another process: its starter has ended.
            if (options.exitWithParent && now - parentChecked > std::chrono::milliseconds(200)) {
                parentChecked = now;
                if (::getppid() != parent) {
                    break;
                }
            }
            // Due answers go out first, each no sooner than its transaction takes on the line.
            while (!outgoing.empty() && outgoing.front().due <= now) {
                WriteAll(master, outgoing.front().bytes);
                const SteadyTime sent = std::chrono::steady_clock::now();
                const double late =
                    std::chrono::duration<double, std::micro>(sent - outgoing.front().due).count();
                timing.lateSum += late;
                timing.lateMax = std::max(timing.lateMax, late);
                ++timing.answers;
                timing.lastAnswer = sent;
                lastAnswer = sent;
                timing.haveAnswer = true;
                outgoing.pop_front();
            }
            int timeoutMs = now - lastAnswer < kHotWindow ? 0 : 50;
            if (!outgoing.empty()) {
                const auto wait = outgoing.front().due - now;
                if (wait < std::chrono::milliseconds(1)) {
                    WaitUntil(outgoing.front().due);
                    continue;
                }
                timeoutMs =
                    static_cast<int>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()) -
                    1;
            }
            pollfd fds{master, POLLIN, 0};
            const int ready = ::poll(&fds, 1, timeoutMs);
            if (ready <= 0 || (fds.revents & POLLIN) == 0) {
                continue;
            }
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) {
                continue;
            }
            const SteadyTime arrived = std::chrono::steady_clock::now();
            if (timing.haveAnswer) {
                timing.turnSum +=
                    std::chrono::duration<double, std::micro>(arrived - timing.lastAnswer).count();
                ++timing.turns;
                timing.haveAnswer = false;
            }
            lock.lock();
            for (ssize_t i = 0; i < n; ++i) {
                auto answer = model.Receive(buffer[i], elapsedMs(arrived));
                if (answer.empty()) {
                    continue;
                }
                SteadyTime due = arrived;
                if (options.paced) {
                    due += kTransaction;
                }
                due += latency;
                if (!outgoing.empty() && outgoing.back().due > due) {
                    due = outgoing.back().due;
                }
                outgoing.push_back({due, std::move(answer)});
            }
            // The log goes to the file as it grows; memory keeps none of it, so long runs stay
            // small.
            if (log != nullptr) {
                std::fputs(model.Log().Format().c_str(), log);
                std::fflush(log);
            }
            model.Log().Clear();
            lock.unlock();
        }
        g_stop = true;
    };

    if (options.interactive) {
        QApplication app(argc, argv);
        ryvo::sim::SimWindow window(model, modelMutex, QString::fromStdString(options.link));
        // Ryvo fills the screen; the pads stay on top of it, in the lower right corner.
        window.setWindowFlag(Qt::WindowStaysOnTopHint);
        window.resize(560, 400);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            window.move(area.right() - window.width() - 20, area.bottom() - window.height() - 60);
        }
        window.show();
        std::thread line(serve);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &app, [&app] {
            if (g_stop) {
                app.quit();
            }
        });
        watch.start(200);
        QApplication::exec();
        g_stop = true;
        line.join();
    } else {
        serve();
    }

    if (options.stats && timing.answers > 0) {
        std::fprintf(stderr,
                     "ryvo-sim: %ld answers, %.1f us late on average (max %.1f us); "
                     "%.1f us from an answer to the next request on average\n",
                     timing.answers, timing.lateSum / static_cast<double>(timing.answers),
                     timing.lateMax,
                     timing.turns > 0 ? timing.turnSum / static_cast<double>(timing.turns) : 0.0);
    }
    // Closing the master is what a client sees as the device being unplugged.
    ::close(master);
    if (slave >= 0) {
        ::close(slave);
    }
    ::unlink(options.link.c_str());
    if (log != nullptr) {
        std::fclose(log);
    }
    return 0;
}
