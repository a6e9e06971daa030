// The course file reader on arbitrary files: it never fails on them, a file it takes is
// a course a run can hold (times not negative and within a day, a delay from its minimum
// to its maximum, commands within the preparation, par times within the stage time, shots
// within a lane's run, grade thresholds in order and reachable), and grading any shots of
// such a course gives one of its grades. Each course taken is then run by the single
// window's engine against the in-process device on a manual clock (its times shortened,
// so one input cannot run for long), with shots fired at times the input chooses: the run
// ends, on its own or by Escape, with the main window's settings back and a result that
// agrees with the shots.

#include "FuzzSupport.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"
#include "core/CourseFile.h"
#include "core/CourseGrade.h"
#include "exercise/SingleShooterRun.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"

#include <QGuiApplication>
#include <QStringDecoder>

#include <algorithm>

using namespace ryvo;

namespace {

constexpr std::int32_t kDayMs = 86400 * 1000;

bool DayTime(std::int32_t ms) {
    return ms >= 0 && ms <= kDayMs;
}

void CheckStage(const CourseStage& s) {
    FUZZ_CHECK(!s.title.isEmpty());
    FUZZ_CHECK(s.shots >= 1 && s.shots <= kMaxCourseShots);
    FUZZ_CHECK(DayTime(s.preparationMs) && DayTime(s.timeLimitMs));
    FUZZ_CHECK(DayTime(s.delayMinMs) && DayTime(s.delayMaxMs) && s.delayMinMs <= s.delayMaxMs);
    for (size_t i = 0; i < s.commands.size(); ++i) {
        FUZZ_CHECK(DayTime(s.commands[i].atMs) && s.commands[i].atMs <= s.preparationMs);
        FUZZ_CHECK(i == 0 || s.commands[i - 1].atMs <= s.commands[i].atMs);
    }
    for (size_t i = 0; i < s.endCommands.size(); ++i) {
        FUZZ_CHECK(DayTime(s.endCommands[i].atMs));
        FUZZ_CHECK(i == 0 || s.endCommands[i - 1].atMs <= s.endCommands[i].atMs);
    }
    FUZZ_CHECK(std::is_sorted(s.parTimesMs.begin(), s.parTimesMs.end()));
    for (const std::int32_t par : s.parTimesMs) {
        FUZZ_CHECK(par > 0 && par <= kDayMs && (s.timeLimitMs == 0 || par <= s.timeLimitMs));
    }
    if (s.lamps) {
        FUZZ_CHECK(s.lamps->upMs > 0 && DayTime(s.lamps->upMs) && DayTime(s.lamps->downMs));
        FUZZ_CHECK(s.lampScript.isEmpty());
    }
    for (const auto& type : s.targets) {
        FUZZ_CHECK(!type || (*type >= 1 && *type <= 999));
    }
}

void CheckGrade(const GradeRule& rule, int totalShots) {
    FUZZ_CHECK(!rule.steps.empty() && !rule.failGrade.isEmpty());
    const bool lowerIsBetter = rule.basis == GradeBasis::ReactionMs;
    for (size_t i = 0; i < rule.steps.size(); ++i) {
        const std::int32_t t = rule.steps[i].threshold;
        FUZZ_CHECK(t >= 0);
        switch (rule.basis) {
        case GradeBasis::Sum:
            FUZZ_CHECK(t <= 10 * totalShots);
            break;
        case GradeBasis::HitsAtOrAbove:
        case GradeBasis::HitsInTime:
            FUZZ_CHECK(t <= totalShots);
            break;
        case GradeBasis::ReactionMs:
            FUZZ_CHECK(t <= kDayMs);
            break;
        }
        FUZZ_CHECK(i == 0 || (lowerIsBetter ? t > rule.steps[i - 1].threshold
                                            : t < rule.steps[i - 1].threshold));
    }
}

// Shots for every stage drawn from the input: scores 0..10, times up to past the limit.
std::vector<std::vector<CourseShot>> ShotsOf(const Course& course, const QByteArray& bytes) {
    std::vector<std::vector<CourseShot>> shots;
    qsizetype at = 0;
    auto next = [&] {
        const auto b = bytes.isEmpty() ? 0 : static_cast<std::uint8_t>(bytes[at % bytes.size()]);
        ++at;
        return static_cast<std::int32_t>(b);
    };
    for (const CourseStage& s : course.stages) {
        std::vector<CourseShot> stage;
        const std::int32_t count = next() % (s.shots + 1);
        for (std::int32_t i = 0; i < count; ++i) {
            const std::int32_t limit = s.timeLimitMs > 0 ? s.timeLimitMs : kDayMs;
            const auto time = static_cast<std::int32_t>(static_cast<std::int64_t>(limit) * next() /
                                                        200); // some past the limit
            stage.push_back({next() % 11, time, s.timeLimitMs > 0 && time > s.timeLimitMs});
        }
        shots.push_back(std::move(stage));
    }
    return shots;
}

// A window that shows nothing; the run still draws on pictures of the window's size.
class QuietView final : public ExerciseView {
public:
    void SetText(ViewText /*text*/, const QString& /*value*/) override {}
    void SetVisible(ViewItem /*item*/, bool /*visible*/) override {}
    void Place(ViewItem /*item*/, int /*left*/, int /*top*/) override {}
    [[nodiscard]] QSize ItemSize(ViewItem /*item*/) const override { return {30, 30}; }
    void Fill(ViewItem /*item*/, Color /*color*/) override {}
    void SetEnabled(ViewButton /*button*/, bool /*enabled*/) override {}
    [[nodiscard]] bool IsEnabled(ViewButton /*button*/) const override { return true; }
    void FocusStart() override {}
    Canvas& Picture(ViewPicture picture) override {
        return picture == ViewPicture::Target    ? m_target
               : picture == ViewPicture::SignalI ? m_signal
                                                 : m_arrow;
    }
    void Repaint(ViewPicture /*picture*/) override {}
    [[nodiscard]] int SignalLength() const override { return m_signal.Width(); }
    void ActivateWindow(const QString& /*className*/) override {}

private:
    ImageCanvas m_target{526, 526, kButtonFace};
    ImageCanvas m_arrow{30, 30, kButtonFace};
    ImageCanvas m_signal{235, 39, kButtonFace};
};

// Every time of the course cut to a second and a half (order and bounds kept), at most
// three stages of four shots: a run of at most about half a minute.
constexpr std::int32_t kLongestMs = 1500;

Course Shortened(Course course) {
    const auto cut = [](std::int32_t& ms) { ms = std::min(ms, kLongestMs); };
    if (course.stages.size() > 3) {
        course.stages.resize(3);
    }
    for (CourseStage& s : course.stages) {
        s.shots = std::min(s.shots, 4);
        for (std::int32_t* ms : {&s.preparationMs, &s.delayMinMs, &s.delayMaxMs, &s.timeLimitMs}) {
            cut(*ms);
        }
        for (CourseCommand& c : s.commands) {
            cut(c.atMs);
        }
        for (CourseCommand& c : s.endCommands) {
            cut(c.atMs);
        }
        for (std::int32_t& par : s.parTimesMs) {
            cut(par);
        }
        if (s.lamps) {
            cut(s.lamps->upMs);
            cut(s.lamps->downMs);
        }
    }
    return course;
}

struct CourseRig {
    ProgramState state;
    ManualClock clock{10000};
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock};
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};

    explicit CourseRig(Course course) {
        Settings& s = state.settings;
        ApplyBuiltInDefaults(s);
        s.IO_Serial = 1;
        s.Shooter = 1;
        s.ShootsNumber = 3;
        s.Target[0] = 1;
        ApplySignalLimits(state);
        state.TraceLength = ComputeTraceLength(s);
        state.SoundAvailable = 1;
        state.StartSound = QByteArray("start");
        state.ShotSound = QByteArray("shot");
        state.EndSound = QByteArray("end");
        state.ChosenCourse = std::move(course);
    }
};

// Ticks 20 ms apart until the run is idle or `ms` have passed; the input says when the
// trigger is pulled (a byte: the ticks to wait) and where the lane aims.
void RunFor(CourseRig& rig, SingleShooterRun& run, std::uint32_t ms, const QByteArray& bytes,
            qsizetype& at) {
    std::uint32_t wait = 0;
    for (std::uint32_t t = 0; t < ms && !run.Idle(); t += 20) {
        rig.clock.Advance(20);
        run.Tick();
        if (run.CurrentPhase() == SingleShooterRun::Phase::LastShotSound) {
            rig.sound.FinishPlayback();
        }
        if (wait > 0) {
            --wait;
            continue;
        }
        const auto next = [&] {
            return bytes.isEmpty() ? 0 : static_cast<std::uint8_t>(bytes[at++ % bytes.size()]);
        };
        const auto x = static_cast<std::int16_t>((next() - 128) * 40);
        rig.model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{x, x});
        rig.model.Lane(0).triggers.Pull();
        wait = 5 + next() % 60;
    }
}

void RunCourse(const Course& parsed, const QByteArray& bytes) {
    static QuietView view;
    const Course course = Shortened(parsed);
    CourseRig rig(course);
    const Settings before = rig.state.settings;
    SingleShooterRun run(rig.state, rig.services, view);
    run.courseDraw = SeededDraw(static_cast<std::uint32_t>(bytes.size()));
    run.FormActivate();
    run.StartClick();
    qsizetype at = 0;
    RunFor(rig, run, 45000, bytes, at);
    const bool ranOut = !run.Idle();
    if (ranOut) {
        // Escape ends the course at any step; the run then waits for its release.
        rig.keyboard.Set(Key::Escape, true);
        RunFor(rig, run, 200, {}, at);
        rig.keyboard.Set(Key::Escape, false);
        for (int i = 0; i < 1000 && !run.Idle(); ++i) {
            rig.clock.Advance(20);
            run.Tick();
        }
    }
    FUZZ_CHECK(run.Idle());
    const CourseRun* ran = run.ActiveCourse();
    FUZZ_CHECK(ran != nullptr && ran->Finished());
    FUZZ_CHECK(rig.state.settings == before);
    const CourseLaneResult& result = ran->Result(0);
    FUZZ_CHECK(result.stages.size() <= course.stages.size());
    std::int32_t total = 0;
    for (size_t i = 0; i < result.stages.size(); ++i) {
        const CourseStageResult& stage = result.stages[i];
        const std::int32_t limit = course.stages[i].timeLimitMs;
        FUZZ_CHECK(stage.shots.size() <= static_cast<size_t>(course.stages[i].shots));
        std::uint32_t previous = 0;
        for (const CourseShotTime& shot : stage.shots) {
            FUZZ_CHECK(shot.ms >= previous && shot.splitMs == shot.ms - previous);
            FUZZ_CHECK(shot.late == (limit > 0 && shot.ms > static_cast<std::uint32_t>(limit)));
            FUZZ_CHECK(!shot.late || course.stages[i].lateShotsScore || shot.score <= 0);
            previous = shot.ms;
            total += std::max(0, shot.score);
        }
    }
    FUZZ_CHECK(result.total == total);
    if (!ranOut) {
        FUZZ_CHECK(result.stages.size() == course.stages.size());
    }
}

} // namespace

// The font library keeps a few bytes of each font it matches without a pointer to them:
// not this program's to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Pictures and their fonts need the GUI part of Qt, without a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    // Fonts and the like are set up once, on the first drawing: done here, so that the
    // leak check of the inputs does not take it for theirs.
    Course warm;
    warm.name = QStringLiteral("Прогрев");
    warm.stages.resize(1);
    warm.stages[0].title = QStringLiteral("1");
    warm.stages[0].shots = 1;
    warm.stages[0].timeLimitMs = 1000;
    RunCourse(warm, QByteArray(1, '\x80'));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString path = ryvo::fuzz::ScratchPath("Курс.course");
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ryvo::fuzz::PutFile(path, data, size);

    const CourseParseResult read = ReadCourseFile(path);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        FUZZ_CHECK(!read.course && !read.error.isEmpty());
        return 0;
    }
    const CourseParseResult parsed = ParseCourse(text, path);
    FUZZ_CHECK(read.course.has_value() == parsed.course.has_value());
    FUZZ_CHECK(read.error == parsed.error && read.line == parsed.line);
    if (!parsed.course) {
        FUZZ_CHECK(!parsed.error.isEmpty() && parsed.line >= 0);
        return 0;
    }
    FUZZ_CHECK(parsed.error.isEmpty());

    const Course& course = *parsed.course;
    FUZZ_CHECK(!course.name.isEmpty() && !course.stages.empty() && course.path == path);
    int totalShots = 0;
    for (const CourseStage& stage : course.stages) {
        CheckStage(stage);
        totalShots += stage.shots;
    }
    FUZZ_CHECK(totalShots <= kMaxCourseShots);
    if (course.grade) {
        CheckGrade(*course.grade, totalShots);
    }

    const CourseResult result = GradeCourse(course, ShotsOf(course, bytes));
    FUZZ_CHECK(result.stages.size() == course.stages.size());
    std::int32_t total = 0;
    for (size_t i = 0; i < result.stages.size(); ++i) {
        const StageResult& s = result.stages[i];
        FUZZ_CHECK(s.shots <= course.stages[i].shots && s.sum >= 0 && s.sum <= 10 * s.shots);
        total += s.sum;
    }
    FUZZ_CHECK(result.total == total);
    if (!course.grade) {
        FUZZ_CHECK(result.grade.isEmpty());
    } else {
        bool known = result.grade == course.grade->failGrade;
        for (const GradeStep& step : course.grade->steps) {
            known = known || result.grade == step.grade;
        }
        FUZZ_CHECK(known);
    }
    RunCourse(course, bytes);
    return 0;
}
