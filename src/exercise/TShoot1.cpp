#include "exercise/TShoot1.h"

#include "core/Product.h"
#include "exercise/SeriesPanel.h"
#include "platform/Widgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace ryvo {

namespace {

constexpr int kSignalGroupWidth = 254;

// Until the window is laid out.
constexpr int kTargetSize = 526;
constexpr int kMinTargetSize = 300;
constexpr int kFailArrowSize = 30;
constexpr int kSignalWidth = 235;
constexpr int kSignalHeight = 39;

// Point sizes at the base window size: values read from a distance, captions and buttons.
constexpr double kValuePoints = 18.0;
constexpr double kCaptionPoints = 11.0;

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
      m_state(state), m_run(state, services, *this) {
    auto* page = new QVBoxLayout(this);
    auto* root = new QHBoxLayout;
    page->addLayout(root, 1);
    // The lamps, the status and the key hint share the bottom line.
    auto* statusRow = new QHBoxLayout;
    page->addLayout(statusRow);

    // The target takes what the side column leaves.
    auto* panel = Named(new QWidget, "Panel1");
    panel->setMinimumSize(kMinTargetSize, kMinTargetSize);
    panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_targetView = AddSquarePicture(panel, "Target", kTargetSize);
    root->addWidget(panel, 1);

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
        ViewItem::PostGun, "PostGun", [](double s) { return MarkerPixmap(QColor(0, 0, 255), s); },
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
    root->addLayout(side, 0);

    // Two buttons to a row leave the series its height on a low screen.
    auto* buttons = new QGridLayout;
    auto button = [this, buttons](ViewButton b, const char* name, const QString& caption,
                                  void (TShoot1::*handler)(), int row, int column, int span) {
        auto* w = Named(new QPushButton(caption), name);
        ScaleText(w, kCaptionPoints);
        connect(w, &QPushButton::clicked, this, handler);
        buttons->addWidget(w, row, column, 1, span);
        m_buttons[b] = w;
        return w;
    };
    button(ViewButton::Start, "Start", QStringLiteral("Начало стрельбы"), &TShoot1::StartClick, 0,
           0, 1);
    button(ViewButton::Save, "Save", QStringLiteral("Записать"), &TShoot1::SaveClick, 1, 0, 1)
        ->setEnabled(false);
    button(ViewButton::Print, "Print", QStringLiteral("Печать"), &TShoot1::PrintClick, 1, 1, 1)
        ->setEnabled(false);
    button(ViewButton::ViewShoots, "ViewShoots", QStringLiteral("Просмотреть выстрелы"),
           &TShoot1::ViewShootsClick, 2, 0, 2)
        ->setEnabled(false);
    button(ViewButton::Exit, "Exit", QStringLiteral("&Выход"), &TShoot1::ExitClick, 0, 1, 1);
    side->addLayout(buttons);

    m_stat = Named(new QGroupBox(QStringLiteral("Статистика")), "GroupBoxStat");
    ScaleText(m_stat, kCaptionPoints);
    auto* grid = new QGridLayout(m_stat);
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
    pair("Label2", QStringLiteral("Первый выстрел"), "FirstTime", ViewText::FirstTime,
         QStringLiteral("  10.00 сек"));
    auto* misses = new QHBoxLayout;
    marker(ViewItem::Fail, "Fail", MissPixmap, m_stat);
    misses->addWidget(m_items[ViewItem::Fail]);
    m_failArrowView = AddScaledPicture("FailArrow", QSize(kFailArrowSize, kFailArrowSize), m_stat);
    m_failArrowView->hide();
    m_items[ViewItem::FailArrow] = m_failArrowView;
    misses->addWidget(m_failArrowView);
    marker(ViewItem::ImageActive, "ImageActive", DarkTargetPixmap, m_stat);
    misses->addWidget(m_items[ViewItem::ImageActive]);
    misses->addStretch(1);
    // A miss shown or taken away leaves the box its height.
    for (ViewItem item : {ViewItem::Fail, ViewItem::FailArrow, ViewItem::ImageActive}) {
        KeepPlaceWhenHidden(m_items[item]);
    }
    grid->addLayout(misses, grid->rowCount(), 0, 1, 2);
    side->addWidget(m_stat);

    m_signalBox = Named(new QGroupBox(QStringLiteral("Сигнал")), "Signal");
    ScaleText(m_signalBox, kCaptionPoints);
    // The level bar's full length is this width, so the group keeps it however the side
    // column stretches.
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

    auto lamp = [this, statusRow](ViewItem item, const char* name, int width) {
        auto* label = Named(new QLabel, name);
        ScaleSize(label, width, 19);
        KeepPlaceWhenHidden(label);
        label->hide();
        m_items[item] = label;
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
    ScaleText(m_series, kCaptionPoints);
    side->addWidget(m_series, 1);

    m_labels[ViewText::StartCaption] = nullptr;
    m_labels[ViewText::ViewShootsCaption] = nullptr;

    Ticks().Drive(m_run);
    ShowStatus(m_run.status);
    m_targetView->onPainted = [this] {
        if (onDisplayed) {
            onDisplayed();
        }
    };
    PlaceMarkers();
}

void TShoot1::PlaceMarkers() {
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

void TShoot1::PicturesResized() {
    PlaceMarkers();
    m_run.Redraw();
    FlushDisplay();
}

TShoot1::~TShoot1() = default;

void TShoot1::FormActivate() {
    m_run.FormActivate();
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

QLabel* TShoot1::LabelOf(ViewText text) const {
    const auto it = m_labels.find(text);
    return it != m_labels.end() ? it->second : nullptr;
}

QWidget* TShoot1::WidgetOf(ViewItem item) const {
    const auto it = m_items.find(item);
    return it != m_items.end() ? it->second : nullptr;
}

QPushButton* TShoot1::ButtonOf(ViewButton button) const {
    return m_buttons.at(button);
}

void TShoot1::SetText(ViewText text, const QString& value) {
    if (text == ViewText::StartCaption) {
        ButtonOf(ViewButton::Start)->setText(value);
    } else if (text == ViewText::ViewShootsCaption) {
        ButtonOf(ViewButton::ViewShoots)->setText(value);
    } else if (QLabel* label = LabelOf(text)) {
        label->setText(value);
    }
}

void TShoot1::SetVisible(ViewItem item, bool visible) {
    if (QWidget* w = WidgetOf(item); w != nullptr && w->isVisibleTo(w->parentWidget()) != visible) {
        w->setVisible(visible);
    }
}

void TShoot1::Place(ViewItem item, int left, int top) {
    if (QWidget* w = WidgetOf(item)) {
        Display().Place(w, QPoint(left, top));
    }
}

QSize TShoot1::ItemSize(ViewItem item) const {
    const QWidget* w = WidgetOf(item);
    return w != nullptr ? w->size() : QSize();
}

void TShoot1::Fill(ViewItem item, Color color) {
    if (auto* label = qobject_cast<QLabel*>(WidgetOf(item))) {
        QPixmap pixmap(label->size());
        pixmap.fill(ToQColor(color));
        label->setPixmap(pixmap);
    }
}

void TShoot1::SetEnabled(ViewButton button, bool enabled) {
    ButtonOf(button)->setEnabled(enabled);
}

bool TShoot1::IsEnabled(ViewButton button) const {
    return ButtonOf(button)->isEnabled();
}

void TShoot1::FocusStart() {
    ButtonOf(ViewButton::Start)->setFocus();
}

PictureWidget* TShoot1::PictureView(ViewPicture picture) const {
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

Canvas& TShoot1::Picture(ViewPicture picture) {
    return PictureView(picture)->Canvas();
}

void TShoot1::Repaint(ViewPicture picture) {
    Display().Repaint(PictureView(picture));
}

void TShoot1::RepaintArea(ViewPicture picture, const QRect& area) {
    Display().RepaintArea(PictureView(picture), area);
}

int TShoot1::SignalLength() const {
    // The bar's full length is the width of the group around it.
    return m_signalBox->width();
}

void TShoot1::ShotsChanged(const RunState& run, int lane) {
    m_series->ShowShots(run, lane);
}

void TShoot1::ReplayShot(int shot) {
    m_series->ShowReplayShot(shot);
}

void TShoot1::ActivateWindow(const QString& className) {
    Page::ActivateWindow(className);
}

} // namespace ryvo
