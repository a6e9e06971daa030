#include "exercise/ExerciseEngine.h"

#include "calibration/Calibration.h"
#include "platform/Clock.h"
#include "platform/Sound.h"
#include "targets/Scoring.h"

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

constexpr int kMaxShots = 1000;

bool WithinTarget(float x, float y) {
    return x >= -100.0F && x <= 100.0F && y >= -100.0F && y <= 100.0F;
}

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

MissDirection MissDirectionOf(float x, float y) {
    const bool yInside = y >= -100.0F && y <= 100.0F;
    const bool xInside = x >= -100.0F && x <= 100.0F;
    if (x < 0.0F && yInside) {
        return MissDirection::Left;
    }
    if (x < -100.0F && y < -100.0F) {
        return MissDirection::UpperLeft;
    }
    if (x < -100.0F && y > 100.0F) {
        return MissDirection::LowerLeft;
    }
    if (xInside && y < -100.0F) {
        return MissDirection::Up;
    }
    if (xInside && y > 100.0F) {
        return MissDirection::Down;
    }
    if (x > 100.0F && y > 100.0F) {
        return MissDirection::LowerRight;
    }
    if (x > 100.0F && yInside) {
        return MissDirection::Right;
    }
    if (x > 100.0F && y < -100.0F) {
        return MissDirection::UpperRight;
    }
    return MissDirection::None;
}

std::optional<int> JerkIndex(std::int32_t timePost, std::int32_t timeGun) {
    // A zero or negative divisor or a negative time gives no entry; a quotient beyond the
    // list takes its last entry.
    if (timeGun <= 0 || timePost < 0 || timePost >= kTraceEntries) {
        return std::nullopt;
    }
    return std::min(timePost / timeGun, kTraceEntries - 1);
}

ExerciseEngine::ExerciseEngine(ProgramState& state, const Services& services, ExerciseView& view)
    : TFormShoot(state, services), m_view(view) {}

int ExerciseEngine::EffectiveTraceLength() const {
    return std::clamp(m_state.TraceLength, 1, kMaxTraceLength);
}

int ExerciseEngine::TargetWidth() {
    return m_view.Picture(ViewPicture::Target).Width();
}

int ExerciseEngine::Px(float t) {
    return ToPixels(t, TargetWidth());
}

QPoint ExerciseEngine::TracePixel(int lane, const TracePoint& point) {
    const TargetPoint t = ToTarget(m_state.settings, lane, point.x, point.y);
    const int width = TargetWidth();
    return {ToPixels(t.x, width), ToPixels(t.y, width)};
}

void ExerciseEngine::PutTraceEntry(int i, const TracePoint& point) {
    m_state.Trace.At(i) = point;
}

void ExerciseEngine::EmptyTrace() {
    m_state.Trace.Fill(EmptyTracePoint());
    m_usedEntries = 0;
    m_tracePoints = 0;
    m_traceFull = 0;
}

void ExerciseEngine::DrawTraceSegment(int x1, int y1, int highlight, int x2, int y2) {
    if (m_state.settings.EnableTrace != 1) {
        return;
    }
    Canvas& target = m_view.Picture(ViewPicture::Target);
    target.SetPen(highlight == 0 ? kYellow : kAqua, 2, PenMode::Xor);
    target.MoveTo(x1, y1);
    target.LineTo(x2, y2);
    // The pen reaches a little beyond the end points.
    m_view.RepaintArea(ViewPicture::Target,
                       QRect(QPoint(x1, y1), QPoint(x2, y2)).normalized().adjusted(-3, -3, 3, 3));
}

void ExerciseEngine::AddTraceSample(std::uint32_t level, int lane, float x, float y) {
    const int length = EffectiveTraceLength();
    TraceBuffer& trace = m_state.Trace;
    if (m_tracePoints == length && m_traceFull != 0) {
        const QPoint a = TracePixel(lane, trace.At(length - 1));
        const QPoint b = TracePixel(lane, trace.At(length));
        DrawTraceSegment(a.x(), a.y(), 0, b.x(), b.y());
    }
    // -100 marks an empty entry.
    trace.Push(
        TracePoint{x == kEmptyTrace ? kEmptyTrace - 1.0F : x, y, static_cast<std::int32_t>(level)});
    // Entries behind the trace are empty, as if the list had been shifted down by one.
    m_usedEntries = std::min(m_usedEntries + 1, kTraceEntries);
    for (int i = length + 1; i < m_usedEntries; ++i) {
        PutTraceEntry(i, EmptyTracePoint());
    }
    m_usedEntries = std::min(m_usedEntries, length + 1);
    if (m_tracePoints > 0) {
        const QPoint a = TracePixel(lane, trace.At(0));
        const QPoint b = TracePixel(lane, trace.At(1));
        DrawTraceSegment(a.x(), a.y(), 0, b.x(), b.y());
    }
    if (m_tracePoints < length) {
        ++m_tracePoints;
        m_traceFull = 0;
    } else {
        m_traceFull = 1;
    }
}

void ExerciseEngine::ClearTrace(int lane, float /*k*/) {
    m_view.SetVisible(ViewItem::Gun2, false);
    TraceBuffer& trace = m_state.Trace;
    for (int i = 0; i < kTraceEntries && trace.At(i).x != kEmptyTrace; ++i) {
        if (i + 1 >= kTraceEntries || trace.At(i + 1).x == kEmptyTrace) {
            PutTraceEntry(i, EmptyTracePoint());
            break;
        }
        const QPoint a = TracePixel(lane, trace.At(i));
        const QPoint b = TracePixel(lane, trace.At(i + 1));
        DrawTraceSegment(a.x(), a.y(), 0, b.x(), b.y());
        PutTraceEntry(i, EmptyTracePoint());
    }
    m_usedEntries = 0;
    m_tracePoints = 0;
    m_traceFull = 0;
}

void ExerciseEngine::ShowAimPoint(float k, float y, float x) {
    if (m_state.settings.FlagGunEnable == 1) {
        m_view.SetVisible(ViewItem::Gun2, true);
    }
    const QSize size = m_view.ItemSize(ViewItem::Gun2);
    m_view.Place(ViewItem::Gun2,
                 static_cast<int>(k * x + 100.0F * k - static_cast<float>(size.width() / 2)),
                 static_cast<int>(k * y + 100.0F * k - static_cast<float>(size.height() / 2)));
    m_view.SetVisible(ViewItem::LeftArrow, x <= -100.0F);
    m_view.SetVisible(ViewItem::RightArrow, x >= 100.0F);
    m_view.SetVisible(ViewItem::UpArrow, y <= -100.0F);
    m_view.SetVisible(ViewItem::DownArrow, y >= 100.0F);
}

void ExerciseEngine::UpdateTimer(int lane) {
    const size_t i = LaneIndex(lane);
    RunState& run = m_state.run;
    if (run.LaneActive[i] == 0) {
        return;
    }
    const std::uint32_t elapsed = (m_services.clock->TickCount() - run.StartTick[i]) / 1000U;
    if (elapsed == run.ElapsedSec[i]) {
        return;
    }
    run.ElapsedSec[i] = elapsed;
    const std::uint32_t time = m_state.settings.Time;
    if (time != 0) {
        // A pass that took longer than a second must not skip the end of the time.
        const std::uint32_t left = elapsed >= time ? 0U : time - elapsed;
        m_view.SetText(ViewText::TimeC, QString::asprintf("%3u сек", left));
        if (elapsed >= time) {
            run.LaneActive[i] = 0;
            run.ShootTime[i] = static_cast<float>(time);
        }
    } else {
        m_view.SetText(ViewText::TimeC, QString::asprintf("%3u сек", elapsed));
    }
}

void ExerciseEngine::ShowStatistics(int lane) {
    const size_t i = LaneIndex(lane);
    const RunState& run = m_state.run;
    m_view.SetText(ViewText::Num, QString::asprintf("%u", run.ShotCount[i]));
    m_view.SetText(ViewText::Res,
                   run.LastScore[i] >= 0
                       ? QString::asprintf("%2u", static_cast<unsigned>(run.LastScore[i]))
                       : QStringLiteral("0"));
    m_view.SetText(ViewText::SymE,
                   QString::asprintf("%4u", static_cast<unsigned>(run.ScoreSum[i])));
    const double average = run.ShotCount[i] > 0
                               ? static_cast<double>(static_cast<float>(run.ScoreSum[i]) /
                                                     static_cast<float>(run.ShotCount[i]))
                               : 0.0;
    m_view.SetText(ViewText::AverSym, QString::asprintf("%4.1f", average));
}

void ExerciseEngine::ShowMissArrow(float /*k*/, float y, float x) {
    Canvas& picture = m_view.Picture(ViewPicture::FailArrow);
    const int w = picture.Width();
    const int h = picture.Height();
    picture.SetPen(kButtonFace, 1, PenMode::Copy);
    picture.SetBrush(kButtonFace, BrushStyle::Solid);
    picture.FillRect(0, 0, w, h);
    const int e = w - 2;
    const int f = h - 2;
    const int mx = e / 2;
    const int my = f / 2;
    std::array<QPoint, 3> v;
    switch (MissDirectionOf(x, y)) {
    case MissDirection::Left:
        v = {QPoint(e, 0), QPoint(0, my), QPoint(e, f)};
        break;
    case MissDirection::UpperLeft:
        v = {QPoint(0, f), QPoint(0, 0), QPoint(e, 0)};
        break;
    case MissDirection::LowerLeft:
        v = {QPoint(0, 0), QPoint(0, f), QPoint(e, f)};
        break;
    case MissDirection::Up:
        v = {QPoint(0, f), QPoint(mx, 0), QPoint(e, f)};
        break;
    case MissDirection::Down:
        v = {QPoint(0, 0), QPoint(mx, f), QPoint(e, 0)};
        break;
    case MissDirection::LowerRight:
        v = {QPoint(0, f), QPoint(e, f), QPoint(e, 0)};
        break;
    case MissDirection::Right:
        v = {QPoint(0, 0), QPoint(e, my), QPoint(0, f)};
        break;
    case MissDirection::UpperRight:
        v = {QPoint(0, 0), QPoint(e, 0), QPoint(e, f)};
        break;
    case MissDirection::None:
        m_view.Repaint(ViewPicture::FailArrow);
        return;
    }
    picture.SetPen(kRed, 2, PenMode::Copy);
    picture.MoveTo(v[0].x(), v[0].y());
    picture.LineTo(v[1].x(), v[1].y());
    picture.LineTo(v[2].x(), v[2].y());
    m_view.Repaint(ViewPicture::FailArrow);
}

bool ExerciseEngine::TakeShot(int lane) {
    std::int32_t& lockout = m_state.run.ShotLockout[LaneIndex(lane)];
    if (lockout != 0) {
        return false;
    }
    lockout = 2;
    return true;
}

void ExerciseEngine::Timer_shootTimer() {
    for (std::int32_t& lockout : m_state.run.ShotLockout) {
        if (lockout > 0) {
            --lockout;
        }
    }
}

void ExerciseEngine::DrawHole(float x, float y, Color outline, Color fill) {
    Canvas& target = m_view.Picture(ViewPicture::Target);
    target.SetPen(outline, 2, PenMode::Copy);
    target.SetBrush(fill, BrushStyle::Solid);
    const QRect box(QPoint(Px(x - kShotMarkRadius), Px(y - kShotMarkRadius)),
                    QPoint(Px(x + kShotMarkRadius), Px(y + kShotMarkRadius)));
    target.Ellipse(box.left(), box.top(), box.right(), box.bottom());
    m_view.RepaintArea(ViewPicture::Target, box.adjusted(-3, -3, 3, 3));
}

void ExerciseEngine::ShowMissIndicators(std::int32_t score, float x, float y, bool levelUsable) {
    if (score == kScoreDark) {
        m_view.SetVisible(ViewItem::ImageActive, true);
        return;
    }
    if (!levelUsable) {
        return;
    }
    if (score >= 0) {
        m_view.SetVisible(ViewItem::Fail, false);
        m_view.SetVisible(ViewItem::FailArrow, false);
        m_view.SetVisible(ViewItem::ImageActive, false);
    } else {
        const auto k = static_cast<float>(TargetWidth() * 0.005);
        ShowMissArrow(k, y, x);
        m_view.SetVisible(ViewItem::Fail, true);
        m_view.SetVisible(ViewItem::FailArrow, true);
        m_view.SetVisible(ViewItem::ImageActive, false);
    }
}

bool ExerciseEngine::SoundOn() const {
    return m_state.SoundAvailable != 0 && m_services.sound != nullptr;
}

void ExerciseEngine::ShotSoundAsync() {
    if (!SoundOn()) {
        if (m_services.sound != nullptr) {
            m_services.sound->Beep();
        }
        return;
    }
    if (m_state.ShotSound && !m_services.sound->PlayAsync(*m_state.ShotSound)) {
        m_services.sound->Beep();
    }
}

void ExerciseEngine::FreezeTrace(int lane) {
    if (m_state.settings.EnableTrace != 1) {
        return;
    }
    // A shot before the last one was drawn: that one goes on the picture first.
    DrawPendingFreeze();
    const size_t i = LaneIndex(lane);
    if (m_frozenCount > 0 && m_state.run.ShotCount[i] > 0) {
        m_erasePixels = std::move(m_frozenPixels);
    }
    m_frozenPixels.clear();
    if (m_tracePoints > 0) {
        m_state.TraceLength = ComputeTraceLength(m_state.settings);
        // Only the samples on hand: a trace not yet full ends at its first empty entry.
        m_frozenTrace.clear();
        for (int j = 0; j <= m_tracePoints && j < kTraceEntries; ++j) {
            const TracePoint& p = m_state.Trace.At(j);
            if (p.x == kEmptyTrace) {
                break;
            }
            m_frozenTrace.push_back(p);
            m_frozenPixels.push_back(TracePixel(lane, p));
        }
        m_frozenCount = static_cast<int>(m_frozenTrace.size()) - 1;
    } else {
        m_frozenCount = 0;
    }
    m_freezePending = true;
}

void ExerciseEngine::DrawPendingFreeze() {
    if (!m_freezePending) {
        return;
    }
    m_freezePending = false;
    Canvas& target = m_view.Picture(ViewPicture::Target);
    target.SetPen(kAqua, 2, PenMode::Xor);
    target.Polyline(m_erasePixels);
    m_erasePixels.clear();
    target.Polyline(m_frozenPixels);
    // The holes of the last two shots lie over the trace, as they were drawn after it.
    const size_t i = LaneIndex(m_state.CurrentLane);
    const RunState& run = m_state.run;
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
        if (run.LaneLit[i] != 0 && WithinTarget(last.x, last.y)) {
            DrawHole(last.x, last.y, kRed, kWhite);
        }
    }
    m_view.Repaint(ViewPicture::Target);
}

void ExerciseEngine::RegisterShot(float* x, float* y) {
    const int lane = std::clamp(m_state.CurrentLane, 0, kLaneCount - 1);
    const size_t i = LaneIndex(lane);
    RunState& run = m_state.run;
    const Settings& settings = m_state.settings;
    if (run.ShotCount[i] >= static_cast<std::uint32_t>(kMaxShots)) {
        return;
    }
    const std::int32_t level = savedLevel;
    const bool usable = LevelInWindow(level);
    const std::uint32_t now = m_services.clock->TickCount();
    if (run.ShotCount[i] == 0) {
        m_view.SetText(
            ViewText::FirstTime,
            QString::asprintf("%7.2f сек", static_cast<double>(now - run.StartTick[i]) / 1000.0));
    }
    ShotPoint point{kDarkShotPosition, kDarkShotPosition};
    if (run.LaneLit[i] != 0) {
        if (usable) {
            FreezeTrace(lane);
        }
        const TracePoint& sample = m_state.Trace.At(settings.IO_Serial == 1 ? 0 : 3);
        const TargetPoint t = ToTarget(settings, lane, sample.x, sample.y);
        point = {t.x, t.y};
        run.LastScore[i] = ScoreShot(t.x, t.y, settings.Target[i]);
    } else {
        run.LastScore[i] = kScoreDark;
    }
    std::vector<ShotPoint>& shots = run.ShotPos[i];
    if (shots.size() <= run.ShotCount[i]) {
        shots.resize(run.ShotCount[i] + 1);
    }
    shots[run.ShotCount[i]] = point;

    if (run.LaneLit[i] != 0) {
        m_view.SetVisible(ViewItem::ImageActive, false);
        bool shown = false;
        if (const auto index = JerkIndex(settings.TimePost, settings.TimeGun)) {
            const TracePoint& sample = m_state.Trace.At(*index);
            const TargetPoint jerk = ToTarget(settings, lane, sample.x, sample.y);
            m_postGunX = jerk.x;
            m_postGunY = jerk.y;
            if (settings.FlagPostGunEnable == 1 && WithinTarget(jerk.x, jerk.y)) {
                const QSize size = m_view.ItemSize(ViewItem::PostGun);
                m_view.Place(ViewItem::PostGun, Px(jerk.x) - size.width() / 2,
                             Px(jerk.y) - size.height() / 2);
                shown = true;
            }
        }
        m_view.SetVisible(ViewItem::PostGun, shown);
    }

    if (run.ShotCount[i] > 0) {
        const ShotPoint& previous = shots[run.ShotCount[i] - 1];
        if (WithinTarget(previous.x, previous.y)) {
            DrawHole(previous.x, previous.y, kBlack, kWhite);
        }
    }
    if (run.LaneLit[i] != 0 && WithinTarget(point.x, point.y)) {
        DrawHole(point.x, point.y, kRed, kWhite);
    }

    if (run.LastScore[i] > 0) {
        run.ScoreSum[i] += run.LastScore[i];
    }
    ++run.ShotCount[i];

    if (settings.Shooter == 1 || settings.Shooter == 2) {
        if (run.ShotCount[i] < settings.ShootsNumber) {
            ShotSoundAsync();
        } else if (!SoundOn()) {
            if (m_services.sound != nullptr) {
                m_services.sound->Beep();
            }
        } else if (m_state.ShotSound) {
            // The last shot's sound is heard to its end before the series closes.
            auto done = std::make_shared<bool>(false);
            if (m_services.sound->PlayToCompletion(*m_state.ShotSound,
                                                   [done](bool) { *done = true; })) {
                m_soundToken = done;
                m_waitForSound = true;
            } else {
                m_services.sound->Beep();
            }
        }
    }

    m_state.Device.Trigger[i] = 0;
    run.ShotPending[i] = 0;
    ShowStatistics(lane);
    m_view.SetText(ViewText::SigText,
                   LevelText(m_state, static_cast<std::uint32_t>(std::max(level, 0))));
    m_view.Repaint(ViewPicture::Target);
    m_view.Present();
    *x = point.x;
    *y = point.y;
}

bool ExerciseEngine::SoundPending() const {
    return m_waitForSound && m_soundToken && !*m_soundToken;
}

} // namespace ryvo
