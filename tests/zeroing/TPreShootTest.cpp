#include "zeroing/TPreShoot.h"

#include "calibration/Calibration.h"
#include "support/ExerciseSettings.h"
#include "support/RecordingNavigator.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace ryvo;

namespace {

using test::RecordingNavigator;

struct Window : test::SimRig {
    test::TempDir dir;
    RecordingNavigator navigator;
    TPreShoot page{state, services};

    Window() : SimRig(1000) {
        test::UseSingleShooterSettings(state, 10, 2);
        state.StartDir = dir.Path();
        page.SetNavigator(&navigator);
        page.resize(1000, 700);
        page.show();
        page.FormActivate();
    }
    template <typename T = QPushButton> T* Get(const char* name) {
        return page.findChild<T*>(QString::fromLatin1(name));
    }
    QWidget* Widget(const char* name) { return Get<QWidget>(name); }
    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            clock.Advance(5);
            page.Run().Tick();
        }
    }
};

} // namespace

TEST(TPreShootWindow, ControlsAndCaptions) {
    Window w;
    const std::vector<std::pair<const char*, QString>> buttons = {
        {"ButCent", QStringLiteral("Центр")},
        {"ButUp", QStringLiteral("Верхний край")},
        {"ButRight", QStringLiteral("Правый край")},
        {"ButLeft", QStringLiteral("Левый край")},
        {"ButDown", QStringLiteral("Нижний край")},
        {"ButLoad", QStringLiteral("Восстановить из файла")},
        {"Button2", QStringLiteral("Записать в файл")},
        {"ButShoot", QStringLiteral("Произвести выстрел")},
        {"ExitSave", QStringLiteral("Сохранить и выйти")},
        {"Exit1", QStringLiteral("Выход без сохранения")},
    };
    for (const auto& [name, caption] : buttons) {
        QPushButton* b = w.Get(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), caption) << name;
        EXPECT_EQ(b->isEnabled(), std::string(name) != "ButShoot") << name;
    }
    EXPECT_EQ(w.Get<QGroupBox>("InfoGroup")->title(), QStringLiteral("Информация"));
    EXPECT_EQ(w.Get<QGroupBox>("GroupBox1")->title(), QStringLiteral("Параметры пристрелки"));
    EXPECT_EQ(w.Get<QGroupBox>("Signal")->title(), QStringLiteral("Сигнал"));
    EXPECT_TRUE(w.Get<QGroupBox>("GroupBox1")->isAncestorOf(w.Get("ButLoad")));
    EXPECT_EQ(w.Get<QLabel>("StaticText1")->text(), QStringLiteral("Номер мишени для пристрелки"));
    EXPECT_EQ(w.Get<QLineEdit>("Edit1")->text(), QStringLiteral("1"));
    for (const char* name :
         {"Panel1", "Target", "Gun2", "PostGun2", "Pointer1", "LeftArrow", "RightArrow", "UpArrow",
          "DownArrow", "Info", "SignalI", "SigText", "UpDown1"}) {
        EXPECT_NE(w.Widget(name), nullptr) << name;
    }
    for (const char* hidden : {"Gun2", "PostGun2", "Pointer1", "LeftArrow", "DownArrow"}) {
        EXPECT_FALSE(w.Widget(hidden)->isVisible()) << hidden;
    }
    EXPECT_EQ(w.Widget("Pointer1")->size(), QSize(31, 31));
    EXPECT_EQ(w.Widget("SignalI")->size(), QSize(254, 30));
    EXPECT_EQ(w.page.windowTitle(), QStringLiteral("Пристрелка"));
}

TEST(TPreShootWindow, LaneNumberStepsWithinOneToFive) {
    Window w;
    auto arrows = w.Widget("UpDown1")->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    QToolButton* up = arrows[0]->arrowType() == Qt::UpArrow ? arrows[0] : arrows[1];
    QToolButton* down = up == arrows[0] ? arrows[1] : arrows[0];
    auto* edit = w.Get<QLineEdit>("Edit1");
    for (int i = 0; i < 6; ++i) {
        up->click();
    }
    EXPECT_EQ(edit->text(), QStringLiteral("5"));
    edit->setText(QStringLiteral("2"));
    down->click();
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    down->click();
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
}

TEST(TPreShootWindow, TargetIsTheLargestSquareAndTheMarkerFollowsItsWidth) {
    Window w;
    const QWidget* panel = w.Widget("Panel1");
    const QWidget* target = w.Widget("Target");
    EXPECT_EQ(target->width(), std::min(panel->width(), panel->height()));
    EXPECT_EQ(target->width(), target->height());
    EXPECT_EQ(w.page.Picture(ViewPicture::Target).Width(), target->width());

    w.page.resize(1600, 1100);
    const int side = std::min(panel->width(), panel->height());
    EXPECT_EQ(target->width(), side);
    EXPECT_GT(side, 700);
    w.Get("ButRight")->click();
    EXPECT_TRUE(w.Widget("Pointer1")->isVisible());
    EXPECT_EQ(w.Widget("Pointer1")->pos(),
              PointerPlacement(ZeroingMode::Right, side, 31, ZeroingEdges{}));
    // No change of size while measuring.
    w.page.resize(900, 600);
    EXPECT_EQ(target->width(), side);
}

TEST(TPreShootWindow, MeasurementThroughTheButtons) {
    Window w;
    w.model.Lane(1).level = 4000;
    w.model.Lane(1).aim = std::make_unique<sim::FixedAim>(sim::Signal{0, -800}); // y = -20
    w.Get<QLineEdit>("Edit1")->setText(QStringLiteral("2"));
    w.Get("ButDown")->click();
    EXPECT_EQ(w.Get<QLabel>("Info")->text(),
              QStringLiteral("Произведите выстрелы в район отмеченой точки мишени\nВвод <Enter> "
                             "Отмена<ESC>"));
    for (const char* name : {"ButCent", "ButDown", "ExitSave", "Exit1", "ButLoad", "Button2"}) {
        EXPECT_FALSE(w.Get(name)->isEnabled()) << name;
    }
    w.Tick(30);
    EXPECT_TRUE(w.Get("ButShoot")->isEnabled());
    EXPECT_TRUE(w.Widget("Gun2")->isVisible());
    w.Get("ButShoot")->click();
    w.Tick();
    EXPECT_EQ(w.Get<QLabel>("SigText")->text(), QStringLiteral("Уровень=4000"));
    // Return and Space then reach no button.
    EXPECT_EQ(w.page.focusWidget(), w.Get<QGroupBox>("GroupBox1"));
    w.keyboard.Set(Key::Return, true);
    w.Tick();
    w.keyboard.Set(Key::Return, false);
    w.Tick(3);
    EXPECT_TRUE(w.page.Run().Idle());
    EXPECT_FALSE(w.Get("ButShoot")->isEnabled());
    EXPECT_FALSE(w.Widget("Pointer1")->isVisible());
    // A mean above the centre line still gives a positive lower scale: 100 / 20.
    EXPECT_NEAR(w.state.settings.ScaleD[1], 5.0F, 0.01F);

    // Leaving without saving restores the entry values; the file keeps the correction.
    w.Get("Exit1")->click();
    EXPECT_EQ(w.navigator.activated, QStringList{QStringLiteral("TMainForm2")});
    EXPECT_FLOAT_EQ(w.state.settings.ScaleD[1], 1.0F);
    Settings file;
    ApplyBuiltInDefaults(file);
    ASSERT_TRUE(ReadCalibration(file, w.dir.File(QStringLiteral("ryvw.dat")), false));
    EXPECT_NEAR(file.ScaleD[1], 5.0F, 0.01F);
}

TEST(TPreShootWindow, FileButtonsUseTheCalibrationFilter) {
    Window w;
    w.dialogs.fileAnswers = {w.dir.File(QStringLiteral("lane.dat")), std::nullopt};
    w.Get("Button2")->click();
    EXPECT_TRUE(w.dir.Exists(QStringLiteral("lane.dat")));
    w.Get("ButLoad")->click();
    EXPECT_EQ(w.dialogs.fileFilters,
              (std::vector<QString>{QStringLiteral("Файл пристрелки|*.dat"),
                                    QStringLiteral("Файл пристрелки|*.dat")}));
    w.Get("ExitSave")->click();
    EXPECT_TRUE(w.dir.Exists(QStringLiteral("ryvw.dat")));
    EXPECT_EQ(w.navigator.activated, QStringList{QStringLiteral("TMainForm2")});
}

TEST(TPreShootWindow, TheMeanPointCrossIsDrawnOverTheHoles) {
    Window w;
    w.model.Lane(0).level = 4000;
    auto aim = [&](int x, int y) { // target units, 40 device units each
        w.model.Lane(0).aim = std::make_unique<sim::FixedAim>(
            sim::Signal{static_cast<std::int16_t>(x * 40), static_cast<std::int16_t>(y * 40)});
        w.Tick(50);
    };
    QWidget* cross = w.Widget("MeanPoint");
    ASSERT_NE(cross, nullptr);
    QWidget* target = w.Widget("Target");
    const int side = target->width();
    w.Get("ButCent")->click();
    aim(10, -20);
    EXPECT_FALSE(cross->isVisible());
    w.Get("ButShoot")->click();
    w.Tick();
    EXPECT_TRUE(cross->isVisible());
    EXPECT_EQ(cross->geometry().center(), QPoint(ToPixels(10, side), ToPixels(-20, side)));

    aim(30, -20);
    w.Get("ButShoot")->click();
    w.Tick();
    const QPoint centre(ToPixels(20, side), ToPixels(-20, side));
    EXPECT_EQ(cross->geometry().center(), centre);
    // Blue on both arms, clear of the two holes 10 units either side.
    const QImage shown = target->grab().toImage();
    const QColor blue(0, 90, 255);
    const int arm = cross->width() / 2 - 2;
    EXPECT_EQ(shown.pixelColor(centre + QPoint(arm, 0)), blue);
    EXPECT_EQ(shown.pixelColor(centre + QPoint(-arm, 0)), blue);
    EXPECT_EQ(shown.pixelColor(centre + QPoint(0, arm)), blue);
    EXPECT_EQ(shown.pixelColor(centre + QPoint(0, -arm)), blue);
    EXPECT_NE(shown.pixelColor(centre + QPoint(arm, arm)), blue);
    // The picture itself is untouched: the cross is drawn over it.
    EXPECT_NE(QColor(w.page.Picture(ViewPicture::Target).Pixel(centre.x() + arm, centre.y())),
              blue);

    w.keyboard.Set(Key::Return, true);
    w.Tick();
    w.keyboard.Set(Key::Return, false);
    w.Tick(3);
    ASSERT_TRUE(w.page.Run().Idle());
    EXPECT_NEAR(w.state.settings.CentX[0], -20.0F, 0.05F);
    EXPECT_NEAR(w.state.settings.CentY[0], 20.0F, 0.05F);
    EXPECT_TRUE(cross->isVisible());
    // The next measurement starts on an empty target.
    w.Get("ButCent")->click();
    EXPECT_FALSE(cross->isVisible());
}

TEST(TPreShootWindow, SaveForShooterWritesTheShootersFileOnly) {
    Window w;
    w.state.LaneShooter[0] = QStringLiteral("Иванов");
    w.state.LaneShooter[1] = QStringLiteral("Петров");
    w.state.settings.CentX[0] = -7.5F;
    w.page.FormActivate();
    auto* name = w.Get<QLineEdit>("ShooterName");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("Иванов"));
    QPushButton* save = w.Get("SaveForShooter");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), QStringLiteral("Сохранить для стрелка"));

    save->click();
    const QString file = QStringLiteral("Пристрелка/Иванов.dat");
    ASSERT_TRUE(w.dir.Exists(file));
    Settings expected = w.state.settings;
    for (int lane = 1; lane < kLaneCount; ++lane) {
        SetLaneCalibration(expected, lane, LaneCalibrationOf(w.state.settings, 0));
    }
    ASSERT_TRUE(WriteCalibration(expected, w.dir.File(QStringLiteral("expected.dat"))));
    EXPECT_EQ(w.dir.Read(file), w.dir.Read(QStringLiteral("expected.dat")));
    EXPECT_EQ(w.Get<QLabel>("ShooterZeroNote")->text(), QStringLiteral("(своя пристрелка)"));
    EXPECT_FALSE(w.dir.Exists(QStringLiteral("ryvw.dat")));

    // The name follows the lane number; a typed name is made safe for a file.
    w.Get<QLineEdit>("Edit1")->setText(QStringLiteral("2"));
    EXPECT_EQ(name->text(), QStringLiteral("Петров"));
    EXPECT_EQ(w.Get<QLabel>("ShooterZeroNote")->text(), QString());
    name->setText(QStringLiteral("Сидоров/Пётр"));
    save->click();
    EXPECT_TRUE(w.dir.Exists(QStringLiteral("Пристрелка/Сидоров_Пётр.dat")));
    EXPECT_FALSE(w.dir.Exists(QStringLiteral("ryvw.dat")));
}
