#include "exercise/TwoShooterPanel.h"

#include "calibration/Calibration.h"
#include "device/TFormShoot.h"
#include "targets/Scoring.h"

#include <algorithm>

namespace ryvo {

PositionHistory::PositionHistory(const DeviceValues& device, int lane, TraceBuffer& ring)
    : m_device(device), m_lane(std::clamp(lane, 0, kLaneCount - 1)), m_ring(ring) {
    Clear();
}

void PositionHistory::Clear() {
    m_ring.Fill(TracePoint{0.0F, 0.0F, 0});
    m_reach = 0;
    m_rest.clear();
}

TracePoint PositionHistory::Head() const {
    const auto lane = static_cast<size_t>(m_lane);
    return TracePoint{m_device.TraceHistX[lane][0], m_device.TraceHistY[lane][0], 0};
}

TracePoint PositionHistory::Entry(int i) const {
    if (i <= 0) {
        return Head();
    }
    if (i <= m_reach) {
        return m_ring.At(i);
    }
    return static_cast<size_t>(i) < m_rest.size() ? m_rest[static_cast<size_t>(i)]
                                                  : TracePoint{0.0F, 0.0F, 0};
}

void PositionHistory::Shift(int count) {
    count = std::clamp(count, 0, kTraceEntries - 2);
    // The shift reaches less far than the last one did: the entries beyond it stay put.
    if (count + 1 < m_reach) {
        if (m_rest.size() < static_cast<size_t>(m_reach) + 1) {
            m_rest.resize(static_cast<size_t>(m_reach) + 1, TracePoint{0.0F, 0.0F, 0});
        }
        for (int j = count + 2; j <= m_reach; ++j) {
            m_rest[static_cast<size_t>(j)] = m_ring.At(j);
        }
    }
    m_ring.At(0) = Head();
    m_ring.Push(Head());
    m_reach = count + 1;
}

TwoShooterPanel::TwoShooterPanel(ProgramState& state, PanelView& view, int lane, TraceBuffer& ring)
    : TargetPanel(state, view), m_lane(lane), m_history(state.Device, lane, ring) {
    SetHoleLook(HoleStyle::OnePixel, kBlack);
}

QPoint TwoShooterPanel::Pixel(int entry) const {
    const TracePoint p = m_history.Entry(entry);
    const TargetPoint t = ToTarget(m_panelState.settings, m_lane, p.x, p.y);
    const int width = m_panelView.Picture(ViewPicture::Target).Width();
    return {ToPixels(t.x, width), ToPixels(t.y, width)};
}

void TwoShooterPanel::DrawPolyline(Color color, const std::vector<QPoint>& points) {
    if (points.size() < 2) {
        return;
    }
    Canvas& target = m_panelView.Picture(ViewPicture::Target);
    target.SetPen(color, 2, PenMode::Xor);
    target.Polyline(points);
    m_panelView.Repaint(ViewPicture::Target);
}

void TwoShooterPanel::ErasePolyline(Color color, const std::vector<QPoint>& points) {
    DrawPolyline(color, points);
    std::vector<QRect> erased;
    for (size_t j = 1; j < points.size(); ++j) {
        erased.push_back(SegmentArea(points[j - 1], points[j]));
    }
    RepairHoles(m_lane, erased);
}

void TwoShooterPanel::ClearLiveTrace() {
    if (m_traceCount > 1) {
        std::vector<QPoint> drawn;
        drawn.reserve(static_cast<size_t>(m_traceCount));
        for (int j = 1; j <= m_traceCount; ++j) {
            drawn.push_back(Pixel(j));
        }
        ErasePolyline(kYellow, drawn);
        m_traceCount = 0;
    }
    EraseGun();
}

void TwoShooterPanel::ResetSeries() {
    m_history.Clear();
    m_traceCount = 0;
    m_shotTrace.clear();
    // The target was drawn afresh: the last series' shot trace is not on it any more.
    m_shotTraceDrawn = false;
    ForgetPhasedTrace();
}

void TwoShooterPanel::EraseGun() {
    for (ViewItem item : {ViewItem::Gun2, ViewItem::LeftArrow, ViewItem::RightArrow,
                          ViewItem::UpArrow, ViewItem::DownArrow}) {
        m_panelView.SetVisible(item, false);
    }
}

void TwoShooterPanel::TailDraw(bool active, std::int32_t level) {
    if (m_panelState.settings.EnableTrace != 1) {
        m_history.Shift(m_traceCount);
        return;
    }
    if (!active) {
        return;
    }
    if (!LevelInWindow(m_panelState, level)) {
        ClearLiveTrace();
        return;
    }
    m_panelView.SetVisible(ViewItem::Gun2, true);
    const int length = EffectiveTraceLength();
    if (m_traceCount > 0) {
        const QPoint a = Pixel(0);
        const QPoint b = Pixel(1);
        DrawTraceSegment(a.x(), a.y(), 0, b.x(), b.y());
    }
    if (m_traceCount == length) {
        // The oldest segment drawn again goes away.
        const QPoint a = Pixel(m_traceCount - 1);
        const QPoint b = Pixel(m_traceCount);
        DrawTraceSegment(a.x(), a.y(), 0, b.x(), b.y());
        RepairHoles(m_lane, {SegmentArea(a, b)});
    }
    m_history.Shift(m_traceCount);
    if (m_traceCount < length) {
        ++m_traceCount;
    }
}

void TwoShooterPanel::XorLiveTrace(const QRect& area) {
    // On the picture between two passes: the segments between the entries 1 .. m_traceCount.
    for (int j = 1; j < m_traceCount; ++j) {
        const QPoint a = Pixel(j);
        const QPoint b = Pixel(j + 1);
        if (SegmentArea(a, b).intersects(area)) {
            DrawTraceSegment(a.x(), a.y(), 0, b.x(), b.y());
        }
    }
}

void TwoShooterPanel::TailShoot() {
    if (m_shotTraceDrawn) {
        ErasePolyline(kAqua, m_shotTrace);
        m_shotTraceDrawn = false;
    }
    m_shotTrace.clear();
    const bool lit = m_panelState.run.LaneLit[static_cast<size_t>(m_lane)] != 0;
    if (!DrawShotTraceByPhase(m_lane, lit, m_traceCount + 1)) {
        for (int j = 0; j <= m_traceCount; ++j) {
            m_shotTrace.push_back(Pixel(j));
        }
        DrawPolyline(kAqua, m_shotTrace);
        m_shotTraceDrawn = true;
    }

    Settings& settings = m_panelState.settings;
    if (settings.TimeGun < 1) {
        settings.TimeGun = 1;
    }
    m_panelView.SetVisible(ViewItem::ImageActive, false);
    int entry = 0;
    if (settings.TimePost < kTraceEntries) {
        entry = std::max(settings.TimePost / settings.TimeGun, 0);
    }
    const TracePoint p = m_history.Entry(entry);
    const TargetPoint jerk = ToTarget(settings, m_lane, p.x, p.y);
    ShowJerkMarker(jerk.x, jerk.y, settings.FlagPostGunEnable == 1);
}

void TwoShooterPanel::ShowMiss(std::int32_t score, int x, int y, bool levelUsable) {
    if (score == kScoreDark) {
        m_panelView.SetVisible(ViewItem::Fail, false);
        m_panelView.SetVisible(ViewItem::FailArrow, false);
        m_panelView.SetVisible(ViewItem::ImageActive, true);
        return;
    }
    if (!levelUsable) {
        return;
    }
    if (score >= 0) {
        m_panelView.SetVisible(ViewItem::Fail, false);
        m_panelView.SetVisible(ViewItem::FailArrow, false);
        m_panelView.SetVisible(ViewItem::ImageActive, false);
    } else if (score == kScoreMiss) {
        ShowMissArrow(Scale(), static_cast<float>(y), static_cast<float>(x));
        m_panelView.SetVisible(ViewItem::Fail, true);
        m_panelView.SetVisible(ViewItem::FailArrow, true);
        m_panelView.SetVisible(ViewItem::ImageActive, false);
    }
}

void TwoShooterPanel::ShowMissArrow(float /*k*/, float y, float x) {
    DrawMissArrow(m_panelView.Picture(ViewPicture::FailArrow),
                  MissDirectionOf(x, y, MissTable::Strict));
    m_panelView.Repaint(ViewPicture::FailArrow);
}

void TwoShooterPanel::ShowStatisticsOf(const RunState& run, int lane) {
    const auto i = static_cast<size_t>(std::clamp(lane, 0, kLaneCount - 1));
    m_panelView.SetText(ViewText::Num, QString::asprintf("%u", run.ShotCount[i]));
    m_panelView.SetText(ViewText::Res,
                        run.LastScore[i] > 0
                            ? QString::asprintf("%2u", static_cast<unsigned>(run.LastScore[i]))
                            : QStringLiteral("0"));
    m_panelView.SetText(ViewText::SymE,
                        QString::asprintf("%4u", static_cast<unsigned>(run.ScoreSum[i])));
    const double average = run.ShotCount[i] > 0
                               ? static_cast<double>(static_cast<float>(run.ScoreSum[i]) /
                                                     static_cast<float>(run.ShotCount[i]))
                               : 0.0;
    m_panelView.SetText(ViewText::AverSym, QString::asprintf("%4.1f", average));
    m_panelView.ShotsChanged(run, static_cast<int>(i));
}

void TwoShooterPanel::GreyOut() {
    Canvas& target = m_panelView.Picture(ViewPicture::Target);
    target.SetPen(kGray, 2, PenMode::Copy);
    target.SetBrush(kGray, BrushStyle::Cross);
    target.Rectangle(0, 0, target.Width(), target.Height());
    m_panelView.Repaint(ViewPicture::Target);
}

} // namespace ryvo
