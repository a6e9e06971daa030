#pragma once

#include "exercise/ExercisePage.h"
#include "exercise/MultiShooterRun.h"
#include "exercise/MultiShooterView.h"
#include "exercise/TargetPanelWidgets.h"

#include <array>
#include <functional>

namespace ryvo {

class RelayControls;
class SeriesPanel;

// The five-lane exercise window: five small targets across the top, the selected lane's
// large target below, taking what room the window leaves. The run is MultiShooterRun; the
// shared exercise page ticks it and brings its drawing to the screen at the display rate.
class TShoots5 final : public ExercisePage, public PanelForwarding<MultiShooterView> {
    Q_OBJECT
public:
    TShoots5(ProgramState& state, const Services& services, QWidget* parent = nullptr);
    ~TShoots5() override;

    void FormActivate() override;

    void StartClick();
    void SaveClick();
    void PrintClick();
    void ExitClick();
    // "Ведомость смены": the composition root prints the sheet of the window's lanes.
    void RelaySheetClick();
    std::function<void(int laneCount)> onRelaySheet;
    void Tar1Click() { TarClick(0); }
    void Tar2Click() { TarClick(1); }
    void Tar3Click() { TarClick(2); }
    void Tar4Click() { TarClick(3); }
    void Tar5Click() { TarClick(4); }

    MultiShooterRun& Run() { return m_run; }

    // ExerciseView beyond the panel
    void Fill(ViewItem /*item*/, Color /*color*/) override {
        // The lamps of this window are filled by lane (FillLamp).
    }
    void SetEnabled(ViewButton button, bool enabled) override;
    [[nodiscard]] bool IsEnabled(ViewButton button) const override {
        return Panel().IsEnabled(button);
    }
    void FocusStart() override { Panel().FocusStart(); }
    void ActivateWindow(const QString& className) override { Page::ActivateWindow(className); }

    SeriesPanel& Series() { return *m_series; }
    RelayControls& Relay() { return *m_relay; }

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
    // Opens or closes the range screen.
    std::function<void()> onRangeScreen;

protected:
    void PicturesResized() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TarClick(int lane);
    void ShowStatus();
    [[nodiscard]] QLabel* LampOf(int lane, Lamp lamp) const;

    ProgramState& m_state;
    MultiShooterRun m_run;

    std::array<PictureWidget*, kLaneCount> m_smallViews{};
    std::array<PictureWidget*, kLaneCount> m_barViews{};
    std::array<QLabel*, kLaneCount> m_steadyLamps{};
    std::array<QLabel*, kLaneCount> m_flashLamps{};
    QLabel* m_status = nullptr;
    SeriesPanel* m_series = nullptr;
    RelayControls* m_relay = nullptr;
    // The lane whose shooter the large target's name shows.
    int m_namedLane = -1;
    QPushButton* m_relaySheet = nullptr;
};

} // namespace ryvo
