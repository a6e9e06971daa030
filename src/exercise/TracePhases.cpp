#include "exercise/TracePhases.h"

#include <QSize>

#include <algorithm>

namespace ryvo {

TracePhase PhaseAt(std::int32_t msFromShot) {
    if (msFromShot > 0) {
        return TracePhase::FollowThrough;
    }
    if (msFromShot >= -200) {
        return TracePhase::LastFifth;
    }
    if (msFromShot >= -1000) {
        return TracePhase::LastSecond;
    }
    return TracePhase::Earlier;
}

Color PhaseColor(TracePhase phase) {
    // 0x00BBGGRR.
    switch (phase) {
    case TracePhase::Earlier:
        return 0x999999;
    case TracePhase::LastSecond:
        return 0xB27200; // blue
    case TracePhase::LastFifth:
        return 0x009FE6; // orange
    case TracePhase::FollowThrough:
        return 0x005ED5; // vermillion
    }
    return kGray;
}

int PhaseWidth(TracePhase phase, int width) {
    return phase == TracePhase::LastFifth ? width + 1 : width;
}

QString PhaseCaption(TracePhase phase) {
    switch (phase) {
    case TracePhase::Earlier:
        return QStringLiteral("раньше 1 с");
    case TracePhase::LastSecond:
        return QStringLiteral("последняя 1 с");
    case TracePhase::LastFifth:
        return QStringLiteral("последние 0,2 с");
    case TracePhase::FollowThrough:
        return QStringLiteral("после выстрела");
    }
    return {};
}

std::vector<PhaseRun> SplitByPhase(const std::vector<QPoint>& pixels,
                                   const std::vector<std::int32_t>& ms) {
    std::vector<PhaseRun> runs;
    const size_t count = std::min(pixels.size(), ms.size());
    for (size_t i = 0; i < count; ++i) {
        const TracePhase phase = PhaseAt(ms[i]);
        if (runs.empty() || runs.back().phase != phase) {
            PhaseRun run{phase, {}};
            if (!runs.empty()) {
                run.points.push_back(runs.back().points.back());
            }
            runs.push_back(std::move(run));
        }
        runs.back().points.push_back(pixels[i]);
    }
    return runs;
}

void DrawPhasedTrace(Canvas& canvas, const std::vector<PhaseRun>& runs, int width) {
    for (const PhaseRun& run : runs) {
        canvas.SetPen(PhaseColor(run.phase), PhaseWidth(run.phase, width));
        canvas.Polyline(run.points);
    }
}

QSize DrawPhaseLegend(Canvas& canvas, int x, int y) {
    constexpr int kPad = 4;
    constexpr int kSwatch = 18;
    canvas.SetFont(FontSpec{QStringLiteral("Arial"), 11, false, false, kBlack});
    int textWidth = 0;
    int lineHeight = 0;
    for (int i = 0; i < kTracePhaseCount; ++i) {
        const QString caption = PhaseCaption(static_cast<TracePhase>(i));
        textWidth = std::max(textWidth, canvas.TextWidth(caption));
        lineHeight = std::max(lineHeight, canvas.TextHeight(caption));
    }
    const QSize size(kPad * 3 + kSwatch + textWidth, kPad * 2 + lineHeight * kTracePhaseCount);
    canvas.SetPen(kGray);
    canvas.SetBrush(kWhite);
    canvas.Rectangle(x, y, x + size.width(), y + size.height());
    canvas.SetBrush(kWhite, BrushStyle::Clear);
    for (int i = 0; i < kTracePhaseCount; ++i) {
        const auto phase = static_cast<TracePhase>(i);
        const int top = y + kPad + i * lineHeight;
        const int mid = top + lineHeight / 2;
        canvas.SetPen(PhaseColor(phase), PhaseWidth(phase, 2) + 1);
        canvas.MoveTo(x + kPad, mid);
        canvas.LineTo(x + kPad + kSwatch, mid);
        canvas.TextOut(x + kPad * 2 + kSwatch, top, PhaseCaption(phase));
    }
    return size;
}

} // namespace ryvo
