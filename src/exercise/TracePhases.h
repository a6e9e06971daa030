#pragma once

#include "platform/Canvas.h"

#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace ryvo {

// The phases of a shot's aiming, by time from the shot: what a coach reads first is the last
// second and the last fifth of it, and whether the aim held still after the release.
enum class TracePhase { Earlier, LastSecond, LastFifth, FollowThrough };
inline constexpr int kTracePhaseCount = 4;

[[nodiscard]] TracePhase PhaseAt(std::int32_t msFromShot);
// Colours that stay apart for the common colour-vision deficiencies (grey, blue, orange,
// vermillion differ in lightness as well as hue); the last fifth is also drawn wider.
[[nodiscard]] Color PhaseColor(TracePhase phase);
[[nodiscard]] int PhaseWidth(TracePhase phase, int width);
[[nodiscard]] QString PhaseCaption(TracePhase phase);

// A stretch of the trace in one phase. Neighbouring runs share their joining point, so the
// line drawn has no gap where the colour changes.
struct PhaseRun {
    TracePhase phase = TracePhase::Earlier;
    std::vector<QPoint> points;
};

// `pixels[i]` was sampled `ms[i]` ms from the shot (negative before it), in time order.
[[nodiscard]] std::vector<PhaseRun> SplitByPhase(const std::vector<QPoint>& pixels,
                                                 const std::vector<std::int32_t>& ms);
void DrawPhasedTrace(Canvas& canvas, const std::vector<PhaseRun>& runs, int width = 2);
// A small boxed legend, its top-left corner at (x, y); returns its size.
QSize DrawPhaseLegend(Canvas& canvas, int x, int y);

} // namespace ryvo
