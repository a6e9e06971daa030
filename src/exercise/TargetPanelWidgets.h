#pragma once

#include "exercise/ExercisePage.h"
#include "exercise/ExerciseView.h"

#include <QString>

#include <array>
#include <functional>
#include <initializer_list>
#include <map>

class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;

namespace ryvo {

class SeriesPanel;

// Marker pictures every exercise window shows, drawn at `s` times their base size.
// A blank pixmap of `w` x `h` scaled by `s`; paint on it in unscaled units.
QPixmap ScaledPixmap(int w, int h, double s);
// The aiming point and the trigger-jerk marker: a ring with a cross, 20 wide, `height` high.
QPixmap MarkerPixmap(const QColor& colour, double s, int height = 21);
// An edge arrow, 24 x 24, pointing left when `angle` is 0.
QPixmap ArrowPixmap(int angle, double s);
// Fills a lamp (or any label) with one colour.
void FillLabel(QLabel* label, Color color);

// The object names of the markers over one target.
struct MarkerNames {
    const char* gun;
    const char* postGun;
    const char* left;
    const char* right;
    const char* up;
    const char* down;
};

// How a statistics value looks: bold at the window's value size, plain at that size (made
// bold when the window is activated), or a caption-sized note.
enum class ValueFont { Bold, Plain, Note };

// One caption and its value label of a statistics box.
struct ValueRow {
    const char* captionName;
    QString caption;
    const char* valueName;
    ViewText text;
    ValueFont font = ValueFont::Bold;
};

// The widgets of one target panel of an exercise window (the large target with its markers
// and edge arrows, the miss pictures, the level bar, the statistics values, the buttons whose
// captions change) and the panel view over them. A window makes them with the names of its
// controls, lays them out itself and draws through this view; pictures reach the screen
// through the page's display batch.
class TargetPanelWidgets final : public PanelView {
public:
    // Markers drawn at the window's scale, or at their base size whatever the window's size.
    enum class Sizing { WithWindow, Fixed };

    explicit TargetPanelWidgets(ExercisePage& page, Sizing sizing = Sizing::WithWindow);

    // The panel `panelName`, at least `minimum` square, whose largest square the target
    // picture takes (`initial` until it is laid out).
    QWidget* AddTarget(const char* panelName, const char* targetName, int initial, int minimum);
    // The aiming and trigger-jerk markers and the four edge arrows over the target, hidden.
    void AddMarkers(const MarkerNames& names, int markerHeight = 21);
    // A picture `item` drawn by `art` at the markers' scale, hidden.
    QLabel* AddMarker(ViewItem item, const char* name, std::function<QPixmap(double)> art,
                      QWidget* parent, bool transparent = true);
    // The 30 x 30 picture a miss direction is drawn on, hidden; it keeps its place.
    PictureWidget* AddFailArrow(const char* name, QWidget* parent);
    // The "Статистика" group `name` with a caption and value per row, values at `valuePoints`.
    QGroupBox* AddStatistics(const char* name, std::initializer_list<ValueRow> rows,
                             double valuePoints);
    // A row under the statistics values across both columns (the miss pictures).
    void AddStatisticsRow(QLayout* row);
    // The "Сигнал" group with the level bar `SignalI` and `SigText` below it; the bar's full
    // length is the group's width, fixed at `groupWidth`.
    QGroupBox* AddSignalGroup(QSize bar, int groupWidth);
    // A level bar whose full length is its own width.
    PictureWidget* AddSignalBar(const char* name, QSize bar);

    // Widgets the window makes itself.
    void SetPicture(ViewPicture picture, PictureWidget* widget);
    void AddItem(ViewItem item, QWidget* widget) { m_items[item] = widget; }
    void AddText(ViewText text, QLabel* label) { m_labels[text] = label; }
    QPushButton* AddButton(ViewButton button, QPushButton* widget);
    void SetSeries(SeriesPanel* series) { m_series = series; }
    void SetSignalSpan(const QWidget* span) { m_signalSpan = span; }

    // Marker pictures at the current scale, the edge arrows at the target's edges.
    void PlaceMarkers();
    void PlaceArrows();

    [[nodiscard]] QWidget* Item(ViewItem item) const;
    [[nodiscard]] QLabel* Label(ViewText text) const;
    [[nodiscard]] PictureWidget* View(ViewPicture picture) const;
    [[nodiscard]] QPushButton* Button(ViewButton button) const;

    // The exercise view's lamps and buttons.
    void Fill(ViewItem item, Color color);
    void SetEnabled(ViewButton button, bool enabled);
    [[nodiscard]] bool IsEnabled(ViewButton button) const;
    void FocusStart();

    // PanelView
    void SetText(ViewText text, const QString& value) override;
    void SetVisible(ViewItem item, bool visible) override;
    void Place(ViewItem item, int left, int top) override;
    [[nodiscard]] QSize ItemSize(ViewItem item) const override;
    Canvas& Picture(ViewPicture picture) override { return View(picture)->Canvas(); }
    void Repaint(ViewPicture picture) override;
    void RepaintArea(ViewPicture picture, const QRect& area) override;
    void Present() override;
    [[nodiscard]] int SignalLength() const override;
    void ShotsChanged(const RunState& run, int lane) override;
    void ReplayShot(int shot) override;

private:
    [[nodiscard]] double MarkerScale() const;

    ExercisePage& m_page;
    Sizing m_sizing;
    std::array<PictureWidget*, 3> m_pictures{};
    QGridLayout* m_statistics = nullptr;
    const QWidget* m_signalSpan = nullptr;
    SeriesPanel* m_series = nullptr;
    std::map<ViewItem, QWidget*> m_items;
    std::map<ViewItem, std::function<QPixmap(double)>> m_art;
    std::map<ViewText, QLabel*> m_labels;
    std::map<ViewButton, QPushButton*> m_buttons;
};

// The panel part of a window's view `View`, forwarded to the window's one panel.
template <typename View> class PanelForwarding : public View {
public:
    void SetText(ViewText text, const QString& value) override { m_panel.SetText(text, value); }
    void SetVisible(ViewItem item, bool visible) override { m_panel.SetVisible(item, visible); }
    void Place(ViewItem item, int left, int top) override { m_panel.Place(item, left, top); }
    [[nodiscard]] QSize ItemSize(ViewItem item) const override { return m_panel.ItemSize(item); }
    Canvas& Picture(ViewPicture picture) override { return m_panel.Picture(picture); }
    void Repaint(ViewPicture picture) override { m_panel.Repaint(picture); }
    void RepaintArea(ViewPicture picture, const QRect& area) override {
        m_panel.RepaintArea(picture, area);
    }
    void Present() override { m_panel.Present(); }
    [[nodiscard]] int SignalLength() const override { return m_panel.SignalLength(); }
    void ShotsChanged(const RunState& run, int lane) override { m_panel.ShotsChanged(run, lane); }
    void ReplayShot(int shot) override { m_panel.ReplayShot(shot); }

protected:
    // `page` is the window itself.
    explicit PanelForwarding(ExercisePage* page, TargetPanelWidgets::Sizing sizing =
                                                     TargetPanelWidgets::Sizing::WithWindow)
        : m_panel(*page, sizing) {}

    TargetPanelWidgets& Panel() { return m_panel; }
    [[nodiscard]] const TargetPanelWidgets& Panel() const { return m_panel; }

private:
    TargetPanelWidgets m_panel;
};

} // namespace ryvo
