#include "exercise/SingleShooterRun.h"

#include "calibration/Calibration.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "exercise/LaneClock.h"
#include "exercise/RunSteps.h"
#include "exercise/ShotRegistration.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Sound.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"

#include <algorithm>

namespace ryvo {

namespace {

constexpr int kFlushRounds = 5;
constexpr int kStartKeyRounds = 10;
constexpr int kEndKeyRounds = 100;
constexpr int kStartBeeps = 3;
constexpr std::uint32_t kShotTimerMs = 100;
constexpr std::uint32_t kAutomaticShotTimerMs = 500;

const QString kStartCaption = QStringLiteral("Начало стрельбы");
const QString kCountdown = QStringLiteral("До начала стрельбы %1 сек");

} // namespace

SingleShooterRun::SingleShooterRun(ProgramState& state, const Services& services,
                                   ExerciseView& view)
    : panel(state, view),
      lamps(state, *services.clock, &PortFree, LampRules{},
            LampHooks{[this](int lane, bool lit) {
                          m_view.SetVisible(lane == 1 ? ViewItem::Image2 : ViewItem::Image1, lit);
                      },
                      [this](int lane, bool lit) {
                          m_view.SetVisible(lane == 1 ? ViewItem::Image4 : ViewItem::Image3, lit);
                      },
                      [this] { m_sound.PlayIfOn(m_state.ShotSound); }}),
      status(state), m_state(state), m_services(services), m_view(view), m_sound(state, m_services),
      m_sequence(m_services) {
    Timer_shoot.interval = kShotTimerMs;
    timers.Add(Timer_shoot, [this] { TickLockouts(m_state.run); });
    lamps.AddTo(timers);
}

int SingleShooterRun::Lane() const {
    return std::clamp(m_state.CurrentLane, 0, kLaneCount - 1);
}

SingleShooterRun::Phase SingleShooterRun::CurrentPhase() const {
    switch (m_sequence.CurrentPhase()) {
    case RunSequence::Phase::Idle:
        return Phase::Idle;
    case RunSequence::Phase::StartKeyRelease:
        return Phase::StartKeyRelease;
    case RunSequence::Phase::StartSound:
        return Phase::StartSound;
    case RunSequence::Phase::Series:
        return Phase::Series;
    case RunSequence::Phase::LastShotSound:
        return Phase::LastShotSound;
    case RunSequence::Phase::Pause:
        return Phase::Pause;
    case RunSequence::Phase::EndEscape:
        return Phase::EndEscape;
    case RunSequence::Phase::EndKeyRelease:
        return Phase::EndKeyRelease;
    case RunSequence::Phase::Window:
        break;
    }
    return ReplayPhase();
}

void SingleShooterRun::Tick() {
    // A shot's frozen trace goes on the picture after the hole, before anything else.
    panel.DrawPendingFreeze();
    m_sequence.Tick();
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
    panel.ShowPhaseLegend();
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
        panel.ShowNoSeries(Lane());
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
    FetchStandingReports(m_state, m_services.clock, LaneBit(0) | LaneBit(1), kFlushRounds);
    m_course.reset();
    const bool course = m_state.ChosenCourse.has_value();
    m_sequence.Begin(course || m_state.settings.RepeatEnabled != 0);
    m_sequence.Add<KeyReleaseStep>(kStartKeyRounds, Key::Space,
                                   RunSequence::Phase::StartKeyRelease);
    m_sequence.Add<CallStep>([this] { RunStart(); }, StepResult::Continue,
                             RunSequence::Phase::StartKeyRelease);
    if (course) {
        AddCourseSteps();
    } else {
        AddSeries();
    }
    m_sequence.Add<EndStep>(kEndKeyRounds, [this] { RunEnd(); });
    m_sequence.Add<CallStep>([this] { ClosePort(m_state); }, StepResult::Continue,
                             RunSequence::Phase::EndKeyRelease);
}

void SingleShooterRun::AddSeries() {
    const bool repeats = m_state.settings.RepeatEnabled != 0;
    m_sequence.Add<CallStep>([this] { SeriesStart(); }, StepResult::Continue,
                             RunSequence::Phase::Series);
    m_sequence.Add<SoundStep>(m_state, &ProgramState::StartSound, kStartBeeps);
    // The first pass comes at the next tick.
    m_sequence.Add<CallStep>([this] { SeriesGo(); }, StepResult::Done, RunSequence::Phase::Series);
    m_sequence.Add<SeriesStep>(PassRef::To<&SingleShooterRun::Pass>(*this), &timers,
                               m_state.settings.NumReps);
    // The pause's first turn comes in the tick the series ends; the end of the run at the
    // next tick.
    m_sequence.Add<CallStep>([this] { SeriesEnd(); },
                             repeats ? StepResult::Continue : StepResult::Done,
                             RunSequence::Phase::Series);
    if (repeats) {
        // The pause does not read the keyboard: a repeated run is left from within a series.
        m_sequence.Add<PauseStep>(
            m_state.settings, false, kCountdown,
            [this](const QString& text, std::uint32_t /*pauseStart*/) {
                m_view.SetText(ViewText::StartCaption, text);
            },
            [this](RunSequence& /*run*/) { AddSeries(); });
    }
}

void SingleShooterRun::AddCourseSteps() {
    m_course = std::make_unique<CourseRun>(*m_state.ChosenCourse, m_state, m_services.sound,
                                           LaneBit(Lane()));
    m_courseHooks = CourseHooks(
        *m_course, m_state, status, [this] { SeriesStart(); }, [this] { SeriesGo(); });
    m_courseHooks.pass = PassRef::To<&SingleShooterRun::Pass>(*this);
    m_courseHooks.timers = &timers;
    m_courseHooks.interval = m_state.settings.NumReps;
    m_courseHooks.end = [this] {
        SeriesEnd();
        // Not startable between stages.
        m_view.SetEnabled(ViewButton::Start, false);
    };
    AddCourse(m_sequence, *m_course, m_courseHooks, courseDraw, [this] { CourseEnded(); });
}

void SingleShooterRun::CourseEnded() {
    const auto& course = m_course->GetCourse();
    status.CourseEnded(course.name + QStringLiteral(": ") +
                       CourseResultText(m_course->Result(Lane())));
    panel.ShowStatistics(Lane());
}

void SingleShooterRun::RunStart() {
    panel.EmptyTrace();
    const float k = panel.Scale();
    panel.SetLevelBarGeometry(static_cast<int>(k), static_cast<int>(k));
    Timer_shoot.Start(m_services.clock->TickCount());
}

void SingleShooterRun::SeriesStart() {
    m_view.SetEnabled(ViewButton::Start, false);
    m_savedLevel = 0;
    panel.ResetSeriesTrace();
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
    panel.ShowStatistics(lane);
    m_savedLevel = m_state.Device.Level[i];

    lamps.Stop();
    AllLampsOff(m_state, *m_services.clock);
    m_view.Fill(ViewItem::Image1, kYellow);
    m_view.Fill(ViewItem::Image2, kYellow);
    m_view.Fill(ViewItem::Image3, kRed);
    m_view.Fill(ViewItem::Image4, kRed);
    m_view.SetVisible(ViewItem::ImageActive, false);
}

void SingleShooterRun::SeriesGo() {
    const auto i = static_cast<size_t>(Lane());
    const std::uint32_t now = m_services.clock->TickCount();
    lamps.scriptPos = 0;
    // The script's commands for the window's own lane only.
    lamps.SetLanes(LaneBit(Lane()));
    if (m_state.settings.SmartTarget != 0) {
        if (m_course) {
            lamps.StartAtOnce(now);
        } else {
            lamps.Start(now);
        }
        m_state.run.LaneLit[i] = 0;
    } else {
        m_state.run.LaneLit[i] = 1;
    }
    m_state.run.StartTick[i] = now;
    m_state.run.ShotPending[i] = 0;
    m_state.run.ShotLockout[i] = 0;
}

void SingleShooterRun::Pass(SeriesStep& series) {
    const int lane = Lane();
    const auto i = static_cast<size_t>(lane);
    RunState& run = m_state.run;
    DeviceValues& device = m_state.Device;
    const Settings& settings = m_state.settings;
    if (!series.Resuming()) {
        ++m_passes;
        // The clock.
        UpdateTimer(run, settings, lane, m_services.clock->TickCount(), m_view);
        if (m_course) {
            m_course->Pass(m_services.clock->TickCount());
        }
        // The poll; a usable sample of the lane goes on the trace.
        PortFree = 0;
        const LanePoll poll = PollLane(m_state, m_services.clock, lane);
        if (poll.traceSample) {
            panel.AddSample(static_cast<std::uint32_t>(device.Level[i]), lane, device.PosX[i],
                            device.PosY[i]);
        }
        PortFree = 1;
        status.PollResult(poll.lane != -1, m_services.clock->TickCount());
        // The aim.
        const TargetPoint aim = ToTarget(settings, lane, device.PosX[i], device.PosY[i]);
        run.AimX[i] = aim.x;
        run.AimY[i] = aim.y;
        if (poll.traceSample) {
            if (panel.RecordAim(aim.x, aim.y, m_services.clock->TickCount())) {
                run.LaneTrace[i] = panel.TracesPayload();
            }
        }
        // The shot: its time when it is the last, its registration, its sound (the last one
        // heard to its end), then the miss indicators.
        run.ShotPending[i] = device.Trigger[i] == 1 ? 1 : 0;
        if (run.ShotPending[i] != 0 && AcceptTrigger(run, lane)) {
            if (run.ShotCount[i] + 1 == settings.ShootsNumber) {
                const std::uint32_t now = m_services.clock->TickCount();
                run.ShootTime[i] = static_cast<float>(now - run.StartTick[i]) / 1000.0F;
                m_view.SetText(
                    ViewText::TimeC,
                    QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[i])));
            }
            if (const auto point = RegisterShot(m_state, panel, lane, m_savedLevel,
                                                m_services.clock->TickCount())) {
                if (m_course) {
                    m_course->Shot(lane);
                }
                if (ShotsSound()) {
                    if (LastShotWaits(run, m_state.LanePresent, LaneBit(lane),
                                      settings.ShootsNumber, false, LaneWeight::Active)) {
                        series.AwaitSound(m_sound.ToCompletion());
                    } else {
                        m_sound.Async();
                    }
                }
                ShowRegisteredShot(m_state, panel, lane, m_savedLevel);
                run.AimX[i] = point->x;
                run.AimY[i] = point->y;
                m_state.RangeScreen.Shot(m_state, lane, std::min(settings.ShootsNumber, kMaxShots));
            }
            panel.ShowMissIndicators(run.LastScore[i], run.AimX[i], run.AimY[i],
                                     LevelInWindow(m_state, m_savedLevel));
        }
        run.ShotPending[i] = 0;
        device.Trigger[i] = 0;
        // A single-lane window ignores shots reported for the other lanes.
        for (int other = 0; other < kLaneCount; ++other) {
            if (other != lane) {
                device.Trigger[static_cast<size_t>(other)] = 0;
                run.ShotPending[static_cast<size_t>(other)] = 0;
            }
        }
        // The last shot of the series is heard to its end before the pass goes on.
        if (series.AwaitingSound()) {
            return;
        }
    }
    // Counters and dispatch: timers and input run here, then the aiming point (or the end of
    // the trace when the signal is lost) and the level bar.
    if (series.Dispatch()) {
        m_state.RangeScreen.Dispatch(m_state, LaneBit(lane),
                                     std::min(settings.ShootsNumber, kMaxShots));
        const std::int32_t lastLevel = device.LastLevel;
        if (LevelInWindow(m_state, lastLevel)) {
            panel.ShowAimPoint(panel.Scale(), run.AimY[i], run.AimX[i]);
        } else {
            for (ViewItem arrow : {ViewItem::LeftArrow, ViewItem::RightArrow, ViewItem::UpArrow,
                                   ViewItem::DownArrow}) {
                m_view.SetVisible(arrow, false);
            }
            panel.ClearTrace(lane, panel.Scale());
        }
        if (static_cast<float>(lastLevel) <= m_state.SignalLevel) {
            panel.DrawLevelBar(lastLevel);
        }
    }
    // The level the next pass's shot checks use.
    m_savedLevel = device.LastLevel;
    // The stop checks: the shots fired or the time out, and Escape.
    const std::uint32_t planned = std::min(settings.ShootsNumber, kMaxShots);
    if (run.ShotCount[i] >= planned || run.LaneActive[i] == 0) {
        series.Stop();
    }
    if (Held(Key::Escape)) {
        series.StopRun();
        run.ShootTime[i] =
            static_cast<float>(m_services.clock->TickCount() - run.StartTick[i]) / 1000.0F;
        m_view.SetText(ViewText::TimeC,
                       QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[i])));
    }
}

void SingleShooterRun::SeriesEnd() {
    m_sound.PlayIfOn(m_state.EndSound);
    lamps.Stop();
    for (ViewItem item : {ViewItem::Image1, ViewItem::Image2, ViewItem::Image3, ViewItem::Image4}) {
        m_view.SetVisible(item, false);
    }
    AllLampsOff(m_state, *m_services.clock);
    panel.ClearTrace(Lane(), panel.Scale());
    m_view.SetEnabled(ViewButton::Start, true);
    m_view.SetVisible(ViewItem::Gun2, false);
    const auto i = static_cast<size_t>(Lane());
    const LaneTotal total{0, m_state.run.ShotCount[i], m_state.run.ScoreSum[i]};
    status.SeriesEnded(std::span(&total, 1));
    m_state.RangeScreen.Dispatch(m_state, LaneBit(Lane()),
                                 std::min(m_state.settings.ShootsNumber, kMaxShots));
}

void SingleShooterRun::RunEnd() {
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

} // namespace ryvo
