#pragma once

#include "core/RunState.h"
#include "core/Settings.h"
#include "exercise/ExerciseView.h"

#include <cstdint>

namespace ryvo {

// The exercise clock of a lane, once per pass: only for an active lane, the whole seconds
// since its start; when they change they are shown in TimeC (the time left, or the time
// taken when there is no limit), and when the time is up the lane stops shooting with the
// whole time as its shooting time.
void UpdateTimer(RunState& run, const Settings& settings, int lane, std::uint32_t now,
                 PanelView& view);

} // namespace ryvo
