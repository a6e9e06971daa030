#include "exercise/TargetPanel.h"

#include "calibration/Calibration.h"
#include "platform/ResourceLibrary.h"
#include "targets/Scoring.h"

#include <algorithm>
#include <cstring>

namespace ryvo {

namespace {

size_t LaneIndex(int lane) {
    return static_cast<size_t>(std::clamp(lane, 0, kLaneCount - 1));
}

} // namespace

QString LevelText(const ProgramState& state, std::uint32_t level) {
    const auto value = static_cast<float>(level);
    if (value > state.SignalMarkFactor * state.SignalLevel ||
        value < state.SignalLowFactor * state.SignalLevel) {
        return QStringLiteral("Сигнал вне диапазона");
    }
    return QString::asprintf("Уровень=%4u", level);
}

QPoint MarkerCorner(float k, float x, float y, QSize size) {
    // Half the marker size is taken in whole pixels (truncated), not as a float.
    // NOLINTBEGIN(bugprone-integer-division)
    return {static_cast<int>(k * x + 100.0F * k - static_cast<float>(size.width() / 2)),
            static_cast<int>(k * y + 100.0F * k - static_cast<float>(size.height() / 2))};
    // NOLINTEND(bugprone-integer-division)
}

QRect SegmentArea(QPoint a, QPoint b) {
    // The pen reaches a little beyond the end points.
    return QRect(a, b).normalized().adjusted(-3, -3, 3, 3);
}

TargetPanel::TargetPanel(ProgramState& state, PanelView& view)
    : m_panelState(state), m_panelView(view) {}

int TargetPanel::EffectiveTraceLength() const {
    return std::clamp(m_panelState.TraceLength, 1, kMaxTraceLength);
}

int TargetPanel::TargetWidth() {
    return m_panelView.Picture(ViewPicture::Target).Width();
}

float TargetPanel::Scale() {
    return static_cast<float>(TargetWidth() * 0.005);
}

int TargetPanel::Px(float t) {
    return ToPixels(t, TargetWidth());
}

QPoint TargetPanel::TracePixel(int lane, const TracePoint& point) {
    const TargetPoint t = ToTarget(m_panelState.settings, lane, point.x, point.y);
    const int width = TargetWidth();
    return {ToPixels(t.x, width), ToPixels(t.y, width)};
}

void TargetPanel::EmptyTrace() {
    m_trace.Fill(EmptyTracePoint());
    m_usedEntries = 0;
    m_tracePoints = 0;
    m_traceFull = 0;
}

const HoldTarget& TargetPanel::HoldTargetFor(std::int32_t type, const ResourceLibrary* library) {
    if (!m_holdTargetMade || type != m_holdTargetType) {
        m_holdZones = library != nullptr ? library->Zones() : nullptr;
        m_holdTarget = MakeHoldTarget(type, library);
        m_holdTargetType = type;
        m_holdTargetMade = true;
    }
    return m_holdTarget;
}

void TargetPanel::ResetHold() {
    m_aim.Clear();
    m_traces.Clear();
    m_holdTargetMade = false;
}

QByteArray TargetPanel::FinishTraces() {
    m_traces.Finish();
    return m_traces.Payload();
}

void TargetPanel::ResetSeriesTrace() {
    ResetHold();
    m_postGunShown = false;
    m_tracePoints = 0;
    m_frozenCount = 0;
    m_frozenPoints.clear();
    m_frozenPixels.clear();
    m_erasePixels.clear();
    m_freezePending = false;
    m_frozenByPhase = false;
    m_phased = {};
}

void TargetPanel::SetHoleLook(HoleStyle style, Color lastRim) {
    m_holeStyle = style;
    m_lastRim = lastRim;
}

void TargetPanel::DrawTraceSegment(int x1, int y1, int highlight, int x2, int y2) {
    if (m_panelState.settings.EnableTrace != 1) {
        return;
    }
    Canvas& target = m_panelView.Picture(ViewPicture::Target);
    target.SetPen(highlight == 0 ? kYellow : kAqua, 2, PenMode::Xor);
    target.MoveTo(x1, y1);
    target.LineTo(x2, y2);
    m_panelView.RepaintArea(ViewPicture::Target, SegmentArea(QPoint(x1, y1), QPoint(x2, y2)));
}

void TargetPanel::AddSample(std::uint32_t level, int lane, float x, float y) {
    // A freeze still to be drawn goes first: a segment drawn before it would lie under the
    // holes it repaints and leave marks on them when erased.
    DrawPendingFreeze();
    const int length = EffectiveTraceLength();
    if (m_tracePoints == length && m_traceFull != 0) {
        const QPoint a = TracePixel(lane, m_trace.At(length - 1));
        const QPoint b = TracePixel(lane, m_trace.At(length));
        DrawTraceSegment(a.x(), a.y(), 0, b.x(), b.y());
        if (m_panelState.settings.EnableTrace == 1) {
            RepairHoles(lane, {SegmentArea(a, b)});
        }
    }
    // -100 marks an empty entry.
    m_trace.Push(
        TracePoint{x == kEmptyTrace ? kEmptyTrace - 1.0F : x, y, static_cast<std::int32_t>(level)});
    // Entries behind the trace are empty, as if the list had been shifted down by one.
    m_usedEntries = std::min(m_usedEntries + 1, kTraceEntries);
    for (int i = length + 1; i < m_usedEntries; ++i) {
        m_trace.At(i) = EmptyTracePoint();
    }
    m_usedEntries = std::min(m_usedEntries, length + 1);
    if (m_tracePoints > 0) {
        const QPoint a = TracePixel(lane, m_trace.At(0));
        const QPoint b = TracePixel(lane, m_trace.At(1));
        DrawTraceSegment(a.x(), a.y(), 0, b.x(), b.y());
    }
    if (m_tracePoints < length) {
        ++m_tracePoints;
        m_traceFull = 0;
    } else {
        m_traceFull = 1;
    }
}

void TargetPanel::ClearTrace(int lane, float /*k*/) {
    DrawPendingFreeze();
    m_panelView.SetVisible(ViewItem::Gun2, false);
    std::vector<QRect> erased;
    for (int i = 0; i < kTraceEntries && m_trace.At(i).x != kEmptyTrace; ++i) {
        if (i + 1 >= kTraceEntries || m_trace.At(i + 1).x == kEmptyTrace) {
            m_trace.At(i) = EmptyTracePoint();
            break;
        }
        const QPoint a = TracePixel(lane, m_trace.At(i));
        const QPoint b = TracePixel(lane, m_trace.At(i + 1));
        DrawTraceSegment(a.x(), a.y(), 0, b.x(), b.y());
        erased.push_back(SegmentArea(a, b));
        m_trace.At(i) = EmptyTracePoint();
    }
    if (m_panelState.settings.EnableTrace == 1) {
        RepairHoles(lane, erased);
    }
    m_usedEntries = 0;
    m_tracePoints = 0;
    m_traceFull = 0;
}

void TargetPanel::ShowAimPoint(float k, float y, float x) {
    if (m_panelState.settings.FlagGunEnable == 1) {
        m_panelView.SetVisible(ViewItem::Gun2, true);
    }
    const QPoint corner = MarkerCorner(k, x, y, m_panelView.ItemSize(ViewItem::Gun2));
    m_panelView.Place(ViewItem::Gun2, corner.x(), corner.y());
    m_panelView.SetVisible(ViewItem::LeftArrow, x <= -100.0F);
    m_panelView.SetVisible(ViewItem::RightArrow, x >= 100.0F);
    m_panelView.SetVisible(ViewItem::UpArrow, y <= -100.0F);
    m_panelView.SetVisible(ViewItem::DownArrow, y >= 100.0F);
}

void TargetPanel::ShowJerkMarker(float x, float y, bool shown) {
    m_postGunX = x;
    m_postGunY = y;
    m_postGunShown = shown;
    if (shown) {
        const QPoint corner = MarkerCorner(Scale(), x, y, m_panelView.ItemSize(ViewItem::PostGun));
        m_panelView.Place(ViewItem::PostGun, corner.x(), corner.y());
    }
    m_panelView.SetVisible(ViewItem::PostGun, shown);
}

void TargetPanel::HideJerkMarker() {
    m_postGunShown = false;
    m_panelView.SetVisible(ViewItem::PostGun, false);
}

void TargetPanel::ShowStatistics(int lane) {
    ShowStatisticsOf(m_panelState.run, lane);
}

void TargetPanel::ShowNoSeries(int lane) {
    ShowStatisticsOf(RunState{}, lane);
    m_panelView.SetText(ViewText::TimeC, QString::asprintf("%3u сек", m_panelState.settings.Time));
    m_panelView.SetText(ViewText::FirstTime, QStringLiteral("0 cек"));
    for (ViewItem item :
         {ViewItem::Fail, ViewItem::FailArrow, ViewItem::ImageActive, ViewItem::PostGun}) {
        m_panelView.SetVisible(item, false);
    }
    m_postGunShown = false;
}

void TargetPanel::ShowStatisticsOf(const RunState& run, int lane) {
    const size_t i = LaneIndex(lane);
    m_panelView.SetText(ViewText::Num, QString::asprintf("%u", run.ShotCount[i]));
    m_panelView.SetText(ViewText::Res,
                        run.LastScore[i] >= 0
                            ? QString::asprintf("%2u", static_cast<unsigned>(run.LastScore[i]))
                            : QStringLiteral("0"));
    m_panelView.SetText(ViewText::SymE,
                        QString::asprintf("%4u", static_cast<unsigned>(run.ScoreSum[i])));
    const double average = run.ShotCount[i] > 0
                               ? static_cast<double>(static_cast<float>(run.ScoreSum[i]) /
                                                     static_cast<float>(run.ShotCount[i]))
                               : 0.0;
    m_panelView.SetText(ViewText::AverSym, QString::asprintf("%4.1f", average));
    m_panelView.ShotsChanged(run, static_cast<int>(i));
}

void TargetPanel::ShowMissArrow(float /*k*/, float y, float x) {
    DrawMissArrow(m_panelView.Picture(ViewPicture::FailArrow), MissDirectionOf(x, y));
    m_panelView.Repaint(ViewPicture::FailArrow);
}

void TargetPanel::DrawHole(float x, float y, Color outline, Color fill, HoleStyle style) {
    const QRect area =
        ryvo::DrawHole(m_panelView.Picture(ViewPicture::Target), {x, y}, style, outline, fill);
    m_panelView.RepaintArea(ViewPicture::Target, area);
}

void TargetPanel::DrawLastHoles(int lane, bool lastLit) {
    const size_t i = LaneIndex(lane);
    const RunState& run = m_panelState.run;
    const std::uint32_t count = std::min<std::uint32_t>(
        run.ShotCount[i], static_cast<std::uint32_t>(run.ShotPos[i].size()));
    if (count >= 2) {
        const ShotPoint& previous = run.ShotPos[i][count - 2];
        if (WithinTarget(previous.x, previous.y)) {
            DrawHole(previous.x, previous.y, kBlack, kWhite);
        }
    }
    if (count >= 1) {
        const ShotPoint& last = run.ShotPos[i][count - 1];
        if (lastLit && WithinTarget(last.x, last.y)) {
            DrawHole(last.x, last.y, kRed, kWhite);
        }
    }
}

void TargetPanel::RepairHoles(int lane, const std::vector<QRect>& areas) {
    if (areas.empty()) {
        return;
    }
    QRect all;
    for (const QRect& area : areas) {
        all |= area;
    }
    const size_t i = LaneIndex(lane);
    const RunState& run = m_panelState.run;
    const size_t count = std::min<size_t>(run.ShotCount[i], run.ShotPos[i].size());
    const int width = TargetWidth();
    for (size_t s = 0; s < count; ++s) {
        const ShotPoint& shot = run.ShotPos[i][s];
        if (!WithinTarget(shot.x, shot.y)) {
            continue;
        }
        const QRect hole = HoleArea(shot, m_holeStyle, width);
        if (!hole.intersects(all) || std::none_of(areas.begin(), areas.end(), [&](const QRect& a) {
                return a.intersects(hole);
            })) {
            continue;
        }
        DrawHole(shot.x, shot.y, s + 1 == count ? m_lastRim : kBlack, kWhite, m_holeStyle);
    }
}

void TargetPanel::ShowMissIndicators(std::int32_t score, float x, float y, bool levelUsable) {
    if (score == kScoreDark) {
        m_panelView.SetVisible(ViewItem::ImageActive, true);
        return;
    }
    if (!levelUsable) {
        return;
    }
    if (score >= 0) {
        m_panelView.SetVisible(ViewItem::Fail, false);
        m_panelView.SetVisible(ViewItem::FailArrow, false);
        m_panelView.SetVisible(ViewItem::ImageActive, false);
    } else {
        ShowMissArrow(Scale(), y, x);
        m_panelView.SetVisible(ViewItem::Fail, true);
        m_panelView.SetVisible(ViewItem::FailArrow, true);
        m_panelView.SetVisible(ViewItem::ImageActive, false);
    }
}

void TargetPanel::FreezeTrace(int lane) {
    if (m_panelState.settings.EnableTrace != 1) {
        return;
    }
    // A shot before the last one was drawn: that one goes on the picture first.
    DrawPendingFreeze();
    // A trace drawn by phase is not erased by drawing it again: what lay under it goes back.
    if (!m_frozenByPhase && m_frozenCount > 0 && m_panelState.run.ShotCount[LaneIndex(lane)] > 0) {
        m_erasePixels = std::move(m_frozenPixels);
    }
    m_frozenPixels.clear();
    m_frozenPoints.clear();
    if (m_tracePoints > 0) {
        m_panelState.TraceLength = ComputeTraceLength(m_panelState.settings);
        // Only the samples on hand: a trace not yet full ends at its first empty entry.
        for (int j = 0; j <= m_tracePoints && j < kTraceEntries; ++j) {
            const TracePoint& p = m_trace.At(j);
            if (p.x == kEmptyTrace) {
                break;
            }
            m_frozenPoints.push_back(p);
            m_frozenPixels.push_back(TracePixel(lane, p));
        }
        m_frozenCount = static_cast<int>(m_frozenPixels.size()) - 1;
    } else {
        m_frozenCount = 0;
    }
    m_frozenLane = lane;
    m_frozenLit = m_panelState.run.LaneLit[LaneIndex(lane)] != 0;
    m_frozenByPhase = TakePhasedSamples(static_cast<int>(m_frozenPoints.size()));
    m_freezePending = true;
}

void TargetPanel::DrawPendingFreeze() {
    if (!m_freezePending) {
        return;
    }
    m_freezePending = false;
    if (m_frozenByPhase) {
        DrawPhased(true);
        return;
    }
    Canvas& target = m_panelView.Picture(ViewPicture::Target);
    target.SetPen(kAqua, 2, PenMode::Xor);
    target.Polyline(m_erasePixels);
    std::vector<QRect> erased;
    for (size_t j = 1; j < m_erasePixels.size(); ++j) {
        erased.push_back(SegmentArea(m_erasePixels[j - 1], m_erasePixels[j]));
    }
    m_erasePixels.clear();
    RepairHoles(m_frozenLane, erased);
    target.SetPen(kAqua, 2, PenMode::Xor);
    target.Polyline(m_frozenPixels);
    // The holes of the last two shots lie over the trace, as they were drawn after it.
    DrawLastHoles(m_frozenLane, m_frozenLit);
    m_panelView.Repaint(ViewPicture::Target);
}

void TargetPanel::DrawFrozenTraceAgain() {
    // What was to be erased is not on the new picture.
    m_erasePixels.clear();
    m_freezePending = false;
    m_frozenPixels.clear();
    for (const TracePoint& p : m_frozenPoints) {
        m_frozenPixels.push_back(TracePixel(m_frozenLane, p));
    }
    if (m_frozenByPhase) {
        // Nothing of the last picture is left to put back.
        m_phased.under = QImage();
        DrawPhased(false);
        return;
    }
    if (m_frozenPixels.empty()) {
        return;
    }
    Canvas& target = m_panelView.Picture(ViewPicture::Target);
    target.SetPen(kAqua, 2, PenMode::Xor);
    target.Polyline(m_frozenPixels);
    DrawLastHoles(m_frozenLane, m_frozenLit);
    m_panelView.Repaint(ViewPicture::Target);
}

void TargetPanel::SetLevelBarGeometry(int y, int pen) {
    m_levelY = y;
    m_levelPen = pen;
}

namespace {

bool SameRows(const QImage& image, const QRect& rows, const QImage& saved) {
    if (saved.size() != rows.size() || saved.format() != image.format()) {
        return false;
    }
    const auto bytes = static_cast<size_t>(image.bytesPerLine());
    for (int y = 0; y < rows.height(); ++y) {
        if (std::memcmp(image.constScanLine(rows.top() + y), saved.constScanLine(y), bytes) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

void TargetPanel::DrawLevelBar(std::int32_t level) {
    Canvas& bar = m_panelView.Picture(ViewPicture::SignalI);
    const int full = m_panelView.SignalLength();
    const float signal = m_panelState.SignalLevel;
    const int length =
        signal > 0.0F
            ? static_cast<int>(static_cast<float>(level) * static_cast<float>(full) / signal)
            : 0;
    // The bar is stroked with a wide pen at every dispatch: when the rows it covers still
    // hold what the same bar left there, drawing it again would change no pixel.
    const auto* image = dynamic_cast<const ImageCanvas*>(&bar);
    QRect rows;
    if (image != nullptr) {
        const QImage& picture = image->Image();
        rows = QRect(0, m_levelY - m_levelPen - 1, picture.width(), 2 * m_levelPen + 3)
                   .intersected(picture.rect());
        const DrawnBar drawn{length, full, m_levelY, m_levelPen};
        if (drawn == m_drawnBar && SameRows(picture, rows, m_barRows)) {
            return;
        }
        m_drawnBar = drawn;
    }
    bar.SetPen(kBlack, m_levelPen, PenMode::Copy);
    bar.MoveTo(0, m_levelY);
    bar.LineTo(length, m_levelY);
    bar.SetPen(kButtonFace, m_levelPen, PenMode::Copy);
    bar.LineTo(full, m_levelY);
    if (image != nullptr) {
        m_barRows = image->Image().copy(rows);
    }
    m_panelView.Repaint(ViewPicture::SignalI);
}

} // namespace ryvo
