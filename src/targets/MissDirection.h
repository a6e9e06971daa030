#pragma once

#include "platform/Canvas.h"

namespace ryvo {

// The side on which a shot left the target square, as the miss arrow shows it.
enum class MissSide {
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

// The archived result view's table, on whole target units: a side only where the shot lies
// beyond the square (left only when x < -100, and so on); None inside it.
MissSide StrictMissSide(int x, int y);

// A shot's coordinate as the whole number that table takes: the fraction dropped, values
// that are no number or beyond any screen kept inside the square (no arrow) or at its far
// side, so no conversion overflows.
int MissCoordinate(float value);

// Clears the arrow picture to the button face and draws the red arrow of `side` over it,
// two joined segments; false (the picture only cleared) for None.
bool DrawMissArrow(Canvas& picture, MissSide side);

} // namespace ryvo
