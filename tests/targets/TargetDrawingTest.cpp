#include "targets/TargetDrawing.h"

#include "core/ProgramState.h"
#include "support/TempDir.h"
#include "targets/Scoring.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

using namespace ryvo;

namespace {

const Color kFace = FromQColor(ToQColor(kButtonFace));

// Pixels in the box [x1, x2) x [y1, y2) that differ from the given colour.
int CountOther(const Canvas& canvas, int x1, int y1, int x2, int y2, Color colour) {
    int n = 0;
    for (int y = y1; y < y2; ++y) {
        for (int x = x1; x < x2; ++x) {
            n += canvas.Pixel(x, y) != colour ? 1 : 0;
        }
    }
    return n;
}

ProgramState StateWithLimits() {
    ProgramState state;
    state.settings.Target.fill(-1);
    ApplySignalLimits(state); // port-card mode: low 0.2, mark 0.8
    return state;
}

} // namespace

TEST(DrawN4Target, GeometryAt201PixelsIsOnePixelPerUnit) {
    ImageCanvas image(201, 201);
    DrawN4Target(image);
    // Green square 0..199, window face beyond.
    EXPECT_EQ(image.Pixel(199, 190), kLime);
    EXPECT_EQ(image.Pixel(200, 190), kFace);
    EXPECT_EQ(image.Pixel(190, 199), kLime);
    EXPECT_EQ(image.Pixel(190, 200), kFace);
    // White corners: x 0..52 and 147..200, y 0..71.
    EXPECT_EQ(image.Pixel(0, 0), kWhite);
    EXPECT_EQ(image.Pixel(52, 71), kWhite);
    EXPECT_EQ(image.Pixel(53, 71), kLime);
    EXPECT_EQ(image.Pixel(52, 72), kLime);
    EXPECT_EQ(image.Pixel(147, 0), kWhite);
    EXPECT_EQ(image.Pixel(200, 71), kWhite);
    EXPECT_EQ(image.Pixel(146, 0), kLime);
    EXPECT_EQ(image.Pixel(147, 72), kLime);
    // Ring 10 spans the box (80, 80)-(120, 120), ring 6 the whole square.
    EXPECT_EQ(image.Pixel(79, 100), kLime);
    EXPECT_EQ(image.Pixel(80, 100), kBlack);
    EXPECT_EQ(image.Pixel(81, 100), kLime);
    EXPECT_EQ(image.Pixel(119, 100), kBlack);
    EXPECT_EQ(image.Pixel(120, 100), kLime);
    EXPECT_EQ(image.Pixel(100, 80), kBlack);
    EXPECT_EQ(image.Pixel(100, 119), kBlack);
    EXPECT_EQ(image.Pixel(0, 100), kBlack);
    EXPECT_EQ(image.Pixel(199, 100), kBlack);
    EXPECT_EQ(image.Pixel(100, 100), kLime);
    // "10" below-left of the centre, "5" in the lower-left corner outside ring 6.
    EXPECT_GT(CountOther(image, 85, 104, 100, 116, kLime), 5);
    EXPECT_GT(CountOther(image, 19, 175, 30, 187, kLime), 3);
}

TEST(DrawN4Target, SizesTruncateTowardZero) {
    // W = 150: s = 0.745, ring 10 box (59, 59)-(89, 89), square up to 149, corners to
    // x 39 and from x 109, down to y 53.
    ImageCanvas image(150, 150);
    DrawN4Target(image);
    EXPECT_EQ(image.Pixel(59, 74), kBlack);
    EXPECT_EQ(image.Pixel(58, 74), kLime);
    EXPECT_EQ(image.Pixel(88, 74), kBlack);
    EXPECT_EQ(image.Pixel(89, 74), kLime);
    EXPECT_EQ(image.Pixel(148, 140), kLime);
    EXPECT_EQ(image.Pixel(149, 140), kFace);
    EXPECT_EQ(image.Pixel(38, 52), kWhite);
    EXPECT_EQ(image.Pixel(39, 52), kLime);
    EXPECT_EQ(image.Pixel(38, 53), kLime);
    EXPECT_EQ(image.Pixel(109, 52), kWhite);
    EXPECT_EQ(image.Pixel(108, 52), kLime);

    // W = 526: s = 2.625, c = 262.5: ring 10 box (210, 210)-(315, 315).
    ImageCanvas large(526, 526);
    DrawN4Target(large);
    EXPECT_EQ(large.Pixel(210, 262), kBlack);
    EXPECT_EQ(large.Pixel(209, 262), kLime);
    EXPECT_EQ(large.Pixel(314, 262), kBlack);
    EXPECT_EQ(large.Pixel(315, 262), kLime);
    EXPECT_EQ(large.Pixel(524, 500), kLime);
    EXPECT_EQ(large.Pixel(525, 500), kFace);
}

TEST(DrawN4Target, TinyImagesCollapseWithoutError) {
    for (int w : {0, 1, 2}) {
        ImageCanvas image(w, w, kRed);
        DrawN4Target(image);
        DrawSportTarget(image);
        EXPECT_NE(image.Pixel(0, 0), 0xFFFFFFFFu);
    }
}

TEST(DrawSportTarget, RingsAndDarkCentre) {
    // W = 200: s = 1 (W, not W - 1), c = 100.
    ImageCanvas image(200, 200);
    DrawSportTarget(image);
    EXPECT_EQ(image.Pixel(0, 0), kFace);
    EXPECT_EQ(image.Pixel(199, 199), kFace);
    EXPECT_EQ(image.Pixel(100, 100), kDarkGrey);
    // Outer rings black on white, inner rings white on the dark centre (radius 40).
    EXPECT_EQ(image.Pixel(100, 0), kBlack);
    EXPECT_EQ(image.Pixel(100, 1), kWhite);
    EXPECT_EQ(image.Pixel(100, 50), kBlack);
    EXPECT_EQ(image.Pixel(100, 59), kWhite);
    EXPECT_EQ(image.Pixel(100, 60), kWhite);
    EXPECT_EQ(image.Pixel(100, 61), kDarkGrey);
    EXPECT_EQ(image.Pixel(100, 90), kWhite);
    EXPECT_EQ(image.Pixel(100, 91), kDarkGrey);
    EXPECT_EQ(image.Pixel(100, 109), kWhite);
    EXPECT_EQ(image.Pixel(100, 110), kDarkGrey);
    EXPECT_EQ(image.Pixel(100, 199), kBlack);
    // Numbers on the horizontal axis: 9 on the dark centre (light text), 1 near the edge.
    EXPECT_GT(CountOther(image, 83, 96, 90, 104, kDarkGrey), 3);
    EXPECT_GT(CountOther(image, 3, 96, 9, 104, kWhite), 3);
    EXPECT_GT(CountOther(image, 192, 96, 198, 104, kWhite), 3);
}

TEST(DrawLaneTarget, ScaleShowsTheAcceptableLevelRange) {
    ProgramState state = StateWithLimits();
    state.settings.Target[2] = kTargetSport;
    ImageCanvas target(505, 505);
    ImageCanvas scale(254, 30);
    ASSERT_TRUE(DrawLaneTarget(target, scale, state, 2));
    EXPECT_EQ(target.Pixel(252, 252), kDarkGrey);
    // s = 2.525, y0 = 7, pen width 2: red to 254 x 0.2, lime to 254 x 0.8, red to the end.
    EXPECT_EQ(scale.Pixel(10, 7), kRed);
    EXPECT_EQ(scale.Pixel(46, 7), kRed);
    EXPECT_EQ(scale.Pixel(60, 7), kLime);
    EXPECT_EQ(scale.Pixel(200, 7), kLime);
    EXPECT_EQ(scale.Pixel(210, 7), kRed);
    EXPECT_EQ(scale.Pixel(253, 7), kRed);
    EXPECT_EQ(scale.Pixel(100, 2), kFace);
    // "min" at x 50 - 17 = 33, "max" at 203 - 17 = 186, both from y 12.
    EXPECT_GT(CountOther(scale, 33, 12, 60, 30, kFace), 5);
    EXPECT_GT(CountOther(scale, 186, 12, 216, 30, kFace), 5);
    EXPECT_EQ(CountOther(scale, 100, 12, 170, 30, kFace), 0);
}

TEST(DrawLaneTarget, BuiltInTypesMatchTheirDirectDrawing) {
    ProgramState state = StateWithLimits();
    state.settings.Target[0] = kTargetN4;
    ImageCanvas viaLane(301, 301);
    ImageCanvas scale(100, 20);
    ASSERT_TRUE(DrawLaneTarget(viaLane, scale, state, 0));
    ImageCanvas direct(301, 301);
    DrawN4Target(direct);
    EXPECT_EQ(viaLane.Image(), direct.Image());
}

TEST(DrawLaneTarget, UnusedLaneAndMissingLibraryLeaveTheImage) {
    ProgramState state = StateWithLimits();
    state.settings.Target[1] = 3;
    for (int lane : {0, 1, 9, -1}) {
        ImageCanvas target(120, 120, kRed);
        ImageCanvas scale(100, 20, kBlue);
        const QImage before = target.Image().copy();
        EXPECT_TRUE(DrawLaneTarget(target, scale, state, lane)) << lane;
        EXPECT_EQ(target.Image(), before) << lane;
        EXPECT_EQ(scale.Pixel(0, 0), kFace) << lane; // the scale is still drawn
    }
}

TEST(DrawLaneTarget, LibraryPictureIsStretchedOrReportedMissing) {
    test::TempDir dir;
    QDir().mkpath(dir.File(QStringLiteral("Targets")));
    dir.Write(QStringLiteral("Targets/strings.txt"), "1\t2\n101\tA\n102\tB\n");
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(ToQColor(kBlue));
    ASSERT_TRUE(picture.save(dir.File(QStringLiteral("Targets/1001.png"))));

    ProgramState state = StateWithLimits();
    state.StartDir = dir.Path();
    LoadTargetLibrary(state);
    ASSERT_TRUE(state.TargetLibrary.has_value());
    state.settings.Target[0] = 3;
    state.settings.Target[1] = 4; // its picture 1002 is missing

    ImageCanvas target(200, 200, kRed);
    ImageCanvas scale(80, 20, kRed);
    ASSERT_TRUE(DrawLaneTarget(target, scale, state, 0));
    EXPECT_EQ(target.Pixel(0, 0), kBlue);
    EXPECT_EQ(target.Pixel(199, 199), kBlue);
    EXPECT_EQ(target.Pixel(100, 100), kBlue);

    ImageCanvas other(200, 200, kRed);
    ImageCanvas otherScale(80, 20, kRed);
    EXPECT_FALSE(DrawLaneTarget(other, otherScale, state, 1));
    EXPECT_EQ(CountOther(other, 0, 0, 200, 200, kRed), 0);
    EXPECT_EQ(CountOther(otherScale, 0, 0, 80, 20, kRed), 0);
    EXPECT_EQ(MissingPictureMessage(4), QStringLiteral("Resource 1002 not found"));
    EXPECT_EQ(DrawLibraryTarget(other, state, 4), LibraryPicture::Missing);
    EXPECT_EQ(DrawLibraryTarget(other, ProgramState{}, 3), LibraryPicture::NoLibrary);
}
