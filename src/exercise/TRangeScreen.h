#pragma once

#include "core/ProgramState.h"
#include "platform/Canvas.h"

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace ryvo {

// The place of one lane on the range screen: its target square and its lines of text.
struct RangeTile {
    int lane = 0;
    QRect name;
    QRect target;
    QRect figures;
    int linePixels = 0;

    [[nodiscard]] QRect Whole() const { return name.united(target).united(figures); }
    // The last figure line, the clock's.
    [[nodiscard]] QRect TimeLine() const {
        return {figures.left(), figures.bottom() + 1 - linePixels, figures.width(), linePixels};
    }
};

// The tiles of `lanes` in `area`: the row and column count that gives the largest targets,
// the name above each target and three lines of figures below it.
std::vector<RangeTile> RangeTiles(QSize area, const std::vector<int>& lanes);

// "Экран рубежа": a read-only window for the shooters on the firing line, on a display of its
// own when there is one. It shows every lane the running window serves from the range screen
// figures and repaints when they change, at most kFollowMs apart; it never takes the focus,
// so the keys stay with the exercise window.
class TRangeScreen final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFollowMs = 100;

    explicit TRangeScreen(ProgramState& state, QWidget* parent = nullptr);
    ~TRangeScreen() override;

    // Opens the screen placed beside `mainWindow`, or closes it when it is open.
    void Toggle(const QWidget* mainWindow);
    void OpenBeside(const QWidget* mainWindow);
    void CloseScreen();

    // The lines of a lane as drawn: shooter, shots of planned, sum, time.
    [[nodiscard]] QString NameLine(int lane) const;
    [[nodiscard]] QStringList FigureLines(int lane) const;
    static QString NameLine(int lane, const RangeLane& figures);
    static QStringList FigureLines(const RangeLane& figures);
    [[nodiscard]] std::vector<RangeTile> Tiles() const;
    // Repaints asked for since the window was made (the figures changed).
    [[nodiscard]] int Repaints() const { return m_repaints; }
    // Takes the latest figures now; true when they changed since the last look. Only what
    // changed is repainted: the lines whose text changed and, for a shot, the new hole and the
    // one marked before it.
    bool Follow();
    // Time spent painting since the window was made, for measurements.
    [[nodiscard]] qint64 PaintNs() const { return m_paintNs; }
    // The area the last Follow asked to repaint.
    [[nodiscard]] QRegion PendingArea() const { return m_pending; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The lane's target at `side` pixels with its holes, the last one marked.
    const QImage& TargetImage(int lane, int side, const RangeLane& figures);
    // The area of the screen that differs between the lane drawn as `was` and as `now`.
    [[nodiscard]] QRegion ChangedArea(const RangeTile& tile, const RangeLane& was,
                                      const RangeLane& now) const;

    ProgramState& m_state;
    QTimer m_follow;
    std::uint64_t m_seen = 0;
    // The figures as last asked to be painted.
    std::array<RangeLane, kLaneCount> m_drawn;
    QRegion m_pending;
    qint64 m_paintNs = 0;
    int m_repaints = 0;
    // A lane's target drawn once for its type and size; a shot adds its hole to the pictures
    // instead of drawing the target and every hole anew.
    struct CachedTarget {
        std::int32_t type = -2;
        int side = 0;
        QImage background;
        // The background with every hole but the last.
        std::unique_ptr<ImageCanvas> plain;
        // As plain, with the last hole marked: what the screen shows.
        std::unique_ptr<ImageCanvas> marked;
        std::vector<ShotPoint> holes;
    };
    std::array<CachedTarget, kLaneCount> m_targets;
};

} // namespace ryvo
