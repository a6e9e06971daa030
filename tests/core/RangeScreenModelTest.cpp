#include "core/RangeScreenModel.h"
#include "core/ProgramState.h"

#include <gtest/gtest.h>

using namespace ryvo;

namespace {

constexpr std::uint32_t kLanes0And2 = 0b101;

ProgramState TwoLaneState() {
    ProgramState state;
    state.settings.Time = 30;
    state.settings.ShootsNumber = 10;
    state.settings.Target = {2, 2, 1, 2, 2};
    state.LaneShooter[2] = QStringLiteral("Петров");
    state.run.LaneActive = {1, 0, 1, 0, 0};
    return state;
}

void Shoot(ProgramState& state, size_t lane, ShotPoint at, std::int32_t score) {
    state.run.ShotPos[lane].push_back(at);
    ++state.run.ShotCount[lane];
    state.run.ScoreSum[lane] += score;
}

} // namespace

TEST(RangeScreenModel, FollowsShotsAndDispatchPointsAndOnlyRealChanges) {
    ProgramState state = TwoLaneState();
    RangeScreenModel& model = state.RangeScreen;

    // Closed, a report only notes the window's lanes: no figures, no change.
    Shoot(state, 2, {10.0F, -5.0F}, 9);
    model.Dispatch(state, kLanes0And2, 10);
    model.Shot(state, 2, 10);
    EXPECT_EQ(model.Changes(), 0u);
    EXPECT_EQ(model.Reports(), 0u);
    EXPECT_FALSE(model.Lane(2).shown);

    // Opened, it takes everything from the last window's report.
    model.SetOpen(true);
    model.Refresh(state);
    const std::uint64_t opened = model.Changes();
    EXPECT_GT(opened, 0u);
    EXPECT_TRUE(model.Lane(0).shown);
    EXPECT_FALSE(model.Lane(1).shown);
    const RangeLane& lane2 = model.Lane(2);
    EXPECT_TRUE(lane2.shown);
    EXPECT_EQ(lane2.shooter, QStringLiteral("Петров"));
    EXPECT_EQ(lane2.target, 1);
    EXPECT_EQ(lane2.shots, 1u);
    EXPECT_EQ(lane2.planned, 10u);
    EXPECT_EQ(lane2.sum, 9);
    EXPECT_TRUE(lane2.timeLimited);
    EXPECT_EQ(lane2.seconds, 30u);
    ASSERT_EQ(lane2.holes.size(), 1u);
    EXPECT_EQ(lane2.holes[0], (ShotPoint{10.0F, -5.0F}));

    // A dispatch point where nothing changed leaves the counter alone.
    model.Dispatch(state, kLanes0And2, 10);
    EXPECT_EQ(model.Changes(), opened);

    // A shot changes the lane's figures and the counter.
    Shoot(state, 2, {-20.0F, 40.0F}, 7);
    model.Shot(state, 2, 10);
    EXPECT_EQ(model.Changes(), opened + 1);
    EXPECT_EQ(model.Lane(2).shots, 2u);
    EXPECT_EQ(model.Lane(2).sum, 16);
    ASSERT_EQ(model.Lane(2).holes.size(), 2u);
    EXPECT_EQ(model.Lane(2).holes.back(), (ShotPoint{-20.0F, 40.0F}));

    // The clock of a running lane counts down; a lane that is done stands at its shooting time.
    state.run.ElapsedSec[2] = 12;
    model.Dispatch(state, kLanes0And2, 10);
    EXPECT_EQ(model.Lane(2).seconds, 18u);
    state.run.LaneActive[2] = 0;
    state.run.ShootTime[2] = 14.6F;
    state.run.ElapsedSec[2] = 25; // the pause between series counts on here
    model.Dispatch(state, kLanes0And2, 10);
    EXPECT_EQ(model.Lane(2).seconds, 16u);
    const std::uint64_t done = model.Changes();
    state.run.ElapsedSec[2] = 27;
    model.Dispatch(state, kLanes0And2, 10);
    EXPECT_EQ(model.Changes(), done);

    // A new series empties the holes; a shooter named later shows at the next report.
    state.run.ClearShots(2);
    state.run.ShotCount[2] = 0;
    state.run.ScoreSum[2] = 0;
    state.LaneShooter[0] = QStringLiteral("Иванов");
    model.Dispatch(state, kLanes0And2, 10);
    EXPECT_TRUE(model.Lane(2).holes.empty());
    EXPECT_EQ(model.Lane(2).sum, 0);
    EXPECT_EQ(model.Lane(0).shooter, QStringLiteral("Иванов"));

    // Without a time limit the seconds shot so far; a lane the window no longer serves goes.
    state.settings.Time = 0;
    state.run.LaneActive[0] = 1;
    state.run.ElapsedSec[0] = 8;
    model.Dispatch(state, 0b001, 5);
    EXPECT_FALSE(model.Lane(0).timeLimited);
    EXPECT_EQ(model.Lane(0).seconds, 8u);
    EXPECT_EQ(model.Lane(0).planned, 5u);
    EXPECT_FALSE(model.Lane(2).shown);

    // Closed again: reports change nothing.
    model.SetOpen(false);
    const std::uint64_t closed = model.Changes();
    Shoot(state, 0, {0.0F, 0.0F}, 10);
    model.Shot(state, 0, 5);
    model.Dispatch(state, 0b001, 5);
    EXPECT_EQ(model.Changes(), closed);
    EXPECT_EQ(model.Lane(0).shots, 0u);
}

TEST(RangeScreenModel, OpenedBeforeAnyRunShowsThePresentLanes) {
    ProgramState state = TwoLaneState();
    state.LanePresent = {1, 1, 0, 1, 0};
    state.settings.Target[3] = -1; // present, but no target: not in use
    state.RangeScreen.SetOpen(true);
    state.RangeScreen.Refresh(state);
    EXPECT_TRUE(state.RangeScreen.Lane(0).shown);
    EXPECT_TRUE(state.RangeScreen.Lane(1).shown);
    EXPECT_FALSE(state.RangeScreen.Lane(2).shown);
    EXPECT_FALSE(state.RangeScreen.Lane(3).shown);
    EXPECT_EQ(state.RangeScreen.Lane(1).planned, 10u);
}

TEST(RangeScreenPlacement, ASecondScreenTakesItFullScreenOtherwiseAWindowOnTheOne) {
    const QRect left(0, 0, 1280, 1024);
    const QRect right(1280, 0, 1920, 1080);

    RangeScreenPlacement place = PlaceRangeScreen({left, right}, 0);
    EXPECT_TRUE(place.fullScreen);
    EXPECT_EQ(place.screen, 1);
    EXPECT_EQ(place.geometry, right);

    place = PlaceRangeScreen({left, right}, 1);
    EXPECT_TRUE(place.fullScreen);
    EXPECT_EQ(place.screen, 0);
    EXPECT_EQ(place.geometry, left);

    place = PlaceRangeScreen({left, right, QRect(3200, 0, 800, 600)}, 2);
    EXPECT_TRUE(place.fullScreen);
    EXPECT_NE(place.screen, 2);

    place = PlaceRangeScreen({right}, 0);
    EXPECT_FALSE(place.fullScreen);
    EXPECT_EQ(place.screen, 0);
    EXPECT_TRUE(right.contains(place.geometry));
    EXPECT_LT(place.geometry.width(), right.width());
    EXPECT_GT(place.geometry.width(), right.width() / 2);

    // An unknown main screen counts as the first.
    place = PlaceRangeScreen({right}, 5);
    EXPECT_FALSE(place.fullScreen);
    EXPECT_TRUE(right.contains(place.geometry));
    place = PlaceRangeScreen({}, 0);
    EXPECT_FALSE(place.fullScreen);
    EXPECT_FALSE(place.geometry.isEmpty());
}
