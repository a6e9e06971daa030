#pragma once

#include "exercise/ExerciseView.h"
#include "exercise/TwoShooterRun.h"
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

class CanvasWidget;

// The two-shooter exercise window: shooter 1 on the left, shooter 2 on the right, the
// common buttons between and the lamp indicators above. The run is TwoShooterRun; this page
// owns the widgets, ticks the run from a zero-interval timer and brings its drawing to the
// screen at the display rate.
class TShoot2 final : public Page, public TwoShooterView {
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

    TwoShooterRun& Run() { return *m_run; }
    // Applies pending marker moves and repaints changed pictures now.
    void FlushDisplay();

    // TwoShooterView
    PanelView& Lane(int lane) override;
    void SetLampVisible(ViewItem image, bool visible) override;
    void FillLamp(ViewItem image, Color color) override;
    void SetStartCaption(const QString& caption) override;
    void SetEnabled(TwoButton button, bool enabled) override;
    bool IsEnabled(TwoButton button) const override;
    void FocusStart() override;
    void ActivateWindow(const QString& className) override;
    void Present() override { FlushDisplay(); }
    void SetStatus(const QString& text, const QString& hint) override;

    // Measurement hook: before every tick of the run.
    std::function<void()> onTick;

private:
    class LaneView;

    void Tick();
    void KeepTicking();
    void ScheduleDisplay();
    QWidget* BuildLane(int lane, int scale100);

    ProgramState& m_state;
    std::array<std::unique_ptr<LaneView>, 2> m_lanes;
    std::unique_ptr<TwoShooterRun> m_run;
    std::map<ViewItem, QLabel*> m_lamps;
    std::map<TwoButton, QPushButton*> m_buttons;
    QLabel* m_status = nullptr;
    QLabel* m_hint = nullptr;

    QTimer m_runTimer;
    QTimer m_displayTimer;
    QElapsedTimer m_sinceDisplay;
};

} // namespace ryvo
