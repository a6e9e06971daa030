#include "AimPath.h"

#include <algorithm>

namespace ryvo::sim {

namespace {

std::int16_t Clamp16(long value) {
    return static_cast<std::int16_t>(std::clamp<long>(value, -32768, 32767));
}

} // namespace

ScriptedAim::ScriptedAim(std::vector<Point> points) : m_points(std::move(points)) {
    if (m_points.empty()) {
        m_points.push_back({});
    }
    std::stable_sort(m_points.begin(), m_points.end(),
                     [](const Point& a, const Point& b) { return a.ms < b.ms; });
}

Signal ScriptedAim::At(std::uint32_t ms) {
    if (ms <= m_points.front().ms) {
        return m_points.front().signal;
    }
    for (size_t i = 1; i < m_points.size(); ++i) {
        const Point& b = m_points[i];
        if (ms <= b.ms) {
            const Point& a = m_points[i - 1];
            const double f = static_cast<double>(ms - a.ms) / static_cast<double>(b.ms - a.ms);
            return {Clamp16(static_cast<long>(a.signal.x + f * (b.signal.x - a.signal.x))),
                    Clamp16(static_cast<long>(a.signal.y + f * (b.signal.y - a.signal.y)))};
        }
    }
    return m_points.back().signal;
}

NoiseAim::NoiseAim(Signal centre, int amplitude, std::uint32_t seed)
    : m_centre(centre), m_amplitude(std::max(0, amplitude)), m_state(seed == 0 ? 1 : seed) {}

Signal NoiseAim::At(std::uint32_t) {
    auto next = [this] {
        // xorshift32: small, fast and repeatable.
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        const auto span = static_cast<std::uint32_t>(2 * m_amplitude + 1);
        return static_cast<long>(m_state % span) - m_amplitude;
    };
    const long dx = next();
    const long dy = next();
    return {Clamp16(m_centre.x + dx), Clamp16(m_centre.y + dy)};
}

} // namespace ryvo::sim
