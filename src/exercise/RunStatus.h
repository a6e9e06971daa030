#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <span>

namespace ryvo {

struct ProgramState;

// Totals of one lane when its series ended; `shooter` is the number shown (1..5), 0 when the
// window serves one lane and needs no name.
struct LaneTotal {
    int shooter = 0;
    std::uint32_t shots = 0;
    std::int32_t sum = 0;
};

// "Серия окончена: 10 выстр., сумма 87" (several lanes: "стрелок 1 — ..., стрелок 2 — ...").
QString SeriesEndedText(std::span<const LaneTotal> lanes);
// "Выстрел 3: 9", "Выстрел 3: промах", "Выстрел 3: мишень не освещена"; number from 1.
QString ReplayShotText(int number, std::int32_t score);
QString ReplayHintText();
QString NoAnswerText();

// The status line of an exercise window: what the last series came to, whether it is saved,
// the shot being replayed, and a device that stopped answering. The window shows Text() and
// Hint() whenever TakeChanged() says so; the run reports what happens.
class RunStatus {
public:
    explicit RunStatus(const ProgramState& state);

    void SeriesStarted(std::uint32_t now);
    void SeriesEnded(std::span<const LaneTotal> lanes);
    // The window is active again (back from the save dialog): a save made meanwhile is said.
    void Activated();
    // The window shows no series (the results on hand are not its own): an empty line.
    void NoSeries();
    // The window saved its series itself (all lanes at once) and says how it went.
    void SavedByWindow(const QString& line);
    // A course: the stage, what comes next and the command just given.
    void CourseLine(const QString& line);
    // The course is over: its result, not yet saved.
    void CourseEnded(const QString& line);

    void ReplayStarted();
    void ReplayShot(int number, std::int32_t score);
    void ReplayEnded();

    // Every poll of a run; polls failing for more than half a second mean no device.
    void PollResult(bool answered, std::uint32_t now);
    // The run is over: a silent device is no longer news.
    void RunEnded();

    [[nodiscard]] QString Text() const;
    [[nodiscard]] QString Hint() const { return m_hint; }
    [[nodiscard]] bool Silent() const { return m_silent; }
    // True once after each change of Text() or Hint().
    bool TakeChanged();
    // Runs at each change of Text() or Hint(), for a window that shows them at once.
    std::function<void()> onChanged;

private:
    void Set(QString line);
    void Changed();

    const ProgramState& m_state;
    QString m_line;
    QString m_hint;
    // Shown again after a replay ends.
    QString m_beforeReplay;
    std::uint32_t m_seenSaves = 0;
    bool m_unsaved = false;
    bool m_silent = false;
    bool m_polling = false;
    std::uint32_t m_lastAnswer = 0;
    bool m_changed = false;
};

} // namespace ryvo
