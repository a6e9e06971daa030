#pragma once

#include "core/RunState.h"
#include "platform/Canvas.h"

#include <QRect>

#include <array>
#include <optional>

namespace ryvo {

// Which way a missed shot went, as the miss arrow draws it.
enum class MissDirection {
    None,
    Left,
    UpperLeft,
    LowerLeft,
    Up,
    Down,
    LowerRight,
    Right,
    UpperRight,
};

// The single-shooter and five-lane windows take any shot left of the centre line with y on
// the target as "left"; the two-shooter window and the replay of results only one left of
// the target square.
enum class MissTable { LeftOfCentre, Strict };

MissDirection MissDirectionOf(float x, float y, MissTable table = MissTable::LeftOfCentre);

// The three points of the arrow on a picture of w x h pixels, nullopt for None.
std::optional<std::array<QPoint, 3>> MissArrowPoints(MissDirection direction, int w, int h);

// Clears a miss-arrow picture to the button face and draws the arrow for `direction` in red.
void DrawMissArrow(Canvas& picture, MissDirection direction);

// How a hole is drawn: the exercise windows' 2-pixel outline, the two-shooter window's
// 1-pixel one, the small targets' 1-pixel hole of twice the radius (so it stays visible),
// and the replay's disc with a white rim.
enum class HoleStyle { Normal, OnePixel, DoubleRadius, ReplayDisc };

// Draws the hole of a shot at (x, y) target units on a square target picture; returns the
// area it covered, for repainting.
QRect DrawHole(Canvas& target, ShotPoint shot, HoleStyle style, Color outline, Color fill);
// The area a hole drawn by DrawHole covers on a square target picture `width` pixels wide.
QRect HoleArea(ShotPoint shot, HoleStyle style, int width);

// True for a point on the target square (-100..100 on both axes).
inline bool WithinTarget(float x, float y) {
    return x >= -100.0F && x <= 100.0F && y >= -100.0F && y <= 100.0F;
}

} // namespace ryvo
