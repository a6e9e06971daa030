#pragma once

#include "exercise/CourseRun.h"
#include "exercise/RunSteps.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace ryvo {

struct ProgramState;

// Where a stage's times count from: its beginning for the commands before the signal, its
// end for those after.
struct StageClock {
    std::uint32_t start = 0;
};

// A command's sound by its word; nullopt: a beep stands for it.
using CommandSoundOf = std::function<std::optional<QByteArray>(const QString& word)>;
// The sound pack's sound whose string is the word (a range's own recording in the start
// directory's Sounds/ comes first, as for every sound); none while sounds do not work.
CommandSoundOf PackCommandSound(const ProgramState& state);

// What a window shows of the course: a command's word, a stage's line.
using CourseShow = std::function<void(const QString& text)>;

// Once the run no longer repeats (Escape), the course's remaining steps pass at once.
// Escape held while a step waits ends the course the same way.

// A command at its time from the stage clock: its sound (a beep when absent), played
// without waiting for its end, and its word shown.
class CommandStep final : public RunStep {
public:
    CommandStep(std::shared_ptr<const StageClock> clock, std::int32_t atMs, QString word,
                std::optional<QByteArray> sound, CourseShow show);
    StepResult Advance(RunSequence& run) override;
    [[nodiscard]] RunSequence::Phase Phase() const override {
        return RunSequence::Phase::StartSound;
    }

private:
    std::shared_ptr<const StageClock> m_clock;
    std::int32_t m_atMs;
    QString m_word;
    std::optional<QByteArray> m_sound;
    CourseShow m_show;
};

// Waits until `fromMs` plus a delay drawn in [minMs, maxMs] from the stage clock; `drawn`
// hears the delay once it is drawn (at the step's first turn).
class RandomDelayStep final : public RunStep {
public:
    RandomDelayStep(std::shared_ptr<const StageClock> clock, std::int32_t fromMs,
                    std::int32_t minMs, std::int32_t maxMs, DrawMs draw,
                    std::function<void(std::int32_t delayMs)> drawn = {});
    StepResult Advance(RunSequence& run) override;
    [[nodiscard]] RunSequence::Phase Phase() const override {
        return RunSequence::Phase::StartSound;
    }

private:
    std::shared_ptr<const StageClock> m_clock;
    std::int32_t m_fromMs;
    std::int32_t m_minMs;
    std::int32_t m_maxMs;
    DrawMs m_draw;
    std::function<void(std::int32_t)> m_drawn;
    std::optional<std::int32_t> m_atMs;
};

// What the window gives a course: its series start (the stage's settings already in place),
// the moment of the signal, its pass, the series end.
struct StageHooks {
    std::function<void(int stage)> start;
    std::function<void()> go;
    PassRef pass;
    TimerSet* timers = nullptr;
    std::uint32_t interval = 0;
    std::function<void()> end;
    CourseShow show;
    CommandSoundOf sound;
    // The start signal; a beep when absent.
    std::optional<QByteArray> signal;
};

class RunStatus;

// What every window's course shares: the stage on the status line from the stage's start (the
// series' start empties the line, so it goes back after `seriesGo`), each spoken command beside
// it, the pack's commands and the start signal. The window adds its pass, timers and end.
StageHooks CourseHooks(const CourseRun& course, const ProgramState& state, RunStatus& status,
                       std::function<void()> seriesStart, std::function<void()> seriesGo);

// One stage: at its turn the stage's settings go in place and the window's series starts;
// then its commands, the preparation and the random delay, the signal, the series, the
// series end and the commands after it follow as steps of their own.
class StageStep final : public RunStep {
public:
    StageStep(CourseRun& course, int index, const StageHooks& hooks, DrawMs draw);
    StepResult Advance(RunSequence& run) override;
    [[nodiscard]] RunSequence::Phase Phase() const override { return RunSequence::Phase::Series; }

private:
    CourseRun& m_course;
    int m_index;
    const StageHooks& m_hooks;
    DrawMs m_draw;
};

// The course's steps after the run's start: its stages, then `finished` once the course's
// result is in (also after Escape).
void AddCourse(RunSequence& sequence, CourseRun& course, const StageHooks& hooks,
               const DrawMs& draw, std::function<void()> finished);

} // namespace ryvo
