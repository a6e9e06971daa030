#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ryvo::sim {

// Device signal values of one lane (the frame's x and y) over time.
struct Signal {
    std::int16_t x = 0;
    std::int16_t y = 0;
};

class AimPath {
public:
    virtual ~AimPath() = default;
    virtual Signal At(std::uint32_t ms) = 0;
};

class FixedAim final : public AimPath {
public:
    explicit FixedAim(Signal point) : m_point(point) {}
    Signal At(std::uint32_t) override { return m_point; }

private:
    Signal m_point;
};

// Straight lines between timed points; holds the last point after the end.
class ScriptedAim final : public AimPath {
public:
    struct Point {
        std::uint32_t ms = 0;
        Signal signal;
    };
    // Points in time order; at least one.
    explicit ScriptedAim(std::vector<Point> points);
    Signal At(std::uint32_t ms) override;

private:
    std::vector<Point> m_points;
};

// Uniform noise of +-amplitude around a point, from a seeded generator so runs repeat.
class NoiseAim final : public AimPath {
public:
    NoiseAim(Signal centre, int amplitude, std::uint32_t seed = 1);
    Signal At(std::uint32_t ms) override;

private:
    Signal m_centre;
    int m_amplitude;
    std::uint32_t m_state;
};

} // namespace ryvo::sim
