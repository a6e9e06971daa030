#include "exercise/RunStatus.h"

#include "core/ProgramState.h"

#include <gtest/gtest.h>

#include <array>

namespace ryvo {
namespace {

TEST(RunStatus, SeriesEndUnsavedThenSaved) {
    ProgramState state;
    RunStatus status(state);
    status.SeriesStarted(1000);
    EXPECT_TRUE(status.Text().isEmpty());

    const std::array<LaneTotal, 1> one{LaneTotal{0, 10, 87}};
    status.SeriesEnded(one);
    EXPECT_TRUE(status.TakeChanged());
    EXPECT_FALSE(status.TakeChanged());
    EXPECT_EQ(status.Text(),
              QStringLiteral("Серия окончена: 10 выстр., сумма 87. Результат не записан"));

    // Coming back from the dialog without a save changes nothing.
    status.Activated();
    EXPECT_FALSE(status.TakeChanged());

    ++state.SaveCount;
    state.LastSavedFile = QStringLiteral("2026/Декабрь/Взвод_1.rec");
    status.Activated();
    EXPECT_TRUE(status.TakeChanged());
    EXPECT_EQ(status.Text(), QStringLiteral("Записано: 2026/Декабрь/Взвод_1.rec"));

    // A save made before the next series is not said again for it.
    status.SeriesStarted(5000);
    const std::array<LaneTotal, 2> two{LaneTotal{1, 3, 25}, LaneTotal{2, 0, 0}};
    status.SeriesEnded(two);
    status.Activated();
    EXPECT_EQ(status.Text(), QStringLiteral("Серия окончена: стрелок 1 — 3 выстр., сумма 25; "
                                            "стрелок 2 — 0 выстр., сумма 0. Результат не записан"));
}

TEST(RunStatus, ReplayShowsHintAndShotValueThenRestoresTheLine) {
    ProgramState state;
    RunStatus status(state);
    const std::array<LaneTotal, 1> one{LaneTotal{0, 3, 19}};
    status.SeriesEnded(one);
    const QString ended = status.Text();

    status.ReplayStarted();
    EXPECT_EQ(status.Hint(), QStringLiteral("↑ — следующий выстрел, Esc — конец"));
    status.ReplayShot(1, 9);
    EXPECT_EQ(status.Text(), QStringLiteral("Выстрел 1: 9"));
    status.ReplayShot(2, -1);
    EXPECT_EQ(status.Text(), QStringLiteral("Выстрел 2: промах"));
    status.ReplayShot(3, -2);
    EXPECT_EQ(status.Text(), QStringLiteral("Выстрел 3: мишень не освещена"));
    status.ReplayShot(4, 0);
    EXPECT_EQ(status.Text(), QStringLiteral("Выстрел 4: 0"));
    status.ReplayEnded();
    EXPECT_TRUE(status.Hint().isEmpty());
    EXPECT_EQ(status.Text(), ended);
}

TEST(RunStatus, SilenceOverHalfASecondIsSaidAndClearsOnAnswer) {
    ProgramState state;
    RunStatus status(state);
    status.SeriesStarted(1000);
    status.PollResult(true, 1010);
    status.PollResult(false, 1100);
    status.PollResult(false, 1510); // exactly 500 ms since the last answer
    EXPECT_FALSE(status.Silent());
    status.TakeChanged();
    status.PollResult(false, 1511);
    EXPECT_TRUE(status.Silent());
    EXPECT_TRUE(status.TakeChanged());
    EXPECT_EQ(status.Text(), QStringLiteral("Нет ответа прибора"));

    status.PollResult(true, 1600);
    EXPECT_FALSE(status.Silent());
    EXPECT_TRUE(status.TakeChanged());
    EXPECT_TRUE(status.Text().isEmpty());

    // A device silent from the first poll of a series.
    status.SeriesStarted(9000);
    status.PollResult(false, 9200);
    EXPECT_FALSE(status.Silent());
    status.PollResult(false, 9600);
    EXPECT_TRUE(status.Silent());

    // The end of the run clears it, whatever the series said.
    const std::array<LaneTotal, 1> one{LaneTotal{0, 0, 0}};
    status.SeriesEnded(one);
    EXPECT_TRUE(status.Text().startsWith(QStringLiteral("Нет ответа прибора — Серия окончена")));
    status.RunEnded();
    EXPECT_FALSE(status.Silent());
    EXPECT_TRUE(status.Text().startsWith(QStringLiteral("Серия окончена")));
}

} // namespace
} // namespace ryvo
