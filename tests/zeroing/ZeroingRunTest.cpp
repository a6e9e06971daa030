#include "ZeroingHarness.h"

#include "calibration/Calibration.h"
#include "core/Conversions.h"
#include "support/TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace ryvo;
using test::ZeroingHarness;
using Phase = ZeroingRun::Phase;

namespace {

const QString kInstruction =
    QStringLiteral("Произведите выстрелы в район отмеченой точки мишени\nВвод <Enter> Отмена<ESC>");

// Device units at level 4000: 40 per target unit with the default calibration.
constexpr int kPerUnit = 40;

Settings ReadBack(const test::TempDir& dir) {
    Settings s;
    ApplyBuiltInDefaults(s);
    EXPECT_TRUE(ReadCalibration(s, dir.File(QString::fromLatin1(kCalibrationFileName)), false));
    return s;
}

int Count(const std::vector<std::uint8_t>& bytes, std::uint8_t value) {
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), value));
}

} // namespace

TEST(ZeroingRun, CentreMeasurementCountsOnlyShotsInTheLevelWindow) {
    test::TempDir dir;
    ZeroingHarness h(dir.Path());
    auto& view = h.view;
    h.run.FormActivate();

    h.keyboard.Set(Key::Return, true); // still held from the click
    h.run.ButCentClick();
    EXPECT_EQ(view.info, kInstruction);
    ASSERT_TRUE(view.pointer.has_value());
    EXPECT_EQ(*view.pointer, QPoint(237, 237));
    for (ZeroingControl c :
         {ZeroingControl::ButCent, ZeroingControl::ButLeft, ZeroingControl::ButRight,
          ZeroingControl::ButUp, ZeroingControl::ButDown, ZeroingControl::ExitSave,
          ZeroingControl::Exit1, ZeroingControl::ButLoad, ZeroingControl::Button2}) {
        EXPECT_FALSE(view.IsControlEnabled(c)) << static_cast<int>(c);
    }
    h.Tick(5);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::StartKeyRelease);
    EXPECT_FALSE(view.IsControlEnabled(ZeroingControl::ButShoot));
    h.keyboard.Set(Key::Return, false);
    h.Tick();
    EXPECT_EQ(h.run.CurrentPhase(), Phase::Collecting);
    EXPECT_TRUE(view.IsControlEnabled(ZeroingControl::ButShoot));
    // Lane select byte, then five flushing polls of lane 0.
    const std::vector<std::uint8_t> start = h.model.Log().Bytes();
    ASSERT_GE(start.size(), 6u);
    EXPECT_EQ(start[0], 0x00);
    EXPECT_EQ(Count(start, 0x70), 5);

    // Too weak and too strong: acknowledged and sounded, not counted.
    h.Aim(0, 25 * kPerUnit, -10 * kPerUnit);
    h.model.Lane(0).level = 500;
    h.Tick(3);
    h.Shoot(0);
    EXPECT_EQ(view.texts[ViewText::SigText], QStringLiteral("Сигнал слишком слабый"));
    h.model.Lane(0).level = 7000;
    h.Aim(0, 25 * 7000 / 100, -10 * 7000 / 100);
    h.Shoot(0);
    EXPECT_EQ(view.texts[ViewText::SigText], QStringLiteral("Сигнал слишком большой"));
    EXPECT_EQ(h.run.CountedShots(), 0);
    EXPECT_FALSE(h.model.Lane(0).triggers.Pending(0));
    EXPECT_EQ(h.sound.calls.size(), 2u);
    // Return before a counted shot keeps collecting.
    h.Press(Key::Return);
    h.Press(Key::Space);
    h.Tick();
    EXPECT_EQ(h.run.CurrentPhase(), Phase::Collecting);

    h.model.Lane(0).level = 4000;
    h.Aim(0, 25 * kPerUnit, -10 * kPerUnit);
    h.Shoot(0);
    EXPECT_EQ(view.texts[ViewText::SigText], QStringLiteral("Уровень=4000"));
    h.Aim(0, 35 * kPerUnit, -10 * kPerUnit);
    h.Shoot(0);
    ASSERT_EQ(h.run.CountedShots(), 2);
    EXPECT_EQ(h.sound.calls.size(), 4u);
    EXPECT_NEAR(h.state.run.ShotPos[0][0].x, 25.0F, 0.01F);
    EXPECT_NEAR(h.state.run.ShotPos[0][1].x, 35.0F, 0.01F);
    EXPECT_NEAR(h.state.run.ShotPos[0][1].y, -10.0F, 0.01F);
    // The earlier shot has turned black, the newest is red (outline pixels on the left).
    const int y = ToPixels(-10.0F, 505);
    EXPECT_EQ(view.target.Pixel(ToPixels(25.0F - kShotMarkRadius, 505), y), kBlack);
    EXPECT_EQ(view.target.Pixel(ToPixels(35.0F - kShotMarkRadius, 505), y), kRed);
    EXPECT_TRUE(view.visible[ViewItem::Gun2]);

    h.keyboard.Set(Key::Return, true);
    h.Tick();
    EXPECT_EQ(h.run.CurrentPhase(), Phase::EndKeyRelease);
    EXPECT_NEAR(h.state.settings.CentX[0], -30.0F, 0.02F);
    EXPECT_NEAR(h.state.settings.CentY[0], 10.0F, 0.02F);
    const Settings file = ReadBack(dir);
    EXPECT_FLOAT_EQ(file.CentX[0], h.state.settings.CentX[0]);
    EXPECT_FLOAT_EQ(file.CentY[0], h.state.settings.CentY[0]);
    // The buttons come back only once the keys are up.
    h.Tick(3);
    EXPECT_FALSE(view.IsControlEnabled(ZeroingControl::ButCent));
    h.keyboard.Set(Key::Return, false);
    h.Tick();
    EXPECT_TRUE(h.run.Idle());
    EXPECT_TRUE(view.IsControlEnabled(ZeroingControl::ButCent));
    EXPECT_TRUE(view.IsControlEnabled(ZeroingControl::Exit1));
    EXPECT_FALSE(view.IsControlEnabled(ZeroingControl::ButShoot));
    EXPECT_FALSE(view.pointer.has_value());
    EXPECT_EQ(h.state.Port, nullptr);
    EXPECT_TRUE(h.dialogs.messages.empty());
    // The same shots now land on the centre.
    const TargetPoint moved = ToTarget(h.state.settings, 0, 0.3F, -0.1F);
    EXPECT_NEAR(moved.x, 0.0F, 0.05F);
    EXPECT_NEAR(moved.y, 0.0F, 0.05F);
}

TEST(ZeroingRun, EdgeMeasurementOfAnotherLaneWithLibraryFractions) {
    test::TempDir dir;
    dir.Write(QStringLiteral("Targets/strings.txt"), "1\t1\n201\t0.75 0.5 0 0\n");
    ZeroingHarness h(dir.Path());
    LoadTargetLibrary(h.state);
    h.state.settings.Target[2] = 3;
    h.view.laneNumber = QStringLiteral("3");
    h.run.FormActivate();
    h.dialogs.messages.clear(); // the test pack has no picture

    h.run.ButRightClick();
    EXPECT_EQ(h.state.CurrentLane, 2);
    EXPECT_EQ(h.state.settings.Shooter, 4u);
    EXPECT_FLOAT_EQ(h.run.Edges().x, 0.75F);
    ASSERT_TRUE(h.view.pointer.has_value());
    EXPECT_EQ(*h.view.pointer, QPoint(441 - 31, 237));
    h.Tick();
    EXPECT_EQ(h.model.Log().Bytes()[0], 0x02);

    h.Aim(2, 80 * kPerUnit, 0);
    h.Shoot(2);
    h.Aim(2, 80 * kPerUnit, 5 * kPerUnit);
    h.Shoot(2);
    h.Press(Key::Space);
    h.RunToIdle();
    // 75 / 80: the mean now maps to the library's edge point.
    EXPECT_NEAR(h.state.settings.ScaleR[2], 0.9375F, 0.001F);
    EXPECT_FLOAT_EQ(ReadBack(dir).ScaleR[2], h.state.settings.ScaleR[2]);
    EXPECT_FLOAT_EQ(h.state.settings.ScaleR[0], 1.0F);
    // Lane 0's device was not asked.
    for (std::uint8_t byte : h.model.Log().Bytes()) {
        EXPECT_NE(byte, 0x70);
    }
}

TEST(ZeroingRun, ATriggerRepeatedByALateFrameIsOneShot) {
    test::TempDir dir;
    ZeroingHarness h(dir.Path());
    h.run.ButCentClick();
    h.Tick();
    h.Aim(0, 10 * kPerUnit, 0);
    h.Shoot(0);
    ASSERT_EQ(h.run.CountedShots(), 1);
    // The same pull seen again 50 ms later: acknowledged, neither counted nor sounded.
    h.model.Lane(0).triggers.Pull();
    h.Tick(10);
    EXPECT_FALSE(h.model.Lane(0).triggers.Pending(0));
    EXPECT_EQ(h.run.CountedShots(), 1);
    EXPECT_EQ(h.sound.calls.size(), 1u);
    h.Tick(40);
    h.Shoot(0);
    EXPECT_EQ(h.run.CountedShots(), 2);
    EXPECT_EQ(h.sound.calls.size(), 2u);
}

TEST(ZeroingRun, EscapeChangesNothing) {
    test::TempDir dir;
    ZeroingHarness h(dir.Path());
    h.state.settings.ScaleR[0] = 0.005F;
    const Settings before = h.state.settings;
    h.run.FormActivate();

    h.run.ButRightClick();
    EXPECT_FLOAT_EQ(h.state.settings.ScaleR[0], 3.0F); // shots are shown with a usable scale
    h.Tick();
    h.Aim(0, 30 * kPerUnit, 0);
    h.Shoot(0);
    ASSERT_EQ(h.run.CountedShots(), 1);
    EXPECT_NEAR(h.state.run.ShotPos[0][0].x, 90.0F, 0.05F);
    // Escape held together with Return cancels.
    h.keyboard.Set(Key::Escape, true);
    h.keyboard.Set(Key::Return, true);
    h.Tick(3);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::EndKeyRelease);
    h.keyboard.ReleaseAll();
    h.RunToIdle();
    EXPECT_FLOAT_EQ(h.state.settings.ScaleR[0], 0.005F);
    EXPECT_TRUE(TakeCalibrationBackup(h.state.settings) == TakeCalibrationBackup(before));
    EXPECT_FALSE(dir.Exists(QString::fromLatin1(kCalibrationFileName)));

    // An Escape still held from before the measurement does not cancel it.
    h.keyboard.Set(Key::Escape, true);
    h.run.ButCentClick();
    h.Tick(3);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::StartKeyRelease);
    h.keyboard.Set(Key::Escape, false);
    h.Tick(3);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::Collecting);
}

TEST(ZeroingRun, HandShotsCountOnlyWithAUsableLevel) {
    test::TempDir dir;
    ZeroingHarness h(dir.Path());
    h.run.ButShootClick(); // idle: nothing happens
    EXPECT_EQ(h.state.run.ShotPending[0], 0);

    h.run.ButCentClick();
    h.Tick();
    h.Aim(0, 10 * kPerUnit, 0);
    h.run.ButShootClick();
    EXPECT_EQ(h.view.focusButtons, 1);
    h.Tick();
    EXPECT_EQ(h.run.CountedShots(), 1);
    const std::vector<std::uint8_t> bytes = h.model.Log().Bytes();
    EXPECT_EQ(Count(bytes, 0x80), 1);
    EXPECT_EQ(h.sound.calls.size(), 1u);
    h.Press(Key::Return);
    h.RunToIdle();
    EXPECT_NEAR(h.state.settings.CentX[0], -10.0F, 0.02F);

    // No device: polls fail, the level stays 0, a hand shot is sounded but not counted.
    ZeroingHarness silent(dir.Path());
    silent.model.GetFaults().Set(sim::Fault::Silence);
    silent.run.ButCentClick();
    silent.Tick(3);
    silent.run.ButShootClick();
    silent.Tick(2);
    EXPECT_EQ(silent.run.CountedShots(), 0);
    EXPECT_EQ(silent.sound.calls.size(), 1u);
    EXPECT_EQ(silent.view.texts[ViewText::SigText], QStringLiteral("Сигнал слишком слабый"));
    silent.Press(Key::Return);
    EXPECT_EQ(silent.run.CurrentPhase(), Phase::Collecting);
    silent.Press(Key::Escape);
    silent.RunToIdle();
    EXPECT_TRUE(silent.run.Idle());
}

TEST(ZeroingRun, UnwritableCalibrationFileIsReportedAndKeptInMemory) {
    test::TempDir dir;
    // A folder where the file should be: it cannot be replaced.
    ASSERT_TRUE(QDir(dir.Path()).mkdir(QString::fromLatin1(kCalibrationFileName)));
    ZeroingHarness h(dir.Path());
    h.run.FormActivate();
    h.run.ButCentClick();
    h.Tick();
    h.Aim(0, 20 * kPerUnit, 0);
    h.Shoot(0);
    h.keyboard.Set(Key::Return, true);
    h.Tick(3);
    EXPECT_TRUE(h.run.CorrectionUnsaved());
    EXPECT_TRUE(h.dialogs.messages.empty()); // not while Return is held
    h.keyboard.Set(Key::Return, false);
    h.RunToIdle();
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    const QString text = h.dialogs.messages[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Поправка не записана"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Сохранить и выйти")));
    EXPECT_EQ(h.dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(h.view.info, text);
    EXPECT_NEAR(h.state.settings.CentX[0], -20.0F, 0.02F);

    // Leaving with saving fails as well: the window stays and says so.
    h.run.ExitSaveClick();
    EXPECT_TRUE(h.view.activated.isEmpty());
    ASSERT_EQ(h.dialogs.messages.size(), 2u);
    EXPECT_TRUE(h.dialogs.messages[1].text.contains(QStringLiteral("окно не закрыто")));

    // Once the file can be written, the retry stores the correction.
    ASSERT_TRUE(QDir(dir.Path()).rmdir(QString::fromLatin1(kCalibrationFileName)));
    h.run.ExitSaveClick();
    EXPECT_EQ(h.view.activated, QStringList{QStringLiteral("TMainForm2")});
    EXPECT_FALSE(h.run.CorrectionUnsaved());
    EXPECT_NEAR(ReadBack(dir).CentX[0], -20.0F, 0.02F);
}

TEST(ZeroingRun, LeavingWithoutSavingRestoresMemoryOnly) {
    test::TempDir dir;
    ZeroingHarness h(dir.Path());
    h.state.settings.CentX[1] = 4.0F;
    h.state.settings.TimeGun = 30;
    h.run.FormActivate();
    h.view.laneNumber = QStringLiteral("2");
    h.run.ButCentClick();
    h.Tick();
    h.Aim(1, 16 * kPerUnit, 0); // u = 16 + 4
    h.Shoot(1);
    h.Press(Key::Return);
    h.RunToIdle();
    const float corrected = h.state.settings.CentX[1];
    EXPECT_NEAR(corrected, 4.0F - 20.0F, 0.05F);
    h.state.settings.TimeGun = 40; // not part of the calibration table

    h.run.Exit1Click();
    EXPECT_EQ(h.view.activated, QStringList{QStringLiteral("TMainForm2")});
    EXPECT_FLOAT_EQ(h.state.settings.CentX[1], 4.0F);
    EXPECT_EQ(h.state.settings.TimeGun, 40);
    EXPECT_FLOAT_EQ(ReadBack(dir).CentX[1], corrected);

    // The backup is taken anew on each activation.
    h.state.settings.CentX[1] = 9.0F;
    h.run.FormActivate();
    h.state.settings.CentX[1] = 1.0F;
    h.run.Exit1Click();
    EXPECT_FLOAT_EQ(h.state.settings.CentX[1], 9.0F);
}

TEST(ZeroingRun, LaneNumberMustBeOneToFive) {
    test::TempDir dir;
    ZeroingHarness h(dir.Path());
    for (const QString& text : {QStringLiteral("x1"), QStringLiteral("0"), QStringLiteral("6")}) {
        h.dialogs.messages.clear();
        h.view.laneNumber = text;
        h.run.ButDownClick();
        EXPECT_TRUE(h.run.Idle()) << text.toStdString();
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_TRUE(h.view.IsControlEnabled(ZeroingControl::ButCent));
        EXPECT_EQ(h.state.Port, nullptr);
    }
    EXPECT_EQ(h.dialogs.messages[0].text,
              QStringLiteral("Номер мишени для пристрелки должен быть от 1 до 5."));
    h.view.laneNumber = QStringLiteral("x1");
    h.run.ButDownClick();
    EXPECT_EQ(h.dialogs.messages.back().text, NotAnIntegerMessage(QStringLiteral("x1")));
}

TEST(ZeroingRun, FilesOfTheUsersChoice) {
    test::TempDir dir;
    ZeroingHarness h(dir.Path());
    Settings& s = h.state.settings;
    s.CentX[3] = 2.5F;
    s.ScaleU[4] = 1.5F;

    // Saving: the dialog's filter; a name without extension gets ".dat" and is asked about
    // when it exists.
    h.dialogs.fileAnswers = {dir.File(QStringLiteral("copy.dat"))};
    h.run.Button2Click();
    ASSERT_EQ(h.dialogs.fileFilters.size(), 1u);
    EXPECT_EQ(h.dialogs.fileFilters[0], QStringLiteral("Файл пристрелки|*.dat"));
    ASSERT_TRUE(dir.Exists(QStringLiteral("copy.dat")));
    const QByteArray saved = dir.Read(QStringLiteral("copy.dat"));
    h.dialogs.fileAnswers = {dir.File(QStringLiteral("copy"))};
    h.dialogs.answers = {MessageAnswer::No};
    s.CentX[3] = 7.0F;
    h.run.Button2Click();
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dir.Read(QStringLiteral("copy.dat")), saved);
    EXPECT_FALSE(dir.Exists(QStringLiteral("copy")));
    h.dialogs.fileAnswers = {dir.File(QStringLiteral("other"))};
    h.run.Button2Click();
    EXPECT_TRUE(dir.Exists(QStringLiteral("other.dat")));
    EXPECT_EQ(h.dialogs.messages.size(), 1u); // a new name is not asked about
    h.dialogs.fileAnswers = {dir.File(QStringLiteral("no/such/dir/x.dat"))};
    h.run.Button2Click();
    ASSERT_EQ(h.dialogs.messages.size(), 2u);
    EXPECT_TRUE(h.dialogs.messages[1].text.startsWith(QStringLiteral("Не удалось записать файл")));

    // Restoring puts the table and the times back; nothing else.
    s.CentX[3] = 0.0F;
    s.ScaleU[4] = 1.0F;
    s.TimeTrace = 5;
    s.Target[0] = 1;
    h.dialogs.fileAnswers = {dir.File(QStringLiteral("copy.dat"))};
    h.run.ButLoadClick();
    EXPECT_FLOAT_EQ(s.CentX[3], 2.5F);
    EXPECT_FLOAT_EQ(s.ScaleU[4], 1.5F);
    EXPECT_EQ(s.TimeTrace, 1000);
    EXPECT_EQ(h.state.TraceLength, 1000);
    EXPECT_EQ(s.Target[0], 1);

    // A file that is not a whole table changes nothing and says so; so does a missing one.
    dir.Write(QStringLiteral("short.dat"), "1.0 2.0\r\n3.0 4.0\r\n");
    dir.Write(QStringLiteral("nan.dat"), QByteArray("nan 0\r\n").repeated(15));
    const CalibrationBackup before = TakeCalibrationBackup(s);
    for (const char* name : {"short.dat", "nan.dat", "missing.dat"}) {
        const size_t shown = h.dialogs.messages.size();
        h.dialogs.fileAnswers = {dir.File(QString::fromLatin1(name))};
        h.run.ButLoadClick();
        EXPECT_EQ(h.dialogs.messages.size(), shown + 1) << name;
        EXPECT_TRUE(TakeCalibrationBackup(s) == before) << name;
    }
    EXPECT_TRUE(h.dialogs.messages.back().text.startsWith(QStringLiteral("Не удалось открыть")));

    // While measuring, neither file button nor the leaving buttons act.
    h.run.ButCentClick();
    const size_t files = h.dialogs.fileFilters.size();
    h.run.ButLoadClick();
    h.run.Button2Click();
    h.run.ExitSaveClick();
    h.run.Exit1Click();
    EXPECT_EQ(h.dialogs.fileFilters.size(), files);
    EXPECT_TRUE(h.view.activated.isEmpty());
}

TEST(ZeroingRun, TheMeanPointFollowsTheCountedShots) {
    test::TempDir dir;
    ZeroingHarness h(dir.Path());
    auto& view = h.view;
    h.run.FormActivate();
    EXPECT_FALSE(h.run.MeanPoint().has_value());

    h.run.ButCentClick();
    h.Tick();
    ASSERT_EQ(h.run.CurrentPhase(), Phase::Collecting);
    EXPECT_FALSE(view.meanPoint.has_value());

    // (20, -10), (40, -10), (30, 20): means (20, -10), (30, -10), (30, 0).
    struct Step {
        int x, y;
        float meanX, meanY;
    };
    const Step steps[] = {{20, -10, 20, -10}, {40, -10, 30, -10}, {30, 20, 30, 0}};
    for (const Step& s : steps) {
        h.Aim(0, s.x * kPerUnit, s.y * kPerUnit);
        h.Shoot(0);
        const auto mean = h.run.MeanPoint();
        ASSERT_TRUE(mean.has_value());
        EXPECT_NEAR(mean->x, s.meanX, 0.02F) << s.x << ", " << s.y;
        EXPECT_NEAR(mean->y, s.meanY, 0.02F) << s.x << ", " << s.y;
        ASSERT_TRUE(view.meanPoint.has_value());
        EXPECT_NEAR(view.meanPoint->x(), ToPixels(s.meanX, 505), 1);
        EXPECT_NEAR(view.meanPoint->y(), ToPixels(s.meanY, 505), 1);
    }
    EXPECT_EQ(view.meanPoints.size(), 3u); // once per counted shot

    // A shot outside the level window is not counted and does not move the cross.
    h.model.Lane(0).level = 500;
    h.Tick(3);
    h.Shoot(0);
    EXPECT_EQ(h.run.CountedShots(), 3);
    EXPECT_EQ(view.meanPoints.size(), 3u);
    h.model.Lane(0).level = 4000;
    h.Tick(40);

    // The correction is the one the cross showed: the mean goes to the centre.
    const ShotPoint mean = *h.run.MeanPoint();
    h.Press(Key::Return);
    h.RunToIdle();
    EXPECT_NEAR(h.state.settings.CentX[0], -mean.x, 1e-4F);
    EXPECT_NEAR(h.state.settings.CentY[0], -mean.y, 1e-4F);
    EXPECT_FLOAT_EQ(ReadBack(dir).CentX[0], h.state.settings.CentX[0]);
    // It stays with the holes until a new measurement starts.
    EXPECT_TRUE(view.meanPoint.has_value());
    h.run.ButLeftClick();
    EXPECT_FALSE(view.meanPoint.has_value());
    EXPECT_FALSE(h.run.MeanPoint().has_value());
    h.Tick();
    h.Press(Key::Escape);
    h.RunToIdle();
    ASSERT_TRUE(h.run.Idle());

    // A mean point off the picture has no cross, but still counts.
    h.run.ButCentClick();
    h.Tick();
    h.Aim(0, 140 * kPerUnit, 0);
    h.Shoot(0);
    // 140 raw less the 30 of the centre correction just made: still beyond the picture.
    EXPECT_NEAR(h.run.MeanPoint()->x, 110.0F, 0.05F);
    EXPECT_FALSE(view.meanPoint.has_value());
}
