#include "exercise/SingleShooterRun.h"

#include "calibration/Calibration.h"
#include "device/SerialLink.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Sound.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"

#include <algorithm>

namespace ryvo {

namespace {

constexpr int kFlushRounds = 5;
constexpr int kStartBeeps = 3;
constexpr std::uint32_t kShotTimerMs = 100;
constexpr std::uint32_t kAutomaticShotTimerMs = 500;

const QString kStartCaption = QStringLiteral("Начало стрельбы");

RunRules SingleRules() {
    RunRules rules;
    rules.startKeyRounds = 10;
    rules.endKeyRounds = 100;
    // The pause does not read the keyboard: a repeated run is left from within a series.
    rules.escapeEndsPause = false;
    return rules;
}

} // namespace

SingleShooterRun::SingleShooterRun(ProgramState& state, const Services& services,
                                   ExerciseView& view)
    : ExerciseEngine(state, services, view), RunPhases(state.settings, m_services, SingleRules()),
      lamps(state, *services.clock, PortFree, LampRules{},
            LampHooks{[this](int lane, bool lit) {
                          m_view.SetVisible(lane == 1 ? ViewItem::Image2 : ViewItem::Image1, lit);
                      },
                      [this](int lane, bool lit) {
                          m_view.SetVisible(lane == 1 ? ViewItem::Image4 : ViewItem::Image3, lit);
                      },
                      [this] {
                          if (SoundOn() && m_state.ShotSound) {
                              m_services.sound->PlayAsync(*m_state.ShotSound);
                          }
                      }}),
      status(state) {
    Timer_shoot.interval = kShotTimerMs;
    timers.Add(Timer_shoot, [this] { TickLockouts(m_state.run); });
    lamps.AddTo(timers);
}

int SingleShooterRun::Lane() const {
    return std::clamp(m_state.CurrentLane, 0, kLaneCount - 1);
}

SingleShooterRun::Phase SingleShooterRun::CurrentPhase() const {
    switch (RunPhase()) {
    case RunPhases::Phase::Idle:
        return Phase::Idle;
    case RunPhases::Phase::StartKeyRelease:
        return Phase::StartKeyRelease;
    case RunPhases::Phase::StartSound:
        return Phase::StartSound;
    case RunPhases::Phase::Series:
        return Phase::Series;
    case RunPhases::Phase::LastShotSound:
        return Phase::LastShotSound;
    case RunPhases::Phase::Pause:
        return Phase::Pause;
    case RunPhases::Phase::EndEscape:
        return Phase::EndEscape;
    case RunPhases::Phase::EndKeyRelease:
        return Phase::EndKeyRelease;
    case RunPhases::Phase::Window:
        break;
    }
    switch (m_replay) {
    case Replay::UpRelease:
        return Phase::ReplayUpRelease;
    case Replay::WaitPress:
        return Phase::ReplayWaitPress;
    case Replay::WaitUpRelease:
        return Phase::ReplayWaitUpRelease;
    case Replay::KeyRelease:
        break;
    }
    return Phase::ReplayKeyRelease;
}

bool SingleShooterRun::ShotsSound() const {
    return m_state.settings.Shooter == 1 || m_state.settings.Shooter == 2;
}

void SingleShooterRun::DrawEmptyTarget(bool complain) {
    const int lane = Lane();
    if (!DrawLaneTarget(m_view.Picture(ViewPicture::Target), m_view.Picture(ViewPicture::SignalI),
                        m_state, lane) &&
        complain && m_services.dialogs != nullptr) {
        // The run goes on with the picture it had.
        m_services.dialogs->Message(
            MissingPictureMessage(m_state.settings.Target[static_cast<size_t>(lane)]),
            QStringLiteral("Error"), MessageIcon::Error);
    }
    m_view.Repaint(ViewPicture::Target);
    m_view.Repaint(ViewPicture::SignalI);
}

void SingleShooterRun::FormActivate() {
    if (m_state.settings.Shooter == 1) {
        m_state.CurrentLane = 0;
    } else if (m_state.settings.Shooter == 2) {
        m_state.CurrentLane = 1;
    }
    Timer_shoot.interval = m_state.settings.WeaponType == 1 ? kAutomaticShotTimerMs : kShotTimerMs;
    // Only back from its own save dialog are the results on hand this window's; otherwise
    // the shared lanes may hold another window's shots, which it must not save or show.
    if (m_state.ResultSource == 1) {
        status.Activated();
    } else {
        DrawEmptyTarget();
        m_showsSeries = false;
        ShowNoSeries(Lane());
        status.NoSeries();
        for (ViewButton b : {ViewButton::Save, ViewButton::Print, ViewButton::ViewShoots}) {
            m_view.SetEnabled(b, false);
        }
    }
    m_state.ResultSource = 0;
}

void SingleShooterRun::ExitClick() {
    if (Idle() && m_view.IsEnabled(ViewButton::Start)) {
        m_view.ActivateWindow(QStringLiteral("TMainForm2"));
    }
}

void SingleShooterRun::OpenSaveDialog(ViewButton button, std::int32_t mode) {
    if (!Idle() || !m_view.IsEnabled(button)) {
        return;
    }
    m_state.SaveDialogMode = mode;
    m_state.ResultSource = 1;
    m_view.ActivateWindow(QStringLiteral("TSave_Print"));
}

void SingleShooterRun::SaveClick() {
    OpenSaveDialog(ViewButton::Save, 0);
}

void SingleShooterRun::PrintClick() {
    OpenSaveDialog(ViewButton::Print, 1);
}

void SingleShooterRun::StartClick() {
    if (!Idle() || !m_view.IsEnabled(ViewButton::Start)) {
        return;
    }
    OpenPort(m_state, m_services);
    for (ViewButton b : {ViewButton::Start, ViewButton::Print, ViewButton::Save,
                         ViewButton::ViewShoots, ViewButton::Exit}) {
        m_view.SetEnabled(b, false);
    }
    PortFree = 0;
    // What stands on the device from before is no shot; a pull from now on is.
    FetchStandingReports(LaneBit(0) | LaneBit(1), kFlushRounds);
    BeginRun(m_state.settings.NumReps, m_state.settings.RepeatEnabled != 0);
}

void SingleShooterRun::OnRunStart() {
    EmptyTrace();
    const float k = Scale();
    SetLevelBarGeometry(static_cast<int>(k), static_cast<int>(k));
    Timer_shoot.Start(m_services.clock->TickCount());
}

void SingleShooterRun::OnSeriesStart() {
    m_view.SetEnabled(ViewButton::Start, false);
    savedAimX = 0.0F;
    savedAimY = 0.0F;
    savedLevel = 0;
    ResetSeriesTrace();
    m_view.SetText(ViewText::TimeC, QString::asprintf("%3u сек", m_state.settings.Time));
    m_view.SetText(ViewText::SigText, QString());
    for (ViewItem item : {ViewItem::Fail, ViewItem::ImageActive, ViewItem::FailArrow,
                          ViewItem::LeftArrow, ViewItem::RightArrow, ViewItem::UpArrow,
                          ViewItem::DownArrow, ViewItem::Gun2, ViewItem::PostGun}) {
        m_view.SetVisible(item, false);
    }
    m_view.SetText(ViewText::FirstTime, QStringLiteral("0 cек"));
    const std::uint32_t shooter = m_state.settings.Shooter;
    if ((shooter & 1U) != 0) {
        m_state.CurrentLane = 0;
    }
    if ((shooter & 2U) != 0) {
        m_state.CurrentLane = 1;
    }
    DrawEmptyTarget();
    m_showsSeries = true;
    status.SeriesStarted(m_services.clock->TickCount());

    const int lane = Lane();
    const auto i = static_cast<size_t>(lane);
    RunState& run = m_state.run;
    run.LaneActive.fill(0);
    run.LaneActive[i] = 1;
    m_state.Device.ZeroHistories();
    m_state.Device.Trigger[i] = 0;
    run.ShotCount[i] = 0;
    run.LastScore[i] = 0;
    run.ScoreSum[i] = 0;
    run.ElapsedSec[i] = 0;
    run.ShootTime[i] = 0.0F;
    run.ClearShots(i);
    ShowStatistics(lane);
    savedLevel = m_state.Device.Level[i];
    const TargetPoint aim =
        ToTarget(m_state.settings, lane, m_state.Device.PosX[i], m_state.Device.PosY[i]);
    savedAimX = aim.x;
    savedAimY = aim.y;

    lamps.Stop();
    AllLampsOff(m_state, *m_services.clock);
    m_view.Fill(ViewItem::Image1, kYellow);
    m_view.Fill(ViewItem::Image2, kYellow);
    m_view.Fill(ViewItem::Image3, kRed);
    m_view.Fill(ViewItem::Image4, kRed);
    m_view.SetVisible(ViewItem::ImageActive, false);

    Sound* sound = m_services.sound;
    if (SoundOn()) {
        if (m_state.StartSound) {
            auto done = std::make_shared<bool>(false);
            if (sound->PlayToCompletion(*m_state.StartSound, [done](bool) { *done = true; })) {
                WaitForStartSound(done);
            }
        }
    } else if (sound != nullptr) {
        for (int b = 0; b < kStartBeeps; ++b) {
            sound->Beep();
        }
    }
}

void SingleShooterRun::OnSeriesGo() {
    const auto i = static_cast<size_t>(Lane());
    const std::uint32_t now = m_services.clock->TickCount();
    lamps.scriptPos = 0;
    // The script's commands for the window's own lane only.
    lamps.SetLanes(LaneBit(Lane()));
    if (m_state.settings.SmartTarget != 0) {
        lamps.Start(now);
        m_state.run.LaneLit[i] = 0;
    } else {
        m_state.run.LaneLit[i] = 1;
    }
    m_state.run.StartTick[i] = now;
    m_state.run.ShotPending[i] = 0;
    m_state.run.ShotLockout[i] = 0;
}

void SingleShooterRun::PassHead() {
    const int lane = Lane();
    const auto i = static_cast<size_t>(lane);
    RunState& run = m_state.run;
    m_waitForSound = false;
    ++m_passes;
    UpdateTimer(lane);
    PortFree = 0;
    const bool answered = PollLane(lane) != -1;
    PortFree = 1;
    status.PollResult(answered, m_services.clock->TickCount());
    const TargetPoint aim =
        ToTarget(m_state.settings, lane, m_state.Device.PosX[i], m_state.Device.PosY[i]);
    run.AimX[i] = aim.x;
    run.AimY[i] = aim.y;

    run.ShotPending[i] = m_state.Device.Trigger[i] == 1 ? 1 : 0;
    if (run.ShotPending[i] != 0 && AcceptTrigger(run, lane)) {
        if (run.ShotCount[i] + 1 == m_state.settings.ShootsNumber) {
            const std::uint32_t now = m_services.clock->TickCount();
            run.ShootTime[i] = static_cast<float>(now - run.StartTick[i]) / 1000.0F;
            m_view.SetText(ViewText::TimeC,
                           QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[i])));
        }
        RegisterShot(&run.AimX[i], &run.AimY[i]);
        ShowMissIndicators(run.LastScore[i], run.AimX[i], run.AimY[i], LevelInWindow(savedLevel));
    }
    run.ShotPending[i] = 0;
    m_state.Device.Trigger[i] = 0;
    // A single-lane window ignores shots reported for the other lanes.
    for (int other = 0; other < kLaneCount; ++other) {
        if (other != lane) {
            m_state.Device.Trigger[static_cast<size_t>(other)] = 0;
            run.ShotPending[static_cast<size_t>(other)] = 0;
        }
    }
}

void SingleShooterRun::OnDispatch() {
    const int lane = Lane();
    const auto i = static_cast<size_t>(lane);
    const std::int32_t lastLevel = m_state.Device.LastLevel;
    if (LevelInWindow(lastLevel)) {
        ShowAimPoint(Scale(), m_state.run.AimY[i], m_state.run.AimX[i]);
    } else {
        for (ViewItem arrow :
             {ViewItem::LeftArrow, ViewItem::RightArrow, ViewItem::UpArrow, ViewItem::DownArrow}) {
            m_view.SetVisible(arrow, false);
        }
        ClearTrace(lane, Scale());
    }
    if (static_cast<float>(lastLevel) <= m_state.SignalLevel) {
        DrawLevelBar(lastLevel);
    }
}

void SingleShooterRun::PassTail() {
    const auto i = static_cast<size_t>(Lane());
    RunState& run = m_state.run;
    savedAimX = run.AimX[i];
    savedAimY = run.AimY[i];
    savedLevel = m_state.Device.LastLevel;
    const std::uint32_t planned = std::min(m_state.settings.ShootsNumber, kMaxShots);
    if (run.ShotCount[i] >= planned || run.LaneActive[i] == 0) {
        StopRequested = 1;
    }
    if (Held(Key::Escape)) {
        StopRequested = 1;
        RunAgain = 0;
        run.ShootTime[i] =
            static_cast<float>(m_services.clock->TickCount() - run.StartTick[i]) / 1000.0F;
        m_view.SetText(ViewText::TimeC,
                       QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[i])));
    }
}

void SingleShooterRun::OnSeriesEnd() {
    if (SoundOn() && m_state.EndSound) {
        m_services.sound->PlayAsync(*m_state.EndSound);
    }
    lamps.Stop();
    for (ViewItem item : {ViewItem::Image1, ViewItem::Image2, ViewItem::Image3, ViewItem::Image4}) {
        m_view.SetVisible(item, false);
    }
    AllLampsOff(m_state, *m_services.clock);
    ClearTrace(Lane(), Scale());
    m_view.SetEnabled(ViewButton::Start, true);
    m_view.SetVisible(ViewItem::Gun2, false);
    const auto i = static_cast<size_t>(Lane());
    const LaneTotal total{0, m_state.run.ShotCount[i], m_state.run.ScoreSum[i]};
    status.SeriesEnded(std::span(&total, 1));
}

void SingleShooterRun::ShowCountdown(const QString& text) {
    m_view.SetText(ViewText::StartCaption, text);
}

void SingleShooterRun::OnRunEnd() {
    status.RunEnded();
    m_view.SetEnabled(ViewButton::Start, true);
    if (m_state.run.ShotCount[static_cast<size_t>(Lane())] > 0) {
        m_view.SetEnabled(ViewButton::Save, true);
        m_view.SetEnabled(ViewButton::Print, true);
        m_view.SetEnabled(ViewButton::ViewShoots, true);
    }
    m_view.SetEnabled(ViewButton::Exit, true);
    m_view.SetText(ViewText::StartCaption, kStartCaption);
    m_view.FocusStart();
}

void SingleShooterRun::OnIdle() {
    ClosePort(m_state);
}

void SingleShooterRun::DispatchTimers() {
    timers.Dispatch(m_services.clock->TickCount());
}

} // namespace ryvo
