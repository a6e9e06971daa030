#include "exercise/MultiShooterRun.h"

#include "calibration/Calibration.h"
#include "device/DeviceProtocol.h"
#include "device/SerialLink.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Sound.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"

#include <algorithm>
#include <vector>

namespace ryvo {

namespace {

constexpr int kStartBeeps = 3;
constexpr std::uint32_t kShotTimerMs = 100;
constexpr std::uint32_t kAutomaticShotTimerMs = 500;
constexpr std::uint32_t kLampPauseMs = 2;
constexpr int kFramePen = 2;
constexpr int kBarPen = 5;

const QString kStartCaption = QStringLiteral("Старт");

RunRules FiveLaneRules() {
    RunRules rules;
    rules.startKeyRounds = 100;
    // The run ends once Escape is up; no key release follows.
    rules.endKeyRounds = 0;
    rules.escapeEndsPause = true;
    return rules;
}

LampRules FiveLaneLamps() {
    LampRules rules;
    rules.lanes = kAllLanes;
    rules.lampOnStepMs = 20;
    rules.lampOffStepMs = 22;
    rules.flashStepMs = 22;
    rules.waitForPortFree = false;
    rules.foreignFlashKeepsInterval = false;
    rules.steadyOn = LampSend{5, true};
    rules.steadyOff = LampSend{5, true};
    rules.flashOff = LampSend{5, true};
    return rules;
}

size_t Index(int lane) {
    return static_cast<size_t>(lane);
}

float Seconds(std::uint32_t now, std::uint32_t start) {
    return static_cast<float>(now - start) * 0.001F;
}

// The lane's target type into a picture; type -1 leaves the picture as it is. False when
// the library has no picture for the type.
bool DrawTargetType(Canvas& picture, const ProgramState& state, int lane) {
    const std::int32_t type = state.settings.Target[Index(lane)];
    if (type == kTargetN4) {
        DrawN4Target(picture);
    } else if (type == kTargetSport) {
        DrawSportTarget(picture);
    } else if (type != kTargetUnused) {
        return DrawLibraryTarget(picture, state, type) != LibraryPicture::Missing;
    }
    return true;
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
    : ExerciseEngine(state, services, view), RunPhases(state.settings, m_services, FiveLaneRules()),
      lamps(state, *services.clock, PortFree, FiveLaneLamps(),
            LampHooks{[this](int lane, bool lit) {
                          m_lanes.SetLamp(lane, MultiShooterView::Lamp::Steady, lit);
                      },
                      [this](int lane, bool lit) {
                          m_lanes.SetLamp(lane, MultiShooterView::Lamp::Flash, lit);
                      },
                      [this] {
                          if (SoundOn() && m_state.ShotSound) {
                              m_services.sound->PlayAsync(*m_state.ShotSound);
                          }
                      }}),
      status(state), m_lanes(view) {
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

std::uint32_t MultiShooterRun::PlannedShots() const {
    // A lane holds at most kMaxShots shots; a larger number could never be reached.
    return std::min(m_state.settings.ShootsNumber, kMaxShots);
}

bool MultiShooterRun::LastShotWaits(int /*lane*/) const {
    // Weighed by whether a lane takes part at all, not by whether it still shoots.
    return ryvo::LastShotWaits(m_state.run, m_state.LanePresent, kAllLanes,
                               m_state.settings.ShootsNumber, FireTransfer(), LaneWeight::Present);
}

void MultiShooterRun::Acknowledge(int lane) {
    WriteByte(m_state, static_cast<std::uint8_t>(kAcknowledge + lane));
}

void MultiShooterRun::LampsOffOnce() {
    for (int lane = 0; lane < kLaneCount; ++lane) {
        m_services.clock->Sleep(kLampPauseMs);
        WriteByte(m_state, static_cast<std::uint8_t>(kSteadyLampOff + lane));
    }
}

void MultiShooterRun::DrawLargeTarget(bool complain) {
    const int lane = Lane();
    if (!DrawTargetType(m_view.Picture(ViewPicture::Target), m_state, lane) && complain &&
        m_services.dialogs != nullptr) {
        // The run goes on with the picture it had.
        m_services.dialogs->Message(MissingPictureMessage(m_state.settings.Target[Index(lane)]),
                                    QStringLiteral("Error"), MessageIcon::Error);
    }
    m_view.Repaint(ViewPicture::Target);
}

void MultiShooterRun::FrameSmallTarget(int lane, Color color) {
    Canvas& picture = m_lanes.SmallTarget(lane);
    picture.SetPen(color, kFramePen, PenMode::Copy);
    picture.SetBrush(kGray, BrushStyle::Clear);
    picture.Rectangle(1, 1, picture.Width(), picture.Height());
    m_lanes.RepaintSmallTarget(lane);
}

void MultiShooterRun::DrawLevelScale() {
    Canvas& scale = m_view.Picture(ViewPicture::SignalI);
    const float k = Scale();
    scale.SetPen(kButtonFace, 1, PenMode::Copy);
    scale.SetBrush(kButtonFace, BrushStyle::Solid);
    scale.FillRect(0, 0, scale.Width(), scale.Height());
    const int y = static_cast<int>(10.0F * k);
    const auto length = static_cast<float>(m_view.SignalLength());
    const float low = length * m_state.SignalLowFactor;
    const float mark = length * m_state.SignalMarkFactor;
    scale.SetPen(kRed, 2, PenMode::Copy);
    scale.MoveTo(0, y);
    scale.LineTo(static_cast<int>(low), y);
    scale.SetPen(kLime, 2, PenMode::Copy);
    scale.LineTo(static_cast<int>(mark), y);
    scale.SetPen(kRed, 2, PenMode::Copy);
    scale.LineTo(static_cast<int>(length), y);
    const int textY = static_cast<int>(static_cast<float>(y) + 3.0F * k);
    scale.TextOut(static_cast<int>(low - 7.0F * k), textY, QStringLiteral("min"));
    scale.TextOut(static_cast<int>(mark - 7.0F * k), textY, QStringLiteral("max"));
    m_view.Repaint(ViewPicture::SignalI);
}

void MultiShooterRun::RedrawButtons(bool complain) {
    RunState& run = m_state.run;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const size_t i = Index(lane);
        Canvas& picture = m_lanes.SmallTarget(lane);
        DrawTargetType(picture, m_state, lane);
        run.LaneActive[i] = m_state.LanePresent[i];
        const bool present = m_state.LanePresent[i] != 0;
        m_lanes.SetLaneEnabled(lane, present);
        picture.SetPen(present ? kBlack : kGray, kFramePen, PenMode::Copy);
        picture.SetBrush(kGray, present ? BrushStyle::Clear : BrushStyle::Cross);
        picture.Rectangle(1, 1, picture.Width(), picture.Height());
        m_lanes.RepaintSmallTarget(lane);
    }
    DrawLargeTarget(complain);
    DrawLevelScale();
}

void MultiShooterRun::DrawLaneHoles(int lane) {
    const RunState& run = m_state.run;
    const auto& shots = run.ShotPos[Index(lane)];
    const size_t count = std::min<size_t>(run.ShotCount[Index(lane)], shots.size());
    for (size_t s = 0; s < count; ++s) {
        if (shots[s].x == kDarkShotPosition) {
            continue;
        }
        DrawHole(shots[s].x, shots[s].y, s + 1 == count ? kRed : kBlack, kWhite);
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
        ShowNoSeries(Lane());
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

void MultiShooterRun::DrawLastSeries() {
    const RunState& run = m_state.run;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const auto& shots = run.ShotPos[Index(lane)];
        const size_t count = std::min<size_t>(run.ShotCount[Index(lane)], shots.size());
        if (count == 0) {
            continue;
        }
        Canvas& picture = m_lanes.SmallTarget(lane);
        for (size_t s = 0; s < count; ++s) {
            if (shots[s].x != kDarkShotPosition) {
                ryvo::DrawHole(picture, shots[s], HoleStyle::DoubleRadius, kBlack, kGray);
            }
        }
        m_lanes.RepaintSmallTarget(lane);
    }
    DrawLaneHoles(Lane());
    // The selected lane is framed as a selection frames it.
    FrameSmallTarget(Lane(), kRed);
}

void MultiShooterRun::Redraw() {
    if (!Idle()) {
        return;
    }
    // A missing picture was said when the window came up.
    RedrawButtons(false);
    if (m_showsSeries) {
        DrawLastSeries();
    } else {
        FrameSmallTarget(Lane(), kRed);
    }
    // The aiming point belongs to the last pass; the jerk marker to the last shot.
    m_view.SetVisible(ViewItem::Gun2, false);
    const QPoint corner =
        MarkerCorner(Scale(), m_postGunX, m_postGunY, m_view.ItemSize(ViewItem::PostGun));
    m_view.Place(ViewItem::PostGun, corner.x(), corner.y());
    // The lamp indicators may have taken a new size too.
    for (int lane = 0; lane < kLaneCount; ++lane) {
        m_lanes.FillLamp(lane, MultiShooterView::Lamp::Steady, kYellow);
        m_lanes.FillLamp(lane, MultiShooterView::Lamp::Flash, kRed);
    }
}

void MultiShooterRun::TarClick(int lane) {
    if (lane < 0 || lane >= kLaneCount || m_state.LanePresent[Index(lane)] == 0) {
        return; // an absent lane's picture ignores clicks
    }
    ResetSeriesTrace();
    ClearAim(Lane());
    PreviousLane = Lane();
    m_state.CurrentLane = lane;
    m_aimLive = !Idle() && m_state.run.LaneActive[Index(lane)] != 0;
    NewTarget();
}

void MultiShooterRun::ClearAim(int lane) {
    for (ViewItem arrow :
         {ViewItem::LeftArrow, ViewItem::RightArrow, ViewItem::UpArrow, ViewItem::DownArrow}) {
        m_view.SetVisible(arrow, false);
    }
    ClearTrace(lane, Scale());
}

void MultiShooterRun::ShowLaneTime(int lane) {
    const size_t i = Index(lane);
    const RunState& run = m_state.run;
    // Idle, every present lane counts as active again; its time is that of the last series.
    if (Idle() || run.LaneActive[i] == 0) {
        m_view.SetText(ViewText::TimeC,
                       QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[i])));
        return;
    }
    // The clock as TimeProc shows it, at once rather than at its next second.
    const std::uint32_t t = run.ElapsedSec[i];
    const std::uint32_t time = m_state.settings.Time;
    const std::uint32_t shown = time == 0 ? t : (t >= time ? 0U : time - t);
    m_view.SetText(ViewText::TimeC, QString::asprintf("%3u сек", shown));
}

void MultiShooterRun::NewTarget() {
    if (m_state.settings.IO_Serial == 1 && !m_state.PortEverOpened) {
        // With the line settings and time-outs every run uses, so the device answers.
        OpenPort(m_state, m_services);
    }
    const int lane = Lane();
    const size_t i = Index(lane);
    m_view.SetText(ViewText::FirstTime,
                   QString::asprintf("%7.2f сек", static_cast<double>(FirstShotTime[i])));
    m_view.SetText(ViewText::SigText, QStringLiteral("  "));
    for (ViewItem item : {ViewItem::Gun2, ViewItem::PostGun, ViewItem::Fail, ViewItem::FailArrow,
                          ViewItem::ImageActive}) {
        m_view.SetVisible(item, false);
    }
    DrawLargeTarget();
    ShowStatistics(lane);
    if (PreviousLane >= 0 && PreviousLane < kLaneCount) {
        FrameSmallTarget(PreviousLane, kBlack);
    }
    FrameSmallTarget(lane, kRed);
    if (m_showsSeries) {
        DrawLaneHoles(lane);
        ShowLaneTime(lane);
    } else {
        ShowNoSeries(lane);
    }
    m_view.Present();
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
    FetchStandingReports(kAllLanes, 1);
    BeginRun(m_state.settings.NumReps, m_state.settings.RepeatEnabled != 0);
}

void MultiShooterRun::OnRunStart() {
    EmptyTrace();
}

void MultiShooterRun::OnSeriesStart() {
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
    const float k = Scale();
    SetLevelBarGeometry(static_cast<int>(k), static_cast<int>(k));
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
    EmptyTrace();
    ResetSeriesTrace();
    m_view.SetText(ViewText::TimeC, QString::asprintf("%3u сек", m_state.settings.Time));
    ShowStatistics(Lane());
    device.ZeroHistories();

    lamps.Stop();
    LampsOffOnce();

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

void MultiShooterRun::OnSeriesGo() {
    RunState& run = m_state.run;
    DeviceValues& device = m_state.Device;
    // Their samples belong to five lanes and feed no trace. A trigger they read is a pull
    // during the start sound or the pause: the first shot of this series. A later poll of
    // a lane fetched along with another finds its report acknowledged, so each is kept.
    m_traceFeed = false;
    m_startTriggers.fill(0);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        PollLane(lane);
        run.ShotLockout[Index(lane)] = 0;
        for (size_t i = 0; i < static_cast<size_t>(kLaneCount); ++i) {
            if (device.Trigger[i] != 0) {
                m_startTriggers[i] = 1;
            }
        }
    }
    m_traceFeed = true;

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
    savedLevel = device.Level[cur];
    savedAimX = run.AimX[cur];
    savedAimY = run.AimY[cur];
    m_aimLive = true;

    lamps.scriptPos = 0;
    const bool smart = m_state.settings.SmartTarget != 0;
    if (smart) {
        lamps.Start(now);
    }
    run.LaneLit.fill(smart ? 0 : 1);
    run.StartTick.fill(now);
    status.SeriesStarted(now);
}

void MultiShooterRun::TimeProc() {
    RunState& run = m_state.run;
    const size_t cur = Index(Lane());
    // The clocks of all lanes follow the selected lane's and stand while it is inactive.
    if (run.LaneActive[cur] == 0) {
        return;
    }
    const std::uint32_t t = (m_services.clock->TickCount() - run.StartTick[cur]) / 1000U;
    if (t == run.ElapsedSec[cur]) {
        return;
    }
    run.ElapsedSec.fill(t);
    const std::uint32_t time = m_state.settings.Time;
    // A clock that jumps past the limit (another lane selected late) shows 0, not a wrap.
    const std::uint32_t shown = time == 0 ? t : (t >= time ? 0U : time - t);
    m_view.SetText(ViewText::TimeC, QString::asprintf("%3u сек", shown));
}

void MultiShooterRun::PassHead() {
    RunState& run = m_state.run;
    DeviceValues& device = m_state.Device;
    const Settings& settings = m_state.settings;
    m_waitForSound = false;
    ++m_passes;
    m_endTick = m_services.clock->TickCount();
    for (size_t i = 0; i < static_cast<size_t>(kLaneCount); ++i) {
        if (run.LaneActive[i] != 0 && settings.Time != 0 && run.ElapsedSec[i] > settings.Time) {
            run.LaneActive[i] = 0;
            run.ShootTime[i] = static_cast<float>(settings.Time);
        }
    }
    TimeProc();
    const int current = Lane();
    status.PollResult(PollLane(current) != -1, m_services.clock->TickCount());
    for (size_t i = 0; i < static_cast<size_t>(kLaneCount); ++i) {
        if (m_startTriggers[i] != 0) {
            device.Trigger[i] = 1;
        }
    }
    m_startTriggers.fill(0);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const size_t i = Index(lane);
        const TargetPoint aim = ToTarget(settings, lane, device.PosX[i], device.PosY[i]);
        run.AimX[i] = aim.x;
        run.AimY[i] = aim.y;
    }
    device.LastLevel = device.Level[Index(current)];

    for (int lane = 0; lane < kLaneCount; ++lane) {
        const size_t i = Index(lane);
        run.ShotPending[i] = device.Trigger[i] == 1 ? 1 : 0;
        if (run.LaneActive[i] == 0 || run.ShotPending[i] == 0) {
            continue;
        }
        // Acknowledged also when the lock-out refuses it; a refused trigger stays set and
        // is taken in the first pass after the lock-out.
        Acknowledge(lane);
        if (!AcceptTrigger(run, lane)) {
            continue;
        }
        if (lane == current) {
            RegisterSelectedLane(lane);
        } else {
            RegisterOtherLane(lane);
        }
    }
}

void MultiShooterRun::RegisterSelectedLane(int lane) {
    RunState& run = m_state.run;
    const size_t i = Index(lane);
    if (run.ShotCount[i] >= kMaxShots) {
        m_state.Device.Trigger[i] = 0;
        run.ShotPending[i] = 0;
        return;
    }
    const std::uint32_t now = m_services.clock->TickCount();
    m_endTick = now;
    if (run.ShotCount[i] == 0) {
        FirstShotTime[i] = Seconds(now, run.StartTick[i]);
        m_view.SetText(ViewText::FirstTime,
                       QString::asprintf("%7.2f сек", static_cast<double>(FirstShotTime[i])));
    }
    if (run.ShotCount[i] + 1 == m_state.settings.ShootsNumber) {
        run.ShootTime[i] = Seconds(now, run.StartTick[i]);
        m_view.SetText(ViewText::TimeC,
                       QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[i])));
    }
    m_state.Device.LastLevel = savedLevel;
    RegisterShot(&run.AimX[i], &run.AimY[i]);
    Acknowledge(lane);

    const bool usable = LevelInWindow(savedLevel);
    if (run.LastScore[i] == kScoreDark) {
        // Not a miss: a miss shown before goes.
        m_view.SetVisible(ViewItem::Fail, false);
        m_view.SetVisible(ViewItem::FailArrow, false);
    }
    ShowMissIndicators(run.LastScore[i], run.AimX[i], run.AimY[i], usable);
    const auto level = static_cast<float>(savedLevel);
    const float signal = m_state.SignalLevel;
    if (!(m_state.SignalLowFactor * signal < level && level < m_state.SignalHighFactor * signal)) {
        m_view.SetVisible(ViewItem::Fail, false);
        m_view.SetVisible(ViewItem::FailArrow, false);
        m_view.SetVisible(ViewItem::ImageActive, false);
    }
    SmallTargetHole(lane);
}

void MultiShooterRun::RegisterOtherLane(int lane) {
    RunState& run = m_state.run;
    const size_t i = Index(lane);
    if (run.ShotCount[i] < kMaxShots) {
        const std::uint32_t now = m_services.clock->TickCount();
        m_endTick = now;
        if (run.ShotCount[i] == 0) {
            FirstShotTime[i] = Seconds(now, run.StartTick[i]);
        }
        if (run.ShotCount[i] + 1 == m_state.settings.ShootsNumber) {
            run.ShootTime[i] = Seconds(now, run.StartTick[i]);
        }
        // At the lane's current aim: no trace of it is kept, so no jerk marker either.
        RecordShot(run, lane, ShotPoint{run.AimX[i], run.AimY[i]}, m_state.settings.Target[i],
                   LoadedZones(m_state), now);
        if (run.LaneLit[i] != 0) {
            SmallTargetHole(lane);
        }
        DrawLaneBar(lane);
        OtherLaneSound(lane);
        m_view.Present();
    }
    m_state.Device.Trigger[i] = 0;
    run.ShotPending[i] = 0;
}

void MultiShooterRun::OtherLaneSound(int lane) {
    // Played from memory whether or not sounds were found working; never a beep.
    Sound* sound = m_services.sound;
    if (sound == nullptr || !m_state.ShotSound) {
        return;
    }
    if (LastShotWaits(lane)) {
        auto done = std::make_shared<bool>(false);
        if (sound->PlayToCompletion(*m_state.ShotSound, [done](bool) { *done = true; })) {
            m_soundToken = done;
            m_waitForSound = true;
        }
    } else {
        sound->PlayAsync(*m_state.ShotSound);
    }
}

void MultiShooterRun::SmallTargetHole(int lane) {
    const RunState& run = m_state.run;
    const size_t i = Index(lane);
    const std::uint32_t count = std::min<std::uint32_t>(
        run.ShotCount[i], static_cast<std::uint32_t>(run.ShotPos[i].size()));
    if (count == 0) {
        return;
    }
    const ShotPoint shot = run.ShotPos[i][count - 1];
    if (WithinTarget(shot.x, shot.y)) {
        ryvo::DrawHole(m_lanes.SmallTarget(lane), shot, HoleStyle::DoubleRadius, kBlack, kGray);
        m_lanes.RepaintSmallTarget(lane);
    }
}

void MultiShooterRun::DrawLaneBar(int lane) {
    Canvas& bar = m_lanes.LaneSignal(lane);
    const int height = bar.Height();
    const int bottom = height - 2;
    const std::int32_t level = m_state.Device.Level[Index(lane)];
    const float signal = m_state.SignalLevel;
    const auto value = static_cast<float>(level);
    if (value > signal) {
        bar.SetPen(kRed, kBarPen, PenMode::Copy);
        bar.MoveTo(2, bottom);
        bar.LineTo(2, 2);
    } else {
        const int top = signal > 0.0F
                            ? static_cast<int>(static_cast<float>(bottom) -
                                               value * static_cast<float>(height - 4) / signal)
                            : bottom;
        const bool usable =
            m_state.SignalLowFactor * signal < value && value < m_state.SignalHighFactor * signal;
        bar.SetPen(usable ? kGreen : kRed, kBarPen, PenMode::Copy);
        bar.MoveTo(2, bottom);
        bar.LineTo(2, top);
        bar.SetPen(kButtonFace, kBarPen, PenMode::Copy);
        bar.LineTo(2, 0);
    }
    m_lanes.RepaintLaneSignal(lane);
}

void MultiShooterRun::DrawLevel(std::int32_t level) {
    if (static_cast<float>(level) > m_state.SignalLevel) {
        Canvas& bar = m_view.Picture(ViewPicture::SignalI);
        const int y = static_cast<int>(Scale());
        bar.SetPen(kRed, std::max(1, y), PenMode::Copy);
        bar.MoveTo(0, y);
        bar.LineTo(m_view.SignalLength(), y);
        m_view.Repaint(ViewPicture::SignalI);
        return;
    }
    DrawLevelBar(level);
}

void MultiShooterRun::OnDispatch() {
    const RunState& run = m_state.run;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        if (run.LaneActive[Index(lane)] != 0) {
            DrawLaneBar(lane);
        }
    }
    if (Held(Key::Escape)) {
        StopRequested = 1;
        RunAgain = 0;
    }
    const int lane = Lane();
    const size_t i = Index(lane);
    if (run.LaneActive[i] == 0) {
        return;
    }
    if (!LevelInWindow(savedLevel)) {
        for (ViewItem arrow :
             {ViewItem::LeftArrow, ViewItem::RightArrow, ViewItem::UpArrow, ViewItem::DownArrow}) {
            m_view.SetVisible(arrow, false);
        }
        ClearTrace(lane, Scale());
    } else {
        ShowAimPoint(Scale(), run.AimY[i], run.AimX[i]);
    }
    DrawLevel(savedLevel);
}

void MultiShooterRun::PassTail() {
    RunState& run = m_state.run;
    const Settings& settings = m_state.settings;
    const std::uint32_t planned = PlannedShots();
    const bool transfer = FireTransfer();
    for (size_t i = 0; i < static_cast<size_t>(kLaneCount); ++i) {
        if (run.LaneActive[i] == 0) {
            continue;
        }
        bool done = run.ShotCount[i] >= planned;
        if (settings.Time != 0 && run.ElapsedSec[i] >= settings.Time) {
            done = true;
            run.ShootTime[i] = static_cast<float>(settings.Time);
        }
        if (done) {
            if (transfer) {
                StopRequested = 1;
            } else {
                run.LaneActive[i] = 0;
            }
        }
    }
    if (SeriesDone(run, kAllLanes, transfer ? settings.ShootsNumber : planned, transfer)) {
        StopRequested = 1;
    }
    const size_t cur = Index(Lane());
    savedAimX = run.AimX[cur];
    savedAimY = run.AimY[cur];
    savedLevel = m_state.Device.LastLevel;
    if (Held(Key::Escape)) {
        StopRequested = 1;
        RunAgain = 0;
        const std::uint32_t now = m_services.clock->TickCount();
        for (size_t i = 0; i < static_cast<size_t>(kLaneCount); ++i) {
            if (run.LaneActive[i] != 0) {
                run.ShootTime[i] = Seconds(now, run.StartTick[i]);
                run.LaneActive[i] = 0;
            }
        }
        m_view.SetText(ViewText::TimeC,
                       QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[cur])));
    }
    // The selected lane is done: it no longer aims on the large target.
    if (m_aimLive && run.LaneActive[cur] == 0) {
        m_aimLive = false;
        ClearAim(Lane());
    }
}

void MultiShooterRun::OnSeriesEnd() {
    RunState& run = m_state.run;
    if (SoundOn() && m_state.EndSound) {
        m_services.sound->PlayAsync(*m_state.EndSound);
    }
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
}

void MultiShooterRun::ShowCountdown(const QString& text) {
    // The pause is counted in lane 0's clock entry.
    m_state.run.ElapsedSec[0] = (m_services.clock->TickCount() - PauseStart) / 1000U;
    m_view.SetText(ViewText::StartCaption, text);
}

void MultiShooterRun::OnRunEnd() {
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

void MultiShooterRun::OnIdle() {
    ClosePort(m_state);
}

} // namespace ryvo
