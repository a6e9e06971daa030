#include "calibration/ShooterZero.h"

#include "calibration/Calibration.h"
#include "support/TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace ryvo;

namespace {

const QString kIvanov = QStringLiteral("Иванов И.И.");
const QString kPetrov = QStringLiteral("Петров");

LaneCalibration Own(int lane) {
    const auto f = static_cast<float>(lane);
    return {-10.0F - f, 5.0F + f, 1.5F, 2.0F, 2.5F, 3.0F};
}

const LaneCalibration kIvanovZero{20.0F, -8.0F, 1.25F, 1.75F, 0.5F, 4.0F};
const LaneCalibration kPetrovZero{-4.0F, 12.0F, 3.0F, 0.75F, 1.0F, 1.0F};

// A start directory with ryvw.dat written from the lanes' own values, read as at start-up.
struct Range {
    test::TempDir dir;
    ProgramState state;
    QByteArray datBytes;

    Range() {
        state.StartDir = dir.Path();
        ApplyBuiltInDefaults(state.settings);
        for (int lane = 0; lane < kLaneCount; ++lane) {
            SetLaneCalibration(state.settings, lane, Own(lane));
        }
        EXPECT_TRUE(WriteCalibration(state.settings, DatPath()));
        datBytes = dir.Read(QString::fromLatin1(kCalibrationFileName));
        ApplyBuiltInDefaults(state.settings);
        EXPECT_TRUE(ReadCalibration(state.settings, DatPath(), true));
        ApplyShooterZeros(state);
    }
    [[nodiscard]] QString DatPath() const {
        return dir.File(QString::fromLatin1(kCalibrationFileName));
    }
    [[nodiscard]] LaneCalibration Effective(int lane) const {
        return LaneCalibrationOf(state.settings, lane);
    }
    void Stand(int lane, const QString& shooter) {
        state.LaneShooter[static_cast<size_t>(lane)] = shooter;
        ApplyShooterZeros(state);
    }
    // What the settings window or the zeroing window would write to ryvw.dat now.
    [[nodiscard]] QByteArray OwnFileBytes() const {
        const QString path = dir.File(QStringLiteral("own.dat"));
        EXPECT_TRUE(WriteCalibration(OwnCalibrationSettings(state), path));
        return dir.Read(QStringLiteral("own.dat"));
    }
};

} // namespace

TEST(ShooterZero, FileNameIsSafeOnEverySystem) {
    EXPECT_EQ(ShooterZeroFileName(QStringLiteral("  Иванов И.И. ")),
              QStringLiteral("Иванов И.И.dat"));
    EXPECT_EQ(ShooterZeroFileName(QStringLiteral("a/b\\c:d*e?f\"g<h>i|j\tk")),
              QStringLiteral("a_b_c_d_e_f_g_h_i_j_k.dat"));
    EXPECT_EQ(ShooterZeroFileName(QStringLiteral("..")), QStringLiteral("_.dat"));
    EXPECT_EQ(ShooterZeroFileName(QStringLiteral("../../ryvw")), QStringLiteral(".._.._ryvw.dat"));
    EXPECT_EQ(ShooterZeroFileName(QStringLiteral("Сидоров. .")), QStringLiteral("Сидоров.dat"));
    EXPECT_EQ(ShooterZeroFileName(QStringLiteral("con")), QStringLiteral("con_.dat"));
    EXPECT_EQ(ShooterZeroFileName(QStringLiteral("LPT9.x")), QStringLiteral("LPT9_.x.dat"));
    EXPECT_EQ(ShooterZeroFileName(QStringLiteral("COM10")), QStringLiteral("COM10.dat"));
    EXPECT_EQ(ShooterZeroFileName(QString(150, u'я')), QString(100, u'я') + ".dat");
    EXPECT_TRUE(ShooterZeroFileName(QStringLiteral(" \t ")).isEmpty());
    EXPECT_TRUE(ShooterZeroPath(ProgramState{}, QString()).isEmpty());

    ProgramState state;
    state.StartDir = QStringLiteral("/range");
    EXPECT_EQ(ShooterZeroPath(state, QStringLiteral("a/../b")),
              QStringLiteral("/range/Пристрелка/a_.._b.dat"));
}

TEST(ShooterZero, AppliesWhileTheShooterStandsAndTheLaneOwnComesBack) {
    Range r;
    ASSERT_TRUE(WriteShooterZero(r.state, kIvanov, kIvanovZero));
    ASSERT_TRUE(r.dir.Exists(QStringLiteral("Пристрелка/Иванов И.И.dat")));
    // Written for every lane: the zero belongs to the weapon.
    EXPECT_EQ(ReadShooterZero(r.state, kIvanov, 4).calibration, kIvanovZero);
    EXPECT_EQ(r.Effective(2), Own(2)); // writing alone applies nothing

    r.Stand(2, kIvanov);
    EXPECT_EQ(r.Effective(2), kIvanovZero);
    EXPECT_TRUE(ShooterZeroApplies(r.state, 2));
    EXPECT_EQ(LaneShooterCaption(r.state, 2), kIvanov + QStringLiteral(" (своя пристрелка)"));
    // The conversion to target units uses it: u = 50 + 20 = 70, v = -50 - 8 = -58.
    const TargetPoint p = ToTarget(r.state.settings, 2, 0.5F, -0.5F);
    EXPECT_FLOAT_EQ(p.x, 70.0F * 1.75F);
    EXPECT_FLOAT_EQ(p.y, -58.0F * 0.5F);
    for (int lane : {0, 1, 3, 4}) {
        EXPECT_EQ(r.Effective(lane), Own(lane)) << lane;
    }
    // Idempotent, and what goes to ryvw.dat stays the lanes' own, byte for byte.
    const Settings once = r.state.settings;
    ApplyShooterZeros(r.state);
    EXPECT_EQ(r.state.settings, once);
    EXPECT_EQ(r.OwnFileBytes(), r.datBytes);
    EXPECT_EQ(r.dir.Read(QString::fromLatin1(kCalibrationFileName)), r.datBytes);

    // A lane's own value changed meanwhile (settings window) waits for the shooter to leave.
    LaneCalibration changed = Own(2);
    changed.CentX = 33.0F;
    SetOwnLaneCalibration(r.state, 2, changed);
    EXPECT_EQ(r.Effective(2), kIvanovZero);
    r.Stand(2, QString());
    EXPECT_EQ(r.Effective(2), changed);
    EXPECT_FALSE(ShooterZeroApplies(r.state, 2));
    EXPECT_EQ(LaneShooterCaption(r.state, 2), QString());
    SetOwnLaneCalibration(r.state, 2, Own(2));
    EXPECT_EQ(r.OwnFileBytes(), r.datBytes);
}

TEST(ShooterZero, TwoShootersOnTwoLanesAndMovingBetweenLanes) {
    Range r;
    ASSERT_TRUE(WriteShooterZero(r.state, kIvanov, kIvanovZero));
    ASSERT_TRUE(WriteShooterZero(r.state, kPetrov, kPetrovZero));
    r.state.LaneShooter[0] = kIvanov;
    r.state.LaneShooter[3] = QStringLiteral("  ") + kPetrov; // typed with blanks
    r.state.LaneShooter[4] = QStringLiteral("Сидоров");      // has no file
    ApplyShooterZeros(r.state);
    EXPECT_EQ(r.Effective(0), kIvanovZero);
    EXPECT_EQ(r.Effective(3), kPetrovZero);
    EXPECT_EQ(r.Effective(4), Own(4));
    EXPECT_EQ(LaneShooterCaption(r.state, 4), QStringLiteral("Сидоров"));

    // The two change places: each zero follows its shooter, no lane's own value is lost.
    r.state.LaneShooter[0] = kPetrov;
    r.state.LaneShooter[3] = kIvanov;
    ApplyShooterZeros(r.state);
    EXPECT_EQ(r.Effective(0), kPetrovZero);
    EXPECT_EQ(r.Effective(3), kIvanovZero);
    EXPECT_EQ(r.OwnFileBytes(), r.datBytes);

    r.state.LaneShooter.fill(QString());
    ApplyShooterZeros(r.state);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        EXPECT_EQ(r.Effective(lane), Own(lane)) << lane;
        EXPECT_TRUE(r.state.LaneZeroShooter[static_cast<size_t>(lane)].isEmpty()) << lane;
    }
    EXPECT_EQ(r.dir.Read(QString::fromLatin1(kCalibrationFileName)), r.datBytes);
}

TEST(ShooterZero, DamagedOrMissingFileLeavesTheLaneOwn) {
    Range r;
    ASSERT_TRUE(WriteShooterZero(r.state, kIvanov, kIvanovZero));
    r.Stand(1, kIvanov);
    ASSERT_EQ(r.Effective(1), kIvanovZero);

    // Fourteen pairs only: the file turns damaged while he stands there.
    const QString file = QStringLiteral("Пристрелка/Иванов И.И.dat");
    QByteArray bytes = r.dir.Read(file);
    qsizetype end = -1;
    for (int line = 0; line < 14; ++line) {
        end = bytes.indexOf("\r\n", end + 1);
    }
    bytes.truncate(end);
    r.dir.Write(file, bytes);
    EXPECT_EQ(ReadShooterZero(r.state, kIvanov, 1).status, ShooterZeroStatus::Damaged);
    ApplyShooterZeros(r.state);
    EXPECT_EQ(r.Effective(1), Own(1));
    EXPECT_EQ(LaneShooterCaption(r.state, 1), kIvanov);

    r.dir.Write(file, "not a calibration\r\n");
    r.Stand(2, kIvanov);
    EXPECT_EQ(r.Effective(2), Own(2));
    EXPECT_EQ(ReadShooterZero(r.state, QStringLiteral("Никто"), 2).status,
              ShooterZeroStatus::NoFile);
    // A folder in place of the file reads as no file.
    ASSERT_TRUE(QDir(r.dir.Path()).mkpath(QStringLiteral("Пристрелка/Никто.dat")));
    r.Stand(3, QStringLiteral("Никто"));
    EXPECT_EQ(r.Effective(3), Own(3));
    EXPECT_FALSE(WriteShooterZero(r.state, QStringLiteral("Никто"), kIvanovZero));
    EXPECT_EQ(r.dir.Read(QString::fromLatin1(kCalibrationFileName)), r.datBytes);
    EXPECT_EQ(r.OwnFileBytes(), r.datBytes);
}
