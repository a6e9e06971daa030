#pragma once

#include "exercise/ExercisePage.h"
#include "exercise/ExerciseView.h"
#include "exercise/SingleShooterRun.h"

#include <functional>
#include <map>

class QGroupBox;
class QLabel;
class QPushButton;

namespace ryvo {

class SeriesPanel;

// The single-shooter exercise window. The run itself is SingleShooterRun; this page owns the
// widgets; the shared page code ticks the run and brings its drawing to the screen.
class TShoot1 final : public ExercisePage, public ExerciseView {
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

    // ExerciseView
    void SetText(ViewText text, const QString& value) override;
    void SetVisible(ViewItem item, bool visible) override;
    void Place(ViewItem item, int left, int top) override;
    [[nodiscard]] QSize ItemSize(ViewItem item) const override;
    void Fill(ViewItem item, Color color) override;
    void SetEnabled(ViewButton button, bool enabled) override;
    [[nodiscard]] bool IsEnabled(ViewButton button) const override;
    void FocusStart() override;
    Canvas& Picture(ViewPicture picture) override;
    void Repaint(ViewPicture picture) override;
    void RepaintArea(ViewPicture picture, const QRect& area) override;
    void Present() override { Display().Present(); }
    [[nodiscard]] int SignalLength() const override;
    void ActivateWindow(const QString& className) override;
    void ShotsChanged(const RunState& run, int lane) override;
    void ReplayShot(int shot) override;

    SeriesPanel& Series() { return *m_series; }

    // Measurement hook: after every repaint of the target. Ticks().onTick runs before
    // every tick.
    std::function<void()> onDisplayed;

protected:
    void PicturesResized() override;

private:
    [[nodiscard]] PictureWidget* PictureView(ViewPicture picture) const;
    // Marker pictures at the window's scale; the edge arrows at the target's edges.
    void PlaceMarkers();
    [[nodiscard]] QLabel* LabelOf(ViewText text) const;
    [[nodiscard]] QWidget* WidgetOf(ViewItem item) const;
    [[nodiscard]] QPushButton* ButtonOf(ViewButton button) const;

    ProgramState& m_state;
    SingleShooterRun m_run;

    PictureWidget* m_targetView;
    PictureWidget* m_failArrowView;
    PictureWidget* m_signalView;
    QGroupBox* m_signalBox;
    QGroupBox* m_stat;
    SeriesPanel* m_series;
    std::map<ViewText, QLabel*> m_labels;
    std::map<ViewItem, QWidget*> m_items;
    std::map<ViewButton, QPushButton*> m_buttons;
    std::map<ViewItem, std::function<QPixmap(double)>> m_markerArt;
};

} // namespace ryvo
