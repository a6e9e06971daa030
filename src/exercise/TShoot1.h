#pragma once

#include "exercise/ExerciseView.h"
#include "exercise/SingleShooterRun.h"
#include "platform/Page.h"

#include <QElapsedTimer>
#include <QHash>
#include <QRegion>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QGroupBox;
class QLabel;
class QPushButton;

namespace ryvo {

class PictureWidget;

// The single-shooter exercise window. The run itself is SingleShooterRun; this page owns the
// widgets, ticks the run from a zero-interval timer and brings its drawing to the screen at
// the display rate.
class TShoot1 final : public Page, public ExerciseView {
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

    // Measurement hooks: before every tick of the run, after every repaint of the target.
    std::function<void()> onTick;
    std::function<void()> onDisplayed;

private:
    void Tick();
    void KeepTicking();
    QLabel* LabelOf(ViewText text) const;
    QWidget* WidgetOf(ViewItem item) const;
    QPushButton* ButtonOf(ViewButton button) const;
    void ScheduleDisplay();

    ProgramState& m_state;
    std::unique_ptr<ImageCanvas> m_target;
    std::unique_ptr<ImageCanvas> m_failArrow;
    std::unique_ptr<ImageCanvas> m_signal;
    SingleShooterRun m_run;

    PictureWidget* m_targetView;
    PictureWidget* m_failArrowView;
    PictureWidget* m_signalView;
    QGroupBox* m_signalBox;
    QGroupBox* m_stat;
    std::map<ViewText, QLabel*> m_labels;
    std::map<ViewItem, QWidget*> m_items;
    std::map<ViewButton, QPushButton*> m_buttons;

    QTimer m_runTimer;
    QTimer m_displayTimer;
    QElapsedTimer m_sinceDisplay;
    std::array<bool, 3> m_dirty{};
    // Parts of the target changed since the last refresh, when not the whole of it.
    QRegion m_targetArea;
    std::map<ViewItem, QPoint> m_pendingMoves;
};

} // namespace ryvo
