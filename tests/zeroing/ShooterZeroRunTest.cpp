#include "ZeroingHarness.h"

#include "calibration/Calibration.h"
#include "calibration/ShooterZero.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace ryvo;
using test::ZeroingHarness;

namespace {

constexpr int kPerUnit = 40; // device units per target unit at level 4000
const QString kIvanov = QStringLiteral("Иванов");

// One centre measurement on the lane the view names, one shot at (x, y) target units.
void MeasureCentre(ZeroingHarness& h, int lane, int x, int y) {
    h.run.ButCentClick();
    h.Tick(2);
    h.Aim(lane, x * kPerUnit, y * kPerUnit);
    h.Shoot(lane);
    ASSERT_EQ(h.run.CountedShots(), 1);
    h.keyboard.Set(Key::Return, true);
    h.Tick();
    h.keyboard.Set(Key::Return, false);
    h.RunToIdle();
}

QByteArray DatBytes(const test::TempDir& dir) {
    return dir.Read(QString::fromLatin1(kCalibrationFileName));
}

} // namespace

TEST(ZeroingShooterZero, ShootersCorrectionStaysOutOfRyvwDatUntilTheLaneItselfIsZeroed) {
    test::TempDir dir;
    ZeroingHarness h(dir.Path());
    ASSERT_TRUE(
        WriteCalibration(h.state.settings, dir.File(QString::fromLatin1(kCalibrationFileName))));
    const QByteArray original = DatBytes(dir);
    const LaneCalibration own = LaneCalibrationOf(h.state.settings, 0);
    h.state.LaneShooter[0] = kIvanov;
    h.run.FormActivate();
    EXPECT_EQ(h.view.shooterName, kIvanov); // preset from the lane's shooter
    EXPECT_EQ(h.view.shooterNote, QString());

    MeasureCentre(h, 0, 25, -10);
    EXPECT_NEAR(h.state.settings.CentX[0], own.CentX - 25.0F, 0.05F);
    EXPECT_NEAR(h.state.settings.CentY[0], own.CentY + 10.0F, 0.05F);
    EXPECT_TRUE(h.view.info.contains(QStringLiteral("Сохранить для стрелка")))
        << h.view.info.toStdString();
    EXPECT_EQ(DatBytes(dir), original);
    EXPECT_EQ(OwnLaneCalibration(h.state, 0), own);

    h.run.SaveForShooterClick();
    const ShooterZero saved = ReadShooterZero(h.state, kIvanov, 3);
    ASSERT_EQ(saved.status, ShooterZeroStatus::Valid);
    EXPECT_EQ(saved.calibration, LaneCalibrationOf(h.state.settings, 0));
    EXPECT_EQ(h.view.shooterNote, QStringLiteral("(своя пристрелка)"));
    const LaneCalibration ivanovs = saved.calibration;

    // "Сохранить и выйти" keeps the lanes' own values in ryvw.dat; Ivanov's zero stays on.
    h.run.ExitSaveClick();
    EXPECT_EQ(DatBytes(dir), original);
    EXPECT_EQ(LaneCalibrationOf(h.state.settings, 0), ivanovs);
    h.state.LaneShooter[0].clear();
    ApplyShooterZeros(h.state);
    EXPECT_EQ(LaneCalibrationOf(h.state.settings, 0), own);

    // With nobody named the lane itself is zeroed, and ryvw.dat takes it as always.
    h.state.LaneShooter[0] = kIvanov;
    h.run.FormActivate();
    EXPECT_EQ(LaneCalibrationOf(h.state.settings, 0), ivanovs);
    h.view.shooterName.clear();
    MeasureCentre(h, 0, -5, 5);
    Settings file;
    ApplyBuiltInDefaults(file);
    ASSERT_TRUE(ReadCalibration(file, dir.File(QString::fromLatin1(kCalibrationFileName)), false));
    EXPECT_NEAR(file.CentX[0], own.CentX + 5.0F, 0.05F);
    EXPECT_NEAR(file.CentY[0], own.CentY - 5.0F, 0.05F);
    EXPECT_EQ(ReadShooterZero(h.state, kIvanov, 0).calibration, ivanovs);
    // Leaving without saving brings the zero of the shooter who stands there back.
    h.run.Exit1Click();
    EXPECT_EQ(LaneCalibrationOf(h.state.settings, 0), ivanovs);
    EXPECT_EQ(h.state.LaneOwnCalibration[0], own);
}

TEST(ZeroingShooterZero, DamagedFileIsReportedAndTheLaneOwnZeroIsMeasured) {
    test::TempDir dir;
    ZeroingHarness h(dir.Path());
    ASSERT_TRUE(
        WriteCalibration(h.state.settings, dir.File(QString::fromLatin1(kCalibrationFileName))));
    const QByteArray original = DatBytes(dir);
    const LaneCalibration own = LaneCalibrationOf(h.state.settings, 1);
    dir.Write(QStringLiteral("Пристрелка/Петров.dat"), "1 2 3\r\n");
    h.state.LaneShooter[1] = QStringLiteral("Петров");
    h.view.laneNumber = QStringLiteral("2");
    h.run.FormActivate();
    EXPECT_EQ(h.view.shooterName, QStringLiteral("Петров"));
    EXPECT_TRUE(h.view.shooterNote.contains(QStringLiteral("повреждён")))
        << h.view.shooterNote.toStdString();
    EXPECT_EQ(LaneCalibrationOf(h.state.settings, 1), own);

    // A measurement for him starts from the lane's own values, and a save repairs his file.
    MeasureCentre(h, 1, 10, 0);
    EXPECT_NEAR(h.state.settings.CentX[1], own.CentX - 10.0F, 0.05F);
    EXPECT_EQ(DatBytes(dir), original);
    h.run.SaveForShooterClick();
    EXPECT_EQ(ReadShooterZero(h.state, QStringLiteral("Петров"), 1).status,
              ShooterZeroStatus::Valid);
    EXPECT_EQ(h.view.shooterNote, QStringLiteral("(своя пристрелка)"));

    // No name: nothing is written, the user is told.
    h.view.shooterName = QStringLiteral("  ");
    h.run.SaveForShooterClick();
    EXPECT_EQ(h.dialogs.messages.size(), 1u);
}
