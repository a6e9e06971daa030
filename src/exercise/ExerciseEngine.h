#pragma once

#include "core/TraceBuffer.h"
#include "device/TFormShoot.h"
#include "exercise/ExerciseView.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace ryvo {

// Texts of the level indicator.
QString LevelText(const ProgramState& state, std::uint32_t level);

// Which way a missed shot went, as the miss arrow draws it.
enum class MissDirection {
    None,
    Left,
    UpperLeft,
    LowerLeft,
    Up,
    Down,
    LowerRight,
    Right,
    UpperRight,
};
MissDirection MissDirectionOf(float x, float y);

// Trace entry the trigger-jerk point is taken from (TimePost div TimeGun), or nullopt when
// the times do not give one.
std::optional<int> JerkIndex(std::int32_t timePost, std::int32_t timeGun);

// The empty trace entry: the whole list holds it when a run starts.
inline constexpr float kEmptyTrace = -100.0F;
inline TracePoint EmptyTracePoint() {
    return TracePoint{kEmptyTrace, kEmptyTrace, 0};
}

// The operations every exercise window shares: the aiming trace, the aiming point, the
// clock, the statistics, the miss arrow, the shot lock-out and the registration of a shot.
// Drawing and labels go to the view; the state lives in ProgramState.
class ExerciseEngine : public TFormShoot {
public:
    ExerciseEngine(ProgramState& state, const Services& services, ExerciseView& view);

    virtual void ShowAimPoint(float k, float y, float x);
    virtual void ClearTrace(int lane, float k);
    virtual void UpdateTimer(int lane);
    virtual void ShowStatistics(int lane);
    void AddTraceSample(std::uint32_t level, int lane, float x, float y) override;
    virtual void DrawTraceSegment(int x1, int y1, int highlight, int x2, int y2);
    virtual void ShowMissArrow(float k, float y, float x);

    // Registers a shot of the current lane and overwrites *x, *y with its point.
    virtual void RegisterShot(float* x, float* y);
    virtual void FreezeTrace(int lane);

    // Fills the trace list with empty entries and forgets what was drawn.
    void EmptyTrace();
    // A new series counts its trace points and frozen trace from zero.
    void ResetSeriesTrace() {
        m_tracePoints = 0;
        m_frozenCount = 0;
        m_frozenPixels.clear();
        m_erasePixels.clear();
        m_freezePending = false;
    }
    // Draws the frozen trace taken at the last shot, then the holes once more. A shot takes
    // the trace at once but draws it on the next turn, so the hole is on screen first; the
    // picture ends up as if it had been drawn in between.
    void DrawPendingFreeze();
    // Shot lock-out: true when a trigger may count as a shot (and sets the lock-out).
    bool TakeShot(int lane);
    // One tick of the shot timer.
    void Timer_shootTimer();
    // Fail, FailArrow and ImageActive after a shot with result `score` at (x, y).
    void ShowMissIndicators(std::int32_t score, float x, float y, bool levelUsable);
    // Draws the hole of a shot; `fill` is the brush, `outline` the pen.
    void DrawHole(float x, float y, Color outline, Color fill);

    int TracePoints() const { return m_tracePoints; }
    int TraceFull() const { return m_traceFull; }
    // TraceLength kept within what the list can hold (1..9999).
    int EffectiveTraceLength() const;
    int FrozenCount() const { return m_frozenCount; }
    float PostGunX() const { return m_postGunX; }
    float PostGunY() const { return m_postGunY; }

    // Level of the previous loop pass; shot checks use it.
    std::int32_t savedLevel = 0;
    float savedAimX = 0.0F;
    float savedAimY = 0.0F;

protected:
    int TargetWidth();
    int Px(float t);
    QPoint TracePixel(int lane, const TracePoint& point);
    bool SoundOn() const;
    // Plays the shot sound asynchronously, or beeps when there are no sounds.
    void ShotSoundAsync();

    ExerciseView& m_view;
    // True while a sound the run waits for (the last shot's) is still playing.
    bool SoundPending() const;
    // Set when RegisterShot started a sound the run must wait for.
    bool m_waitForSound = false;
    std::shared_ptr<bool> m_soundToken;

private:
    void PutTraceEntry(int i, const TracePoint& point);

    int m_tracePoints = 0;
    int m_traceFull = 0;
    // Entries from here on are empty (the ring buffer is cleared lazily behind the trace).
    int m_usedEntries = kTraceEntries;
    std::vector<TracePoint> m_frozenTrace;
    int m_frozenCount = 0;
    // The frozen trace as drawn, and the one still to be erased.
    std::vector<QPoint> m_frozenPixels;
    std::vector<QPoint> m_erasePixels;
    bool m_freezePending = false;
    float m_postGunX = 0.0F;
    float m_postGunY = 0.0F;
};

} // namespace ryvo
