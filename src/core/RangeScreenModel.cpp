#include "core/RangeScreenModel.h"

#include "core/ProgramState.h"

#include <algorithm>

namespace ryvo {

namespace {

constexpr std::uint32_t Bit(int lane) {
    return 1U << static_cast<unsigned>(lane);
}

template <typename T> void Set(T& field, const T& value, bool& changed) {
    if (!(field == value)) {
        field = value;
        changed = true;
    }
}

} // namespace

void RangeScreenModel::Shot(const ProgramState& state, int lane, std::uint32_t planned) {
    m_planned = planned;
    m_lanesServed |= Bit(lane);
    m_reported = true;
    if (m_open && lane >= 0 && lane < kLaneCount) {
        ++m_reports;
        Update(state, lane, true);
    }
}

void RangeScreenModel::Dispatch(const ProgramState& state, std::uint32_t lanes,
                                std::uint32_t planned) {
    m_planned = planned;
    m_lanesServed = lanes;
    m_reported = true;
    if (!m_open) {
        return;
    }
    ++m_reports;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        Update(state, lane, (lanes & Bit(lane)) != 0);
    }
}

void RangeScreenModel::Refresh(const ProgramState& state) {
    if (!m_reported) {
        m_lanesServed = 0;
        for (int lane = 0; lane < kLaneCount; ++lane) {
            const auto i = static_cast<size_t>(lane);
            if (state.LanePresent[i] != 0 && state.settings.Target[i] != -1) {
                m_lanesServed |= Bit(lane);
            }
        }
        m_planned = state.settings.ShootsNumber;
    }
    for (int lane = 0; lane < kLaneCount; ++lane) {
        Update(state, lane, (m_lanesServed & Bit(lane)) != 0);
    }
}

void RangeScreenModel::Update(const ProgramState& state, int lane, bool shown) {
    const auto i = static_cast<size_t>(lane);
    RangeLane& shownLane = m_lanes[i];
    bool changed = false;
    Set(shownLane.shown, shown, changed);
    if (shown) {
        const RunState& run = state.run;
        const std::uint32_t limit = state.settings.Time;
        const auto& positions = run.ShotPos[i];
        const size_t count = std::min<size_t>(run.ShotCount[i], positions.size());
        Set(shownLane.shooter, state.LaneShooter[i], changed);
        Set(shownLane.target, state.settings.Target[i], changed);
        Set(shownLane.shots, run.ShotCount[i], changed);
        Set(shownLane.planned, m_planned, changed);
        Set(shownLane.sum, run.ScoreSum[i], changed);
        Set(shownLane.timeLimited, limit != 0, changed);
        // A running lane's clock; a lane that is done or not begun stands at its shooting time
        // (0 before the series), so the pause between series leaves the figures alone.
        const std::uint32_t elapsed =
            run.LaneActive[i] != 0 ? run.ElapsedSec[i]
                                   : static_cast<std::uint32_t>(std::max(0.0F, run.ShootTime[i]));
        Set(shownLane.seconds, limit == 0 ? elapsed : (elapsed >= limit ? 0U : limit - elapsed),
            changed);
        if (shownLane.holes.size() != count ||
            (count > 0 && !(shownLane.holes.back() == positions[count - 1]))) {
            shownLane.holes.assign(positions.begin(),
                                   positions.begin() + static_cast<std::ptrdiff_t>(count));
            changed = true;
        }
    }
    if (changed) {
        ++m_changes;
    }
}

RangeScreenPlacement PlaceRangeScreen(const std::vector<QRect>& screens, int mainScreen) {
    RangeScreenPlacement placement;
    if (screens.empty()) {
        placement.geometry = QRect(0, 0, 800, 600);
        return placement;
    }
    const int count = static_cast<int>(screens.size());
    const int main = std::clamp(mainScreen, 0, count - 1);
    if (count > 1) {
        placement.screen = main == 0 ? 1 : 0;
        placement.fullScreen = true;
        placement.geometry = screens[static_cast<size_t>(placement.screen)];
        return placement;
    }
    // Two thirds of the screen, in its middle, for the user to move and size.
    const QRect& area = screens[static_cast<size_t>(main)];
    placement.screen = main;
    const QSize size(area.width() * 2 / 3, area.height() * 2 / 3);
    placement.geometry = QRect(QPoint(0, 0), size);
    placement.geometry.moveCenter(area.center());
    return placement;
}

} // namespace ryvo
