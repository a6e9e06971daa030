#include "exercise/RunStatus.h"

#include "core/ProgramState.h"

#include <QStringList>

#include <utility>

namespace ryvo {

namespace {

constexpr std::uint32_t kSilenceMs = 500;

QString Totals(const LaneTotal& lane) {
    return QStringLiteral("%1 выстр., сумма %2").arg(lane.shots).arg(lane.sum);
}

} // namespace

QString SeriesEndedText(std::span<const LaneTotal> lanes) {
    if (lanes.size() == 1 && lanes.front().shooter == 0) {
        return QStringLiteral("Серия окончена: ") + Totals(lanes.front());
    }
    QStringList parts;
    for (const LaneTotal& lane : lanes) {
        parts << QStringLiteral("стрелок %1 — ").arg(lane.shooter) + Totals(lane);
    }
    return QStringLiteral("Серия окончена: ") + parts.join(QStringLiteral("; "));
}

QString ReplayShotText(int number, std::int32_t score) {
    QString value;
    if (score == -2) {
        value = QStringLiteral("мишень не освещена");
    } else if (score < 0) {
        value = QStringLiteral("промах");
    } else {
        value = QString::number(score);
    }
    return QStringLiteral("Выстрел %1: %2").arg(number).arg(value);
}

QString ReplayHintText() {
    return QStringLiteral("↑ — следующий выстрел, Esc — конец");
}

QString NoAnswerText() {
    return QStringLiteral("Нет ответа прибора");
}

RunStatus::RunStatus(const ProgramState& state) : m_state(state), m_seenSaves(state.SaveCount) {}

void RunStatus::Set(QString line) {
    if (line != m_line) {
        m_line = std::move(line);
        Changed();
    }
}

void RunStatus::SeriesStarted(std::uint32_t now) {
    m_unsaved = false;
    m_seenSaves = m_state.SaveCount;
    m_polling = true;
    m_lastAnswer = now;
    Set(QString());
}

void RunStatus::SeriesEnded(std::span<const LaneTotal> lanes) {
    m_unsaved = true;
    m_seenSaves = m_state.SaveCount;
    Set(SeriesEndedText(lanes) + QStringLiteral(". Результат не записан"));
}

void RunStatus::Activated() {
    if (m_state.SaveCount == m_seenSaves) {
        return;
    }
    m_seenSaves = m_state.SaveCount;
    m_unsaved = false;
    Set(QStringLiteral("Записано: ") + m_state.LastSavedFile);
}

void RunStatus::NoSeries() {
    m_seenSaves = m_state.SaveCount;
    m_unsaved = false;
    Set(QString());
}

void RunStatus::SavedByWindow(const QString& line) {
    m_seenSaves = m_state.SaveCount;
    m_unsaved = false;
    Set(line);
}

void RunStatus::CourseLine(const QString& line) {
    Set(line);
}

void RunStatus::CourseEnded(const QString& line) {
    m_unsaved = true;
    m_seenSaves = m_state.SaveCount;
    Set(line + QStringLiteral(". Результат не записан"));
}

void RunStatus::ReplayStarted() {
    m_beforeReplay = m_line;
    if (m_hint != ReplayHintText()) {
        m_hint = ReplayHintText();
        Changed();
    }
}

void RunStatus::ReplayShot(int number, std::int32_t score) {
    Set(ReplayShotText(number, score));
}

void RunStatus::ReplayEnded() {
    if (!m_hint.isEmpty()) {
        m_hint.clear();
        Changed();
    }
    Set(m_beforeReplay);
}

void RunStatus::PollResult(bool answered, std::uint32_t now) {
    if (!m_polling) {
        m_polling = true;
        m_lastAnswer = now;
    }
    bool silent = m_silent;
    if (answered) {
        m_lastAnswer = now;
        silent = false;
    } else if (now - m_lastAnswer > kSilenceMs) {
        silent = true;
    }
    if (silent != m_silent) {
        m_silent = silent;
        Changed();
    }
}

void RunStatus::RunEnded() {
    m_polling = false;
    if (m_silent) {
        m_silent = false;
        Changed();
    }
}

QString RunStatus::Text() const {
    if (m_silent) {
        return m_line.isEmpty() ? NoAnswerText() : NoAnswerText() + QStringLiteral(" — ") + m_line;
    }
    return m_line;
}

void RunStatus::Changed() {
    m_changed = true;
    if (onChanged) {
        onChanged();
    }
}

bool RunStatus::TakeChanged() {
    return std::exchange(m_changed, false);
}

} // namespace ryvo
