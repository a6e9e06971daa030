#include "targets/MissDirection.h"

#include <array>
#include <cmath>

namespace ryvo {

MissSide StrictMissSide(int x, int y) {
    const bool xInside = x >= -100 && x <= 100;
    const bool yInside = y >= -100 && y <= 100;
    if (x < -100 && yInside) {
        return MissSide::Left;
    }
    if (x < -100 && y < -100) {
        return MissSide::UpperLeft;
    }
    if (x < -100 && y > 100) {
        return MissSide::LowerLeft;
    }
    if (xInside && y < -100) {
        return MissSide::Up;
    }
    if (xInside && y > 100) {
        return MissSide::Down;
    }
    if (x > 100 && y > 100) {
        return MissSide::LowerRight;
    }
    if (x > 100 && yInside) {
        return MissSide::Right;
    }
    if (x > 100 && y < -100) {
        return MissSide::UpperRight;
    }
    return MissSide::None;
}

int MissCoordinate(float value) {
    constexpr float kFar = 1.0e6F;
    if (std::isnan(value)) {
        return 0;
    }
    if (value > kFar) {
        return static_cast<int>(kFar);
    }
    if (value < -kFar) {
        return -static_cast<int>(kFar);
    }
    return static_cast<int>(value);
}

bool DrawMissArrow(Canvas& picture, MissSide side) {
    const int w = picture.Width();
    const int h = picture.Height();
    picture.SetPen(kButtonFace, 2, PenMode::Copy);
    picture.SetBrush(kButtonFace, BrushStyle::Solid);
    picture.Rectangle(0, 0, w, h);
    const int W = w - 2;
    const int H = h - 2;
    std::array<QPoint, 3> v;
    switch (side) {
    case MissSide::Left:
        v = {QPoint(W, 0), QPoint(0, H / 2), QPoint(W, H)};
        break;
    case MissSide::UpperLeft:
        v = {QPoint(0, H), QPoint(0, 0), QPoint(W, 0)};
        break;
    case MissSide::LowerLeft:
        v = {QPoint(0, 0), QPoint(0, H), QPoint(W, H)};
        break;
    case MissSide::Up:
        v = {QPoint(0, H), QPoint(W / 2, 0), QPoint(W, H)};
        break;
    case MissSide::Down:
        v = {QPoint(0, 0), QPoint(W / 2, H), QPoint(W, 0)};
        break;
    case MissSide::LowerRight:
        v = {QPoint(0, H), QPoint(W, H), QPoint(W, 0)};
        break;
    case MissSide::Right:
        v = {QPoint(0, 0), QPoint(W, H / 2), QPoint(0, H)};
        break;
    case MissSide::UpperRight:
        v = {QPoint(0, 0), QPoint(W, 0), QPoint(W, H)};
        break;
    case MissSide::None:
        return false;
    }
    picture.SetPen(kRed, 2, PenMode::Copy);
    picture.MoveTo(v[0].x(), v[0].y());
    picture.LineTo(v[1].x(), v[1].y());
    picture.LineTo(v[2].x(), v[2].y());
    return true;
}

} // namespace ryvo
