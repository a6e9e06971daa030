#pragma once

#include "exercise/ExercisePage.h"
#include "exercise/ExerciseView.h"
#include "exercise/TargetPanelWidgets.h"
#include "exercise/TwoShooterRun.h"

#include <array>
#include <functional>
#include <map>
#include <memory>

namespace ryvo {

// The two-shooter exercise window: shooter 1 on the left, shooter 2 on the right, the
// common buttons between them and the lamp indicators above. The run is TwoShooterRun; the
// shared exercise page ticks it and brings its drawing to the screen at the display rate.
class RelayControls;

class TShoot2 final : public ExercisePage, public TwoShooterView {
    Q_OBJECT
public:
    TShoot2(ProgramState& state, const Services& services, QWidget* parent = nullptr);
    ~TShoot2() override;

    void FormActivate() override;

    void StartClick();
    void ExitClick();
    void SaveClick();
    void Save2Click();
    void PrintClick();
    void Print2Click();
    // "Ведомость смены": the composition root prints the sheet of the window's lanes.
    void RelaySheetClick();
    std::function<void(int laneCount)> onRelaySheet;

    TwoShooterRun& Run() { return *m_run; }
    RelayControls& Relay() { return *m_relay; }

    // TwoShooterView
    PanelView& Lane(int lane) override;
    void SetLampVisible(ViewItem image, bool visible) override;
    void FillLamp(ViewItem image, Color color) override;
    void SetStartCaption(const QString& caption) override;
    void SetEnabled(TwoButton button, bool enabled) override;
    [[nodiscard]] bool IsEnabled(TwoButton button) const override;
    void FocusStart() override;
    void ActivateWindow(const QString& className) override;
    void Present() override { Display().Present(); }

    // Opens or closes the range screen.
    std::function<void()> onRangeScreen;

protected:
    void PicturesResized() override;

private:
    QWidget* BuildLane(int lane);

    ProgramState& m_state;
    std::array<std::unique_ptr<TargetPanelWidgets>, 2> m_lanes;
    std::unique_ptr<TwoShooterRun> m_run;
    std::map<ViewItem, QLabel*> m_lamps;
    std::map<TwoButton, QPushButton*> m_buttons;
    RelayControls* m_relay = nullptr;
    QPushButton* m_relaySheet = nullptr;
};

} // namespace ryvo
