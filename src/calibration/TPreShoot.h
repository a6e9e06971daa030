#pragma once

#include "calibration/ZeroingRun.h"
#include "calibration/ZeroingView.h"
#include "platform/Page.h"

#include <QRegion>
#include <QTimer>

#include <array>
#include <map>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ryvo {

class ZeroingPicture;

// The zeroing window. The measurement itself is ZeroingRun; this page owns the widgets,
// ticks the run from a zero-interval timer and brings its drawing to the screen.
class TPreShoot final : public Page, public ZeroingView {
    Q_OBJECT
public:
    TPreShoot(ProgramState& state, const Services& services, QWidget* parent = nullptr);
    ~TPreShoot() override;

    void FormActivate() override;

    void ButCentClick();
    void ButLeftClick();
    void ButRightClick();
    void ButUpClick();
    void ButDownClick();
    void ButShootClick();
    void ButLoadClick();
    void Button2Click();
    void ExitSaveClick();
    void Exit1Click();
    // The up-down beside the lane number: +1 or -1 within 1..5.
    void UpDown1Click(int step);

    ZeroingRun& Run() { return m_run; }
    void FlushDisplay();

    // ExerciseView
    void SetText(ViewText text, const QString& value) override;
    void SetVisible(ViewItem item, bool visible) override;
    void Place(ViewItem item, int left, int top) override;
    QSize ItemSize(ViewItem item) const override;
    void Fill(ViewItem, Color) override {}
    void SetEnabled(ViewButton, bool) override {}
    bool IsEnabled(ViewButton) const override { return true; }
    void FocusStart() override {}
    Canvas& Picture(ViewPicture picture) override;
    void Repaint(ViewPicture picture) override;
    void RepaintArea(ViewPicture picture, const QRect& area) override;
    void Present() override { FlushDisplay(); }
    int SignalLength() const override;
    void ActivateWindow(const QString& className) override;

    // ZeroingView
    void SetInfo(const QString& text) override;
    void SetControlEnabled(ZeroingControl control, bool enabled) override;
    bool IsControlEnabled(ZeroingControl control) const override;
    void ShowPointer(QPoint topLeft) override;
    void HidePointer() override;
    int PointerSize() const override;
    QString LaneNumberText() const override;
    void FocusButtons() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    template <typename F> void Handle(F&& handler);
    void Tick();
    void KeepTicking();
    void ScheduleDisplay();
    // The target takes the largest square its panel allows; only between measurements.
    void FitTarget();
    QWidget* WidgetOf(ViewItem item) const;

    ProgramState& m_state;
    std::unique_ptr<ImageCanvas> m_target;
    std::unique_ptr<ImageCanvas> m_signal;
    std::unique_ptr<ImageCanvas> m_failArrow;
    ZeroingRun m_run;

    QWidget* m_panel;
    ZeroingPicture* m_targetView;
    ZeroingPicture* m_signalView;
    QLabel* m_pointer;
    QLabel* m_info;
    QLabel* m_sigText;
    QLineEdit* m_edit1;
    QGroupBox* m_buttons;
    std::map<ViewItem, QWidget*> m_items;
    std::map<ZeroingControl, QPushButton*> m_controls;
    int m_upDown1Position = 1;
    bool m_inTick = false;

    QTimer m_runTimer;
    QTimer m_displayTimer;
    std::array<bool, 3> m_dirty{};
    QRegion m_targetArea;
    std::map<ViewItem, QPoint> m_pendingMoves;
};

} // namespace ryvo
