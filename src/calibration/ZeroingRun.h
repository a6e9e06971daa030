#pragma once

#include "calibration/Zeroing.h"
#include "calibration/ZeroingView.h"
#include "exercise/ExerciseEngine.h"
#include "platform/Keyboard.h"

#include <QString>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>

namespace ryvo {

// The zeroing window without its widgets: one lane at a time, a series of shots at a marked
// point corrects the lane's calibration. The window calls Tick from a zero-interval timer;
// each call is one step of a wait or one pass of the shot collection, and the return to the
// event loop is where clicks and keys come in.
class ZeroingRun : public ExerciseEngine {
public:
    enum class Phase { Idle, StartKeyRelease, Collecting, EndKeyRelease };

    ZeroingRun(ProgramState& state, const Services& services, ZeroingView& view);

    void FormActivate();
    void ButCentClick() { ScaleFunc(ZeroingMode::Centre); }
    void ButLeftClick() { ScaleFunc(ZeroingMode::Left); }
    void ButRightClick() { ScaleFunc(ZeroingMode::Right); }
    void ButUpClick() { ScaleFunc(ZeroingMode::Up); }
    void ButDownClick() { ScaleFunc(ZeroingMode::Down); }
    // Starts one measurement; the run then advances with Tick.
    void ScaleFunc(ZeroingMode mode);
    void ButShootClick();
    void ButLoadClick();
    void Button2Click();
    void ExitSaveClick();
    void Exit1Click();

    void Tick();
    // Draws the empty target of the current lane again (the picture changed size).
    void RedrawTarget() { DrawEmptyTarget(Lane()); }
    Phase CurrentPhase() const { return m_phase; }
    bool Idle() const { return m_phase == Phase::Idle; }
    // Only waiting for keys: the window may tick less often.
    bool Waiting() const {
        return m_phase == Phase::StartKeyRelease || m_phase == Phase::EndKeyRelease;
    }

    ZeroingMode Mode() const { return m_mode; }
    ZeroingEdges Edges() const { return m_edges; }
    int CountedShots() const { return m_counted; }
    const CalibrationBackup& EntryBackup() const { return m_backup; }
    // The last correction could not be written to ryvw.dat: it is in memory only.
    bool CorrectionUnsaved() const { return m_unsaved; }

    int StopRequested = 0;
    float SumX = 0.0F;
    float SumY = 0.0F;

private:
    int Lane() const;
    float Scale();
    void DrawEmptyTarget(int lane);
    void StartCollection();
    void Pass();
    void RecordShot();
    void DrawLevelBar();
    void ApplyCorrection();
    void CancelMeasurement();
    void EndOfMeasurement();
    void WaitForKeys(std::initializer_list<unsigned> sets, Phase phase);
    bool KeysReleased();
    void Report(const QString& text);
    QString CalibrationPath() const;
    bool WithinPicture(float x, float y);

    ZeroingView& m_zview;
    Phase m_phase = Phase::Idle;
    ZeroingMode m_mode = ZeroingMode::Centre;
    ZeroingEdges m_edges;
    CalibrationBackup m_backup{};
    // The measured scale before a too small one was replaced, to put back on cancel.
    std::optional<float> m_replacedScale;
    int m_counted = 0;
    std::optional<std::uint32_t> m_lastTrigger;
    float m_lastShotX = 0.0F;
    float m_lastShotY = 0.0F;
    bool m_unsaved = false;
    bool m_reportUnsaved = false;
    // Key waits in order: each waits while any key of its set is held.
    std::array<unsigned, 3> m_waitSets{};
    int m_waitCount = 0;
    int m_waitStep = 0;
};

} // namespace ryvo
