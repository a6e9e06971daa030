#pragma once

#include "core/RunState.h"
#include "core/Settings.h"

#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace ryvo {

struct ProgramState;

// What the range screen shows of one lane.
struct RangeLane {
    bool shown = false;
    QString shooter;
    std::int32_t target = -1;
    std::uint32_t shots = 0;
    std::uint32_t planned = 0;
    std::int32_t sum = 0;
    // Seconds left of the time limit, or seconds shot so far when there is none.
    std::uint32_t seconds = 0;
    bool timeLimited = false;
    std::vector<ShotPoint> holes;

    bool operator==(const RangeLane&) const = default;
};

// The figures of every lane for the range screen. The runs report at each shot and at their
// dispatch points; while the screen is closed a report only notes which lanes the window
// serves. A report that changes what is shown bumps the change counter, which the screen
// polls to repaint.
class RangeScreenModel {
public:
    void SetOpen(bool open) { m_open = open; }
    [[nodiscard]] bool Open() const { return m_open; }

    // A shot on `lane`.
    void Shot(const ProgramState& state, int lane, std::uint32_t planned);
    // A dispatch point of a window serving `lanes` (bit per lane) with `planned` shots each.
    void Dispatch(const ProgramState& state, std::uint32_t lanes, std::uint32_t planned);
    // Everything anew from the last window reported, or from the present lanes when none has
    // reported yet (the screen opens).
    void Refresh(const ProgramState& state);

    [[nodiscard]] const RangeLane& Lane(int lane) const {
        return m_lanes[static_cast<size_t>(lane)];
    }
    [[nodiscard]] std::uint64_t Changes() const { return m_changes; }
    // Reports taken while open, for measurements.
    [[nodiscard]] std::uint64_t Reports() const { return m_reports; }

private:
    void Update(const ProgramState& state, int lane, bool shown);

    bool m_open = false;
    std::uint32_t m_lanesServed = 0;
    std::uint32_t m_planned = 0;
    bool m_reported = false;
    std::array<RangeLane, kLaneCount> m_lanes{};
    std::uint64_t m_changes = 0;
    std::uint64_t m_reports = 0;
};

// Where the range screen goes: full screen on a screen other than the main window's when
// there is one, otherwise a window of its own on the main window's screen.
struct RangeScreenPlacement {
    int screen = 0;
    bool fullScreen = false;
    QRect geometry;
};

RangeScreenPlacement PlaceRangeScreen(const std::vector<QRect>& screens, int mainScreen);

} // namespace ryvo
