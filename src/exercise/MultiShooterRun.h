#pragma once

#include "exercise/ExerciseEngine.h"
#include "exercise/LampRunner.h"
#include "exercise/LogicalTimers.h"
#include "exercise/MultiShooterView.h"
#include "exercise/RunPhases.h"
#include "exercise/RunStatus.h"

#include <array>
#include <cstdint>

namespace ryvo {

// The five-lane exercise without its widgets: up to five shooters at once, the selected
// lane (CurrentLane) traced in full on the large target, every lane on its small target,
// and with fire transfer one shared series. Its own rules over the shared run phases, lamp
// runner, shot rules and target panel. The window calls Tick from a zero-interval timer;
// each call runs up to the next dispatch point, where timers and lane clicks are taken.
class MultiShooterRun : public ExerciseEngine, public RunPhases {
public:
    MultiShooterRun(ProgramState& state, const Services& services, MultiShooterView& view);

    void FormActivate();
    void StartClick();
    void SaveClick();
    void PrintClick();
    void ExitClick();
    // Tar1Click..Tar5Click: selects the lane, also during a run.
    void TarClick(int lane);

    // Small targets, large target and level scale; a missing target picture is said when
    // `complain`.
    void RedrawButtons(bool complain = true);
    // Everything drawn anew (the pictures changed size): targets, level scale, the holes of
    // the last series. Only while idle.
    void Redraw();
    // Shows the newly selected lane on the large target.
    void NewTarget();

    using RunPhases::Idle;
    using RunPhases::Tick;
    using RunPhases::Waiting;

    std::array<float, kLaneCount> FirstShotTime{};
    // Timer_shoot1..Timer_shoot5; Timer1 and Timer2_1..Timer2_5 are lamps.script and
    // lamps.flash.
    std::array<LogicalTimer, kLaneCount> Timer_shoot;
    LampRunner lamps;
    int PortFree = 1;
    int PreviousLane = 0;
    // The status line: series totals of every present lane, saved or not, a silent device.
    RunStatus status;

    // Passes run (each polls the selected lane once), for measurements.
    [[nodiscard]] std::uint64_t Passes() const { return m_passes; }

protected:
    void OnTick() override { DrawPendingFreeze(); }
    void OnRunStart() override;
    void OnSeriesStart() override;
    void OnSeriesGo() override;
    void PassHead() override;
    [[nodiscard]] bool ShotSoundPending() const override { return SoundPending(); }
    void OnDispatch() override;
    void PassTail() override;
    void OnSeriesEnd() override;
    void ShowCountdown(const QString& text) override;
    void OnRunEnd() override;
    void OnIdle() override;
    [[nodiscard]] bool LastShotWaits(int lane) const override;

private:
    [[nodiscard]] int Lane() const;
    [[nodiscard]] bool FireTransfer() const;
    [[nodiscard]] std::uint32_t PlannedShots() const;
    void TimeProc();
    // Hides the aiming point and its arrows and erases the live trace.
    void ClearAim(int lane);
    // TimeC for the lane: its clock while it shoots, its shooting time once it is done.
    void ShowLaneTime(int lane);
    void RegisterSelectedLane(int lane);
    void RegisterOtherLane(int lane);
    void OtherLaneSound(int lane);
    void SmallTargetHole(int lane);
    void DrawLaneBar(int lane);
    void DrawLevelScale();
    void DrawLargeTarget(bool complain = true);
    void DrawLastSeries();
    void FrameSmallTarget(int lane, Color color);
    void DrawLaneHoles(int lane);
    void DrawLevel(std::int32_t level);
    void LampsOffOnce();
    void Acknowledge(int lane);

    MultiShooterView& m_lanes;
    std::uint64_t m_passes = 0;
    // The selected lane still shows its aiming point and live trace.
    bool m_aimLive = false;
    // Triggers the series-start polls read: pulls since Start was pressed, kept for the
    // first pass, whose poll would find them acknowledged.
    std::array<std::int32_t, kLaneCount> m_startTriggers{};
    // The lanes hold this window's last series (not another window's shots).
    bool m_showsSeries = false;
    // The latest pass or shot: a series that ends in this pass ended then, before the
    // last shot's sound.
    std::uint32_t m_endTick = 0;
};

} // namespace ryvo
