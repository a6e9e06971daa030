#include "Watchdog.h"

#include <cstdio>
#include <cstdlib>

#if defined(__linux__)
#include <csignal>
#include <execinfo.h>
#include <pthread.h>
#include <unistd.h>
#endif
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace ryvo::monkey {

namespace {

constexpr std::size_t kKeptActions = 40;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

#if defined(__linux__)
constexpr int kStackSignal = SIGUSR2;
std::atomic<bool> g_stackPrinted{false};

// Runs on the stalled GUI thread: where it is stuck is what the report needs.
void PrintStack(int /*signal*/) {
    constexpr char kTitle[] = "the GUI thread at the stall:\n";
    (void)!::write(STDERR_FILENO, kTitle, sizeof kTitle - 1);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_print_stack_trace();
#else
    void* frames[64];
    ::backtrace_symbols_fd(frames, ::backtrace(frames, 64), STDERR_FILENO);
#endif
    g_stackPrinted = true;
}
#endif

} // namespace

void ActionLog::Add(std::string action) {
    const std::uint64_t n = ++m_count;
    const std::lock_guard lock(m_mutex);
    m_last.push_back("#" + std::to_string(n) + " " + std::move(action));
    if (m_last.size() > kKeptActions) {
        m_last.pop_front();
    }
}

std::string ActionLog::Tail() const {
    const std::lock_guard lock(m_mutex);
    std::string out;
    for (const std::string& line : m_last) {
        out += "  " + line + "\n";
    }
    return out;
}

Watchdog::Watchdog(std::uint32_t seed, const ActionLog& log, std::chrono::milliseconds limit)
    : m_seed(seed), m_log(log), m_limit(limit), m_lastTick(NowMs()) {
#if defined(__linux__)
    m_gui = ::pthread_self();
    struct sigaction action {};
    action.sa_handler = PrintStack;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(kStackSignal, &action, nullptr);
#endif
    m_thread = std::thread([this] { Watch(); });
}

Watchdog::~Watchdog() {
    m_stop = true;
    m_thread.join();
}

void Watchdog::Tick() {
    const std::int64_t now = NowMs();
    const std::int64_t gap = now - m_lastTick.exchange(now);
    if (!m_paused && gap > m_longest) {
        m_longest = gap;
    }
}

std::chrono::milliseconds Watchdog::LongestGap() const {
    return std::chrono::milliseconds(m_longest.load());
}

void Watchdog::Pause(bool paused) {
    m_lastTick = NowMs();
    m_paused = paused;
}

void Watchdog::Watch() {
    while (!m_stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::int64_t silent = NowMs() - m_lastTick;
        if (!m_paused && silent > m_limit.count()) {
            std::fprintf(stderr,
                         "ryvo-monkey: FINDING: the event loop stalled for %lld ms (seed %u)\n"
                         "last actions:\n%s",
                         static_cast<long long>(silent), m_seed, m_log.Tail().c_str());
            std::fflush(stderr);
#if defined(__linux__)
            ::pthread_kill(m_gui, kStackSignal);
            for (int wait = 0; wait < 100 && !g_stackPrinted; ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
#endif
            std::abort();
        }
    }
}

} // namespace ryvo::monkey
