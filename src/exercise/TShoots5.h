#pragma once

#include "exercise/ExercisePage.h"
#include "exercise/MultiShooterRun.h"
#include "exercise/MultiShooterView.h"

#include <array>
#include <functional>
#include <map>

class QGroupBox;
class QLabel;
class QPushButton;

namespace ryvo {

class SeriesPanel;

// The five-lane exercise window: five small targets across the top, the selected lane's
// large target below, taking what room the window leaves. The run is MultiShooterRun; the
// shared exercise page ticks it and brings its drawing to the screen at the display rate.
class TShoots5 final : public ExercisePage, public MultiShooterView {
    Q_OBJECT
public:
    TShoots5(ProgramState& state, const Services& services, QWidget* parent = nullptr);
    ~TShoots5() override;

    void FormActivate() override;

    void StartClick();
    void SaveClick();
    void PrintClick();
    void ExitClick();
    void Tar1Click() { TarClick(0); }
    void Tar2Click() { TarClick(1); }
    void Tar3Click() { TarClick(2); }
    void Tar4Click() { TarClick(3); }
    void Tar5Click() { TarClick(4); }

    MultiShooterRun& Run() { return m_run; }

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
    void Present() override;
    [[nodiscard]] int SignalLength() const override;
    void ActivateWindow(const QString& className) override;
    void ShotsChanged(const RunState& run, int lane) override;

    SeriesPanel& Series() { return *m_series; }

    // MultiShooterView
    Canvas& SmallTarget(int lane) override;
    Canvas& LaneSignal(int lane) override;
    void RepaintSmallTarget(int lane) override;
    void RepaintLaneSignal(int lane) override;
    void SetLaneEnabled(int lane, bool enabled) override;
    void SetLamp(int lane, Lamp lamp, bool visible) override;
    void FillLamp(int lane, Lamp lamp, Color color) override;

    // Measurement hooks: before every tick of the run, after every repaint of the target.
    std::function<void()> onTick;
    std::function<void()> onDisplayed;

protected:
    void PicturesResized() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TarClick(int lane);
    void ShowStatus();
    void PlaceMarkers();
    [[nodiscard]] QLabel* LabelOf(ViewText text) const;
    [[nodiscard]] QWidget* WidgetOf(ViewItem item) const;
    [[nodiscard]] QLabel* LampOf(int lane, Lamp lamp) const;
    [[nodiscard]] PictureWidget* PictureView(ViewPicture picture) const;

    ProgramState& m_state;
    MultiShooterRun m_run;

    PictureWidget* m_targetView = nullptr;
    PictureWidget* m_failArrowView = nullptr;
    PictureWidget* m_signalView = nullptr;
    std::array<PictureWidget*, kLaneCount> m_smallViews{};
    std::array<PictureWidget*, kLaneCount> m_barViews{};
    std::array<QLabel*, kLaneCount> m_steadyLamps{};
    std::array<QLabel*, kLaneCount> m_flashLamps{};
    QGroupBox* m_signalBox = nullptr;
    QLabel* m_status = nullptr;
    SeriesPanel* m_series = nullptr;
    std::map<ViewText, QLabel*> m_labels;
    std::map<ViewItem, QWidget*> m_items;
    std::map<ViewItem, std::function<QPixmap(double)>> m_markerArt;
    std::map<ViewButton, QPushButton*> m_buttons;
};

} // namespace ryvo
