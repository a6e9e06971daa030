#pragma once

#include <QByteArray>

namespace ryvo {

struct ProgramState;

// How the exercise windows draw, beyond what the settings file can hold: kept in a small
// file of its own beside it, so the settings file keeps its format.
inline constexpr const char* kDisplayOptionsFileName = "ryvw.opt";

struct DisplayOptions {
    // The frozen trace of a shot drawn in the colours of its aiming phases, with a legend.
    bool tracePhases = false;
    bool operator==(const DisplayOptions&) const = default;
};

// The file: a first line naming the format, then one "name=value" line per option.
QByteArray DisplayOptionsImage(const DisplayOptions& options);
// The options in the file's bytes; the defaults for a missing or malformed file, and for
// a line that does not read.
DisplayOptions ParseDisplayOptions(const QByteArray& bytes);

DisplayOptions ReadDisplayOptions(const ProgramState& state);
// Keeps state.Display, through a temporary.
bool WriteDisplayOptions(const ProgramState& state);

} // namespace ryvo
