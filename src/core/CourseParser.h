#pragma once

// The course file parser, shared by the files that hold its parts.

#include "core/Course.h"
#include "core/CourseFile.h"
#include "core/CourseGrade.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace ryvo::courseparse {

// Longer times are typing mistakes, and a day in milliseconds still fits 32 bits.
inline constexpr double kMaxSeconds = 86400.0;
inline constexpr qint64 kMaxFileBytes = qint64{1024} * 1024;
inline constexpr int kMaxTargetType = 999;

QString Seconds(std::int32_t ms);

QString Quoted(const QString& text);

struct StageDraft {
    CourseStage stage;
    int line = 0;
    QHash<QString, int> seen; // key -> line
    std::vector<int> commandLines;
    int parLine = 0;
};

struct GradeDraft {
    GradeRule rule;
    int line = 0;
    std::map<int, std::pair<std::int32_t, int>> steps; // rank -> threshold, line
    bool passFail = false;
    bool fiveGrades = false;
};

// The grades a file may give, best first; a rank orders them.
struct GradeName {
    QString name;
    int rank;
    bool pass;
};
inline const GradeName kGradeNames[] = {
    {kGradeExcellent, 0, false},
    {kGradeGood, 1, false},
    {kGradeSatisfactory, 2, false},
    {kGradePass, 0, true},
};

const QString& FiveGradeName(int rank);

class Parser {
public:
    explicit Parser(QString path) { m_course.path = std::move(path); }
    CourseParseResult Run(const QString& text);

private:
    bool Fail(const QString& what, int line = -1);
    // A time in seconds (a decimal point or comma) as milliseconds.
    std::optional<std::int32_t> TimeMs(const QString& what, const QString& text);
    std::optional<std::int32_t> Count(const QString& what, const QString& text, int min, int max);
    // Keys of a stage may each be given once per stage.
    bool Once(const QString& key);
    std::optional<CourseCommand> Command(const QString& key, const QString& value);
    void Take(const QString& key, const QString& value);
    void TakeStageKey(const QString& key, const QString& value);
    void TakeDelay(const QString& value);
    void TakePar(const QString& value);
    void TakeLamps(const QString& value);
    void TakeTarget(const QString& key, const QString& value);
    void TakeGradeBasis(const QString& value);
    void TakeGradeStep(const GradeName& grade, const QString& value);
    void CloseStage();
    void FinishGrade();
    void Finish();

    Course m_course;
    std::optional<StageDraft> m_stage;
    std::optional<GradeDraft> m_grade;
    int m_line = 0;
    int m_nameLine = 0;
    int m_totalShots = 0;
    QString m_error;
    int m_errorLine = 0;
};

} // namespace ryvo::courseparse
