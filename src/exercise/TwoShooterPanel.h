#pragma once

#include "core/DeviceValues.h"
#include "core/TraceBuffer.h"
#include "exercise/TargetPanel.h"

#include <QPoint>

#include <cstdint>
#include <vector>

namespace ryvo {

// The position history of one lane of the two-shooter window: entry 0 is the lane's smoothed
// position, kept by the device values, and entry i the sample i passes older. A shift moves
// entries 0..count one place up, as a list moved down by one would, in O(1): the ring buffer
// holds the entries the shifts reach, and the entries past them keep what they held when the
// trace was last cut short, as they would in a list.
class PositionHistory {
public:
    PositionHistory(const DeviceValues& device, int lane, TraceBuffer& ring);

    // Every entry 0.0.
    void Clear();
    [[nodiscard]] TracePoint Entry(int i) const;
    // Entries 0..count move one place up; entry 0 keeps its value.
    void Shift(int count);

private:
    [[nodiscard]] TracePoint Head() const;

    const DeviceValues& m_device;
    int m_lane;
    TraceBuffer& m_ring;
    // Entries 1..m_reach are those of the ring; later ones are kept in m_rest (0.0 past it).
    int m_reach = 0;
    std::vector<TracePoint> m_rest;
};

// One shooter's side of the two-shooter window: a target panel that draws its aiming trace
// from the lane's position history (a yellow XOR polyline growing at the aiming point and
// shrinking at its tail), the shot trace and trigger-jerk marker of the last shot in cyan
// (the trace by aiming phase with "Фазы прицеливания цветом"), the miss pictures and the
// grey-out of a lane that takes no part. The ring buffer holds the history; the panel's own
// trace of single-lane windows is not used here.
class TwoShooterPanel final : public TargetPanel {
public:
    TwoShooterPanel(ProgramState& state, PanelView& view, int lane, TraceBuffer& ring);

    [[nodiscard]] int Lane() const { return m_lane; }
    [[nodiscard]] int TraceCount() const { return m_traceCount; }
    [[nodiscard]] const PositionHistory& History() const { return m_history; }

    // A new series: history 0.0, no trace counted, no shot trace on the picture.
    void ResetSeries();
    // One sample of the live trace, after the lane's poll.
    void TailDraw(bool active, std::int32_t level);
    // The shot trace and the trigger-jerk marker of a shot just registered on a lit target.
    void TailShoot();
    // Fail, FailArrow and FailActive after a shot with result `score` at whole units (x, y).
    void ShowMiss(std::int32_t score, int x, int y, bool levelUsable);
    // Hides the pointer and its four arrows.
    void EraseGun();
    // Erases the live trace and hides the pointer: the lane lost its aim or stopped shooting.
    void ClearLiveTrace();
    // Cross-hatches the whole target of a lane that takes no part.
    void GreyOut();

    void ShowMissArrow(float k, float y, float x) override;

protected:
    void ShowStatisticsOf(const RunState& run, int lane) override;
    void XorLiveTrace(const QRect& area) override;

private:
    [[nodiscard]] QPoint Pixel(int entry) const;
    void DrawPolyline(Color color, const std::vector<QPoint>& points);
    // Draws a drawn polyline again, which removes it, and mends the holes it crossed.
    void ErasePolyline(Color color, const std::vector<QPoint>& points);

    int m_lane;
    PositionHistory m_history;
    int m_traceCount = 0;
    std::vector<QPoint> m_shotTrace;
    bool m_shotTraceDrawn = false;
};

} // namespace ryvo
