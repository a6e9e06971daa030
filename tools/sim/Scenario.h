#pragma once

#include "DeviceModel.h"

#include <cstddef>
#include <string>

namespace ryvo::sim {

// A scenario sets up the device model from text, one directive per line ('#' starts a
// comment; times in ms from the start of the simulation):
//   aim <lane> fixed <x> <y>
//   aim <lane> path <ms>:<x>,<y> ...          straight lines between points, then holds
//   aim <lane> noise <x> <y> <amplitude> [<seed>]
//   level <lane> <level>
//   trigger <lane> <ms> ...
//   pending <lane> <mask>                     byte 1 of the lane's frames (0x.. or decimal)
//   fault <name> [lane=<n>] [from=<ms>] [until=<ms>]
// Fault names: bad-checksum, wrong-lane, short-frame, silence, unplug.
struct ScenarioResult {
    bool ok = true;
    std::string error; // "line N: what is wrong"
};

ScenarioResult ApplyScenario(const std::string& text, DeviceModel& model);

} // namespace ryvo::sim
