#pragma once

#include "core/ProgramState.h"
#include "core/Settings.h"

#include <QString>

namespace ryvo {

// A shooter's own zero: a calibration file in the ryvw.dat format under Пристрелка/ in the
// start directory, named after the shooter. While the shooter stands at a lane
// (ProgramState::LaneShooter) the lane's slot of that file is the lane's calibration; the
// lane's own values from ryvw.dat wait in ProgramState::LaneOwnCalibration and come back
// when the shooter leaves. ryvw.dat only ever receives the lanes' own values.

// The folder below the start directory.
QString ShooterZeroFolder();

// The file name for a shooter: the trimmed name with every character Windows forbids in a
// file name (\ / : * ? " < > | and control characters) replaced by '_', trailing dots and
// blanks dropped, at most 100 characters, a reserved device name (CON, NUL, COM1, ...)
// followed by '_', and ".dat". Empty for a blank name: a nameless zero has no file.
QString ShooterZeroFileName(const QString& shooter);

// The file's path, rooted at the start directory; empty for a blank name.
QString ShooterZeroPath(const ProgramState& state, const QString& shooter);

enum class ShooterZeroStatus {
    NoFile,  // blank name or no readable file: the lane's own zero applies
    Damaged, // the file exists but does not hold a whole table of finite values
    Valid,
};

struct ShooterZero {
    ShooterZeroStatus status = ShooterZeroStatus::NoFile;
    LaneCalibration calibration; // the lane's slot of the file when Valid
};

// Reads a shooter's file for one lane. Never changes the state.
ShooterZero ReadShooterZero(const ProgramState& state, const QString& shooter, int lane);

// Writes the shooter's file with `calibration` in every lane's slot (a zero belongs to the
// weapon, wherever its shooter stands) and the current four times; creates the folder.
// False, with an older file left as it was, when it cannot be written.
bool WriteShooterZero(const ProgramState& state, const QString& shooter,
                      const LaneCalibration& calibration);

// The lane's own calibration (what ryvw.dat holds for it), whatever zero applies now.
LaneCalibration OwnLaneCalibration(const ProgramState& state, int lane);

// The settings with every lane's own calibration: what is written to ryvw.dat.
Settings OwnCalibrationSettings(const ProgramState& state);

// Makes the effective calibration of lane follow `shooter`'s zero (the values given) or,
// for a blank name, the lane's own values. The lane's own values are kept first.
void SetLaneZero(ProgramState& state, int lane, const QString& shooter,
                 const LaneCalibration& calibration);
// Gives a lane its own calibration back.
void UseOwnLaneZero(ProgramState& state, int lane);
// Replaces a lane's own calibration; the effective one follows unless a shooter's applies.
void SetOwnLaneCalibration(ProgramState& state, int lane, const LaneCalibration& calibration);

// Brings every lane's calibration in line with who stands there: the zero of a shooter with
// a valid file applies to their lane; every other lane gets its own values back (a missing
// or damaged file is ignored here). Reads at most one small file per lane with a shooter,
// changes nothing when called again without a change, and is safe at start-up once the
// settings and ryvw.dat are read. Call it whenever LaneShooter changes.
void ApplyShooterZeros(ProgramState& state);

// Whether the calibration of lane is its shooter's own zero now.
bool ShooterZeroApplies(const ProgramState& state, int lane);

// The shooter's name with "(своя пристрелка)" beside it while their zero applies to the lane;
// empty when nobody stands there.
QString LaneShooterCaption(const ProgramState& state, int lane);

} // namespace ryvo
