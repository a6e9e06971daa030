#pragma once

#include "core/RunState.h"

#include <array>

#include <cstdint>
#include <optional>

namespace ryvo {

class Clock;
struct ProgramState;
class ZoneMaps;

// The lanes a window looks after, as a bit set (bit n = lane n).
using LaneSet = std::uint32_t;
inline constexpr LaneSet LaneBit(int lane) {
    return LaneSet{1} << static_cast<unsigned>(lane);
}
inline constexpr LaneSet kAllLanes = (LaneSet{1} << kLaneCount) - 1;

using LanePresence = std::array<std::int32_t, kLaneCount>;

// Shots a lane keeps in one series.
inline constexpr std::uint32_t kMaxShots = 1000;
// A registered shot locks the lane for two ticks of its lock-out timer.
inline constexpr std::int32_t kLockoutTicks = 2;

// Rules every exercise window applies to a shot, over the shared per-lane run state. A
// window's pass calls AcceptTrigger for a lane whose trigger is set, RecordShot for the
// accepted shot, and SeriesDone / LastShotWaits with its own weighting and transfer flag.

// Polls `lanes`, `rounds` times over, when Start is pressed: trigger reports standing on the
// device from before are fetched and acknowledged, and are no shots. No sample of these polls
// goes on a trace.
void FetchStandingReports(ProgramState& state, Clock* clock, LaneSet lanes, int rounds);

// True when the lane is not locked out; locks it.
bool AcceptTrigger(RunState& run, int lane);
// One tick of a lane's lock-out timer (lanes outside `lanes` are left alone).
void TickLockouts(RunState& run, LaneSet lanes = kAllLanes);

struct RecordedShot {
    bool recorded = false; // false when the lane already holds kMaxShots shots
    bool first = false;    // the first shot of the series
    ShotPoint point;       // the stored point; the dark-shot position for an unlit target
};
// Stores shot number ShotCount of the lane, scores it against `targetType` with the loaded
// pack's `zones` (dark when the lane is not lit), adds a positive score to the sum and counts
// it. `now` is the clock at the shot; its time since the lane's StartTick is kept with it.
RecordedShot RecordShot(RunState& run, int lane, ShotPoint point, std::int32_t targetType,
                        const ZoneMaps* zones, std::uint32_t now);

// Trace entry the trigger-jerk point is taken from (TimePost div TimeGun), or nullopt when
// the times do not give one.
std::optional<int> JerkIndex(std::int32_t timePost, std::int32_t timeGun);

// How lanes count towards a shared series: by whether they still shoot, or whether they
// take part at all.
enum class LaneWeight { Active, Present };

// Shots of the lanes, each weighed 0 or 1.
std::uint32_t WeightedShots(const RunState& run, const LanePresence& present, LaneSet lanes,
                            LaneWeight weight);

// Without fire transfer a lane that has fired its shots stops shooting.
void RetireFinishedLanes(RunState& run, LaneSet lanes, std::uint32_t shootsNumber);

// The series is over: with fire transfer when the active lanes together fired the shots,
// otherwise when every lane has fired its shots or no longer shoots.
bool SeriesDone(const RunState& run, LaneSet lanes, std::uint32_t shootsNumber, bool fireTransfer);

// The shot just registered is the last of the series, so the run waits for its sound:
// every lane has its shots (weighed by `weight`), or with fire transfer the weighed sum
// reaches the number of shots.
bool LastShotWaits(const RunState& run, const LanePresence& present, LaneSet lanes,
                   std::uint32_t shootsNumber, bool fireTransfer, LaneWeight weight);

} // namespace ryvo
