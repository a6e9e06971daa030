#include "zeroing/Zeroing.h"

#include "core/ProgramState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ryvo;

namespace {

constexpr ZeroingEdges kWhole{1.0F, 1.0F};

// The target position a shifted raw value u (or v) gets from a calibration.
float MapX(const LaneCalibration& c, float u) {
    return u >= 0.0F ? u * c.ScaleR : u * c.ScaleL;
}
float MapY(const LaneCalibration& c, float v) {
    return v >= 0.0F ? v * c.ScaleD : v * c.ScaleU;
}

bool AllFinite(const LaneCalibration& c) {
    for (float value : {c.CentX, c.CentY, c.ScaleL, c.ScaleR, c.ScaleU, c.ScaleD}) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(ZeroingCorrection, CentreMovesTheOffsetByTheUnscaledMean) {
    LaneCalibration c;
    LaneCalibration out = CorrectCalibration(c, ZeroingMode::Centre, 12.0F, 0.0F, kWhole);
    EXPECT_FLOAT_EQ(out.CentX, -12.0F);
    EXPECT_FLOAT_EQ(out.CentY, 0.0F);

    // A mean to the left is undone with the left scale.
    c.ScaleL = 2.0F;
    out = CorrectCalibration(c, ZeroingMode::Centre, -12.0F, 0.0F, kWhole);
    EXPECT_FLOAT_EQ(out.CentX, 6.0F);

    // Vertically the lower scale below the centre line, the upper one above it; the scales
    // themselves are left alone.
    c = LaneCalibration{3.0F, -2.0F, 1.0F, 1.0F, 4.0F, 0.5F};
    out = CorrectCalibration(c, ZeroingMode::Centre, 0.0F, 10.0F, kWhole);
    EXPECT_FLOAT_EQ(out.CentX, 3.0F);
    EXPECT_FLOAT_EQ(out.CentY, -22.0F);
    out = CorrectCalibration(c, ZeroingMode::Centre, 0.0F, -10.0F, kWhole);
    EXPECT_FLOAT_EQ(out.CentY, 0.5F);
    EXPECT_FLOAT_EQ(out.ScaleU, 4.0F);
    EXPECT_FLOAT_EQ(out.ScaleD, 0.5F);

    // The shots that averaged 12 now average 0: their shifted value u = 12 moves to 0.
    c = LaneCalibration{};
    out = CorrectCalibration(c, ZeroingMode::Centre, 12.0F, -7.0F, kWhole);
    EXPECT_FLOAT_EQ(12.0F - c.CentX + out.CentX, 0.0F);
    EXPECT_FLOAT_EQ(-7.0F - c.CentY + out.CentY, 0.0F);
}

TEST(ZeroingCorrection, EdgeScalesPutTheMeanOnTheMarkedPoint) {
    LaneCalibration c;
    LaneCalibration out = CorrectCalibration(c, ZeroingMode::Right, 80.0F, 3.0F, kWhole);
    EXPECT_FLOAT_EQ(out.ScaleR, 1.25F);
    EXPECT_FLOAT_EQ(MapX(out, 80.0F), 100.0F);
    EXPECT_EQ(out.CentX, c.CentX);
    EXPECT_EQ(out.ScaleL, c.ScaleL);

    // The mean is first unscaled with the scale it was measured with.
    c.ScaleL = 3.0F;
    out = CorrectCalibration(c, ZeroingMode::Left, -90.0F, 0.0F, kWhole);
    EXPECT_FLOAT_EQ(out.ScaleL, 100.0F / 30.0F);
    EXPECT_FLOAT_EQ(MapX(out, -30.0F), -100.0F);

    c = LaneCalibration{};
    out = CorrectCalibration(c, ZeroingMode::Up, 0.0F, -40.0F, kWhole);
    EXPECT_FLOAT_EQ(out.ScaleU, 2.5F);
    out = CorrectCalibration(c, ZeroingMode::Down, 0.0F, 50.0F, kWhole);
    EXPECT_FLOAT_EQ(out.ScaleD, 2.0F);

    // A library target's edge points lie inside the picture.
    const ZeroingEdges library{0.75F, 0.5F};
    out = CorrectCalibration(c, ZeroingMode::Right, 60.0F, 0.0F, library);
    EXPECT_FLOAT_EQ(out.ScaleR, 1.25F);
    EXPECT_FLOAT_EQ(MapX(out, 60.0F), 75.0F);
    out = CorrectCalibration(c, ZeroingMode::Down, 0.0F, 25.0F, library);
    EXPECT_FLOAT_EQ(MapY(out, 25.0F), 50.0F);
}

TEST(ZeroingCorrection, MeansOnTheWrongSideStillGivePositiveScales) {
    // Left edge, shots averaging right of the centre: -100 / w is negative.
    LaneCalibration c;
    c.ScaleR = 2.0F;
    LaneCalibration out = CorrectCalibration(c, ZeroingMode::Left, 40.0F, 0.0F, kWhole);
    EXPECT_FLOAT_EQ(out.ScaleL, 5.0F);
    // Lower edge, mean above the centre line.
    out = CorrectCalibration(LaneCalibration{}, ZeroingMode::Down, 0.0F, -50.0F, kWhole);
    EXPECT_FLOAT_EQ(out.ScaleD, 2.0F);
    out = CorrectCalibration(LaneCalibration{}, ZeroingMode::Right, -20.0F, 0.0F, kWhole);
    EXPECT_FLOAT_EQ(out.ScaleR, 5.0F);
    out = CorrectCalibration(LaneCalibration{}, ZeroingMode::Up, 0.0F, 80.0F, kWhole);
    EXPECT_FLOAT_EQ(out.ScaleU, 1.25F);
}

TEST(ZeroingCorrection, MeanOnTheCentreLineAndDegenerateScales) {
    for (ZeroingMode mode : {ZeroingMode::Left, ZeroingMode::Right}) {
        LaneCalibration out = CorrectCalibration(LaneCalibration{}, mode, 0.0F, 30.0F, kWhole);
        EXPECT_FLOAT_EQ(*MeasuredScale(out, mode), kFallbackScale);
    }
    for (ZeroingMode mode : {ZeroingMode::Up, ZeroingMode::Down}) {
        LaneCalibration out = CorrectCalibration(LaneCalibration{}, mode, 30.0F, 0.0F, kWhole);
        EXPECT_FLOAT_EQ(*MeasuredScale(out, mode), kFallbackScale);
    }
    // A centre mean already on the centre leaves the offsets.
    LaneCalibration c{4.0F, -4.0F, 1.0F, 1.0F, 1.0F, 1.0F};
    EXPECT_EQ(CorrectCalibration(c, ZeroingMode::Centre, 0.0F, 0.0F, kWhole), c);

    // Scales of 0 from a hand-edited file cannot be undone: no infinity or NaN gets in.
    c = LaneCalibration{0.0F, 0.0F, 0.0F, 0.0F, 0.0F, 0.0F};
    for (ZeroingMode mode : {ZeroingMode::Centre, ZeroingMode::Left, ZeroingMode::Right,
                             ZeroingMode::Up, ZeroingMode::Down}) {
        const LaneCalibration out = CorrectCalibration(c, mode, -5.0F, 5.0F, kWhole);
        EXPECT_TRUE(AllFinite(out)) << static_cast<int>(mode);
    }
    EXPECT_FLOAT_EQ(CorrectCalibration(c, ZeroingMode::Left, -5.0F, 0.0F, kWhole).ScaleL,
                    kFallbackScale);
    // A vanishing mean would give an infinite scale.
    const float tiny = std::numeric_limits<float>::denorm_min();
    EXPECT_FLOAT_EQ(
        CorrectCalibration(LaneCalibration{}, ZeroingMode::Right, tiny, 0.0F, kWhole).ScaleR,
        kFallbackScale);
}

TEST(ZeroingCorrection, TooSmallScalesAreReplacedBeforeMeasuring) {
    LaneCalibration c{1.0F, 2.0F, 0.005F, 0.01F, 0.0F, -2.0F};
    EXPECT_TRUE(PrepareScale(c, ZeroingMode::Left));
    EXPECT_FLOAT_EQ(c.ScaleL, 3.0F);
    EXPECT_FALSE(PrepareScale(c, ZeroingMode::Right)); // 0.01 is not below 0.01
    EXPECT_FLOAT_EQ(c.ScaleR, 0.01F);
    EXPECT_TRUE(PrepareScale(c, ZeroingMode::Up));
    EXPECT_FLOAT_EQ(c.ScaleU, 3.0F);
    EXPECT_TRUE(PrepareScale(c, ZeroingMode::Down));
    EXPECT_FLOAT_EQ(c.ScaleD, 3.0F);
    c.ScaleL = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(PrepareScale(c, ZeroingMode::Left));
    EXPECT_FLOAT_EQ(c.ScaleL, 3.0F);
    // The centre measurement touches no scale.
    LaneCalibration centre{0.0F, 0.0F, 0.0F, 0.0F, 0.0F, 0.0F};
    EXPECT_FALSE(PrepareScale(centre, ZeroingMode::Centre));
    EXPECT_EQ(centre, (LaneCalibration{0.0F, 0.0F, 0.0F, 0.0F, 0.0F, 0.0F}));
}

TEST(ZeroingPointer, PlacedOnTheMarkedPointOfEachMode) {
    // 505 pixels: half 252.5; a 31-pixel marker is centred at trunc(252.5 - 15) = 237.
    EXPECT_EQ(PointerPlacement(ZeroingMode::Centre, 505, 31, kWhole), QPoint(237, 237));
    EXPECT_EQ(PointerPlacement(ZeroingMode::Left, 505, 31, kWhole), QPoint(0, 237));
    EXPECT_EQ(PointerPlacement(ZeroingMode::Right, 505, 31, kWhole), QPoint(505 - 31, 237));
    EXPECT_EQ(PointerPlacement(ZeroingMode::Up, 505, 31, kWhole), QPoint(237, 0));
    EXPECT_EQ(PointerPlacement(ZeroingMode::Down, 505, 31, kWhole), QPoint(237, 505 - 31));

    // Library fractions: 252.5 * 0.75 = 189.375, 252.5 * 0.5 = 126.25.
    const ZeroingEdges library{0.75F, 0.5F};
    EXPECT_EQ(PointerPlacement(ZeroingMode::Centre, 505, 31, library), QPoint(237, 237));
    EXPECT_EQ(PointerPlacement(ZeroingMode::Left, 505, 31, library), QPoint(63, 237));
    EXPECT_EQ(PointerPlacement(ZeroingMode::Right, 505, 31, library), QPoint(441 - 31, 237));
    EXPECT_EQ(PointerPlacement(ZeroingMode::Up, 505, 31, library), QPoint(237, 126));
    EXPECT_EQ(PointerPlacement(ZeroingMode::Down, 505, 31, library), QPoint(237, 378 - 31));

    // A larger picture moves the points with its width.
    EXPECT_EQ(PointerPlacement(ZeroingMode::Right, 800, 31, library), QPoint(700 - 31, 385));
}

TEST(ZeroingBackup, RestoresLanesZeroToFourOnly) {
    Settings s;
    ApplyBuiltInDefaults(s);
    s.CentX[2] = 7.0F;
    const CalibrationBackup backup = TakeCalibrationBackup(s);
    s.CentX[2] = -1.0F;
    s.ScaleD[4] = 9.0F;
    s.ScaleR[6] = 4.0F;
    s.TimeGun = 20;
    RestoreCalibrationBackup(s, backup);
    EXPECT_FLOAT_EQ(s.CentX[2], 7.0F);
    EXPECT_FLOAT_EQ(s.ScaleD[4], 1.0F);
    EXPECT_FLOAT_EQ(s.ScaleR[6], 4.0F); // spare lanes and the times are not part of it
    EXPECT_EQ(s.TimeGun, 20);
}

TEST(ZeroingEdges, LibraryTargetsReadTheirZeroingString) {
    test::TempDir dir;
    dir.Write(QStringLiteral("Targets/strings.txt"), "1\t5\n201\t0.6 0.75 0 0\n202\t0.5\n"
                                                     "203\t-0.5 1.5 0 0\n204\tabc 0.5\n");
    ProgramState state;
    EXPECT_EQ(TargetZeroingEdges(state, 3).x, 1.0F); // no library
    state.StartDir = dir.Path();
    LoadTargetLibrary(state);
    ASSERT_TRUE(state.TargetLibrary.has_value());

    const ZeroingEdges first = TargetZeroingEdges(state, 3);
    EXPECT_FLOAT_EQ(first.x, 0.6F);
    EXPECT_FLOAT_EQ(first.y, 0.75F);
    const ZeroingEdges shortText = TargetZeroingEdges(state, 4);
    EXPECT_FLOAT_EQ(shortText.x, 0.5F);
    EXPECT_FLOAT_EQ(shortText.y, 1.0F);
    const ZeroingEdges outOfRange = TargetZeroingEdges(state, 5);
    EXPECT_FLOAT_EQ(outOfRange.x, 1.0F);
    EXPECT_FLOAT_EQ(outOfRange.y, 1.0F);
    const ZeroingEdges text = TargetZeroingEdges(state, 6);
    EXPECT_FLOAT_EQ(text.x, 1.0F);
    EXPECT_FLOAT_EQ(text.y, 1.0F); // the read stops at the text, as "%f%f" does
    EXPECT_FLOAT_EQ(TargetZeroingEdges(state, 7).x, 1.0F); // no string at all
    for (std::int32_t builtIn : {-1, 1, 2}) {
        EXPECT_FLOAT_EQ(TargetZeroingEdges(state, builtIn).x, 1.0F);
    }
}
