#include "exercise/MultiShooterRun.h"

#include "calibration/Calibration.h"
#include "device/DeviceProtocol.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "exercise/RunSteps.h"
#include "platform/Clock.h"
#include "platform/Sound.h"

#include <algorithm>
#include <vector>

namespace ryvo {

namespace {

constexpr int kStartKeyRounds = 100;
constexpr int kStartBeeps = 3;
constexpr std::uint32_t kShotTimerMs = 100;
constexpr std::uint32_t kAutomaticShotTimerMs = 500;
constexpr std::uint32_t kLampPauseMs = 2;

const QString kStartCaption = QStringLiteral("Старт");
const QString kCountdown = QStringLiteral("До начала стрельбы %1 сек");

LampRules FiveLaneLamps() {
    LampRules rules;
    rules.lanes = kAllLanes;
    rules.steps = LampSteps{20, 22, 22, 22};
    rules.sends = LampSends{{5, true}, {5, true}, {5, true}};
    return rules;
}

size_t Index(int lane) {
    return static_cast<size_t>(lane);
}

int FirstPresentLane(const ProgramState& state) {
    for (int lane = 0; lane < kLaneCount; ++lane) {
        if (state.LanePresent[Index(lane)] != 0) {
            return lane;
        }
    }
    return 0;
}

} // namespace

MultiShooterRun::MultiShooterRun(ProgramState& state, const Services& services,
                                 MultiShooterView& view)
    : panel(state, view),
      // This window never waits for the port.
      lamps(state, *services.clock, nullptr, FiveLaneLamps(),
            LampHooks{[this](int lane, bool lit) {
                          m_lanes.SetLamp(lane, MultiShooterView::Lamp::Steady, lit);
                      },
                      [this](int lane, bool lit) {
                          m_lanes.SetLamp(lane, MultiShooterView::Lamp::Flash, lit);
                      },
                      [this] { m_sound.PlayIfOn(m_state.ShotSound); }}),
      status(state), m_state(state), m_services(services), m_view(view), m_lanes(view),
      m_sound(state, m_services), m_sequence(m_services) {
    lamps.AddTo(timers);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        LogicalTimer& timer = Timer_shoot[Index(lane)];
        timer.interval = kShotTimerMs;
        timers.Add(timer, [this, lane] { TickLockouts(m_state.run, LaneBit(lane)); });
    }
}

int MultiShooterRun::Lane() const {
    return std::clamp(m_state.CurrentLane, 0, kLaneCount - 1);
}

bool MultiShooterRun::FireTransfer() const {
    return m_state.settings.TargetsChange != 0;
}

float MultiShooterRun::Seconds(std::uint32_t now, std::uint32_t start) {
    return static_cast<float>(now - start) * 0.001F;
}

void MultiShooterRun::ReportToRangeScreen() {
    std::uint32_t lanes = 0;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        if (m_state.LanePresent[Index(lane)] != 0) {
            lanes |= LaneBit(lane);
        }
    }
    m_state.RangeScreen.Dispatch(m_state, lanes, PlannedShots());
}

std::uint32_t MultiShooterRun::PlannedShots() const {
    // A lane holds at most kMaxShots shots; a larger number could never be reached.
    return std::min(m_state.settings.ShootsNumber, kMaxShots);
}

bool MultiShooterRun::LastShotWaits() const {
    // Weighed by whether a lane takes part at all, not by whether it still shoots.
    return ryvo::LastShotWaits(m_state.run, m_state.LanePresent, kAllLanes,
                               m_state.settings.ShootsNumber, FireTransfer(), LaneWeight::Present);
}

void MultiShooterRun::LampsOffOnce() {
    for (int lane = 0; lane < kLaneCount; ++lane) {
        m_services.clock->Sleep(kLampPauseMs);
        WriteByte(m_state, static_cast<std::uint8_t>(kSteadyLampOff + lane));
    }
}

void MultiShooterRun::FormActivate() {
    if (m_state.LanePresent[Index(Lane())] == 0) {
        m_state.CurrentLane = FirstPresentLane(m_state);
    }
    m_state.CurrentLane = Lane();
    PreviousLane = Lane();
    const std::uint32_t interval =
        m_state.settings.WeaponType == 1 ? kAutomaticShotTimerMs : kShotTimerMs;
    for (LogicalTimer& t : Timer_shoot) {
        t.interval = interval;
    }
    // Idle, every present lane counts as active again.
    m_state.run.LaneActive = m_state.LanePresent;
    RedrawButtons();
    // Only back from its own save dialog are the results on hand this window's; otherwise
    // the shared lanes may hold another window's shots, which it must not save or show.
    m_showsSeries = m_state.ResultSource == 5;
    m_state.ResultSource = 0;
    if (m_showsSeries) {
        DrawLastSeries();
        status.Activated();
    } else {
        FrameSmallTarget(Lane(), kRed);
        panel.ShowNoSeries(Lane());
        status.NoSeries();
        m_view.SetEnabled(ViewButton::Save, false);
        m_view.SetEnabled(ViewButton::Print, false);
    }
    for (int lane = 0; lane < kLaneCount; ++lane) {
        m_lanes.FillLamp(lane, MultiShooterView::Lamp::Steady, kYellow);
        m_lanes.FillLamp(lane, MultiShooterView::Lamp::Flash, kRed);
        m_lanes.SetLamp(lane, MultiShooterView::Lamp::Steady, false);
        m_lanes.SetLamp(lane, MultiShooterView::Lamp::Flash, false);
    }
    m_view.Repaint(ViewPicture::Target);
    if (m_showsSeries) {
        ShowLaneTime(Lane());
    }
}

void MultiShooterRun::ExitClick() {
    if (Idle() && m_view.IsEnabled(ViewButton::Start)) {
        m_view.ActivateWindow(QStringLiteral("TMainForm2"));
    }
}

void MultiShooterRun::SaveClick() {
    if (!Idle() || !m_view.IsEnabled(ViewButton::Save)) {
        return;
    }
    m_state.SaveDialogMode = 0;
    m_state.ResultSource = 5;
    m_view.ActivateWindow(QStringLiteral("TSave_Print"));
}

void MultiShooterRun::PrintClick() {
    if (!Idle() || !m_view.IsEnabled(ViewButton::Print)) {
        return;
    }
    m_state.SaveDialogMode = 1;
    m_state.ResultSource = 5;
    m_view.ActivateWindow(QStringLiteral("TSave_Print"));
}

void MultiShooterRun::StartClick() {
    if (!Idle() || !m_view.IsEnabled(ViewButton::Start)) {
        return;
    }
    OpenPort(m_state, m_services);
    // No second start while the keys are still being released.
    for (ViewButton b :
         {ViewButton::Start, ViewButton::Save, ViewButton::Print, ViewButton::Exit}) {
        m_view.SetEnabled(b, false);
    }
    lamps.scriptPos = 0;
    // What stands on the device from before is no shot; a pull from now on is.
    FetchStandingReports(m_state, m_services.clock, kAllLanes, 1);
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
    // The run ends once Escape is up; no key release follows.
    m_sequence.Add<EndStep>(0, [this] { RunEnd(); });
    m_sequence.Add<CallStep>([this] { ClosePort(m_state); }, StepResult::Continue,
                             RunSequence::Phase::EndEscape);
}

void MultiShooterRun::AddSeries() {
    const bool repeats = m_state.settings.RepeatEnabled != 0;
    m_sequence.Add<CallStep>([this] { SeriesStart(); }, StepResult::Continue,
                             RunSequence::Phase::Series);
    m_sequence.Add<SoundStep>(m_state, &ProgramState::StartSound, kStartBeeps);
    // The first pass comes at the next tick.
    m_sequence.Add<CallStep>([this] { SeriesGo(); }, StepResult::Done, RunSequence::Phase::Series);
    m_sequence.Add<SeriesStep>(PassRef::To<&MultiShooterRun::Pass>(*this), &timers,
                               m_state.settings.NumReps);
    // The pause's first turn comes in the tick the series ends; the end of the run at the
    // next tick.
    m_sequence.Add<CallStep>([this] { SeriesEnd(); },
                             repeats ? StepResult::Continue : StepResult::Done,
                             RunSequence::Phase::Series);
    if (repeats) {
        // Escape held in the pause ends the run.
        m_sequence.Add<PauseStep>(
            m_state.settings, true, kCountdown,
            [this](const QString& text, std::uint32_t pauseStart) {
                // The pause is counted in lane 0's clock entry.
                m_state.run.ElapsedSec[0] = (m_services.clock->TickCount() - pauseStart) / 1000U;
                m_view.SetText(ViewText::StartCaption, text);
            },
            [this](RunSequence& /*run*/) { AddSeries(); });
    }
}

void MultiShooterRun::AddCourseSteps() {
    LaneSet lanes = 0;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        if (m_state.LanePresent[Index(lane)] != 0) {
            lanes |= LaneBit(lane);
        }
    }
    m_course = std::make_unique<CourseRun>(*m_state.ChosenCourse, m_state, m_services.sound, lanes);
    m_courseHooks = CourseHooks(
        *m_course, m_state, status, [this] { SeriesStart(); }, [this] { SeriesGo(); });
    m_courseHooks.pass = PassRef::To<&MultiShooterRun::Pass>(*this);
    m_courseHooks.timers = &timers;
    m_courseHooks.interval = m_state.settings.NumReps;
    m_courseHooks.end = [this] { SeriesEnd(); };
    AddCourse(m_sequence, *m_course, m_courseHooks, courseDraw, [this] { CourseEnded(); });
}

void MultiShooterRun::CourseEnded() {
    QStringList lanes;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        if ((m_course->Lanes() & LaneBit(lane)) != 0) {
            lanes << QStringLiteral("стрелок %1 — %2")
                         .arg(lane + 1)
                         .arg(CourseResultText(m_course->Result(lane)));
        }
    }
    status.CourseEnded(m_course->GetCourse().name + QStringLiteral(": ") +
                       lanes.join(QStringLiteral("; ")));
    panel.ShowStatistics(Lane());
    RedrawButtons();
}

void MultiShooterRun::Tick() {
    // A shot's frozen trace goes on the picture after the hole, before anything else.
    panel.DrawPendingFreeze();
    m_sequence.Tick();
}

void MultiShooterRun::RunStart() {
    panel.EmptyTrace();
}

void MultiShooterRun::SeriesStart() {
    RunState& run = m_state.run;
    DeviceValues& device = m_state.Device;
    // Set first, so the large target, statistics and levels below are those of the lane
    // the series starts on; an absent lane 0 would leave nothing polled.
    m_state.CurrentLane = FirstPresentLane(m_state);
    PreviousLane = Lane();
    run.ShotPending.fill(0);
    m_showsSeries = true;
    for (ViewButton b :
         {ViewButton::Start, ViewButton::Save, ViewButton::Print, ViewButton::Exit}) {
        m_view.SetEnabled(b, false);
    }
    const float k = panel.Scale();
    panel.SetLevelBarGeometry(static_cast<int>(k), static_cast<int>(k));
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const size_t i = Index(lane);
        Canvas& bar = m_lanes.LaneSignal(lane);
        bar.SetPen(kButtonFace, 1, PenMode::Copy);
        bar.SetBrush(kButtonFace, BrushStyle::Solid);
        bar.FillRect(0, 0, bar.Width(), bar.Height());
        m_lanes.RepaintLaneSignal(lane);
        device.Trigger[i] = 0;
        run.ScoreSum[i] = 0;
        run.ShotCount[i] = 0;
        run.LastScore[i] = 0;
        run.ElapsedSec[i] = 0;
        // A lane that never finishes must not keep the time of an earlier series.
        run.ShootTime[i] = 0.0F;
        run.ClearShots(i);
        FirstShotTime[i] = 0.0F;
        run.AimX[i] = 0.0F;
        run.AimY[i] = 0.0F;
        run.LaneActive[i] = m_state.LanePresent[i];
    }
    m_view.SetText(ViewText::SigText, QString());
    for (ViewItem item : {ViewItem::Fail, ViewItem::FailArrow, ViewItem::ImageActive,
                          ViewItem::LeftArrow, ViewItem::RightArrow, ViewItem::UpArrow,
                          ViewItem::DownArrow, ViewItem::Gun2, ViewItem::PostGun}) {
        m_view.SetVisible(item, false);
    }
    m_view.SetText(ViewText::FirstTime, QStringLiteral("0 cек"));
    RedrawButtons();
    // The picture was drawn anew: the trace of the last series must not be erased onto it.
    panel.EmptyTrace();
    panel.ResetSeriesTrace();
    m_view.SetText(ViewText::TimeC, QString::asprintf("%3u сек", m_state.settings.Time));
    panel.ShowStatistics(Lane());
    device.ZeroHistories();

    lamps.Stop();
    LampsOffOnce();
}

void MultiShooterRun::SeriesGo() {
    RunState& run = m_state.run;
    DeviceValues& device = m_state.Device;
    // Their samples belong to five lanes and go on no trace. A trigger they read is a pull
    // during the start sound or the pause: the first shot of this series. A later poll of
    // a lane fetched along with another finds its report acknowledged, so each is kept.
    m_startTriggers.fill(0);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        PollLane(m_state, m_services.clock, lane);
        run.ShotLockout[Index(lane)] = 0;
        for (size_t i = 0; i < static_cast<size_t>(kLaneCount); ++i) {
            if (device.Trigger[i] != 0) {
                m_startTriggers[i] = 1;
            }
        }
    }

    const std::uint32_t now = m_services.clock->TickCount();
    const std::uint32_t interval =
        m_state.settings.WeaponType == 1 ? kAutomaticShotTimerMs : kShotTimerMs;
    for (LogicalTimer& t : Timer_shoot) {
        t.interval = interval;
        t.Start(now);
    }
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const size_t i = Index(lane);
        const TargetPoint aim = ToTarget(m_state.settings, lane, device.PosX[i], device.PosY[i]);
        run.AimX[i] = aim.x;
        run.AimY[i] = aim.y;
    }
    const size_t cur = Index(Lane());
    device.LastLevel = device.Level[cur];
    FrameSmallTarget(Lane(), kRed);
    m_savedLevel = device.Level[cur];
    m_aimLive = true;

    lamps.scriptPos = 0;
    const bool smart = m_state.settings.SmartTarget != 0;
    if (smart && m_course) {
        lamps.StartAtOnce(now);
    } else if (smart) {
        lamps.Start(now);
    }
    run.LaneLit.fill(smart ? 0 : 1);
    run.StartTick.fill(now);
    status.SeriesStarted(now);
}

void MultiShooterRun::SeriesEnd() {
    RunState& run = m_state.run;
    m_sound.PlayIfOn(m_state.EndSound);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        m_lanes.SetLamp(lane, MultiShooterView::Lamp::Steady, false);
        m_lanes.SetLamp(lane, MultiShooterView::Lamp::Flash, false);
    }
    lamps.Stop();
    LampsOffOnce();
    m_aimLive = false;
    ClearAim(Lane());
    // Lanes the shared series ended for take its end, before the last shot's sound, as their
    // shooting time; a lane that fired none has none.
    for (size_t i = 0; i < static_cast<size_t>(kLaneCount); ++i) {
        if (run.LaneActive[i] != 0) {
            if (run.ShootTime[i] == 0.0F && run.ShotCount[i] > 0) {
                run.ShootTime[i] = Seconds(m_endTick, run.StartTick[i]);
            }
            run.LaneActive[i] = 0;
        }
    }
    std::vector<LaneTotal> totals;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const size_t i = Index(lane);
        if (m_state.LanePresent[i] != 0) {
            totals.push_back(LaneTotal{lane + 1, run.ShotCount[i], run.ScoreSum[i]});
        }
    }
    status.SeriesEnded(totals);
    ReportToRangeScreen();
}

void MultiShooterRun::RunEnd() {
    for (ViewButton b :
         {ViewButton::Start, ViewButton::Save, ViewButton::Print, ViewButton::Exit}) {
        m_view.SetEnabled(b, true);
    }
    m_view.SetText(ViewText::StartCaption, kStartCaption);
    m_view.FocusStart();
    lamps.Stop();
    timers.StopAll();
    AllLampsOff(m_state, *m_services.clock);
    status.RunEnded();
}

} // namespace ryvo
