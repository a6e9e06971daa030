#include "targets/TargetDrawing.h"

#include "core/ProgramState.h"
#include "targets/Scoring.h"

#include <algorithm>

namespace ryvo {

namespace {

// Float to pixel: the fraction is dropped (toward zero).
int Px(float v) {
    return static_cast<int>(v);
}
int Px(double v) {
    return static_cast<int>(v);
}

void Circle(Canvas& canvas, float c, float s, float r) {
    canvas.Ellipse(Px(c - r * s), Px(c - r * s), Px(c + r * s), Px(c + r * s));
}

FontSpec ArialFont(int height, Color color) {
    FontSpec font;
    font.name = QStringLiteral("Arial");
    font.pixelHeight = height;
    font.color = color;
    return font;
}

void FillWindowFace(Canvas& canvas, int x2, int y2) {
    canvas.SetPen(kButtonFace, 1, PenMode::Copy);
    canvas.SetBrush(kButtonFace, BrushStyle::Solid);
    canvas.FillRect(0, 0, x2, y2);
}

} // namespace

void DrawN4Target(Canvas& image) {
    const auto s = static_cast<float>((image.Width() - 1) * 0.005);
    const float c = 100.0F * s;
    constexpr double k = 0.7092198581560284; // 100 / 141: numbers on the lower-left diagonal

    FillWindowFace(image, Px(205.0F * s), Px(205.0F * s));

    image.SetPen(kLime, 1, PenMode::Copy);
    image.SetBrush(kLime, BrushStyle::Solid);
    image.FillRect(0, 0, Px(200.0F * s), Px(200.0F * s));

    image.SetBrush(kLime, BrushStyle::Clear);
    image.SetPen(kBlack, 1, PenMode::Copy);
    image.SetFont(ArialFont(Px(10.0F * s), kBlack));

    image.TextOut(Px(c - 20.0 * k * s), Px(c + (20.0 * k - 10.0) * s), QStringLiteral("10"));
    Circle(image, c, s, 20.0F);
    for (int r = 40; r <= 120; r += 20) {
        image.TextOut(Px(c - (r * k - 5.0) * s), Px(c + (r * k - 10.0) * s),
                      QString::number(11 - r / 20));
        if (r <= 100) {
            Circle(image, c, s, static_cast<float>(r));
        }
    }

    // The two upper corners beside the figure's head.
    image.SetPen(kWhite, 1, PenMode::Copy);
    image.SetBrush(kWhite, BrushStyle::Solid);
    image.FillRect(0, 0, Px(54.0F * s - 1.0F), Px(73.0F * s - 1.0F));
    image.FillRect(Px(146.0F * s + 1.0F), 0, Px(200.0F * s + 1.0F), Px(73.0F * s - 1.0F));
}

void DrawSportTarget(Canvas& image) {
    const auto s = static_cast<float>(image.Width() * 0.005);
    const float c = 100.0F * s;

    FillWindowFace(image, Px(205.0F * s), Px(205.0F * s));

    image.SetPen(kWhite, 1, PenMode::Copy);
    image.SetBrush(kWhite, BrushStyle::Solid);
    image.Ellipse(0, 0, Px(200.0F * s), Px(200.0F * s));

    image.SetBrush(kDarkGrey, BrushStyle::Solid);
    Circle(image, c, s, 40.0F);

    image.SetFont(ArialFont(Px(7.0F * s), kWhite));
    image.SetBrush(kDarkGrey, BrushStyle::Clear);
    for (int r = 10; r <= 100; r += 10) {
        if (r == 50) {
            image.SetPen(kBlack, 1, PenMode::Copy);
            image.SetFont(ArialFont(Px(7.0F * s), kBlack));
        }
        if (r != 10) {
            const QString number = QString::number(11 - r / 10);
            image.TextOut(Px(c - (r - 3) * s), Px(c - 4.0F * s), number);
            image.TextOut(Px(c + (r - 8) * s), Px(c - 4.0F * s), number);
        }
        Circle(image, c, s, static_cast<float>(r));
    }
}

LibraryPicture DrawLibraryTarget(Canvas& image, const ProgramState& state, std::int32_t type) {
    if (!state.TargetLibrary) {
        return LibraryPicture::NoLibrary;
    }
    const QImage picture = state.TargetLibrary->Bitmap(LibraryPictureId(type));
    if (picture.isNull()) {
        return LibraryPicture::Missing;
    }
    image.StretchDraw(0, 0, image.Width(), image.Height(), picture);
    return LibraryPicture::Drawn;
}

QString MissingPictureMessage(std::int32_t type) {
    return QStringLiteral("Resource %1 not found").arg(LibraryPictureId(type));
}

void DrawLevelScale(Canvas& scale, const ProgramState& state, int targetWidth) {
    const int ws = scale.Width();
    const auto s = static_cast<float>(targetWidth * 0.005);
    const int y0 = Px(3.0F * s);
    const int low = Px(static_cast<float>(ws) * state.SignalLowFactor);
    const int mark = Px(static_cast<float>(ws) * state.SignalMarkFactor);

    FillWindowFace(scale, ws, scale.Height());

    // A pen of width 0 still draws one pixel on the device this follows.
    const int penWidth = std::max(1, Px(s));
    scale.SetPen(kRed, penWidth, PenMode::Copy);
    scale.MoveTo(0, y0);
    scale.LineTo(low, y0);
    scale.SetPen(kLime, penWidth, PenMode::Copy);
    scale.LineTo(mark, y0);
    scale.SetPen(kRed, penWidth, PenMode::Copy);
    scale.LineTo(ws, y0);

    const int textY = Px(static_cast<float>(y0) + 2.0F * s);
    scale.TextOut(Px(static_cast<float>(ws) * state.SignalLowFactor - 7.0F * s), textY,
                  QStringLiteral("min"));
    scale.TextOut(Px(static_cast<float>(ws) * state.SignalMarkFactor - 7.0F * s), textY,
                  QStringLiteral("max"));
}

bool DrawLaneTarget(Canvas& target, Canvas& scale, const ProgramState& state, int lane) {
    const std::int32_t type =
        lane >= 0 && lane < kLaneSlots ? state.settings.Target[lane] : kTargetUnused;
    if (type == kTargetN4) {
        DrawN4Target(target);
    } else if (type == kTargetSport) {
        DrawSportTarget(target);
    } else if (type != kTargetUnused) {
        if (DrawLibraryTarget(target, state, type) == LibraryPicture::Missing) {
            return false;
        }
    }
    DrawLevelScale(scale, state, target.Width());
    return true;
}

} // namespace ryvo
