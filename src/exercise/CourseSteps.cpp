#include "exercise/CourseSteps.h"

#include "core/CommandSounds.h"
#include "core/ProgramState.h"
#include "exercise/RunStatus.h"
#include "platform/Sound.h"

namespace ryvo {

namespace {

// True when the course goes on; Escape held now ends it.
bool CourseGoesOn(RunSequence& run) {
    if (run.Repeats() && run.Held(Key::Escape)) {
        run.EndRepeats();
    }
    return run.Repeats();
}

} // namespace

CommandSoundOf PackCommandSound(const ProgramState& state) {
    return [&state](const QString& word) -> std::optional<QByteArray> {
        if (state.SoundAvailable == 0 || !state.SoundLibrary) {
            return std::nullopt;
        }
        return CommandSound(*state.SoundLibrary, word);
    };
}

StageHooks CourseHooks(const CourseRun& course, const ProgramState& state, RunStatus& status,
                       std::function<void()> seriesStart, std::function<void()> seriesGo) {
    StageHooks hooks;
    hooks.start = [&course, &status, seriesStart = std::move(seriesStart)](int stage) {
        seriesStart();
        status.CourseLine(StageLine(course.GetCourse(), stage));
    };
    hooks.go = [&course, &status, seriesGo = std::move(seriesGo)] {
        seriesGo();
        status.CourseLine(StageLine(course.GetCourse(), course.StageIndex()));
    };
    hooks.show = [&course, &status](const QString& word) {
        status.CourseLine(StageLine(course.GetCourse(), course.StageIndex()) +
                          QStringLiteral(" — «%1»").arg(word));
    };
    hooks.sound = PackCommandSound(state);
    hooks.signal = state.SoundAvailable != 0 ? state.StartSound : std::optional<QByteArray>();
    return hooks;
}

CommandStep::CommandStep(std::shared_ptr<const StageClock> clock, std::int32_t atMs, QString word,
                         std::optional<QByteArray> sound, CourseShow show)
    : m_clock(std::move(clock)), m_atMs(atMs), m_word(std::move(word)), m_sound(std::move(sound)),
      m_show(std::move(show)) {}

StepResult CommandStep::Advance(RunSequence& run) {
    if (!CourseGoesOn(run)) {
        return StepResult::Continue;
    }
    if (static_cast<std::int64_t>(run.Now() - m_clock->start) < m_atMs) {
        return StepResult::Running;
    }
    if (Sound* sound = run.GetServices().sound) {
        if (!m_sound || !sound->PlayAsync(*m_sound)) {
            sound->Beep();
        }
    }
    if (m_show && !m_word.isEmpty()) {
        m_show(m_word);
    }
    return StepResult::Continue;
}

RandomDelayStep::RandomDelayStep(std::shared_ptr<const StageClock> clock, std::int32_t fromMs,
                                 std::int32_t minMs, std::int32_t maxMs, DrawMs draw,
                                 std::function<void(std::int32_t)> drawn)
    : m_clock(std::move(clock)), m_fromMs(fromMs), m_minMs(minMs), m_maxMs(maxMs),
      m_draw(std::move(draw)), m_drawn(std::move(drawn)) {}

StepResult RandomDelayStep::Advance(RunSequence& run) {
    if (!CourseGoesOn(run)) {
        return StepResult::Continue;
    }
    if (!m_atMs) {
        const std::int32_t lo = std::max(0, m_minMs);
        const std::int32_t hi = std::max(lo, m_maxMs);
        const std::int32_t delay = m_draw ? std::clamp(m_draw(lo, hi), lo, hi) : lo;
        m_atMs = m_fromMs + delay;
        if (m_drawn) {
            m_drawn(delay);
        }
    }
    return static_cast<std::int64_t>(run.Now() - m_clock->start) < *m_atMs ? StepResult::Running
                                                                           : StepResult::Continue;
}

StageStep::StageStep(CourseRun& course, int index, const StageHooks& hooks, DrawMs draw)
    : m_course(course), m_index(index), m_hooks(hooks), m_draw(std::move(draw)) {}

StepResult StageStep::Advance(RunSequence& run) {
    if (!CourseGoesOn(run) || m_index >= m_course.StageCount()) {
        return StepResult::Continue;
    }
    const CourseStage& stage = m_course.GetCourse().stages[static_cast<size_t>(m_index)];
    m_course.BeginStage(m_index);
    if (m_hooks.start) {
        m_hooks.start(m_index);
    }
    auto begin = std::make_shared<StageClock>(StageClock{run.Now()});
    const auto sound = [this](const QString& word) {
        return m_hooks.sound ? m_hooks.sound(word) : std::nullopt;
    };
    for (const CourseCommand& command : stage.commands) {
        run.Add<CommandStep>(begin, command.atMs, command.word, sound(command.word), m_hooks.show);
    }
    run.Add<RandomDelayStep>(begin, stage.preparationMs, stage.delayMinMs, stage.delayMaxMs,
                             m_draw);
    // The signal: the stage's spoken command, or the start sound of the settings.
    if (stage.signalWord.isEmpty()) {
        run.Add<CommandStep>(begin, 0, QString(), m_hooks.signal, CourseShow{});
    } else {
        run.Add<CommandStep>(begin, 0, stage.signalWord, sound(stage.signalWord), m_hooks.show);
    }
    // The series' first pass comes in the tick of the signal: its clock starts there.
    CourseRun* course = &m_course;
    const StageHooks* hooks = &m_hooks;
    run.Add<CallStep>(
        [course, hooks, &run] {
            if (hooks->go) {
                hooks->go();
            }
            course->StageGo(run.Now());
        },
        StepResult::Continue, RunSequence::Phase::Series);
    run.Add<SeriesStep>(m_hooks.pass, m_hooks.timers, m_hooks.interval);
    auto end = std::make_shared<StageClock>();
    run.Add<CallStep>(
        [course, hooks, end, &run] {
            course->EndStage();
            if (hooks->end) {
                hooks->end();
            }
            // After the series' end has put its lamp bytes on the line.
            end->start = run.Now();
        },
        StepResult::Continue, RunSequence::Phase::Series);
    for (const CourseCommand& command : stage.endCommands) {
        run.Add<CommandStep>(end, command.atMs, command.word, sound(command.word), m_hooks.show);
    }
    return StepResult::Continue;
}

void AddCourse(RunSequence& sequence, CourseRun& course, const StageHooks& hooks,
               const DrawMs& draw, std::function<void()> finished) {
    for (int stage = 0; stage < course.StageCount(); ++stage) {
        sequence.Add<StageStep>(course, stage, hooks, draw);
    }
    sequence.Add<CallStep>(
        [&course, finished = std::move(finished)] {
            course.Finish();
            if (finished) {
                finished();
            }
        },
        StepResult::Done, RunSequence::Phase::Series);
}

} // namespace ryvo
