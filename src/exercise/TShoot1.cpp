#include "exercise/TShoot1.h"

#include "core/Product.h"
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

namespace ryvo {

namespace {

constexpr int kSignalGroupWidth = 254;

constexpr int kTargetSize = 526;
constexpr int kFailArrowSize = 30;
constexpr int kSignalWidth = 235;
constexpr int kSignalHeight = 39;
constexpr int kDisplayMs = 16;

QPixmap MarkerPixmap(const QColor& colour) {
    QPixmap pixmap(20, 21);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(colour, 2));
    p.drawEllipse(QRect(3, 3, 14, 14));
    p.drawLine(10, 0, 10, 20);
    p.drawLine(0, 10, 19, 10);
    return pixmap;
}

QPixmap ArrowPixmap(int angle) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
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

QPixmap MissPixmap() {
    QPixmap pixmap(30, 30);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(QColor(200, 0, 0), 4));
    p.drawLine(4, 4, 26, 26);
    p.drawLine(26, 4, 4, 26);
    return pixmap;
}

QPixmap DarkTargetPixmap() {
    QPixmap pixmap(30, 30);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setBrush(QColor(60, 60, 60));
    p.setPen(QPen(Qt::black, 1));
    p.drawEllipse(QRect(2, 2, 26, 26));
    p.setPen(QPen(QColor(200, 0, 0), 3));
    p.drawLine(4, 26, 26, 4);
    return pixmap;
}

} // namespace

// Shows an image canvas as it is; repainted only when told.
class PictureWidget final : public QWidget {
public:
    PictureWidget(ImageCanvas& canvas, const char* name, QWidget* parent = nullptr)
        : QWidget(parent), m_canvas(canvas) {
        setObjectName(QString::fromLatin1(name));
        setFixedSize(canvas.Width(), canvas.Height());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    std::function<void()> onPainted;

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        for (const QRect& r : event->region()) {
            painter.drawImage(r, m_canvas.Image(), r);
        }
        if (onPainted) {
            onPainted();
        }
    }

private:
    ImageCanvas& m_canvas;
};

TShoot1::TShoot1(ProgramState& state, const Services& services, QWidget* parent)
    : Page(QStringLiteral("TShoot1"),
           QStringLiteral("%1    %2")
               .arg(QString::fromUtf8(kProductName), QString::fromUtf8(kContactLine)),
           parent),
      m_state(state),
      m_target(std::make_unique<ImageCanvas>(kTargetSize, kTargetSize, kButtonFace)),
      m_failArrow(std::make_unique<ImageCanvas>(kFailArrowSize, kFailArrowSize, kButtonFace)),
      m_signal(std::make_unique<ImageCanvas>(kSignalWidth, kSignalHeight, kButtonFace)),
      m_run(state, services, *this) {
    auto* root = new QHBoxLayout(this);

    auto* panel = Named(new QWidget, "Panel1");
    panel->setFixedSize(kTargetSize, kTargetSize);
    m_targetView = new PictureWidget(*m_target, "Target", panel);
    root->addWidget(panel, 0, Qt::AlignTop);

    auto marker = [this](ViewItem item, const char* name, const QPixmap& pixmap, QWidget* parent) {
        auto* label = Named(new QLabel(parent), name);
        label->setPixmap(pixmap);
        label->setFixedSize(pixmap.size());
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->hide();
        m_items[item] = label;
        return label;
    };
    marker(ViewItem::Gun2, "Gun2", MarkerPixmap(QColor(255, 0, 0)), m_targetView);
    marker(ViewItem::PostGun, "PostGun", MarkerPixmap(QColor(0, 0, 255)), m_targetView);
    const int edge = kTargetSize - 24;
    marker(ViewItem::LeftArrow, "LeftArrow", ArrowPixmap(0), m_targetView)->move(0, edge / 2);
    marker(ViewItem::RightArrow, "RightArrow", ArrowPixmap(180), m_targetView)
        ->move(edge, edge / 2);
    marker(ViewItem::UpArrow, "UpArrow", ArrowPixmap(90), m_targetView)->move(edge / 2, 0);
    marker(ViewItem::DownArrow, "DownArrow", ArrowPixmap(270), m_targetView)->move(edge / 2, edge);

    auto* side = new QVBoxLayout;
    root->addLayout(side, 1);

    auto button = [this, side](ViewButton b, const char* name, const QString& caption,
                               void (TShoot1::*handler)()) {
        auto* w = Named(new QPushButton(caption), name);
        connect(w, &QPushButton::clicked, this, handler);
        side->addWidget(w);
        m_buttons[b] = w;
        return w;
    };
    button(ViewButton::Start, "Start", QStringLiteral("Начало стрельбы"), &TShoot1::StartClick);
    button(ViewButton::Save, "Save", QStringLiteral("Записать"), &TShoot1::SaveClick)
        ->setEnabled(false);
    button(ViewButton::Print, "Print", QStringLiteral("Печать"), &TShoot1::PrintClick)
        ->setEnabled(false);
    button(ViewButton::ViewShoots, "ViewShoots", QStringLiteral("Просмотреть выстрелы"),
           &TShoot1::ViewShootsClick)
        ->setEnabled(false);
    button(ViewButton::Exit, "Exit", QStringLiteral("&Выход"), &TShoot1::ExitClick);

    m_stat = Named(new QGroupBox(QStringLiteral("Статистика")), "GroupBoxStat");
    auto* grid = new QGridLayout(m_stat);
    auto pair = [this, grid](const char* captionName, const QString& caption, const char* valueName,
                             ViewText text) {
        const int row = grid->rowCount();
        grid->addWidget(Named(new QLabel(caption), captionName), row, 0);
        auto* value = Named(new QLabel, valueName);
        grid->addWidget(value, row, 1);
        m_labels[text] = value;
    };
    pair("NumT", QStringLiteral("Произведен выстрел N"), "Num", ViewText::Num);
    pair("TimeT", QStringLiteral("Время стрельбы"), "TimeC", ViewText::TimeC);
    pair("ResT", QStringLiteral("Результат выстрела"), "Res", ViewText::Res);
    pair("SymT", QStringLiteral("Сумма"), "SymE", ViewText::SymE);
    pair("AverSymT", QStringLiteral("Средний результат"), "AverSym", ViewText::AverSym);
    pair("Label2", QStringLiteral("Первый выстрел"), "FirstTime", ViewText::FirstTime);
    auto* misses = new QHBoxLayout;
    marker(ViewItem::Fail, "Fail", MissPixmap(), m_stat);
    misses->addWidget(m_items[ViewItem::Fail]);
    m_failArrowView = new PictureWidget(*m_failArrow, "FailArrow", m_stat);
    m_failArrowView->hide();
    m_items[ViewItem::FailArrow] = m_failArrowView;
    misses->addWidget(m_failArrowView);
    marker(ViewItem::ImageActive, "ImageActive", DarkTargetPixmap(), m_stat);
    misses->addWidget(m_items[ViewItem::ImageActive]);
    misses->addStretch(1);
    grid->addLayout(misses, grid->rowCount(), 0, 1, 2);
    side->addWidget(m_stat);

    m_signalBox = Named(new QGroupBox(QStringLiteral("Сигнал")), "Signal");
    // The level bar's full length is this width, so the group keeps it however the side
    // column stretches.
    m_signalBox->setFixedWidth(kSignalGroupWidth);
    auto* signalLayout = new QVBoxLayout(m_signalBox);
    m_signalView = new PictureWidget(*m_signal, "SignalI");
    signalLayout->addWidget(m_signalView);
    auto* sigText = Named(new QLabel, "SigText");
    m_labels[ViewText::SigText] = sigText;
    signalLayout->addWidget(sigText);
    side->addWidget(m_signalBox);

    auto* lamps = new QHBoxLayout;
    auto lamp = [this, lamps](ViewItem item, const char* name, int width) {
        auto* label = Named(new QLabel, name);
        label->setFixedSize(width, 19);
        label->hide();
        m_items[item] = label;
        lamps->addWidget(label);
    };
    lamp(ViewItem::Image1, "Image1", 50);
    lamp(ViewItem::Image3, "Image3", 31);
    lamp(ViewItem::Image2, "Image2", 50);
    lamp(ViewItem::Image4, "Image4", 31);
    lamps->addStretch(1);
    side->addLayout(lamps);
    side->addWidget(Named(new QLabel, "Label1"));
    side->addStretch(1);

    m_labels[ViewText::StartCaption] = nullptr;
    m_labels[ViewText::ViewShootsCaption] = nullptr;

    m_runTimer.setInterval(0);
    connect(&m_runTimer, &QTimer::timeout, this, &TShoot1::Tick);
    m_displayTimer.setSingleShot(true);
    connect(&m_displayTimer, &QTimer::timeout, this, &TShoot1::FlushDisplay);
    m_sinceDisplay.start();
    m_targetView->onPainted = [this] {
        if (onDisplayed) {
            onDisplayed();
        }
    };
}

TShoot1::~TShoot1() = default;

void TShoot1::FormActivate() {
    for (ViewText t :
         {ViewText::Num, ViewText::TimeC, ViewText::Res, ViewText::SymE, ViewText::AverSym}) {
        QFont font = m_labels[t]->font();
        font.setBold(true);
        m_labels[t]->setFont(font);
    }
    m_run.FormActivate();
    FlushDisplay();
}

void TShoot1::KeepTicking() {
    if (m_run.Idle()) {
        m_runTimer.stop();
        FlushDisplay();
        return;
    }
    // Waits for keys, a sound or the pause need no busy loop.
    m_runTimer.setInterval(m_run.Waiting() ? 5 : 0);
    if (!m_runTimer.isActive()) {
        m_runTimer.start();
    }
}

void TShoot1::Tick() {
    if (onTick) {
        onTick();
    }
    m_run.Tick();
    KeepTicking();
}

void TShoot1::StartClick() {
    m_run.StartClick();
    KeepTicking();
}

void TShoot1::ViewShootsClick() {
    m_run.ViewShootsClick();
    KeepTicking();
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
    m_pendingMoves[item] = QPoint(left, top);
    ScheduleDisplay();
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

Canvas& TShoot1::Picture(ViewPicture picture) {
    switch (picture) {
    case ViewPicture::FailArrow:
        return *m_failArrow;
    case ViewPicture::SignalI:
        return *m_signal;
    case ViewPicture::Target:
        break;
    }
    return *m_target;
}

void TShoot1::Repaint(ViewPicture picture) {
    m_dirty[static_cast<size_t>(picture)] = true;
    ScheduleDisplay();
}

void TShoot1::RepaintArea(ViewPicture picture, const QRect& area) {
    if (picture != ViewPicture::Target) {
        Repaint(picture);
        return;
    }
    if (!m_dirty[static_cast<size_t>(ViewPicture::Target)]) {
        m_targetArea += area;
    }
    ScheduleDisplay();
}

void TShoot1::ScheduleDisplay() {
    if (m_displayTimer.isActive()) {
        return;
    }
    // The first change after a quiet spell shows at once; later ones wait for the next frame.
    const qint64 since = m_sinceDisplay.elapsed();
    m_displayTimer.start(since >= kDisplayMs ? 0 : static_cast<int>(kDisplayMs - since));
}

void TShoot1::FlushDisplay() {
    m_displayTimer.stop();
    m_sinceDisplay.restart();
    for (const auto& [item, pos] : m_pendingMoves) {
        if (QWidget* w = WidgetOf(item)) {
            w->move(pos);
        }
    }
    m_pendingMoves.clear();
    if (m_dirty[static_cast<size_t>(ViewPicture::Target)]) {
        m_targetView->update();
    } else if (!m_targetArea.isEmpty()) {
        m_targetView->update(m_targetArea);
    }
    m_targetArea = QRegion();
    if (m_dirty[static_cast<size_t>(ViewPicture::FailArrow)]) {
        m_failArrowView->update();
    }
    if (m_dirty[static_cast<size_t>(ViewPicture::SignalI)]) {
        m_signalView->update();
    }
    m_dirty = {};
}

int TShoot1::SignalLength() const {
    // The bar's full length is the width of the group around it.
    return m_signalBox->width();
}

void TShoot1::ActivateWindow(const QString& className) {
    Page::ActivateWindow(className);
}

} // namespace ryvo
