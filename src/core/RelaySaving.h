#pragma once

#include "platform/UserMessage.h"

#include <QString>

#include <optional>
#include <vector>

namespace ryvo {

struct ProgramState;

// What "Записать всех" writes and tells the user.
struct RelaySaveReport {
    QString status;
    std::optional<UserMessage> message;
};

// The archive as a relay's windows see it: which lanes of the series are saved, so none is
// saved twice, and the saving of the rest. The composition root hands the windows the
// archive's own: the exercise windows know nothing of record files.
class RelaySaving {
public:
    virtual ~RelaySaving() = default;

    // A new series: none of it is saved yet.
    virtual void SeriesStarted() = 0;
    // The lane went into the archive another way (the save dialog).
    virtual void MarkSaved(int lane) = 0;
    // Lanes of the series that fired.
    [[nodiscard]] virtual std::vector<int> FiredLanes(const ProgramState& state) const = 0;
    // Every lane that fired is in the archive (and one did).
    [[nodiscard]] virtual bool AllSaved(const ProgramState& state) const = 0;
    // Some lane of this series was saved.
    [[nodiscard]] virtual bool AnySaved() const = 0;
    // Saves every lane that fired and is not saved yet, under its shooter, to the current group.
    virtual RelaySaveReport SaveAll(ProgramState& state) = 0;
};

} // namespace ryvo
