#include "exercise/TShoots5.h"

#include "exercise/RelayControls.h"
#include "exercise/SeriesPanel.h"
#include "platform/FittedLabel.h"
#include "platform/Widgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace ryvo {

namespace {

// Sizes at the base window size; the large target takes what the window leaves.
constexpr int kTargetSize = 421;
constexpr int kMinTargetSize = 300;
constexpr int kSmallSize = 126;
constexpr int kBarWidth = 11;
constexpr int kSignalWidth = 235;
constexpr int kSignalHeight = 36;
constexpr int kSignalGroupWidth = 254;
constexpr int kSteadyLampWidth = 73;
constexpr int kFlashLampWidth = 19;
constexpr int kLampHeight = 8;
// Lines of the status beside the small targets.
constexpr int kStatusLines = 4;

// Point size at the base window size of values read from a distance.
constexpr double kValuePoints = 18.0;

// A 176 x 44 notice: a miss or a shot at a dark target.
QPixmap NoticePixmap(const QString& text, const QColor& colour, double s) {
    QPixmap pixmap = ScaledPixmap(176, 44, s);
    QPainter p(&pixmap);
    p.scale(s, s);
    p.setPen(QPen(colour, 2));
    p.drawRect(1, 1, 173, 41);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(16);
    p.setFont(font);
    p.drawText(QRect(0, 0, 176, 44), Qt::AlignCenter, text);
    return pixmap;
}

QPixmap MissNotice(double s) {
    return NoticePixmap(QStringLiteral("Промах"), QColor(200, 0, 0), s);
}

QPixmap DarkNotice(double s) {
    return NoticePixmap(QStringLiteral("Мишень не поднята"), QColor(60, 60, 60), s);
}

} // namespace

TShoots5::TShoots5(ProgramState& state, const Services& services, QWidget* parent)
    : ExercisePage(QStringLiteral("TShoots5"), QStringLiteral("Стрельба: до пяти стрелков"),
                   parent),
      PanelForwarding(this), m_state(state), m_run(state, services, *this) {
    TargetPanelWidgets& panel = Panel();
    RelayControls::Hooks hooks;
    hooks.seriesOnHand = [this] { return m_run.Idle() && Panel().IsEnabled(ViewButton::Save); };
    hooks.idle = [this] { return m_run.Idle(); };
    hooks.readyForSeries = [this] {
        // As when the window is opened afresh: the series is no longer on hand.
        m_state.ResultSource = 0;
        FormActivate();
    };
    hooks.statusChanged = [this] { ShowStatus(); };
    m_relay = new RelayControls(state, {0, 1, 2, 3, 4}, m_run.status, services.dialogs,
                                std::move(hooks), this);
    auto* root = new QVBoxLayout(this);

    static constexpr std::array<const char*, kLaneCount> kTar = {"Tar1", "Tar2", "Tar3", "Tar4",
                                                                 "Tar5"};
    static constexpr std::array<const char*, kLaneCount> kSig = {"Sig1", "Sig2", "Sig3", "Sig4",
                                                                 "Sig5"};
    static constexpr std::array<const char*, kLaneCount> kSteady = {"Image1", "Image2", "Image3",
                                                                    "Image4", "Image5"};
    static constexpr std::array<const char*, kLaneCount> kFlash = {"Image11", "Image21", "Image31",
                                                                   "Image41", "Image51"};
    static constexpr std::array<const char*, kLaneCount> kName = {
        "Shooter1", "Shooter2", "Shooter3", "Shooter4", "Shooter5"};
    auto* lanes = new QHBoxLayout;
    root->addLayout(lanes);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const auto i = static_cast<size_t>(lane);
        auto* column = new QVBoxLayout;
        auto* lampRow = new QHBoxLayout;
        auto lamp = [this, lampRow](const char* name, int width) {
            QLabel* label = AddLamp(name, width, kLampHeight);
            lampRow->addWidget(label);
            return label;
        };
        lampRow->addSpacing(kBarWidth);
        m_steadyLamps[i] = lamp(kSteady[i], kSteadyLampWidth);
        m_flashLamps[i] = lamp(kFlash[i], kFlashLampWidth);
        lampRow->addStretch(1);
        column->addLayout(lampRow);
        auto* pictures = new QHBoxLayout;
        m_barViews[i] = AddScaledPicture(kSig[i], QSize(kBarWidth, kSmallSize));
        m_smallViews[i] = AddScaledPicture(kTar[i], QSize(kSmallSize, kSmallSize));
        m_smallViews[i]->setCursor(Qt::PointingHandCursor);
        m_smallViews[i]->installEventFilter(this);
        // Who stands at the lane, along the top of its small target.
        QLabel* name = AddNameStrip(m_smallViews[i], kName[i]);
        ScaleText(name, kCaptionPoints, true);
        m_relay->ShowName(name, lane);
        pictures->addWidget(m_barViews[i]);
        pictures->addWidget(m_smallViews[i]);
        pictures->setSpacing(2);
        column->addLayout(pictures);
        lanes->addLayout(column);
    }
    // The buttons and the status beside the small targets, so the side column below keeps
    // its height for the statistics and the series on a low screen.
    auto* controls = new QVBoxLayout;
    auto* buttons = new QGridLayout;
    controls->addLayout(buttons);
    lanes->addLayout(controls, 1);

    auto* body = new QHBoxLayout;
    root->addLayout(body, 1);
    // The relay's buttons beside the large target, in the width a 4:3 screen leaves it: the
    // window has no height to spare.
    auto* relayButtons = new QVBoxLayout;
    relayButtons->addWidget(m_relay->RelayButton());
    relayButtons->addWidget(m_relay->SaveAllButton());
    relayButtons->addWidget(m_relay->NextRelayButton());
    relayButtons->addStretch(1);
    body->addLayout(relayButtons);
    body->addWidget(panel.AddTarget("Panel1", "Target", kTargetSize, kMinTargetSize), 1);
    // The selected lane's shooter along the top of the large target.
    QLabel* selectedName = AddNameStrip(panel.View(ViewPicture::Target), "Shooter");
    ScaleText(selectedName, kValuePoints, true);
    m_relay->ShowSelectedName(selectedName, [this] { return m_state.CurrentLane; });
    panel.AddMarkers({"Gun2", "PostGun2", "LeftArrow", "RightArrow", "UpArrow", "DownArrow"});

    auto* side = new QVBoxLayout;
    body->addLayout(side, 0);
    // The first shot's time is a caption-sized note; the rest are read from afar.
    QGroupBox* stat = panel.AddStatistics(
        "GroupBoxStat",
        {{"NumT", QStringLiteral("Произведен выстрел N"), "Num", ViewText::Num},
         {"TimeT", QStringLiteral("Время стрельбы"), "TimeC", ViewText::TimeC},
         {"ResT", QStringLiteral("Результат выстрела"), "Res", ViewText::Res},
         {"SymT", QStringLiteral("Сумма"), "SymE", ViewText::SymE},
         {"AverSymT", QStringLiteral("Средний результат"), "AverSym", ViewText::AverSym},
         {"Label2", QStringLiteral("Первый выстрел"), "FTime", ViewText::FirstTime,
          ValueFont::Note}},
        kValuePoints);
    // A miss and a shot at a dark target share one place, the arrow beside it; all keep
    // their room while hidden, so a notice moves nothing.
    auto* misses = new QGridLayout;
    misses->addWidget(panel.AddMarker(ViewItem::Fail, "Fail", MissNotice, stat), 0, 0);
    misses->addWidget(panel.AddMarker(ViewItem::ImageActive, "ImageActive", DarkNotice, stat), 0,
                      0);
    misses->addWidget(panel.AddFailArrow("FailArrow", stat), 0, 1);
    misses->setColumnStretch(2, 1);
    for (ViewItem item : {ViewItem::Fail, ViewItem::ImageActive}) {
        KeepPlaceWhenHidden(panel.Item(item));
    }
    panel.AddStatisticsRow(misses);
    side->addWidget(stat);
    // The level bar's full length is the group's width.
    side->addWidget(panel.AddSignalGroup(QSize(kSignalWidth, kSignalHeight), kSignalGroupWidth));

    auto button = [&](ViewButton b, const char* name, const QString& caption,
                      void (TShoots5::*handler)(), int row, int column) {
        QPushButton* w = panel.AddButton(b, NewButton(name, caption, handler));
        buttons->addWidget(w, row, column);
        return w;
    };
    button(ViewButton::Start, "Start", QStringLiteral("Старт"), &TShoots5::StartClick, 0, 0)
        ->setDefault(true);
    button(ViewButton::Save, "Save", QStringLiteral("Запись"), &TShoots5::SaveClick, 1, 0);
    button(ViewButton::Print, "Print", QStringLiteral("Печать"), &TShoots5::PrintClick, 1, 1);
    button(ViewButton::Exit, "Exit", QStringLiteral("&Выход"), &TShoots5::ExitClick, 0, 1);
    // A smaller type keeps their column narrow enough for the large target on a 4:3 screen.
    for (QPushButton* b :
         {m_relay->RelayButton(), m_relay->SaveAllButton(), m_relay->NextRelayButton()}) {
        ScaleText(b, kCaptionPoints - 2.0);
    }

    m_relaySheet =
        NewButton("RelaySheet", QStringLiteral("Ведомость смены"), &TShoots5::RelaySheetClick);
    m_relaySheet->setEnabled(false);
    buttons->addWidget(m_relaySheet, 2, 0);
    QPushButton* rangeScreen = NewButton("RangeScreen", QStringLiteral("Экран рубежа"));
    connect(rangeScreen, &QPushButton::clicked, this, [this] {
        if (onRangeScreen) {
            onRangeScreen();
        }
    });
    buttons->addWidget(rangeScreen, 2, 1);
    // A long message wraps, and is cut at the last line, within its place.
    m_status = Named(new FittedLabel(kStatusLines), "Status");
    ScaleText(m_status, kCaptionPoints);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    controls->addWidget(m_status);
    controls->addStretch(1);
    // The selected lane's series takes what height the column has left.
    m_series = new SeriesPanel(QStringLiteral("Серия"), "");
    m_series->ShowHoldFigures(true, false);
    ScaleText(m_series, kCaptionPoints);
    // As wide as the signal group below the wider statistics: on a 4:3 screen the large
    // target stays well the largest thing of the window.
    ScaleSize(m_series, kSignalGroupWidth);
    panel.SetSeries(m_series);
    side->addWidget(m_series, 1);

    Ticks().Drive(m_run);
    Ticks().onTick = [this] {
        ShowStatus();
        if (onTick) {
            onTick();
        }
    };
    Ticks().onIdle = [this, idle = Ticks().onIdle] {
        if (idle) {
            idle();
        }
        m_relay->Refresh();
        ShowStatus();
    };
    panel.View(ViewPicture::Target)->onPainted = [this] {
        if (onDisplayed) {
            onDisplayed();
        }
    };
    panel.PlaceMarkers();
}

TShoots5::~TShoots5() = default;

void TShoots5::PicturesResized() {
    Panel().PlaceMarkers();
    m_run.Redraw();
    FlushDisplay();
}

bool TShoots5::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int lane = 0; lane < kLaneCount; ++lane) {
            if (watched == m_smallViews[static_cast<size_t>(lane)]) {
                TarClick(lane);
                return true;
            }
        }
    }
    return ExercisePage::eventFilter(watched, event);
}

void TShoots5::FormActivate() {
    const bool ownDialog = m_state.ResultSource == 5;
    m_run.FormActivate();
    m_relay->Activated(ownDialog);
    ShowStatus();
    FlushDisplay();
}

void TShoots5::ShowStatus() {
    // The selected lane changes at dispatch points only; its name follows it here.
    if (m_namedLane != m_state.CurrentLane) {
        m_namedLane = m_state.CurrentLane;
        m_relay->Refresh();
    }
    if (m_run.status.TakeChanged()) {
        m_status->setText(m_run.status.Text());
    }
}

void TShoots5::StartClick() {
    m_run.StartClick();
    if (!m_run.Idle()) {
        m_relay->SeriesStarted();
    }
    Ticks().KeepTicking();
}

void TShoots5::SaveClick() {
    m_run.SaveClick();
}

void TShoots5::SetEnabled(ViewButton button, bool enabled) {
    Panel().SetEnabled(button, enabled);
    // The sheet is there while the window's own series can be saved.
    if (button == ViewButton::Save && m_relaySheet != nullptr) {
        m_relaySheet->setEnabled(enabled);
    }
}

void TShoots5::RelaySheetClick() {
    if (m_run.Idle() && m_relaySheet->isEnabled() && onRelaySheet) {
        onRelaySheet(kLaneCount);
    }
}

void TShoots5::PrintClick() {
    m_run.PrintClick();
}

void TShoots5::ExitClick() {
    m_run.ExitClick();
}

void TShoots5::TarClick(int lane) {
    // Clicks arrive between ticks of the run: at its dispatch points.
    m_run.TarClick(lane);
    ShowStatus();
}

QLabel* TShoots5::LampOf(int lane, Lamp lamp) const {
    const auto i = static_cast<size_t>(lane);
    return lamp == Lamp::Steady ? m_steadyLamps.at(i) : m_flashLamps.at(i);
}

Canvas& TShoots5::SmallTarget(int lane) {
    return m_smallViews.at(static_cast<size_t>(lane))->Canvas();
}

Canvas& TShoots5::LaneSignal(int lane) {
    return m_barViews.at(static_cast<size_t>(lane))->Canvas();
}

void TShoots5::RepaintSmallTarget(int lane) {
    Display().Repaint(m_smallViews.at(static_cast<size_t>(lane)));
}

void TShoots5::RepaintLaneSignal(int lane) {
    Display().Repaint(m_barViews.at(static_cast<size_t>(lane)));
}

void TShoots5::SetLaneEnabled(int lane, bool enabled) {
    m_smallViews.at(static_cast<size_t>(lane))->setEnabled(enabled);
}

void TShoots5::SetLamp(int lane, Lamp lamp, bool visible) {
    QLabel* label = LampOf(lane, lamp);
    if (label->isVisibleTo(this) != visible) {
        label->setVisible(visible);
    }
}

void TShoots5::FillLamp(int lane, Lamp lamp, Color color) {
    FillLabel(LampOf(lane, lamp), color);
}

} // namespace ryvo
