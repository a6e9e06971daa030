#pragma once

#include "platform/Canvas.h"

#include <QString>

#include <cstdint>

namespace ryvo {

struct ProgramState;

// Dark grey of the sport target's centre, RGB (80, 80, 80).
inline constexpr Color kDarkGrey = 0x505050;

// The built-in targets over the whole (square) image.
void DrawN4Target(Canvas& image);
void DrawSportTarget(Canvas& image);

enum class LibraryPicture {
    Drawn,
    NoLibrary, // no target pack loaded: the image keeps its content
    Missing,   // the pack has no picture for the type: the image keeps its content
};

// Picture of library target type k (k >= 3), bitmap id k + 998, stretched over the image.
LibraryPicture DrawLibraryTarget(Canvas& image, const ProgramState& state, std::int32_t type);

// Bitmap id of a library target type's picture.
inline int LibraryPictureId(std::int32_t type) {
    return static_cast<int>(type) + 998;
}

// Text of the error shown when a library picture is missing.
QString MissingPictureMessage(std::int32_t type);

// The lane's target into `target` and the signal-level scale into `scale`. False when the
// lane's library picture is missing: drawing stops there (the scale is left as it was) and
// the caller reports MissingPictureMessage.
bool DrawLaneTarget(Canvas& target, Canvas& scale, const ProgramState& state, int lane);

// The signal-level scale alone; its size follows the target image's width.
void DrawLevelScale(Canvas& scale, const ProgramState& state, int targetWidth);

} // namespace ryvo
