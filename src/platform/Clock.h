#pragma once

#include <cstdint>

namespace ryvo {

// Millisecond tick count and sleep, as the run loops and the device link use them.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps like a 32-bit tick counter.
    virtual std::uint32_t TickCount() = 0;
    virtual void Sleep(std::uint32_t ms) = 0;
};

class SteadyClock final : public Clock {
public:
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t ms) override;
};

// Test double: time moves only when the test advances it or code sleeps.
class ManualClock final : public Clock {
public:
    explicit ManualClock(std::uint32_t start = 0) : m_now(start) {}
    std::uint32_t TickCount() override { return m_now; }
    void Sleep(std::uint32_t ms) override { m_now += ms; }
    void Advance(std::uint32_t ms) { m_now += ms; }
    void Set(std::uint32_t now) { m_now = now; }

private:
    std::uint32_t m_now;
};

} // namespace ryvo
