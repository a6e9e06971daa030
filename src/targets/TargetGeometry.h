#pragma once

namespace ryvo {

// Target coordinate to a pixel of a square picture of the given width.
int ToPixels(float t, int width);

} // namespace ryvo
