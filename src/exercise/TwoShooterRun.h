#pragma once

#include "core/TraceBuffer.h"
#include "device/TFormShoot.h"
#include "exercise/ExerciseView.h"
#include "exercise/LampRunner.h"
#include "exercise/LogicalTimers.h"
#include "exercise/RunPhases.h"
#include "exercise/RunStatus.h"
#include "exercise/TwoShooterPanel.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ryvo {

enum class TwoButton { Start, Save, Save2, Print, Print2, Exit };

// What the two-shooter rules need of their window: one panel per shooter, the lamp
// indicators Image1..Image4, the buttons and navigation.
class TwoShooterView {
public:
    virtual ~TwoShooterView() = default;

    virtual PanelView& Lane(int lane) = 0;
    virtual void SetLampVisible(ViewItem image, bool visible) = 0;
    virtual void FillLamp(ViewItem image, Color color) = 0;
    virtual void SetStartCaption(const QString& caption) = 0;
    virtual void SetEnabled(TwoButton button, bool enabled) = 0;
    [[nodiscard]] virtual bool IsEnabled(TwoButton button) const = 0;
    virtual void FocusStart() = 0;
    virtual void ActivateWindow(const QString& className) = 0;
    // Shows what changed as soon as control returns to the event loop (a new shot).
    virtual void Present() {}
};

// The two-shooter exercise without its widgets: shooter 1 on lane 0 and shooter 2 on lane 1,
// each on a panel of their own, polled one lane at a time, with one dispatch point per pass.
// The window calls Tick from a zero-interval timer; each call runs one pass in a series, one
// step in a wait.
class TwoShooterRun : public RunPhases {
public:
    static constexpr int kShooters = 2;

    TwoShooterRun(ProgramState& state, const Services& services, TwoShooterView& view);

    void FormActivate();
    void StartClick();
    void ExitClick();
    void SaveClick() { OpenResult(0, 0); }
    void Save2Click() { OpenResult(1, 0); }
    void PrintClick() { OpenResult(0, 1); }
    void Print2Click() { OpenResult(1, 1); }
    // The pictures took a new size while idle: targets, holes and markers drawn again.
    void Redraw();

    using RunPhases::Idle;
    using RunPhases::RunPhase;
    using RunPhases::Tick;
    using RunPhases::Waiting;

    TwoShooterPanel& Panel(int lane) { return *m_panels[static_cast<size_t>(lane)]; }

    // Shot lock-out of lane 0 and lane 1.
    std::array<LogicalTimer, kShooters> Timer_shoot;
    LampRunner lamps;
    int PortFree = 1;

    // Passes and polls since the window was created (for measurements).
    [[nodiscard]] std::uint64_t Passes() const { return m_passes; }
    [[nodiscard]] std::uint64_t Polls() const { return m_polls; }
    // What the last series came to, whether it is saved, a silent device.
    RunStatus status;

protected:
    void OnRunStart() override;
    void OnSeriesStart() override;
    void OnSeriesGo() override;
    void PassHead() override;
    [[nodiscard]] bool ShotSoundPending() const override;
    void PassTail() override;
    void OnSeriesEnd() override;
    void ShowCountdown(const QString& text) override;
    void OnRunEnd() override;
    void OnIdle() override;

private:
    void OpenResult(int lane, std::int32_t mode);
    void DrawTargets(bool tellMissing = true);
    void RegisterShot(int lane);
    // A lane that takes part and may still register shots.
    [[nodiscard]] bool CanShoot(int lane) const;
    [[nodiscard]] bool SoundOn() const;
    void ShotSound(bool wait);
    void Poll(int lane);

    ProgramState& m_two;
    Services m_services;
    TwoShooterView& m_view;
    std::array<TraceBuffer, kShooters> m_rings;
    std::array<std::unique_ptr<TwoShooterPanel>, kShooters> m_panels;
    std::shared_ptr<bool> m_soundToken;
    bool m_waitForSound = false;
    // The latest pass or shot: a series that ends in this pass ended then, before the
    // last shot's sound.
    std::uint32_t m_endTick = 0;
    // Triggers the series-start polls read: pulls since Start was pressed, kept for the
    // first pass, whose poll would find them acknowledged.
    std::array<std::int32_t, kShooters> m_startTriggers{};
    // The targets show the holes of the last series.
    bool m_showsSeries = false;
    // The lane still shows its pointer and live trace.
    std::array<bool, kShooters> m_aimLive{};
    std::uint64_t m_passes = 0;
    std::uint64_t m_polls = 0;
};

} // namespace ryvo
