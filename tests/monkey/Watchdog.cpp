#include "Watchdog.h"

#include <cstdio>
#include <cstdlib>

namespace ryvo::monkey {

namespace {

constexpr std::size_t kKeptActions = 40;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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
    : m_seed(seed), m_log(log), m_limit(limit), m_lastTick(NowMs()), m_thread([this] { Watch(); }) {
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
            std::abort();
        }
    }
}

} // namespace ryvo::monkey
