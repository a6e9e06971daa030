#include "calibration/Calibration.h"

#include "core/ProgramState.h"
#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ryvo;

namespace {

Settings Defaults() {
    Settings s;
    ApplyBuiltInDefaults(s);
    return s;
}

QString DatPath(const test::TempDir& dir) {
    return dir.File(QString::fromLatin1(kCalibrationFileName));
}

} // namespace

TEST(ToTarget, CentreAndScalesPerHalfAxis) {
    Settings s = Defaults();
    const TargetPoint p = ToTarget(s, 0, 0.25F, -0.5F);
    EXPECT_FLOAT_EQ(p.x, 25.0F);
    EXPECT_FLOAT_EQ(p.y, -50.0F);
    EXPECT_EQ(ToPixels(p.x, 526), 328); // 2.63 * 25 + 263 = 328.75
    EXPECT_EQ(ToPixels(p.y, 526), 131); // 2.63 * -50 + 263 = 131.5

    // Binary fractions throughout, so u and v come out exactly 0 where intended.
    s.CentX[3] = 12.5F;
    s.CentY[3] = -25.0F;
    s.ScaleL[3] = 2.0F;
    s.ScaleR[3] = 3.0F;
    s.ScaleU[3] = 4.0F;
    s.ScaleD[3] = 5.0F;
    // u = 0 and v = 0 take the right and lower scales (visible through the sign of zero).
    TargetPoint zero = ToTarget(s, 3, -0.125F, 0.25F);
    EXPECT_EQ(zero.x, 0.0F);
    EXPECT_EQ(zero.y, 0.0F);
    s.ScaleR[3] = -1.0F;
    s.ScaleD[3] = -1.0F;
    zero = ToTarget(s, 3, -0.125F, 0.25F);
    EXPECT_TRUE(std::signbit(zero.x));
    EXPECT_TRUE(std::signbit(zero.y));
    s.ScaleR[3] = 3.0F;
    s.ScaleD[3] = 5.0F;

    const TargetPoint right = ToTarget(s, 3, 0.125F, 0.5F); // u = 25, v = 25
    const TargetPoint left = ToTarget(s, 3, -0.375F, 0.0F); // u = -25, v = -25
    EXPECT_EQ(right.x, 75.0F);
    EXPECT_EQ(right.y, 125.0F);
    EXPECT_EQ(left.x, -50.0F);
    EXPECT_EQ(left.y, -100.0F);
    // Lane 0 is untouched by lane 3's values.
    EXPECT_EQ(ToTarget(s, 0, 0.125F, 0.5F).x, 12.5F);
}

TEST(ToPixels, TruncatesAndStaysFiniteOffThePicture) {
    EXPECT_EQ(ToPixels(-100.0F, 200), 0);
    EXPECT_EQ(ToPixels(0.0F, 200), 100);
    EXPECT_EQ(ToPixels(99.9F, 200), 199);
    EXPECT_EQ(ToPixels(-100.5F, 200), 0); // -0.5 truncates toward zero
    EXPECT_EQ(ToPixels(-101.0F, 200), -1);
    EXPECT_EQ(ToPixels(0.0F, 505), 252); // 252.5
    EXPECT_EQ(ToPixels(1.0e30F, 505), 1000000);
    EXPECT_EQ(ToPixels(-std::numeric_limits<float>::infinity(), 505), -1000000);
    EXPECT_EQ(ToPixels(std::numeric_limits<float>::quiet_NaN(), 505), -1000000);
}

TEST(CalibrationFile, WrittenBytesFollowTheLayout) {
    test::TempDir dir;
    Settings s = Defaults();
    s.CentX[0] = -12.5F;
    s.CentY[0] = 3.25F;
    s.ScaleR[4] = 1.25F;
    s.TimeGun = 7;
    s.TimeShoot = 50;
    s.TimePost = 300;
    s.TimeTrace = 2000;
    ASSERT_TRUE(WriteCalibration(s, DatPath(dir)));

    QByteArray expected = "-12.500000 3.250000\r\n"
                          "1.000000 1.000000\r\n"
                          "1.000000 1.000000\r\n";
    for (int lane = 1; lane < 4; ++lane) {
        expected += "0.000000 0.000000\r\n"
                    "1.000000 1.000000\r\n"
                    "1.000000 1.000000\r\n";
    }
    expected += "0.000000 0.000000\r\n"
                "1.000000 1.250000\r\n"
                "1.000000 1.000000\r\n"
                "7 50 300 2000";
    EXPECT_EQ(dir.Read(QString::fromLatin1(kCalibrationFileName)), expected);
}

TEST(CalibrationFile, RoundTripToSixDecimals) {
    test::TempDir dir;
    Settings written = Defaults();
    for (int lane = 0; lane < kLaneCount; ++lane) {
        written.CentX[lane] = -3.141593F * static_cast<float>(lane + 1);
        written.CentY[lane] = 0.000001F * static_cast<float>(lane);
        written.ScaleL[lane] = 1.5F + static_cast<float>(lane);
        written.ScaleR[lane] = 0.123456F;
        written.ScaleU[lane] = 2.5F;
        written.ScaleD[lane] = 1234.567871F;
    }
    written.TimeGun = 20;
    written.TimeShoot = 30;
    written.TimePost = 40;
    written.TimeTrace = 32767;
    ASSERT_TRUE(WriteCalibration(written, DatPath(dir)));

    Settings read = Defaults();
    ASSERT_TRUE(ReadCalibration(read, DatPath(dir), false));
    for (int lane = 0; lane < kLaneCount; ++lane) {
        EXPECT_NEAR(read.CentX[lane], written.CentX[lane], 1e-6) << lane;
        EXPECT_NEAR(read.CentY[lane], written.CentY[lane], 1e-6) << lane;
        EXPECT_NEAR(read.ScaleL[lane], written.ScaleL[lane], 1e-6) << lane;
        EXPECT_NEAR(read.ScaleR[lane], written.ScaleR[lane], 1e-6) << lane;
        EXPECT_NEAR(read.ScaleU[lane], written.ScaleU[lane], 1e-6) << lane;
        EXPECT_NEAR(read.ScaleD[lane], written.ScaleD[lane], 1e-4) << lane; // float's limit
    }
    EXPECT_EQ(read.TimeGun, 20);
    EXPECT_EQ(read.TimeShoot, 30);
    EXPECT_EQ(read.TimePost, 40);
    EXPECT_EQ(read.TimeTrace, 32767);
    // Not a start-up read: the spare lanes are left alone.
    EXPECT_EQ(read.ScaleL[5], 0.0F);
}

TEST(CalibrationFile, StartupReadSetsSpareLanes) {
    test::TempDir dir;
    ASSERT_TRUE(WriteCalibration(Defaults(), DatPath(dir)));
    Settings s = Defaults();
    s.CentX[6] = 9.0F;
    ASSERT_TRUE(ReadCalibration(s, DatPath(dir), true));
    for (int lane = 5; lane < kLaneSlots; ++lane) {
        EXPECT_EQ(s.CentX[lane], 0.0F);
        EXPECT_EQ(s.CentY[lane], 0.0F);
        EXPECT_EQ(s.ScaleL[lane], 4.0F);
        EXPECT_EQ(s.ScaleR[lane], 4.0F);
        EXPECT_EQ(s.ScaleU[lane], 4.0F);
        EXPECT_EQ(s.ScaleD[lane], 4.0F);
    }
}

TEST(CalibrationFile, MissingShortAndFreeFormFiles) {
    test::TempDir dir;
    Settings s = Defaults();
    s.ScaleL[5] = 7.0F;
    const Settings before = s;
    EXPECT_FALSE(ReadCalibration(s, DatPath(dir), true));
    EXPECT_EQ(s, before); // the spare lanes too: only a successful read sets them

    // 14 pairs: lane 4's ScaleU/ScaleD and the four times stay as they were.
    QByteArray fourteen;
    for (int i = 0; i < 14; ++i) {
        fourteen += QByteArray::number(i) + ".5 " + QByteArray::number(i) + ".25\r\n";
    }
    dir.Write(QString::fromLatin1(kCalibrationFileName), fourteen);
    s.ScaleU[4] = 8.0F;
    s.ScaleD[4] = 9.0F;
    ASSERT_TRUE(ReadCalibration(s, DatPath(dir), false));
    EXPECT_EQ(s.CentX[0], 0.5F);
    EXPECT_EQ(s.ScaleR[4], 13.25F);
    EXPECT_EQ(s.ScaleU[4], 8.0F);
    EXPECT_EQ(s.ScaleD[4], 9.0F);
    EXPECT_EQ(s.TimeGun, 50);
    EXPECT_EQ(s.TimeShoot, 50);
    EXPECT_EQ(s.TimePost, 100);
    EXPECT_EQ(s.TimeTrace, 1000);

    // Any white space separates the numbers; "%i" reads hexadecimal and octal; text stops
    // the read where it stands.
    QByteArray loose = "1 2 3\n4\t5 6";
    for (int i = 6; i < 30; ++i) {
        loose += " 1";
    }
    loose += "\n0x10 010 x 5";
    dir.Write(QString::fromLatin1(kCalibrationFileName), loose);
    Settings t = Defaults();
    ASSERT_TRUE(ReadCalibration(t, DatPath(dir), false));
    EXPECT_EQ(t.CentY[0], 2.0F);
    EXPECT_EQ(t.ScaleD[0], 6.0F);
    EXPECT_EQ(t.ScaleD[4], 1.0F);
    EXPECT_EQ(t.TimeGun, 16);
    EXPECT_EQ(t.TimeShoot, 8);
    EXPECT_EQ(t.TimePost, 100);
    EXPECT_EQ(t.TimeTrace, 1000);
}

TEST(CalibrationFile, TimesOutsideTheWindowRangesAreBroughtIn) {
    test::TempDir dir;
    Settings s = Defaults();
    QByteArray pairs;
    for (int i = 0; i < 15; ++i) {
        pairs += "0 1\r\n";
    }
    dir.Write(QString::fromLatin1(kCalibrationFileName), pairs + "0 50 -5 1000");
    ASSERT_TRUE(ReadCalibration(s, DatPath(dir), false));
    EXPECT_EQ(s.TimeGun, 1);
    EXPECT_EQ(s.TimePost, 0);

    dir.Write(QString::fromLatin1(kCalibrationFileName), pairs + "-7 0 999999 0");
    ASSERT_TRUE(ReadCalibration(s, DatPath(dir), false));
    EXPECT_EQ(s.TimeGun, 1);
    EXPECT_EQ(s.TimeShoot, 0);
    EXPECT_EQ(s.TimePost, 10000);
    EXPECT_EQ(s.TimeTrace, 0);

    dir.Write(QString::fromLatin1(kCalibrationFileName), pairs + "250 50 100 1000");
    ASSERT_TRUE(ReadCalibration(s, DatPath(dir), false));
    EXPECT_EQ(s.TimeGun, 100);
}

TEST(CalibrationFile, FailedWriteKeepsTheOldFile) {
    test::TempDir dir;
    ASSERT_TRUE(WriteCalibration(Defaults(), DatPath(dir)));
    const QByteArray before = dir.Read(QString::fromLatin1(kCalibrationFileName));
    Settings changed = Defaults();
    changed.CentX[0] = 5.0F;
    EXPECT_FALSE(WriteCalibration(changed, dir.File(QStringLiteral("no/such/dir/ryvw.dat"))));
    EXPECT_EQ(dir.Read(QString::fromLatin1(kCalibrationFileName)), before);
}
