#pragma once

#include "platform/Canvas.h"

#include <QRect>
#include <QSize>
#include <QString>

namespace ryvo {

struct RunState;

// Value labels and the two buttons whose caption changes during a run.
enum class ViewText {
    Num,
    TimeC,
    Res,
    SymE,
    AverSym,
    FirstTime,
    SigText,
    StartCaption,
    ViewShootsCaption,
};

// Markers and small pictures that are shown, hidden or placed.
enum class ViewItem {
    Gun2,
    PostGun,
    LeftArrow,
    RightArrow,
    UpArrow,
    DownArrow,
    Fail,
    FailArrow,
    ImageActive,
    Image1,
    Image2,
    Image3,
    Image4,
};

enum class ViewButton { Start, Save, Print, ViewShoots, Exit };

// Pictures a run draws on.
enum class ViewPicture { Target, FailArrow, SignalI };

// What a target panel needs of the widgets it draws on: one large target with its markers,
// its miss arrow, its level bar and its value labels. A window with one panel implements
// it in its ExerciseView; a window with more panels gives each its own PanelView. The
// window decides when changes reach the screen (pictures are repainted at the display
// rate, not per call).
class PanelView {
public:
    virtual ~PanelView() = default;

    virtual void SetText(ViewText text, const QString& value) = 0;
    virtual void SetVisible(ViewItem item, bool visible) = 0;
    // Top-left corner of a marker in pixels of the target picture.
    virtual void Place(ViewItem item, int left, int top) = 0;
    [[nodiscard]] virtual QSize ItemSize(ViewItem item) const = 0;

    virtual Canvas& Picture(ViewPicture picture) = 0;
    // The picture changed; shown at the next display refresh.
    virtual void Repaint(ViewPicture picture) = 0;
    // Only this part of the picture changed.
    virtual void RepaintArea(ViewPicture picture, const QRect& /*area*/) { Repaint(picture); }
    // Shows what changed as soon as control returns to the event loop, out of the display
    // rate: a new shot should not wait for the next frame.
    virtual void Present() {}
    // Full length of the level bar: the width of the `Signal` group.
    [[nodiscard]] virtual int SignalLength() const = 0;
    // The shots of `lane` changed: a shot, a new series, another lane shown. Called with the
    // statistics, never per pass, so a shot table may update here.
    virtual void ShotsChanged(const RunState& /*run*/, int /*lane*/) {}
    // The replay shows shot `shot` (from 0), or none when negative.
    virtual void ReplayShot(int /*shot*/) {}
};

// What an exercise window's rules need besides its panel: lamps, buttons, navigation.
class ExerciseView : public PanelView {
public:
    // Fills a lamp indicator with one colour.
    virtual void Fill(ViewItem item, Color color) = 0;

    virtual void SetEnabled(ViewButton button, bool enabled) = 0;
    [[nodiscard]] virtual bool IsEnabled(ViewButton button) const = 0;
    virtual void FocusStart() = 0;

    virtual void ActivateWindow(const QString& className) = 0;
};

} // namespace ryvo
