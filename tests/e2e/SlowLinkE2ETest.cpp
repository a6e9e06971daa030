#include "app/Startup.h"
#include "exercise/TShoot1.h"
#include "exercise/TShoots5.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"

#include "SimRange.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <array>
#include <vector>

using namespace ryvo;

namespace {

// Fine-grained: the checks follow the simulator's pull times.
bool RunUntil(const std::function<bool()>& done, int limitMs) {
    return test::RunUntil(done, limitMs, 5);
}

// The program against ryvo-sim behind an imitated USB adapter holding every answer back
// 16 ms: the start-up check measures the rate and warns.
struct SlowRange : test::SimRange {
    SlowRange(const std::array<std::vector<int>, 5>& pulls, const char* targets, int shooter)
        : SimRange(test::FiveLaneScenario(pulls, 0, 400, 0),
                   {QStringLiteral("--latency"), QStringLiteral("16")}) {
        if (!sim->Started()) {
            return;
        }
        WriteSettings(QStringLiteral("Target = %1\nShootsNumber = 10\nTime = 0\nShooter = %2\n")
                          .arg(QString::fromLatin1(targets))
                          .arg(shooter));
        sound.available = false;
        Start();
    }
    QString PollRate() { return Main()->findChild<QLabel*>(QStringLiteral("PollRate"))->text(); }
    // Runs the window's series until `untilMs` after the simulator started, then ends it.
    template <typename Window> void Shoot(Window* page, int untilMs) {
        page->template findChild<QPushButton*>(QStringLiteral("Start"))->click();
        ASSERT_TRUE(RunUntil([&] { return sinceSim.elapsed() >= untilMs; }, untilMs + 2000));
        keyboard.Set(Key::Escape, true);
        RunUntil([&] { return page->Run().RunPhase() != RunSequence::Phase::Series; }, 2000);
        keyboard.Set(Key::Escape, false);
        ASSERT_TRUE(RunUntil([&] { return page->Run().Idle(); }, 3000));
        page->template findChild<QPushButton*>(QStringLiteral("Exit"))->click();
    }
};

void ExpectSlowWarning(const QString& text, const PollMeter& meter, const QString& port) {
    ASSERT_TRUE(meter.Rate().has_value());
    // 16 ms held back per answer leaves at most about 60 polls a second.
    EXPECT_LT(*meter.Rate(), 65.0);
    EXPECT_GT(*meter.Rate(), 20.0);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Опрос: "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("связь с прибором медленная"))) << text.toStdString();
#ifdef Q_OS_LINUX
    // A pseudo-terminal has no low-latency mode to switch on.
    EXPECT_EQ(meter.lowLatency, LowLatency::Failed);
    EXPECT_TRUE(
        text.contains(QStringLiteral("Режим малой задержки для %1 включить не удалось").arg(port)))
        << text.toStdString();
#else
    Q_UNUSED(port);
#endif
}

} // namespace

TEST(SlowLinkE2E, SingleShooterWindowCountsEveryPullOnce) {
    const std::array<std::vector<int>, 5> pulls = {{{3000, 3700, 4400, 5100}, {}, {}, {}, {}}};
    SlowRange r(pulls, "1 -1 -1 -1 -1", 1);
    ASSERT_TRUE(r.sim->Started()) << r.sim->Error().toStdString();
    ASSERT_EQ(r.app->Frame().ActivePage(), r.Main());
    EXPECT_TRUE(r.dialogs.messages.empty());
    ExpectSlowWarning(r.PollRate(), r.state.Polls, r.sim->Link());

    r.Main()->findChild<QPushButton*>(QStringLiteral("BeginShooting"))->click();
    auto* shoot = dynamic_cast<TShoot1*>(r.app->Frame().ActivePage());
    ASSERT_NE(shoot, nullptr);
    ASSERT_LT(r.sinceSim.elapsed(), 2800) << "the series must be on before the first pull";
    r.Shoot(shoot, 6000);
    EXPECT_EQ(r.state.run.ShotCount[0], 4u);
    EXPECT_EQ(r.state.run.ScoreSum[0], 40); // the centre of the N4 target
    // Back in the main window, the run's own rate.
    ASSERT_EQ(r.app->Frame().ActivePage(), r.Main());
    EXPECT_GT(r.state.Polls.answered, 100u);
    ExpectSlowWarning(r.PollRate(), r.state.Polls, r.sim->Link());
}

TEST(SlowLinkE2E, FiveLaneWindowCountsEveryPullOnce) {
    // All five lanes pull at once at 4500 ms. Lane 3 pulls again 90 ms after a shot, inside its
    // lock-out; the first report is acknowledged by then (two 18 ms transactions at most), so
    // the second is a report of its own.
    const std::array<std::vector<int>, 5> pulls = {{
        {3000, 4500, 6000},
        {3300, 4500, 6300},
        {3600, 4500},
        {3900, 3990, 4500, 6600},
        {4200, 4500, 6900},
    }};
    SlowRange r(pulls, "2 2 2 2 2", 31);
    ASSERT_TRUE(r.sim->Started()) << r.sim->Error().toStdString();
    ASSERT_EQ(r.state.LanePresent, (std::array<std::int32_t, 5>{1, 1, 1, 1, 1}));
    ExpectSlowWarning(r.PollRate(), r.state.Polls, r.sim->Link());

    r.Main()->findChild<QRadioButton*>(QStringLiteral("OtherShooter"))->setChecked(true);
    r.Main()->findChild<QPushButton*>(QStringLiteral("BeginShooting"))->click();
    auto* page = dynamic_cast<TShoots5*>(r.app->Frame().ActivePage());
    ASSERT_NE(page, nullptr);
    ASSERT_LT(r.sinceSim.elapsed(), 2800) << "the series must be on before the first pull";
    r.Shoot(page, 8000);
    for (size_t lane = 0; lane < 5; ++lane) {
        EXPECT_EQ(r.state.run.ShotCount[lane], pulls[lane].size()) << "lane " << lane;
    }
    ASSERT_EQ(r.app->Frame().ActivePage(), r.Main());
    ExpectSlowWarning(r.PollRate(), r.state.Polls, r.sim->Link());
}
