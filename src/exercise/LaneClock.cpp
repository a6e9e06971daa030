#include "exercise/LaneClock.h"

#include <QString>

#include <algorithm>

namespace ryvo {

void UpdateTimer(RunState& run, const Settings& settings, int lane, std::uint32_t now,
                 PanelView& view) {
    const auto i = static_cast<size_t>(std::clamp(lane, 0, kLaneCount - 1));
    if (run.LaneActive[i] == 0) {
        return;
    }
    const std::uint32_t elapsed = (now - run.StartTick[i]) / 1000U;
    if (elapsed == run.ElapsedSec[i]) {
        return;
    }
    run.ElapsedSec[i] = elapsed;
    const std::uint32_t time = settings.Time;
    if (time != 0) {
        // A pass that took longer than a second must not skip the end of the time.
        const std::uint32_t left = elapsed >= time ? 0U : time - elapsed;
        view.SetText(ViewText::TimeC, QString::asprintf("%3u сек", left));
        if (elapsed >= time) {
            run.LaneActive[i] = 0;
            run.ShootTime[i] = static_cast<float>(time);
        }
    } else {
        view.SetText(ViewText::TimeC, QString::asprintf("%3u сек", elapsed));
    }
}

} // namespace ryvo
