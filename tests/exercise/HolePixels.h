#pragma once

#include "targets/Marks.h"

#include "AimPath.h"

#include <QImage>

#include <map>
#include <memory>
#include <optional>

namespace ryvo::test {

inline constexpr QRgb kRgbMask = 0xFFFFFF;

// Pixels inside the rim of a shot's hole that are not white (or only those of `colour`):
// what an XOR stroke erased over the hole leaves behind.
inline int HoleSpecks(const QImage& picture, ShotPoint shot, HoleStyle style,
                      std::optional<Color> colour = std::nullopt) {
    ImageCanvas mask(picture.width(), picture.height(), kBlack);
    const QRect area = DrawHole(mask, shot, style, kBlack, kLime).intersected(picture.rect());
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            // XOR drawing may leave the alpha byte behind: colours only.
            const QRgb p = picture.pixel(x, y) & kRgbMask;
            const bool speck = colour ? p == (ToQColor(*colour).rgb() & kRgbMask) : p != kRgbMask;
            n += mask.Pixel(x, y) == kLime && speck ? 1 : 0;
        }
    }
    return n;
}

// How many pixels of each colour a picture has outside `outside`.
inline std::map<Color, int> PixelColours(const QImage& image, const QRect& outside = {}) {
    std::map<Color, int> n;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n[FromQColor(QColor(image.pixel(x, y)))] += outside.contains(x, y) ? 0 : 1;
        }
    }
    return n;
}

// The aim comes from the left across (x, 0), at it 300 ms after `t`, and leaves upwards to
// the right: a shot as it passes has trace segments across its hole on both sides.
inline std::unique_ptr<sim::AimPath> SweepAcross(int x, std::uint32_t t) {
    const auto at = [](int px, int py) {
        return sim::Signal{static_cast<std::int16_t>(px), static_cast<std::int16_t>(py)};
    };
    return std::make_unique<sim::ScriptedAim>(std::vector<sim::ScriptedAim::Point>{
        {t, at(x - 300, 0)}, {t + 300, at(x, 0)}, {t + 600, at(x + 300, 600)}});
}

} // namespace ryvo::test
