#include "exercise/TargetPanelWidgets.h"

#include "exercise/SeriesPanel.h"
#include "platform/Widgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace ryvo {

namespace {

constexpr int kFailArrowSize = 30;

// Each value has room for its widest text from the start: a value that comes or widens
// during a run moves nothing.
QString WidestValue(ViewText text) {
    switch (text) {
    case ViewText::TimeC:
        return QStringLiteral("00.00 сек");
    case ViewText::FirstTime:
        return QStringLiteral("  10.00 сек");
    default:
        return QStringLiteral("0");
    }
}

size_t Index(ViewPicture picture) {
    return static_cast<size_t>(picture);
}

} // namespace

QPixmap ScaledPixmap(int w, int h, double s) {
    QPixmap pixmap(static_cast<int>(std::lround(w * s)), static_cast<int>(std::lround(h * s)));
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap MarkerPixmap(const QColor& colour, double s, int height) {
    QPixmap pixmap = ScaledPixmap(20, height, s);
    QPainter p(&pixmap);
    p.scale(s, s);
    p.setPen(QPen(colour, 2));
    p.drawEllipse(QRect(3, 3, 14, 14));
    p.drawLine(10, 0, 10, height - 1);
    p.drawLine(0, 10, 19, 10);
    return pixmap;
}

QPixmap ArrowPixmap(int angle, double s) {
    constexpr int kArrowSize = 24;
    QPixmap pixmap = ScaledPixmap(kArrowSize, kArrowSize, s);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(s, s);
    p.translate(12, 12);
    p.rotate(angle);
    QPainterPath path;
    path.moveTo(-10, 0);
    path.lineTo(8, -9);
    path.lineTo(8, 9);
    path.closeSubpath();
    p.fillPath(path, QColor(200, 0, 0));
    return pixmap;
}

void FillLabel(QLabel* label, Color color) {
    QPixmap pixmap(label->size());
    pixmap.fill(ToQColor(color));
    label->setPixmap(pixmap);
}

TargetPanelWidgets::TargetPanelWidgets(ExercisePage& page, Sizing sizing)
    : m_page(page), m_sizing(sizing) {}

QWidget* TargetPanelWidgets::AddTarget(const char* panelName, const char* targetName, int initial,
                                       int minimum) {
    auto* panel = Named(new QWidget, panelName);
    panel->setMinimumSize(minimum, minimum);
    panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    SetPicture(ViewPicture::Target, m_page.AddSquarePicture(panel, targetName, initial));
    return panel;
}

void TargetPanelWidgets::AddMarkers(const MarkerNames& names, int markerHeight) {
    PictureWidget* target = View(ViewPicture::Target);
    auto marker = [markerHeight](QColor colour) {
        return [colour, markerHeight](double s) { return MarkerPixmap(colour, s, markerHeight); };
    };
    auto arrow = [](int angle) { return [angle](double s) { return ArrowPixmap(angle, s); }; };
    AddMarker(ViewItem::Gun2, names.gun, marker(QColor(255, 0, 0)), target);
    AddMarker(ViewItem::PostGun, names.postGun, marker(QColor(0, 0, 255)), target);
    AddMarker(ViewItem::LeftArrow, names.left, arrow(0), target);
    AddMarker(ViewItem::RightArrow, names.right, arrow(180), target);
    AddMarker(ViewItem::UpArrow, names.up, arrow(90), target);
    AddMarker(ViewItem::DownArrow, names.down, arrow(270), target);
}

QLabel* TargetPanelWidgets::AddMarker(ViewItem item, const char* name,
                                      std::function<QPixmap(double)> art, QWidget* parent,
                                      bool transparent) {
    auto* label = Named(new QLabel(parent), name);
    if (transparent) {
        label->setAttribute(Qt::WA_TranslucentBackground);
    }
    label->hide();
    const QPixmap pixmap = art(MarkerScale());
    label->setPixmap(pixmap);
    label->setFixedSize(pixmap.size());
    m_items[item] = label;
    m_art[item] = std::move(art);
    return label;
}

PictureWidget* TargetPanelWidgets::AddFailArrow(const char* name, QWidget* parent) {
    auto* arrow = m_page.AddScaledPicture(name, QSize(kFailArrowSize, kFailArrowSize), parent);
    arrow->hide();
    KeepPlaceWhenHidden(arrow);
    SetPicture(ViewPicture::FailArrow, arrow);
    m_items[ViewItem::FailArrow] = arrow;
    return arrow;
}

QGroupBox* TargetPanelWidgets::AddStatistics(const char* name, std::initializer_list<ValueRow> rows,
                                             double valuePoints) {
    constexpr double kCaption = ExercisePage::kCaptionPoints;
    auto* box = Named(new QGroupBox(QStringLiteral("Статистика")), name);
    m_page.ScaleText(box, kCaption);
    m_statistics = new QGridLayout(box);
    CompactLayout(m_statistics);
    for (const ValueRow& row : rows) {
        auto* caption = Named(new QLabel(row.caption), row.captionName);
        m_page.ScaleText(caption, kCaption);
        auto* value = Named(new QLabel, row.valueName);
        m_page.ScaleText(value, row.font == ValueFont::Note ? kCaption : valuePoints,
                         row.font == ValueFont::Bold);
        m_page.ReserveRoom(value, WidestValue(row.text));
        const int line = m_statistics->rowCount();
        m_statistics->addWidget(caption, line, 0);
        m_statistics->addWidget(value, line, 1);
        m_labels[row.text] = value;
    }
    return box;
}

void TargetPanelWidgets::AddStatisticsRow(QLayout* row) {
    m_statistics->addLayout(row, m_statistics->rowCount(), 0, 1, 2);
}

QGroupBox* TargetPanelWidgets::AddSignalGroup(QSize bar, int groupWidth) {
    auto* box = Named(new QGroupBox(QStringLiteral("Сигнал")), "Signal");
    m_page.ScaleText(box, ExercisePage::kCaptionPoints);
    m_page.ScaleSize(box, groupWidth);
    auto* layout = new QVBoxLayout(box);
    CompactLayout(layout);
    auto* signal = m_page.AddScaledPicture("SignalI", bar);
    SetPicture(ViewPicture::SignalI, signal);
    layout->addWidget(signal);
    auto* sigText = Named(new QLabel, "SigText");
    m_page.ScaleText(sigText, ExercisePage::kCaptionPoints);
    m_page.ReserveRoom(sigText, QStringLiteral("0"));
    AddText(ViewText::SigText, sigText);
    layout->addWidget(sigText);
    // The group keeps this width however its column stretches.
    m_signalSpan = box;
    return box;
}

PictureWidget* TargetPanelWidgets::AddSignalBar(const char* name, QSize bar) {
    auto* signal = m_page.AddScaledPicture(name, bar);
    SetPicture(ViewPicture::SignalI, signal);
    m_signalSpan = signal;
    return signal;
}

void TargetPanelWidgets::SetPicture(ViewPicture picture, PictureWidget* widget) {
    m_pictures.at(Index(picture)) = widget;
}

QPushButton* TargetPanelWidgets::AddButton(ViewButton button, QPushButton* widget) {
    m_buttons[button] = widget;
    return widget;
}

double TargetPanelWidgets::MarkerScale() const {
    return m_sizing == Sizing::WithWindow ? m_page.Scale() : 1.0;
}

void TargetPanelWidgets::PlaceMarkers() {
    for (const auto& [item, art] : m_art) {
        auto* label = static_cast<QLabel*>(m_items.at(item));
        const QPixmap pixmap = art(MarkerScale());
        label->setPixmap(pixmap);
        label->setFixedSize(pixmap.size());
    }
    PlaceArrows();
}

void TargetPanelWidgets::PlaceArrows() {
    const int edge = View(ViewPicture::Target)->width() - m_items.at(ViewItem::LeftArrow)->width();
    m_items.at(ViewItem::LeftArrow)->move(0, edge / 2);
    m_items.at(ViewItem::RightArrow)->move(edge, edge / 2);
    m_items.at(ViewItem::UpArrow)->move(edge / 2, 0);
    m_items.at(ViewItem::DownArrow)->move(edge / 2, edge);
}

QWidget* TargetPanelWidgets::Item(ViewItem item) const {
    const auto it = m_items.find(item);
    return it != m_items.end() ? it->second : nullptr;
}

QLabel* TargetPanelWidgets::Label(ViewText text) const {
    const auto it = m_labels.find(text);
    return it != m_labels.end() ? it->second : nullptr;
}

PictureWidget* TargetPanelWidgets::View(ViewPicture picture) const {
    return m_pictures.at(Index(picture));
}

QPushButton* TargetPanelWidgets::Button(ViewButton button) const {
    const auto it = m_buttons.find(button);
    return it != m_buttons.end() ? it->second : nullptr;
}

void TargetPanelWidgets::Fill(ViewItem item, Color color) {
    if (auto* label = qobject_cast<QLabel*>(Item(item))) {
        FillLabel(label, color);
    }
}

void TargetPanelWidgets::SetEnabled(ViewButton button, bool enabled) {
    if (QPushButton* b = Button(button)) {
        b->setEnabled(enabled);
    }
}

bool TargetPanelWidgets::IsEnabled(ViewButton button) const {
    const QPushButton* b = Button(button);
    return b != nullptr && b->isEnabled();
}

void TargetPanelWidgets::FocusStart() {
    if (QPushButton* b = Button(ViewButton::Start)) {
        b->setFocus();
    }
}

void TargetPanelWidgets::SetText(ViewText text, const QString& value) {
    // Two buttons' captions change during a run.
    if (text == ViewText::StartCaption || text == ViewText::ViewShootsCaption) {
        if (QPushButton* b = Button(text == ViewText::StartCaption ? ViewButton::Start
                                                                   : ViewButton::ViewShoots)) {
            b->setText(value);
        }
    } else if (QLabel* label = Label(text)) {
        label->setText(value);
    }
}

void TargetPanelWidgets::SetVisible(ViewItem item, bool visible) {
    if (QWidget* w = Item(item); w != nullptr && w->isVisibleTo(w->parentWidget()) != visible) {
        w->setVisible(visible);
    }
}

void TargetPanelWidgets::Place(ViewItem item, int left, int top) {
    if (QWidget* w = Item(item)) {
        m_page.Display().Place(w, QPoint(left, top));
    }
}

QSize TargetPanelWidgets::ItemSize(ViewItem item) const {
    const QWidget* w = Item(item);
    return w != nullptr ? w->size() : QSize();
}

void TargetPanelWidgets::Repaint(ViewPicture picture) {
    m_page.Display().Repaint(View(picture));
}

void TargetPanelWidgets::RepaintArea(ViewPicture picture, const QRect& area) {
    m_page.Display().RepaintArea(View(picture), area);
}

void TargetPanelWidgets::Present() {
    m_page.Display().Present();
}

int TargetPanelWidgets::SignalLength() const {
    // The bar's full length: the group around it, or the bar itself.
    return (m_signalSpan != nullptr ? m_signalSpan : View(ViewPicture::SignalI))->width();
}

void TargetPanelWidgets::ShotsChanged(const RunState& run, int lane) {
    if (m_series != nullptr) {
        m_series->ShowShots(run, lane);
    }
}

void TargetPanelWidgets::ReplayShot(int shot) {
    if (m_series != nullptr) {
        m_series->ShowReplayShot(shot);
    }
}

} // namespace ryvo
