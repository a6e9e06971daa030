#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace ryvo;

namespace {

ProgramState StateIn(const test::TempDir& dir) {
    ProgramState state;
    state.StartDir = dir.Path();
    return state;
}

} // namespace

TEST(GlobalInitialisation, FirstStartWithoutAnyFile) {
    test::TempDir dir;
    ProgramState state = StateIn(dir);
    state.LoadedGroup = 4;
    state.SaveDialogMode = 1;
    GlobalInitialisation(state);
    const Settings& s = state.settings;
    EXPECT_EQ(s.Time, 3u);
    EXPECT_EQ(s.ShootsNumber, 3u);
    for (int lane = 0; lane < kLaneSlots; ++lane) {
        EXPECT_EQ(s.Target[static_cast<size_t>(lane)], -1);
    }
    for (int lane = 0; lane < kLaneCount; ++lane) {
        EXPECT_EQ(s.CentX[static_cast<size_t>(lane)], 0.0F);
        EXPECT_EQ(s.ScaleD[static_cast<size_t>(lane)], 1.0F);
    }
    EXPECT_EQ(s.Shooter, 0u);
    EXPECT_EQ(s.EnableTrace + s.FlagGunEnable + s.FlagPostGunEnable + s.RepeatEnabled, 0u);
    EXPECT_EQ(s.TimeGun, 50);
    EXPECT_EQ(s.TimeShoot, 50);
    EXPECT_EQ(s.TimePost, 100);
    EXPECT_EQ(s.TimeTrace, 1000);
    EXPECT_EQ(state.TraceLength, 1000);
    EXPECT_EQ(state.LoadedGroup, -1);
    EXPECT_EQ(state.SaveDialogMode, 0);
    EXPECT_TRUE(state.Remarks.empty());
    EXPECT_FALSE(state.ShotSound.has_value());
    // Port-card mode: lanes 0 and 1 whatever Target says.
    EXPECT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 0}));
    EXPECT_FLOAT_EQ(state.SignalLevel, 2500.0F);
    EXPECT_FLOAT_EQ(state.SignalLowFactor, 0.2F);
    EXPECT_FLOAT_EQ(state.SignalHighFactor, 0.8F);
    EXPECT_FLOAT_EQ(state.SignalMarkFactor, 0.8F);
}

TEST(GlobalInitialisation, SerialModeLanesFollowTargets) {
    test::TempDir dir;
    dir.Write(QStringLiteral("ryvw.cfg"),
              test::Cp1251Lines("IO_Serial = 1\nTarget =  1 1 -1 -1 -1\n"));
    dir.Write(QStringLiteral("ryvw.cmt"), test::Cp1251Lines("Молодец\n"));
    ProgramState state = StateIn(dir);
    GlobalInitialisation(state);
    EXPECT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 0, 0, 0}));
    EXPECT_FLOAT_EQ(state.SignalLevel, 8000.0F);
    EXPECT_FLOAT_EQ(state.SignalLowFactor, 0.15F);
    ASSERT_EQ(state.Remarks.size(), 1u);

    dir.Write(QStringLiteral("ryvw.cfg"),
              test::Cp1251Lines("IO_Serial = 1\nTarget =  -1 2 -1 5 3\n"));
    GlobalInitialisation(state);
    EXPECT_EQ(state.LanePresent, (std::array<std::int32_t, 5>{0, 1, 0, 1, 1}));
}

TEST(GlobalInitialisation, SoundsComeFromThePackByIndex) {
    test::TempDir dir;
    dir.Write(QStringLiteral("Sounds/strings.txt"), "2001\t2\n");
    dir.Write(QStringLiteral("Sounds/2151.wav"), "start0");
    dir.Write(QStringLiteral("Sounds/2252.wav"), "shot1");
    dir.Write(QStringLiteral("ryvw.cfg"), test::Cp1251Lines("Sound2 = 1\nSound3 = 4\n"));
    ProgramState state = StateIn(dir);
    LoadSoundLibrary(state);
    GlobalInitialisation(state);
    EXPECT_EQ(state.StartSound, QByteArray("start0"));
    EXPECT_EQ(state.ShotSound, QByteArray("shot1"));
    EXPECT_FALSE(state.EndSound.has_value()); // index without a resource: absent
}

TEST(GlobalInitialisation, TargetPackCount) {
    test::TempDir dir;
    ProgramState state = StateIn(dir);
    LoadTargetLibrary(state);
    EXPECT_FALSE(state.TargetLibrary.has_value());
    EXPECT_EQ(state.OtherTargetCount, 0);
    dir.Write(QStringLiteral("Targets/strings.txt"), "1\t3\n");
    LoadTargetLibrary(state);
    EXPECT_EQ(state.OtherTargetCount, 3);
}

TEST(TraceLength, Rule) {
    Settings s;
    s.TimeGun = 0;
    s.TimeTrace = 500;
    EXPECT_EQ(ComputeTraceLength(s), 1);
    s.TimeGun = 5;
    s.TimeTrace = 20000;
    EXPECT_EQ(ComputeTraceLength(s), 9999);
    s.TimeTrace = 10000;
    EXPECT_EQ(ComputeTraceLength(s), 9999);
    s.TimeTrace = 9999;
    EXPECT_EQ(ComputeTraceLength(s), 9999);
    s.TimeTrace = 20;
    EXPECT_EQ(ComputeTraceLength(s), 20);
}
