#pragma once

#include "exercise/MultiShooterRun.h"
#include "exercise/MultiShooterView.h"
#include "platform/Page.h"

#include <QElapsedTimer>
#include <QRegion>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <memory>

class QGroupBox;
class QLabel;
class QPushButton;

namespace ryvo {

class LanePicture;

// The five-lane exercise window: five small targets across the top, the selected lane's
// large target below. The run is MultiShooterRun; this page owns the widgets, ticks the run
// from a zero-interval timer and brings its drawing to the screen at the display rate.
class TShoots5 final : public Page, public MultiShooterView {
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
    // Applies pending marker moves and repaints changed pictures now.
    void FlushDisplay();

    // ExerciseView
    void SetText(ViewText text, const QString& value) override;
    void SetVisible(ViewItem item, bool visible) override;
    void Place(ViewItem item, int left, int top) override;
    QSize ItemSize(ViewItem item) const override;
    void Fill(ViewItem item, Color color) override;
    void SetEnabled(ViewButton button, bool enabled) override;
    bool IsEnabled(ViewButton button) const override;
    void FocusStart() override;
    Canvas& Picture(ViewPicture picture) override;
    void Repaint(ViewPicture picture) override;
    void RepaintArea(ViewPicture picture, const QRect& area) override;
    void Present() override { FlushDisplay(); }
    int SignalLength() const override;
    void ActivateWindow(const QString& className) override;

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

private:
    void TarClick(int lane);
    void Tick();
    void KeepTicking();
    void ShowStatus();
    void ScheduleDisplay();
    QLabel* LabelOf(ViewText text) const;
    QWidget* WidgetOf(ViewItem item) const;
    QLabel* LampOf(int lane, Lamp lamp) const;

    ProgramState& m_state;
    std::unique_ptr<ImageCanvas> m_target;
    std::unique_ptr<ImageCanvas> m_failArrow;
    std::unique_ptr<ImageCanvas> m_signal;
    std::array<std::unique_ptr<ImageCanvas>, kLaneCount> m_small;
    std::array<std::unique_ptr<ImageCanvas>, kLaneCount> m_bars;
    MultiShooterRun m_run;

    LanePicture* m_targetView;
    LanePicture* m_failArrowView;
    LanePicture* m_signalView;
    std::array<LanePicture*, kLaneCount> m_smallViews{};
    std::array<LanePicture*, kLaneCount> m_barViews{};
    std::array<QLabel*, kLaneCount> m_steadyLamps{};
    std::array<QLabel*, kLaneCount> m_flashLamps{};
    QGroupBox* m_signalBox;
    QLabel* m_status;
    std::map<ViewText, QLabel*> m_labels;
    std::map<ViewItem, QWidget*> m_items;
    std::map<ViewButton, QPushButton*> m_buttons;

    QTimer m_runTimer;
    QTimer m_displayTimer;
    QElapsedTimer m_sinceDisplay;
    std::array<bool, 3> m_dirty{};
    std::array<bool, kLaneCount> m_smallDirty{};
    std::array<bool, kLaneCount> m_barDirty{};
    QRegion m_targetArea;
    std::map<ViewItem, QPoint> m_pendingMoves;
};

} // namespace ryvo
