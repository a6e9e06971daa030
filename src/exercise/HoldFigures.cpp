#include "exercise/HoldFigures.h"

#include "core/ProgramState.h"
#include "platform/ResourceLibrary.h"
#include "platform/ZoneMaps.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"

#include <QImage>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace ryvo {

namespace {

bool InSquare(float x, float y) {
    return x >= -100.0F && x <= 100.0F && y >= -100.0F && y <= 100.0F;
}

// A hole centred closer than this to the centre scores 10 (the hole's radius touches the
// ring line): N4 ring 10 has radius 20, the sport target's 10.
constexpr float kN4TenRadius = 20.0F + kShotMarkRadius;
constexpr float kSportTenRadius = 10.0F + kShotMarkRadius;

constexpr std::uint32_t kLastSecondMs = 1000;
constexpr std::uint32_t kLastMoveMs = 200;

struct Window {
    int count = 0; // samples no older than the last second
    double length = 0.0;
    double lastMove = 0.0; // path over the last 0.2 s
    std::uint32_t oldestAge = 0;
};

// The last second before the shot, newest first: its samples and path lengths.
Window TakeWindow(const HoldRecorder& aim, std::uint32_t shotTick) {
    Window w;
    float px = 0.0F;
    float py = 0.0F;
    aim.ForNewest(aim.Size(), [&](const HoldSample& s) {
        const std::uint32_t age = shotTick - s.tick;
        if (age > kLastSecondMs) {
            return false;
        }
        if (w.count > 0) {
            const float dx = px - s.x;
            const float dy = py - s.y;
            const auto d = static_cast<double>(std::sqrt(dx * dx + dy * dy));
            w.length += d;
            if (age <= kLastMoveMs) {
                w.lastMove += d;
            }
        }
        px = s.x;
        py = s.y;
        w.oldestAge = age;
        ++w.count;
        return true;
    });
    return w;
}

bool InBest(const HoldTarget& target, float x, float y) {
    if (target.zoneMap != nullptr) {
        return target.bestZone > 0 && ZoneScore(*target.zoneMap, x, y) == target.bestZone;
    }
    return x * x + y * y < target.tenRadius * target.tenRadius;
}

} // namespace

HoldRecorder::HoldRecorder() : m_samples(static_cast<size_t>(kCapacity)) {}

void HoldRecorder::Clear() {
    m_head = -1;
    m_size = 0;
    m_inside = false;
}

void HoldRecorder::Push(float x, float y, std::uint32_t tick) {
    const bool inside = InSquare(x, y);
    const bool gap = m_size > 0 && tick - At(0).tick > kGapMs;
    if (inside && (!m_inside || gap)) {
        m_enterTick = tick;
    }
    m_inside = inside;
    m_head = m_head + 1 == kCapacity ? 0 : m_head + 1;
    m_samples[static_cast<size_t>(m_head)] = HoldSample{x, y, tick};
    m_size = std::min(m_size + 1, kCapacity);
}

std::optional<std::uint32_t> HoldRecorder::InsideSince() const {
    if (!m_inside) {
        return std::nullopt;
    }
    return m_enterTick;
}

HoldTarget MakeHoldTarget(std::int32_t type, const ResourceLibrary* library) {
    HoldTarget target;
    if (type == kTargetN4 || type == kTargetSport) {
        target.tenRadius = type == kTargetN4 ? kN4TenRadius : kSportTenRadius;
        target.steadyRadius = target.tenRadius;
        target.mmPerUnit = (type == kTargetN4 ? kN4SideMm : kSportSideMm) / 200.0;
        return target;
    }
    target.steadyRadius = std::numeric_limits<float>::quiet_NaN();
    if (library == nullptr || type < kFirstLibraryTarget || type > 1'000'000) {
        return target;
    }
    if (const auto size = library->String(type + kPackSizeStringBase)) {
        bool ok = false;
        const double mm = size->trimmed().toDouble(&ok);
        if (ok && mm > 0.0 && mm < 1.0e6) {
            target.mmPerUnit = mm / 200.0;
        }
    }
    const QImage* map = library->Zones() ? library->Zones()->Find(LibraryPictureId(type)) : nullptr;
    if (map == nullptr || map->isNull()) {
        return target;
    }
    // The best zone and its area, once per series: the steadiness circle has that area.
    const QImage grey = map->convertToFormat(QImage::Format_Grayscale8);
    std::array<qint64, 11> area{};
    for (int row = 0; row < grey.height(); ++row) {
        const uchar* line = grey.constScanLine(row);
        for (int col = 0; col < grey.width(); ++col) {
            ++area[static_cast<size_t>(std::min<int>(line[col], 10))];
        }
    }
    int best = 10;
    while (best > 0 && area[static_cast<size_t>(best)] == 0) {
        --best;
    }
    if (best == 0) {
        return target;
    }
    target.zoneMap = map;
    target.bestZone = best;
    const double unitsPerPixel = 200.0 / static_cast<double>(std::max(grey.width(), 1));
    target.steadyRadius = static_cast<float>(
        std::sqrt(static_cast<double>(area[static_cast<size_t>(best)]) / std::numbers::pi) *
        unitsPerPixel);
    return target;
}

ShotHold ComputeHoldFigures(const HoldRecorder& aim, std::uint32_t shotTick, ShotPoint shot,
                            std::optional<ShotPoint> jerkPoint, const HoldTarget& target) {
    ShotHold h;
    if (aim.Size() == 0 || shotTick - aim.At(0).tick > HoldRecorder::kGapMs) {
        return h;
    }
    h.valid = true;
    if (const auto since = aim.InsideSince()) {
        h.hold = static_cast<double>(shotTick - *since) / 1000.0;
    }
    const Window second = TakeWindow(aim, shotTick);
    h.span = static_cast<double>(second.oldestAge) / 1000.0;
    h.len1 = second.length;
    h.move02 = second.lastMove;
    h.mmPerUnit = target.mmPerUnit;
    if (HasFigure(target.mmPerUnit)) {
        h.len1mm = h.len1 * target.mmPerUnit;
    }
    if (!std::isnan(target.steadyRadius)) {
        int inBest = 0;
        double sumX = 0.0;
        double sumY = 0.0;
        aim.ForNewest(second.count, [&](const HoldSample& s) {
            inBest += InBest(target, s.x, s.y) ? 1 : 0;
            sumX += s.x;
            sumY += s.y;
            return true;
        });
        const double n = second.count;
        const auto meanX = static_cast<float>(sumX / n);
        const auto meanY = static_cast<float>(sumY / n);
        const float r2 = target.steadyRadius * target.steadyRadius;
        int steady = 0;
        aim.ForNewest(second.count, [&](const HoldSample& s) {
            const float dx = s.x - meanX;
            const float dy = s.y - meanY;
            steady += dx * dx + dy * dy < r2 ? 1 : 0;
            return true;
        });
        h.in10 = inBest / n;
        h.steady = steady / n;
    }
    if (jerkPoint) {
        const double dx = static_cast<double>(shot.x) - jerkPoint->x;
        const double dy = static_cast<double>(shot.y) - jerkPoint->y;
        h.jerk = std::hypot(dx, dy);
        h.jerkDirection = JerkDirection(dx, dy);
    }
    return h;
}

} // namespace ryvo
