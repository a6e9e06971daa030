#pragma once

#include "exercise/ShotTableModel.h"

#include "platform/FittedLabel.h"

#include <QGroupBox>

class QLabel;
class QTableView;

namespace ryvo {

// The current series of one lane beside its target: the group figures above a table of its
// shots, which grows as they come and keeps the newest in view. Object names end in `suffix`
// ("GroupFigures1", "ShotTable1") so a window with more panels names each. It changes only
// when told of the lane's shots, never per pass of the run.
class SeriesPanel final : public QGroupBox {
    Q_OBJECT
public:
    // The most lines the group figures take (SeriesFigureLines).
    static constexpr int kFigureLines = 6;
    // And the hold figures' means (HoldFigureLines) where they are shown.
    static constexpr int kHoldLines = 1;

    SeriesPanel(const QString& title, const char* suffix, QWidget* parent = nullptr);

    void ShowShots(const RunState& run, int lane);
    // The hold figures in narrow columns and, with `means`, their means under the group
    // figures (a line more: the windows with two tables or five lanes have no room for it on
    // a 768-line screen).
    void ShowHoldFigures(bool shown, bool means = true);
    // Selects and shows the row of shot `shot` (from 0); none when negative.
    void ShowReplayShot(int shot);

    ShotTableModel& Model() { return m_model; }
    [[nodiscard]] QTableView* Table() const { return m_table; }
    [[nodiscard]] QLabel* FiguresLabel() const { return m_figures; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void FitRows();

    ShotTableModel m_model;
    FittedLabel* m_figures;
    QTableView* m_table;
    bool m_replaying = false;
    bool m_holdMeans = false;
};

} // namespace ryvo
