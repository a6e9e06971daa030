#include "exercise/TShoot1.h"

#include "calibration/ShooterZero.h"
#include "core/Product.h"
#include "exercise/RelayControls.h"
#include "exercise/SeriesPanel.h"
#include "platform/Widgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace ryvo {

namespace {

constexpr int kSignalGroupWidth = 254;

// Until the window is laid out.
constexpr int kTargetSize = 526;
constexpr int kMinTargetSize = 300;
constexpr int kSignalWidth = 235;
constexpr int kSignalHeight = 39;

// Point size at the base window size of values read from a distance.
constexpr double kValuePoints = 18.0;

QPixmap MissPixmap(double s) {
    QPixmap pixmap = ScaledPixmap(30, 30, s);
    QPainter p(&pixmap);
    p.scale(s, s);
    p.setPen(QPen(QColor(200, 0, 0), 4));
    p.drawLine(4, 4, 26, 26);
    p.drawLine(26, 4, 4, 26);
    return pixmap;
}

QPixmap DarkTargetPixmap(double s) {
    QPixmap pixmap = ScaledPixmap(30, 30, s);
    QPainter p(&pixmap);
    p.scale(s, s);
    p.setBrush(QColor(60, 60, 60));
    p.setPen(QPen(Qt::black, 1));
    p.drawEllipse(QRect(2, 2, 26, 26));
    p.setPen(QPen(QColor(200, 0, 0), 3));
    p.drawLine(4, 26, 26, 4);
    return pixmap;
}

} // namespace

TShoot1::TShoot1(ProgramState& state, const Services& services, QWidget* parent)
    : ExercisePage(QStringLiteral("TShoot1"),
                   QStringLiteral("%1    %2")
                       .arg(QString::fromUtf8(kProductName), QString::fromUtf8(kContactLine)),
                   parent),
      PanelForwarding(this), m_state(state), m_run(state, services, *this) {
    TargetPanelWidgets& panel = Panel();
    auto* page = new QVBoxLayout(this);
    auto* root = new QHBoxLayout;
    page->addLayout(root, 1);
    // The lamps, the status and the key hint share the bottom line.
    auto* statusRow = new QHBoxLayout;
    page->addLayout(statusRow);

    // The target takes what the side column leaves.
    root->addWidget(panel.AddTarget("Panel1", "Target", kTargetSize, kMinTargetSize), 1);
    // The shooter standing at the lane, when one is assigned.
    m_shooter = AddNameStrip(panel.View(ViewPicture::Target), "Shooter");
    ScaleText(m_shooter, kValuePoints, true);
    m_shooter->hide();
    panel.AddMarkers({"Gun2", "PostGun", "LeftArrow", "RightArrow", "UpArrow", "DownArrow"});

    auto* side = new QVBoxLayout;
    root->addLayout(side, 0);

    // Two buttons to a row leave the series its height on a low screen.
    auto* buttons = new QGridLayout;
    auto button = [&](ViewButton b, const char* name, const QString& caption,
                      void (TShoot1::*handler)(), int row, int column, int span = 1) {
        QPushButton* w = panel.AddButton(b, NewButton(name, caption, handler));
        buttons->addWidget(w, row, column, 1, span);
        return w;
    };
    button(ViewButton::Start, "Start", QStringLiteral("Начало стрельбы"), &TShoot1::StartClick, 0,
           0);
    button(ViewButton::Save, "Save", QStringLiteral("Записать"), &TShoot1::SaveClick, 1, 0)
        ->setEnabled(false);
    button(ViewButton::Print, "Print", QStringLiteral("Печать"), &TShoot1::PrintClick, 1, 1)
        ->setEnabled(false);
    button(ViewButton::ViewShoots, "ViewShoots", QStringLiteral("Просмотреть выстрелы"),
           &TShoot1::ViewShootsClick, 2, 0, 2)
        ->setEnabled(false);
    button(ViewButton::Exit, "Exit", QStringLiteral("&Выход"), &TShoot1::ExitClick, 0, 1);
    QPushButton* rangeScreen = NewButton("RangeScreen", QStringLiteral("Экран рубежа"));
    connect(rangeScreen, &QPushButton::clicked, this, [this] {
        if (onRangeScreen) {
            onRangeScreen();
        }
    });
    buttons->addWidget(rangeScreen, 3, 0, 1, 2);
    side->addLayout(buttons);

    // The first shot's time is a caption-sized note; the rest are read from afar.
    QGroupBox* stat = panel.AddStatistics(
        "GroupBoxStat",
        {{"NumT", QStringLiteral("Произведен выстрел N"), "Num", ViewText::Num},
         {"TimeT", QStringLiteral("Время стрельбы"), "TimeC", ViewText::TimeC},
         {"ResT", QStringLiteral("Результат выстрела"), "Res", ViewText::Res},
         {"SymT", QStringLiteral("Сумма"), "SymE", ViewText::SymE},
         {"AverSymT", QStringLiteral("Средний результат"), "AverSym", ViewText::AverSym},
         {"Label2", QStringLiteral("Первый выстрел"), "FirstTime", ViewText::FirstTime,
          ValueFont::Note}},
        kValuePoints);
    auto* misses = new QHBoxLayout;
    misses->addWidget(panel.AddMarker(ViewItem::Fail, "Fail", MissPixmap, stat));
    misses->addWidget(panel.AddFailArrow("FailArrow", stat));
    misses->addWidget(
        panel.AddMarker(ViewItem::ImageActive, "ImageActive", DarkTargetPixmap, stat));
    misses->addStretch(1);
    // A miss shown or taken away leaves the box its height.
    for (ViewItem item : {ViewItem::Fail, ViewItem::ImageActive}) {
        KeepPlaceWhenHidden(panel.Item(item));
    }
    panel.AddStatisticsRow(misses);
    side->addWidget(stat);

    // The level bar's full length is the group's width, so the group keeps it however the
    // side column stretches.
    side->addWidget(panel.AddSignalGroup(QSize(kSignalWidth, kSignalHeight), kSignalGroupWidth));

    auto lamp = [&](ViewItem item, const char* name, int width) {
        QLabel* label = AddLamp(name, width, 19);
        panel.AddItem(item, label);
        statusRow->addWidget(label);
    };
    lamp(ViewItem::Image1, "Image1", 50);
    lamp(ViewItem::Image3, "Image3", 31);
    lamp(ViewItem::Image2, "Image2", 50);
    lamp(ViewItem::Image4, "Image4", 31);
    statusRow->addWidget(StatusLine(), 1);
    statusRow->addWidget(HintLine(), 0);
    // Kept by name; this window shows nothing in it.
    Named(new QLabel(this), "Label1")->hide();
    // The series takes what height the column has left.
    m_series = new SeriesPanel(QStringLiteral("Серия"), "");
    m_series->ShowHoldFigures(true);
    ScaleText(m_series, kCaptionPoints);
    panel.SetSeries(m_series);
    side->addWidget(m_series, 1);

    Ticks().Drive(m_run);
    ShowStatus(m_run.status);
    panel.View(ViewPicture::Target)->onPainted = [this] {
        if (onDisplayed) {
            onDisplayed();
        }
    };
    panel.PlaceMarkers();
}

void TShoot1::PicturesResized() {
    Panel().PlaceMarkers();
    m_run.Redraw();
    FlushDisplay();
}

TShoot1::~TShoot1() = default;

void TShoot1::FormActivate() {
    m_run.FormActivate();
    const int lane = std::clamp(m_state.CurrentLane, 0, kLaneCount - 1);
    // With "(своя пристрелка)" while the shooter's own zero applies.
    const QString shooter = LaneShooterCaption(m_state, lane);
    m_shooter->setText(QStringLiteral("Мишень %1: %2").arg(lane + 1).arg(shooter));
    m_shooter->setVisible(!shooter.isEmpty());
    FlushDisplay();
}

void TShoot1::StartClick() {
    m_run.StartClick();
    Ticks().KeepTicking();
}

void TShoot1::ViewShootsClick() {
    m_run.ViewShootsClick();
    Ticks().KeepTicking();
}

void TShoot1::SaveClick() {
    m_run.SaveClick();
}

void TShoot1::PrintClick() {
    m_run.PrintClick();
}

void TShoot1::ExitClick() {
    m_run.ExitClick();
}

} // namespace ryvo
