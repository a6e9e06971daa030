#include "exercise/ShotRegistration.h"

#include "calibration/Calibration.h"
#include "device/TFormShoot.h"
#include "exercise/ShotRules.h"
#include "targets/Scoring.h"

#include <algorithm>

namespace ryvo {

void KeepShotHold(ProgramState& state, TargetPanel& panel, int lane, std::optional<ShotPoint> point,
                  std::optional<ShotPoint> jerkPoint, std::uint32_t now) {
    const auto i = static_cast<size_t>(lane);
    RunState& run = state.run;
    if (run.ShotCount[i] == 0) {
        return;
    }
    const int shot = static_cast<int>(run.ShotCount[i]) - 1;
    ShotHold hold;
    if (point) {
        const HoldTarget& target = panel.HoldTargetFor(
            state.settings.Target[i], state.TargetLibrary ? &*state.TargetLibrary : nullptr);
        hold = ComputeHoldFigures(panel.Aim(), now, *point, jerkPoint, target);
        panel.BeginShotTrace(shot, now);
        run.LaneTrace[i] = panel.TracesPayload();
    }
    std::vector<ShotHold>& holds = run.ShotHolds[i];
    holds.resize(run.ShotCount[i]);
    holds.back() = hold;
    KeepHoldMembers(run.LaneBeside[i], shot, hold);
}

std::optional<ShotPoint> RegisterShot(ProgramState& state, TargetPanel& panel, int lane,
                                      std::int32_t level, std::uint32_t now) {
    const auto i = static_cast<size_t>(lane);
    RunState& run = state.run;
    const Settings& settings = state.settings;
    PanelView& view = panel.View();
    if (run.ShotCount[i] >= kMaxShots) {
        return std::nullopt;
    }
    const bool lit = run.LaneLit[i] != 0;
    if (run.ShotCount[i] == 0) {
        view.SetText(
            ViewText::FirstTime,
            QString::asprintf("%7.2f сек", static_cast<double>(now - run.StartTick[i]) / 1000.0));
    }
    ShotPoint point;
    if (lit) {
        if (LevelInWindow(state, level)) {
            panel.FreezeTrace(lane);
        }
        const TracePoint& sample = panel.Trace().At(settings.IO_Serial == 1 ? 0 : 3);
        const TargetPoint t = ToTarget(settings, lane, sample.x, sample.y);
        point = {t.x, t.y};
    }
    point = RecordShot(run, lane, point, settings.Target[i], LoadedZones(state), now).point;

    std::optional<ShotPoint> jerkPoint;
    if (lit) {
        view.SetVisible(ViewItem::ImageActive, false);
        if (const auto index = JerkIndex(settings.TimePost, settings.TimeGun)) {
            const TracePoint& sample = panel.Trace().At(*index);
            const TargetPoint jerk = ToTarget(settings, lane, sample.x, sample.y);
            panel.ShowJerkMarker(jerk.x, jerk.y,
                                 settings.FlagPostGunEnable == 1 && WithinTarget(jerk.x, jerk.y));
            // An entry beyond the trace taken so far is no aim.
            if (*index < panel.TracePoints() && sample.x != kEmptyTrace) {
                jerkPoint = ShotPoint{jerk.x, jerk.y};
            }
        } else {
            panel.HideJerkMarker();
        }
    }
    KeepShotHold(state, panel, lane, lit ? std::optional<ShotPoint>(point) : std::nullopt,
                 jerkPoint, now);
    panel.DrawLastHoles(lane, lit);
    return point;
}

void ShowRegisteredShot(ProgramState& state, TargetPanel& panel, int lane, std::int32_t level) {
    const auto i = static_cast<size_t>(lane);
    PanelView& view = panel.View();
    state.Device.Trigger[i] = 0;
    state.run.ShotPending[i] = 0;
    panel.ShowStatistics(lane);
    view.SetText(ViewText::SigText,
                 LevelText(state, static_cast<std::uint32_t>(std::max(level, 0))));
    view.Repaint(ViewPicture::Target);
    view.Present();
}

} // namespace ryvo
