#include "exercise/TwoShooterRun.h"

#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "exercise/RunSteps.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Sound.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"

#include <algorithm>
#include <vector>

namespace ryvo {

namespace {

constexpr int kStartKeyRounds = 10;
constexpr int kStartBeeps = 3;
constexpr std::uint32_t kShotTimerMs = 100;
constexpr std::uint32_t kAutomaticShotTimerMs = 500;
constexpr LaneSet kTwoLanes = LaneBit(0) | LaneBit(1);

const QString kStartCaption = QStringLiteral("Начало стрельбы");
// The text begins with a Latin C.
const QString kCountdown = QStringLiteral("Cтрельба через %1 сек");

LampRules TwoLampRules() {
    LampRules rules;
    rules.lanes = kTwoLanes;
    rules.steps = LampSteps{20, 20, 20, std::nullopt};
    rules.sends = LampSends{{5, true}, {5, true}, {5, true}};
    return rules;
}

size_t Index(int lane) {
    return static_cast<size_t>(lane);
}

} // namespace

TwoShooterRun::TwoShooterRun(ProgramState& state, const Services& services, TwoShooterView& view)
    : lamps(
          state, *services.clock, &PortFree, TwoLampRules(),
          LampHooks{[this](int lane, bool lit) {
                        m_view.SetLampVisible(lane == 1 ? ViewItem::Image2 : ViewItem::Image1, lit);
                    },
                    [this](int lane, bool lit) {
                        m_view.SetLampVisible(lane == 1 ? ViewItem::Image4 : ViewItem::Image3, lit);
                    },
                    [this] {
                        if (SoundOn() && m_two.ShotSound) {
                            m_services.sound->PlayAsync(*m_two.ShotSound);
                        }
                    }}),
      status(state), m_two(state), m_services(services), m_view(view), m_sequence(m_services) {
    for (int lane = 0; lane < kShooters; ++lane) {
        m_panels[Index(lane)] =
            std::make_unique<TwoShooterPanel>(state, view.Lane(lane), lane, m_rings[Index(lane)]);
        LogicalTimer& timer = Timer_shoot[Index(lane)];
        timer.interval = kShotTimerMs;
        timers.Add(timer, [this, lane] { TickLockouts(m_two.run, LaneBit(lane)); });
    }
    lamps.AddTo(timers);
}

bool TwoShooterRun::SoundOn() const {
    return m_two.SoundAvailable != 0 && m_services.sound != nullptr;
}

bool TwoShooterRun::CanShoot(int lane) const {
    const auto i = Index(lane);
    return m_two.run.LaneActive[i] != 0 && m_two.run.ShotCount[i] < kMaxShots;
}

void TwoShooterRun::DrawTargets(bool tellMissing) {
    for (int lane = 0; lane < kShooters; ++lane) {
        PanelView& panel = m_view.Lane(lane);
        if (!DrawLaneTarget(panel.Picture(ViewPicture::Target), panel.Picture(ViewPicture::SignalI),
                            m_two, lane) &&
            tellMissing && m_services.dialogs != nullptr) {
            m_services.dialogs->Message(MissingPictureMessage(m_two.settings.Target[Index(lane)]),
                                        QStringLiteral("Error"), MessageIcon::Error);
        }
        if (m_two.LanePresent[Index(lane)] != 1) {
            Panel(lane).GreyOut();
        } else {
            Panel(lane).ShowPhaseLegend();
        }
        panel.Repaint(ViewPicture::Target);
        panel.Repaint(ViewPicture::SignalI);
    }
}

void TwoShooterRun::FormActivate() {
    const std::uint32_t interval =
        m_two.settings.WeaponType == 1 ? kAutomaticShotTimerMs : kShotTimerMs;
    for (LogicalTimer& timer : Timer_shoot) {
        timer.interval = interval;
    }
    // Back from its own save or print dialog: the targets keep their holes. Otherwise the
    // shared lanes may hold another window's shots, which this window must not save or show.
    if (m_two.ResultSource == 2) {
        status.Activated();
        return;
    }
    m_showsSeries = false;
    DrawTargets();
    for (int lane = 0; lane < kShooters; ++lane) {
        Panel(lane).ShowNoSeries(lane);
    }
    status.NoSeries();
    for (TwoButton b : {TwoButton::Save, TwoButton::Save2, TwoButton::Print, TwoButton::Print2}) {
        m_view.SetEnabled(b, false);
    }
}

void TwoShooterRun::Redraw() {
    if (!Idle()) {
        return;
    }
    // A missing picture was said when the window came up.
    DrawTargets(false);
    for (int lane = 0; lane < kShooters; ++lane) {
        TwoShooterPanel& panel = Panel(lane);
        const auto& shots = m_two.run.ShotPos[Index(lane)];
        const size_t count =
            m_showsSeries ? std::min<size_t>(m_two.run.ShotCount[Index(lane)], shots.size()) : 0;
        for (size_t s = 0; s < count; ++s) {
            if (WithinTarget(shots[s].x, shots[s].y)) {
                panel.DrawHole(shots[s].x, shots[s].y, kBlack, kWhite, HoleStyle::OnePixel);
            }
        }
        PanelView& view = m_view.Lane(lane);
        const QPoint corner = MarkerCorner(panel.Scale(), panel.PostGunX(), panel.PostGunY(),
                                           view.ItemSize(ViewItem::PostGun));
        view.Place(ViewItem::PostGun, corner.x(), corner.y());
    }
}

void TwoShooterRun::ExitClick() {
    if (Idle() && m_view.IsEnabled(TwoButton::Exit)) {
        m_view.ActivateWindow(QStringLiteral("TMainForm2"));
    }
}

void TwoShooterRun::OpenResult(int lane, std::int32_t mode) {
    const TwoButton button = mode == 0 ? (lane == 0 ? TwoButton::Save : TwoButton::Save2)
                                       : (lane == 0 ? TwoButton::Print : TwoButton::Print2);
    if (!Idle() || !m_view.IsEnabled(button)) {
        return;
    }
    m_two.SaveDialogMode = mode;
    m_two.CurrentLane = lane;
    m_two.ResultSource = 2;
    m_two.SaveDialogShooter = lane == 0 ? QStringLiteral("Стрелок 1") : QStringLiteral("Стрелок 2");
    m_view.ActivateWindow(QStringLiteral("TSave_Print"));
}

void TwoShooterRun::StartClick() {
    if (!Idle() || !m_view.IsEnabled(TwoButton::Start)) {
        return;
    }
    OpenPort(m_two, m_services);
    PortFree = 0;
    m_two.TraceLength = ComputeTraceLength(m_two.settings);
    for (TwoButton b : {TwoButton::Start, TwoButton::Print, TwoButton::Print2, TwoButton::Save,
                        TwoButton::Save2, TwoButton::Exit}) {
        m_view.SetEnabled(b, false);
    }
    // What stands on the device from before is no shot; a pull from now on is. A lane that
    // takes no part is not polled.
    for (int lane = 0; lane < kShooters; ++lane) {
        if (m_two.LanePresent[Index(lane)] == 1) {
            GetXY2(m_two, m_services.clock, lane);
        }
        m_two.Device.Trigger[Index(lane)] = 0;
    }
    m_course.reset();
    const bool course = m_two.ChosenCourse.has_value();
    m_sequence.Begin(course || m_two.settings.RepeatEnabled != 0);
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
    m_sequence.Add<CallStep>(
        [this] {
            ClosePort(m_two);
            status.RunEnded();
        },
        StepResult::Continue, RunSequence::Phase::EndEscape);
}

void TwoShooterRun::AddSeries() {
    // The rest of the series is added by its start, unless nobody is there to shoot.
    m_sequence.Add<CallStep>([this] { SeriesStart(); }, StepResult::Continue,
                             RunSequence::Phase::Series);
}

void TwoShooterRun::RunStart() {
    const std::uint32_t now = m_services.clock->TickCount();
    for (int lane = 0; lane < kShooters; ++lane) {
        TwoShooterPanel& panel = Panel(lane);
        const float px = panel.Scale();
        panel.SetLevelBarGeometry(static_cast<int>(px * 1.0F), static_cast<int>(px * 3.0F));
        Timer_shoot[Index(lane)].Start(now);
    }
}

void TwoShooterRun::AddCourseSteps() {
    LaneSet lanes = 0;
    for (int lane = 0; lane < kShooters; ++lane) {
        if (m_two.LanePresent[Index(lane)] == 1) {
            lanes |= LaneBit(lane);
        }
    }
    m_course = std::make_unique<CourseRun>(*m_two.ChosenCourse, m_two, m_services.sound, lanes);
    m_courseHooks = CourseHooks(
        *m_course, m_two, status,
        [this] {
            // Nobody to shoot: the course's remaining steps pass at once.
            if (!PrepareSeries()) {
                m_sequence.EndRepeats();
            }
        },
        [this] { SeriesGo(); });
    m_courseHooks.pass = PassRef::To<&TwoShooterRun::Pass>(*this);
    m_courseHooks.timers = &timers;
    m_courseHooks.interval = 0;
    m_courseHooks.end = [this] { SeriesEnd(); };
    AddCourse(m_sequence, *m_course, m_courseHooks, courseDraw, [this] { CourseEnded(); });
}

void TwoShooterRun::CourseEnded() {
    QStringList lanes;
    for (int lane = 0; lane < kShooters; ++lane) {
        if ((m_course->Lanes() & LaneBit(lane)) != 0) {
            lanes << QStringLiteral("стрелок %1 — %2")
                         .arg(lane + 1)
                         .arg(CourseResultText(m_course->Result(lane)));
        }
        // The course's shots of all stages, as one series.
        Panel(lane).ShowStatistics(lane);
    }
    status.CourseEnded(m_course->GetCourse().name + QStringLiteral(": ") +
                       lanes.join(QStringLiteral("; ")));
}

void TwoShooterRun::SeriesStart() {
    if (!PrepareSeries()) {
        // No series: the end of the run follows at the next tick.
        m_sequence.EndRepeats();
        m_sequence.Add<CallStep>([] {}, StepResult::Done, RunSequence::Phase::EndEscape);
        return;
    }
    const bool repeats = m_two.settings.RepeatEnabled != 0;
    m_sequence.Add<SoundStep>(m_two, &ProgramState::StartSound, kStartBeeps);
    // The first pass comes at the next tick.
    m_sequence.Add<CallStep>([this] { SeriesGo(); }, StepResult::Done, RunSequence::Phase::Series);
    // One dispatch point every pass.
    m_sequence.Add<SeriesStep>(PassRef::To<&TwoShooterRun::Pass>(*this), &timers, 0U);
    // The pause's first turn comes in the tick the series ends; the end of the run at the
    // next tick.
    m_sequence.Add<CallStep>([this] { SeriesEnd(); },
                             repeats ? StepResult::Continue : StepResult::Done,
                             RunSequence::Phase::Series);
    if (repeats) {
        // Escape is not read in the pause.
        m_sequence.Add<PauseStep>(
            m_two.settings, false, kCountdown,
            [this](const QString& text, std::uint32_t pauseStart) {
                // Lane 0's entry counts the pause.
                m_two.run.ElapsedSec[0] = (m_services.clock->TickCount() - pauseStart) / 1000U;
                m_view.SetStartCaption(text);
            },
            [this](RunSequence& /*run*/) { AddSeries(); });
    }
}

bool TwoShooterRun::PrepareSeries() {
    m_view.SetEnabled(TwoButton::Start, false);
    if (m_two.LanePresent[0] != 1 && m_two.LanePresent[1] != 1) {
        return false;
    }
    m_showsSeries = true;
    RunState& run = m_two.run;
    DeviceValues& device = m_two.Device;
    run.LaneActive.fill(0);
    for (int lane = 0; lane < kShooters; ++lane) {
        const auto i = Index(lane);
        PanelView& view = m_view.Lane(lane);
        view.SetText(ViewText::TimeC, QString::asprintf("%3u сек", m_two.settings.Time));
        run.ScoreSum[i] = 0;
        device.Trigger[i] = 0;
        device.RawLevel[i] = 0;
        device.Level[i] = 0;
        run.ElapsedSec[i] = 0;
        run.LastScore[i] = 0;
        run.ShotCount[i] = 0;
        run.ShootTime[i] = 0.0F;
        run.ClearShots(i);
        run.LaneActive[i] = m_two.LanePresent[i] == 1 ? 1 : 0;
        std::fill(device.TraceHistX[i].begin(), device.TraceHistX[i].end(), 0.0F);
        std::fill(device.TraceHistY[i].begin(), device.TraceHistY[i].end(), 0.0F);
        Panel(lane).ResetSeries();
        Panel(lane).ResetHold();
    }
    device.LastLevel = 0;
    for (int lane = 0; lane < kShooters; ++lane) {
        TwoShooterPanel& panel = Panel(lane);
        PanelView& view = m_view.Lane(lane);
        panel.ShowStatistics(lane);
        for (ViewItem item :
             {ViewItem::Fail, ViewItem::ImageActive, ViewItem::FailArrow, ViewItem::PostGun}) {
            view.SetVisible(item, false);
        }
        panel.EraseGun();
        // The text has a Latin c.
        view.SetText(ViewText::FirstTime, QStringLiteral("0 cек"));
    }
    DrawTargets();

    lamps.Stop();
    AllLampsOff(m_two, *m_services.clock);
    m_view.FillLamp(ViewItem::Image1, kYellow);
    m_view.FillLamp(ViewItem::Image2, kYellow);
    m_view.FillLamp(ViewItem::Image3, kRed);
    m_view.FillLamp(ViewItem::Image4, kRed);
    for (ViewItem item : {ViewItem::Image1, ViewItem::Image2, ViewItem::Image3, ViewItem::Image4}) {
        m_view.SetLampVisible(item, false);
    }
    return true;
}

void TwoShooterRun::SeriesGo() {
    RunState& run = m_two.run;
    const std::uint32_t now = m_services.clock->TickCount();
    status.SeriesStarted(now);
    lamps.scriptPos = 0;
    lamps.SetLanes(kTwoLanes);
    const std::int32_t lit = m_two.settings.SmartTarget != 0 ? 0 : 1;
    if (lit == 0) {
        lamps.Start(now);
    }
    for (int lane = 0; lane < kShooters; ++lane) {
        run.LaneLit[Index(lane)] = lit;
        run.StartTick[Index(lane)] = now;
        m_aimLive[Index(lane)] = run.LaneActive[Index(lane)] != 0;
    }
    // A lane that takes no part is not polled at all.
    for (int lane = 0; lane < kShooters; ++lane) {
        if (run.LaneActive[Index(lane)] != 0) {
            Poll(lane);
        }
    }
    for (int lane = 0; lane < kShooters; ++lane) {
        // A trigger these polls read is a pull during the start sound or the pause: the
        // first shot of this series.
        m_startTriggers[Index(lane)] = m_two.Device.Trigger[Index(lane)];
        run.ShotPending[Index(lane)] = 0;
        run.ShotLockout[Index(lane)] = 0;
    }
}

void TwoShooterRun::SeriesEnd() {
    RunState& run = m_two.run;
    // A fire-transfer series that ended on the shared count: the lanes still shooting were
    // shooting until it ended, not until its last sound was heard; a lane that fired none
    // has no shooting time.
    for (int lane = 0; lane < kShooters; ++lane) {
        const auto i = Index(lane);
        if (run.LaneActive[i] != 0 && run.ShotCount[i] > 0 && run.ShootTime[i] == 0.0F) {
            run.ShootTime[i] = static_cast<float>(m_endTick - run.StartTick[i]) * 0.001F;
        }
    }
    std::vector<LaneTotal> totals;
    for (int lane = 0; lane < kShooters; ++lane) {
        if (m_two.LanePresent[Index(lane)] == 1) {
            totals.push_back(
                LaneTotal{lane + 1, run.ShotCount[Index(lane)], run.ScoreSum[Index(lane)]});
        }
    }
    status.SeriesEnded(totals);
    // The end sound is tried even without the test playback.
    if (m_services.sound != nullptr && m_two.EndSound) {
        m_services.sound->PlayAsync(*m_two.EndSound);
    }
    lamps.Stop();
    for (ViewItem item : {ViewItem::Image1, ViewItem::Image2, ViewItem::Image3, ViewItem::Image4}) {
        m_view.SetLampVisible(item, false);
    }
    for (int lane = 0; lane < kShooters; ++lane) {
        m_aimLive[Index(lane)] = false;
        Panel(lane).ClearLiveTrace();
    }
    AllLampsOff(m_two, *m_services.clock);
    if (m_two.settings.RepeatEnabled != 0) {
        run.ElapsedSec[0] = 0;
    }
}

void TwoShooterRun::RunEnd() {
    m_view.SetStartCaption(kStartCaption);
    m_view.SetEnabled(TwoButton::Start, true);
    m_view.FocusStart();
    const bool first = m_two.run.ShotCount[0] > 0;
    const bool second = m_two.run.ShotCount[1] > 0;
    m_view.SetEnabled(TwoButton::Print, first);
    m_view.SetEnabled(TwoButton::Save, first);
    m_view.SetEnabled(TwoButton::Print2, second);
    m_view.SetEnabled(TwoButton::Save2, second);
    m_view.SetEnabled(TwoButton::Exit, true);
}

} // namespace ryvo
