#include "exercise/TwoShooterRun.h"

#include "exercise/ShotRegistration.h"

#include "calibration/Calibration.h"
#include "device/TFormShoot.h"
#include "exercise/LaneClock.h"
#include "exercise/RunSteps.h"
#include "platform/Clock.h"
#include "platform/Sound.h"
#include "targets/Scoring.h"

#include <algorithm>
#include <cmath>
#include <utility>

// The two-shooter window's pass and its shots.
namespace ryvo {

namespace {

constexpr LaneSet kTwoLanes = LaneBit(0) | LaneBit(1);
// Positions this far out are not converted: the pointer keeps its last place.
constexpr float kPositionLimit = 1000.0F;

size_t Index(int lane) {
    return static_cast<size_t>(lane);
}

} // namespace

void TwoShooterRun::Poll(int lane) {
    PortFree = 0;
    const int answered = GetXY2(m_two, m_services.clock, lane);
    PortFree = 1;
    ++m_polls;
    status.PollResult(answered != -1, m_services.clock->TickCount());
}

void TwoShooterRun::Pass(SeriesStep& series) {
    RunState& run = m_two.run;
    const DeviceValues& device = m_two.Device;
    const Settings& settings = m_two.settings;
    if (!series.Resuming()) {
        ++m_passes;
        m_endTick = m_services.clock->TickCount();
        // The time limit of each lane.
        for (int lane = 0; lane < kShooters; ++lane) {
            const auto i = Index(lane);
            if (settings.Time != 0 && run.ElapsedSec[i] > settings.Time) {
                run.LaneActive[i] = 0;
                run.ShootTime[i] = static_cast<float>(settings.Time);
            }
        }
        if (m_course) {
            m_course->Pass(m_endTick);
        }
        // The clock of each lane.
        for (int lane = 0; lane < kShooters; ++lane) {
            UpdateTimer(run, settings, lane, m_services.clock->TickCount(), m_view.Lane(lane));
        }
        // The poll and the aim of each lane that takes part.
        for (int lane = 0; lane < kShooters; ++lane) {
            const auto i = Index(lane);
            if (run.LaneActive[i] == 0) {
                continue;
            }
            Poll(lane);
            if (std::exchange(m_startTriggers[i], 0) != 0) {
                m_two.Device.Trigger[i] = 1;
            }
            TwoShooterPanel& panel = Panel(lane);
            if (LevelInWindow(m_two, device.Level[i])) {
                const float x = device.PosX[i];
                const float y = device.PosY[i];
                if (-kPositionLimit < x && x < kPositionLimit && -kPositionLimit < y &&
                    y < kPositionLimit) {
                    const TargetPoint aim = ToTarget(settings, lane, x, y);
                    run.AimX[i] = aim.x;
                    run.AimY[i] = aim.y;
                    if (panel.RecordAim(aim.x, aim.y, m_services.clock->TickCount())) {
                        run.LaneTrace[i] = panel.TracesPayload();
                    }
                }
                panel.ShowAimPoint(panel.Scale(), std::trunc(run.AimY[i]), std::trunc(run.AimX[i]));
            } else {
                panel.EraseGun();
            }
        }
        // The shots of each lane, and its trace.
        for (int lane = 0; lane < kShooters; ++lane) {
            const auto i = Index(lane);
            run.ShotPending[i] = device.Trigger[i] == 1 ? 1 : 0;
            if (run.ShotPending[i] != 0 && CanShoot(lane) && AcceptTrigger(run, lane)) {
                RegisterShot(series, lane);
            }
            Panel(lane).TailDraw(run.LaneActive[i] != 0, device.Level[i]);
        }
        // The last shot of the series is heard to its end before the pass goes on.
        if (series.AwaitingSound()) {
            return;
        }
    }
    // Counters and dispatch: every pass is a dispatch point, where the timers fire.
    series.Dispatch();
    // The level bars.
    for (int lane = 0; lane < kShooters; ++lane) {
        Panel(lane).DrawLevelBar(m_two.Device.Level[Index(lane)]);
    }
    // Escape ends the series and the repetition.
    if (m_sequence.Held(Key::Escape)) {
        series.StopRun();
        const std::uint32_t now = m_services.clock->TickCount();
        for (int lane = 0; lane < kShooters; ++lane) {
            const auto i = Index(lane);
            if (run.LaneActive[i] != 0) {
                run.ShootTime[i] = static_cast<float>(now - run.StartTick[i]) * 0.001F;
            }
        }
    }
    // The end of the series. A lane holds at most kMaxShots shots.
    const std::uint32_t planned = std::min(settings.ShootsNumber, kMaxShots);
    if (settings.TargetsChange != 0) {
        if (SeriesDone(run, kTwoLanes, settings.ShootsNumber, true)) {
            series.Stop();
        }
    } else {
        RetireFinishedLanes(run, kTwoLanes, planned);
        if (SeriesDone(run, kTwoLanes, planned, false)) {
            series.Stop();
        }
    }
    // With fire transfer too, a series in which nobody can shoot any more is over.
    if (!CanShoot(0) && !CanShoot(1)) {
        series.Stop();
    }
    // A lane that is done no longer aims on its target.
    for (int lane = 0; lane < kShooters; ++lane) {
        if (m_aimLive[Index(lane)] && !CanShoot(lane)) {
            m_aimLive[Index(lane)] = false;
            Panel(lane).ClearLiveTrace();
        }
    }
    m_two.RangeScreen.Dispatch(m_two, kTwoLanes, planned);
}

void TwoShooterRun::RegisterShot(SeriesStep& series, int lane) {
    const auto i = Index(lane);
    RunState& run = m_two.run;
    Settings& settings = m_two.settings;
    TwoShooterPanel& panel = Panel(lane);
    PanelView& view = m_view.Lane(lane);
    const std::uint32_t now = m_services.clock->TickCount();
    m_endTick = now;
    const bool lit = run.LaneLit[i] != 0;
    const float x = run.AimX[i];
    const float y = run.AimY[i];

    const RecordedShot shot =
        RecordShot(run, lane, ShotPoint{x, y}, settings.Target[i], LoadedZones(m_two), now);
    if (!shot.recorded) {
        return;
    }
    if (m_course) {
        m_course->Shot(lane);
    }
    const double seconds = static_cast<double>(now - run.StartTick[i]) * 0.001;
    if (shot.first) {
        view.SetText(ViewText::FirstTime, QString::asprintf("%7.2f сек", seconds));
    }
    if (run.ShotCount[i] == settings.ShootsNumber) {
        run.ShootTime[i] = static_cast<float>(seconds);
        view.SetText(ViewText::TimeC,
                     QString::asprintf("%3.2f сек", static_cast<double>(run.ShootTime[i])));
    }
    const bool hole = lit && WithinTarget(x, y);
    if (hole) {
        panel.DrawHole(x, y, kBlack, kWhite, HoleStyle::OnePixel);
    }
    if (settings.IO_Serial == 1) {
        m_two.Device.LastLevel = m_two.Device.Level[i];
    }
    panel.ShowMiss(run.LastScore[i], static_cast<int>(x), static_cast<int>(y),
                   LevelInWindow(m_two, m_two.Device.LastLevel));
    std::optional<ShotPoint> jerkPoint;
    if (settings.EnableTrace == 1 && lit) {
        panel.TailShoot();
        jerkPoint = ShotPoint{panel.PostGunX(), panel.PostGunY()};
        // The hole lies over the shot traces, as drawn before them and erased after.
        if (hole) {
            panel.DrawHole(x, y, kBlack, kWhite, HoleStyle::OnePixel);
        }
    }
    KeepShotHold(m_two, panel, lane, lit ? std::optional<ShotPoint>(ShotPoint{x, y}) : std::nullopt,
                 jerkPoint, now);
    panel.ShowStatistics(lane);
    m_two.RangeScreen.Shot(m_two, lane, std::min(settings.ShootsNumber, kMaxShots));
    ShotSound(series, ryvo::LastShotWaits(run, m_two.LanePresent, kTwoLanes, settings.ShootsNumber,
                                          settings.TargetsChange != 0, LaneWeight::Active));
    run.ShotPending[i] = 0;
    m_two.Device.Trigger[i] = 0;
    view.Repaint(ViewPicture::Target);
    m_view.Present();
}

void TwoShooterRun::ShotSound(SeriesStep& series, bool wait) {
    Sound* sound = m_services.sound;
    if (sound == nullptr) {
        return;
    }
    if (!SoundOn()) {
        sound->Beep();
        return;
    }
    if (!m_two.ShotSound) {
        return;
    }
    if (!wait) {
        sound->PlayAsync(*m_two.ShotSound);
        return;
    }
    auto done = std::make_shared<bool>(false);
    if (sound->PlayToCompletion(*m_two.ShotSound, [done](bool) { *done = true; })) {
        series.AwaitSound(std::move(done));
    }
}

} // namespace ryvo
