#include "exercise/ExercisePage.h"

#include <QPaintEvent>
#include <QPainter>

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
        m_areas[picture] += area;
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
        picture->update(area);
    }
    m_areas.clear();
}

TickDriver::TickDriver(QObject* parent) : QObject(parent) {
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &TickDriver::Tick);
}

void TickDriver::KeepTicking() {
    if (!m_idle || m_idle()) {
        m_timer.stop();
        if (onIdle) {
            onIdle();
        }
        return;
    }
    // Waits for keys, a sound or the pause need no busy loop.
    m_timer.setInterval(m_waiting() ? kWaitingMs : 0);
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

ExercisePage::ExercisePage(const QString& className, const QString& caption, QWidget* parent)
    : Page(className, caption, parent) {
    m_ticks.onIdle = [this] { m_display.Flush(); };
}

ExercisePage::~ExercisePage() = default;

} // namespace ryvo
