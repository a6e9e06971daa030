#pragma once

#include "core/ProgramState.h"
#include "core/TraceBuffer.h"
#include "exercise/ExerciseView.h"
#include "exercise/HoldFigures.h"
#include "exercise/HoldTrace.h"
#include "targets/Marks.h"

#include <QImage>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace ryvo {

class ResourceLibrary;
class ZoneMaps;

// Texts of the level indicator.
QString LevelText(const ProgramState& state, std::uint32_t level);

// The empty trace entry: the whole list holds it when a run starts.
inline constexpr float kEmptyTrace = -100.0F;
inline TracePoint EmptyTracePoint() {
    return TracePoint{kEmptyTrace, kEmptyTrace, 0};
}

// Top-left corner of a marker of `size` centred on (x, y) target units, k pixels per unit.
QPoint MarkerCorner(float k, float x, float y, QSize size);

// The pixels a 2-pixel trace segment from a to b may touch.
QRect SegmentArea(QPoint a, QPoint b);

// One large target with everything drawn on it: the glowing trace, the frozen trace of the
// last shot, the aiming point and its edge arrows, the trigger-jerk marker, the holes, the
// miss indicators, the statistics and the level bar. Each panel owns its trace (the list of
// samples, the points drawn, the frozen trace), so a window with two panels traces two lanes
// at once. It reads the run state it draws and never writes it. Pixel rules use the
// picture's actual width (k = width x 0.005).
class TargetPanel {
public:
    TargetPanel(ProgramState& state, PanelView& view);
    virtual ~TargetPanel() = default;
    TargetPanel(const TargetPanel&) = delete;
    TargetPanel& operator=(const TargetPanel&) = delete;

    // One aiming sample of the lane: the trace grows at its head and, once full, loses its
    // oldest segment.
    void AddSample(std::uint32_t level, int lane, float x, float y);
    virtual void DrawTraceSegment(int x1, int y1, int highlight, int x2, int y2);
    virtual void ClearTrace(int lane, float k = 0.0F);
    // Fills the trace list with empty entries and forgets what was drawn.
    void EmptyTrace();
    // A new series counts its trace points and frozen trace from zero.
    void ResetSeriesTrace();
    // A new series records its aim and keeps its traces from nothing.
    void ResetHold();
    // Takes the trace at a shot; it is drawn by DrawPendingFreeze, on the next turn or
    // before anything else is drawn on the trace, so the hole is on screen first and the
    // picture ends up as if it had been drawn in between.
    virtual void FreezeTrace(int lane);
    void DrawPendingFreeze();
    // The picture was drawn anew, maybe at another size: the frozen trace of the last shot
    // goes on it again, under the last two holes.
    void DrawFrozenTraceAgain();
    // With the aiming phases shown, their legend in the lower right corner of the picture
    // just drawn anew.
    void ShowPhaseLegend();
    // The frozen trace on the picture is drawn by aiming phase.
    [[nodiscard]] bool FrozenByPhase() const { return m_frozenByPhase; }

    virtual void ShowAimPoint(float k, float y, float x);
    // The trigger-jerk marker at (x, y), or hidden.
    void ShowJerkMarker(float x, float y, bool shown);
    // No jerk point for the shot: the marker is hidden where it was.
    void HideJerkMarker();
    virtual void ShowStatistics(int lane);
    // The results on hand are not the window's: statistics, clock, first shot's time and
    // shot table as a series without shots shows them, and no miss or jerk marker.
    void ShowNoSeries(int lane);
    virtual void ShowMissArrow(float k, float y, float x);
    // Fail, FailArrow and ImageActive after a shot with result `score` at (x, y).
    void ShowMissIndicators(std::int32_t score, float x, float y, bool levelUsable);
    // The hole of a shot; `fill` is the brush, `outline` the pen.
    void DrawHole(float x, float y, Color outline, Color fill, HoleStyle style = HoleStyle::Normal);
    // The previous shot of the lane black-rimmed, the last one red-rimmed when lit.
    void DrawLastHoles(int lane, bool lastLit);
    // An XOR stroke erased over a hole drawn after it leaves specks in the hole: the lane's
    // holes that touch `areas` are drawn again, each with its rim.
    void RepairHoles(int lane, const std::vector<QRect>& areas);
    // Level bar on SignalI, on the line and with the pen taken at the start of a run.
    void SetLevelBarGeometry(int y, int pen);
    void DrawLevelBar(std::int32_t level);

    // The trace list, newest sample first.
    [[nodiscard]] const TraceBuffer& Trace() const { return m_trace; }
    [[nodiscard]] PanelView& View() { return m_panelView; }
    [[nodiscard]] int TracePoints() const { return m_tracePoints; }
    [[nodiscard]] int TraceFull() const { return m_traceFull; }
    // The lane's aim in target units at `tick`, for the figures of its shots (O(1)).
    // True when it completed a shot's follow-through: the kept traces changed.
    bool RecordAim(float x, float y, std::uint32_t tick) {
        m_aim.Push(x, y, tick);
        if (m_phased.awaitingFollowThrough) {
            FollowThrough(tick);
        }
        return m_traces.Add(x, y, tick);
    }
    // The kept trace of shot `shot` (from 0) begins at `tick` from the aim recorded.
    void BeginShotTrace(int shot, std::uint32_t tick);
    [[nodiscard]] QByteArray TracesPayload() const { return m_traces.Payload(); }
    // The panel goes over to another lane: the traces so far, finished (nothing when none);
    // then, after ResetSeriesTrace, the new lane's earlier traces are gone on from.
    [[nodiscard]] QByteArray FinishTraces();
    void ResumeTraces(const QByteArray& earlier) { m_traces.Resume(earlier); }
    [[nodiscard]] const HoldRecorder& Aim() const { return m_aim; }
    // The figures' view of a target type, made once a series (or when the type changes).
    const HoldTarget& HoldTargetFor(std::int32_t type, const ResourceLibrary* library);
    // TraceLength kept within what the list can hold (1..9999).
    [[nodiscard]] int EffectiveTraceLength() const;
    [[nodiscard]] int FrozenCount() const { return m_frozenCount; }
    [[nodiscard]] float PostGunX() const { return m_postGunX; }
    [[nodiscard]] float PostGunY() const { return m_postGunY; }
    // The trigger-jerk marker is shown (since the series began).
    [[nodiscard]] bool PostGunShown() const { return m_postGunShown; }
    int TargetWidth();
    float Scale();

protected:
    // The four statistics values and the shot table of the lane's series in `run`.
    virtual void ShowStatisticsOf(const RunState& run, int lane);
    int Px(float t);
    QPoint TracePixel(int lane, const TracePoint& point);
    // How RepairHoles draws this panel's holes: their style and the last hole's rim.
    void SetHoleLook(HoleStyle style, Color lastRim);
    // With "Фазы прицеливания цветом": the trace of the shot just registered on `lane`, its
    // newest `count` aim samples, drawn by phase at once (the follow-through added later);
    // false when it is drawn as before.
    bool DrawShotTraceByPhase(int lane, bool lit, int count);
    // The picture was drawn afresh: nothing of the last phased trace is on it.
    void ForgetPhasedTrace();
    // The live trace segments that touch `area`, drawn again (XOR).
    virtual void XorLiveTrace(const QRect& area);

    ProgramState& m_panelState;
    PanelView& m_panelView;
    float m_postGunX = 0.0F;
    float m_postGunY = 0.0F;
    bool m_postGunShown = false;

private:
    // The frozen trace by aiming phase is drawn in copy mode, under the live XOR trace: the
    // samples of the frozen trace with their times, and what lay under it on the picture
    // (without the live trace), which the next shot's trace puts back before it is drawn.
    struct PhasedTrace {
        std::vector<HoldSample> samples; // oldest first
        std::uint32_t shotTick = 0;
        bool awaitingFollowThrough = false;
        QRect area;
        QImage under;
    };
    // Takes the samples of the trace just frozen from the aim recorded (with their ticks);
    // false when the picture cannot be read back, so the trace is drawn as before.
    bool TakePhasedSamples(int count);
    void FollowThrough(std::uint32_t tick);
    // Puts back what lay under the last phased trace and draws the current one, the last two
    // holes over it; with `liveOnPicture` the live trace is lifted off the places touched
    // and laid on again, so erasing it later leaves the colours as drawn.
    void DrawPhased(bool liveOnPicture);

    TraceBuffer m_trace;
    HoldRecorder m_aim;
    HoldTraces m_traces;
    HoldTarget m_holdTarget;
    // Made again at each series; the pack's zone maps it points into are kept alive.
    bool m_holdTargetMade = false;
    std::int32_t m_holdTargetType = 0;
    std::shared_ptr<const ZoneMaps> m_holdZones;
    int m_tracePoints = 0;
    int m_traceFull = 0;
    // Entries from here on are empty (the ring buffer is cleared lazily behind the trace).
    int m_usedEntries = kTraceEntries;
    int m_frozenCount = 0;
    // The frozen trace as taken (to draw it again at another size), as drawn, and the one
    // still to be erased.
    std::vector<TracePoint> m_frozenPoints;
    std::vector<QPoint> m_frozenPixels;
    std::vector<QPoint> m_erasePixels;
    bool m_freezePending = false;
    bool m_frozenByPhase = false;
    PhasedTrace m_phased;
    int m_frozenLane = 0;
    // The lane was lit when its trace was frozen: a lamp that goes out before the trace is
    // drawn does not take the shot's hole off the top of it.
    bool m_frozenLit = false;
    HoleStyle m_holeStyle = HoleStyle::Normal;
    Color m_lastRim = kRed;
    int m_levelY = 0;
    int m_levelPen = 1;
    // The level bar as last drawn and the rows of the picture it left.
    struct DrawnBar {
        int length = -1;
        int full = -1;
        int y = 0;
        int pen = 0;
        bool operator==(const DrawnBar&) const = default;
    };
    DrawnBar m_drawnBar;
    QImage m_barRows;
};

} // namespace ryvo
