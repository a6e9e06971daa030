#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#if defined(__linux__)
#include <pthread.h>
#endif

namespace ryvo::monkey {

// The last actions sent, kept for the report of a failure.
class ActionLog {
public:
    void Add(std::string action);
    // "  #n action" lines, oldest first.
    std::string Tail() const;
    std::uint64_t Count() const { return m_count.load(); }

private:
    mutable std::mutex m_mutex;
    std::deque<std::string> m_last;
    std::atomic<std::uint64_t> m_count{0};
};

// Aborts the process, with the seed, the last actions and (on Linux) the GUI thread's stack,
// when the GUI thread has not ticked for longer than the limit: a stalled event loop. Made on
// the GUI thread.
class Watchdog {
public:
    Watchdog(std::uint32_t seed, const ActionLog& log, std::chrono::milliseconds limit);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // From the GUI thread, at every turn of its event loop timer.
    void Tick();
    // The longest time between two ticks so far.
    [[nodiscard]] std::chrono::milliseconds LongestGap() const;
    // Stops watching (start-up and shut-down block by design, outside the monkey's run).
    void Pause(bool paused);

private:
    using Clock = std::chrono::steady_clock;
    void Watch();

    std::uint32_t m_seed;
    const ActionLog& m_log;
    std::chrono::milliseconds m_limit;
    std::atomic<std::int64_t> m_lastTick;
    std::atomic<std::int64_t> m_longest{0};
    std::atomic<bool> m_paused{true};
    std::atomic<bool> m_stop{false};
#if defined(__linux__)
    pthread_t m_gui{};
#endif
    std::thread m_thread;
};

} // namespace ryvo::monkey
