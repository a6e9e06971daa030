#include "exercise/HoldTrace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace ryvo;

namespace {

// A hold wandering slowly with tremor, as a trainee's aim looks, at `step` ms a sample.
struct Wander {
    std::mt19937 random{7};
    std::normal_distribution<float> tremor{0.0F, 0.4F};
    std::uint32_t tick = 10'000;
    HoldSample Next(std::uint32_t step = 2) {
        tick += step;
        const double t = tick / 1000.0;
        return {static_cast<float>(8.0 * std::sin(1.3 * t)) + tremor(random),
                static_cast<float>(6.0 * std::cos(0.9 * t)) + tremor(random), tick};
    }
};

} // namespace

TEST(HoldTraces, TenShotsKeepThreeSecondsBeforeAndHalfASecondAfterEach) {
    HoldRecorder aim;
    HoldTraces traces;
    Wander w;
    std::vector<HoldSample> lastBefore;
    int completed = 0;
    for (int shot = 0; shot < 10; ++shot) {
        // Eight seconds between shots at 500 samples a second.
        for (int i = 0; i < 4000; ++i) {
            const HoldSample s = w.Next();
            aim.Push(s.x, s.y, s.tick);
            completed += traces.Add(s.x, s.y, s.tick) ? 1 : 0;
        }
        traces.BeginShot(aim, shot, w.tick + 1);
        lastBefore.push_back(aim.At(0));
    }
    // The last shot still takes its follow-through.
    EXPECT_EQ(completed, 9);
    const QByteArray open = traces.Payload();
    for (int i = 0; i < 300; ++i) {
        const HoldSample s = w.Next();
        completed += traces.Add(s.x, s.y, s.tick) ? 1 : 0;
    }
    EXPECT_EQ(completed, 10);
    const QByteArray payload = traces.Payload();
    EXPECT_LE(payload.size(), 60 * 1024) << payload.size();
    EXPECT_GT(payload.size(), open.size());

    const auto read = ReadHoldTraces(payload);
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), 10U);
    for (const ShotTrace& t : *read) {
        SCOPED_TRACE(t.shot);
        // 1500 samples before (ages 2..3000 ms... the shot is 1 ms after the last), 250 after.
        ASSERT_EQ(t.samples.size(), 1500U + 250U);
        EXPECT_EQ(t.samples.front().ms, -2999);
        EXPECT_EQ(t.samples[1499].ms, -1);
        EXPECT_EQ(t.samples[1500].ms, 1);
        EXPECT_EQ(t.samples.back().ms, 499);
    }
    // Samples come back to within the fixed point's 1/32 unit.
    const HoldSample& last = lastBefore[3];
    EXPECT_NEAR((*read)[3].samples[1499].x, last.x, 1.0 / 32.0);
    EXPECT_NEAR((*read)[3].samples[1499].y, last.y, 1.0 / 32.0);
    // Whatever the payload was while the last shot was open reads too.
    const auto early = ReadHoldTraces(open);
    ASSERT_TRUE(early.has_value());
    EXPECT_EQ(early->back().samples.size(), 1500U);
}

TEST(HoldTraces, TornDamagedOrForeignPayloadsAreNotRead) {
    HoldRecorder aim;
    HoldTraces traces;
    Wander w;
    for (int shot = 0; shot < 2; ++shot) {
        for (int i = 0; i < 2000; ++i) {
            const HoldSample s = w.Next();
            aim.Push(s.x, s.y, s.tick);
            traces.Add(s.x, s.y, s.tick);
        }
        traces.BeginShot(aim, shot, w.tick);
    }
    const QByteArray payload = traces.Payload();
    ASSERT_TRUE(ReadHoldTraces(payload).has_value());
    // Torn anywhere.
    for (const qsizetype cut :
         {qsizetype{3}, qsizetype{9}, payload.size() / 2, payload.size() - 1}) {
        EXPECT_FALSE(ReadHoldTraces(payload.left(cut)).has_value()) << cut;
    }
    // More than it says, another version, another format.
    EXPECT_FALSE(ReadHoldTraces(payload + "x").has_value());
    QByteArray other = payload;
    other[3] = 2;
    EXPECT_FALSE(ReadHoldTraces(other).has_value());
    EXPECT_FALSE(ReadHoldTraces(QByteArray("{\"course\": 1}")).has_value());
    EXPECT_FALSE(ReadHoldTraces(QByteArray()).has_value());
    // A block that claims far more samples than it holds is refused before unpacking.
    QByteArray bomb = payload;
    bomb[8 + 2] = static_cast<char>(0xFF);
    EXPECT_FALSE(ReadHoldTraces(bomb).has_value());
    // A damaged packed byte.
    QByteArray damaged = payload;
    damaged[30] = static_cast<char>(damaged[30] ^ 0x5A);
    EXPECT_FALSE(ReadHoldTraces(damaged).has_value());
    // No shot, no payload.
    EXPECT_TRUE(HoldTraces{}.Payload().isEmpty());
}

TEST(HoldTraces, GoOnFromALanesEarlierPayload) {
    HoldRecorder aim;
    HoldTraces lane;
    Wander w;
    for (int i = 0; i < 2000; ++i) {
        const HoldSample s = w.Next();
        aim.Push(s.x, s.y, s.tick);
    }
    lane.BeginShot(aim, 0, w.tick);
    // The panel leaves the lane during the follow-through: what it has is kept.
    lane.Finish();
    const QByteArray first = lane.Payload();
    ASSERT_EQ(ReadHoldTraces(first)->size(), 1U);

    HoldTraces back;
    back.Resume(first);
    back.BeginShot(aim, 1, w.tick + 10);
    const auto both = ReadHoldTraces(back.Payload());
    ASSERT_TRUE(both.has_value());
    ASSERT_EQ(both->size(), 2U);
    EXPECT_EQ((*both)[0].shot, 0);
    EXPECT_EQ((*both)[1].shot, 1);
    // A payload that does not read is no start.
    back.Resume(first.left(first.size() - 1));
    EXPECT_TRUE(back.Payload().isEmpty());
}

// A payload packed at another fixed-point scale reads; going on from it keeps its positions.
TEST(HoldTraces, GoingOnFromAnotherScaleKeepsThePositions) {
    HoldRecorder aim;
    Wander w;
    for (int i = 0; i < 500; ++i) {
        const HoldSample s = w.Next();
        aim.Push(s.x, s.y, s.tick);
    }
    HoldTraces lane;
    lane.BeginShot(aim, 0, w.tick);
    lane.Finish();
    QByteArray eighths = lane.Payload();
    eighths[4] = 8; // scale 1/8: the same numbers, twice the positions
    const auto read = ReadHoldTraces(eighths);
    ASSERT_TRUE(read && read->size() == 1U && !(*read)[0].samples.empty());

    HoldTraces back;
    back.Resume(eighths);
    const auto again = ReadHoldTraces(back.Payload());
    ASSERT_TRUE(again && again->size() == 1U);
    ASSERT_EQ((*again)[0].samples.size(), (*read)[0].samples.size());
    for (size_t i = 0; i < (*read)[0].samples.size(); ++i) {
        EXPECT_EQ((*again)[0].samples[i].x, (*read)[0].samples[i].x) << i;
        EXPECT_EQ((*again)[0].samples[i].y, (*read)[0].samples[i].y) << i;
    }
}
