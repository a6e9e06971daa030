#include "exercise/TShoots5.h"

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

namespace ryvo {

namespace {

constexpr int kTargetSize = 421;
constexpr int kSmallSize = 126;
constexpr int kBarWidth = 11;
constexpr int kFailArrowSize = 30;
constexpr int kSignalWidth = 235;
constexpr int kSignalHeight = 36;
constexpr int kSignalGroupWidth = 254;
constexpr int kSteadyLampWidth = 73;
constexpr int kFlashLampWidth = 19;
constexpr int kLampHeight = 8;
constexpr int kDisplayMs = 16;

QPixmap MarkerPixmap(const QColor& colour) {
    QPixmap pixmap(20, 21);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(colour, 2));
    p.drawEllipse(QRect(4, 4, 12, 12));
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
    path.lineTo(8, -8);
    path.lineTo(8, 8);
    path.closeSubpath();
    p.fillPath(path, QColor(220, 0, 0));
    return pixmap;
}

// A 176 x 44 notice: a miss or a shot at a dark target.
QPixmap NoticePixmap(const QString& text, const QColor& colour) {
    QPixmap pixmap(176, 44);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(colour, 2));
    p.drawRect(1, 1, 173, 41);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(18);
    p.setFont(font);
    p.drawText(QRect(0, 0, 176, 44), Qt::AlignCenter, text);
    return pixmap;
}

std::array<std::unique_ptr<ImageCanvas>, kLaneCount> Canvases(int width, int height) {
    std::array<std::unique_ptr<ImageCanvas>, kLaneCount> canvases;
    for (auto& canvas : canvases) {
        canvas = std::make_unique<ImageCanvas>(width, height, kButtonFace);
    }
    return canvases;
}

} // namespace

// Shows an image canvas as it is, repainted only when told; a click runs `onClick`.
class LanePicture final : public QWidget {
public:
    LanePicture(ImageCanvas& canvas, const char* name, QWidget* parent = nullptr)
        : QWidget(parent), m_canvas(canvas) {
        setObjectName(QString::fromLatin1(name));
        setAccessibleName(objectName());
        setFixedSize(canvas.Width(), canvas.Height());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    std::function<void()> onPainted;
    std::function<void()> onClick;

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
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && onClick) {
            onClick();
        }
        QWidget::mousePressEvent(event);
    }

private:
    ImageCanvas& m_canvas;
};

TShoots5::TShoots5(ProgramState& state, const Services& services, QWidget* parent)
    : Page(QStringLiteral("TShoots5"), QStringLiteral("Стрельба: до пяти стрелков"), parent),
      m_state(state),
      m_target(std::make_unique<ImageCanvas>(kTargetSize, kTargetSize, kButtonFace)),
      m_failArrow(std::make_unique<ImageCanvas>(kFailArrowSize, kFailArrowSize, kButtonFace)),
      m_signal(std::make_unique<ImageCanvas>(kSignalWidth, kSignalHeight, kButtonFace)),
      m_small(Canvases(kSmallSize, kSmallSize)), m_bars(Canvases(kBarWidth, kSmallSize)),
      m_run(state, services, *this) {
    setObjectName(QStringLiteral("TShoots5"));
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
        auto lamp = [lampRow](const char* name, int width) {
            auto* label = Named(new QLabel, name);
            label->setFixedSize(width, kLampHeight);
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
        m_barViews[i] = new LanePicture(*m_bars[i], kSig[i]);
        m_smallViews[i] = new LanePicture(*m_small[i], kTar[i]);
        m_smallViews[i]->setCursor(Qt::PointingHandCursor);
        m_smallViews[i]->onClick = [this, lane] { TarClick(lane); };
        pictures->addWidget(m_barViews[i]);
        pictures->addWidget(m_smallViews[i]);
        pictures->setSpacing(2);
        column->addLayout(pictures);
        lanes->addLayout(column);
    }
    lanes->addStretch(1);

    auto* body = new QHBoxLayout;
    root->addLayout(body, 1);
    auto* panel = Named(new QWidget, "Panel1");
    panel->setFixedSize(kTargetSize, kTargetSize);
    m_targetView = new LanePicture(*m_target, "Target", panel);
    body->addWidget(panel, 0, Qt::AlignTop);

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
    marker(ViewItem::PostGun, "PostGun2", MarkerPixmap(QColor(0, 0, 255)), m_targetView);
    const int edge = kTargetSize - 24;
    marker(ViewItem::LeftArrow, "LeftArrow", ArrowPixmap(0), m_targetView)->move(0, edge / 2);
    marker(ViewItem::RightArrow, "RightArrow", ArrowPixmap(180), m_targetView)
        ->move(edge, edge / 2);
    marker(ViewItem::UpArrow, "UpArrow", ArrowPixmap(90), m_targetView)->move(edge / 2, 0);
    marker(ViewItem::DownArrow, "DownArrow", ArrowPixmap(270), m_targetView)->move(edge / 2, edge);

    auto* side = new QVBoxLayout;
    body->addLayout(side, 1);
    auto* stat = Named(new QGroupBox(QStringLiteral("Статистика")), "GroupBoxStat");
    auto* grid = new QGridLayout(stat);
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
    pair("Label2", QStringLiteral("Первый выстрел"), "FTime", ViewText::FirstTime);
    auto* misses = new QHBoxLayout;
    marker(ViewItem::Fail, "Fail", NoticePixmap(QStringLiteral("Промах"), QColor(200, 0, 0)), stat);
    misses->addWidget(m_items[ViewItem::Fail]);
    m_failArrowView = new LanePicture(*m_failArrow, "FailArrow", stat);
    m_failArrowView->hide();
    m_items[ViewItem::FailArrow] = m_failArrowView;
    misses->addWidget(m_failArrowView);
    marker(ViewItem::ImageActive, "ImageActive",
           NoticePixmap(QStringLiteral("Мишень не поднята"), QColor(60, 60, 60)), stat);
    misses->addWidget(m_items[ViewItem::ImageActive]);
    misses->addStretch(1);
    grid->addLayout(misses, grid->rowCount(), 0, 1, 2);
    side->addWidget(stat);

    m_signalBox = Named(new QGroupBox(QStringLiteral("Сигнал")), "Signal");
    // The level bar's full length is this width.
    m_signalBox->setFixedWidth(kSignalGroupWidth);
    auto* signalLayout = new QVBoxLayout(m_signalBox);
    m_signalView = new LanePicture(*m_signal, "SignalI");
    signalLayout->addWidget(m_signalView);
    auto* sigText = Named(new QLabel, "SigText");
    m_labels[ViewText::SigText] = sigText;
    signalLayout->addWidget(sigText);
    side->addWidget(m_signalBox);

    auto button = [this, side](ViewButton b, const char* name, const QString& caption,
                               void (TShoots5::*handler)()) {
        auto* w = Named(new QPushButton(caption), name);
        connect(w, &QPushButton::clicked, this, handler);
        side->addWidget(w);
        m_buttons[b] = w;
        return w;
    };
    button(ViewButton::Start, "Start", QStringLiteral("Старт"), &TShoots5::StartClick)
        ->setDefault(true);
    button(ViewButton::Save, "Save", QStringLiteral("Запись"), &TShoots5::SaveClick);
    button(ViewButton::Print, "Print", QStringLiteral("Печать"), &TShoots5::PrintClick);
    button(ViewButton::Exit, "Exit", QStringLiteral("&Выход"), &TShoots5::ExitClick);
    m_status = Named(new QLabel, "Status");
    m_status->setWordWrap(true);
    side->addWidget(m_status);
    side->addStretch(1);
    root->addStretch(1);

    m_runTimer.setInterval(0);
    connect(&m_runTimer, &QTimer::timeout, this, &TShoots5::Tick);
    m_displayTimer.setSingleShot(true);
    connect(&m_displayTimer, &QTimer::timeout, this, &TShoots5::FlushDisplay);
    m_sinceDisplay.start();
    m_targetView->onPainted = [this] {
        if (onDisplayed) {
            onDisplayed();
        }
    };
}

TShoots5::~TShoots5() = default;

void TShoots5::FormActivate() {
    for (ViewText t :
         {ViewText::Num, ViewText::TimeC, ViewText::Res, ViewText::SymE, ViewText::AverSym}) {
        QFont font = m_labels[t]->font();
        font.setBold(true);
        m_labels[t]->setFont(font);
    }
    m_run.FormActivate();
    ShowStatus();
    FlushDisplay();
}

void TShoots5::ShowStatus() {
    if (m_run.status.TakeChanged()) {
        m_status->setText(m_run.status.Text());
    }
}

void TShoots5::KeepTicking() {
    ShowStatus();
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

void TShoots5::Tick() {
    if (onTick) {
        onTick();
    }
    m_run.Tick();
    KeepTicking();
}

void TShoots5::StartClick() {
    m_run.StartClick();
    KeepTicking();
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
    m_pendingMoves[item] = QPoint(left, top);
    ScheduleDisplay();
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

Canvas& TShoots5::Picture(ViewPicture picture) {
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

void TShoots5::Repaint(ViewPicture picture) {
    m_dirty[static_cast<size_t>(picture)] = true;
    ScheduleDisplay();
}

void TShoots5::RepaintArea(ViewPicture picture, const QRect& area) {
    if (picture != ViewPicture::Target) {
        Repaint(picture);
        return;
    }
    if (!m_dirty[static_cast<size_t>(ViewPicture::Target)]) {
        m_targetArea += area;
    }
    ScheduleDisplay();
}

int TShoots5::SignalLength() const {
    return m_signalBox->width();
}

void TShoots5::ActivateWindow(const QString& className) {
    Page::ActivateWindow(className);
}

Canvas& TShoots5::SmallTarget(int lane) {
    return *m_small.at(static_cast<size_t>(lane));
}

Canvas& TShoots5::LaneSignal(int lane) {
    return *m_bars.at(static_cast<size_t>(lane));
}

void TShoots5::RepaintSmallTarget(int lane) {
    m_smallDirty.at(static_cast<size_t>(lane)) = true;
    ScheduleDisplay();
}

void TShoots5::RepaintLaneSignal(int lane) {
    m_barDirty.at(static_cast<size_t>(lane)) = true;
    ScheduleDisplay();
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

void TShoots5::ScheduleDisplay() {
    if (m_displayTimer.isActive()) {
        return;
    }
    // The first change after a quiet spell shows at once; later ones wait for the next frame.
    const qint64 since = m_sinceDisplay.elapsed();
    m_displayTimer.start(since >= kDisplayMs ? 0 : static_cast<int>(kDisplayMs - since));
}

void TShoots5::FlushDisplay() {
    ShowStatus();
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
    for (size_t i = 0; i < static_cast<size_t>(kLaneCount); ++i) {
        if (std::exchange(m_smallDirty[i], false)) {
            m_smallViews[i]->update();
        }
        if (std::exchange(m_barDirty[i], false)) {
            m_barViews[i]->update();
        }
    }
}

} // namespace ryvo
