#include "exercise/ShotRules.h"

#include "core/ProgramState.h"
#include "core/TraceBuffer.h"
#include "device/TFormShoot.h"
#include "targets/Scoring.h"

#include <algorithm>

namespace ryvo {

namespace {

size_t Index(int lane) {
    return static_cast<size_t>(std::clamp(lane, 0, kLaneCount - 1));
}

template <typename F> void ForLanes(LaneSet lanes, F&& f) {
    for (int lane = 0; lane < kLaneCount; ++lane) {
        if ((lanes & LaneBit(lane)) != 0) {
            f(static_cast<size_t>(lane));
        }
    }
}

} // namespace

void FetchStandingReports(ProgramState& state, Clock* clock, LaneSet lanes, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        ForLanes(lanes, [&](size_t lane) { PollLane(state, clock, static_cast<int>(lane)); });
    }
    state.Device.Trigger.fill(0);
}

bool AcceptTrigger(RunState& run, int lane) {
    std::int32_t& lockout = run.ShotLockout[Index(lane)];
    if (lockout != 0) {
        return false;
    }
    lockout = kLockoutTicks;
    return true;
}

void TickLockouts(RunState& run, LaneSet lanes) {
    ForLanes(lanes, [&](size_t i) {
        if (run.ShotLockout[i] > 0) {
            --run.ShotLockout[i];
        }
    });
}

RecordedShot RecordShot(RunState& run, int lane, ShotPoint point, std::int32_t targetType,
                        const ZoneMaps* zones, std::uint32_t now) {
    const size_t i = Index(lane);
    RecordedShot shot;
    if (run.ShotCount[i] >= kMaxShots) {
        return shot;
    }
    shot.recorded = true;
    shot.first = run.ShotCount[i] == 0;
    if (run.LaneLit[i] != 0) {
        run.LastScore[i] = ScoreShot(point.x, point.y, targetType, zones);
    } else {
        point = {kDarkShotPosition, kDarkShotPosition};
        run.LastScore[i] = kScoreDark;
    }
    shot.point = point;
    std::vector<ShotPoint>& shots = run.ShotPos[i];
    if (shots.size() <= run.ShotCount[i]) {
        shots.resize(run.ShotCount[i] + 1);
    }
    shots[run.ShotCount[i]] = point;
    // The same index as the point, whatever the other lists held before.
    std::vector<std::uint32_t>& times = run.ShotMs[i];
    std::vector<std::int32_t>& scores = run.ShotScore[i];
    times.resize(run.ShotCount[i] + 1);
    scores.resize(run.ShotCount[i] + 1);
    times[run.ShotCount[i]] = now - run.StartTick[i];
    scores[run.ShotCount[i]] = run.LastScore[i];
    if (run.LastScore[i] > 0) {
        run.ScoreSum[i] += run.LastScore[i];
    }
    ++run.ShotCount[i];
    return shot;
}

std::optional<int> JerkIndex(std::int32_t timePost, std::int32_t timeGun) {
    // A zero or negative divisor or a negative time gives no entry; a quotient beyond the
    // list takes its last entry.
    if (timeGun <= 0 || timePost < 0 || timePost >= kTraceEntries) {
        return std::nullopt;
    }
    return std::min(timePost / timeGun, kTraceEntries - 1);
}

std::uint32_t WeightedShots(const RunState& run, const LanePresence& present, LaneSet lanes,
                            LaneWeight weight) {
    std::uint32_t sum = 0;
    ForLanes(lanes, [&](size_t i) {
        const std::int32_t w = weight == LaneWeight::Active ? run.LaneActive[i] : present[i];
        if (w != 0) {
            sum += run.ShotCount[i];
        }
    });
    return sum;
}

void RetireFinishedLanes(RunState& run, LaneSet lanes, std::uint32_t shootsNumber) {
    ForLanes(lanes, [&](size_t i) {
        if (run.ShotCount[i] >= shootsNumber) {
            run.LaneActive[i] = 0;
        }
    });
}

bool SeriesDone(const RunState& run, LaneSet lanes, std::uint32_t shootsNumber, bool fireTransfer) {
    if (fireTransfer) {
        std::uint32_t sum = 0;
        ForLanes(lanes, [&](size_t i) {
            if (run.LaneActive[i] != 0) {
                sum += run.ShotCount[i];
            }
        });
        return sum >= shootsNumber;
    }
    bool done = true;
    ForLanes(lanes, [&](size_t i) {
        done = done && (run.ShotCount[i] >= shootsNumber || run.LaneActive[i] == 0);
    });
    return done;
}

bool LastShotWaits(const RunState& run, const LanePresence& present, LaneSet lanes,
                   std::uint32_t shootsNumber, bool fireTransfer, LaneWeight weight) {
    if (fireTransfer && WeightedShots(run, present, lanes, weight) >= shootsNumber) {
        return true;
    }
    bool all = true;
    ForLanes(lanes, [&](size_t i) {
        const std::int32_t w = weight == LaneWeight::Active ? 1 : present[i];
        all = all && run.ShotCount[i] >= shootsNumber * static_cast<std::uint32_t>(w != 0);
    });
    return all;
}

} // namespace ryvo
