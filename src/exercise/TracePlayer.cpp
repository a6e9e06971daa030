#include "exercise/TracePlayer.h"

#include "exercise/TracePhases.h"
#include "platform/Clock.h"
#include "targets/Marks.h"

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

// A series that ends at its last shot keeps no follow-through for it: the replay still runs
// to the shot, where the hole appears.
double EndMs(const ShotTrace& trace) {
    return std::max<double>(trace.samples.back().ms, 0.0);
}

} // namespace

void TracePlayer::Load(std::vector<ShotTrace> traces, std::vector<ShotPoint> shots) {
    m_traces.clear();
    for (ShotTrace& trace : traces) {
        // Samples out of time order would not play; such a trace is not ours.
        if (trace.shot >= 0 && static_cast<size_t>(trace.shot) < shots.size() &&
            !trace.samples.empty() &&
            std::is_sorted(
                trace.samples.begin(), trace.samples.end(),
                [](const TracedSample& a, const TracedSample& b) { return a.ms < b.ms; })) {
            m_traces.push_back(std::move(trace));
        }
    }
    m_shots = std::move(shots);
    m_index = 0;
    m_playing = false;
    m_paused = false;
}

void TracePlayer::Start(int index) {
    if (m_traces.empty()) {
        m_playing = false;
        return;
    }
    m_index = std::clamp(index, 0, Count() - 1);
    m_playing = true;
    m_anchorMs = m_traces[static_cast<size_t>(m_index)].samples.front().ms;
    m_anchorTick = m_clock->TickCount();
}

bool TracePlayer::PlayShot(int shot) {
    const auto found = std::find_if(m_traces.begin(), m_traces.end(),
                                    [shot](const ShotTrace& t) { return t.shot == shot; });
    if (found == m_traces.end()) {
        m_playing = false;
        return false;
    }
    Start(static_cast<int>(found - m_traces.begin()));
    return true;
}

double TracePlayer::Raw() const {
    if (m_paused) {
        return m_anchorMs;
    }
    // Unsigned difference: the tick count may wrap.
    const std::uint32_t elapsed = m_clock->TickCount() - m_anchorTick;
    return m_anchorMs + elapsed * m_speed;
}

void TracePlayer::Anchor() {
    m_anchorMs = Raw();
    m_anchorTick = m_clock->TickCount();
}

void TracePlayer::SetSpeed(double speed) {
    Anchor();
    m_speed = std::clamp(speed, kSpeeds[0], kSpeeds[std::size(kSpeeds) - 1]);
}

void TracePlayer::Pause() {
    if (!m_paused) {
        // Held where it is, not where an overrun at the end would put it.
        m_anchorMs = Position();
        m_paused = true;
    }
}

void TracePlayer::Continue() {
    if (m_paused) {
        m_paused = false;
        m_anchorTick = m_clock->TickCount();
    }
}

void TracePlayer::Next() {
    if (m_playing && m_index + 1 < Count()) {
        Start(m_index + 1);
    }
}

void TracePlayer::Previous() {
    if (m_playing) {
        Start(m_index - 1);
    }
}

bool TracePlayer::Advance() {
    if (!m_playing || m_paused || m_index + 1 >= Count()) {
        return false;
    }
    const double last = EndMs(m_traces[static_cast<size_t>(m_index)]);
    if ((Raw() - last) / m_speed < kLingerMs) {
        return false;
    }
    Start(m_index + 1);
    return true;
}

int TracePlayer::Shot() const {
    return m_playing ? m_traces[static_cast<size_t>(m_index)].shot : -1;
}

std::int32_t TracePlayer::Position() const {
    if (!m_playing) {
        return 0;
    }
    const ShotTrace& trace = m_traces[static_cast<size_t>(m_index)];
    const double raw =
        std::clamp(Raw(), static_cast<double>(trace.samples.front().ms), EndMs(trace));
    return static_cast<std::int32_t>(std::floor(raw));
}

bool TracePlayer::AtEnd() const {
    return m_playing && Position() >= EndMs(m_traces[static_cast<size_t>(m_index)]);
}

void TracePlayer::DrawFrame(Canvas& target) const {
    if (!m_playing) {
        return;
    }
    const ShotTrace& trace = m_traces[static_cast<size_t>(m_index)];
    const std::int32_t now = Position();
    const auto end =
        std::upper_bound(trace.samples.begin(), trace.samples.end(), now,
                         [](std::int32_t ms, const TracedSample& s) { return ms < s.ms; });
    const auto count = static_cast<size_t>(end - trace.samples.begin());
    const double k = target.Width() * 0.005;
    std::vector<QPoint> pixels;
    std::vector<std::int32_t> ms;
    pixels.reserve(count);
    ms.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const TracedSample& s = trace.samples[i];
        pixels.emplace_back(static_cast<int>(k * s.x + 100 * k),
                            static_cast<int>(k * s.y + 100 * k));
        ms.push_back(s.ms);
    }
    DrawPhasedTrace(target, SplitByPhase(pixels, ms));
    // Over the trace, so the shot stands out where the aim passed through it.
    if (now >= 0) {
        DrawHole(target, m_shots[static_cast<size_t>(trace.shot)], HoleStyle::ReplayDisc, kWhite,
                 kRed);
    }
    DrawPhaseLegend(target, 4, 4);
}

} // namespace ryvo
