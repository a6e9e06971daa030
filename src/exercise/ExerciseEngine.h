#pragma once

#include "device/TFormShoot.h"
#include "exercise/ExerciseView.h"
#include "exercise/ShotRules.h"
#include "exercise/TargetPanel.h"

#include <cstdint>
#include <memory>

namespace ryvo {

// A window that polls the device and shows one lane on a large target panel: the polled
// lane's samples feed the panel's trace, and a shot of that lane is registered on it with
// the trace frozen, the jerk marker placed, the holes drawn and the shot sound started.
// The single-shooter window, the five-lane window's large target and zeroing build on it.
class ExerciseEngine : public TFormShoot, public TargetPanel {
public:
    ExerciseEngine(ProgramState& state, const Services& services, ExerciseView& view);

    void AddTraceSample(std::uint32_t level, int lane, float x, float y) override;

    // Registers a shot of the current lane and overwrites *x, *y with its point.
    virtual void RegisterShot(float* x, float* y);

protected:
    [[nodiscard]] bool SoundOn() const;
    // Plays the shot sound asynchronously, or beeps when there are no sounds.
    void ShotSoundAsync();
    // The last shot of the series is heard to its end before the series closes.
    void ShotSoundToCompletion();
    // Whether the shot just registered on `lane` ends the series, so its sound is awaited.
    [[nodiscard]] virtual bool LastShotWaits(int lane) const;
    // Whether a shot of this window sounds at all.
    [[nodiscard]] virtual bool ShotsSound() const { return true; }
    // True while a sound the run waits for (the last shot's) is still playing.
    [[nodiscard]] bool SoundPending() const;
    // Polls `lanes`, `rounds` times over, when Start is pressed: trigger reports standing on
    // the device from before are fetched and acknowledged, and are no shots. No sample of
    // these polls enters the trace.
    void FetchStandingReports(LaneSet lanes, int rounds);

    ExerciseView& m_view;
    // Off while polls outside a series must not feed the trace.
    bool m_traceFeed = true;
    // Set when RegisterShot started a sound the run must wait for.
    bool m_waitForSound = false;
    std::shared_ptr<bool> m_soundToken;
};

} // namespace ryvo
