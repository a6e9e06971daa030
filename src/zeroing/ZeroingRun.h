#pragma once

#include "core/ProgramState.h"
#include "exercise/RunSequence.h"
#include "exercise/ShotSound.h"
#include "exercise/TargetPanel.h"
#include "platform/Keyboard.h"
#include "platform/Services.h"
#include "zeroing/Zeroing.h"
#include "zeroing/ZeroingView.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace ryvo {

class SeriesStep;

// The zeroing window without its widgets: one lane at a time, a series of shots at a marked
// point corrects the lane's calibration. A measurement is a run of the shared steps: the key
// release, one series whose passes each end at a dispatch point (clicks and keys come in
// there), the end waits. The window calls Tick from a zero-interval timer.
class ZeroingRun {
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
    // Keeps the lane's correction as it stands under the shooter's name (Пристрелка/).
    void SaveForShooterClick();
    // The lane number changed: the name follows the shooter standing at that lane.
    void LaneNumberChanged();
    // The name changed: the note beside it follows.
    void ShooterNameChanged();

    void Tick();
    [[nodiscard]] bool Idle() const { return m_sequence.Idle(); }
    [[nodiscard]] bool Waiting() const { return m_sequence.Waiting(); }
    [[nodiscard]] Phase CurrentPhase() const;
    // Draws the empty target of the current lane again (the picture changed size).
    void RedrawTarget() { DrawEmptyTarget(Lane()); }

    [[nodiscard]] ZeroingMode Mode() const { return m_mode; }
    [[nodiscard]] ZeroingEdges Edges() const { return m_edges; }
    [[nodiscard]] int CountedShots() const { return m_counted; }
    // Mean point of the shots counted in this measurement (the last one when idle), target
    // units: the point the correction is computed from. None before the first counted shot.
    [[nodiscard]] std::optional<ShotPoint> MeanPoint() const;
    [[nodiscard]] const CalibrationBackup& EntryBackup() const { return m_backup; }
    // The last correction could not be written to ryvw.dat: it is in memory only.
    [[nodiscard]] bool CorrectionUnsaved() const { return m_unsaved; }

    float SumX = 0.0F;
    float SumY = 0.0F;

private:
    [[nodiscard]] bool Held(Key key) const { return m_sequence.Held(key); }
    void SeriesStart();
    // One pass of the measurement, in the order of its steps.
    void Pass(SeriesStep& series);
    void SeriesEnd();
    void MeasurementEnd();
    [[nodiscard]] int Lane() const;
    void DrawEmptyTarget(int lane);
    void RecordShot();
    void ShowMeanPoint();
    void ApplyCorrection();
    void CancelMeasurement();
    void Report(const QString& text);
    [[nodiscard]] QString CalibrationPath() const;
    bool WithinPicture(float x, float y);
    // The lane the number edit names, if it names one.
    [[nodiscard]] std::optional<int> ChosenLane() const;
    // Puts on the lane the zero a measurement corrects: the named shooter's, else its own.
    void TakeZeroFor(int lane, const QString& shooter);
    void WriteOwnCalibration();

    ProgramState& m_state;
    Services m_services;
    ZeroingView& m_view;
    // The target: aiming point, holes, level bar (zeroing draws no trace).
    TargetPanel m_panel;
    ShotSound m_sound;
    ZeroingMode m_mode = ZeroingMode::Centre;
    ZeroingEdges m_edges;
    CalibrationBackup m_backup{};
    // Whose zero each lane used on entry, and the lanes' own values then.
    std::array<QString, kLaneCount> m_zeroShooterBackup;
    std::array<LaneCalibration, kLaneCount> m_ownBackup{};
    // The measured scale before a too small one was replaced, to put back on cancel.
    std::optional<float> m_replacedScale;
    int m_counted = 0;
    std::optional<std::uint32_t> m_lastTrigger;
    float m_lastShotX = 0.0F;
    float m_lastShotY = 0.0F;
    // Return or Space ended the collection: the correction applies.
    bool m_apply = false;
    bool m_unsaved = false;
    bool m_reportUnsaved = false;
    RunSequence m_sequence;
    // Level of the previous pass; a shot is counted at a usable level of it.
    std::int32_t m_savedLevel = 0;
};

} // namespace ryvo
