#include "archive/ArchiveStore.h"
#include "archive/LaneSaves.h"
#include "archive/ResultView.h"
#include "core/Course.h"
#include "exercise/TShoot1.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"
#include "support/ExerciseSettings.h"
#include "support/SimProcess.h"
#include "support/TempDir.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <vector>

using namespace ryvo;

namespace {

// Every sound with the run's clock time it was asked for; a sound played to its end ends at
// once.
class TimedSound final : public Sound {
public:
    struct Call {
        std::uint32_t at = 0;
        QByteArray wav; // empty: a beep
    };
    explicit TimedSound(Clock& clock) : m_clock(clock) {}
    bool PlayAsync(const QByteArray& wav) override {
        calls.push_back({m_clock.TickCount(), wav});
        return true;
    }
    bool PlayToCompletion(const QByteArray& wav, Finished finished) override {
        calls.push_back({m_clock.TickCount(), wav});
        finished(true);
        return true;
    }
    void Beep() override { calls.push_back({m_clock.TickCount(), {}}); }
    std::vector<Call> calls;

private:
    Clock& m_clock;
};

// A short service drill: "Заряжай", 1 s to get ready and a random 0.5–1.5 s, the signal, 3
// shots in 3 s with the lamps up for the 3 s, "Стой" and 1 s later "Разряжай"; graded by the
// hits in time.
Course ServiceDrill() {
    Course course;
    course.name = QStringLiteral("Служебное упражнение");
    CourseStage stage;
    stage.commands = {{QStringLiteral("Заряжай"), 0}};
    stage.preparationMs = 1000;
    stage.delayMinMs = 500;
    stage.delayMaxMs = 1500;
    stage.targets[0] = 1;
    stage.shots = 3;
    stage.timeLimitMs = 3000;
    stage.lamps = LampTiming{3000, 0};
    stage.endCommands = {{QStringLiteral("Стой"), 0}, {QStringLiteral("Разряжай"), 1000}};
    course.stages = {stage};
    course.grade = GradeRule{GradeBasis::HitsInTime,
                             0,
                             {{QStringLiteral("отлично"), 3},
                              {QStringLiteral("хорошо"), 2},
                              {QStringLiteral("удовлетворительно"), 1}},
                             {}};
    return course;
}

std::uint32_t Median(std::vector<std::uint32_t> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

TEST(CourseE2E, ServiceDrillThroughThePortIsTimedMarkedAndGraded) {
    constexpr std::uint32_t kSeed = 5;
    const std::int32_t delay = SeededDraw(kSeed)(500, 1500);
    // The simulator's clock starts a little before the run's: the signal comes about 1 s +
    // the delay after it. Two pulls in time, one after the 3 s.
    const int signal = 1000 + delay;
    test::SimProcess sim(QStringLiteral("level 0 4000\naim 0 fixed 0 0\ntrigger 0 %1 %2 %3\n")
                             .arg(signal + 1000)
                             .arg(signal + 2000)
                             .arg(signal + 4300)
                             .toUtf8());
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();

    ProgramState state;
    test::UseSingleShooterSettings(state, 10, 2);
    state.settings.SerialPort = sim.Link();
    state.SoundAvailable = 1;
    state.StartSound = QByteArray("start");
    state.ShotSound = QByteArray("shot");
    state.ScriptLines = {QStringLiteral("10")};
    state.ChosenCourse = ServiceDrill();
    SteadyClock clock;
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    QtSerialPortFactory ports;
    TimedSound sound(clock);
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    TShoot1 page(state, services);
    page.Run().courseDraw = SeededDraw(kSeed);

    page.FormActivate();
    page.StartClick();
    QElapsedTimer timer;
    timer.start();
    while (!page.Run().Idle() && timer.elapsed() < 30000) {
        page.Run().Tick();
    }
    ASSERT_TRUE(page.Run().Idle()) << "the course did not end";
    EXPECT_TRUE(dialogs.messages.empty());
    const CourseRun* course = page.Run().ActiveCourse();
    ASSERT_NE(course, nullptr);
    ASSERT_TRUE(course->Finished());
    const CourseLaneResult& result = course->Result(0);
    ASSERT_EQ(result.stages.size(), 1u);
    const auto& shots = result.stages[0].shots;
    ASSERT_EQ(shots.size(), 3u);
    EXPECT_FALSE(shots[0].late);
    EXPECT_FALSE(shots[1].late);
    EXPECT_TRUE(shots[2].late);
    EXPECT_EQ(shots[0].score, 10);
    EXPECT_LE(shots[2].score, 0) << "late (and dark, the lamps down): scores nothing";
    EXPECT_NEAR(static_cast<double>(shots[1].splitMs), 1000.0, 300.0);
    EXPECT_EQ(result.total, 20);
    EXPECT_EQ(result.grade, QStringLiteral("хорошо"));
    EXPECT_EQ(state.run.ShotCount[0], 3u);
    EXPECT_EQ(state.run.ScoreSum[0], 20);
    EXPECT_EQ(state.settings.ShootsNumber, 10u) << "the main window's settings back";

    // Saved as the save dialog saves, and read back with what goes beside the record.
    test::TempDir dir;
    state.StartDir = dir.Path();
    const AppendOutcome saved =
        AppendLaneResult(state, 0, QStringLiteral("Взвод"), SaveTime{2026, 12, 8, 21, 0},
                         QStringLiteral("Петров"), QString());
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_TRUE(saved.besideError.isEmpty()) << saved.besideError.toStdString();
    ArchiveTables tables;
    ASSERT_TRUE(ReadGroupFile(tables, saved.path, ShotScorer{}));
    ASSERT_EQ(tables.ArchiveRecords.size(), 1u);
    const ResultRecord& record = tables.ArchiveRecords[0];
    EXPECT_EQ(record.Shots.size(), 3u);
    EXPECT_EQ(record.PlannedShots, 3) << "the course's planned shots";
    EXPECT_EQ(record.Beside.value(QStringLiteral("course")).toString(), course->GetCourse().name);
    EXPECT_EQ(record.Beside.value(QStringLiteral("grade")).toString(), QStringLiteral("хорошо"));
    const QJsonArray savedShots = record.Beside.value(QStringLiteral("shots")).toArray();
    ASSERT_EQ(savedShots.size(), 3);
    EXPECT_TRUE(savedShots[2].toObject().value(QStringLiteral("late")).toBool());
    EXPECT_NEAR(savedShots[1].toObject().value(QStringLiteral("split")).toDouble(), 1.0, 0.3);
    // The archived result view of that record.
    state.archive.DayRecords = tables.ArchiveRecords;
    state.archive.CurrentRecord = 0;
    ResultView view(state);
    ASSERT_TRUE(view.Activate());
    EXPECT_EQ(view.Texts().Course, course->GetCourse().name);
    EXPECT_EQ(view.Texts().Grade, QStringLiteral("хорошо"));
    EXPECT_TRUE(view.Texts().CourseLines.contains(QStringLiteral("3) ")))
        << view.Texts().CourseLines.toStdString();
    EXPECT_TRUE(view.Texts().CourseLines.endsWith(QStringLiteral("поздно")));

    // The commands on the run's clock: "Заряжай" (a beep), the signal 1 s + the delay later,
    // "Стой" (a beep) and "Разряжай" 1 s after it.
    std::vector<TimedSound::Call> beeps;
    std::uint32_t signalAt = 0;
    for (const auto& call : sound.calls) {
        if (call.wav.isEmpty()) {
            beeps.push_back(call);
        } else if (call.wav == "start" && signalAt == 0) {
            signalAt = call.at;
        }
    }
    ASSERT_EQ(beeps.size(), 3u);
    ASSERT_NE(signalAt, 0u);
    const auto off = [](std::uint32_t actual, std::uint32_t planned) {
        return static_cast<std::uint32_t>(
            std::abs(static_cast<std::int64_t>(actual) - static_cast<std::int64_t>(planned)));
    };
    std::vector<std::uint32_t> commandDev = {
        off(signalAt - beeps[0].at, static_cast<std::uint32_t>(1000 + delay)),
        off(beeps[2].at - beeps[1].at, 1000)};

    // The lamps on the device's byte log: up with the signal, down 3 s later.
    const auto timed = sim.StopAndReadTimedLog();
    double on = -1.0;
    double down = -1.0;
    for (const auto& b : timed) {
        if (on < 0.0 && b.byte == 0x10) {
            on = b.ms;
        } else if (on >= 0.0 && down < 0.0 && b.byte == 0x20) {
            down = b.ms;
        }
    }
    ASSERT_GE(on, 0.0);
    ASSERT_GT(down, on);
    // The first of the five off bytes follows a 2 ms pause.
    const auto lampDev = off(static_cast<std::uint32_t>(down - on + 0.5), 3002);
    commandDev.push_back(lampDev);
    std::cout << "course step deviation, ms: signal " << commandDev[0] << ", end command "
              << commandDev[1] << ", lamps " << lampDev << "; median " << Median(commandDev)
              << ", max " << *std::max_element(commandDev.begin(), commandDev.end()) << '\n';
    // Within a few passes of their times: a loaded machine stretches passes (the figures above
    // are what a quiet one shows); a step missed or taken a stage late is a second off.
    for (std::uint32_t d : commandDev) {
        EXPECT_LE(d, 150u);
    }
}
