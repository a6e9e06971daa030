#include "app/MainChoice.h"
#include "app/TForm2.h"
#include "app/TMainForm2.h"
#include "core/DisplayOptions.h"
#include "core/SettingsFile.h"
#include "platform/Dialogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

using namespace ryvo;

namespace {

Settings WithTargets(std::array<std::int32_t, 5> lanes) {
    Settings s;
    ApplyBuiltInDefaults(s);
    for (int i = 0; i < 5; ++i) {
        s.Target[static_cast<size_t>(i)] = lanes[static_cast<size_t>(i)];
    }
    return s;
}

} // namespace

TEST(MainChoice, TargetRadioFromLaneTypes) {
    using K = MainChoice::TargetKind;
    EXPECT_EQ(ChoiceFromSettings(WithTargets({1, -1, -1, -1, -1}), 3).target, K::N4);
    EXPECT_EQ(ChoiceFromSettings(WithTargets({2, 2, -1, -1, -1}), 3).target, K::Sport);
    EXPECT_EQ(ChoiceFromSettings(WithTargets({-1, -1, -1, -1, -1}), 3).target, K::N4);

    MainChoice c = ChoiceFromSettings(WithTargets({3, 3, -1, -1, -1}), 1);
    EXPECT_EQ(c.target, K::Other);
    EXPECT_EQ(c.comboItem, 1);
    EXPECT_TRUE(c.comboEnabled);
    c = ChoiceFromSettings(WithTargets({3, 4, -1, -1, -1}), 3);
    EXPECT_EQ(c.comboItem, 0);
    // Lanes 0 and 2 are no neighbours: uniform, item of lane 0.
    c = ChoiceFromSettings(WithTargets({3, -1, 4, -1, -1}), 3);
    EXPECT_EQ(c.comboItem, 1);
    // Uniform, but lane 0 not a library target: the selection stays as it was.
    MainChoice before;
    before.comboItem = 2;
    c = ChoiceFromSettings(WithTargets({-1, 4, 4, -1, -1}), 3, before);
    EXPECT_EQ(c.comboItem, 2);
    // Without a library, library types show N4 and OtherTarget stays disabled.
    c = ChoiceFromSettings(WithTargets({3, 3, -1, -1, -1}), 0);
    EXPECT_EQ(c.target, K::N4);
    EXPECT_FALSE(c.otherTargetEnabled);
}

TEST(MainChoice, TimeShotsShooterAndRepeat) {
    Settings s = WithTargets({1, -1, -1, -1, -1});
    s.Time = 25;
    s.ShootsNumber = 0;
    s.Shooter = 7;
    s.RepeatEnabled = 1;
    s.RepeatTime = 40;
    MainChoice c = ChoiceFromSettings(s, 0);
    EXPECT_EQ(c.time, MainChoice::TimeKind::Other);
    EXPECT_EQ(c.timeValue, 25);
    EXPECT_EQ(c.shoots, MainChoice::ShootsKind::Other);
    EXPECT_EQ(c.shootsValue, 0);
    EXPECT_EQ(c.shooter, MainChoice::ShooterKind::UpToFive);
    EXPECT_TRUE(c.repeat);
    EXPECT_EQ(c.repeatValue, 40);
    s.Time = 10;
    EXPECT_EQ(ChoiceFromSettings(s, 0).time, MainChoice::TimeKind::Ten);
    EXPECT_EQ(ChoiceFromSettings(s, 0).timeValue, 10); // the edit follows the preset too
}

TEST(MainChoice, GetSettingsChangesOnlyLanesInUse) {
    ProgramState state;
    state.settings = WithTargets({3, -1, 4, 2, -1});
    MainChoice c = ChoiceFromSettings(state.settings, 3);
    c.target = MainChoice::TargetKind::N4;
    ApplyChoice(c, state);
    EXPECT_EQ(state.settings.Target[0], 1);
    EXPECT_EQ(state.settings.Target[1], -1);
    EXPECT_EQ(state.settings.Target[2], 1);
    EXPECT_EQ(state.settings.Target[3], 1);
    EXPECT_EQ(state.settings.Target[7], -1);

    c.target = MainChoice::TargetKind::Other;
    c.comboItem = 2;
    ApplyChoice(c, state);
    EXPECT_EQ(state.settings.Target[0], 4);
    EXPECT_EQ(state.settings.Target[3], 4);
    state.settings.Target[3] = 5;
    c.comboItem = 0; // individual settings keep the per-lane types
    ApplyChoice(c, state);
    EXPECT_EQ(state.settings.Target[3], 5);

    c.shooter = MainChoice::ShooterKind::UpToFive;
    c.time = MainChoice::TimeKind::Unlimited;
    c.shoots = MainChoice::ShootsKind::Eight;
    state.settings.TimeGun = 0;
    ApplyChoice(c, state);
    EXPECT_EQ(state.settings.Shooter, 31u);
    EXPECT_EQ(state.settings.Time, 0u);
    EXPECT_EQ(state.settings.ShootsNumber, 8u);
    EXPECT_EQ(state.TraceLength, 1);
}

namespace {

struct MainWindow {
    test::TempDir dir;
    ProgramState state;
    ScriptedDialogs dialogs;
    TForm2 frame;
    TMainForm2* page = nullptr;
    bool exited = false;

    explicit MainWindow(const QByteArray& settingsText = {}) {
        state.StartDir = dir.Path();
        dir.Write(QStringLiteral("Targets/strings.txt"),
                  QStringLiteral("1\t2\n101\tПолицейская\n102\tБегущая\n").toUtf8());
        if (!settingsText.isEmpty()) {
            dir.Write(QStringLiteral("ryvw.cfg"), settingsText);
        }
        GlobalInitialisation(state);
        LoadTargetLibrary(state);
        Services services;
        services.dialogs = &dialogs;
        for (const char* name : {"TShoot1", "TShoot2", "TShoots5", "TForm3", "TTargsType"}) {
            frame.AddPage(new PlaceholderPage(QString::fromLatin1(name), QString()));
        }
        page = new TMainForm2(state, services);
        page->onExit = [this] { exited = true; };
        frame.AddPage(page);
        page->Construct();
        frame.Activate(QStringLiteral("TMainForm2"));
    }
    template <typename T> T* Get(const char* name) {
        return page->findChild<T*>(QString::fromLatin1(name));
    }
    QString Active() const { return frame.ActivePage()->ClassName(); }
};

} // namespace

TEST(TMainForm2, ShowsSettingsAndTheTargetList) {
    MainWindow w(test::Cp1251Lines("Target =  3 3 -1 -1 -1\nTime = 25\nShooter = 2\n"
                                   "EnableTrace = 1\nRepeatTime = 15\n"));
    auto* combo = w.Get<QComboBox>("ComboBoxTarget");
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Индивидуальные установки для каждой"));
    EXPECT_EQ(combo->itemText(2), QStringLiteral("Бегущая"));
    EXPECT_TRUE(w.Get<QRadioButton>("OtherTarget")->isChecked());
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_TRUE(combo->isEnabled());
    EXPECT_TRUE(w.Get<QRadioButton>("OtherTime")->isChecked());
    EXPECT_FALSE(w.Get<QRadioButton>("Time1")->isChecked()); // one choice per group
    EXPECT_EQ(w.Get<QSpinBox>("UpDownTime")->value(), 25);
    EXPECT_TRUE(w.Get<QSpinBox>("UpDownTime")->isEnabled());
    EXPECT_FALSE(w.Get<QSpinBox>("UpDownShoots")->isEnabled());
    EXPECT_TRUE(w.Get<QRadioButton>("Shooter2")->isChecked());
    EXPECT_FALSE(w.Get<QRadioButton>("OtherShooter")->isChecked());
    EXPECT_FALSE(w.Get<QRadioButton>("N4")->isChecked());
    EXPECT_TRUE(w.Get<QCheckBox>("TaleEnable")->isChecked());
    EXPECT_TRUE(w.Get<QCheckBox>("RepeatSeries")->isChecked());
    EXPECT_EQ(w.Get<QSpinBox>("UpDownSeries")->value(), 15);
    EXPECT_EQ(w.Get<QPushButton>("BeginShooting")->text(), QStringLiteral("Начало стрельбы "));

    w.Get<QRadioButton>("N4")->setChecked(true);
    EXPECT_FALSE(combo->isEnabled());
}

TEST(TMainForm2, StartChecksTheSignalOfSingleShooters) {
    MainWindow w(test::Cp1251Lines("IO_Serial = 1\nTarget =  -1 1 -1 -1 -1\n"));
    w.Get<QRadioButton>("Shooter1")->setChecked(true);
    w.Get<QPushButton>("BeginShooting")->click();
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, QStringLiteral("Отсутствует сигнал для этого стрелка!"));
    EXPECT_EQ(w.dialogs.messages[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(w.dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(w.Active(), QStringLiteral("TMainForm2"));

    w.Get<QRadioButton>("Shooter2")->setChecked(true);
    w.Get<QPushButton>("BeginShooting")->click();
    EXPECT_EQ(w.Active(), QStringLiteral("TShoot1"));
    EXPECT_EQ(w.state.settings.Shooter, 2u);

    // Both shooters start without a signal check.
    w.frame.Activate(QStringLiteral("TMainForm2"));
    w.state.CurrentLane = 4;
    w.state.ResultSource = 1;
    w.Get<QRadioButton>("Shooter3")->setChecked(true);
    w.Get<QPushButton>("BeginShooting")->click();
    EXPECT_EQ(w.Active(), QStringLiteral("TShoot2"));
    EXPECT_EQ(w.state.CurrentLane, 0);
    EXPECT_EQ(w.state.ResultSource, 0);
    EXPECT_EQ(w.dialogs.messages.size(), 1u);
}

TEST(TMainForm2, KeysOpenSettingsOrEndTheProgram) {
    MainWindow w;
    w.frame.show();
    auto* edit = w.Get<QSpinBox>("UpDownTime");
    w.Get<QRadioButton>("OtherTime")->setChecked(true);
    for (const QString& letter : {QStringLiteral("s"), QStringLiteral("Ы")}) {
        w.frame.Activate(QStringLiteral("TMainForm2"));
        const QString before = edit->text();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, letter);
        QApplication::sendEvent(edit, &key);
        EXPECT_EQ(w.Active(), QStringLiteral("TForm3")) << letter.toStdString();
        EXPECT_EQ(edit->text(), before); // the edit never saw the letter
    }
    w.frame.Activate(QStringLiteral("TMainForm2"));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(edit, &escape);
    EXPECT_TRUE(w.exited);
}

TEST(TMainForm2, SaveWritesWhatTheWindowShows) {
    MainWindow w;
    w.Get<QRadioButton>("Time2")->setChecked(true);
    w.Get<QRadioButton>("Shooter1")->setChecked(true);
    w.Get<QCheckBox>("GunEnable")->setChecked(true);
    auto* repeat = w.Get<QCheckBox>("RepeatSeries");
    repeat->click();
    w.Get<QSpinBox>("UpDownSeries")->setValue(30);
    repeat->click(); // off again: the number is kept in RepeatTime, the file says -1
    EXPECT_EQ(w.state.settings.RepeatTime, 30);
    w.Get<QPushButton>("SaveSettings")->click();

    Settings expected;
    ApplyBuiltInDefaults(expected);
    expected.Time = 10;
    expected.Shooter = 1;
    expected.FlagGunEnable = 1;
    const QByteArray written = w.dir.Read(QStringLiteral("ryvw.cfg"));
    EXPECT_EQ(written, SettingsFileImage(expected));
    EXPECT_TRUE(written.contains("RepeatTime = -1\r\n"));
    EXPECT_TRUE(written.contains("Time = 10\r\n"));
}

TEST(TMainForm2, ExerciseListOffersTheCoursesFoundAndKeepsTheChoice) {
    MainWindow w;
    auto* combo = w.Get<QComboBox>("ComboBoxCourse");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 1);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Обычная серия"));
    EXPECT_FALSE(w.state.ChosenCourse.has_value());

    w.dir.Write(QStringLiteral("Упражнения/1.course"),
                QStringLiteral("курс: Проба\nэтап:\n  выстрелы: 2\n").toUtf8());
    w.dir.Write(QStringLiteral("Упражнения/2.course"),
                QStringLiteral("курс: С ошибкой\nэтап:\n  выстрелы: много\n").toUtf8());
    w.page->FormActivate();
    ASSERT_EQ(combo->count(), 2) << "a course with an error is not offered";
    EXPECT_EQ(combo->itemText(1), QStringLiteral("Проба"));
    EXPECT_EQ(combo->currentIndex(), 0);

    combo->setCurrentIndex(1);
    emit combo->activated(1);
    ASSERT_TRUE(w.state.ChosenCourse.has_value());
    EXPECT_EQ(w.state.ChosenCourse->stages.size(), 1u);
    EXPECT_TRUE(w.dir.Exists(QStringLiteral("ryvw.crs")));
    const QByteArray settings = w.dir.Exists(QStringLiteral("ryvw.cfg"))
                                    ? w.dir.Read(QStringLiteral("ryvw.cfg"))
                                    : QByteArray();
    EXPECT_FALSE(settings.contains("Проба")) << "not in the settings file";

    // Next start: the choice read back from its file.
    w.state.ChosenCourse.reset();
    w.page->FormActivate();
    EXPECT_EQ(combo->currentIndex(), 1);
    ASSERT_TRUE(w.state.ChosenCourse.has_value());
    EXPECT_EQ(w.state.ChosenCourse->name, QStringLiteral("Проба"));

    combo->setCurrentIndex(0);
    emit combo->activated(0);
    EXPECT_FALSE(w.state.ChosenCourse.has_value());
    w.page->FormActivate();
    EXPECT_EQ(combo->currentIndex(), 0);
}

TEST(TMainForm2, TracePhasesOptionIsKeptBesideTheSettingsAndReadAtTheNextStart) {
    MainWindow w;
    auto* box = w.Get<QCheckBox>("CBTracePhases");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked()) << "off without a file";
    box->click();
    EXPECT_TRUE(w.state.Display.tracePhases);
    EXPECT_FALSE(w.dir.Exists(QStringLiteral("ryvw.cfg"))) << "the settings file is not written";
    ProgramState next;
    next.StartDir = w.dir.Path();
    GlobalInitialisation(next);
    EXPECT_TRUE(next.Display.tracePhases) << "read back at the next start";
    // Another file's bytes, or a value other than 1: off.
    for (const QByteArray& bytes :
         {QByteArray("TracePhases=1\r\n"), QByteArray("Ryvo options 1\r\nTracePhases=yes\r\n")}) {
        w.dir.Write(QString::fromLatin1(kDisplayOptionsFileName), bytes);
        GlobalInitialisation(next);
        EXPECT_FALSE(next.Display.tracePhases) << bytes.toStdString();
    }
}
