#pragma once

#include "exercise/Marks.h"

#include <QImage>

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

} // namespace ryvo::test
