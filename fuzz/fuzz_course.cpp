// The course file reader on arbitrary files: it never fails on them, a file it takes is
// a course a run can hold (times not negative and within a day, a delay from its minimum
// to its maximum, commands within the preparation, par times within the stage time, shots
// within a lane's run, grade thresholds in order and reachable), and grading any shots of
// such a course gives one of its grades.

#include "FuzzSupport.h"

#include "core/CourseFile.h"
#include "core/CourseGrade.h"

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

} // namespace

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
    return 0;
}
