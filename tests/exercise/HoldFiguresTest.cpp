#include "exercise/HoldFigures.h"

#include "platform/ResourceLibrary.h"
#include "targets/Scoring.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace ryvo;

namespace {

constexpr std::uint32_t kT0 = 50'000;
constexpr std::uint32_t kStep = 2; // 500 samples a second

// `ms` of aim ending at `end`, one sample every 2 ms, placed by `at(age)`.
template <typename At> void Aim(HoldRecorder& aim, std::uint32_t end, std::uint32_t ms, At at) {
    for (std::uint32_t age = ms;; age -= kStep) {
        const ShotPoint p = at(age);
        aim.Push(p.x, p.y, end - age);
        if (age < kStep) {
            break;
        }
    }
}

HoldTarget Sport() {
    return MakeHoldTarget(kTargetSport, nullptr);
}

} // namespace

TEST(HoldFigures, StillAimAndAimThatEntersLate) {
    HoldRecorder aim;
    const std::uint32_t shot = kT0 + 2000;
    Aim(aim, shot, 2000, [](std::uint32_t) { return ShotPoint{5.0F, -3.0F}; });
    ShotHold h = ComputeHoldFigures(aim, shot, {5.0F, -3.0F}, ShotPoint{5.0F, -3.0F}, Sport());
    ASSERT_TRUE(h.valid);
    EXPECT_DOUBLE_EQ(h.hold, 2.0);
    EXPECT_DOUBLE_EQ(h.span, 1.0);
    EXPECT_DOUBLE_EQ(h.len1, 0.0);
    EXPECT_DOUBLE_EQ(h.len1mm, 0.0);
    EXPECT_DOUBLE_EQ(h.move02, 0.0);
    EXPECT_DOUBLE_EQ(h.in10, 1.0);
    EXPECT_DOUBLE_EQ(h.steady, 1.0);
    EXPECT_DOUBLE_EQ(h.jerk, 0.0);
    EXPECT_EQ(h.jerkDirection, -1);

    // Off the square for a second, then in for 0.5 s: the hold counts from the entry; the
    // last second's share in the 10 counts only the half inside.
    aim.Clear();
    Aim(aim, shot, 1500, [](std::uint32_t age) {
        return age > 500 ? ShotPoint{-150.0F, 0.0F} : ShotPoint{0.0F, 0.0F};
    });
    h = ComputeHoldFigures(aim, shot, {0.0F, 0.0F}, std::nullopt, Sport());
    EXPECT_DOUBLE_EQ(h.hold, 0.5);
    EXPECT_NEAR(h.in10, 251.0 / 501.0, 1e-12);
    EXPECT_DOUBLE_EQ(h.len1, 150.0);
    EXPECT_TRUE(std::isnan(h.jerk));

    // The light spot lost for 300 ms ends the hold as leaving the square does.
    aim.Clear();
    Aim(aim, shot - 600, 1000, [](std::uint32_t) { return ShotPoint{}; });
    Aim(aim, shot, 300, [](std::uint32_t) { return ShotPoint{}; });
    EXPECT_DOUBLE_EQ(ComputeHoldFigures(aim, shot, {}, std::nullopt, Sport()).hold, 0.3);
}

TEST(HoldFigures, CircleAtConstantSpeedGivesItsCircumference) {
    // One turn a second: the last second's path is the circle (500 chords).
    const auto circle = [](float radius) {
        return [radius](std::uint32_t age) {
            const double a = 2.0 * std::numbers::pi * age / 1000.0;
            return ShotPoint{static_cast<float>(radius * std::cos(a)),
                             static_cast<float>(radius * std::sin(a))};
        };
    };
    const std::uint32_t shot = kT0 + 3000;
    HoldRecorder aim;
    Aim(aim, shot, 3000, circle(30.0F));
    const ShotHold n4 = ComputeHoldFigures(aim, shot, {30.0F, 0.0F}, std::nullopt,
                                           MakeHoldTarget(kTargetN4, nullptr));
    EXPECT_NEAR(n4.len1, 2.0 * std::numbers::pi * 30.0, 0.01);
    EXPECT_NEAR(n4.len1mm, n4.len1 * kN4SideMm / 200.0, 1e-9);
    EXPECT_NEAR(n4.move02, 0.2 * 2.0 * std::numbers::pi * 30.0, 0.01);
    // Radius 30 is outside the N4 10 (22 with the hole) and outside a 10-sized circle about
    // the centre of the circle.
    EXPECT_DOUBLE_EQ(n4.in10, 0.0);
    EXPECT_DOUBLE_EQ(n4.steady, 0.0);

    aim.Clear();
    Aim(aim, shot, 3000, [&](std::uint32_t age) {
        ShotPoint p = circle(10.0F)(age);
        p.x += 50.0F;
        return p;
    });
    const ShotHold sport = ComputeHoldFigures(aim, shot, {60.0F, 0.0F}, std::nullopt, Sport());
    EXPECT_NEAR(sport.len1, 2.0 * std::numbers::pi * 10.0, 0.01);
    // Steady though far from the 10.
    EXPECT_DOUBLE_EQ(sport.in10, 0.0);
    EXPECT_DOUBLE_EQ(sport.steady, 1.0);
}

TEST(HoldFigures, JumpAtTheTriggerShowsInMovementAndJerk) {
    HoldRecorder aim;
    const std::uint32_t shot = kT0 + 2000;
    Aim(aim, shot, 2000, [](std::uint32_t age) {
        return age > 50 ? ShotPoint{0.0F, 0.0F} : ShotPoint{6.0F, 8.0F};
    });
    const ShotHold h = ComputeHoldFigures(aim, shot, {6.0F, 8.0F}, ShotPoint{0.0F, 0.0F}, Sport());
    EXPECT_DOUBLE_EQ(h.move02, 10.0);
    EXPECT_DOUBLE_EQ(h.len1, 10.0);
    EXPECT_DOUBLE_EQ(h.jerk, 10.0);
    EXPECT_EQ(JerkDirectionWords(h.jerkDirection), QStringLiteral("вниз-вправо"));

    EXPECT_EQ(JerkDirectionWords(JerkDirection(0.0, -5.0)), QStringLiteral("вверх"));
    EXPECT_EQ(JerkDirectionWords(JerkDirection(-5.0, 0.4)), QStringLiteral("влево"));
    EXPECT_EQ(JerkDirectionWords(JerkDirection(-3.0, -3.0)), QStringLiteral("вверх-влево"));
    EXPECT_EQ(JerkDirectionWords(JerkDirection(0.0, 0.0)), QString());
}

TEST(HoldFigures, ShortTraceMissAndNoAim) {
    HoldRecorder aim;
    const std::uint32_t shot = kT0 + 400;
    Aim(aim, shot, 400, [](std::uint32_t) { return ShotPoint{1.0F, 1.0F}; });
    ShotHold h = ComputeHoldFigures(aim, shot, {1.0F, 1.0F}, std::nullopt, Sport());
    ASSERT_TRUE(h.valid);
    EXPECT_DOUBLE_EQ(h.span, 0.4);
    EXPECT_DOUBLE_EQ(h.hold, 0.4);
    EXPECT_DOUBLE_EQ(h.in10, 1.0);

    // Aim off the target at the shot: no hold, nothing inside.
    aim.Clear();
    Aim(aim, shot, 400, [](std::uint32_t) { return ShotPoint{150.0F, 0.0F}; });
    h = ComputeHoldFigures(aim, shot, {150.0F, 0.0F}, std::nullopt, Sport());
    ASSERT_TRUE(h.valid);
    EXPECT_DOUBLE_EQ(h.hold, 0.0);
    EXPECT_DOUBLE_EQ(h.in10, 0.0);

    // No aim at all, or none for longer than a lost spot: no figures.
    EXPECT_FALSE(ComputeHoldFigures(HoldRecorder{}, shot, {}, std::nullopt, Sport()).valid);
    EXPECT_FALSE(ComputeHoldFigures(aim, shot + 1000, {}, std::nullopt, Sport()).valid);

    // A pack target without a zone map has no 10: shares are no figure, lengths still are.
    const HoldTarget bare = MakeHoldTarget(kFirstLibraryTarget, nullptr);
    h = ComputeHoldFigures(aim, shot, {}, std::nullopt, bare);
    EXPECT_TRUE(std::isnan(h.in10));
    EXPECT_TRUE(std::isnan(h.steady));
    EXPECT_TRUE(std::isnan(h.len1mm));
    EXPECT_DOUBLE_EQ(h.len1, 0.0);
}

TEST(HoldFigures, PackTargetDeclaresItsSizeAndBestZone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile strings(dir.filePath(QStringLiteral("strings.txt")));
    ASSERT_TRUE(strings.open(QIODevice::WriteOnly));
    strings.write("1\t2\n101\tpack one\n102\tpack two\n301\t400\n302\tmany\n");
    strings.close();
    // 200 px across: best zone 9 inside 20 px of the centre, 4 elsewhere.
    QImage map(200, 200, QImage::Format_Grayscale8);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            const double r = std::hypot(x - 99.5, y - 99.5);
            map.setPixel(x, y, r < 20.0 ? qRgb(9, 9, 9) : qRgb(4, 4, 4));
        }
    }
    ASSERT_TRUE(map.save(dir.filePath(QStringLiteral("1001.zones.png"))));
    const auto pack = ResourceLibrary::LoadFolder(dir.path());
    ASSERT_TRUE(pack.has_value());

    const HoldTarget first = MakeHoldTarget(kFirstLibraryTarget, &*pack);
    EXPECT_DOUBLE_EQ(first.mmPerUnit, 2.0);
    EXPECT_EQ(first.bestZone, 9);
    EXPECT_NEAR(first.steadyRadius, 20.0, 0.3);
    HoldRecorder aim;
    const std::uint32_t shot = kT0 + 1000;
    Aim(aim, shot, 1000, [](std::uint32_t age) {
        return age >= 500 ? ShotPoint{5.0F, 5.0F} : ShotPoint{60.0F, 5.0F};
    });
    const ShotHold h = ComputeHoldFigures(aim, shot, {}, std::nullopt, first);
    EXPECT_NEAR(h.in10, 251.0 / 501.0, 1e-12);
    EXPECT_DOUBLE_EQ(h.len1mm, 55.0 * 2.0);

    // A size that is not a number is no size.
    EXPECT_TRUE(std::isnan(MakeHoldTarget(kFirstLibraryTarget + 1, &*pack).mmPerUnit));
}
