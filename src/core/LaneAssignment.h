#pragma once

#include "core/Settings.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ryvo {

struct ProgramState;

// Who stands at which lane lives in ProgramState::LaneShooter; these are its rules and its
// file. The file sits beside the settings, so the range keeps its relay between runs.
inline constexpr const char* kLaneShootersFileName = "ryvw.lns";

using LaneNames = std::array<QString, kLaneCount>;

// A name as it may stand at a lane and go into a record's first line: control characters
// (a line break would split the record) become blanks, outer blanks go, at most 98 kept.
QString CleanShooterName(const QString& name);

// Puts `name` (typed or picked from the group) at one lane; an empty name clears it.
// Lanes out of range are ignored.
void AssignLane(ProgramState& state, int lane, const QString& name);

// Which lanes a relay stands on: nonzero = the lane takes a shooter.
using LaneMask = std::array<std::int32_t, kLaneCount>;

// Where the next relay starts in `members`: just after the member furthest down the list who
// stands at a lane of `lanes` now; 0 when none does or the list is used up.
int NextRelayStart(const LaneNames& current, const LaneMask& lanes,
                   const std::vector<QString>& members);

// "по списку": the next shooters of `members`, in list order, onto `lanes`, continuing after
// the current relay; empty member lines are passed over and lanes the list does not reach
// stand empty. Lanes outside `lanes` keep their names. nullopt when the list names nobody.
std::optional<LaneNames> NextRelay(const LaneNames& current, const LaneMask& lanes,
                                   const std::vector<QString>& members);

// The present lanes among `windowLanes` (all lanes when empty).
LaneMask RelayLanes(const ProgramState& state, const std::vector<int>& windowLanes = {});

// NextRelay of the loaded group (GroupMembers) onto RelayLanes into LaneShooter. False, with
// nothing changed, when no group is loaded or it names nobody.
bool AssignFromList(ProgramState& state, const std::vector<int>& windowLanes = {});

// The file: UTF-8, a first line naming the format, then one "lane<TAB>name" line per
// assigned lane (lanes numbered from 1).
QByteArray LaneShootersImage(const LaneNames& names);
// nullopt-free: a missing or malformed file gives no assignment at all.
LaneNames ParseLaneShooters(const QByteArray& bytes);

// Reads the file of the start directory into LaneShooter (all empty when it is bad).
void ReadLaneShooters(ProgramState& state);
// Replaces the file through a temporary, so a failed write keeps the previous one.
bool WriteLaneShooters(const ProgramState& state);

} // namespace ryvo
