#include "core/ProgramState.h"

#include "core/LaneAssignment.h"
#include "core/SettingsFile.h"

#include <QDir>

namespace ryvo {

QString ProgramState::PathFor(const QString& fileName) const {
    return StartDir.isEmpty() ? fileName : QDir(StartDir).filePath(fileName);
}

QStringList ProgramState::ResourceSearchDirs() const {
    QStringList dirs;
    dirs << (StartDir.isEmpty() ? QDir::currentPath() : StartDir);
    if (!DataDir.isEmpty()) {
        dirs << DataDir;
    }
    return dirs;
}

std::int32_t ProbePortCard(ProgramState& state, int /*address*/) {
    state.NoData = 0;
    return 1;
}

void ReloadSounds(ProgramState& state) {
    auto take = [&](int base, std::uint32_t index) -> std::optional<QByteArray> {
        if (!state.SoundLibrary) {
            return std::nullopt;
        }
        // An index of 4294967295 (no selection) wraps to base - 1, which no pack uses.
        return state.SoundLibrary->Raw(static_cast<int>(static_cast<std::uint32_t>(base) + index));
    };
    state.StartSound = take(2151, state.settings.Sound1);
    state.ShotSound = take(2251, state.settings.Sound2);
    state.EndSound = take(2351, state.settings.Sound3);
}

void LoadTargetLibrary(ProgramState& state) {
    state.TargetLibrary =
        ResourceLibrary::Load(QStringLiteral("Targets"), state.ResourceSearchDirs());
    state.OtherTargetCount = 0;
    if (state.TargetLibrary) {
        if (auto count = state.TargetLibrary->String(1)) {
            state.OtherTargetCount = std::max(0, count->trimmed().toInt());
        }
    }
}

void LoadSoundLibrary(ProgramState& state) {
    state.SoundLibrary =
        ResourceLibrary::Load(QStringLiteral("Sounds"), state.ResourceSearchDirs());
}

void ApplySignalLimits(ProgramState& state) {
    if (state.settings.IO_Serial == 1) {
        state.SignalLevel = 8000.0F;
        state.SignalLowFactor = 0.15F;
    } else {
        state.SignalLevel = 2500.0F;
        state.SignalLowFactor = 0.2F;
    }
    state.SignalHighFactor = 0.8F;
    state.SignalMarkFactor = 0.8F;
}

void GlobalInitialisation(ProgramState& state) {
    ApplyBuiltInDefaults(state.settings);
    ReadSettings(state.settings, state.PathFor(QString::fromLatin1(kSettingsFileName)));
    state.SaveDialogMode = 0;
    state.LoadedGroup = -1;
    state.Remarks = ReadRemarks(state.PathFor(QString::fromLatin1(kRemarksFileName)));
    ReadLaneShooters(state);
    state.Display = ReadDisplayOptions(state);
    ApplySignalLimits(state);
    ReloadSounds(state);
    if (state.settings.IO_Serial == 1) {
        for (int lane = 0; lane < kLaneCount; ++lane) {
            state.LanePresent[lane] = state.settings.Target[lane] != -1 ? 1 : 0;
        }
    } else {
        state.LanePresent[0] = ProbePortCard(state, 0x300);
        state.LanePresent[1] = ProbePortCard(state, 0x308);
        for (int lane = 2; lane < kLaneCount; ++lane) {
            state.LanePresent[lane] = 0;
        }
    }
    state.TraceLength = ComputeTraceLength(state.settings);
}

} // namespace ryvo
