#include "archive/ArchiveBeside.h"
#include "archive/ArchiveStore.h"
#include "archive/TArchiv3.h"
#include "core/ProgramState.h"
#include "core/ShotHold.h"
#include "exercise/HoldTrace.h"
#include "platform/Clock.h"
#include "support/TempDir.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <memory>

using namespace ryvo;

namespace {

// Each shot aimed by a 4 s level sweep ending 40 units right of where it came from.
QByteArray SweepTraces(const std::vector<ShotPoint>& shots) {
    HoldRecorder aim;
    HoldTraces traces;
    std::uint32_t tick = 10'000;
    for (size_t s = 0; s < shots.size(); ++s) {
        for (int i = 0; i < 2000; ++i) {
            tick += 2;
            const float x = shots[s].x - 40.0F + static_cast<float>(i) * 0.02F;
            aim.Push(x, shots[s].y, tick);
            traces.Add(x, shots[s].y, tick);
        }
        traces.BeginShot(aim, static_cast<int>(s), tick + 1);
    }
    for (int i = 0; i < 300; ++i) {
        tick += 2;
        traces.Add(shots.back().x, shots.back().y, tick);
    }
    return traces.Payload();
}

struct Replay {
    test::TempDir dir;
    ProgramState state;
    ManualClock clock{1000};
    Services services;
    std::unique_ptr<TArchiv3> view;
    QString group;

    explicit Replay(const std::vector<ShotPoint>& shots, bool traced = true) {
        state.StartDir = dir.Path();
        services.clock = &clock;
        NewResult r;
        r.shooter = QStringLiteral("Петров");
        r.targetType = 2;
        r.plannedShots = 2;
        r.shots = shots;
        r.trace = traced ? SweepTraces(shots) : QByteArray();
        ShotHold h;
        h.valid = true;
        h.hold = 4.3;
        h.len1 = 12.0;
        h.mmPerUnit = 2.5;
        h.jerk = 2.0;
        h.jerkDirection = 2;
        KeepHoldMembers(r.beside, 0, h);
        const AppendOutcome out =
            AppendResult(dir.Path(), QStringLiteral("Взвод"), {2008, 12, 7, 9, 5}, r);
        EXPECT_TRUE(out.ok && out.besideError.isEmpty());
        group = out.path;
    }
    void Open() {
        ASSERT_TRUE(ReadGroupFile(state.archive, group, ShotScorer{nullptr}));
        state.archive.DayRecords = state.archive.ArchiveRecords;
        state.archive.CurrentRecord = 0;
        view = std::make_unique<TArchiv3>(state, services);
        view->FormActivate();
    }
    template <typename T> T* Child(const char* name) const {
        T* child = view->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    [[nodiscard]] Color At(ShotPoint p) const {
        const QImage& image = view->TargetImage();
        const double k = image.width() * 0.005;
        return FromQColor(QColor(
            image.pixel(static_cast<int>(k * p.x + 100 * k), static_cast<int>(k * p.y + 100 * k))));
    }
};

} // namespace

TEST(ArchivedReplay, PlaysEachShotWithItsFiguresAndGivesWayToTheStepThrough) {
    Replay r({{0.0F, 0.0F}, {30.0F, -20.0F}});
    r.Open();
    auto* play = r.Child<QPushButton>("Replay");
    auto* figures = r.Child<QLabel>("ShotFigures");
    ASSERT_TRUE(play->isEnabled());
    EXPECT_FALSE(r.Child<QPushButton>("ReplayNext")->isEnabled());
    r.Child<QComboBox>("ReplaySpeed")->setCurrentIndex(3); // 2x
    play->click();
    // The first frame: the shot not reached, its hole not yet there.
    EXPECT_NE(r.At({0, 0}), kRed);
    EXPECT_TRUE(figures->text().startsWith(QStringLiteral("Выстрел N 1\nУдержание: 4.3 с")));
    EXPECT_TRUE(figures->text().contains(QStringLiteral("След за 1 с: 30.0 мм")));
    EXPECT_TRUE(figures->text().contains(QStringLiteral("Срыв: 5.0 мм вверх")));
    r.clock.Advance(1499);
    r.view->ReplayTick();
    EXPECT_NE(r.At({0, 0}), kRed);
    r.clock.Advance(1);
    r.view->ReplayTick();
    EXPECT_EQ(r.At({0, 0}), kRed);

    // Paused, the clock moves on and the shot stays.
    r.Child<QPushButton>("ReplayPause")->click();
    r.clock.Advance(10'000);
    r.view->ReplayTick();
    EXPECT_EQ(r.Child<QPushButton>("ReplayPause")->text(), QStringLiteral("Продолжить"));
    EXPECT_TRUE(figures->text().startsWith(QStringLiteral("Выстрел N 1")));

    // The next shot: the one before is a black disc, this one has no figures kept.
    r.Child<QPushButton>("ReplayNext")->click();
    EXPECT_EQ(r.At({0, 0}), kBlack);
    EXPECT_NE(r.At({30, -20}), kRed);
    EXPECT_TRUE(r.Child<QGroupBox>("ShotFiguresG")->isHidden());
    r.Child<QPushButton>("ReplayPrevious")->click();
    EXPECT_TRUE(figures->text().startsWith(QStringLiteral("Выстрел N 1")));

    // The step-through ends the replay and shows the stepped shot's figures.
    r.Child<QPushButton>("ViewShoots")->click();
    EXPECT_EQ(play->text(), QStringLiteral("Воспроизвести"));
    EXPECT_FALSE(r.Child<QPushButton>("ReplayPause")->isEnabled());
    EXPECT_EQ(r.At({0, 0}), kRed);
    EXPECT_TRUE(figures->text().startsWith(QStringLiteral("Выстрел N 1\nУдержание")));
    play->click();
    EXPECT_EQ(r.Child<QPushButton>("ViewShoots")->text(), QStringLiteral("Просмотреть выстрелы"));
}

TEST(ArchivedReplay, NoReplayWithoutItsOwnReadableTrace) {
    const std::vector<ShotPoint> shots{{0.0F, 0.0F}, {30.0F, -20.0F}};
    Replay none(shots, false);
    none.Open();
    EXPECT_FALSE(none.Child<QPushButton>("Replay")->isEnabled());
    EXPECT_FALSE(none.Child<QComboBox>("ReplaySpeed")->isEnabled());
    // As always: white holes.
    EXPECT_EQ(none.At({0, 0}), kWhite);

    Replay damaged(shots);
    QFile trc(BesideTracesPath(damaged.group));
    ASSERT_TRUE(trc.open(QIODevice::ReadWrite));
    QByteArray bytes = trc.readAll();
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5A);
    trc.seek(0);
    trc.write(bytes);
    trc.close();
    damaged.Open();
    EXPECT_FALSE(damaged.Child<QPushButton>("Replay")->isEnabled());

    // Another record's trace file in its place.
    Replay other({{5.0F, 5.0F}, {1.0F, 1.0F}});
    Replay mine(shots);
    ASSERT_TRUE(QFile::remove(BesideTracesPath(mine.group)));
    ASSERT_TRUE(QFile::copy(BesideTracesPath(other.group), BesideTracesPath(mine.group)));
    mine.Open();
    EXPECT_FALSE(mine.Child<QPushButton>("Replay")->isEnabled());
    mine.Child<QPushButton>("Replay")->click();
    EXPECT_EQ(mine.At({0, 0}), kWhite);
}
