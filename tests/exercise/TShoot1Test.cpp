#include "WindowHarness.h"

#include "support/OnScreen.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

using namespace ryvo;
using ryvo::test::Window;
using Phase = SingleShooterRun::Phase;

TEST(TShoot1Window, ControlsThroughARun) {
    Window w;
    for (const char* name :
         {"Panel1",  "Target",    "Gun2",         "PostGun", "LeftArrow", "RightArrow",
          "UpArrow", "DownArrow", "GroupBoxStat", "Fail",    "FailArrow", "ImageActive",
          "Signal",  "SignalI",   "SigText",      "Image1",  "Image2",    "Image3",
          "Image4",  "Label1",    "FirstTime",    "Label2"}) {
        EXPECT_NE(w.page.findChild<QWidget*>(name), nullptr) << name;
    }
    EXPECT_EQ(w.page.objectName(), QStringLiteral("TShoot1"));
    EXPECT_EQ(w.Button("Start")->text(), QStringLiteral("Начало стрельбы"));
    EXPECT_EQ(w.Button("Save")->text(), QStringLiteral("Записать"));
    EXPECT_EQ(w.Button("Print")->text(), QStringLiteral("Печать"));
    EXPECT_EQ(w.Button("ViewShoots")->text(), QStringLiteral("Просмотреть выстрелы"));
    EXPECT_EQ(w.Button("Exit")->text(), QStringLiteral("&Выход"));
    EXPECT_EQ(w.page.findChild<QGroupBox*>("GroupBoxStat")->title(), QStringLiteral("Статистика"));
    EXPECT_EQ(w.page.findChild<QGroupBox*>("Signal")->title(), QStringLiteral("Сигнал"));
    EXPECT_EQ(w.Label("NumT"), QStringLiteral("Произведен выстрел N"));
    EXPECT_EQ(w.Label("Label2"), QStringLiteral("Первый выстрел"));
    EXPECT_EQ(w.page.findChild<QWidget*>("Target")->size(), QSize(526, 526));
    EXPECT_EQ(w.page.findChild<QWidget*>("SignalI")->size(), QSize(235, 39));

    w.page.FormActivate();
    EXPECT_TRUE(w.page.findChild<QLabel*>("Num")->font().bold());
    EXPECT_TRUE(w.Button("Start")->isEnabled());
    EXPECT_FALSE(w.Button("Save")->isEnabled());
    EXPECT_FALSE(w.Button("ViewShoots")->isEnabled());

    w.Button("Start")->click();
    for (const char* name : {"Start", "Save", "Print", "ViewShoots", "Exit"}) {
        EXPECT_FALSE(w.Button(name)->isEnabled()) << name;
    }
    w.Tick(30);
    ASSERT_EQ(w.page.Run().CurrentPhase(), Phase::Series);
    EXPECT_EQ(w.Label("TimeC"), QStringLiteral("  0 сек"));
    EXPECT_EQ(w.Label("FirstTime"), QStringLiteral("0 cек"));
    EXPECT_EQ(w.Label("AverSym"), QStringLiteral(" 0.0"));
    w.page.FlushDisplay();
    EXPECT_TRUE(w.page.findChild<QWidget*>("Gun2")->isVisibleTo(&w.page));
    // Aim at the centre: the marker's middle sits on the middle of the picture.
    EXPECT_EQ(w.page.findChild<QWidget*>("Gun2")->pos(), QPoint(263 - 10, 263 - 10));

    w.Button("Exit")->click();
    EXPECT_TRUE(w.navigator.activated.isEmpty()) << "no exit while running";
    for (int shot = 0; shot < 2; ++shot) {
        w.model.Lane(0).triggers.Pull();
        w.Tick(30);
    }
    w.Tick(5);
    ASSERT_TRUE(w.page.Run().Idle());
    EXPECT_EQ(w.Label("Num"), QStringLiteral("2"));
    EXPECT_EQ(w.Label("Res"), QStringLiteral("10"));
    EXPECT_EQ(w.Label("SymE"), QStringLiteral("  20"));
    EXPECT_EQ(w.Label("AverSym"), QStringLiteral("10.0"));
    EXPECT_EQ(w.Label("SigText"), QStringLiteral("Уровень=3000"));
    for (const char* name : {"Start", "Save", "Print", "ViewShoots", "Exit"}) {
        EXPECT_TRUE(w.Button(name)->isEnabled()) << name;
    }

    w.Button("Save")->click();
    EXPECT_EQ(w.navigator.activated, QStringList{"TSave_Print"});
    EXPECT_EQ(w.state.ResultSource, 1);
    w.page.FormActivate();
    w.Button("Exit")->click();
    EXPECT_EQ(w.navigator.activated.back(), QStringLiteral("TMainForm2"));
}

TEST(TShoot1Window, SilentDeviceShowsNoLevelAndEscapeEnds) {
    Window w;
    w.model.GetFaults().Set(sim::Fault::Silence);
    w.page.FormActivate();
    w.Button("Start")->click();
    w.Tick(5);
    ASSERT_EQ(w.page.Run().CurrentPhase(), Phase::Series);
    w.Tick(3);
    w.page.FlushDisplay();
    EXPECT_FALSE(w.page.findChild<QWidget*>("Gun2")->isVisibleTo(&w.page));
    w.keyboard.Set(Key::Escape, true);
    w.Tick(2);
    w.keyboard.Set(Key::Escape, false);
    w.Tick(3);
    EXPECT_TRUE(w.page.Run().Idle());
    EXPECT_FALSE(w.Button("Save")->isEnabled());
    EXPECT_TRUE(w.Button("Start")->isEnabled());
}

TEST(TShoot1Window, LevelBarSpansTheSignalGroup) {
    Window w;
    w.page.resize(1024, 768);
    w.page.FormActivate();
    const int group = w.page.findChild<QGroupBox*>("Signal")->width();
    ASSERT_NE(group, w.page.findChild<QWidget*>("SignalI")->width());
    EXPECT_EQ(w.page.SignalLength(), group);
}

namespace {

// Lays the page out at `size` as a shown window would be.
void ShowAt(TShoot1& page, QSize size) {
    page.resize(size);
    page.show();
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
}

} // namespace

TEST(TShoot1Window, FillsTheWindowAtCommonScreenSizes) {
    Window w;
    w.page.FormActivate();
    // A status far longer than its line: a record saved under a deep path.
    w.state.LastSavedFile = QStringLiteral("2024/Сентябрь/") + QString(40, u'Ш') +
                            QStringLiteral("/очень длинное имя группы стрелков.rec");
    ++w.state.SaveCount;
    w.page.Run().status.Activated();
    ASSERT_TRUE(w.Label("StatusLine").endsWith(QStringLiteral(".rec")));
    int lastSide = 0;
    int lastHeight = 0;
    double lastValuePoints = 0.0;
    double lastCaptionPoints = 0.0;
    for (QSize size : {QSize(1024, 768), QSize(1366, 768), QSize(1600, 1000), QSize(1920, 1080)}) {
        SCOPED_TRACE(size.width());
        ShowAt(w.page, size);
        ASSERT_EQ(w.page.size(), size);
        // Nothing asks for more room than the window has, and every control is on it, whole.
        EXPECT_TRUE(test::FitsIn(w.page.minimumSizeHint(), size))
            << w.page.minimumSizeHint().width() << "x" << w.page.minimumSizeHint().height();
        const QStringList off = test::ControlsOffArea(w.page, test::GlobalRect(w.page));
        EXPECT_TRUE(off.isEmpty()) << off.join(QStringLiteral("; ")).toStdString();
        auto* target = w.page.findChild<QWidget*>("Target");
        const QRect onPage(target->mapTo(&w.page, QPoint(0, 0)), target->size());
        EXPECT_EQ(target->width(), target->height());
        EXPECT_EQ(w.page.Picture(ViewPicture::Target).Width(), target->width());
        EXPECT_TRUE(w.page.rect().contains(onPage)) << "the target fits the window";
        EXPECT_GT(target->width(), lastSide);
        // The side column leaves the target most of the window.
        EXPECT_GE(target->width(), size.height() * 8 / 10);
        for (const char* name : {"Start", "Exit", "GroupBoxStat", "Signal", "SeriesPanel"}) {
            auto* c = w.page.findChild<QWidget*>(name);
            EXPECT_TRUE(w.page.rect().contains(QRect(c->mapTo(&w.page, QPoint(0, 0)), c->size())))
                << name;
            EXPECT_FALSE(onPage.intersects(QRect(c->mapTo(&w.page, QPoint(0, 0)), c->size())))
                << name;
        }
        // The series table keeps a few rows in view beside the target.
        auto* table = w.page.findChild<QTableView*>("ShotTable");
        EXPECT_GE(table->viewport()->height(), 3 * table->verticalHeader()->defaultSectionSize());
        const double value = w.page.findChild<QLabel*>("SymE")->font().pointSizeF();
        const double caption = w.page.findChild<QLabel*>("SymT")->font().pointSizeF();
        // Texts grow with the height; a wider screen of the same height keeps them.
        if (size.height() > lastHeight) {
            EXPECT_GT(value, lastValuePoints);
            EXPECT_GT(caption, lastCaptionPoints);
        } else {
            EXPECT_EQ(value, lastValuePoints);
            EXPECT_EQ(caption, lastCaptionPoints);
        }
        EXPECT_GT(value, caption);
        EXPECT_EQ(w.Button("Start")->font().pointSizeF(), caption);
        lastSide = target->width();
        lastHeight = size.height();
        lastValuePoints = value;
        lastCaptionPoints = caption;
    }
    // The target was drawn anew at its size: its centre is the target's, not the blank face.
    const ImageCanvas& image = static_cast<ImageCanvas&>(w.page.Picture(ViewPicture::Target));
    const QColor centre = image.Image().pixelColor(lastSide / 2, lastSide / 2);
    EXPECT_NE(centre, image.Image().pixelColor(0, 0));

    // A series at this size aims in pixels of this width (k = width x 0.005).
    w.Button("Start")->click();
    w.Tick(30);
    ASSERT_EQ(w.page.Run().CurrentPhase(), Phase::Series);
    w.page.FlushDisplay();
    auto* gun = w.page.findChild<QWidget*>("Gun2");
    EXPECT_GT(gun->width(), 20) << "the marker grows with the window";
    EXPECT_EQ(gun->pos() + QPoint(gun->width() / 2, gun->height() / 2),
              QPoint(lastSide / 2, lastSide / 2));
    auto* right = w.page.findChild<QWidget*>("RightArrow");
    EXPECT_EQ(right->x() + right->width(), lastSide) << "edge arrows sit at the edge";

    // A resize during the run waits for its end.
    ShowAt(w.page, QSize(1024, 768));
    EXPECT_EQ(w.page.Picture(ViewPicture::Target).Width(), lastSide);
    w.keyboard.Set(Key::Escape, true);
    w.Tick(2);
    w.keyboard.Set(Key::Escape, false);
    w.Tick(120);
    ASSERT_TRUE(w.page.Run().Idle());
    w.page.Ticks().KeepTicking();
    EXPECT_LT(w.page.Picture(ViewPicture::Target).Width(), lastSide);
    EXPECT_EQ(w.page.Picture(ViewPicture::Target).Width(),
              w.page.findChild<QWidget*>("Target")->width());
}

TEST(TShoot1Window, PicturesCarryTheirControlNames) {
    Window w;
    for (const char* name : {"Target", "Panel1", "SignalI", "FailArrow"}) {
        EXPECT_EQ(w.page.findChild<QWidget*>(name)->accessibleName(), QString::fromLatin1(name));
    }
}
