#include "HolePixels.h"
#include "TwoShooterHarness.h"

#include "calibration/Calibration.h"
#include "exercise/TracePhases.h"
#include "exercise/TwoShooterPanel.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>
#include <map>
#include <random>

using namespace ryvo;

namespace {

// The trace as a list that is shifted by copying, entry by entry, drawn with the same pens:
// what the ring buffer of the panel has to reproduce.
class ShiftingTrace {
public:
    ShiftingTrace(const Settings& settings, int length)
        : hx(kTraceEntries, 0.0F), hy(kTraceEntries, 0.0F), m_settings(settings), m_length(length) {
    }

    void TailDraw(bool inWindow) {
        if (!inWindow) {
            if (count > 1) {
                Polyline(kYellow, 1, count, hx, hy);
                count = 0;
            }
            return;
        }
        if (count > 0) {
            Line(kYellow, Px(hx[0], hy[0]), Px(hx[1], hy[1]));
        }
        if (count == m_length) {
            Line(kYellow, Px(hx[count - 1], hy[count - 1]), Px(hx[count], hy[count]));
        }
        for (int i = count; i >= 0; --i) {
            hx[i + 1] = hx[i];
            hy[i + 1] = hy[i];
        }
        if (count < m_length) {
            ++count;
        }
    }

    // Returns the trigger-jerk point in target units.
    TargetPoint TailShoot(int entry) {
        if (m_shotDrawn) {
            Polyline(kAqua, 0, m_savedCount, m_savedX, m_savedY);
        }
        m_savedCount = count;
        m_savedX.assign(hx.begin(), hx.begin() + count + 1);
        m_savedY.assign(hy.begin(), hy.begin() + count + 1);
        Polyline(kAqua, 0, m_savedCount, m_savedX, m_savedY);
        m_shotDrawn = true;
        return ToTarget(m_settings, 0, hx[entry], hy[entry]);
    }

    ImageCanvas canvas{363, 363, kButtonFace};
    int count = 0;
    std::vector<float> hx;
    std::vector<float> hy;

private:
    QPoint Px(float x, float y) const {
        const TargetPoint t = ToTarget(m_settings, 0, x, y);
        return {ToPixels(t.x, 363), ToPixels(t.y, 363)};
    }
    void Line(Color color, QPoint a, QPoint b) {
        canvas.SetPen(color, 2, PenMode::Xor);
        canvas.MoveTo(a.x(), a.y());
        canvas.LineTo(b.x(), b.y());
    }
    void Polyline(Color color, int from, int to, const std::vector<float>& x,
                  const std::vector<float>& y) {
        for (int i = from; i < to; ++i) {
            Line(color, Px(x[i], y[i]), Px(x[i + 1], y[i + 1]));
        }
    }

    const Settings& m_settings;
    int m_length;
    bool m_shotDrawn = false;
    int m_savedCount = 0;
    std::vector<float> m_savedX;
    std::vector<float> m_savedY;
};

struct TraceCase {
    int length;
    std::int32_t timePost;
    std::int32_t timeGun;
    int steps;
};

void CompareWithShiftingList(const TraceCase& c, unsigned seed) {
    ProgramState state;
    test::UseSingleShooterSettings(state, 10, 2);
    state.settings.CentX[0] = 3.0F;
    state.settings.ScaleL[0] = 1.2F;
    state.settings.FlagPostGunEnable = 1;
    state.settings.TimePost = c.timePost;
    state.settings.TimeGun = c.timeGun;
    state.TraceLength = c.length;
    test::RecordingPanel view;
    TraceBuffer ring;
    TwoShooterPanel panel(state, view, 0, ring);
    panel.ResetSeries();
    ShiftingTrace reference(state.settings, c.length);
    const QImage blank = view.target.Image().copy();

    std::mt19937 random(seed);
    std::uniform_real_distribution<float> step(-0.04F, 0.04F);
    std::uniform_int_distribution<int> roll(0, 99);
    float x = 0.0F;
    float y = 0.0F;
    bool inWindow = true;
    int drawnSteps = 0;
    int shots = 0;
    for (int n = 0; n < c.steps; ++n) {
        x = std::clamp(x + step(random), -0.9F, 0.9F);
        y = std::clamp(y + step(random), -0.9F, 0.9F);
        // The aim leaves the level window now and then, for a few passes.
        if (roll(random) < (inWindow ? 4 : 30)) {
            inWindow = !inWindow;
        }
        state.Device.TraceHistX[0][0] = x;
        state.Device.TraceHistY[0][0] = y;
        reference.hx[0] = x;
        reference.hy[0] = y;
        if (inWindow && roll(random) < 8) {
            // A shot comes before the pass's trace step, as in the run.
            panel.TailShoot();
            const int entry = c.timePost / c.timeGun;
            const TargetPoint jerk = reference.TailShoot(entry);
            ASSERT_EQ(view.places[ViewItem::PostGun],
                      MarkerCorner(static_cast<float>(363 * 0.005), jerk.x, jerk.y, QSize(20, 21)))
                << "step " << n;
            ++shots;
        }
        panel.TailDraw(true, inWindow ? 4000 : 100);
        reference.TailDraw(inWindow);
        ASSERT_EQ(panel.TraceCount(), reference.count) << "step " << n;
        ASSERT_EQ(view.target.Image(), reference.canvas.Image()) << "step " << n;
        for (int i : {0, 1, reference.count, reference.count + 1, c.length + 1}) {
            ASSERT_EQ(panel.History().Entry(i).x, reference.hx[i])
                << "step " << n << " entry " << i;
        }
        if (view.target.Image() != blank) {
            ++drawnSteps;
        }
    }
    // The comparison saw traces and shots, not only an empty target.
    EXPECT_GT(drawnSteps, c.steps / 2);
    EXPECT_GT(shots, 5);
}

} // namespace

TEST(TwoShooterTrace, LiveAndShotTracesMatchAShiftingList) {
    // Short trace: full most of the time, cut often; the marker entry lies past the trace
    // after every cut.
    CompareWithShiftingList({7, 500, 100, 3000}, 1);
    // Long trace with a marker far back.
    CompareWithShiftingList({300, 300, 2, 3000}, 2);
    // One sample: nothing stays on the picture but the shot traces.
    CompareWithShiftingList({1, 0, 1, 500}, 3);
}

TEST(TwoShooterTrace, HistoryOfTheLongestTraceStaysInsideItsEntries) {
    ProgramState state;
    DeviceValues& device = state.Device;
    TraceBuffer ring;
    PositionHistory history(device, 0, ring);
    // The longest trace shifts entries 0..9999; the last entry is the oldest kept.
    for (int n = 0; n < kTraceEntries + 5; ++n) {
        device.TraceHistX[0][0] = static_cast<float>(n);
        history.Shift(kMaxTraceLength);
    }
    EXPECT_EQ(history.Entry(0).x, static_cast<float>(kTraceEntries + 4));
    EXPECT_EQ(history.Entry(1).x, static_cast<float>(kTraceEntries + 4));
    EXPECT_EQ(history.Entry(kMaxTraceLength).x, 6.0F);
}

// With "Фазы прицеливания цветом" the shot trace is drawn by phase under the XOR live trace,
// which must still erase cleanly, and the next shot's trace puts back what lay under it.
TEST(TwoShooterTrace, ShotTraceByPhaseUnderTheLiveTraceGivesWayToTheNext) {
    ProgramState state;
    test::UseSingleShooterSettings(state, 10, 2);
    Settings& s = state.settings;
    s.CentX[0] = s.CentY[0] = 0.0F; // raw r is 100 r target units
    s.ScaleL[0] = s.ScaleR[0] = s.ScaleU[0] = s.ScaleD[0] = 1.0F;
    s.TimeGun = 10;
    state.TraceLength = 300;
    state.Display.tracePhases = true;
    state.run.LaneLit[0] = 1;
    test::RecordingPanel view;
    TraceBuffer ring;
    TwoShooterPanel panel(state, view, 0, ring);
    panel.ResetSeries();
    const Color background = view.target.Pixel(0, 0);
    const auto px = [](QPointF t) {
        return QPoint(ToPixels(static_cast<float>(t.x()), 363),
                      ToPixels(static_cast<float>(t.y()), 363));
    };
    const auto at = [&](QPointF t) { return view.target.Pixel(px(t).x(), px(t).y()); };
    const auto phase = [](int p) { return PhaseColor(static_cast<TracePhase>(p)); };
    const auto colours = [&](const QRect& outside) {
        return test::PixelColours(view.target.Image(), outside);
    };
    // A pass every 10 ms, as the run makes it: the aim, a shot, the trace's step.
    const auto passes = [&](std::uint32_t shot, int from, int to, auto where) {
        for (int ms = from; ms <= to; ms += 10) {
            const QPointF raw = where(ms) / 100.0;
            state.Device.TraceHistX[0][0] = static_cast<float>(raw.x());
            state.Device.TraceHistY[0][0] = static_cast<float>(raw.y());
            const TargetPoint aim =
                ToTarget(s, 0, static_cast<float>(raw.x()), static_cast<float>(raw.y()));
            panel.RecordAim(aim.x, aim.y, shot + static_cast<std::uint32_t>(ms));
            if (ms == 0) {
                panel.TailShoot();
            }
            panel.TailDraw(true, 4000);
        }
    };

    const auto first = [](int ms) {
        return ms <= 0 ? QPointF(80.0 + ms * 0.08, -50.0) : QPointF(80.0, -50.0 + ms * 0.2);
    };
    passes(10000, -2000, 600, first);
    panel.ClearLiveTrace();
    auto left = colours({});
    for (const Color c : {background, phase(0), phase(1), phase(2), phase(3)}) {
        left.erase(c);
    }
    EXPECT_TRUE(left.empty()) << "XOR left " << left.size() << " other colours, e.g. " << std::hex
                              << left.begin()->first;
    EXPECT_EQ(at(first(-1500)), phase(0));
    EXPECT_EQ(at(first(-600)), phase(1));
    EXPECT_EQ(at(first(-190)), phase(2));
    EXPECT_EQ(at(first(250)), phase(3)) << "the follow-through is added after 0.5 s";
    EXPECT_EQ(at(first(590)), background);

    const auto second = [](int ms) { return QPointF(-20.0 + ms * 0.03, 60.0); };
    passes(15000, -1500, 200, second);
    panel.ClearLiveTrace();
    const QRect area =
        QRect(px(second(-1500)), px(second(200))).normalized().adjusted(-5, -5, 5, 5);
    for (int p = 0; p < kTracePhaseCount; ++p) {
        EXPECT_EQ(colours(area)[phase(p)], 0) << "phase " << p << " of the first trace";
    }
    EXPECT_EQ(at(second(-180)), phase(2));
}

namespace {

// A message box runs the event loop, and with it the window's tick.
class TickingDialogs final : public Dialogs {
public:
    MessageAnswer Message(const QString& /*text*/, const QString& /*caption*/, MessageIcon /*icon*/,
                          MessageButtons /*buttons*/) override {
        ++shown;
        tick();
        return MessageAnswer::Ok;
    }
    std::optional<QString> OpenFile(const QString&, const QString&) override { return {}; }
    std::optional<QString> SaveFile(const QString&, const QString&) override { return {}; }

    std::function<void()> tick;
    int shown = 0;
};

} // namespace

TEST(TwoShooterRun, AMissingPictureSaidAtTheSeriesStartRunsNoPassBeforeTheSeriesGoes) {
    test::TwoHarness h;
    QTemporaryDir pack; // a library without lane 2's picture
    h.state.TargetLibrary = ResourceLibrary::LoadFolder(pack.path());
    ASSERT_TRUE(h.state.TargetLibrary.has_value());
    h.state.settings.Target[1] = 11;
    TickingDialogs dialogs;
    dialogs.tick = [&h] { h.run->Tick(); };
    h.services.dialogs = &dialogs;
    h.run = std::make_unique<TwoShooterRun>(h.state, h.services, h.view);
    h.run->FormActivate();
    h.run->StartClick();
    const int before = dialogs.shown;
    h.run->Tick(); // keys up: the series starts and says the picture is missing
    EXPECT_GT(dialogs.shown, before);
    EXPECT_EQ(h.run->Passes(), 0U) << "no pass while the series is being set up";
    EXPECT_EQ(h.run->RunPhase(), RunSequence::Phase::StartSound);
    h.clock.Advance(500);
    h.sound.FinishPlayback();
    h.run->Tick();
    h.ShootAt(0, 0, 0);
    EXPECT_EQ(h.state.run.ShotCount[0], 1U);
}
