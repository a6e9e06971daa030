#pragma once

#include "core/ProgramState.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Services.h"
#include "platform/Sound.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <cstdint>

namespace ryvo::test {

// Program state and services over the in-process device model, a manual clock, scripted
// keys and dialogs, and a sound that only records.
struct SimRig {
    explicit SimRig(std::uint32_t start) : clock(start) {}

    ProgramState state;
    ManualClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock};
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
};

} // namespace ryvo::test
