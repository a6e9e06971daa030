#pragma once

#include "core/RunState.h"
#include "exercise/HoldTrace.h"
#include "platform/Canvas.h"

#include <cstdint>
#include <vector>

namespace ryvo {

class Clock;

// Plays the kept traces of a series in motion, shot after shot, as fast as they were aimed
// (or slower or faster). Time comes from the clock seam, so a frame drawn at a given tick is
// always the same picture. A shot shown whole stays a moment before the next one begins.
class TracePlayer {
public:
    static constexpr std::uint32_t kLingerMs = 1000;
    static constexpr double kSpeeds[] = {0.25, 0.5, 1.0, 2.0};

    explicit TracePlayer(Clock& clock) : m_clock(&clock) {}
    void SetClock(Clock& clock) { m_clock = &clock; }

    // The traces and the shots they end in (ShotTrace::shot indexes `shots`). A trace whose
    // shot is not among them, or that has no samples, is left out. Stops playing.
    void Load(std::vector<ShotTrace> traces, std::vector<ShotPoint> shots);
    [[nodiscard]] bool Empty() const { return m_traces.empty(); }
    [[nodiscard]] int Count() const { return static_cast<int>(m_traces.size()); }

    // Plays trace `index` (clamped) from its first sample.
    void Start(int index = 0);
    // Plays the trace of the record's shot `shot` from its start; false (and stopped) when
    // that shot has none.
    bool PlayShot(int shot);
    void Stop() { m_playing = false; }
    [[nodiscard]] bool Playing() const { return m_playing; }

    // Speeds outside 0.25..2 are brought inside; the replay goes on from where it is.
    void SetSpeed(double speed);
    [[nodiscard]] double Speed() const { return m_speed; }
    void Pause();
    void Continue();
    [[nodiscard]] bool Paused() const { return m_paused; }
    // The neighbouring shot from its start; the first shot restarts on Previous, the last
    // stays on Next.
    void Next();
    void Previous();
    // At each frame: moves on to the next shot once the current one has lingered whole;
    // true when the shot changed (the picture under the trace changes with it).
    bool Advance();

    [[nodiscard]] int Index() const { return m_index; }
    // The record's shot (from 0) of the trace playing; -1 when nothing plays.
    [[nodiscard]] int Shot() const;
    // Where the replay is, in ms from the shot (negative before it).
    [[nodiscard]] std::int32_t Position() const;
    [[nodiscard]] bool AtEnd() const;

    // The trace so far in phase colours on a square target picture, the shot's hole once it
    // is reached, and the legend. Whatever else the frame holds is drawn before.
    void DrawFrame(Canvas& target) const;

private:
    // Unclamped replay time in ms from the shot.
    [[nodiscard]] double Raw() const;
    void Anchor();

    Clock* m_clock;
    std::vector<ShotTrace> m_traces;
    std::vector<ShotPoint> m_shots;
    int m_index = 0;
    bool m_playing = false;
    bool m_paused = false;
    double m_speed = 1.0;
    double m_anchorMs = 0.0; // replay time at m_anchorTick
    std::uint32_t m_anchorTick = 0;
};

} // namespace ryvo
