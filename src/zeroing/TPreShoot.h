#pragma once

#include "exercise/ExercisePage.h"
#include "exercise/TargetPanelWidgets.h"
#include "zeroing/ZeroingRun.h"
#include "zeroing/ZeroingView.h"

#include <map>

class QLineEdit;

namespace ryvo {

class MeanPointCross;

// The zeroing window. The measurement itself is ZeroingRun; this page owns the widgets and
// drives the run through the shared exercise page (tick driver, repaint batching).
class TPreShoot final : public ExercisePage, public PanelForwarding<ZeroingView> {
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
    void SaveForShooterClick();
    // The up-down beside the lane number: +1 or -1 within 1..5.
    void UpDown1Click(int step);

    ZeroingRun& Run() { return m_run; }

    // What the tick driver drives: the run, one tick at a time.
    void Tick();
    [[nodiscard]] bool Waiting() const { return m_run.Waiting(); }
    [[nodiscard]] bool Idle() const { return m_run.Idle(); }

    // ZeroingView
    void ActivateWindow(const QString& className) override { Page::ActivateWindow(className); }
    void SetInfo(const QString& text) override;
    void SetControlEnabled(ZeroingControl control, bool enabled) override;
    [[nodiscard]] bool IsControlEnabled(ZeroingControl control) const override;
    void ShowPointer(QPoint topLeft) override;
    void HidePointer() override;
    [[nodiscard]] int PointerSize() const override;
    void ShowMeanPoint(QPoint centre) override;
    void HideMeanPoint() override;
    [[nodiscard]] QString LaneNumberText() const override;
    [[nodiscard]] QString ShooterNameText() const override;
    void SetShooterName(const QString& name) override;
    void SetShooterNote(const QString& text) override;
    void FocusButtons() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    template <typename F> void Handle(F&& handler);
    // The target takes the largest square its panel allows; only between measurements.
    void FitTarget();

    ProgramState& m_state;
    QWidget* m_panel;
    PictureWidget* m_targetView;
    QLabel* m_pointer;
    MeanPointCross* m_meanPoint;
    QLabel* m_info;
    QLabel* m_sigText;
    QLineEdit* m_edit1;
    QLineEdit* m_shooterName;
    QLabel* m_shooterNote;
    QGroupBox* m_buttons;
    std::map<ZeroingControl, QPushButton*> m_controls;
    int m_upDown1Position = 1;
    bool m_inTick = false;
    ZeroingRun m_run;
};

} // namespace ryvo
