#include "exercise/CourseRun.h"

#include "core/CourseGrade.h"
#include "core/ProgramState.h"
#include "platform/Sound.h"
#include "targets/LightScript.h"

#include <QJsonArray>

#include <algorithm>
#include <random>

namespace ryvo {

namespace {

// The script's own pacing: each lamp command waits this long before the next line.
constexpr std::int32_t kLampStepMs = 20;

QString Seconds(std::uint32_t ms) {
    return QString::number(static_cast<double>(ms) / 1000.0, 'f', 2);
}

QString ShotsWord(std::int32_t n) {
    const std::int32_t tens = n % 100;
    const std::int32_t ones = n % 10;
    if (tens >= 11 && tens <= 14) {
        return QStringLiteral("выстрелов");
    }
    if (ones == 1) {
        return QStringLiteral("выстрел");
    }
    if (ones >= 2 && ones <= 4) {
        return QStringLiteral("выстрела");
    }
    return QStringLiteral("выстрелов");
}

} // namespace

DrawMs SeededDraw(std::uint32_t seed) {
    auto engine = std::make_shared<std::mt19937>(seed);
    return [engine](std::int32_t lo, std::int32_t hi) {
        if (hi <= lo) {
            return lo;
        }
        return std::uniform_int_distribution<std::int32_t>(lo, hi)(*engine);
    };
}

DrawMs RandomDraw() {
    return SeededDraw(std::random_device{}());
}

QString StageText(const Course& course, int index) {
    const auto count = static_cast<int>(course.stages.size());
    if (index < 0 || index >= count) {
        return {};
    }
    const CourseStage& stage = course.stages[static_cast<size_t>(index)];
    QString text = QStringLiteral("Этап %1 из %2: %3 %4")
                       .arg(index + 1)
                       .arg(count)
                       .arg(stage.shots)
                       .arg(ShotsWord(stage.shots));
    if (stage.timeLimitMs > 0) {
        text += QStringLiteral(" за %1 с").arg(static_cast<double>(stage.timeLimitMs) / 1000.0);
    }
    return text;
}

QString StageLine(const Course& course, int index) {
    const QString next = index + 1 < static_cast<int>(course.stages.size())
                             ? StageText(course, index + 1).replace(0, 1, QStringLiteral("э"))
                             : QStringLiteral("итог упражнения");
    return StageText(course, index) + QStringLiteral(". Далее: ") + next;
}

QString CourseResultText(const CourseLaneResult& result) {
    QStringList sums;
    for (const CourseStageResult& stage : result.stages) {
        sums << QString::number(stage.sum);
    }
    QString text = sums.size() > 1 ? QStringLiteral("сумма %1 = %2")
                                         .arg(sums.join(QStringLiteral(" + ")))
                                         .arg(result.total)
                                   : QStringLiteral("сумма %1").arg(result.total);
    if (!result.grade.isEmpty()) {
        text += QStringLiteral(", «%1»").arg(result.grade);
    }
    if (result.reactionMs) {
        text += QStringLiteral(", реакция %1 с").arg(Seconds(*result.reactionMs));
    }
    return text;
}

CourseRun::CourseRun(Course course, ProgramState& state, Sound* sound, LaneSet lanes)
    : m_course(std::move(course)), m_state(state), m_sound(sound), m_lanes(lanes) {}

CourseRun::~CourseRun() {
    Restore();
}

void CourseRun::Restore() {
    if (m_saved) {
        m_state.settings = *m_saved;
        m_state.ScriptLines = m_savedScript;
        m_saved.reset();
    }
}

std::vector<QString> CourseRun::LampLines(const CourseStage& stage) const {
    if (!stage.lampScript.isEmpty()) {
        LoadedScript script = LoadScriptFile(m_state.PathFor(stage.lampScript));
        return script.lines;
    }
    std::vector<QString> lines;
    if (!stage.lamps) {
        lines.emplace_back(QStringLiteral("10"));
        return lines;
    }
    int lanes = 0;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        lanes += (m_lanes & LaneBit(lane)) != 0 ? 1 : 0;
    }
    // The commands' own steps are taken off the pauses, so the lamps turn at their times.
    const auto pause = [&](std::int32_t ms) {
        const std::int32_t left = std::max(0, ms - lanes * kLampStepMs);
        return QStringLiteral("3 %1").arg(static_cast<double>(left) / 1000.0, 0, 'f', 2);
    };
    const LampTiming t = *stage.lamps;
    const std::int32_t cycle = std::max(1, t.upMs + t.downMs);
    const std::int32_t span = stage.timeLimitMs + static_cast<std::int32_t>(kLateShotWindowMs);
    const std::int32_t cycles = t.downMs > 0 ? std::max(1, (span + cycle - 1) / cycle) : 1;
    for (std::int32_t c = 0; c < cycles; ++c) {
        // One cycle takes 2 * lanes + 2 lines; a script holds at most kMaxScriptLines.
        if (static_cast<int>(lines.size()) + 2 * lanes + 3 > kMaxScriptLines) {
            break;
        }
        for (int lane = 0; lane < kLaneCount; ++lane) {
            if ((m_lanes & LaneBit(lane)) != 0) {
                lines.push_back(QStringLiteral("1 %1").arg(lane));
            }
        }
        lines.push_back(pause(t.upMs));
        for (int lane = 0; lane < kLaneCount; ++lane) {
            if ((m_lanes & LaneBit(lane)) != 0) {
                lines.push_back(QStringLiteral("2 %1").arg(lane));
            }
        }
        if (t.downMs > 0 && c + 1 < cycles) {
            lines.push_back(pause(t.downMs));
        }
    }
    lines.emplace_back(QStringLiteral("10"));
    return lines;
}

void CourseRun::BeginStage(int index) {
    if (index < 0 || index >= StageCount()) {
        return;
    }
    if (!m_saved) {
        m_saved = m_state.settings;
        m_savedScript = m_state.ScriptLines;
    }
    m_stage = index;
    const CourseStage& stage = m_course.stages[static_cast<size_t>(index)];
    Settings& s = m_state.settings;
    s = *m_saved;
    s.ShootsNumber = static_cast<std::uint32_t>(std::max(0, stage.shots));
    // The course watches the stage time itself, so shots after it are still seen.
    s.Time = 0;
    s.RepeatEnabled = 0;
    s.TargetsChange = 0;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        if (const auto& target = stage.targets[static_cast<size_t>(lane)]) {
            s.Target[static_cast<size_t>(lane)] = *target;
        }
    }
    const bool lamps = stage.lamps.has_value() || !stage.lampScript.isEmpty();
    s.SmartTarget = lamps ? 1U : 0U;
    m_state.ScriptLines = lamps ? LampLines(stage) : m_savedScript;
    m_nextPar = 0;
}

void CourseRun::StageGo(std::uint32_t now) {
    m_signal = now;
    m_nextPar = 0;
}

void CourseRun::Pass(std::uint32_t now) {
    if (m_stage < 0) {
        return;
    }
    const CourseStage& stage = m_course.stages[static_cast<size_t>(m_stage)];
    const std::uint32_t since = now - m_signal;
    if (m_nextPar < stage.parTimesMs.size() &&
        since >= static_cast<std::uint32_t>(std::max(0, stage.parTimesMs[m_nextPar]))) {
        ++m_nextPar;
        if (m_sound != nullptr) {
            m_sound->Beep();
        }
    }
    if (stage.timeLimitMs <= 0) {
        return;
    }
    const auto limit = static_cast<std::uint32_t>(stage.timeLimitMs);
    RunState& run = m_state.run;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const auto i = static_cast<size_t>(lane);
        if ((m_lanes & LaneBit(lane)) != 0 && run.LaneActive[i] != 0 &&
            now - run.StartTick[i] >= limit + kLateShotWindowMs) {
            run.LaneActive[i] = 0;
            run.ShootTime[i] = static_cast<float>(limit) / 1000.0F;
        }
    }
}

void CourseRun::Shot(int lane) {
    if (m_stage < 0 || lane < 0 || lane >= kLaneCount) {
        return;
    }
    const CourseStage& stage = m_course.stages[static_cast<size_t>(m_stage)];
    const auto i = static_cast<size_t>(lane);
    RunState& run = m_state.run;
    const size_t n = run.ShotMs[i].size();
    if (n == 0) {
        return;
    }
    run.ShotLate[i].resize(n, 0);
    const bool late = stage.timeLimitMs > 0 &&
                      run.ShotMs[i][n - 1] > static_cast<std::uint32_t>(stage.timeLimitMs);
    run.ShotLate[i][n - 1] = late ? 1 : 0;
    if (late && !stage.lateShotsScore && n <= run.ShotScore[i].size()) {
        std::int32_t& score = run.ShotScore[i][n - 1];
        if (score > 0) {
            run.ScoreSum[i] -= score;
            score = 0;
        }
    }
}

void CourseRun::EndStage() {
    if (m_stage < 0) {
        return;
    }
    const RunState& run = m_state.run;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        if ((m_lanes & LaneBit(lane)) == 0) {
            continue;
        }
        const auto i = static_cast<size_t>(lane);
        CourseLaneResult& result = m_results[i];
        result.stages.resize(static_cast<size_t>(m_stage) + 1);
        CourseStageResult& stage = result.stages[static_cast<size_t>(m_stage)];
        stage = {};
        const size_t count = std::min({static_cast<size_t>(run.ShotCount[i]), run.ShotPos[i].size(),
                                       run.ShotMs[i].size(), run.ShotScore[i].size()});
        std::uint32_t before = 0;
        for (size_t s = 0; s < count; ++s) {
            CourseShotTime shot;
            shot.point = run.ShotPos[i][s];
            shot.ms = run.ShotMs[i][s];
            shot.splitMs = shot.ms - std::min(before, shot.ms);
            before = shot.ms;
            shot.score = run.ShotScore[i][s];
            shot.late = s < run.ShotLate[i].size() && run.ShotLate[i][s] != 0;
            stage.sum += std::max(0, shot.score);
            stage.late += shot.late ? 1 : 0;
            stage.shots.push_back(shot);
        }
        stage.besideShots = run.LaneBeside[i].value(QLatin1String("shots")).toArray();
    }
}

void CourseRun::Finish() {
    Restore();
    RunState& run = m_state.run;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        if ((m_lanes & LaneBit(lane)) == 0) {
            continue;
        }
        const auto i = static_cast<size_t>(lane);
        CourseLaneResult& result = m_results[i];
        // One stage's trace is the record's trace; the shots of several are not one trace.
        const QByteArray trace = result.stages.size() == 1 ? run.LaneTrace[i] : QByteArray();
        run.ClearShots(i);
        run.LaneTrace[i] = trace;
        QJsonArray besideShots;
        for (const CourseStageResult& stage : result.stages) {
            for (size_t s = 0; s < stage.shots.size(); ++s) {
                const CourseShotTime& shot = stage.shots[s];
                run.ShotPos[i].push_back(shot.point);
                run.ShotMs[i].push_back(shot.ms);
                run.ShotScore[i].push_back(shot.score);
                run.ShotLate[i].push_back(shot.late ? 1 : 0);
                besideShots.append(static_cast<qsizetype>(s) < stage.besideShots.size()
                                       ? stage.besideShots.at(static_cast<qsizetype>(s))
                                       : QJsonValue(QJsonObject()));
            }
        }
        run.ShotCount[i] = static_cast<std::uint32_t>(run.ShotPos[i].size());
        std::vector<std::vector<CourseShot>> graded;
        for (const CourseStageResult& stage : result.stages) {
            std::vector<CourseShot>& shots = graded.emplace_back();
            for (const CourseShotTime& shot : stage.shots) {
                // Misses and dark shots score nothing; a late shot's score was taken already.
                shots.push_back(
                    {std::max(0, shot.score), static_cast<std::int32_t>(shot.ms), shot.late});
            }
        }
        const CourseResult course = GradeCourse(m_course, graded);
        result.total = course.total;
        run.ScoreSum[i] = course.total;
        result.reactionMs = course.reactionMs
                                ? std::optional<std::uint32_t>(
                                      static_cast<std::uint32_t>(std::max(0, *course.reactionMs)))
                                : std::nullopt;
        result.grade = course.grade;
        QJsonObject& beside = run.LaneBeside[i];
        if (!besideShots.isEmpty()) {
            beside.insert(QLatin1String("shots"), besideShots);
        }
        AddBeside(lane, beside);
    }
    m_finished = true;
}

const CourseLaneResult& CourseRun::Result(int lane) const {
    return m_results[static_cast<size_t>(std::clamp(lane, 0, kLaneCount - 1))];
}

void CourseRun::AddBeside(int lane, QJsonObject& beside) const {
    const CourseLaneResult& result = Result(lane);
    beside.insert(QLatin1String("course"), m_course.name);
    QJsonArray stages;
    int shot = 0;
    for (const CourseStageResult& stage : result.stages) {
        const auto index = static_cast<size_t>(stages.size());
        const std::int32_t planned =
            index < m_course.stages.size() ? m_course.stages[index].shots : 0;
        // The stage's own target, or the main window's ("as set"), back in place by now.
        std::int32_t target = m_state.settings.Target[static_cast<size_t>(lane)];
        if (index < m_course.stages.size()) {
            if (const auto& own = m_course.stages[index].targets[static_cast<size_t>(lane)]) {
                target = *own;
            }
        }
        stages.append(QJsonObject{{QLatin1String("planned"), planned},
                                  {QLatin1String("shots"), static_cast<int>(stage.shots.size())},
                                  {QLatin1String("sum"), stage.sum},
                                  {QLatin1String("late"), stage.late},
                                  {QLatin1String("target"), target}});
        for (const CourseShotTime& s : stage.shots) {
            SetShotMember(beside, shot, QStringLiteral("t"), static_cast<double>(s.ms) / 1000.0);
            SetShotMember(beside, shot, QStringLiteral("split"),
                          static_cast<double>(s.splitMs) / 1000.0);
            SetShotMember(beside, shot, QStringLiteral("late"), s.late);
            ++shot;
        }
    }
    beside.insert(QLatin1String("stages"), stages);
    if (!result.grade.isEmpty()) {
        beside.insert(QLatin1String("grade"), result.grade);
    }
    if (result.reactionMs) {
        beside.insert(QLatin1String("reaction"), static_cast<double>(*result.reactionMs) / 1000.0);
    }
}

} // namespace ryvo
