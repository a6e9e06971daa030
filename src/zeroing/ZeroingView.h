#pragma once

#include "exercise/ExerciseView.h"

#include <QPoint>
#include <QString>

namespace ryvo {

// Controls of the zeroing window that a measurement enables and disables.
enum class ZeroingControl {
    ButCent,
    ButLeft,
    ButRight,
    ButUp,
    ButDown,
    ButLoad,
    Button2,
    ExitSave,
    Exit1,
    ButShoot,
    SaveForShooter,
};

// What a zeroing measurement needs of its window beyond the shared target picture.
class ZeroingView : public PanelView {
public:
    virtual void ActivateWindow(const QString& className) = 0;
    virtual void SetInfo(const QString& text) = 0;
    virtual void SetControlEnabled(ZeroingControl control, bool enabled) = 0;
    [[nodiscard]] virtual bool IsControlEnabled(ZeroingControl control) const = 0;
    // The marker of the point to shoot at, top-left corner in pixels of the target picture.
    virtual void ShowPointer(QPoint topLeft) = 0;
    virtual void HidePointer() = 0;
    [[nodiscard]] virtual int PointerSize() const = 0;
    // The cross on the mean point of the shots counted so far, centre in pixels of the
    // target picture.
    virtual void ShowMeanPoint(QPoint centre) = 0;
    virtual void HideMeanPoint() = 0;
    // The text of the lane number edit.
    [[nodiscard]] virtual QString LaneNumberText() const = 0;
    // The name a zero is kept under ("Сохранить для стрелка"), and the note beside it.
    [[nodiscard]] virtual QString ShooterNameText() const = 0;
    virtual void SetShooterName(const QString& name) = 0;
    virtual void SetShooterNote(const QString& text) = 0;
    // Gives the buttons' group the focus, so Return and Space reach no button.
    virtual void FocusButtons() = 0;
};

} // namespace ryvo
