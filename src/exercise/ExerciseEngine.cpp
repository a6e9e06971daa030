#include "exercise/ExerciseEngine.h"

#include "calibration/Calibration.h"
#include "platform/Clock.h"
#include "platform/Sound.h"
#include "targets/Scoring.h"

#include <algorithm>

namespace ryvo {

ExerciseEngine::ExerciseEngine(ProgramState& state, const Services& services, ExerciseView& view)
    : TFormShoot(state, services), TargetPanel(state, m_services, view, state.Trace), m_view(view) {
}

void ExerciseEngine::AddTraceSample(std::uint32_t level, int lane, float x, float y) {
    if (m_traceFeed) {
        AddSample(level, lane, x, y);
    }
}

void ExerciseEngine::FetchStandingReports(LaneSet lanes, int rounds) {
    m_traceFeed = false;
    for (int round = 0; round < rounds; ++round) {
        for (int lane = 0; lane < kLaneCount; ++lane) {
            if ((lanes & LaneBit(lane)) != 0) {
                PollLane(lane);
            }
        }
    }
    m_traceFeed = true;
    m_state.Device.Trigger.fill(0);
}

bool ExerciseEngine::SoundOn() const {
    return m_state.SoundAvailable != 0 && m_services.sound != nullptr;
}

void ExerciseEngine::ShotSoundAsync() {
    if (!SoundOn()) {
        if (m_services.sound != nullptr) {
            m_services.sound->Beep();
        }
        return;
    }
    if (m_state.ShotSound && !m_services.sound->PlayAsync(*m_state.ShotSound)) {
        m_services.sound->Beep();
    }
}

void ExerciseEngine::ShotSoundToCompletion() {
    if (!SoundOn()) {
        if (m_services.sound != nullptr) {
            m_services.sound->Beep();
        }
        return;
    }
    if (!m_state.ShotSound) {
        return;
    }
    auto done = std::make_shared<bool>(false);
    if (m_services.sound->PlayToCompletion(*m_state.ShotSound, [done](bool) { *done = true; })) {
        m_soundToken = done;
        m_waitForSound = true;
    } else {
        m_services.sound->Beep();
    }
}

bool ExerciseEngine::LastShotWaits(int lane) const {
    return ryvo::LastShotWaits(m_state.run, m_state.LanePresent, LaneBit(lane),
                               m_state.settings.ShootsNumber, false, LaneWeight::Active);
}

bool ExerciseEngine::SoundPending() const {
    return m_waitForSound && m_soundToken && !*m_soundToken;
}

void ExerciseEngine::RegisterShot(float* x, float* y) {
    const int lane = std::clamp(m_state.CurrentLane, 0, kLaneCount - 1);
    const auto i = static_cast<size_t>(lane);
    RunState& run = m_state.run;
    const Settings& settings = m_state.settings;
    if (run.ShotCount[i] >= kMaxShots) {
        return;
    }
    const std::int32_t level = savedLevel;
    const bool lit = run.LaneLit[i] != 0;
    const std::uint32_t now = m_services.clock->TickCount();
    if (run.ShotCount[i] == 0) {
        m_view.SetText(
            ViewText::FirstTime,
            QString::asprintf("%7.2f сек", static_cast<double>(now - run.StartTick[i]) / 1000.0));
    }
    ShotPoint point;
    if (lit) {
        if (LevelInWindow(level)) {
            FreezeTrace(lane);
        }
        const TracePoint& sample = m_state.Trace.At(settings.IO_Serial == 1 ? 0 : 3);
        const TargetPoint t = ToTarget(settings, lane, sample.x, sample.y);
        point = {t.x, t.y};
    }
    point = RecordShot(run, lane, point, settings.Target[i], LoadedZones(m_state), now).point;

    if (lit) {
        m_view.SetVisible(ViewItem::ImageActive, false);
        if (const auto index = JerkIndex(settings.TimePost, settings.TimeGun)) {
            const TracePoint& sample = m_state.Trace.At(*index);
            const TargetPoint jerk = ToTarget(settings, lane, sample.x, sample.y);
            ShowJerkMarker(jerk.x, jerk.y,
                           settings.FlagPostGunEnable == 1 && WithinTarget(jerk.x, jerk.y));
        } else {
            m_postGunShown = false;
            m_view.SetVisible(ViewItem::PostGun, false);
        }
    }
    DrawLastHoles(lane, lit);

    if (ShotsSound()) {
        if (LastShotWaits(lane)) {
            ShotSoundToCompletion();
        } else {
            ShotSoundAsync();
        }
    }

    m_state.Device.Trigger[i] = 0;
    run.ShotPending[i] = 0;
    ShowStatistics(lane);
    m_view.SetText(ViewText::SigText,
                   LevelText(m_state, static_cast<std::uint32_t>(std::max(level, 0))));
    m_view.Repaint(ViewPicture::Target);
    m_view.Present();
    *x = point.x;
    *y = point.y;
}

} // namespace ryvo
