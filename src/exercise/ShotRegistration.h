#pragma once

#include "core/ProgramState.h"
#include "exercise/TargetPanel.h"

#include <cstdint>
#include <optional>

namespace ryvo {

// A shot of a lane shown in full on a target panel (the single window's lane, the five-lane
// window's selected lane), up to its sound: the first shot's time shown; when the lane is
// lit, the trace frozen (at a usable `level`, the previous pass's) and the shot point taken
// from it; the shot recorded and scored; the trigger-jerk marker; the last two holes. The
// window gives the sound by its own rule, then calls ShowRegisteredShot. nullopt, and
// nothing done, when the lane already holds all the shots it can.
std::optional<ShotPoint> RegisterShot(ProgramState& state, TargetPanel& panel, int lane,
                                      std::int32_t level, std::uint32_t now);

// The figures of the lane's newest shot from the panel's recorded aim, kept in the run (the
// table's ShotHolds, the record's members beside the archive) and its trace begun. `point`
// is the shot point of a lit lane, nullopt for a dark shot (no figures, no trace).
void KeepShotHold(ProgramState& state, TargetPanel& panel, int lane, std::optional<ShotPoint> point,
                  std::optional<ShotPoint> jerkPoint, std::uint32_t now);

// After the shot's sound: the trigger taken, the statistics and the level text shown, and
// the shot on the screen at once.
void ShowRegisteredShot(ProgramState& state, TargetPanel& panel, int lane, std::int32_t level);

} // namespace ryvo
