#include "exercise/SingleShooterRun.h"

#include "exercise/HoldTrace.h"
#include "exercise/RunSteps.h"
#include "exercise/TracePlayer.h"
#include "platform/Clock.h"
#include "targets/Scoring.h"

#include <algorithm>

// The replay of the last series' shots, and the redraw of the target after a resize.
namespace ryvo {

namespace {

constexpr int kReplayKeyRounds = 10;
// About the display rate; each frame is drawn at the clock's time.
constexpr std::uint32_t kFrameMs = 16;

const QString kViewShootsCaption = QStringLiteral("Просмотреть выстрелы");

} // namespace

// The replay of the last series, one shot per press of the Up key (or of the button), Escape
// ends it. A step of the window's own, with the shot it shows. Where the series kept its
// traces, each shot's aiming plays in motion and its hole appears at the shot.
class SingleShooterRun::ReplayStep final : public RunStep {
public:
    enum class State { UpRelease, WaitPress, WaitUpRelease, KeyRelease };

    explicit ReplayStep(SingleShooterRun& run) : m_run(run), m_player(*run.m_services.clock) {}

    StepResult Advance(RunSequence& sequence) override;
    [[nodiscard]] RunSequence::Phase Phase() const override { return RunSequence::Phase::Window; }
    [[nodiscard]] State Now() const { return m_state; }
    // The next shot, or the end after the last one.
    void Next();

private:
    void Show();
    void Finish();
    // The next frame of the shot playing, when one is due.
    void DrawMotion();
    void DrawHolesBefore(size_t shot);

    SingleShooterRun& m_run;
    State m_state = State::UpRelease;
    KeyRelease m_keys;
    size_t m_shot = 0;
    TracePlayer m_player;
    std::uint32_t m_frameTick = 0;
    bool m_lastFrameDrawn = false;
};

void SingleShooterRun::Redraw() {
    if (!Idle()) {
        return;
    }
    // The missing picture was said when the window came up.
    DrawEmptyTarget(false);
    const auto lane = static_cast<size_t>(Lane());
    const RunState& run = m_state.run;
    const auto count =
        m_showsSeries ? std::min<size_t>(run.ShotCount[lane], run.ShotPos[lane].size()) : 0;
    for (size_t s = 0; s < count; ++s) {
        const ShotPoint& p = run.ShotPos[lane][s];
        if (WithinTarget(p.x, p.y)) {
            panel.DrawHole(p.x, p.y, s + 1 == count ? kRed : kBlack, kWhite);
        }
    }
    if (m_showsSeries) {
        panel.DrawFrozenTraceAgain();
    }
    const QPoint corner = MarkerCorner(panel.Scale(), panel.PostGunX(), panel.PostGunY(),
                                       m_view.ItemSize(ViewItem::PostGun));
    m_view.Place(ViewItem::PostGun, corner.x(), corner.y());
}

SingleShooterRun::Phase SingleShooterRun::ReplayPhase() const {
    const auto* replay = dynamic_cast<const ReplayStep*>(m_sequence.Current());
    switch (replay != nullptr ? replay->Now() : ReplayStep::State::KeyRelease) {
    case ReplayStep::State::UpRelease:
        return Phase::ReplayUpRelease;
    case ReplayStep::State::WaitPress:
        return Phase::ReplayWaitPress;
    case ReplayStep::State::WaitUpRelease:
        return Phase::ReplayWaitUpRelease;
    case ReplayStep::State::KeyRelease:
        break;
    }
    return Phase::ReplayKeyRelease;
}

void SingleShooterRun::ViewShootsClick() {
    // During the replay the button steps on as the key does.
    if (auto* replay = dynamic_cast<ReplayStep*>(m_sequence.Current());
        replay != nullptr && replay->Now() == ReplayStep::State::WaitPress) {
        replay->Next();
        return;
    }
    if (!Idle() || !m_view.IsEnabled(ViewButton::ViewShoots)) {
        return;
    }
    // The replayed hole is not to be hidden under a marker.
    m_view.SetVisible(ViewItem::Gun2, false);
    m_view.SetVisible(ViewItem::PostGun, false);
    status.ReplayStarted();
    for (ViewButton b :
         {ViewButton::Start, ViewButton::Save, ViewButton::Print, ViewButton::Exit}) {
        m_view.SetEnabled(b, false);
    }
    m_sequence.Begin(false);
    m_sequence.Add<ReplayStep>(*this);
}

void SingleShooterRun::DrawReplayHole(size_t shot, Color fill) {
    const auto& shots = m_state.run.ShotPos[static_cast<size_t>(Lane())];
    if (shot < shots.size()) {
        panel.DrawHole(shots[shot].x, shots[shot].y, kWhite, fill, HoleStyle::ReplayDisc);
    }
}

void SingleShooterRun::ReplayStep::Show() {
    SingleShooterRun& r = m_run;
    const auto lane = static_cast<size_t>(r.Lane());
    const auto& shots = r.m_state.run.ShotPos[lane];
    r.m_view.SetText(ViewText::ViewShootsCaption,
                     QStringLiteral("Выстрел N ") + QString::number(m_shot + 1));
    if (m_player.PlayShot(static_cast<int>(m_shot))) {
        m_lastFrameDrawn = false;
        m_frameTick = r.m_services.clock->TickCount() - kFrameMs;
        DrawMotion();
    } else {
        if (m_shot > 0) {
            r.DrawReplayHole(m_shot - 1, kBlack);
        }
        r.DrawReplayHole(m_shot, kRed);
    }
    r.m_view.ReplayShot(static_cast<int>(m_shot));
    const ShotPoint p = m_shot < shots.size() ? shots[m_shot] : ShotPoint{};
    const std::int32_t score =
        ScoreShot(p.x, p.y, r.m_state.settings.Target[lane], LoadedZones(r.m_state));
    r.status.ReplayShot(static_cast<int>(m_shot) + 1, score);
    if (score == kScoreMiss) {
        r.panel.ShowMissArrow(r.panel.Scale(), p.y, p.x);
        r.m_view.SetVisible(ViewItem::Fail, true);
        r.m_view.SetVisible(ViewItem::FailArrow, true);
    } else if (score == kScoreDark) {
        r.m_view.SetVisible(ViewItem::ImageActive, true);
    } else {
        r.m_view.SetVisible(ViewItem::Fail, false);
        r.m_view.SetVisible(ViewItem::FailArrow, false);
        r.m_view.SetVisible(ViewItem::ImageActive, false);
    }
    if (r.Held(Key::Escape)) {
        Finish();
        return;
    }
    m_state = State::WaitPress;
}

void SingleShooterRun::ReplayStep::Next() {
    if (m_shot + 1 < m_run.m_state.run.ShotCount[static_cast<size_t>(m_run.Lane())]) {
        ++m_shot;
        Show();
    } else {
        Finish();
    }
}

void SingleShooterRun::ReplayStep::DrawHolesBefore(size_t shot) {
    m_run.DrawEmptyTarget(false);
    for (size_t s = 0; s < shot; ++s) {
        m_run.DrawReplayHole(s, kBlack);
    }
}

void SingleShooterRun::ReplayStep::DrawMotion() {
    if (!m_player.Playing() || m_lastFrameDrawn) {
        return;
    }
    const std::uint32_t now = m_run.m_services.clock->TickCount();
    if (now - m_frameTick < kFrameMs) {
        return;
    }
    m_frameTick = now;
    // Once whole, the shot stays as it is until the next press.
    m_lastFrameDrawn = m_player.AtEnd();
    DrawHolesBefore(m_shot);
    m_player.DrawFrame(m_run.m_view.Picture(ViewPicture::Target));
    m_run.m_view.Repaint(ViewPicture::Target);
}

void SingleShooterRun::ReplayStep::Finish() {
    SingleShooterRun& r = m_run;
    if (m_player.Playing()) {
        // Every hole again, as the replay began.
        m_player.Stop();
        DrawHolesBefore(r.m_state.run.ShotCount[static_cast<size_t>(r.Lane())]);
        if (r.Held(Key::Escape)) {
            r.DrawReplayHole(m_shot, kRed);
        }
    }
    if (!r.Held(Key::Escape)) {
        r.DrawReplayHole(m_shot, kBlack);
    }
    r.m_view.SetVisible(ViewItem::Fail, false);
    r.m_view.SetVisible(ViewItem::FailArrow, false);
    r.m_view.SetText(ViewText::ViewShootsCaption, kViewShootsCaption);
    r.m_view.ReplayShot(-1);
    if (r.panel.PostGunShown()) {
        r.m_view.SetVisible(ViewItem::PostGun, true);
    }
    r.status.ReplayEnded();
    m_keys = KeyRelease::Of(kReplayKeyRounds, Key::Escape);
    m_state = State::KeyRelease;
}

StepResult SingleShooterRun::ReplayStep::Advance(RunSequence& sequence) {
    switch (m_state) {
    case State::UpRelease: {
        if (sequence.Held(Key::Up)) {
            return StepResult::Running;
        }
        const std::uint32_t count = m_run.m_state.run.ShotCount[static_cast<size_t>(m_run.Lane())];
        m_shot = 0;
        if (count == 0) {
            Finish();
            return StepResult::Running;
        }
        const auto lane = static_cast<size_t>(m_run.Lane());
        const auto& shots = m_run.m_state.run.ShotPos[lane];
        const auto traces = ReadHoldTraces(m_run.m_state.run.LaneTrace[lane]);
        const auto made = static_cast<std::ptrdiff_t>(std::min<size_t>(count, shots.size()));
        m_player.Load(traces ? *traces : std::vector<ShotTrace>(),
                      std::vector<ShotPoint>(shots.begin(), shots.begin() + made));
        for (size_t s = 0; s < count; ++s) {
            m_run.DrawReplayHole(s, kBlack);
        }
        Show();
        return StepResult::Running;
    }
    case State::WaitPress:
        DrawMotion();
        if (sequence.Held(Key::Escape)) {
            Finish();
        } else if (sequence.Held(Key::Up)) {
            m_state = State::WaitUpRelease;
        }
        return StepResult::Running;
    case State::WaitUpRelease:
        DrawMotion();
        if (sequence.Held(Key::Escape)) {
            Finish();
        } else if (!sequence.Held(Key::Up)) {
            Next();
        }
        return StepResult::Running;
    case State::KeyRelease:
        break;
    }
    if (!m_keys.Done(sequence.GetServices().keyboard)) {
        return StepResult::Running;
    }
    m_run.m_view.Repaint(ViewPicture::Target);
    for (ViewButton b :
         {ViewButton::Start, ViewButton::Save, ViewButton::Print, ViewButton::Exit}) {
        m_run.m_view.SetEnabled(b, true);
    }
    return StepResult::Continue;
}

} // namespace ryvo
