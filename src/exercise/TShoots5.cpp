#include "exercise/TShoots5.h"

#include "exercise/SeriesPanel.h"
#include "platform/FittedLabel.h"
#include "platform/Widgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace ryvo {

namespace {

// Sizes at the base window size; the large target takes what the window leaves.
constexpr int kTargetSize = 421;
constexpr int kMinTargetSize = 300;
constexpr int kSmallSize = 126;
constexpr int kBarWidth = 11;
constexpr int kFailArrowSize = 30;
constexpr int kSignalWidth = 235;
constexpr int kSignalHeight = 36;
constexpr int kSignalGroupWidth = 254;
constexpr int kSteadyLampWidth = 73;
constexpr int kFlashLampWidth = 19;
constexpr int kLampHeight = 8;
// Lines of the status beside the small targets.
constexpr int kStatusLines = 4;

// Point sizes at the base window size: values read from a distance, captions and buttons.
constexpr double kValuePoints = 18.0;
constexpr double kCaptionPoints = 11.0;

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

} // namespace

TShoots5::TShoots5(ProgramState& state, const Services& services, QWidget* parent)
    : ExercisePage(QStringLiteral("TShoots5"), QStringLiteral("Стрельба: до пяти стрелков"),
                   parent),
      m_state(state), m_run(state, services, *this) {
    auto* root = new QVBoxLayout(this);

    static constexpr std::array<const char*, kLaneCount> kTar = {"Tar1", "Tar2", "Tar3", "Tar4",
                                                                 "Tar5"};
    static constexpr std::array<const char*, kLaneCount> kSig = {"Sig1", "Sig2", "Sig3", "Sig4",
                                                                 "Sig5"};
    static constexpr std::array<const char*, kLaneCount> kSteady = {"Image1", "Image2", "Image3",
                                                                    "Image4", "Image5"};
    static constexpr std::array<const char*, kLaneCount> kFlash = {"Image11", "Image21", "Image31",
                                                                   "Image41", "Image51"};
    auto* lanes = new QHBoxLayout;
    root->addLayout(lanes);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const auto i = static_cast<size_t>(lane);
        auto* column = new QVBoxLayout;
        auto* lampRow = new QHBoxLayout;
        auto lamp = [this, lampRow](const char* name, int width) {
            auto* label = Named(new QLabel, name);
            ScaleSize(label, width, kLampHeight);
            // Hidden lamps keep their place, so the row does not shift when they light.
            QSizePolicy policy = label->sizePolicy();
            policy.setRetainSizeWhenHidden(true);
            label->setSizePolicy(policy);
            label->hide();
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
    auto* panel = Named(new QWidget, "Panel1");
    panel->setMinimumSize(kMinTargetSize, kMinTargetSize);
    panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_targetView = AddSquarePicture(panel, "Target", kTargetSize);
    body->addWidget(panel, 1);

    auto marker = [this](ViewItem item, const char* name, std::function<QPixmap(double)> art,
                         QWidget* parent) {
        auto* label = Named(new QLabel(parent), name);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->hide();
        m_items[item] = label;
        m_markerArt[item] = std::move(art);
        return label;
    };
    marker(
        ViewItem::Gun2, "Gun2", [](double s) { return MarkerPixmap(QColor(255, 0, 0), s); },
        m_targetView);
    marker(
        ViewItem::PostGun, "PostGun2", [](double s) { return MarkerPixmap(QColor(0, 0, 255), s); },
        m_targetView);
    marker(
        ViewItem::LeftArrow, "LeftArrow", [](double s) { return ArrowPixmap(0, s); }, m_targetView);
    marker(
        ViewItem::RightArrow, "RightArrow", [](double s) { return ArrowPixmap(180, s); },
        m_targetView);
    marker(
        ViewItem::UpArrow, "UpArrow", [](double s) { return ArrowPixmap(90, s); }, m_targetView);
    marker(
        ViewItem::DownArrow, "DownArrow", [](double s) { return ArrowPixmap(270, s); },
        m_targetView);

    auto* side = new QVBoxLayout;
    body->addLayout(side, 0);
    auto* stat = Named(new QGroupBox(QStringLiteral("Статистика")), "GroupBoxStat");
    ScaleText(stat, kCaptionPoints);
    auto* grid = new QGridLayout(stat);
    CompactLayout(grid);
    // Each value has room for its widest text from the start: a value that comes or widens
    // during a run moves nothing.
    auto pair = [this, grid](const char* captionName, const QString& caption, const char* valueName,
                             ViewText text, const QString& widest = QStringLiteral("0")) {
        const int row = grid->rowCount();
        auto* label = Named(new QLabel(caption), captionName);
        ScaleText(label, kCaptionPoints);
        grid->addWidget(label, row, 0);
        auto* value = Named(new QLabel, valueName);
        // The first shot's time is a caption-sized note; the rest are read from afar.
        const bool note = text == ViewText::FirstTime;
        ScaleText(value, note ? kCaptionPoints : kValuePoints, !note);
        ReserveRoom(value, widest);
        grid->addWidget(value, row, 1);
        m_labels[text] = value;
    };
    pair("NumT", QStringLiteral("Произведен выстрел N"), "Num", ViewText::Num);
    pair("TimeT", QStringLiteral("Время стрельбы"), "TimeC", ViewText::TimeC,
         QStringLiteral("00.00 сек"));
    pair("ResT", QStringLiteral("Результат выстрела"), "Res", ViewText::Res);
    pair("SymT", QStringLiteral("Сумма"), "SymE", ViewText::SymE);
    pair("AverSymT", QStringLiteral("Средний результат"), "AverSym", ViewText::AverSym);
    pair("Label2", QStringLiteral("Первый выстрел"), "FTime", ViewText::FirstTime,
         QStringLiteral("  10.00 сек"));
    // A miss and a shot at a dark target share one place, the arrow beside it; all keep
    // their room while hidden, so a notice moves nothing.
    auto* misses = new QGridLayout;
    marker(
        ViewItem::Fail, "Fail",
        [](double s) { return NoticePixmap(QStringLiteral("Промах"), QColor(200, 0, 0), s); },
        stat);
    misses->addWidget(m_items[ViewItem::Fail], 0, 0);
    marker(
        ViewItem::ImageActive, "ImageActive",
        [](double s) {
            return NoticePixmap(QStringLiteral("Мишень не поднята"), QColor(60, 60, 60), s);
        },
        stat);
    misses->addWidget(m_items[ViewItem::ImageActive], 0, 0);
    m_failArrowView = AddScaledPicture("FailArrow", QSize(kFailArrowSize, kFailArrowSize), stat);
    m_failArrowView->hide();
    m_items[ViewItem::FailArrow] = m_failArrowView;
    misses->addWidget(m_failArrowView, 0, 1);
    misses->setColumnStretch(2, 1);
    for (ViewItem item : {ViewItem::Fail, ViewItem::FailArrow, ViewItem::ImageActive}) {
        KeepPlaceWhenHidden(m_items[item]);
    }
    grid->addLayout(misses, grid->rowCount(), 0, 1, 2);
    side->addWidget(stat);

    m_signalBox = Named(new QGroupBox(QStringLiteral("Сигнал")), "Signal");
    ScaleText(m_signalBox, kCaptionPoints);
    // The level bar's full length is this width.
    ScaleSize(m_signalBox, kSignalGroupWidth);
    auto* signalLayout = new QVBoxLayout(m_signalBox);
    CompactLayout(signalLayout);
    m_signalView = AddScaledPicture("SignalI", QSize(kSignalWidth, kSignalHeight));
    signalLayout->addWidget(m_signalView);
    auto* sigText = Named(new QLabel, "SigText");
    ScaleText(sigText, kCaptionPoints);
    ReserveRoom(sigText, QStringLiteral("0"));
    m_labels[ViewText::SigText] = sigText;
    signalLayout->addWidget(sigText);
    side->addWidget(m_signalBox);

    auto button = [this, buttons](ViewButton b, const char* name, const QString& caption,
                                  void (TShoots5::*handler)(), int row, int column) {
        auto* w = Named(new QPushButton(caption), name);
        ScaleText(w, kCaptionPoints);
        connect(w, &QPushButton::clicked, this, handler);
        buttons->addWidget(w, row, column);
        m_buttons[b] = w;
        return w;
    };
    button(ViewButton::Start, "Start", QStringLiteral("Старт"), &TShoots5::StartClick, 0, 0)
        ->setDefault(true);
    button(ViewButton::Save, "Save", QStringLiteral("Запись"), &TShoots5::SaveClick, 1, 0);
    button(ViewButton::Print, "Print", QStringLiteral("Печать"), &TShoots5::PrintClick, 1, 1);
    button(ViewButton::Exit, "Exit", QStringLiteral("&Выход"), &TShoots5::ExitClick, 0, 1);
    // A long message wraps, and is cut at the last line, within its place.
    m_status = Named(new FittedLabel(kStatusLines), "Status");
    ScaleText(m_status, kCaptionPoints);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    controls->addWidget(m_status);
    controls->addStretch(1);
    // The selected lane's series takes what height the column has left.
    m_series = new SeriesPanel(QStringLiteral("Серия"), "");
    ScaleText(m_series, kCaptionPoints);
    // As wide as the signal group below the wider statistics: on a 4:3 screen the large
    // target stays well the largest thing of the window.
    ScaleSize(m_series, kSignalGroupWidth);
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
        ShowStatus();
    };
    m_targetView->onPainted = [this] {
        if (onDisplayed) {
            onDisplayed();
        }
    };
    PlaceMarkers();
}

TShoots5::~TShoots5() = default;

void TShoots5::PlaceMarkers() {
    for (const auto& [item, art] : m_markerArt) {
        auto* label = static_cast<QLabel*>(m_items.at(item));
        const QPixmap pixmap = art(Scale());
        label->setPixmap(pixmap);
        label->setFixedSize(pixmap.size());
    }
    const int edge = m_targetView->width() - m_items.at(ViewItem::LeftArrow)->width();
    m_items.at(ViewItem::LeftArrow)->move(0, edge / 2);
    m_items.at(ViewItem::RightArrow)->move(edge, edge / 2);
    m_items.at(ViewItem::UpArrow)->move(edge / 2, 0);
    m_items.at(ViewItem::DownArrow)->move(edge / 2, edge);
}

void TShoots5::PicturesResized() {
    PlaceMarkers();
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
    m_run.FormActivate();
    ShowStatus();
    FlushDisplay();
}

void TShoots5::ShowStatus() {
    if (m_run.status.TakeChanged()) {
        m_status->setText(m_run.status.Text());
    }
}

void TShoots5::StartClick() {
    m_run.StartClick();
    Ticks().KeepTicking();
}

void TShoots5::SaveClick() {
    m_run.SaveClick();
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
}

QLabel* TShoots5::LabelOf(ViewText text) const {
    const auto it = m_labels.find(text);
    return it != m_labels.end() ? it->second : nullptr;
}

QWidget* TShoots5::WidgetOf(ViewItem item) const {
    const auto it = m_items.find(item);
    return it != m_items.end() ? it->second : nullptr;
}

QLabel* TShoots5::LampOf(int lane, Lamp lamp) const {
    const auto i = static_cast<size_t>(lane);
    return lamp == Lamp::Steady ? m_steadyLamps.at(i) : m_flashLamps.at(i);
}

void TShoots5::SetText(ViewText text, const QString& value) {
    if (text == ViewText::StartCaption) {
        m_buttons.at(ViewButton::Start)->setText(value);
    } else if (QLabel* label = LabelOf(text)) {
        label->setText(value);
    }
}

void TShoots5::SetVisible(ViewItem item, bool visible) {
    if (QWidget* w = WidgetOf(item); w != nullptr && w->isVisibleTo(w->parentWidget()) != visible) {
        w->setVisible(visible);
    }
}

void TShoots5::Place(ViewItem item, int left, int top) {
    if (QWidget* w = WidgetOf(item)) {
        Display().Place(w, QPoint(left, top));
    }
}

QSize TShoots5::ItemSize(ViewItem item) const {
    const QWidget* w = WidgetOf(item);
    return w != nullptr ? w->size() : QSize();
}

void TShoots5::Fill(ViewItem /*item*/, Color /*color*/) {
    // The lamps of this window are filled by lane (FillLamp).
}

void TShoots5::SetEnabled(ViewButton button, bool enabled) {
    if (const auto it = m_buttons.find(button); it != m_buttons.end()) {
        it->second->setEnabled(enabled);
    }
}

bool TShoots5::IsEnabled(ViewButton button) const {
    const auto it = m_buttons.find(button);
    return it != m_buttons.end() && it->second->isEnabled();
}

void TShoots5::FocusStart() {
    m_buttons.at(ViewButton::Start)->setFocus();
}

PictureWidget* TShoots5::PictureView(ViewPicture picture) const {
    switch (picture) {
    case ViewPicture::FailArrow:
        return m_failArrowView;
    case ViewPicture::SignalI:
        return m_signalView;
    case ViewPicture::Target:
        break;
    }
    return m_targetView;
}

Canvas& TShoots5::Picture(ViewPicture picture) {
    return PictureView(picture)->Canvas();
}

void TShoots5::Repaint(ViewPicture picture) {
    Display().Repaint(PictureView(picture));
}

void TShoots5::RepaintArea(ViewPicture picture, const QRect& area) {
    Display().RepaintArea(PictureView(picture), area);
}

void TShoots5::Present() {
    Display().Present();
}

int TShoots5::SignalLength() const {
    return m_signalBox->width();
}

void TShoots5::ShotsChanged(const RunState& run, int lane) {
    m_series->ShowShots(run, lane);
}

void TShoots5::ActivateWindow(const QString& className) {
    Page::ActivateWindow(className);
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
    QLabel* label = LampOf(lane, lamp);
    QPixmap pixmap(label->size());
    pixmap.fill(ToQColor(color));
    label->setPixmap(pixmap);
}

} // namespace ryvo
