#pragma once

#include "DeviceModel.h"

#include <QPointF>
#include <QSize>
#include <QWidget>

#include <array>
#include <mutex>

class QTimer;

namespace ryvo::sim {

// Level the pads report while the mouse is over them: inside the usable window of the
// serial device (1200..6400).
inline constexpr std::uint16_t kPadLevel = 4000;

// Where the mouse over a pad aims: the pad's square is the target square (-100..100 on
// both axes), which the default calibration maps from signal / level * 100.
Signal SignalForPad(QPointF position, QSize padSize, std::uint16_t level = kPadLevel);

// One lane's pad: the mouse aims, a click pulls the trigger. Leaving the pad takes the
// light spot away (level 0), as a weapon pointed off the target would.
class LanePad final : public QWidget {
    Q_OBJECT
public:
    LanePad(DeviceModel& model, std::mutex& mutex, int lane, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {200, 200}; }
    int Shots() const { return m_shots; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Aim(QPointF position);

    DeviceModel& m_model;
    std::mutex& m_mutex;
    int m_lane;
    int m_shots = 0;
    QPointF m_mouse{-1, -1};
};

// The interactive simulator: one pad per lane, with the lamps the PC has switched.
class SimWindow final : public QWidget {
    Q_OBJECT
public:
    SimWindow(DeviceModel& model, std::mutex& mutex, const QString& link,
              QWidget* parent = nullptr);
    LanePad* Pad(int lane) const { return m_pads[static_cast<size_t>(lane)]; }

private:
    std::array<LanePad*, kSimLanes> m_pads{};
    QTimer* m_refresh;
};

} // namespace ryvo::sim
