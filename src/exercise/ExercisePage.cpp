#include "exercise/ExercisePage.h"

#include "exercise/RunStatus.h"
#include "platform/FittedLabel.h"
#include "platform/Widgets.h"

#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace ryvo {

PictureWidget::PictureWidget(const char* name, QSize size, Color fill, QWidget* parent)
    : QWidget(parent), m_fill(fill) {
    setObjectName(QString::fromLatin1(name));
    setAccessibleName(QString::fromLatin1(name));
    setAttribute(Qt::WA_OpaquePaintEvent);
    ResizeImage(size);
}

void PictureWidget::ResizeImage(QSize size) {
    m_canvas = std::make_unique<ImageCanvas>(size.width(), size.height(), m_fill);
    setFixedSize(size);
    update();
}

void PictureWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (const QRect& r : event->region()) {
        painter.drawImage(r, m_canvas->Image(), r);
    }
    if (onPainted) {
        onPainted();
    }
}

DisplayBatch::DisplayBatch(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DisplayBatch::Flush);
    m_sinceFlush.start();
}

void DisplayBatch::Repaint(PictureWidget* picture) {
    m_whole.insert(picture);
    m_areas.erase(picture);
    Schedule();
}

void DisplayBatch::RepaintArea(PictureWidget* picture, const QRect& area) {
    if (!m_whole.contains(picture)) {
        Areas& pending = m_areas[picture];
        // A hole repaired again and again within one frame adds nothing to the region; the
        // latest areas are enough to see that.
        constexpr size_t kRecent = 64;
        const auto from =
            pending.rects.size() > kRecent ? pending.rects.end() - kRecent : pending.rects.begin();
        if (std::none_of(from, pending.rects.end(),
                         [&area](const QRect& r) { return r.contains(area); })) {
            pending.rects.push_back(area);
            pending.region += area;
        }
    }
    Schedule();
}

void DisplayBatch::Place(QWidget* widget, QPoint pos) {
    m_moves[widget] = pos;
    Schedule();
}

bool DisplayBatch::Pending() const {
    return !m_whole.empty() || !m_areas.empty() || !m_moves.empty();
}

void DisplayBatch::Schedule() {
    if (m_timer.isActive()) {
        return;
    }
    // The first change after a quiet spell shows at once; later ones wait for the next frame.
    const qint64 since = m_sinceFlush.elapsed();
    m_timer.start(since >= kFrameMs ? 0 : static_cast<int>(kFrameMs - since));
}

void DisplayBatch::Flush() {
    m_timer.stop();
    m_sinceFlush.restart();
    for (const auto& [widget, pos] : m_moves) {
        widget->move(pos);
    }
    m_moves.clear();
    for (PictureWidget* picture : m_whole) {
        picture->update();
    }
    m_whole.clear();
    for (const auto& [picture, area] : m_areas) {
        picture->update(area.region);
    }
    m_areas.clear();
}

TickDriver::TickDriver(QObject* parent) : QObject(parent) {
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &TickDriver::Tick);
}

void TickDriver::KeepTicking() {
    if (RunIdle()) {
        m_timer.stop();
        if (onIdle) {
            onIdle();
        }
        return;
    }
    // Waits for keys, a sound or the pause need no busy loop.
    // Setting the interval restarts a running timer: only when it changes.
    const int interval = m_waiting() ? kWaitingMs : 0;
    if (m_timer.interval() != interval) {
        m_timer.setInterval(interval);
    }
    if (!m_timer.isActive()) {
        m_timer.start();
    }
}

void TickDriver::Tick() {
    if (onTick) {
        onTick();
    }
    m_tick();
    KeepTicking();
}

namespace {
// Read from across the room, as the values are.
constexpr double kStatusPoints = 14.0;
} // namespace

ExercisePage::ExercisePage(const QString& className, const QString& caption, QWidget* parent)
    : Page(className, caption, parent) {
    m_ticks.onIdle = [this] {
        // A resize during the run takes effect now.
        ApplyPictureSizes();
        m_display.Flush();
    };
}

ExercisePage::~ExercisePage() = default;

QLabel* ExercisePage::StatusLine() {
    if (m_statusLine == nullptr) {
        // A long message is cut to the line rather than widening the window.
        m_statusLine = Named(new FittedLabel(1, this), "StatusLine");
        ScaleText(m_statusLine, kStatusPoints, true);
    }
    return m_statusLine;
}

QLabel* ExercisePage::HintLine() {
    if (m_hintLine == nullptr) {
        m_hintLine = Named(new FittedLabel(1, this), "Hint");
        ScaleText(m_hintLine, kStatusPoints);
    }
    return m_hintLine;
}

void ExercisePage::ShowStatus(RunStatus& status) {
    QLabel* line = StatusLine();
    QLabel* hint = HintLine();
    status.onChanged = [line, hint, &status] {
        line->setText(status.Text());
        hint->setText(status.Hint());
    };
    status.onChanged();
}

QPushButton* ExercisePage::NewButton(const char* name, const QString& caption) {
    auto* button = Named(new QPushButton(caption), name);
    ScaleText(button, kCaptionPoints);
    return button;
}

QLabel* ExercisePage::AddLamp(const char* name, int baseWidth, int baseHeight) {
    auto* lamp = Named(new QLabel, name);
    ScaleSize(lamp, baseWidth, baseHeight);
    KeepPlaceWhenHidden(lamp);
    lamp->hide();
    return lamp;
}

int ExercisePage::Scaled(int base) const {
    return static_cast<int>(std::lround(base * m_scale));
}

PictureWidget* ExercisePage::AddSquarePicture(QWidget* panel, const char* name, int initial) {
    auto* picture = new PictureWidget(name, QSize(initial, initial), kButtonFace, panel);
    m_pictures.push_back({picture, panel, QSize()});
    panel->installEventFilter(this);
    return picture;
}

PictureWidget* ExercisePage::AddScaledPicture(const char* name, QSize base, QWidget* parent) {
    auto* picture = new PictureWidget(name, base, kButtonFace, parent);
    m_pictures.push_back({picture, nullptr, base});
    return picture;
}

void ExercisePage::ScaleText(QWidget* widget, double basePoints, bool bold) {
    QFont font = widget->font();
    font.setBold(bold);
    widget->setFont(font);
    m_scaled.push_back({widget, basePoints, QSize(), QString()});
    ApplyScale(m_scale);
}

void ExercisePage::ScaleSize(QWidget* widget, int baseWidth, int baseHeight) {
    m_scaled.push_back({widget, 0.0, QSize(baseWidth, baseHeight), QString()});
    ApplyScale(m_scale);
}

void ExercisePage::ReserveRoom(QLabel* label, const QString& sample) {
    m_scaled.push_back({label, 0.0, QSize(), sample});
    ApplyScale(m_scale);
}

void ExercisePage::ApplyScale(double scale) {
    m_scale = scale;
    for (const ScaledWidget& s : m_scaled) {
        if (s.points > 0.0) {
            QFont font = s.widget->font();
            font.setPointSizeF(s.points * scale);
            s.widget->setFont(font);
        }
        if (s.base.width() > 0) {
            s.widget->setFixedWidth(Scaled(s.base.width()));
        }
        if (s.base.height() > 0) {
            s.widget->setFixedHeight(Scaled(s.base.height()));
        }
        if (!s.sample.isEmpty()) {
            // The size the label itself would ask for with that text, in its font now.
            QLabel probe(s.sample);
            probe.setFont(s.widget->font());
            s.widget->setMinimumSize(probe.sizeHint());
        }
    }
}

QSize ExercisePage::WantedSize(const ScaledPicture& p) const {
    if (p.squareIn == nullptr) {
        return {Scaled(p.base.width()), Scaled(p.base.height())};
    }
    const int side = std::min(p.squareIn->width(), p.squareIn->height());
    return {side, side};
}

bool ExercisePage::ApplyPictureSizes() {
    if (!m_ticks.RunIdle()) {
        return false;
    }
    bool changed = false;
    for (const ScaledPicture& p : m_pictures) {
        const QSize wanted = WantedSize(p);
        // A panel not laid out yet keeps the picture as it is.
        if (wanted.width() > 0 && wanted != p.picture->Canvas().Image().size()) {
            p.picture->ResizeImage(wanted);
            changed = true;
        }
        if (p.squareIn != nullptr) {
            const QSize room = p.squareIn->size() - p.picture->size();
            p.picture->move(std::max(0, room.width() / 2), std::max(0, room.height() / 2));
        }
    }
    if (changed) {
        PicturesResized();
    }
    return changed;
}

void ExercisePage::resizeEvent(QResizeEvent* event) {
    Page::resizeEvent(event);
    const double scale = std::max(1.0, std::min(static_cast<double>(width()) / kBaseWidth,
                                                static_cast<double>(height()) / kBaseHeight));
    if (scale != m_scale) {
        ApplyScale(scale);
    }
    ApplyPictureSizes();
}

bool ExercisePage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        ApplyPictureSizes();
    }
    return Page::eventFilter(watched, event);
}

} // namespace ryvo
