#include "targets/Scoring.h"

#include "core/ProgramState.h"
#include "platform/ZoneMaps.h"
#include "targets/TargetDrawing.h"

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

bool InN4Corner(float x, float y) {
    constexpr float r = kShotMarkRadius;
    const bool upperRight = x - r >= 47.0F && y >= -100.0F && x < 101.0F && y + r < -28.0F;
    const bool upperLeft = x >= -100.0F && y >= -100.0F && x + r < -47.0F && y + r < -28.0F;
    return upperRight || upperLeft;
}

// Pixel of a map of `size` pixels under target coordinate v, by the drawing rule; holes whose
// centre lies just off the edge (they still touch the square) read the edge pixel.
int MapPixel(int size, float v) {
    const float s = static_cast<float>(size) * 0.005F;
    const float c = static_cast<float>(size) * 0.5F;
    const float pixel = std::clamp(c + s * v, 0.0F, static_cast<float>(size - 1));
    return static_cast<int>(pixel);
}

std::int32_t LibraryScore(float x, float y, std::int32_t targetType, const ZoneMaps* zones) {
    // Types far beyond any pack would overflow the picture id.
    if (targetType > 1'000'000) {
        return 0;
    }
    const QImage* map = zones ? zones->Find(LibraryPictureId(targetType)) : nullptr;
    return map ? ZoneScore(*map, x, y) : 0;
}

} // namespace

std::int32_t ZoneScore(const QImage& map, float x, float y) {
    if (map.isNull() || std::isnan(x) || std::isnan(y)) {
        return 0;
    }
    const int px = MapPixel(map.width(), x);
    const int py = MapPixel(map.height(), y);
    return std::min(qGray(map.pixel(px, py)), 10);
}

std::int32_t ScoreShot(float x, float y, std::int32_t targetType) {
    return ScoreShot(x, y, targetType, nullptr);
}

const ZoneMaps* LoadedZones(const ProgramState& state) {
    return state.TargetLibrary ? state.TargetLibrary->Zones().get() : nullptr;
}

std::int32_t ScoreShot(float x, float y, std::int32_t targetType, const ZoneMaps* zones) {
    constexpr float r = kShotMarkRadius;
    if (std::isnan(x) || std::isnan(y)) {
        return kScoreMiss;
    }
    if (x + r < -100.0F || x - r >= 100.0F || y + r < -100.0F || y - r >= 100.0F) {
        return x == kDarkShotPosition && y == kDarkShotPosition ? kScoreDark : kScoreMiss;
    }
    // Distance in hundreds of units less the hole radius: a hole touching a ring line
    // counts for the inner ring.
    const double dx = 0.01 * static_cast<double>(x);
    const double dy = 0.01 * static_cast<double>(y);
    const auto d = static_cast<float>(std::sqrt(dx * dx + dy * dy) - 0.01 * r);

    if (targetType == kTargetN4) {
        if (InN4Corner(x, y)) {
            return 0;
        }
        const auto score = static_cast<std::int32_t>(std::ceil(10.0F - 5.0F * d));
        return std::clamp(score, 5, 10);
    }
    if (targetType == kTargetSport) {
        const auto score = static_cast<std::int32_t>(std::ceil(10.0F - 10.0F * d));
        // Beyond ring 1 (only in the corners of the square) the paper is hit but no ring:
        // 0, never a value that callers would take for a miss or a dark-target shot.
        return std::clamp(score, 0, 10);
    }
    if (targetType >= kFirstLibraryTarget) {
        return LibraryScore(x, y, targetType, zones);
    }
    return 0;
}

std::vector<std::int32_t> PossibleScores(std::int32_t targetType) {
    if (targetType == kTargetN4) {
        // The rings count 10 down to 5; the blanked corners of the square count 0.
        return {10, 9, 8, 7, 6, 5, 0};
    }
    // The sport rings and a library target's zone map may give any score.
    return {10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
}

} // namespace ryvo
