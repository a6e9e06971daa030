#include "exercise/SingleShooterRun.h"

#include "targets/Scoring.h"

#include <algorithm>

// The replay of the last series' shots, and the redraw of the target after a resize.
namespace ryvo {

namespace {

constexpr int kReplayKeyRounds = 10;

const QString kViewShootsCaption = QStringLiteral("Просмотреть выстрелы");

} // namespace

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
            DrawHole(p.x, p.y, s + 1 == count ? kRed : kBlack, kWhite);
        }
    }
    if (m_showsSeries) {
        DrawFrozenTraceAgain();
    }
    const QPoint corner =
        MarkerCorner(Scale(), m_postGunX, m_postGunY, m_view.ItemSize(ViewItem::PostGun));
    m_view.Place(ViewItem::PostGun, corner.x(), corner.y());
}

void SingleShooterRun::ViewShootsClick() {
    // During the replay the button steps on as the key does.
    if (RunPhase() == RunPhases::Phase::Window && m_replay == Replay::WaitPress) {
        ReplayNext();
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
    m_replay = Replay::UpRelease;
    EnterWindowPhase();
}

void SingleShooterRun::DrawReplayHole(size_t shot, Color fill) {
    const auto& shots = m_state.run.ShotPos[static_cast<size_t>(Lane())];
    if (shot < shots.size()) {
        DrawHole(shots[shot].x, shots[shot].y, kWhite, fill, HoleStyle::ReplayDisc);
    }
}

void SingleShooterRun::ReplayShow() {
    const auto lane = static_cast<size_t>(Lane());
    const auto& shots = m_state.run.ShotPos[lane];
    m_view.SetText(ViewText::ViewShootsCaption,
                   QStringLiteral("Выстрел N ") + QString::number(m_replayShot + 1));
    if (m_replayShot > 0) {
        DrawReplayHole(m_replayShot - 1, kBlack);
    }
    DrawReplayHole(m_replayShot, kRed);
    m_view.ReplayShot(static_cast<int>(m_replayShot));
    const ShotPoint p = m_replayShot < shots.size() ? shots[m_replayShot] : ShotPoint{};
    const std::int32_t score =
        ScoreShot(p.x, p.y, m_state.settings.Target[lane], LoadedZones(m_state));
    status.ReplayShot(static_cast<int>(m_replayShot) + 1, score);
    if (score == kScoreMiss) {
        ShowMissArrow(Scale(), p.y, p.x);
        m_view.SetVisible(ViewItem::Fail, true);
        m_view.SetVisible(ViewItem::FailArrow, true);
    } else if (score == kScoreDark) {
        m_view.SetVisible(ViewItem::ImageActive, true);
    } else {
        m_view.SetVisible(ViewItem::Fail, false);
        m_view.SetVisible(ViewItem::FailArrow, false);
        m_view.SetVisible(ViewItem::ImageActive, false);
    }
    if (Held(Key::Escape)) {
        ReplayFinish();
        return;
    }
    m_replay = Replay::WaitPress;
}

void SingleShooterRun::ReplayNext() {
    if (m_replayShot + 1 < m_state.run.ShotCount[static_cast<size_t>(Lane())]) {
        ++m_replayShot;
        ReplayShow();
    } else {
        ReplayFinish();
    }
}

void SingleShooterRun::ReplayFinish() {
    if (!Held(Key::Escape)) {
        DrawReplayHole(m_replayShot, kBlack);
    }
    m_view.SetVisible(ViewItem::Fail, false);
    m_view.SetVisible(ViewItem::FailArrow, false);
    m_view.SetText(ViewText::ViewShootsCaption, kViewShootsCaption);
    m_view.ReplayShot(-1);
    if (PostGunShown()) {
        m_view.SetVisible(ViewItem::PostGun, true);
    }
    status.ReplayEnded();
    m_replayKeys = KeyRelease::Of(kReplayKeyRounds, Key::Escape);
    m_replay = Replay::KeyRelease;
}

void SingleShooterRun::TickWindow() {
    switch (m_replay) {
    case Replay::UpRelease: {
        if (Held(Key::Up)) {
            return;
        }
        const std::uint32_t count = m_state.run.ShotCount[static_cast<size_t>(Lane())];
        m_replayShot = 0;
        if (count == 0) {
            ReplayFinish();
            return;
        }
        for (size_t s = 0; s < count; ++s) {
            DrawReplayHole(s, kBlack);
        }
        ReplayShow();
        return;
    }
    case Replay::WaitPress:
        if (Held(Key::Escape)) {
            ReplayFinish();
        } else if (Held(Key::Up)) {
            m_replay = Replay::WaitUpRelease;
        }
        return;
    case Replay::WaitUpRelease:
        if (Held(Key::Escape)) {
            ReplayFinish();
        } else if (!Held(Key::Up)) {
            ReplayNext();
        }
        return;
    case Replay::KeyRelease:
        if (m_replayKeys.Done(m_services.keyboard)) {
            m_view.Repaint(ViewPicture::Target);
            for (ViewButton b :
                 {ViewButton::Start, ViewButton::Save, ViewButton::Print, ViewButton::Exit}) {
                m_view.SetEnabled(b, true);
            }
            LeaveToIdle();
        }
        return;
    }
}

} // namespace ryvo
