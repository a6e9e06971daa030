#pragma once

#include "platform/Canvas.h"
#include "platform/Page.h"

#include <QColor>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPushButton>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

class QLabel;

namespace ryvo {

// Shared page code of the exercise windows (single, two-shooter, five-lane, zeroing).
//
// A window derives from ExercisePage and in its constructor:
//   1. makes each target panel as a TargetPanelWidgets (the target picture with its
//      markers, the miss pictures, the level bar, the values), and other pictures as a
//      PictureWidget(name, size): the image the run draws on and its widget, whose object
//      and accessible name is the control name;
//   2. forwards its views' Repaint / RepaintArea / Place / Present to Display() (the panel
//      does so for its own), so pictures reach the screen at most once per display frame
//      while a new hole shows at once;
//   3. calls Ticks().Drive(run) with its run (any object with Tick(), Waiting(), Idle())
//      and Ticks().KeepTicking() after each click that may start a run;
//   4. lets the window fill the screen: AddSquarePicture(panel, "Target") for a target that
//      takes the largest square of its panel, AddScaledPicture for small pictures,
//      ScaleText / ScaleSize for texts and widgets that grow with the window, and
//      PicturesResized() to redraw after pictures took a new size;
//   5. calls ShowStatus(run's RunStatus) and lays out StatusLine() and HintLine().
// When the run falls idle the page flushes the display, so the final state is shown.
// Pictures change size only while the run is idle (a run draws in pixels of the size it
// started with); a resize during a run takes effect when it ends.

class RunStatus;

// Shows an image as it is, repainted only when told. The widget owns its image, so a
// window that resizes the picture between runs replaces it here.
class PictureWidget final : public QWidget {
public:
    PictureWidget(const char* name, QSize size, Color fill = kButtonFace,
                  QWidget* parent = nullptr);

    ImageCanvas& Canvas() { return *m_canvas; }
    // A new blank image of this size; the widget takes the size too.
    void ResizeImage(QSize size);

    std::function<void()> onPainted;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<ImageCanvas> m_canvas;
    Color m_fill;
};

// Batches the screen updates of a window's pictures and markers: changes collect until
// the next display frame (16 ms after the previous one); the first change after a quiet
// spell and Present() show at once.
class DisplayBatch final : public QObject {
public:
    static constexpr int kFrameMs = 16;

    explicit DisplayBatch(QObject* parent = nullptr);

    void Repaint(PictureWidget* picture);
    // Only this part of the picture changed.
    void RepaintArea(PictureWidget* picture, const QRect& area);
    // Moves a marker at the next refresh; later moves of the same marker replace earlier.
    void Place(QWidget* widget, QPoint pos);
    void Present() { Flush(); }
    // Applies pending moves and repaints what changed, now.
    void Flush();
    [[nodiscard]] bool Pending() const;

private:
    void Schedule();

    QTimer m_timer;
    QElapsedTimer m_sinceFlush;
    std::set<PictureWidget*> m_whole;
    struct Areas {
        QRegion region;
        std::vector<QRect> rects; // as added
    };
    std::map<PictureWidget*, Areas> m_areas;
    std::map<QWidget*, QPoint> m_moves;
};

// Drives a run from a zero-interval timer: one Tick per turn of the event loop, every
// 5 ms while the run only waits (keys, a sound, the pause), stopped when it is idle.
class TickDriver final : public QObject {
public:
    explicit TickDriver(QObject* parent = nullptr);

    template <typename Run> void Drive(Run& run) {
        m_tick = [&run] { run.Tick(); };
        m_waiting = [&run] { return run.Waiting(); };
        m_idle = [&run] { return run.Idle(); };
    }
    // Starts, slows or stops the timer after the run's state may have changed.
    void KeepTicking();
    [[nodiscard]] bool Active() const { return m_timer.isActive(); }
    // True when no run is driven or it is idle.
    [[nodiscard]] bool RunIdle() const { return !m_idle || m_idle(); }
    [[nodiscard]] int Interval() const { return m_timer.interval(); }

    // Before every tick (measurements); once when the run falls idle.
    std::function<void()> onTick;
    std::function<void()> onIdle;

    static constexpr int kWaitingMs = 5;

private:
    void Tick();

    QTimer m_timer;
    std::function<void()> m_tick;
    std::function<bool()> m_waiting;
    std::function<bool()> m_idle;
};

class ExercisePage : public Page {
    Q_OBJECT
public:
    // The window size the base sizes are given for; larger windows scale them up.
    static constexpr int kBaseWidth = 1024;
    static constexpr int kBaseHeight = 768;
    // Point size at the base window size of captions and buttons.
    static constexpr double kCaptionPoints = 11.0;

    ExercisePage(const QString& className, const QString& caption, QWidget* parent = nullptr);
    ~ExercisePage() override;

    DisplayBatch& Display() { return m_display; }
    TickDriver& Ticks() { return m_ticks; }
    // Applies pending marker moves and repaints changed pictures now.
    void FlushDisplay() { m_display.Flush(); }

    // How much larger than the base size the window is; 1 at that size or below.
    [[nodiscard]] double Scale() const { return m_scale; }
    [[nodiscard]] int Scaled(int base) const;
    // Gives pictures the sizes the window allows, if the run is idle; true if one changed.
    bool ApplyPictureSizes();

    // The status line ("StatusLine") and key hint ("Hint"), shown as `status` changes.
    void ShowStatus(RunStatus& status);
    // Made on first use, so a window without a status line has no stray labels.
    QLabel* StatusLine();
    QLabel* HintLine();

protected:
    friend class TargetPanelWidgets;

    // A button `name` with `caption` at the caption size that runs `handler` of window `W`.
    template <typename W>
    QPushButton* NewButton(const char* name, const QString& caption, void (W::*handler)()) {
        QPushButton* button = NewButton(name, caption);
        connect(button, &QPushButton::clicked, static_cast<W*>(this), handler);
        return button;
    }
    QPushButton* NewButton(const char* name, const QString& caption);
    // A lamp of `baseWidth` x `baseHeight` at scale 1, hidden; a lamp that lights moves nothing.
    QLabel* AddLamp(const char* name, int baseWidth, int baseHeight);
    // A picture inside `panel` that takes the largest square the panel gets; `initial`
    // until the panel is laid out.
    PictureWidget* AddSquarePicture(QWidget* panel, const char* name, int initial);
    // A picture of `base` size at scale 1 that grows with the window.
    PictureWidget* AddScaledPicture(const char* name, QSize base, QWidget* parent = nullptr);
    // The font of `widget` at `basePoints` at scale 1.
    void ScaleText(QWidget* widget, double basePoints, bool bold = false);
    // A fixed width (and height, when given) at scale 1.
    void ScaleSize(QWidget* widget, int baseWidth, int baseHeight = 0);
    // Keeps room for one line of `sample` in the widget's font from the start, so a value
    // that comes or widens during a run does not move the layout (call after ScaleText).
    void ReserveRoom(QLabel* label, const QString& sample);
    // Pictures took new sizes (the run is idle): redraw them and place what sits on them.
    virtual void PicturesResized() {}

    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ScaledPicture {
        PictureWidget* picture;
        QWidget* squareIn; // the panel, for a square picture
        QSize base;
    };
    struct ScaledWidget {
        QWidget* widget;
        double points;  // 0: no font
        QSize base;     // empty: no fixed size
        QString sample; // a label's widest text; empty: no room kept
    };
    [[nodiscard]] QSize WantedSize(const ScaledPicture& p) const;
    void ApplyScale(double scale);

    DisplayBatch m_display;
    TickDriver m_ticks;
    double m_scale = 1.0;
    std::vector<ScaledPicture> m_pictures;
    std::vector<ScaledWidget> m_scaled;
    QLabel* m_statusLine = nullptr;
    QLabel* m_hintLine = nullptr;
};

} // namespace ryvo
