#include "core/CourseParser.h"

#include <QRegularExpression>

#include <algorithm>

namespace ryvo::courseparse {

void Parser::TakeGradeBasis(const QString& value) {
    if (m_grade) {
        Fail(QStringLiteral("оценка уже задана (строка %1)").arg(m_grade->line));
        return;
    }
    GradeDraft draft;
    draft.line = m_line;
    const QString v = value.simplified().toLower();
    static const QRegularExpression kHitsFrom(QStringLiteral("^попадания от (\\S+)$"));
    const auto match = kHitsFrom.match(v);
    if (v == QStringLiteral("сумма")) {
        draft.rule.basis = GradeBasis::Sum;
    } else if (v == QStringLiteral("попадания в срок")) {
        draft.rule.basis = GradeBasis::HitsInTime;
    } else if (v == QStringLiteral("реакция")) {
        draft.rule.basis = GradeBasis::ReactionMs;
    } else if (match.hasMatch()) {
        const auto score = Count(QStringLiteral("очки"), match.captured(1), 1, 10);
        if (!score) {
            return;
        }
        draft.rule.basis = GradeBasis::HitsAtOrAbove;
        draft.rule.minScore = *score;
    } else {
        Fail(QStringLiteral("оценка %1: нужно «сумма», «попадания от N», «попадания в "
                            "срок» или «реакция»")
                 .arg(Quoted(value)));
        return;
    }
    m_grade = draft;
}

void Parser::TakeGradeStep(const GradeName& grade, const QString& value) {
    if (!m_grade) {
        Fail(QStringLiteral("порог %1 без строки «оценка:» перед ним").arg(Quoted(grade.name)));
        return;
    }
    if (m_grade->steps.contains(grade.rank) &&
        (grade.pass ? m_grade->passFail : m_grade->fiveGrades)) {
        Fail(QStringLiteral("порог %1 уже задан (строка %2)")
                 .arg(Quoted(grade.name))
                 .arg(m_grade->steps[grade.rank].second));
        return;
    }
    if (grade.pass ? m_grade->fiveGrades : m_grade->passFail) {
        Fail(QStringLiteral("«выполнено» не задаётся вместе с «отлично», «хорошо», "
                            "«удовлетворительно»"));
        return;
    }
    std::optional<std::int32_t> threshold;
    if (m_grade->rule.basis == GradeBasis::ReactionMs) {
        threshold = TimeMs(QStringLiteral("порог"), value);
    } else {
        threshold = Count(QStringLiteral("порог"), value, 0, 10 * kMaxCourseShots);
    }
    if (!threshold) {
        return;
    }
    (grade.pass ? m_grade->passFail : m_grade->fiveGrades) = true;
    m_grade->steps[grade.rank] = {*threshold, m_line};
}

void Parser::CloseStage() {
    if (!m_stage || !m_error.isEmpty()) {
        return;
    }
    CourseStage& s = m_stage->stage;
    if (s.shots == 0) {
        Fail(QStringLiteral("в этапе не задано число выстрелов («выстрелы:»)"), m_stage->line);
        return;
    }
    for (size_t i = 0; i < s.commands.size(); ++i) {
        if (s.commands[i].atMs > s.preparationMs) {
            Fail(QStringLiteral("команда %1 в %2 с — позже конца подготовки (%3 с)")
                     .arg(Quoted(s.commands[i].word), Seconds(s.commands[i].atMs),
                          Seconds(s.preparationMs)),
                 m_stage->commandLines[i]);
            return;
        }
    }
    if (s.timeLimitMs > 0 && !s.parTimesMs.empty() && s.parTimesMs.back() > s.timeLimitMs) {
        Fail(QStringLiteral("пар %1 с — позже конца времени этапа (%2 с)")
                 .arg(Seconds(s.parTimesMs.back()), Seconds(s.timeLimitMs)),
             m_stage->parLine);
        return;
    }
    auto byTime = [](const CourseCommand& a, const CourseCommand& b) { return a.atMs < b.atMs; };
    std::stable_sort(s.commands.begin(), s.commands.end(), byTime);
    std::stable_sort(s.endCommands.begin(), s.endCommands.end(), byTime);
    if (s.title.isEmpty()) {
        s.title = QStringLiteral("Этап %1").arg(m_course.stages.size() + 1);
    }
    m_totalShots += s.shots;
    m_course.stages.push_back(std::move(s));
    m_stage.reset();
}

void Parser::FinishGrade() {
    if (!m_grade) {
        return;
    }
    GradeDraft& g = *m_grade;
    if (g.steps.empty()) {
        Fail(QStringLiteral("у оценки нет порогов: нужны «отлично», «хорошо», "
                            "«удовлетворительно» или «выполнено»"),
             g.line);
        return;
    }
    const bool lowerIsBetter = g.rule.basis == GradeBasis::ReactionMs;
    std::int32_t most = 0;
    switch (g.rule.basis) {
    case GradeBasis::Sum:
        most = 10 * m_totalShots;
        break;
    case GradeBasis::HitsAtOrAbove:
    case GradeBasis::HitsInTime:
        most = m_totalShots;
        break;
    case GradeBasis::ReactionMs:
        most = static_cast<std::int32_t>(kMaxSeconds * 1000);
        break;
    }
    const QString* previous = nullptr;
    std::int32_t previousThreshold = 0;
    for (const auto& [rank, step] : g.steps) {
        const QString& name = g.passFail ? kGradePass : FiveGradeName(rank);
        if (step.first > most) {
            Fail(QStringLiteral("порог %1 (%2) не достижим: в курсе %3 выстрелов")
                     .arg(Quoted(name))
                     .arg(step.first)
                     .arg(m_totalShots),
                 step.second);
            return;
        }
        if (previous != nullptr &&
            (lowerIsBetter ? step.first <= previousThreshold : step.first >= previousThreshold)) {
            Fail(QStringLiteral("порог %1 должен быть %2, чем порог %3")
                     .arg(Quoted(name),
                          lowerIsBetter ? QStringLiteral("больше") : QStringLiteral("меньше"),
                          Quoted(*previous)),
                 step.second);
            return;
        }
        previous = &name;
        previousThreshold = step.first;
        g.rule.steps.push_back(GradeStep{name, step.first});
    }
    g.rule.failGrade = g.passFail ? kGradeNotPass : kGradeUnsatisfactory;
    m_course.grade = g.rule;
}

void Parser::Finish() {
    CloseStage();
    if (!m_error.isEmpty()) {
        return;
    }
    if (m_course.name.isEmpty()) {
        Fail(QStringLiteral("нет названия курса (строка «курс:»)"), 0);
        return;
    }
    if (m_course.stages.empty()) {
        Fail(QStringLiteral("в курсе нет ни одного этапа (строка «этап:»)"), 0);
        return;
    }
    if (m_totalShots > kMaxCourseShots) {
        Fail(QStringLiteral("в курсе %1 выстрелов, больше %2")
                 .arg(m_totalShots)
                 .arg(kMaxCourseShots),
             0);
        return;
    }
    FinishGrade();
}

} // namespace ryvo::courseparse
