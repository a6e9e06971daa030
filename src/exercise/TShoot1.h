#pragma once

#include "exercise/ExercisePage.h"
#include "exercise/ExerciseView.h"
#include "exercise/SingleShooterRun.h"
#include "exercise/TargetPanelWidgets.h"

#include <functional>

namespace ryvo {

class SeriesPanel;

// The single-shooter exercise window. The run itself is SingleShooterRun; this page owns the
// widgets; the shared page code ticks the run and brings its drawing to the screen.
class TShoot1 final : public ExercisePage, public PanelForwarding<ExerciseView> {
    Q_OBJECT
public:
    TShoot1(ProgramState& state, const Services& services, QWidget* parent = nullptr);
    ~TShoot1() override;

    void FormActivate() override;

    void StartClick();
    void SaveClick();
    void PrintClick();
    void ViewShootsClick();
    void ExitClick();

    SingleShooterRun& Run() { return m_run; }

    // ExerciseView beyond the panel
    void Fill(ViewItem item, Color color) override { Panel().Fill(item, color); }
    void SetEnabled(ViewButton button, bool enabled) override {
        Panel().SetEnabled(button, enabled);
    }
    [[nodiscard]] bool IsEnabled(ViewButton button) const override {
        return Panel().IsEnabled(button);
    }
    void FocusStart() override { Panel().FocusStart(); }
    void ActivateWindow(const QString& className) override { Page::ActivateWindow(className); }

    SeriesPanel& Series() { return *m_series; }

    // Measurement hook: after every repaint of the target. Ticks().onTick runs before
    // every tick.
    std::function<void()> onDisplayed;
    // Opens or closes the range screen.
    std::function<void()> onRangeScreen;

protected:
    void PicturesResized() override;

private:
    ProgramState& m_state;
    SingleShooterRun m_run;
    SeriesPanel* m_series;
    QLabel* m_shooter = nullptr;
};

} // namespace ryvo
