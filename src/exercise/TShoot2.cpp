#include "exercise/TShoot2.h"

#include "platform/Widgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

// The window's own size; it is scaled as a whole by the screen height.
constexpr int kWindowHeight = 670;
constexpr int kTargetSize = 363;
constexpr int kSignalWidth = 204;
constexpr int kSignalHeight = 20;
constexpr int kFailArrowSize = 30;
constexpr int kDisplayMs = 16;

double ScreenFactor() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int height = screen != nullptr ? screen->availableGeometry().height() : kWindowHeight;
    return std::clamp(static_cast<double>(height) / kWindowHeight, 0.6, 3.0);
}

int Scaled(int size, double f) {
    return static_cast<int>(std::lround(size * f));
}

QPixmap MarkerPixmap(const QColor& colour, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(colour, 2));
    const int w = size.width();
    const int h = size.height();
    p.drawEllipse(QRect(w / 6, h / 6, w * 2 / 3, h * 2 / 3));
    p.drawLine(w / 2, 0, w / 2, h - 1);
    p.drawLine(0, h / 2, w - 1, h / 2);
    return pixmap;
}

QPixmap ArrowPixmap(int angle, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(size / 2.0, size / 2.0);
    p.rotate(angle);
    const double r = size / 2.0 - 1.0;
    QPainterPath path;
    path.moveTo(-r, 0);
    path.lineTo(r * 0.7, -r * 0.8);
    path.lineTo(r * 0.7, r * 0.8);
    path.closeSubpath();
    p.fillPath(path, QColor(200, 0, 0));
    return pixmap;
}

// The word for a miss: red letters on nothing, or black letters on red for a dark target.
QPixmap MissWord(QSize size, bool dark) {
    QPixmap pixmap(size);
    pixmap.fill(dark ? QColor(255, 0, 0) : QColor(Qt::transparent));
    QPainter p(&pixmap);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(size.height() * 4 / 5);
    font.setBold(true);
    p.setFont(font);
    p.setPen(dark ? QColor(Qt::black) : QColor(255, 0, 0));
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, QStringLiteral("Промах"));
    return pixmap;
}

} // namespace

// Shows an image canvas as it is; repainted only when told.
class CanvasWidget final : public QWidget {
public:
    CanvasWidget(ImageCanvas& canvas, const QString& name, QWidget* parent = nullptr)
        : QWidget(parent), m_canvas(canvas) {
        setObjectName(name);
        setAccessibleName(name);
        setFixedSize(canvas.Width(), canvas.Height());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        for (const QRect& r : event->region()) {
            painter.drawImage(r, m_canvas.Image(), r);
        }
    }

private:
    ImageCanvas& m_canvas;
};

// One shooter's side: the target with its markers, the signal bar and the statistics box.
// Changes reach the screen when the page flushes the display.
class TShoot2::LaneView final : public PanelView {
public:
    LaneView(int targetSize, QSize signal, int failArrow, std::function<void()> schedule)
        : target(targetSize, targetSize, kButtonFace),
          failArrowCanvas(failArrow, failArrow, kButtonFace),
          sig(signal.width(), signal.height(), kButtonFace), m_schedule(std::move(schedule)) {}

    void SetText(ViewText text, const QString& value) override {
        if (const auto it = labels.find(text); it != labels.end()) {
            it->second->setText(value);
        }
    }
    void SetVisible(ViewItem item, bool visible) override {
        if (QWidget* w = Item(item); w != nullptr && w->isVisibleTo(w->parentWidget()) != visible) {
            w->setVisible(visible);
        }
    }
    void Place(ViewItem item, int left, int top) override {
        m_moves[item] = QPoint(left, top);
        m_schedule();
    }
    QSize ItemSize(ViewItem item) const override {
        const QWidget* w = Item(item);
        return w != nullptr ? w->size() : QSize();
    }
    Canvas& Picture(ViewPicture picture) override {
        switch (picture) {
        case ViewPicture::FailArrow:
            return failArrowCanvas;
        case ViewPicture::SignalI:
            return sig;
        case ViewPicture::Target:
            break;
        }
        return target;
    }
    void Repaint(ViewPicture picture) override {
        m_dirty[static_cast<size_t>(picture)] = true;
        m_schedule();
    }
    void RepaintArea(ViewPicture picture, const QRect& area) override {
        if (picture != ViewPicture::Target) {
            Repaint(picture);
            return;
        }
        if (!m_dirty[static_cast<size_t>(ViewPicture::Target)]) {
            m_targetArea += area;
        }
        m_schedule();
    }
    int SignalLength() const override { return sig.Width(); }

    void Flush() {
        for (const auto& [item, pos] : m_moves) {
            if (QWidget* w = Item(item)) {
                w->move(pos);
            }
        }
        m_moves.clear();
        if (m_dirty[static_cast<size_t>(ViewPicture::Target)]) {
            targetView->update();
        } else if (!m_targetArea.isEmpty()) {
            targetView->update(m_targetArea);
        }
        m_targetArea = QRegion();
        if (m_dirty[static_cast<size_t>(ViewPicture::FailArrow)]) {
            failArrowView->update();
        }
        if (m_dirty[static_cast<size_t>(ViewPicture::SignalI)]) {
            sigView->update();
        }
        m_dirty = {};
    }

    QWidget* Item(ViewItem item) const {
        const auto it = items.find(item);
        return it != items.end() ? it->second : nullptr;
    }

    ImageCanvas target;
    ImageCanvas failArrowCanvas;
    ImageCanvas sig;
    CanvasWidget* targetView = nullptr;
    CanvasWidget* failArrowView = nullptr;
    CanvasWidget* sigView = nullptr;
    std::map<ViewText, QLabel*> labels;
    std::map<ViewItem, QWidget*> items;

private:
    std::function<void()> m_schedule;
    std::array<bool, 3> m_dirty{};
    QRegion m_targetArea;
    std::map<ViewItem, QPoint> m_moves;
};

TShoot2::TShoot2(ProgramState& state, const Services& services, QWidget* parent)
    : Page(QStringLiteral("TShoot2"), QStringLiteral("Стрельба: два стрелка"), parent),
      m_state(state) {
    const double f = ScreenFactor();
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(Scaled(18, f));
    setFont(font);

    for (size_t lane = 0; lane < m_lanes.size(); ++lane) {
        m_lanes[lane] = std::make_unique<LaneView>(
            Scaled(kTargetSize, f), QSize(Scaled(kSignalWidth, f), Scaled(kSignalHeight, f)),
            Scaled(kFailArrowSize, f), [this] { ScheduleDisplay(); });
    }
    m_run = std::make_unique<TwoShooterRun>(state, services, *this);

    auto* root = new QVBoxLayout(this);
    auto* lamps = new QHBoxLayout;
    auto lamp = [this, lamps, f](ViewItem item, const char* name, int width) {
        auto* label = Named(new QLabel, name);
        label->setFixedSize(Scaled(width, f), Scaled(18, f));
        label->hide();
        m_lamps[item] = label;
        lamps->addWidget(label);
    };
    lamps->addStretch(1);
    lamp(ViewItem::Image1, "Image1", 50);
    lamp(ViewItem::Image3, "Image3", 18);
    lamps->addSpacing(Scaled(40, f));
    lamp(ViewItem::Image2, "Image2", 50);
    lamp(ViewItem::Image4, "Image4", 18);
    lamps->addStretch(1);
    root->addLayout(lamps);

    auto* row = new QHBoxLayout;
    root->addLayout(row, 1);
    row->addWidget(BuildLane(0, Scaled(100, f)), 1);

    auto* middle = new QVBoxLayout;
    auto button = [this, middle](TwoButton b, const char* name, const QString& caption,
                                 void (TShoot2::*handler)(), bool enabled) {
        auto* w = Named(new QPushButton(caption), name);
        w->setEnabled(enabled);
        connect(w, &QPushButton::clicked, this, handler);
        middle->addWidget(w);
        m_buttons[b] = w;
    };
    middle->addStretch(1);
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
    button(TwoButton::Exit, "Exit", QStringLiteral("Выход"), &TShoot2::ExitClick, true);
    middle->addStretch(1);
    row->addLayout(middle);

    row->addWidget(BuildLane(1, Scaled(100, f)), 1);

    m_status = Named(new QLabel, "Status");
    m_hint = Named(new QLabel, "Hint");
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(m_status, 1);
    statusRow->addWidget(m_hint);
    root->addLayout(statusRow);

    m_runTimer.setInterval(0);
    connect(&m_runTimer, &QTimer::timeout, this, &TShoot2::Tick);
    m_displayTimer.setSingleShot(true);
    connect(&m_displayTimer, &QTimer::timeout, this, &TShoot2::FlushDisplay);
    m_sinceDisplay.start();
}

TShoot2::~TShoot2() = default;

QWidget* TShoot2::BuildLane(int lane, int scale100) {
    LaneView& view = *m_lanes[static_cast<size_t>(lane)];
    const double f = scale100 / 100.0;
    const QString n = QString::number(lane + 1);
    auto name = [&n](const char* base) { return QString::fromLatin1(base) + n; };
    auto named = [&name](auto* w, const char* base) {
        const QString full = name(base);
        w->setObjectName(full);
        w->setAccessibleName(full);
        return w;
    };

    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    auto* heading = named(new QLabel(QStringLiteral("Стрелок ") + n), "StaticText");
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    heading->setFont(headingFont);
    layout->addWidget(heading, 0, Qt::AlignHCenter);

    auto* panel = named(new QWidget, "Panel");
    panel->setFixedSize(view.target.Width(), view.target.Height());
    view.targetView = new CanvasWidget(view.target, name("Target"), panel);
    layout->addWidget(panel, 0, Qt::AlignHCenter);

    auto marker = [&view, &named](ViewItem item, const char* base, const QPixmap& pixmap,
                                  QWidget* parent, bool transparent = true) {
        auto* label = named(new QLabel(parent), base);
        label->setPixmap(pixmap);
        label->setFixedSize(pixmap.size());
        if (transparent) {
            label->setAttribute(Qt::WA_TranslucentBackground);
        }
        label->hide();
        view.items[item] = label;
        return label;
    };
    const QSize gun(Scaled(20, f), Scaled(21, f));
    marker(ViewItem::Gun2, "Gun", MarkerPixmap(QColor(255, 0, 0), gun), view.targetView);
    marker(ViewItem::PostGun, "PostGun", MarkerPixmap(QColor(0, 0, 255), gun), view.targetView);
    const int arrow = Scaled(24, f);
    const int edge = view.target.Width() - arrow;
    marker(ViewItem::LeftArrow, "ArrowLeft", ArrowPixmap(0, arrow), view.targetView)
        ->move(0, edge / 2);
    marker(ViewItem::RightArrow, "ArrowRight", ArrowPixmap(180, arrow), view.targetView)
        ->move(edge, edge / 2);
    marker(ViewItem::UpArrow, "ArrowUp", ArrowPixmap(90, arrow), view.targetView)
        ->move(edge / 2, 0);
    marker(ViewItem::DownArrow, "ArrowDown", ArrowPixmap(270, arrow), view.targetView)
        ->move(edge / 2, edge);

    auto* signalRow = new QHBoxLayout;
    view.sigView = new CanvasWidget(view.sig, name("Sig"));
    signalRow->addWidget(view.sigView);
    signalRow->addWidget(named(new QLabel(QStringLiteral("Сигнал")), "SigT"));
    signalRow->addStretch(1);
    layout->addLayout(signalRow);

    auto* stat = named(new QGroupBox(QStringLiteral("Статистика")), "GroupBoxStat");
    auto* grid = new QGridLayout(stat);
    auto pair = [&](const char* captionBase, const QString& caption, const char* valueBase,
                    ViewText text) {
        const int r = grid->rowCount();
        grid->addWidget(named(new QLabel(caption), captionBase), r, 0);
        auto* value = named(new QLabel, valueBase);
        grid->addWidget(value, r, 1);
        view.labels[text] = value;
    };
    pair("NumT", QStringLiteral("Произведен выстрел N"), "Num", ViewText::Num);
    pair("Ft", QStringLiteral("Первый выстрел"), "FirstTime", ViewText::FirstTime);
    pair("TimeT", QStringLiteral("Время стрельбы"), "Time", ViewText::TimeC);
    pair("ResT", QStringLiteral("Результат"), "Res", ViewText::Res);
    pair("SymT", QStringLiteral("Сумма"), "SymE", ViewText::SymE);
    pair("AverSymT", QStringLiteral("Средний результат"), "AverSym", ViewText::AverSym);
    // The first shot's time is bold from the start; the other values on activation.
    QFont bold = view.labels[ViewText::FirstTime]->font();
    bold.setBold(true);
    view.labels[ViewText::FirstTime]->setFont(bold);

    auto* misses = new QWidget;
    auto* missLayout = new QHBoxLayout(misses);
    missLayout->setContentsMargins(0, 0, 0, 0);
    const QSize word(Scaled(145, f), Scaled(30, f));
    auto* words = new QWidget;
    words->setFixedSize(word);
    marker(ViewItem::Fail, "Fail", MissWord(word, false), words);
    marker(ViewItem::ImageActive, "FailActive", MissWord(word, true), words, false);
    missLayout->addWidget(words);
    view.failArrowView = new CanvasWidget(view.failArrowCanvas, name("FailArrow"));
    view.failArrowView->hide();
    view.items[ViewItem::FailArrow] = view.failArrowView;
    missLayout->addWidget(view.failArrowView);
    missLayout->addStretch(1);
    grid->addWidget(misses, grid->rowCount(), 0, 1, 2);
    layout->addWidget(stat);
    layout->addStretch(1);
    return column;
}

void TShoot2::FormActivate() {
    for (const auto& lane : m_lanes) {
        for (ViewText t :
             {ViewText::Num, ViewText::TimeC, ViewText::Res, ViewText::SymE, ViewText::AverSym}) {
            QLabel* label = lane->labels[t];
            QFont font = label->font();
            font.setBold(true);
            label->setFont(font);
        }
    }
    m_run->FormActivate();
    FlushDisplay();
}

void TShoot2::KeepTicking() {
    if (m_run->Idle()) {
        m_runTimer.stop();
        FlushDisplay();
        return;
    }
    // Waits for keys, a sound or the pause need no busy loop.
    m_runTimer.setInterval(m_run->Waiting() ? 5 : 0);
    if (!m_runTimer.isActive()) {
        m_runTimer.start();
    }
}

void TShoot2::Tick() {
    if (onTick) {
        onTick();
    }
    m_run->Tick();
    KeepTicking();
}

void TShoot2::StartClick() {
    m_run->StartClick();
    KeepTicking();
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
        QPixmap pixmap(it->second->size());
        pixmap.fill(ToQColor(color));
        it->second->setPixmap(pixmap);
    }
}

void TShoot2::SetStartCaption(const QString& caption) {
    m_buttons.at(TwoButton::Start)->setText(caption);
}

void TShoot2::SetEnabled(TwoButton button, bool enabled) {
    m_buttons.at(button)->setEnabled(enabled);
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

void TShoot2::SetStatus(const QString& text, const QString& hint) {
    m_status->setText(text);
    m_hint->setText(hint);
}

void TShoot2::ScheduleDisplay() {
    if (m_displayTimer.isActive()) {
        return;
    }
    // The first change after a quiet spell shows at once; later ones wait for the next frame.
    const qint64 since = m_sinceDisplay.elapsed();
    m_displayTimer.start(since >= kDisplayMs ? 0 : static_cast<int>(kDisplayMs - since));
}

void TShoot2::FlushDisplay() {
    m_displayTimer.stop();
    m_sinceDisplay.restart();
    for (const auto& lane : m_lanes) {
        lane->Flush();
    }
}

} // namespace ryvo
