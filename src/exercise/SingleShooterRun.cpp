#include "exercise/SingleShooterRun.h"

#include "calibration/Calibration.h"
#include "device/SerialLink.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Sound.h"
#include "targets/LightScript.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ryvo {

namespace {

constexpr int kStartKeyRounds = 10;
constexpr int kEndKeyRounds = 100;
constexpr int kFlushRounds = 5;
constexpr int kStartBeeps = 3;
constexpr std::uint32_t kScriptStepMs = 20;
constexpr std::uint32_t kFlashOnMs = 150;
constexpr std::uint32_t kFlashOffMs = 250;
constexpr std::uint32_t kShotTimerMs = 100;
constexpr std::uint32_t kAutomaticShotTimerMs = 500;
// A pause longer than this in a script is taken as this (about 24 days).
constexpr float kLongestPauseMs = 2.0e9F;
constexpr std::uint32_t kMaxShots = 1000;

const QString kStartCaption = QStringLiteral("Начало стрельбы");
const QString kViewShootsCaption = QStringLiteral("Просмотреть выстрелы");

} // namespace

SingleShooterRun::SingleShooterRun(ProgramState& state, const Services& services,
                                   ExerciseView& view)
    : ExerciseEngine(state, services, view) {
    Timer2.interval = 500;
    Timer_shoot.interval = kShotTimerMs;
}

int SingleShooterRun::Lane() const {
    return std::clamp(m_state.CurrentLane, 0, kLaneCount - 1);
}

float SingleShooterRun::Scale() {
    return static_cast<float>(TargetWidth() * 0.005);
}

bool SingleShooterRun::Waiting() const {
    return m_phase != Phase::Series && m_phase != Phase::Idle;
}

SingleShooterRun::KeyRelease SingleShooterRun::MakeKeyRelease(int times, Key first) {
    KeyRelease wait;
    wait.keys = {first, Key::Return, first == Key::Space ? Key::Escape : Key::Space};
    wait.remaining = times;
    return wait;
}

bool SingleShooterRun::KeyReleaseDone(KeyRelease& wait) {
    while (wait.remaining > 0) {
        if (m_services.keyboard != nullptr &&
            m_services.keyboard->IsHeld(wait.keys[static_cast<size_t>(wait.step)])) {
            return false;
        }
        if (++wait.step == static_cast<int>(wait.keys.size())) {
            wait.step = 0;
            --wait.remaining;
        }
    }
    return true;
}

void SingleShooterRun::DrawEmptyTarget() {
    const int lane = Lane();
    if (!DrawLaneTarget(m_view.Picture(ViewPicture::Target), m_view.Picture(ViewPicture::SignalI),
                        m_state, lane) &&
        m_services.dialogs != nullptr) {
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
    if (m_state.ResultSource == 0) {
        DrawEmptyTarget();
    }
    m_state.ResultSource = 0;
}

void SingleShooterRun::ExitClick() {
    if (Idle() && m_view.IsEnabled(ViewButton::Start)) {
        m_view.ActivateWindow(QStringLiteral("TMainForm2"));
    }
}

void SingleShooterRun::SaveClick() {
    if (!Idle() || !m_view.IsEnabled(ViewButton::Save)) {
        return;
    }
    m_state.SaveDialogMode = 0;
    m_state.ResultSource = 1;
    m_view.ActivateWindow(QStringLiteral("TSave_Print"));
}

void SingleShooterRun::PrintClick() {
    if (!Idle() || !m_view.IsEnabled(ViewButton::Print)) {
        return;
    }
    m_state.SaveDialogMode = 1;
    m_state.ResultSource = 1;
    m_view.ActivateWindow(QStringLiteral("TSave_Print"));
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
    SeriesPending = 1;
    PortFree = 0;
    m_redrawInterval = m_state.settings.NumReps;
    RunAgain = m_state.settings.RepeatEnabled != 0 ? 1 : 0;
    m_keys = MakeKeyRelease(kStartKeyRounds, Key::Space);
    m_phase = Phase::StartKeyRelease;
}

void SingleShooterRun::AfterKeyRelease() {
    EmptyTrace();
    const float k = Scale();
    m_levelY = static_cast<int>(k);
    m_levelPen = static_cast<int>(k);
    Timer_shoot.Start(m_services.clock->TickCount());
    OuterTurn();
}

// One turn of the loop that repeats series; the first turn always runs a series.
void SingleShooterRun::OuterTurn() {
    if (SeriesPending != 0) {
        SeriesStart();
        return;
    }
    AfterSeries();
}

void SingleShooterRun::SeriesStart() {
    m_view.SetEnabled(ViewButton::Start, false);
    savedAimX = 0.0F;
    savedAimY = 0.0F;
    savedLevel = 0;
    StopRequested = 0;
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
    run.ShotPos[i].clear();
    ShowStatistics(lane);
    savedLevel = m_state.Device.Level[i];
    const TargetPoint aim =
        ToTarget(m_state.settings, lane, m_state.Device.PosX[i], m_state.Device.PosY[i]);
    savedAimX = aim.x;
    savedAimY = aim.y;

    Timer1.Stop();
    Timer2.Stop();
    AllLampsOff(m_state, *m_services.clock);
    m_view.Fill(ViewItem::Image1, kYellow);
    m_view.Fill(ViewItem::Image2, kYellow);
    m_view.Fill(ViewItem::Image3, kRed);
    m_view.Fill(ViewItem::Image4, kRed);
    m_view.SetVisible(ViewItem::ImageActive, false);

    // Trigger reports left on the device from before are fetched and acknowledged now.
    for (int round = 0; round < kFlushRounds; ++round) {
        PortFree = 0;
        PollLane(0);
        PollLane(1);
        PortFree = 1;
    }

    Sound* sound = m_services.sound;
    if (SoundOn()) {
        if (m_state.StartSound) {
            auto done = std::make_shared<bool>(false);
            if (sound->PlayToCompletion(*m_state.StartSound, [done](bool) { *done = true; })) {
                m_startSoundDone = done;
                m_phase = Phase::StartSound;
                return;
            }
        }
    } else if (sound != nullptr) {
        for (int b = 0; b < kStartBeeps; ++b) {
            sound->Beep();
        }
    }
    SeriesGo();
}

void SingleShooterRun::SeriesGo() {
    const auto i = static_cast<size_t>(Lane());
    const std::uint32_t now = m_services.clock->TickCount();
    ScriptPos = 0;
    if (m_state.settings.SmartTarget != 0) {
        Timer1.interval = kScriptStepMs;
        Timer1.Start(now);
        m_state.run.LaneLit[i] = 0;
    } else {
        m_state.run.LaneLit[i] = 1;
    }
    m_state.run.StartTick[i] = now;
    m_state.run.ShotPending[i] = 0;
    RedrawCounter = 0;
    m_state.run.ShotLockout[i] = 0;
    m_phase = Phase::Series;
}

void SingleShooterRun::PassHead() {
    const int lane = Lane();
    const auto i = static_cast<size_t>(lane);
    RunState& run = m_state.run;
    ++m_passes;
    UpdateTimer(lane);
    PortFree = 0;
    PollLane(lane);
    PortFree = 1;
    const TargetPoint aim =
        ToTarget(m_state.settings, lane, m_state.Device.PosX[i], m_state.Device.PosY[i]);
    run.AimX[i] = aim.x;
    run.AimY[i] = aim.y;

    run.ShotPending[i] = m_state.Device.Trigger[i] == 1 ? 1 : 0;
    if (run.ShotPending[i] != 0 && TakeShot(lane)) {
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
}

bool SingleShooterRun::PassTail() {
    const int lane = Lane();
    const auto i = static_cast<size_t>(lane);
    RunState& run = m_state.run;
    // A single-lane window ignores shots reported for the other lanes.
    for (int other = 0; other < kLaneCount; ++other) {
        if (other != lane) {
            m_state.Device.Trigger[static_cast<size_t>(other)] = 0;
            run.ShotPending[static_cast<size_t>(other)] = 0;
        }
    }
    bool dispatch = false;
    if (++RedrawCounter > m_redrawInterval) {
        dispatch = true;
        DispatchTimers();
        const std::int32_t lastLevel = m_state.Device.LastLevel;
        if (LevelInWindow(lastLevel)) {
            ShowAimPoint(Scale(), run.AimY[i], run.AimX[i]);
        } else {
            for (ViewItem arrow : {ViewItem::LeftArrow, ViewItem::RightArrow, ViewItem::UpArrow,
                                   ViewItem::DownArrow}) {
                m_view.SetVisible(arrow, false);
            }
            ClearTrace(lane, Scale());
        }
        if (static_cast<float>(lastLevel) <= m_state.SignalLevel) {
            DrawLevelBar();
        }
        RedrawCounter = 0;
    }
    savedAimX = run.AimX[i];
    savedAimY = run.AimY[i];
    savedLevel = m_state.Device.LastLevel;
    const std::uint32_t planned = std::min(m_state.settings.ShootsNumber, kMaxShots);
    if (run.ShotCount[i] >= planned || run.LaneActive[i] == 0) {
        StopRequested = 1;
    }
    if (m_services.keyboard != nullptr && m_services.keyboard->IsHeld(Key::Escape)) {
        StopRequested = 1;
        RunAgain = 0;
        run.ShootTime[i] =
            static_cast<float>(m_services.clock->TickCount() - run.StartTick[i]) / 1000.0F;
        m_view.SetText(ViewText::TimeC,
                       QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[i])));
    }
    return dispatch;
}

void SingleShooterRun::DrawLevelBar() {
    Canvas& bar = m_view.Picture(ViewPicture::SignalI);
    const int full = m_view.SignalLength();
    const auto level = static_cast<float>(m_state.Device.LastLevel);
    const int length =
        m_state.SignalLevel > 0.0F
            ? static_cast<int>(level * static_cast<float>(full) / m_state.SignalLevel)
            : 0;
    bar.SetPen(kBlack, m_levelPen, PenMode::Copy);
    bar.MoveTo(0, m_levelY);
    bar.LineTo(length, m_levelY);
    bar.SetPen(kButtonFace, m_levelPen, PenMode::Copy);
    bar.LineTo(full, m_levelY);
    m_view.Repaint(ViewPicture::SignalI);
}

void SingleShooterRun::RunSeries() {
    for (;;) {
        PassHead();
        if (SoundPending()) {
            m_phase = Phase::LastShotSound;
            return;
        }
        m_waitForSound = false;
        const bool dispatch = PassTail();
        if (StopRequested != 0) {
            SeriesEnd();
            return;
        }
        if (dispatch) {
            return;
        }
    }
}

void SingleShooterRun::SeriesEnd() {
    if (SoundOn() && m_state.EndSound) {
        m_services.sound->PlayAsync(*m_state.EndSound);
    }
    Timer1.Stop();
    Timer2.Stop();
    for (ViewItem item : {ViewItem::Image1, ViewItem::Image2, ViewItem::Image3, ViewItem::Image4}) {
        m_view.SetVisible(item, false);
    }
    AllLampsOff(m_state, *m_services.clock);
    ClearTrace(Lane(), Scale());
    m_view.SetEnabled(ViewButton::Start, true);
    SeriesPending = 0;
    m_firstTurnAfterSeries = true;
    AfterSeries();
}

void SingleShooterRun::AfterSeries() {
    const std::uint32_t now = m_services.clock->TickCount();
    if (m_state.settings.RepeatEnabled != 0) {
        if (m_firstTurnAfterSeries) {
            m_firstTurnAfterSeries = false;
            PauseStart = now;
            SeriesPending = 0;
            m_countdownSeconds = 0;
        }
        const std::uint32_t since = now - PauseStart;
        const auto repeatMs = static_cast<std::int64_t>(m_state.settings.RepeatTime) * 1000;
        if (static_cast<std::int64_t>(since) > repeatMs) {
            SeriesPending = 1;
        }
        const std::uint32_t seconds = since / 1000U;
        if (seconds != m_countdownSeconds) {
            m_countdownSeconds = seconds;
            m_view.SetText(
                ViewText::StartCaption,
                QStringLiteral("До начала стрельбы ") +
                    QString::number(static_cast<std::int64_t>(m_state.settings.RepeatTime) -
                                    static_cast<std::int64_t>(seconds)) +
                    QStringLiteral(" сек"));
        }
    } else {
        RunAgain = 0;
    }
    m_view.SetVisible(ViewItem::Gun2, false);
    if (RunAgain != 0) {
        // The pause does not read the keyboard: a repeated run is left from within a series.
        m_phase = Phase::Pause;
        return;
    }
    m_phase = Phase::EndEscape;
}

void SingleShooterRun::EndOfRun() {
    m_view.SetEnabled(ViewButton::Start, true);
    if (m_state.run.ShotCount[static_cast<size_t>(Lane())] > 0) {
        m_view.SetEnabled(ViewButton::Save, true);
        m_view.SetEnabled(ViewButton::Print, true);
        m_view.SetEnabled(ViewButton::ViewShoots, true);
    }
    m_view.SetEnabled(ViewButton::Exit, true);
    m_view.SetText(ViewText::StartCaption, kStartCaption);
    m_view.FocusStart();
    m_keys = MakeKeyRelease(kEndKeyRounds, Key::Space);
    m_phase = Phase::EndKeyRelease;
}

void SingleShooterRun::DispatchTimers() {
    const std::uint32_t now = m_services.clock->TickCount();
    if (Timer_shoot.Due(now)) {
        Timer_shoot.due = now + Timer_shoot.interval;
        Timer_shootTimer();
    }
    if (Timer1.Due(now)) {
        Timer1.due = now + Timer1.interval;
        Timer1Timer();
    }
    if (Timer2.Due(now)) {
        Timer2.due = now + Timer2.interval;
        Timer2Timer();
    }
}

void SingleShooterRun::Timer1Timer() {
    const std::uint32_t now = m_services.clock->TickCount();
    if (PortFree == 0) {
        Timer1.SetInterval(kScriptStepMs, now);
        return;
    }
    const std::vector<QString>& lines = m_state.ScriptLines;
    if (ScriptPos < 0 || static_cast<size_t>(ScriptPos) >= lines.size()) {
        // A script without its stop line ends where its lines end.
        Timer1.Stop();
        return;
    }
    const int lane = Lane();
    const auto command = ParseScriptLine(lines[static_cast<size_t>(ScriptPos)]);
    if (command) {
        const bool ownLane = command->target == static_cast<std::uint32_t>(lane);
        const ViewItem steady = lane == 1 ? ViewItem::Image2 : ViewItem::Image1;
        switch (command->code) {
        case kLampOn:
            if (ownLane) {
                SteadyLampOn(m_state, lane);
                m_view.SetVisible(steady, true);
                m_state.run.LaneLit[static_cast<size_t>(lane)] = 1;
            }
            Timer1.SetInterval(kScriptStepMs, now);
            break;
        case kLampOff:
            if (ownLane) {
                SteadyLampOff(m_state, *m_services.clock, lane);
                m_view.SetVisible(steady, false);
                m_state.run.LaneLit[static_cast<size_t>(lane)] = 0;
            }
            Timer1.SetInterval(kScriptStepMs, now);
            break;
        case kPause: {
            const float ms =
                std::clamp(std::trunc(command->seconds * 1000.0F), 0.0F, kLongestPauseMs);
            Timer1.SetInterval(static_cast<std::uint32_t>(ms), now);
            break;
        }
        case kFlashes:
            if (ownLane) {
                FlashLane = lane;
                FlashCount = command->count;
                Timer2.SetInterval(kScriptStepMs, now);
                Timer2.Start(now);
            }
            Timer1.SetInterval(kScriptStepMs, now);
            break;
        case kStop:
            Timer1.Stop();
            break;
        default:
            break;
        }
    }
    ++ScriptPos;
}

void SingleShooterRun::Timer2Timer() {
    const std::uint32_t now = m_services.clock->TickCount();
    const ViewItem indicator = FlashLane == 1 ? ViewItem::Image4 : ViewItem::Image3;
    if (Timer2.interval == kScriptStepMs || Timer2.interval == kFlashOffMs) {
        if (FlashCount > 0) {
            FlashLampOn(m_state, FlashLane);
            if (SoundOn() && m_state.ShotSound) {
                m_services.sound->PlayAsync(*m_state.ShotSound);
            }
            --FlashCount;
            m_view.SetVisible(indicator, true);
            Timer2.SetInterval(kFlashOnMs, now);
        } else {
            Timer2.Stop();
        }
    } else {
        FlashLampOff(m_state, *m_services.clock, FlashLane);
        m_view.SetVisible(indicator, false);
        Timer2.SetInterval(kFlashOffMs, now);
    }
}

void SingleShooterRun::ViewShootsClick() {
    if (!Idle() || !m_view.IsEnabled(ViewButton::ViewShoots)) {
        return;
    }
    for (ViewButton b :
         {ViewButton::Start, ViewButton::Save, ViewButton::Print, ViewButton::Exit}) {
        m_view.SetEnabled(b, false);
    }
    m_phase = Phase::ReplayUpRelease;
}

void SingleShooterRun::DrawReplayHole(size_t shot, Color fill) {
    const auto& shots = m_state.run.ShotPos[static_cast<size_t>(Lane())];
    if (shot < shots.size()) {
        DrawHole(shots[shot].x, shots[shot].y, kWhite, fill);
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
    const ShotPoint p = m_replayShot < shots.size() ? shots[m_replayShot] : ShotPoint{};
    const std::int32_t score = ScoreShot(p.x, p.y, m_state.settings.Target[lane]);
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
    if (m_services.keyboard != nullptr && m_services.keyboard->IsHeld(Key::Escape)) {
        ReplayFinish();
        return;
    }
    m_phase = Phase::ReplayWaitPress;
}

void SingleShooterRun::ReplayFinish() {
    if (m_services.keyboard == nullptr || !m_services.keyboard->IsHeld(Key::Escape)) {
        DrawReplayHole(m_replayShot, kBlack);
    }
    m_view.SetVisible(ViewItem::Fail, false);
    m_view.SetVisible(ViewItem::FailArrow, false);
    m_view.SetText(ViewText::ViewShootsCaption, kViewShootsCaption);
    m_keys = MakeKeyRelease(kStartKeyRounds, Key::Escape);
    m_phase = Phase::ReplayKeyRelease;
}

void SingleShooterRun::Tick() {
    Keyboard* keys = m_services.keyboard;
    auto held = [keys](Key key) { return keys != nullptr && keys->IsHeld(key); };
    DrawPendingFreeze();
    switch (m_phase) {
    case Phase::Idle:
        return;
    case Phase::StartKeyRelease:
        if (KeyReleaseDone(m_keys)) {
            AfterKeyRelease();
        }
        return;
    case Phase::StartSound:
        if (m_startSoundDone && *m_startSoundDone) {
            m_startSoundDone.reset();
            SeriesGo();
        }
        return;
    case Phase::Series:
        RunSeries();
        return;
    case Phase::LastShotSound:
        if (!SoundPending()) {
            m_waitForSound = false;
            m_phase = Phase::Series;
            PassTail();
            if (StopRequested != 0) {
                SeriesEnd();
            }
        }
        return;
    case Phase::Pause:
        OuterTurn();
        return;
    case Phase::EndEscape:
        if (!held(Key::Escape)) {
            EndOfRun();
        }
        return;
    case Phase::EndKeyRelease:
        if (KeyReleaseDone(m_keys)) {
            ClosePort(m_state);
            m_phase = Phase::Idle;
        }
        return;
    case Phase::ReplayUpRelease: {
        if (held(Key::Up)) {
            return;
        }
        const auto lane = static_cast<size_t>(Lane());
        const std::uint32_t count = m_state.run.ShotCount[lane];
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
    case Phase::ReplayWaitPress:
        if (held(Key::Escape)) {
            ReplayFinish();
        } else if (held(Key::Up)) {
            m_phase = Phase::ReplayWaitUpRelease;
        }
        return;
    case Phase::ReplayWaitUpRelease:
        if (held(Key::Escape)) {
            ReplayFinish();
        } else if (!held(Key::Up)) {
            if (m_replayShot + 1 < m_state.run.ShotCount[static_cast<size_t>(Lane())]) {
                ++m_replayShot;
                ReplayShow();
            } else {
                ReplayFinish();
            }
        }
        return;
    case Phase::ReplayKeyRelease:
        if (KeyReleaseDone(m_keys)) {
            m_view.Repaint(ViewPicture::Target);
            for (ViewButton b :
                 {ViewButton::Start, ViewButton::Save, ViewButton::Print, ViewButton::Exit}) {
                m_view.SetEnabled(b, true);
            }
            m_phase = Phase::Idle;
        }
        return;
    }
}

} // namespace ryvo
