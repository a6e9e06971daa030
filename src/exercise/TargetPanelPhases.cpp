// The frozen trace of a shot drawn by aiming phase, and its legend.
#include "exercise/TargetPanel.h"

#include "exercise/TracePhases.h"
#include "targets/Scoring.h"

#include <algorithm>

namespace ryvo {

namespace {

// Beyond the end points: the last fifth is drawn 3 pixels wide.
constexpr int kPhasedReach = 4;
// Between the legend and the picture's edge.
constexpr int kLegendMargin = 2;

} // namespace

void TargetPanel::BeginShotTrace(int shot, std::uint32_t tick) {
    m_traces.BeginShot(m_aim, shot, tick);
    // The trace frozen at this shot takes its times from the shot's own tick.
    if (m_freezePending && m_frozenByPhase) {
        m_phased.shotTick = tick;
    }
}

bool TargetPanel::TakePhasedSamples(int count) {
    if (!m_panelState.Display.tracePhases ||
        dynamic_cast<const ImageCanvas*>(&m_panelView.Picture(ViewPicture::Target)) == nullptr) {
        return false;
    }
    // The aim is recorded with every trace sample: the newest samples are the frozen ones.
    count = std::min(count, m_aim.Size());
    m_phased.samples.clear();
    m_phased.samples.reserve(static_cast<size_t>(count));
    for (int i = count - 1; i >= 0; --i) {
        m_phased.samples.push_back(m_aim.At(i));
    }
    m_phased.shotTick = count > 0 ? m_aim.At(0).tick : 0;
    m_phased.awaitingFollowThrough = count > 0;
    return true;
}

bool TargetPanel::DrawShotTraceByPhase(int lane, bool lit, int count) {
    if (m_panelState.settings.EnableTrace != 1 || !TakePhasedSamples(count)) {
        return false;
    }
    m_frozenLane = lane;
    m_frozenLit = lit;
    m_freezePending = false;
    DrawPhased(true);
    return true;
}

void TargetPanel::ForgetPhasedTrace() {
    m_phased = {};
}

void TargetPanel::FollowThrough(std::uint32_t tick) {
    if (tick - m_phased.shotTick <= HoldTraces::kAfterMs) {
        return;
    }
    m_phased.awaitingFollowThrough = false;
    // The samples after the shot, up to the newest one, which is past the follow-through.
    const size_t before = m_phased.samples.size();
    m_aim.ForNewest(m_aim.Size(), [&](const HoldSample& s) {
        const auto ms = static_cast<std::int32_t>(s.tick - m_phased.shotTick);
        if (ms <= 0) {
            return false;
        }
        if (ms <= static_cast<std::int32_t>(HoldTraces::kAfterMs)) {
            m_phased.samples.push_back(s);
        }
        return true;
    });
    std::reverse(m_phased.samples.begin() + static_cast<std::ptrdiff_t>(before),
                 m_phased.samples.end());
    if (!m_freezePending && m_phased.samples.size() > before) {
        DrawPhased(true);
    }
}

void TargetPanel::XorLiveTrace(const QRect& area) {
    if (area.isEmpty()) {
        return;
    }
    // The segments drawn are those between neighbouring entries, up to the first empty one.
    for (int i = 0; i + 1 < kTraceEntries && m_trace.At(i + 1).x != kEmptyTrace &&
                    m_trace.At(i).x != kEmptyTrace;
         ++i) {
        const QPoint a = TracePixel(m_frozenLane, m_trace.At(i));
        const QPoint b = TracePixel(m_frozenLane, m_trace.At(i + 1));
        if (SegmentArea(a, b).intersects(area)) {
            DrawTraceSegment(a.x(), a.y(), 0, b.x(), b.y());
        }
    }
}

void TargetPanel::DrawPhased(bool liveOnPicture) {
    Canvas& target = m_panelView.Picture(ViewPicture::Target);
    const auto* image = dynamic_cast<const ImageCanvas*>(&target);
    if (image == nullptr) {
        return;
    }
    std::vector<QPoint> pixels;
    std::vector<std::int32_t> ms;
    pixels.reserve(m_phased.samples.size());
    ms.reserve(m_phased.samples.size());
    QRect area;
    for (const HoldSample& s : m_phased.samples) {
        pixels.emplace_back(Px(s.x), Px(s.y));
        ms.push_back(static_cast<std::int32_t>(s.tick - m_phased.shotTick));
        area |= QRect(pixels.back(), QSize(1, 1));
    }
    if (!area.isNull()) {
        area = area.adjusted(-kPhasedReach, -kPhasedReach, kPhasedReach, kPhasedReach)
                   .intersected(image->Image().rect());
    }
    const QRect old = m_phased.under.isNull() ? QRect() : m_phased.area;
    // The last two holes are drawn again over the trace: the live trace comes off them too.
    QRect touched = area | old;
    const size_t lane = static_cast<size_t>(std::clamp(m_frozenLane, 0, kLaneCount - 1));
    const RunState& run = m_panelState.run;
    const size_t shots = std::min<size_t>(run.ShotCount[lane], run.ShotPos[lane].size());
    for (size_t s = shots - std::min<size_t>(shots, 2); s < shots; ++s) {
        if (WithinTarget(run.ShotPos[lane][s].x, run.ShotPos[lane][s].y)) {
            touched |= HoleArea(run.ShotPos[lane][s], m_holeStyle, image->Image().width());
        }
    }
    if (liveOnPicture) {
        XorLiveTrace(touched);
    }
    if (!old.isEmpty()) {
        // The holes drawn since then are the last two, drawn again below.
        target.StretchDraw(old.left(), old.top(), old.right() + 1, old.bottom() + 1,
                           m_phased.under);
    }
    m_phased.area = area;
    m_phased.under = pixels.size() >= 2 ? image->Image().copy(area) : QImage();
    DrawPhasedTrace(target, SplitByPhase(pixels, ms));
    DrawLastHoles(m_frozenLane, m_frozenLit);
    if (liveOnPicture) {
        XorLiveTrace(touched);
    }
    m_panelView.Repaint(ViewPicture::Target);
}

void TargetPanel::ShowPhaseLegend() {
    if (!m_panelState.Display.tracePhases || m_panelState.settings.EnableTrace != 1) {
        return;
    }
    Canvas& target = m_panelView.Picture(ViewPicture::Target);
    const QSize size = PhaseLegendSize(target);
    ryvo::DrawPhaseLegend(target, std::max(0, target.Width() - size.width() - kLegendMargin),
                          std::max(0, target.Height() - size.height() - kLegendMargin));
    m_panelView.Repaint(ViewPicture::Target);
}

} // namespace ryvo
