#include "app/TForm2.h"
#include "app/TForm3.h"
#include "calibration/Calibration.h"
#include "calibration/ShooterZero.h"
#include "platform/Dialogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using namespace ryvo;

namespace {

struct SettingsWindow {
    test::TempDir dir;
    ProgramState state;
    ScriptedDialogs dialogs;
    TForm2 frame;
    TForm3* page = nullptr;

    explicit SettingsWindow(bool withSounds = true) {
        state.StartDir = dir.Path();
        if (withSounds) {
            dir.Write(QStringLiteral("Sounds/strings.txt"),
                      QStringLiteral("2001\t2\n2002\t1\n2003\t0\n2101\tСвисток\n2102\tДва\n"
                                     "2201\tВыстрел\n")
                          .toUtf8());
            dir.Write(QStringLiteral("Sounds/2151.wav"), "start0");
            dir.Write(QStringLiteral("Sounds/2152.wav"), "start1");
            dir.Write(QStringLiteral("Sounds/2251.wav"), "shot0");
        }
        LoadSoundLibrary(state);
        Services services;
        services.dialogs = &dialogs;
        page = new TForm3(state, services);
        frame.AddPage(new PlaceholderPage(QStringLiteral("TMainForm2"), QString()));
        frame.AddPage(new PlaceholderPage(QStringLiteral("TFormTarLight"), QString()));
        frame.AddPage(page);
        GlobalInitialisation(state);
        page->SettingsLoaded();
    }
    QLineEdit* Edit(const char* name) {
        return page->findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    template <typename T> T* Get(const char* name) {
        return page->findChild<T*>(QString::fromLatin1(name));
    }
    void Open() { frame.Activate(QStringLiteral("TForm3")); }
    QString Active() const { return frame.ActivePage()->ClassName(); }
};

} // namespace

TEST(TForm3, ShowsTheCurrentLaneAndSwitchesAfterStoring) {
    SettingsWindow w;
    w.state.settings.CentX[2] = 1.5F;
    w.state.settings.ScaleD[2] = 2.25F;
    w.state.settings.CentX[3] = -3.0F;
    w.state.CurrentLane = 2;
    w.Open();
    EXPECT_EQ(w.Edit("Edit1")->text(), QStringLiteral("3"));
    EXPECT_EQ(w.page->ShownLane(), 2);
    EXPECT_EQ(w.Edit("ECentX")->text(), QStringLiteral(" 1.50"));
    EXPECT_EQ(w.Edit("EScaleD")->text(), QStringLiteral(" 2.25"));

    // Typing 4 and "Вывести": the edits go into lane 2 first, then lane 3 is shown.
    w.Edit("ECentX")->setText(QStringLiteral("7.5"));
    w.Edit("Edit1")->setText(QStringLiteral("4"));
    w.Get<QPushButton>("Button1")->click();
    EXPECT_FLOAT_EQ(w.state.settings.CentX[2], 7.5F);
    EXPECT_EQ(w.page->ShownLane(), 3);
    EXPECT_EQ(w.Edit("ECentX")->text(), QStringLiteral("-3.00"));

    // 7 is refused; the store of the edits has still happened.
    w.Edit("ECentY")->setText(QString());
    w.state.settings.CentY[3] = 9.0F;
    w.Edit("Edit1")->setText(QStringLiteral("7"));
    w.Get<QPushButton>("Button1")->click();
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, QStringLiteral("Неправильный номер стрелка"));
    EXPECT_EQ(w.dialogs.messages[0].caption, QStringLiteral("Bad shooters number"));
    EXPECT_EQ(w.page->ShownLane(), 3);
    EXPECT_FLOAT_EQ(w.state.settings.CentY[3], 0.0F); // empty edit stores 0

    w.page->UpDown1Click(1); // the arrows move within 1..5 and switch
    EXPECT_EQ(w.page->ShownLane(), 4);
    w.page->UpDown1Click(1);
    EXPECT_EQ(w.Edit("Edit1")->text(), QStringLiteral("5"));
}

TEST(TForm3, PortNumberRules) {
    SettingsWindow w;
    w.state.settings.SerialPort = QStringLiteral("COM3");
    w.Open();
    EXPECT_EQ(w.Edit("EditCom")->text(), QStringLiteral("3"));
    w.state.settings.SerialPort = QStringLiteral("COM12");
    w.Open();
    EXPECT_EQ(w.Edit("EditCom")->text(), QStringLiteral("1"));
    w.Edit("EditCom")->setText(QStringLiteral("8"));
    w.state.settings.SerialPort.clear();
    w.Open();
    EXPECT_EQ(w.Edit("EditCom")->text(), QStringLiteral("8")); // empty port: edit unchanged

    w.Edit("EditCom")->setText(QStringLiteral("12"));
    w.Get<QPushButton>("Exit")->click();
    EXPECT_EQ(w.state.settings.SerialPort, QStringLiteral("COM12"));
    EXPECT_EQ(w.Active(), QStringLiteral("TMainForm2"));

    w.state.settings.SerialPort = QStringLiteral("/tmp/ryvo-sim");
    w.Open();
    EXPECT_EQ(w.Edit("EditCom")->text(), QStringLiteral("/tmp/ryvo-sim"));
    w.Get<QPushButton>("Exit")->click();
    EXPECT_EQ(w.state.settings.SerialPort, QStringLiteral("/tmp/ryvo-sim"));

    // The settings file keeps the port as one word: blanks typed in it are left out.
    w.Open();
    w.Edit("EditCom")->setText(QStringLiteral(" 1 2\t"));
    w.Get<QPushButton>("Exit")->click();
    EXPECT_EQ(w.state.settings.SerialPort, QStringLiteral("COM12"));
}

TEST(TForm3, ApplyTimesAndConversionErrors) {
    SettingsWindow w;
    w.Open();
    w.Get<QSpinBox>("TimeGunU")->setValue(1);
    w.Get<QSpinBox>("TimeTraceU")->setValue(32767);
    w.Get<QSpinBox>("TimePostU")->setValue(20000); // the up-down keeps to its range
    w.Edit("NumRepDraw")->setText(QStringLiteral("4"));
    w.Get<QCheckBox>("CheckBox1")->setChecked(true);
    w.Get<QPushButton>("Exit")->click();
    EXPECT_EQ(w.state.TraceLength, 9999);
    EXPECT_EQ(w.state.settings.TimeTrace, 32767);
    EXPECT_EQ(w.state.settings.TimePost, 10000);
    EXPECT_EQ(w.state.settings.NumReps, 4u);
    EXPECT_EQ(w.state.settings.IO_Serial, 1u);

    w.Open();
    w.Get<QSpinBox>("TimeGunU")->setValue(7);
    w.Edit("NumRepDraw")->setText(QStringLiteral("x"));
    w.Get<QPushButton>("Exit")->click();
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, QStringLiteral("'x' is not a valid integer value"));
    EXPECT_EQ(w.Active(), QStringLiteral("TForm3")); // Exit does not leave
    EXPECT_EQ(w.state.settings.TimeGun, 7);          // what came before stays stored
    EXPECT_EQ(w.state.settings.NumReps, 4u);

    // A lane out of range on Exit: the window says so and stays, so it never shows values
    // that are not in force; nothing of it is applied or written.
    w.Edit("NumRepDraw")->setText(QStringLiteral("0"));
    w.Edit("Edit1")->setText(QStringLiteral("9"));
    w.Get<QSpinBox>("TimeGunU")->setValue(9);
    w.Get<QPushButton>("Exit")->click();
    EXPECT_EQ(w.Active(), QStringLiteral("TForm3"));
    ASSERT_EQ(w.dialogs.messages.size(), 2u);
    EXPECT_EQ(w.dialogs.messages[1].text, QStringLiteral("Неправильный номер стрелка"));
    EXPECT_EQ(w.state.settings.TimeGun, 7);
    EXPECT_EQ(w.state.settings.NumReps, 4u);
    w.Get<QPushButton>("Button2")->click();
    EXPECT_EQ(w.dialogs.messages.size(), 3u);
    EXPECT_FALSE(w.dir.Exists(QStringLiteral("ryvw.dat")));
    w.Edit("Edit1")->setText(QStringLiteral("2"));
    w.Get<QPushButton>("Exit")->click();
    EXPECT_EQ(w.Active(), QStringLiteral("TMainForm2"));
    EXPECT_EQ(w.state.settings.TimeGun, 9);
    EXPECT_EQ(w.state.settings.NumReps, 0u);
}

TEST(TForm3, ArrowsStepFromTheLaneNumberShown) {
    SettingsWindow w;
    w.state.settings.CentX[1] = 2.0F;
    w.state.settings.CentX[3] = 4.0F;
    w.Open();
    EXPECT_EQ(w.page->ShownLane(), 0);
    w.Edit("Edit1")->setText(QStringLiteral("3")); // typed, not yet shown
    w.page->UpDown1Click(1);
    EXPECT_EQ(w.Edit("Edit1")->text(), QStringLiteral("4"));
    EXPECT_EQ(w.page->ShownLane(), 3);
    EXPECT_EQ(w.Edit("ECentX")->text(), QStringLiteral(" 4.00"));
    w.Edit("Edit1")->setText(QStringLiteral("3"));
    w.page->UpDown1Click(-1);
    EXPECT_EQ(w.page->ShownLane(), 1);
    EXPECT_EQ(w.Edit("ECentX")->text(), QStringLiteral(" 2.00"));
    // A number beyond the range is brought into it before the step.
    w.Edit("Edit1")->setText(QStringLiteral("9"));
    w.page->UpDown1Click(-1);
    EXPECT_EQ(w.Edit("Edit1")->text(), QStringLiteral("4"));
    EXPECT_TRUE(w.dialogs.messages.empty());
}

TEST(TForm3, SoundListsAndLiveSwitches) {
    SettingsWindow w;
    auto* start = w.Get<QComboBox>("Sound1");
    ASSERT_EQ(start->count(), 2);
    EXPECT_EQ(start->itemText(1), QStringLiteral("Два"));
    EXPECT_EQ(w.Get<QComboBox>("Sound3")->count(), 0);
    EXPECT_EQ(w.state.settings.Sound3, 4294967295u); // an empty list selects nothing
    w.Open();
    start->setCurrentIndex(1);
    EXPECT_EQ(w.state.settings.Sound1, 1u);
    EXPECT_EQ(w.state.StartSound, QByteArray("start0")); // sounds change on leaving
    w.Get<QCheckBox>("CBSmartTarget")->setChecked(true);
    w.Get<QCheckBox>("CBAutomat")->setChecked(true);
    EXPECT_EQ(w.state.settings.SmartTarget, 1u);
    EXPECT_EQ(w.state.settings.WeaponType, 1u);
    w.Get<QPushButton>("Exit")->click();
    EXPECT_EQ(w.state.StartSound, QByteArray("start1"));
    EXPECT_EQ(w.state.ShotSound, QByteArray("shot0"));
    EXPECT_FALSE(w.state.EndSound.has_value());

    w.Open();
    w.Get<QPushButton>("Button3")->click();
    EXPECT_EQ(w.Active(), QStringLiteral("TFormTarLight"));
}

TEST(TForm3, WithoutSoundPackListsAreEmptyAndChoicesSelectNothing) {
    SettingsWindow w(false);
    EXPECT_EQ(w.Get<QComboBox>("Sound1")->count(), 0);
    EXPECT_EQ(w.state.settings.Sound1, 4294967295u);
    w.Open();
    w.Get<QPushButton>("Exit")->click();
    EXPECT_FALSE(w.state.StartSound.has_value());
}

TEST(TForm3, WriteButtonSavesTheCalibration) {
    SettingsWindow w;
    w.Open();
    w.Edit("EScaleL")->setText(QStringLiteral("1.75"));
    // A shooter's zero on lane 3 stays out of the file: the lane's own value goes in.
    const float ownCentX = w.state.settings.CentX[3];
    SetLaneZero(w.state, 3, QStringLiteral("Иванов"), {40.0F, 0.0F, 1.0F, 1.0F, 1.0F, 1.0F});
    w.Get<QPushButton>("Button2")->click();
    EXPECT_EQ(w.Active(), QStringLiteral("TForm3"));
    Settings back;
    ApplyBuiltInDefaults(back);
    ASSERT_TRUE(ReadCalibration(back, w.dir.File(QStringLiteral("ryvw.dat")), false));
    EXPECT_FLOAT_EQ(back.ScaleL[0], 1.75F);
    EXPECT_FLOAT_EQ(back.CentX[3], ownCentX);
    EXPECT_FLOAT_EQ(w.state.settings.CentX[3], 40.0F);
    EXPECT_EQ(back.TimeTrace, w.state.settings.TimeTrace);
}

namespace {

// Types text into an edit key by key, as a user does; the edit's validator sees each key.
void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
}

} // namespace

TEST(TForm3, CalibrationTakesDecimalCommasAndRefusesText) {
    SettingsWindow w;
    w.state.settings.ScaleL[0] = 1.25F;
    w.Open();
    w.Edit("ECentX")->setText(QStringLiteral("1,5"));
    w.Edit("ECentY")->setText(QStringLiteral("-0,75"));
    w.Edit("EScaleR")->setText(QString()); // empty still stores 0
    w.Get<QPushButton>("Exit")->click();
    EXPECT_EQ(w.Active(), QStringLiteral("TMainForm2"));
    EXPECT_FLOAT_EQ(w.state.settings.CentX[0], 1.5F);
    EXPECT_FLOAT_EQ(w.state.settings.CentY[0], -0.75F);
    EXPECT_FLOAT_EQ(w.state.settings.ScaleR[0], 0.0F);
    EXPECT_TRUE(w.dialogs.messages.empty());

    // Text that is not a number: refused naming the field, the lane keeps its calibration,
    // the window stays, and neither switching lanes nor writing the file goes ahead.
    w.Open();
    w.Edit("ECentX")->setText(QStringLiteral("2,5"));
    w.Edit("EScaleL")->setText(QStringLiteral("abc"));
    w.Get<QPushButton>("Exit")->click();
    EXPECT_EQ(w.Active(), QStringLiteral("TForm3"));
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_TRUE(w.dialogs.messages[0].text.contains(QStringLiteral("Масштаб слева")));
    EXPECT_TRUE(w.dialogs.messages[0].text.contains(QStringLiteral("abc")));
    EXPECT_FLOAT_EQ(w.state.settings.ScaleL[0], 1.25F);
    EXPECT_FLOAT_EQ(w.state.settings.CentX[0], 1.5F);
    w.Edit("Edit1")->setText(QStringLiteral("2"));
    w.Get<QPushButton>("Button1")->click();
    EXPECT_EQ(w.page->ShownLane(), 0);
    EXPECT_EQ(w.Edit("EScaleL")->text(), QStringLiteral("abc")); // left for correcting
    w.Get<QPushButton>("Button2")->click();
    EXPECT_FALSE(w.dir.Exists(QStringLiteral("ryvw.dat")));
    EXPECT_EQ(w.dialogs.messages.size(), 3u);

    w.Edit("EScaleL")->setText(QStringLiteral("0,5"));
    w.Get<QPushButton>("Button1")->click();
    EXPECT_EQ(w.page->ShownLane(), 1);
    EXPECT_FLOAT_EQ(w.state.settings.ScaleL[0], 0.5F);
    EXPECT_FLOAT_EQ(w.state.settings.CentX[0], 2.5F);
}

TEST(TForm3, WholeNumberEditsRefuseLettersAsTyped) {
    SettingsWindow w;
    w.Open();
    for (const char* name : {"Edit1", "NumRepDraw"}) {
        QLineEdit* edit = w.Edit(name);
        edit->clear();
        Type(edit, QStringLiteral("4a,ы5"));
        EXPECT_EQ(edit->text(), QStringLiteral("45")) << name;
    }
    // An emptied edit still gets the conversion error, and Exit stays.
    w.Edit("NumRepDraw")->clear();
    w.Edit("Edit1")->setText(QStringLiteral("1"));
    w.Get<QPushButton>("Exit")->click();
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, QStringLiteral("'' is not a valid integer value"));
    EXPECT_EQ(w.Active(), QStringLiteral("TForm3"));
}

TEST(TForm3, TimesShowTheirUnitBesideTheNumber) {
    SettingsWindow w;
    w.state.settings.TimePost = 300;
    w.state.settings.TimeTrace = 1000;
    w.Open();
    EXPECT_EQ(w.Get<QSpinBox>("TimePostU")->text(), QStringLiteral("300 мс"));
    EXPECT_EQ(w.Get<QSpinBox>("TimeShootU")->suffix(), QStringLiteral(" мс"));
    EXPECT_EQ(w.Get<QSpinBox>("TimeGunU")->suffix(), QStringLiteral(" мс"));
    EXPECT_EQ(w.Get<QSpinBox>("TimeTraceU")->text(), QStringLiteral("1000 точек"));
    // Typing a number, with or without the unit, still gives that number.
    auto* post = w.Get<QSpinBox>("TimePostU");
    post->selectAll();
    Type(w.Edit("TimePost"), QStringLiteral("250"));
    post->interpretText();
    EXPECT_EQ(post->value(), 250);
    w.Get<QPushButton>("Exit")->click();
    EXPECT_EQ(w.state.settings.TimePost, 250);
}
