#include "exercise/MultiShooterRun.h"

#include "device/SerialLink.h"
#include "platform/Dialogs.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"

#include <algorithm>

// The five-lane window's lanes: the small targets with their holes, frames and signal bars,
// the large target of the selected lane, the level scale, and choosing a lane.
namespace ryvo {

namespace {

constexpr int kFramePen = 2;
constexpr int kBarPen = 5;

size_t Index(int lane) {
    return static_cast<size_t>(lane);
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

} // namespace

void MultiShooterRun::DrawLargeTarget(bool complain) {
    const int lane = Lane();
    if (!DrawTargetType(m_view.Picture(ViewPicture::Target), m_state, lane) && complain &&
        m_services.dialogs != nullptr) {
        // The run goes on with the picture it had.
        m_services.dialogs->Message(MissingPictureMessage(m_state.settings.Target[Index(lane)]),
                                    QStringLiteral("Error"), MessageIcon::Error);
    }
    panel.ShowPhaseLegend();
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
    const float k = panel.Scale();
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
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const size_t i = Index(lane);
        Canvas& picture = m_lanes.SmallTarget(lane);
        DrawTargetType(picture, m_state, lane);
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
        panel.DrawHole(shots[s].x, shots[s].y, s + 1 == count ? kRed : kBlack, kWhite);
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
    const QPoint corner = MarkerCorner(panel.Scale(), panel.PostGunX(), panel.PostGunY(),
                                       m_view.ItemSize(ViewItem::PostGun));
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
    // The traces kept go with their lane; the aim recorded starts afresh.
    if (const QByteArray kept = panel.FinishTraces(); !kept.isEmpty()) {
        m_state.run.LaneTrace[Index(Lane())] = kept;
    }
    panel.ResetSeriesTrace();
    panel.ResumeTraces(m_state.run.LaneTrace[Index(lane)]);
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
    panel.ClearTrace(lane, panel.Scale());
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
    panel.ShowStatistics(lane);
    if (PreviousLane >= 0 && PreviousLane < kLaneCount) {
        FrameSmallTarget(PreviousLane, kBlack);
    }
    FrameSmallTarget(lane, kRed);
    if (m_showsSeries) {
        DrawLaneHoles(lane);
        ShowLaneTime(lane);
    } else {
        panel.ShowNoSeries(lane);
    }
    m_view.Present();
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
        const int y = static_cast<int>(panel.Scale());
        bar.SetPen(kRed, std::max(1, y), PenMode::Copy);
        bar.MoveTo(0, y);
        bar.LineTo(m_view.SignalLength(), y);
        m_view.Repaint(ViewPicture::SignalI);
        return;
    }
    panel.DrawLevelBar(level);
}

} // namespace ryvo
