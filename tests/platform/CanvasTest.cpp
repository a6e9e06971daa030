#include "platform/Canvas.h"

#include <gtest/gtest.h>

using namespace ryvo;

TEST(Canvas, BoxesExcludeRightAndBottomEdge) {
    ImageCanvas canvas(20, 20);
    canvas.SetPen(kBlack, 1, PenMode::Copy);
    canvas.SetBrush(kRed, BrushStyle::Solid);
    canvas.Rectangle(2, 3, 10, 8);
    EXPECT_EQ(canvas.Pixel(2, 3), kBlack); // outline starts at the first corner
    EXPECT_EQ(canvas.Pixel(9, 7), kBlack); // and ends one short of the second
    EXPECT_EQ(canvas.Pixel(10, 7), kWhite);
    EXPECT_EQ(canvas.Pixel(9, 8), kWhite);
    EXPECT_EQ(canvas.Pixel(5, 5), kRed); // brush inside

    canvas.SetBrush(kBlue, BrushStyle::Solid);
    canvas.FillRect(12, 12, 15, 14);
    EXPECT_EQ(canvas.Pixel(12, 12), kBlue);
    EXPECT_EQ(canvas.Pixel(14, 13), kBlue);
    EXPECT_EQ(canvas.Pixel(15, 13), kWhite);
    EXPECT_EQ(canvas.Pixel(14, 14), kWhite);

    canvas.SetBrush(kBlue, BrushStyle::Clear);
    canvas.SetPen(kGreen, 1, PenMode::Copy);
    canvas.Rectangle(0, 0, 5, 5);
    EXPECT_EQ(canvas.Pixel(0, 0), kGreen);
    EXPECT_EQ(canvas.Pixel(2, 2), kWhite); // clear brush leaves the inside
}

TEST(Canvas, EllipseStaysInsideItsBox) {
    ImageCanvas canvas(30, 30);
    canvas.SetPen(kBlack, 1, PenMode::Copy);
    canvas.SetBrush(kRed, BrushStyle::Solid);
    canvas.Ellipse(5, 5, 25, 25);
    EXPECT_EQ(canvas.Pixel(15, 15), kRed);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(canvas.Pixel(25, i), kWhite) << i;
        EXPECT_EQ(canvas.Pixel(i, 25), kWhite) << i;
    }
    EXPECT_EQ(canvas.Pixel(5, 5), kWhite); // corners of the box stay outside the curve
}

TEST(Canvas, LinesLeaveOutTheirEndPointAndXorUndoes) {
    ImageCanvas canvas(20, 20);
    canvas.SetPen(kBlack, 1, PenMode::Copy);
    canvas.MoveTo(1, 1);
    canvas.LineTo(6, 1);
    EXPECT_EQ(canvas.Pixel(1, 1), kBlack);
    EXPECT_EQ(canvas.Pixel(5, 1), kBlack);
    EXPECT_EQ(canvas.Pixel(6, 1), kWhite);

    const QImage before = canvas.Image().copy();
    canvas.SetPen(kYellow, 2, PenMode::Xor);
    canvas.MoveTo(2, 2);
    canvas.LineTo(15, 12);
    EXPECT_NE(canvas.Image(), before);
    // Two pixels thick across its main axis, without its end point.
    EXPECT_EQ(canvas.Pixel(2, 2), kWhite ^ kYellow);
    EXPECT_EQ(canvas.Pixel(2, 3), kWhite ^ kYellow);
    EXPECT_EQ(canvas.Pixel(2, 4), kWhite);
    EXPECT_EQ(canvas.Pixel(15, 12), kWhite);
    canvas.MoveTo(2, 2);
    canvas.LineTo(15, 12);
    EXPECT_EQ(canvas.Image(), before);

    // A 1-pixel XOR polyline paints every vertex once, so it also vanishes when repeated.
    canvas.SetPen(kAqua, 1, PenMode::Xor);
    const std::vector<QPoint> path = {{1, 10}, {5, 14}, {9, 10}, {13, 18}};
    canvas.Polyline(path);
    EXPECT_EQ(canvas.Pixel(5, 14), kWhite ^ kAqua);
    canvas.Polyline(path);
    EXPECT_EQ(canvas.Image(), before);
}

// The image canvas writes XOR lines into its pixels itself and copies an ellipse it drew
// before; a canvas on an image of another format leaves both to the painter. The pictures
// must be the same, also at the image's edges and for copy-mode drawing after an XOR pen.
TEST(Canvas, DrawingOnTheImageMatchesThePainter) {
    ImageCanvas direct(60, 40);
    QImage image(60, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        PainterCanvas painted(&image);
        std::uint32_t seed = 7;
        auto next = [&seed](int span) {
            seed = seed * 1664525U + 1013904223U;
            return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(span)) - 8;
        };
        for (int i = 0; i < 600; ++i) {
            const Color color = i % 3 == 0 ? kYellow : (i % 3 == 1 ? kAqua : kButtonFace);
            const int width = 1 + i % 2;
            const QPoint from(next(76), next(56));
            const QPoint to(next(76), next(56));
            const int side = 3 + (i / 2) % 13;
            for (Canvas* canvas : {static_cast<Canvas*>(&direct), static_cast<Canvas*>(&painted)}) {
                canvas->SetPen(color, width, PenMode::Xor);
                canvas->MoveTo(from.x(), from.y());
                canvas->LineTo(to.x(), to.y());
                if (i % 50 == 0) {
                    canvas->SetBrush(kRed, BrushStyle::Solid);
                    canvas->FillRect(from.x(), from.y(), from.x() + 5, from.y() + 4);
                    canvas->SetPen(kBlack, 1, PenMode::Copy);
                    canvas->Rectangle(to.x(), to.y(), to.x() + 6, to.y() + 6);
                }
                if (i % 3 != 2) {
                    canvas->SetPen(i % 4 == 0 ? kRed : kBlack, width, PenMode::Copy);
                    canvas->SetBrush(kWhite, i % 5 == 0 ? BrushStyle::Clear : BrushStyle::Solid);
                    canvas->Ellipse(to.x(), from.y(), to.x() + side * 2,
                                    from.y() + side * 2 + i % 2);
                }
            }
        }
    }
    EXPECT_EQ(direct.Image(), image.convertToFormat(QImage::Format_RGB32));
}

TEST(Canvas, XorOfWhiteWithYellowGivesBlue) {
    ImageCanvas canvas(8, 8);
    canvas.SetPen(kYellow, 1, PenMode::Xor);
    canvas.MoveTo(0, 4);
    canvas.LineTo(8, 4);
    EXPECT_EQ(canvas.Pixel(3, 4), kBlue);
}

TEST(Canvas, TextUsesBrushAsBackgroundUnlessClear) {
    ImageCanvas canvas(200, 40);
    FontSpec font;
    font.pixelHeight = 16;
    font.color = kBlack;
    canvas.SetFont(font);
    canvas.SetBrush(kRed, BrushStyle::Solid);
    canvas.TextOut(10, 5, QStringLiteral("Уровень"));
    EXPECT_GT(canvas.TextWidth(QStringLiteral("Уровень")), 20);
    EXPECT_EQ(canvas.Pixel(10, 5), kRed); // top-left of the text box is background

    canvas.SetBrush(kRed, BrushStyle::Clear);
    canvas.TextOut(100, 5, QStringLiteral("min"));
    EXPECT_EQ(canvas.Pixel(100, 5), kWhite);
}

TEST(Canvas, StretchDrawFillsTheBox) {
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(ToQColor(kGreen));
    ImageCanvas canvas(50, 50);
    canvas.StretchDraw(10, 10, 40, 30, picture);
    EXPECT_EQ(canvas.Pixel(10, 10), kGreen);
    EXPECT_EQ(canvas.Pixel(39, 29), kGreen);
    EXPECT_EQ(canvas.Pixel(40, 29), kWhite);
    EXPECT_EQ(canvas.Pixel(39, 30), kWhite);
    EXPECT_EQ(canvas.Pixel(-1, 0), 0xFFFFFFFFu);
}

TEST(Canvas, ColoursAreBgr) {
    EXPECT_EQ(ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(FromQColor(QColor(0, 0, 255)), 0xFF0000u);
    EXPECT_EQ(ToQColor(kButtonFace), QColor(0xF0, 0xF0, 0xF0));
}
