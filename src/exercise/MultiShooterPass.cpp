#include "exercise/MultiShooterRun.h"

#include "calibration/Calibration.h"
#include "device/DeviceProtocol.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "exercise/RunSteps.h"
#include "exercise/ShotRegistration.h"
#include "platform/Clock.h"
#include "platform/Sound.h"
#include "targets/Scoring.h"

// The five-lane window's pass and its shots: the selected lane's on the large target, the
// other lanes' on their small targets.
namespace ryvo {

namespace {

size_t Index(int lane) {
    return static_cast<size_t>(lane);
}

} // namespace

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

void MultiShooterRun::Pass(SeriesStep& series) {
    RunState& run = m_state.run;
    DeviceValues& device = m_state.Device;
    const Settings& settings = m_state.settings;
    const int current = Lane();
    const size_t cur = Index(current);
    if (!series.Resuming()) {
        ++m_passes;
        m_endTick = m_services.clock->TickCount();
        // The time limit of each lane.
        for (size_t i = 0; i < static_cast<size_t>(kLaneCount); ++i) {
            if (run.LaneActive[i] != 0 && settings.Time != 0 && run.ElapsedSec[i] > settings.Time) {
                run.LaneActive[i] = 0;
                run.ShootTime[i] = static_cast<float>(settings.Time);
            }
        }
        // The clock.
        TimeProc();
        // The poll of the selected lane (and of the lanes with news).
        const LanePoll poll = PollLane(m_state, m_services.clock, current);
        if (poll.traceSample) {
            panel.AddSample(static_cast<std::uint32_t>(device.Level[cur]), current,
                            device.PosX[cur], device.PosY[cur]);
        }
        status.PollResult(poll.lane != -1, m_services.clock->TickCount());
        for (size_t i = 0; i < static_cast<size_t>(kLaneCount); ++i) {
            if (m_startTriggers[i] != 0) {
                device.Trigger[i] = 1;
            }
        }
        m_startTriggers.fill(0);
        // The aim of every lane.
        for (int lane = 0; lane < kLaneCount; ++lane) {
            const size_t i = Index(lane);
            const TargetPoint aim = ToTarget(settings, lane, device.PosX[i], device.PosY[i]);
            run.AimX[i] = aim.x;
            run.AimY[i] = aim.y;
        }
        if (poll.traceSample) {
            if (panel.RecordAim(run.AimX[cur], run.AimY[cur], m_endTick)) {
                run.LaneTrace[cur] = panel.TracesPayload();
            }
        }
        device.LastLevel = device.Level[cur];
        // The shots of each lane.
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
                RegisterSelectedLane(series, lane);
            } else {
                RegisterOtherLane(series, lane);
            }
        }
        // The last shot of the series is heard to its end before the pass goes on.
        if (series.AwaitingSound()) {
            return;
        }
    }
    // Counters and dispatch: timers and clicks run here; the bars, Escape, the aiming point
    // or the trace's end, and the level bar.
    if (series.Dispatch()) {
        ReportToRangeScreen();
        for (int lane = 0; lane < kLaneCount; ++lane) {
            if (run.LaneActive[Index(lane)] != 0) {
                DrawLaneBar(lane);
            }
        }
        if (Held(Key::Escape)) {
            series.StopRun();
        }
        if (run.LaneActive[cur] != 0) {
            if (!LevelInWindow(m_state, m_savedLevel)) {
                for (ViewItem arrow : {ViewItem::LeftArrow, ViewItem::RightArrow, ViewItem::UpArrow,
                                       ViewItem::DownArrow}) {
                    m_view.SetVisible(arrow, false);
                }
                panel.ClearTrace(current, panel.Scale());
            } else {
                panel.ShowAimPoint(panel.Scale(), run.AimY[cur], run.AimX[cur]);
            }
            DrawLevel(m_savedLevel);
        }
    }
    // The end of the series for each lane, and for all of them.
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
                series.Stop();
            } else {
                run.LaneActive[i] = 0;
            }
        }
    }
    if (SeriesDone(run, kAllLanes, transfer ? settings.ShootsNumber : planned, transfer)) {
        series.Stop();
    }
    // The level the next pass's shot checks use.
    m_savedLevel = m_state.Device.LastLevel;
    // Escape.
    if (Held(Key::Escape)) {
        series.StopRun();
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
        ClearAim(current);
    }
}

void MultiShooterRun::Acknowledge(int lane) {
    WriteByte(m_state, static_cast<std::uint8_t>(kAcknowledge + lane));
}

void MultiShooterRun::RegisterSelectedLane(SeriesStep& series, int lane) {
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
    m_state.Device.LastLevel = m_savedLevel;
    if (const auto point = RegisterShot(m_state, panel, lane, m_savedLevel, now)) {
        if (LastShotWaits()) {
            series.AwaitSound(m_sound.ToCompletion());
        } else {
            m_sound.Async();
        }
        ShowRegisteredShot(m_state, panel, lane, m_savedLevel);
        run.AimX[i] = point->x;
        run.AimY[i] = point->y;
        m_state.RangeScreen.Shot(m_state, lane, PlannedShots());
    }
    Acknowledge(lane);

    const bool usable = LevelInWindow(m_state, m_savedLevel);
    if (run.LastScore[i] == kScoreDark) {
        // Not a miss: a miss shown before goes.
        m_view.SetVisible(ViewItem::Fail, false);
        m_view.SetVisible(ViewItem::FailArrow, false);
    }
    panel.ShowMissIndicators(run.LastScore[i], run.AimX[i], run.AimY[i], usable);
    const auto level = static_cast<float>(m_savedLevel);
    const float signal = m_state.SignalLevel;
    if (!(m_state.SignalLowFactor * signal < level && level < m_state.SignalHighFactor * signal)) {
        m_view.SetVisible(ViewItem::Fail, false);
        m_view.SetVisible(ViewItem::FailArrow, false);
        m_view.SetVisible(ViewItem::ImageActive, false);
    }
    SmallTargetHole(lane);
}

void MultiShooterRun::RegisterOtherLane(SeriesStep& series, int lane) {
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
        m_state.RangeScreen.Shot(m_state, lane, PlannedShots());
        DrawLaneBar(lane);
        OtherLaneSound(series);
        m_view.Present();
    }
    m_state.Device.Trigger[i] = 0;
    run.ShotPending[i] = 0;
}

void MultiShooterRun::OtherLaneSound(SeriesStep& series) {
    // Played from memory whether or not sounds were found working; never a beep.
    Sound* sound = m_services.sound;
    if (sound == nullptr || !m_state.ShotSound) {
        return;
    }
    if (LastShotWaits()) {
        auto done = std::make_shared<bool>(false);
        if (sound->PlayToCompletion(*m_state.ShotSound, [done](bool) { *done = true; })) {
            series.AwaitSound(std::move(done));
        }
    } else {
        sound->PlayAsync(*m_state.ShotSound);
    }
}

} // namespace ryvo
