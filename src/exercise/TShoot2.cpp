#include "exercise/TShoot2.h"

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

// Until the window is laid out.
constexpr int kTargetSize = 363;
constexpr int kMinTargetSize = 200;
constexpr int kSignalWidth = 204;
constexpr int kSignalHeight = 20;
// The series panels between the targets: wide enough for their four columns.
constexpr int kSeriesWidth = 200;

// Point size at the base window size of values read from a distance.
constexpr double kValuePoints = 16.0;

// The word for a miss: red letters on nothing, or black letters on red for a dark target.
QPixmap MissWord(bool dark, double s) {
    QPixmap pixmap = ScaledPixmap(145, 30, s);
    if (dark) {
        pixmap.fill(QColor(255, 0, 0));
    }
    QPainter p(&pixmap);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(std::max(1, pixmap.height() * 4 / 5));
    font.setBold(true);
    p.setFont(font);
    p.setPen(dark ? QColor(Qt::black) : QColor(255, 0, 0));
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Промах"));
    return pixmap;
}

} // namespace

TShoot2::TShoot2(ProgramState& state, const Services& services, QWidget* parent)
    : ExercisePage(QStringLiteral("TShoot2"), QStringLiteral("Стрельба: два стрелка"), parent),
      m_state(state) {
    for (auto& lane : m_lanes) {
        lane = std::make_unique<TargetPanelWidgets>(*this);
    }
    m_run = std::make_unique<TwoShooterRun>(state, services, *this);
    RelayControls::Hooks hooks;
    hooks.seriesOnHand = [this] {
        return m_run->Idle() && (IsEnabled(TwoButton::Save) || IsEnabled(TwoButton::Save2));
    };
    hooks.idle = [this] { return m_run->Idle(); };
    hooks.readyForSeries = [this, &state] {
        // As when the window is opened afresh: the series is no longer on hand.
        state.ResultSource = 0;
        FormActivate();
    };
    m_relay =
        new RelayControls(state, {0, 1}, m_run->status, services.dialogs, std::move(hooks), this);

    auto* root = new QVBoxLayout(this);
    // Each shooter's lamps on the bottom line below their target, the status between them.
    auto* statusRow = new QHBoxLayout;
    auto lamp = [this, statusRow](ViewItem item, const char* name, int width) {
        m_lamps[item] = AddLamp(name, width, 18);
        statusRow->addWidget(m_lamps[item]);
    };
    lamp(ViewItem::Image1, "Image1", 50);
    lamp(ViewItem::Image3, "Image3", 18);
    statusRow->addWidget(StatusLine(), 1);
    statusRow->addWidget(HintLine());
    lamp(ViewItem::Image2, "Image2", 50);
    lamp(ViewItem::Image4, "Image4", 18);

    auto* row = new QHBoxLayout;
    root->addLayout(row, 1);
    row->addWidget(BuildLane(0), 1);

    auto* middle = new QVBoxLayout;
    auto button = [this, middle](TwoButton b, const char* name, const QString& caption,
                                 void (TShoot2::*handler)(), bool enabled) {
        QPushButton* w = NewButton(name, caption, handler);
        w->setEnabled(enabled);
        middle->addWidget(w);
        m_buttons[b] = w;
    };
    // Each shooter's series between the targets: shooter 1 above the buttons, 2 below.
    auto series = [this, middle](int lane, const char* suffix) {
        auto* panel = new SeriesPanel(
            lane == 0 ? QStringLiteral("Стрелок 1") : QStringLiteral("Стрелок 2"), suffix);
        panel->ShowHoldFigures(true, false);
        ScaleText(panel, kCaptionPoints);
        ScaleSize(panel, kSeriesWidth);
        m_lanes[static_cast<size_t>(lane)]->SetSeries(panel);
        middle->addWidget(panel, 1);
    };
    series(0, "1");
    button(TwoButton::Start, "Start", QStringLiteral("Начало стрельбы"), &TShoot2::StartClick,
           true);
    button(TwoButton::Save, "Save", QStringLiteral("Записать стрелка 1"), &TShoot2::SaveClick,
           false);
    button(TwoButton::Save2, "Save2", QStringLiteral("Записать стрелка 2"), &TShoot2::Save2Click,
           false);
    button(TwoButton::Print, "Print", QStringLiteral("Печать стрелка 1"), &TShoot2::PrintClick,
           false);
    button(TwoButton::Print2, "Print2", QStringLiteral("Печать стрелка 2"), &TShoot2::Print2Click,
           false);
    // "Смена" and "Записать всех" share a row, all three in a smaller type: the column has no
    // height to spare on a 768-line screen.
    auto* relayRow = new QHBoxLayout;
    for (QPushButton* b :
         {m_relay->RelayButton(), m_relay->SaveAllButton(), m_relay->NextRelayButton()}) {
        ScaleText(b, kCaptionPoints - 2.0);
    }
    relayRow->addWidget(m_relay->RelayButton());
    relayRow->addWidget(m_relay->SaveAllButton(), 1);
    middle->addLayout(relayRow);
    middle->addWidget(m_relay->NextRelayButton());
    m_relaySheet =
        NewButton("RelaySheet", QStringLiteral("Ведомость смены"), &TShoot2::RelaySheetClick);
    m_relaySheet->setEnabled(false);
    middle->addWidget(m_relaySheet);
    QPushButton* rangeScreen = NewButton("RangeScreen", QStringLiteral("Экран рубежа"));
    connect(rangeScreen, &QPushButton::clicked, this, [this] {
        if (onRangeScreen) {
            onRangeScreen();
        }
    });
    middle->addWidget(rangeScreen);
    button(TwoButton::Exit, "Exit", QStringLiteral("Выход"), &TShoot2::ExitClick, true);
    series(1, "2");
    row->addLayout(middle);
    row->addWidget(BuildLane(1), 1);

    root->addLayout(statusRow);
    ShowStatus(m_run->status);

    Ticks().Drive(*m_run);
    Ticks().onIdle = [this, idle = Ticks().onIdle] {
        if (idle) {
            idle();
        }
        m_relay->Refresh();
    };
    for (const auto& lane : m_lanes) {
        lane->PlaceMarkers();
    }
}

QWidget* TShoot2::BuildLane(int lane) {
    TargetPanelWidgets& view = *m_lanes[static_cast<size_t>(lane)];
    const bool first = lane == 0;
    // Control names end in the shooter's number.
    auto name = [first](const char* one, const char* two) { return first ? one : two; };

    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* heading =
        Named(new QLabel(first ? QStringLiteral("Стрелок 1") : QStringLiteral("Стрелок 2")),
              name("StaticText1", "StaticText2"));
    ScaleText(heading, kValuePoints, true);
    // The heading and who stands at the lane on one line, so the target keeps its height.
    auto* headingRow = new QHBoxLayout;
    headingRow->addStretch(1);
    headingRow->addWidget(heading);
    auto* shooter = Named(new QLabel, name("Shooter1", "Shooter2"));
    ScaleText(shooter, kValuePoints, true);
    m_relay->ShowName(shooter, lane, true);
    headingRow->addWidget(shooter);
    headingRow->addStretch(1);
    layout->addLayout(headingRow);

    // The target takes the largest square its panel gets.
    layout->addWidget(view.AddTarget(name("Panel1", "Panel2"), name("Target1", "Target2"),
                                     kTargetSize, kMinTargetSize),
                      1);
    view.AddMarkers({name("Gun1", "Gun2"), name("PostGun1", "PostGun2"),
                     name("ArrowLeft1", "ArrowLeft2"), name("ArrowRight1", "ArrowRight2"),
                     name("ArrowUp1", "ArrowUp2"), name("ArrowDown1", "ArrowDown2")});

    auto* signalRow = new QHBoxLayout;
    signalRow->addWidget(
        view.AddSignalBar(name("Sig1", "Sig2"), QSize(kSignalWidth, kSignalHeight)));
    auto* sigT = Named(new QLabel(QStringLiteral("Сигнал")), name("SigT1", "SigT2"));
    ScaleText(sigT, kCaptionPoints);
    signalRow->addWidget(sigT);
    signalRow->addStretch(1);
    layout->addLayout(signalRow);

    // One pair to a row: two would not fit beside each other on a 1024 pixel wide screen once
    // the values are in. The values turn bold when the window is activated.
    QGroupBox* stat =
        view.AddStatistics(name("GroupBoxStat1", "GroupBoxStat2"),
                           {{name("NumT1", "NumT2"), QStringLiteral("Произведен выстрел N"),
                             name("Num1", "Num2"), ViewText::Num, ValueFont::Plain},
                            {name("Ft1", "Ft2"), QStringLiteral("Первый выстрел"),
                             name("FirstTime1", "FirstTime2"), ViewText::FirstTime},
                            {name("TimeT1", "TimeT2"), QStringLiteral("Время стрельбы"),
                             name("Time1", "Time2"), ViewText::TimeC, ValueFont::Plain},
                            {name("ResT1", "ResT2"), QStringLiteral("Результат"),
                             name("Res1", "Res2"), ViewText::Res, ValueFont::Plain},
                            {name("SymT1", "SymT2"), QStringLiteral("Сумма"),
                             name("SymE1", "SymE2"), ViewText::SymE, ValueFont::Plain},
                            {name("AverSymT1", "AverSymT2"), QStringLiteral("Средний результат"),
                             name("AverSym1", "AverSym2"), ViewText::AverSym, ValueFont::Plain}},
                           kValuePoints);

    auto* misses = new QHBoxLayout;
    // Fail and FailActive share one place.
    auto* words = new QWidget;
    ScaleSize(words, 145, 30);
    view.AddMarker(
        ViewItem::Fail, name("Fail1", "Fail2"), [](double s) { return MissWord(false, s); }, words);
    view.AddMarker(
        ViewItem::ImageActive, name("FailActive1", "FailActive2"),
        [](double s) { return MissWord(true, s); }, words, false);
    misses->addWidget(words);
    misses->addWidget(view.AddFailArrow(name("FailArrow1", "FailArrow2"), stat));
    misses->addStretch(1);
    view.AddStatisticsRow(misses);
    layout->addWidget(stat);
    return column;
}

void TShoot2::PicturesResized() {
    for (const auto& lane : m_lanes) {
        lane->PlaceMarkers();
    }
    m_run->Redraw();
    FlushDisplay();
}

TShoot2::~TShoot2() = default;

void TShoot2::FormActivate() {
    for (const auto& lane : m_lanes) {
        for (ViewText t :
             {ViewText::Num, ViewText::TimeC, ViewText::Res, ViewText::SymE, ViewText::AverSym}) {
            QLabel* label = lane->Label(t);
            QFont font = label->font();
            font.setBold(true);
            label->setFont(font);
        }
    }
    const bool ownDialog = m_state.ResultSource == 2;
    m_run->FormActivate();
    m_relay->Activated(ownDialog);
    FlushDisplay();
}

void TShoot2::StartClick() {
    m_run->StartClick();
    if (!m_run->Idle()) {
        m_relay->SeriesStarted();
    }
    Ticks().KeepTicking();
}

void TShoot2::ExitClick() {
    m_run->ExitClick();
}

void TShoot2::SaveClick() {
    m_run->SaveClick();
}

void TShoot2::Save2Click() {
    m_run->Save2Click();
}

void TShoot2::PrintClick() {
    m_run->PrintClick();
}

void TShoot2::Print2Click() {
    m_run->Print2Click();
}

void TShoot2::RelaySheetClick() {
    if (m_run->Idle() && m_relaySheet->isEnabled() && onRelaySheet) {
        onRelaySheet(TwoShooterRun::kShooters);
    }
}

PanelView& TShoot2::Lane(int lane) {
    return *m_lanes[static_cast<size_t>(std::clamp(lane, 0, 1))];
}

void TShoot2::SetLampVisible(ViewItem image, bool visible) {
    if (const auto it = m_lamps.find(image); it != m_lamps.end()) {
        it->second->setVisible(visible);
    }
}

void TShoot2::FillLamp(ViewItem image, Color color) {
    if (const auto it = m_lamps.find(image); it != m_lamps.end()) {
        FillLabel(it->second, color);
    }
}

void TShoot2::SetStartCaption(const QString& caption) {
    m_buttons.at(TwoButton::Start)->setText(caption);
}

void TShoot2::SetEnabled(TwoButton button, bool enabled) {
    m_buttons.at(button)->setEnabled(enabled);
    if (m_relaySheet == nullptr) {
        return;
    }
    // The sheet is there while a result of the window's own series can be saved.
    const auto results = {TwoButton::Save, TwoButton::Save2, TwoButton::Print, TwoButton::Print2};
    m_relaySheet->setEnabled(std::any_of(results.begin(), results.end(), [this](TwoButton b) {
        const auto it = m_buttons.find(b);
        return it != m_buttons.end() && it->second->isEnabled();
    }));
}

bool TShoot2::IsEnabled(TwoButton button) const {
    return m_buttons.at(button)->isEnabled();
}

void TShoot2::FocusStart() {
    m_buttons.at(TwoButton::Start)->setFocus();
}

void TShoot2::ActivateWindow(const QString& className) {
    Page::ActivateWindow(className);
}

} // namespace ryvo
