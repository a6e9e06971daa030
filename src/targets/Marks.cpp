#include "targets/Marks.h"

#include "core/ProgramState.h"
#include "targets/TargetGeometry.h"

namespace ryvo {

MissDirection MissDirectionOf(float x, float y, MissTable table) {
    const bool yInside = y >= -100.0F && y <= 100.0F;
    const bool xInside = x >= -100.0F && x <= 100.0F;
    const float leftOf = table == MissTable::Strict ? -100.0F : 0.0F;
    if (x < leftOf && yInside) {
        return MissDirection::Left;
    }
    if (x < -100.0F && y < -100.0F) {
        return MissDirection::UpperLeft;
    }
    if (x < -100.0F && y > 100.0F) {
        return MissDirection::LowerLeft;
    }
    if (xInside && y < -100.0F) {
        return MissDirection::Up;
    }
    if (xInside && y > 100.0F) {
        return MissDirection::Down;
    }
    if (x > 100.0F && y > 100.0F) {
        return MissDirection::LowerRight;
    }
    if (x > 100.0F && yInside) {
        return MissDirection::Right;
    }
    if (x > 100.0F && y < -100.0F) {
        return MissDirection::UpperRight;
    }
    return MissDirection::None;
}

std::optional<std::array<QPoint, 3>> MissArrowPoints(MissDirection direction, int w, int h) {
    const int e = w - 2;
    const int f = h - 2;
    const int mx = e / 2;
    const int my = f / 2;
    switch (direction) {
    case MissDirection::Left:
        return std::array{QPoint(e, 0), QPoint(0, my), QPoint(e, f)};
    case MissDirection::UpperLeft:
        return std::array{QPoint(0, f), QPoint(0, 0), QPoint(e, 0)};
    case MissDirection::LowerLeft:
        return std::array{QPoint(0, 0), QPoint(0, f), QPoint(e, f)};
    case MissDirection::Up:
        return std::array{QPoint(0, f), QPoint(mx, 0), QPoint(e, f)};
    case MissDirection::Down:
        return std::array{QPoint(0, 0), QPoint(mx, f), QPoint(e, 0)};
    case MissDirection::LowerRight:
        return std::array{QPoint(0, f), QPoint(e, f), QPoint(e, 0)};
    case MissDirection::Right:
        return std::array{QPoint(0, 0), QPoint(e, my), QPoint(0, f)};
    case MissDirection::UpperRight:
        return std::array{QPoint(0, 0), QPoint(e, 0), QPoint(e, f)};
    case MissDirection::None:
        break;
    }
    return std::nullopt;
}

void DrawMissArrow(Canvas& picture, MissDirection direction) {
    const int w = picture.Width();
    const int h = picture.Height();
    picture.SetPen(kButtonFace, 1, PenMode::Copy);
    picture.SetBrush(kButtonFace, BrushStyle::Solid);
    picture.FillRect(0, 0, w, h);
    const auto v = MissArrowPoints(direction, w, h);
    if (!v) {
        return;
    }
    picture.SetPen(kRed, 2, PenMode::Copy);
    picture.MoveTo((*v)[0].x(), (*v)[0].y());
    picture.LineTo((*v)[1].x(), (*v)[1].y());
    picture.LineTo((*v)[2].x(), (*v)[2].y());
}

namespace {

QRect HoleBox(ShotPoint shot, HoleStyle style, int width) {
    const float r = style == HoleStyle::DoubleRadius ? 2.0F * kShotMarkRadius : kShotMarkRadius;
    return {QPoint(ToPixels(shot.x - r, width), ToPixels(shot.y - r, width)),
            QPoint(ToPixels(shot.x + r, width), ToPixels(shot.y + r, width))};
}

} // namespace

QRect HoleArea(ShotPoint shot, HoleStyle style, int width) {
    // The pen reaches a little beyond the box.
    return HoleBox(shot, style, width).adjusted(-3, -3, 3, 3);
}

QRect DrawHole(Canvas& target, ShotPoint shot, HoleStyle style, Color outline, Color fill) {
    const bool thin = style == HoleStyle::OnePixel || style == HoleStyle::DoubleRadius;
    target.SetPen(style == HoleStyle::ReplayDisc ? kWhite : outline, thin ? 1 : 2, PenMode::Copy);
    target.SetBrush(fill, BrushStyle::Solid);
    const QRect box = HoleBox(shot, style, target.Width());
    target.Ellipse(box.left(), box.top(), box.right(), box.bottom());
    return HoleArea(shot, style, target.Width());
}

} // namespace ryvo
