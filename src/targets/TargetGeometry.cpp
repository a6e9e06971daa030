#include "targets/TargetGeometry.h"

#include <algorithm>
#include <cmath>

namespace ryvo {

int ToPixels(float t, int width) {
    const auto k = static_cast<float>(width * 0.005);
    const float half = static_cast<float>(width) * 0.5F;
    const float p = k * t + half;
    // Far-off or undefined positions stay far off the picture instead of overflowing.
    constexpr float kLimit = 1.0e6F;
    if (std::isnan(p)) {
        return -static_cast<int>(kLimit);
    }
    return static_cast<int>(std::clamp(p, -kLimit, kLimit));
}

} // namespace ryvo
