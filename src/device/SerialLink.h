#pragma once

#include "core/ProgramState.h"
#include "platform/Services.h"

#include <cstdint>

namespace ryvo {

// The program-wide port handle in ProgramState::Port, as every window that talks to the
// device uses it.

// Opens the port named by Settings::SerialPort and starts measuring its poll rate afresh.
// Returns 1 when it is open; 0 when it is not,
// with every LanePresent cleared and the invalid port kept as the handle. Line settings that
// cannot be applied are reported through the Dialogs and the port stays in use.
int OpenPort(ProgramState& state, const Services& services);

// Closes and forgets the handle, if one is held.
void ClosePort(ProgramState& state);

// Writes one byte with the write time-outs; on an absent or invalid port it does nothing.
void WriteByte(ProgramState& state, std::uint8_t value);

// Reads up to `count` bytes within the read time-outs; 0 on an absent or invalid port.
int ReadBytes(ProgramState& state, std::uint8_t* buffer, int count);

// Drops whatever came in and was not read: an answer that arrived after its read gave up.
void DiscardInput(ProgramState& state);

// Lamp commands; the off commands repeat with 2 ms pauses so a lamp missed once still goes
// out.
void SteadyLampOn(ProgramState& state, int lane);
void SteadyLampOff(ProgramState& state, Clock& clock, int lane);
void FlashLampOn(ProgramState& state, int lane);
void FlashLampOff(ProgramState& state, Clock& clock, int lane);
// Sent when a shooting run starts and when it ends.
void AllLampsOff(ProgramState& state, Clock& clock);

} // namespace ryvo
