#include "SimWindow.h"

#include <QEnterEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ryvo::sim {

Signal SignalForPad(QPointF position, QSize padSize, std::uint16_t level) {
    auto axis = [level](double p, int size) {
        const double t = size > 0 ? p / size * 200.0 - 100.0 : 0.0;
        const double signal = std::clamp(t / 100.0 * level, -32768.0, 32767.0);
        return static_cast<std::int16_t>(std::lround(signal));
    };
    return {axis(position.x(), padSize.width()), axis(position.y(), padSize.height())};
}

LanePad::LanePad(DeviceModel& model, std::mutex& mutex, int lane, QWidget* parent)
    : QWidget(parent), m_model(model), m_mutex(mutex), m_lane(lane) {
    setObjectName(QStringLiteral("Pad%1").arg(lane + 1));
    setMouseTracking(true);
    setMinimumSize(120, 120);
    setCursor(Qt::CrossCursor);
    std::lock_guard lock(m_mutex);
    m_model.Lane(m_lane).level = 0; // nobody aims until the mouse comes
}

void LanePad::Aim(QPointF position) {
    m_mouse = position;
    const Signal signal = SignalForPad(position, size());
    std::lock_guard lock(m_mutex);
    LaneModel& lane = m_model.Lane(m_lane);
    lane.aim = std::make_unique<FixedAim>(signal);
    lane.level = kPadLevel;
}

void LanePad::mouseMoveEvent(QMouseEvent* event) {
    Aim(event->position());
    update();
}

void LanePad::enterEvent(QEnterEvent* event) {
    Aim(event->position());
    update();
}

void LanePad::leaveEvent(QEvent*) {
    m_mouse = {-1, -1};
    {
        std::lock_guard lock(m_mutex);
        m_model.Lane(m_lane).level = 0;
    }
    update();
}

void LanePad::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    Aim(event->position());
    {
        std::lock_guard lock(m_mutex);
        m_model.Lane(m_lane).triggers.Pull();
    }
    ++m_shots;
    update();
}

void LanePad::paintEvent(QPaintEvent*) {
    bool steady = false;
    bool flash = false;
    {
        std::lock_guard lock(m_mutex);
        steady = m_model.Lamps().SteadyOn(m_lane);
        flash = m_model.Lamps().FlashOn(m_lane);
    }
    QPainter p(this);
    p.fillRect(rect(), steady ? QColor(250, 250, 225) : QColor(200, 200, 200));
    p.setPen(QColor(0, 128, 0));
    const QPointF c(width() / 2.0, height() / 2.0);
    for (int ring = 1; ring <= 3; ++ring) {
        p.drawEllipse(c, width() * ring / 8.0, height() * ring / 8.0);
    }
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.drawText(rect().adjusted(6, 4, -6, -4), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Стрелок %1").arg(m_lane + 1));
    p.drawText(rect().adjusted(6, 4, -6, -4), Qt::AlignRight | Qt::AlignBottom,
               QStringLiteral("выстрелов: %1").arg(m_shots));
    if (flash) {
        p.setBrush(QColor(255, 200, 0));
        p.drawEllipse(QPointF(width() - 14.0, 14.0), 8, 8);
    }
    if (m_mouse.x() >= 0) {
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(m_mouse + QPointF(-8, 0), m_mouse + QPointF(8, 0));
        p.drawLine(m_mouse + QPointF(0, -8), m_mouse + QPointF(0, 8));
    }
}

SimWindow::SimWindow(DeviceModel& model, std::mutex& mutex, const QString& link, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("SimWindow"));
    setWindowTitle(QStringLiteral("Имитатор мишенной установки — %1").arg(link));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(
        QStringLiteral("Наведите мышь на поле стрелка — это прицеливание; щелчок — выстрел."));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto* grid = new QGridLayout;
    for (int lane = 0; lane < kSimLanes; ++lane) {
        m_pads[static_cast<size_t>(lane)] = new LanePad(model, mutex, lane, this);
        grid->addWidget(m_pads[static_cast<size_t>(lane)], lane / 3, lane % 3);
    }
    layout->addLayout(grid, 1);
    // Lamps change from the PC side; show them as they are.
    m_refresh = new QTimer(this);
    connect(m_refresh, &QTimer::timeout, this, [this] {
        for (LanePad* pad : m_pads) {
            pad->update();
        }
    });
    m_refresh->start(100);
}

} // namespace ryvo::sim
