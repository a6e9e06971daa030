#pragma once

#include "core/Course.h"
#include "core/DeviceValues.h"
#include "core/DisplayOptions.h"
#include "core/PollMeter.h"
#include "core/RangeScreenModel.h"
#include "core/ResultRecord.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "platform/ResourceLibrary.h"
#include "platform/SerialPort.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace ryvo {

inline constexpr float kShotMarkRadius = 2.0F;
inline constexpr int kMaxRemarks = 50;

// Settings plus the state that several windows share. One object lives for the whole run
// and every window is handed the same one.
struct ProgramState {
    Settings settings;

    std::int32_t TraceLength = 0;
    std::array<std::int32_t, kLaneCount> LanePresent{};
    std::int32_t CurrentLane = 0;
    std::int32_t ResultSource = 0; // 0 none, 1 single, 2 two-shooter, 5 up-to-five

    float SignalLevel = 0.0F;
    float SignalLowFactor = 0.0F;
    float SignalHighFactor = 0.0F;
    float SignalMarkFactor = 0.0F;

    // Every file path is rooted here; the resource packs are also looked up in DataDir.
    QString StartDir;
    QString DataDir;

    std::optional<ResourceLibrary> TargetLibrary;
    std::int32_t OtherTargetCount = 0;
    std::optional<ResourceLibrary> SoundLibrary;
    // Absent (nullopt) sounds play nothing.
    std::optional<QByteArray> StartSound;
    std::optional<QByteArray> ShotSound;
    std::optional<QByteArray> EndSound;

    std::int32_t NoData = 0;
    std::int32_t SoundAvailable = 0;

    std::int32_t SaveDialogMode = 0; // 0 saves, otherwise prints
    std::int32_t LoadedGroup = -1;   // -1: no shooter group loaded

    std::vector<QString> Remarks;

    // The target light script in use; ends with the line "10" when complete.
    std::vector<QString> ScriptLines;
    // The course the exercise windows run; none: the plain series of the settings.
    std::optional<Course> ChosenCourse;
    // Kept beside the settings (core/DisplayOptions.h); read at start-up.
    DisplayOptions Display;

    RunState run;
    ArchiveTables archive;
    QString GroupName;
    // The member list the groups window shows; the save dialog offers it as shooter names.
    std::vector<QString> GroupMembers;
    // A shooter name an exercise window presets for the save dialog; taken on activation.
    QString SaveDialogShooter;
    // The shooter standing at each lane ("" when none is assigned); set by the relay
    // assignment, shown above the lanes' targets and used by the saves of all lanes.
    std::array<QString, kLaneCount> LaneShooter;
    // The figures the range screen shows; the exercise runs report shots and dispatch points.
    RangeScreenModel RangeScreen;
    // Whose zero each lane's calibration in `settings` is: "" the lane's own (ryvw.dat), else
    // the shooter's whose file applies. While a shooter's zero applies, the lane's own values
    // wait in LaneOwnCalibration (calibration/ShooterZero.h keeps the two in step).
    std::array<QString, kLaneCount> LaneZeroShooter;
    std::array<LaneCalibration, kLaneCount> LaneOwnCalibration{};
    // Counts successful archive saves; the last one's group file, relative to StartDir. The
    // exercise windows tell the instructor where a result went.
    std::uint32_t SaveCount = 0;
    QString LastSavedFile;

    // Device link: the per-lane device values and the one port handle (null before the
    // first open; a failed open leaves a port on which every read and write fails).
    // Which lanes take part in the running exercise is run.LaneActive.
    DeviceValues Device;
    std::unique_ptr<SerialPort> Port;
    // Set by the first OpenPort, whether or not the port opened.
    bool PortEverOpened = false;
    // The poll rate since the port was last opened, for the device status.
    PollMeter Polls;

    [[nodiscard]] QString PathFor(const QString& fileName) const;
    [[nodiscard]] QStringList ResourceSearchDirs() const;
};

// Port-card mode has no input path of its own: the probe always reports a card.
std::int32_t ProbePortCard(ProgramState& state, int address);

// Reads the sounds chosen by Sound1..Sound3 from the sound pack.
void ReloadSounds(ProgramState& state);

// Loads the target pack and counts its targets (its string 1); its zone maps become the ones
// scoring uses.
void LoadTargetLibrary(ProgramState& state);
void LoadSoundLibrary(ProgramState& state);

// Defaults, settings file, trace buffer, dialog defaults, remarks, signal limits, sounds
// and the first estimate of which lanes are present, in that order.
void GlobalInitialisation(ProgramState& state);

// Signal limits follow the input mode.
void ApplySignalLimits(ProgramState& state);

} // namespace ryvo
