#pragma once

#include "archive/ArchiveStore.h"
#include "core/RelaySaving.h"
#include "core/Settings.h"
#include "platform/UserMessage.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace ryvo {

struct ProgramState;

// How a record reaches its group file; tests put a failing one in.
using AppendFunction = std::function<AppendOutcome(const QString& startDir, const QString& group,
                                                   const SaveTime& time, const NewResult& result)>;

// A lane's series as the archive takes it: the lane's target, the exercise's planned shots and
// time limit, and the shots fired.
NewResult LaneResult(const ProgramState& state, int lane, const QString& shooter,
                     const QString& comment);

// Appends the lane's record to `group`'s file of the save time's month, as the save dialog
// does, and counts the save (SaveCount, LastSavedFile). The group name must have passed
// GroupNameProblem.
AppendOutcome AppendLaneResult(ProgramState& state, int lane, const QString& group,
                               const SaveTime& time, const QString& shooter, const QString& comment,
                               const AppendFunction& append = {});

struct LaneFailure {
    int lane = 0;
    QString shooter;
    QString error; // for the user
};

struct SaveAllOutcome {
    QString group;
    // Lanes numbered from 0, in lane order.
    std::vector<int> saved;
    std::vector<int> noShooter;
    std::vector<LaneFailure> failed;
    // Saved, but what goes beside the record is not (its error says what).
    std::vector<LaneFailure> besideFailed;
    // Nothing written: no group, or a name that cannot name a file.
    std::optional<QString> refused;
};

// "Записать всех": one record per lane of a window's series, each under the shooter standing
// at the lane. Remembers which lanes of the series are in the archive, so none is saved twice;
// a lane skipped for want of a shooter or a failed write is taken by the next save.
class AllLanesSave {
public:
    // `lanes`: the lanes the window serves (0 and 1, or all five).
    explicit AllLanesSave(std::vector<int> lanes) : m_lanes(std::move(lanes)) {}

    // A new series: none of it is saved yet.
    void SeriesStarted() { m_saved = {}; }
    // The lane went into the archive another way (the save dialog).
    void MarkSaved(int lane);

    // To the current group (GroupName) with the save time `time`.
    SaveAllOutcome Save(ProgramState& state, const SaveTime& time,
                        const QString& comment = QString(), const AppendFunction& append = {});

    // Lanes of the series that fired.
    [[nodiscard]] std::vector<int> FiredLanes(const ProgramState& state) const;
    // Every lane that fired is in the archive (and one did).
    [[nodiscard]] bool AllSaved(const ProgramState& state) const;
    // Some lane of this series was saved.
    [[nodiscard]] bool AnySaved() const;

private:
    std::vector<int> m_lanes;
    std::array<bool, kLaneCount> m_saved{};
};

// The status line after a save: "Записано: 5 стрелков, группа Взвод 1", then the lanes left.
QString SaveAllText(const SaveAllOutcome& outcome);
// A message box for a refusal or a failed lane; nullopt when every lane went as it should.
std::optional<UserMessage> SaveAllMessage(const SaveAllOutcome& outcome);

// "Записать всех" of a relay window, into the archive.
class ArchiveRelaySaving final : public RelaySaving {
public:
    explicit ArchiveRelaySaving(std::vector<int> lanes);

    void SeriesStarted() override { m_saves.SeriesStarted(); }
    void MarkSaved(int lane) override { m_saves.MarkSaved(lane); }
    [[nodiscard]] std::vector<int> FiredLanes(const ProgramState& state) const override {
        return m_saves.FiredLanes(state);
    }
    [[nodiscard]] bool AllSaved(const ProgramState& state) const override {
        return m_saves.AllSaved(state);
    }
    [[nodiscard]] bool AnySaved() const override { return m_saves.AnySaved(); }
    RelaySaveReport SaveAll(ProgramState& state) override;

    // The save time; tests fix it.
    std::function<SaveTime()> now;

private:
    AllLanesSave m_saves;
};

} // namespace ryvo
