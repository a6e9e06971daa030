#include "FiveLaneHarness.h"
#include "RunHarness.h"

#include "core/CourseFile.h"
#include "device/DeviceProtocol.h"
#include "exercise/CourseSteps.h"
#include "support/TempDir.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

using namespace ryvo;
using Phase = SingleShooterRun::Phase;
using test::RunHarness;

namespace {

// Two stages: commands, a random delay and a par beep, a late shot in the first; lamps up
// for 4 s in the second; graded by the hits in time.
Course TwoStageCourse() {
    Course course;
    course.name = QStringLiteral("Проверка");
    CourseStage first;
    first.commands = {{QStringLiteral("Заряжай"), 0}, {QStringLiteral("Внимание"), 1000}};
    first.preparationMs = 2000;
    first.delayMinMs = 2000;
    first.delayMaxMs = 5000;
    first.targets[0] = kTargetN4;
    first.shots = 2;
    first.timeLimitMs = 10000;
    first.parTimesMs = {3000};
    first.endCommands = {{QStringLiteral("Стой"), 0}, {QStringLiteral("Разряжай"), 1500}};
    CourseStage second;
    second.commands = {{QStringLiteral("Заряжай"), 0}};
    second.preparationMs = 1000;
    second.shots = 2;
    second.timeLimitMs = 4000;
    second.lamps = LampTiming{4000, 0};
    course.stages = {first, second};
    course.grade = GradeRule{GradeBasis::HitsInTime,
                             0,
                             {{QStringLiteral("отлично"), 4},
                              {QStringLiteral("хорошо"), 3},
                              {QStringLiteral("удовлетворительно"), 2}},
                             {}};
    return course;
}

// The run with a sound pack that speaks "Заряжай" and "Стой" only, and a seeded delay.
struct CourseHarness : RunHarness {
    test::TempDir dir;
    std::vector<std::pair<std::uint32_t, RecordingSound::Record>> heard;

    explicit CourseHarness(Course course) {
        dir.Write(QStringLiteral("Sounds/strings.txt"),
                  QStringLiteral("2004\t2\n2401\tЗаряжай\n2402\tСтой\n").toUtf8());
        dir.Write(QStringLiteral("Sounds/2451.wav"), "zar");
        dir.Write(QStringLiteral("Sounds/2452.wav"), "stoj");
        state.SoundLibrary = ResourceLibrary::LoadFolder(dir.File(QStringLiteral("Sounds")));
        state.ChosenCourse = std::move(course);
        run.courseDraw = SeededDraw(7);
    }
    // Ticks 5 ms apart, noting when each sound call came.
    void Run(std::uint32_t ms) {
        for (std::uint32_t t = 0; t < ms; t += 5) {
            clock.Advance(5);
            run.Tick();
            while (heard.size() < sound.calls.size()) {
                heard.emplace_back(clock.TickCount(), sound.calls[heard.size()]);
            }
        }
    }
    // The time the call with this sound (or the n-th beep) came; 0 when none did.
    [[nodiscard]] std::uint32_t When(const QByteArray& wav, int nth = 0) const {
        for (const auto& [at, call] : heard) {
            if (call.wav == wav && nth-- == 0) {
                return at;
            }
        }
        return 0;
    }
    void Fire(int x, int y) {
        model.Lane(0).aim = std::make_unique<sim::FixedAim>(
            sim::Signal{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)});
        Run(200);
        model.Lane(0).triggers.Pull();
        Run(100);
    }
};

std::uint32_t LampByteAt(const sim::ByteLog& log, std::uint8_t byte, std::uint32_t from) {
    for (const auto& e : log.Entries()) {
        if (e.byte == byte && e.ms >= from) {
            return static_cast<std::uint32_t>(e.ms);
        }
    }
    return 0;
}

} // namespace

TEST(CourseRun, TwoStagesRunWithCommandsDelayLateShotAndGrade) {
    CourseHarness h(TwoStageCourse());
    const Settings before = h.state.settings;
    h.run.FormActivate();
    h.run.StartClick();
    h.Run(5);
    ASSERT_NE(h.run.ActiveCourse(), nullptr);
    const std::uint32_t begin = h.When("zar");
    ASSERT_NE(begin, 0u) << "Заряжай from the pack at the stage's beginning";
    EXPECT_EQ(h.run.status.Text(),
              QStringLiteral("Этап 1 из 2: 2 выстрела за 10 с. Далее: этап 2 из "
                             "2: 2 выстрела за 4 с — «Заряжай»"));
    EXPECT_EQ(h.state.settings.Target[0], kTargetN4) << "the stage's target stands while it runs";
    EXPECT_EQ(h.state.settings.ShootsNumber, 2u);

    // The delay is the seeded draw, within its bounds.
    const std::int32_t delay = SeededDraw(7)(2000, 5000);
    ASSERT_GE(delay, 2000);
    ASSERT_LE(delay, 5000);
    h.Run(static_cast<std::uint32_t>(2000 + delay + 100));
    // "Внимание" is not in the pack: a beep at 1 s; the signal at 2 s + the delay.
    ASSERT_GE(h.heard.size(), 3u);
    EXPECT_EQ(h.heard[1].second.call, RecordingSound::Call::Beep);
    EXPECT_NEAR(static_cast<double>(h.heard[1].first - begin), 1000.0, 5.0);
    const std::uint32_t signal = h.When("start");
    EXPECT_NEAR(static_cast<double>(signal - begin), 2000.0 + delay, 5.0);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::Series);
    EXPECT_NEAR(static_cast<double>(h.state.run.StartTick[0]), signal, 5.0);

    h.Fire(0, 0);
    ASSERT_EQ(h.state.run.ShotCount[0], 1u);
    // Another feature's figure of that shot, kept through the course (a key of no real
    // feature, since the hold figures are written for every shot).
    SetShotMember(h.state.run.LaneBeside[0], 0, QStringLiteral("other"), 1.5);
    const std::int32_t firstScore = h.state.run.ShotScore[0][0];
    EXPECT_GT(firstScore, 0);
    // The par beep at 3 s from the signal.
    const std::uint32_t par = h.When("", 1);
    EXPECT_EQ(par, 0u) << "no par beep before its time";
    h.Run(3000);
    EXPECT_NEAR(static_cast<double>(h.When("", 1) - signal), 3000.0, 5.0);
    // Past the 10 s: the second shot is late, scores 0, and ends the stage.
    while (h.clock.TickCount() - signal < 10500) {
        h.Run(100);
    }
    EXPECT_EQ(h.run.CurrentPhase(), Phase::Series) << "open for late shots after the time";
    h.Fire(0, 0);
    ASSERT_EQ(h.state.run.ShotCount[0], 2u);
    ASSERT_EQ(h.state.run.ShotLate[0].size(), 2u);
    EXPECT_EQ(h.state.run.ShotLate[0][1], 1);
    EXPECT_EQ(h.state.run.ShotScore[0][1], 0);
    EXPECT_EQ(h.state.run.ScoreSum[0], firstScore);
    // The last shot's sound is heard out, then the stage ends.
    EXPECT_EQ(h.run.CurrentPhase(), Phase::LastShotSound);
    h.sound.FinishPlayback();
    h.Run(20);
    const std::uint32_t stop = h.When("stoj");
    ASSERT_NE(stop, 0u);
    h.Run(2000);
    // "Разряжай" (a beep) 1.5 s after "Стой", and the next stage at once after it: its start
    // puts the lamps-off bytes on the line in that tick, before its "Заряжай".
    ASSERT_NE(h.When("zar", 1), 0u);
    EXPECT_EQ(h.heard[h.heard.size() - 2].second.call, RecordingSound::Call::Beep);
    const std::uint32_t next = LampByteAt(h.model.Log(), kSteadyLampOff, stop + 1);
    EXPECT_NEAR(static_cast<double>(next - stop), 1500.0, 5.0);

    // Stage 2: its target as set, lamps up for 4 s from the signal.
    h.Run(1200);
    EXPECT_EQ(h.state.settings.Target[0], before.Target[0]);
    const std::uint32_t signal2 = h.When("start", 1);
    ASSERT_NE(signal2, 0u);
    EXPECT_TRUE(
        h.run.status.Text().startsWith(QStringLiteral("Этап 2 из 2: 2 выстрела за 4 с. Далее: "
                                                      "итог упражнения")));
    const std::uint32_t on = LampByteAt(h.model.Log(), kSteadyLampOn, signal2);
    ASSERT_NE(on, 0u);
    EXPECT_LE(on - signal2, 10u) << "the lamps go up with the signal";
    h.Fire(0, 0);
    // The lamps go down at 4 s from the signal; a shot after that is dark and late.
    while (h.clock.TickCount() - signal2 < 4100) {
        h.Run(100);
    }
    const std::uint32_t off = LampByteAt(h.model.Log(), kSteadyLampOff, signal2);
    ASSERT_NE(off, 0u);
    EXPECT_NEAR(static_cast<double>(off - signal2), 4000.0, 10.0);
    h.Fire(0, 0);
    ASSERT_EQ(h.run.CurrentPhase(), Phase::LastShotSound);
    h.sound.FinishPlayback();
    EXPECT_EQ(h.state.run.ShotScore[0][1], kScoreDark);
    h.Run(100);
    ASSERT_TRUE(h.run.ActiveCourse()->Finished());
    const CourseLaneResult& result = h.run.ActiveCourse()->Result(0);
    ASSERT_EQ(result.stages.size(), 2u);
    EXPECT_EQ(result.stages[0].late, 1);
    EXPECT_EQ(result.stages[1].late, 1);
    EXPECT_EQ(result.grade, QStringLiteral("удовлетворительно")) << "2 hits in time";
    ASSERT_TRUE(result.reactionMs.has_value());
    // The mean of the stages' first shots.
    EXPECT_NEAR(*result.reactionMs, (h.state.run.ShotMs[0][0] + h.state.run.ShotMs[0][2]) / 2.0,
                0.5);
    EXPECT_EQ(result.stages[1].shots[1].splitMs,
              result.stages[1].shots[1].ms - result.stages[1].shots[0].ms);
    EXPECT_TRUE(h.run.status.Text().contains(QStringLiteral("«удовлетворительно»")))
        << h.run.status.Text().toStdString();
    // The whole course stands as one series for the save; the main window's settings are back.
    EXPECT_EQ(h.state.run.ShotCount[0], 4u);
    EXPECT_EQ(h.state.run.ScoreSum[0], result.total);
    EXPECT_EQ(h.state.settings.ShootsNumber, before.ShootsNumber);
    EXPECT_EQ(h.state.settings.SmartTarget, before.SmartTarget);
    EXPECT_EQ(h.state.ScriptLines, std::vector<QString>{QStringLiteral("10")});

    // What the save keeps beside the record.
    const QJsonObject& beside = h.state.run.LaneBeside[0];
    EXPECT_EQ(beside.value(QStringLiteral("course")).toString(), QStringLiteral("Проверка"));
    EXPECT_EQ(beside.value(QStringLiteral("grade")).toString(),
              QStringLiteral("удовлетворительно"));
    EXPECT_DOUBLE_EQ(beside.value(QStringLiteral("reaction")).toDouble(),
                     *result.reactionMs / 1000.0);
    const QJsonArray stages = beside.value(QStringLiteral("stages")).toArray();
    ASSERT_EQ(stages.size(), 2);
    EXPECT_EQ(stages[0].toObject().value(QStringLiteral("late")).toInt(), 1);
    EXPECT_EQ(stages[1].toObject().value(QStringLiteral("sum")).toInt(), result.stages[1].sum);
    // Each stage's target: its own, then the main window's ("as set").
    EXPECT_EQ(stages[0].toObject().value(QStringLiteral("target")).toInt(), kTargetN4);
    EXPECT_EQ(stages[1].toObject().value(QStringLiteral("target")).toInt(), before.Target[0]);
    const QJsonArray shots = beside.value(QStringLiteral("shots")).toArray();
    ASSERT_EQ(shots.size(), 4);
    const QJsonObject first = shots[0].toObject();
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("other")).toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("t")).toDouble(),
                     h.state.run.ShotMs[0][0] / 1000.0);
    EXPECT_FALSE(first.value(QStringLiteral("late")).toBool());
    EXPECT_TRUE(shots[1].toObject().value(QStringLiteral("late")).toBool());
    EXPECT_FALSE(shots[2].toObject().contains(QStringLiteral("other")));
    EXPECT_DOUBLE_EQ(shots[3].toObject().value(QStringLiteral("split")).toDouble(),
                     result.stages[1].shots[1].splitMs / 1000.0);
}

TEST(CourseRun, EscapeBeforeTheSignalEndsTheCourseAndRestoresTheSettings) {
    CourseHarness h(TwoStageCourse());
    const Settings before = h.state.settings;
    h.run.FormActivate();
    h.run.StartClick();
    h.Run(500);
    h.keyboard.Set(Key::Escape, true);
    h.Run(50);
    h.keyboard.Set(Key::Escape, false);
    h.Run(200);
    EXPECT_EQ(h.When("start"), 0u) << "no signal after Escape";
    EXPECT_TRUE(h.run.ActiveCourse()->Finished());
    EXPECT_EQ(h.state.settings.Target[0], before.Target[0]);
    EXPECT_EQ(h.state.settings.ShootsNumber, before.ShootsNumber);
    h.TickWhile(Phase::EndKeyRelease);
    EXPECT_EQ(h.run.CurrentPhase(), Phase::Idle);
}

TEST(CourseRun, RandomDelayIsWithinItsBoundsAndReproducibleWithASeed) {
    DrawMs a = SeededDraw(42);
    DrawMs b = SeededDraw(42);
    DrawMs c = SeededDraw(43);
    bool differs = false;
    std::int32_t lowest = 5000;
    std::int32_t highest = 0;
    for (int i = 0; i < 2000; ++i) {
        const std::int32_t x = a(2000, 5000);
        EXPECT_EQ(x, b(2000, 5000));
        differs = differs || x != c(2000, 5000);
        lowest = std::min(lowest, x);
        highest = std::max(highest, x);
    }
    EXPECT_TRUE(differs);
    EXPECT_GE(lowest, 2000);
    EXPECT_LE(highest, 5000);
    EXPECT_LT(lowest, 2100) << "the whole range is drawn";
    EXPECT_GT(highest, 4900);

    // The step waits the drawn delay from its stage's beginning.
    ManualClock clock(1000);
    Services services{&clock};
    RunSequence run(services);
    run.Begin(true);
    auto stage = std::make_shared<StageClock>(StageClock{1000});
    std::int32_t drawn = -1;
    run.Add<RandomDelayStep>(stage, 500, 100, 100, SeededDraw(1),
                             [&](std::int32_t d) { drawn = d; });
    run.Tick();
    EXPECT_EQ(drawn, 100);
    clock.Advance(599);
    run.Tick();
    EXPECT_FALSE(run.Idle());
    clock.Advance(1);
    run.Tick();
    EXPECT_TRUE(run.Idle());
}

TEST(CourseRun, StageLinesAndResultText) {
    const Course course = TwoStageCourse();
    EXPECT_EQ(StageText(course, 1), QStringLiteral("Этап 2 из 2: 2 выстрела за 4 с"));
    EXPECT_EQ(StageText(course, 2), QString());
    CourseLaneResult r;
    r.stages.resize(2);
    r.stages[0].sum = 45;
    r.stages[1].sum = 27;
    r.total = 72;
    r.grade = QStringLiteral("хорошо");
    r.reactionMs = 850;
    EXPECT_EQ(CourseResultText(r), QStringLiteral("сумма 45 + 27 = 72, «хорошо», реакция 0.85 с"));
}

TEST(CourseRun, FiveLaneWindowRunsACourseForEveryPresentLane) {
    test::FiveLaneHarness h(2);
    Course course;
    course.name = QStringLiteral("Пара");
    CourseStage stage;
    stage.shots = 2;
    stage.timeLimitMs = 5000;
    stage.targets[1] = kTargetN4;
    course.stages = {stage};
    course.grade =
        GradeRule{GradeBasis::Sum, 0, {{QStringLiteral("зачёт"), 15}}, QStringLiteral("незачёт")};
    h.state.ChosenCourse = course;
    h.run.courseDraw = SeededDraw(3);
    h.run.FormActivate();
    h.run.StartClick();
    h.TickFor(20);
    ASSERT_EQ(h.RunPhase(), RunSequence::Phase::Series);
    EXPECT_EQ(h.state.settings.Target[1], kTargetN4);
    EXPECT_EQ(h.run.status.Text(),
              QStringLiteral("Этап 1 из 1: 2 выстрела за 5 с. Далее: итог упражнения"));
    h.Aim(0, 0, 0);
    h.Aim(1, 0, 0);
    h.TickFor(200);
    h.Fire(0);
    h.Fire(1);
    h.Fire(0);
    // Lane 2 is late (not the selected lane: its shot goes the other lanes' way).
    h.TickFor(5000);
    ASSERT_EQ(h.RunPhase(), RunSequence::Phase::Series);
    h.Fire(1);
    h.TickFor(100);
    ASSERT_NE(h.run.ActiveCourse(), nullptr);
    ASSERT_TRUE(h.run.ActiveCourse()->Finished());
    const CourseLaneResult& first = h.run.ActiveCourse()->Result(0);
    const CourseLaneResult& second = h.run.ActiveCourse()->Result(1);
    ASSERT_EQ(first.stages.size(), 1u);
    ASSERT_EQ(second.stages.size(), 1u);
    EXPECT_EQ(first.stages[0].late, 0);
    EXPECT_EQ(second.stages[0].late, 1);
    EXPECT_TRUE(second.stages[0].shots[1].late);
    EXPECT_EQ(second.stages[0].shots[1].score, 0);
    EXPECT_EQ(first.total, 20);
    EXPECT_EQ(first.grade, QStringLiteral("зачёт"));
    EXPECT_EQ(second.total, second.stages[0].shots[0].score);
    EXPECT_EQ(second.grade, QStringLiteral("незачёт"));
    EXPECT_TRUE(h.run.status.Text().contains(QStringLiteral("стрелок 1 — сумма 20, «зачёт»")))
        << h.run.status.Text().toStdString();
    EXPECT_TRUE(h.run.status.Text().contains(QStringLiteral("стрелок 2 — ")));
    EXPECT_EQ(h.state.settings.Target[1], 2) << "the main window's target back";
}

TEST(CourseRun, EveryShippedCourseRunsToItsEnd) {
    const FoundCourses found = FindCourses(QString(), qEnvironmentVariable("RYVO_DATA_DIR"));
    ASSERT_GE(found.courses.size(), 6u);
    for (const Course& course : found.courses) {
        SCOPED_TRACE(course.name.toStdString());
        RunHarness h;
        const Settings before = h.state.settings;
        h.state.ChosenCourse = course;
        h.run.courseDraw = SeededDraw(11);
        h.model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{0, 0});
        h.run.FormActivate();
        h.run.StartClick();
        // A shot every 0.6 s while a stage's series runs: every stage in its time.
        std::uint32_t lastPull = 0;
        for (int tick = 0; tick < 200000 && !h.run.Idle(); ++tick) {
            h.clock.Advance(20);
            h.run.Tick();
            if (h.run.CurrentPhase() == Phase::LastShotSound) {
                h.sound.FinishPlayback();
            }
            if (h.run.CurrentPhase() == Phase::Series && h.clock.TickCount() - lastPull >= 600 &&
                h.clock.TickCount() - h.state.run.StartTick[0] >= 300) {
                h.model.Lane(0).triggers.Pull();
                lastPull = h.clock.TickCount();
            }
        }
        ASSERT_TRUE(h.run.Idle());
        ASSERT_NE(h.run.ActiveCourse(), nullptr);
        ASSERT_TRUE(h.run.ActiveCourse()->Finished());
        const CourseLaneResult& result = h.run.ActiveCourse()->Result(0);
        ASSERT_EQ(result.stages.size(), course.stages.size());
        std::uint32_t shots = 0;
        for (size_t s = 0; s < course.stages.size(); ++s) {
            EXPECT_EQ(result.stages[s].shots.size(), static_cast<size_t>(course.stages[s].shots));
            EXPECT_EQ(result.stages[s].late, 0);
            shots += static_cast<std::uint32_t>(course.stages[s].shots);
        }
        EXPECT_EQ(h.state.run.ShotCount[0], shots);
        EXPECT_EQ(result.grade.isEmpty(), !course.grade.has_value());
        EXPECT_EQ(h.state.settings.ShootsNumber, before.ShootsNumber);
        EXPECT_EQ(h.state.settings.Target[0], before.Target[0]);
        EXPECT_EQ(h.state.settings.SmartTarget, before.SmartTarget);
    }
}
