#pragma once

#include "exercise/ExerciseView.h"

namespace ryvo {

// What the five-lane window shows besides its large target: a small target per lane with
// its vertical signal bar and its two lamp indicators.
class MultiShooterView : public ExerciseView {
public:
    enum class Lamp { Steady, Flash };

    // Tar1..Tar5 and Sig1..Sig5, by lane 0..4.
    virtual Canvas& SmallTarget(int lane) = 0;
    virtual Canvas& LaneSignal(int lane) = 0;
    virtual void RepaintSmallTarget(int lane) = 0;
    virtual void RepaintLaneSignal(int lane) = 0;
    // A disabled small target ignores clicks.
    virtual void SetLaneEnabled(int lane, bool enabled) = 0;
    // Image1..Image5 (steady) and Image11..Image51 (flash).
    virtual void SetLamp(int lane, Lamp lamp, bool visible) = 0;
    virtual void FillLamp(int lane, Lamp lamp, Color color) = 0;
};

} // namespace ryvo
