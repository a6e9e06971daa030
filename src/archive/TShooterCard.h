#pragma once

#include "archive/ArchiveProgress.h"
#include "platform/Page.h"
#include "platform/Services.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;

namespace ryvo {

struct ProgramState;
class ProgressChart;

// Opens "Стрелок" for `shooter` (empty: the name is typed there); its Exit returns to `from`.
void OpenShooterCard(const Page& from, const QString& shooter);

// "Стрелок": every result of one shooter across years and groups, newest first, with
// filters, a progress chart (several shooters may be compared) and the group's summary over
// the same period. A row opens the archived result view.
class TShooterCard final : public Page {
    Q_OBJECT
public:
    static constexpr int kResultsTab = 0;
    static constexpr int kChartTab = 1;
    static constexpr int kHoldTab = 2;
    static constexpr int kSummaryTab = 3;

    // `cacheDir` empty: the index lives in the program's cache folder.
    TShooterCard(ProgramState& state, const Services& services, QString cacheDir = QString(),
                 QWidget* parent = nullptr);
    ~TShooterCard() override;

    // The next activation shows this shooter; Exit goes back to `returnTo`.
    void Preset(const QString& shooter, const QString& returnTo);
    void FormActivate() override;

    [[nodiscard]] ShooterCard* Card() { return m_card.get(); }
    [[nodiscard]] ProgressChart& Chart() { return *m_chart; }
    [[nodiscard]] ProgressChart& HoldChart() { return *m_holdChart; }
    [[nodiscard]] GroupSummaryModel& Summary() { return *m_summary; }
    [[nodiscard]] ArchiveIndex* Index() { return m_index.get(); }

public slots:
    void ShowShooterClick();
    void FilterChanged();
    void ShowTargetClick();
    void PrintChartClick();
    void SavePdfClick();
    void ExportCsvClick();
    void ExitClick();

private:
    void SyncIndex();
    void Redraw();
    [[nodiscard]] ResultFilter PeriodFilter() const;
    [[nodiscard]] QString SummaryGroup() const;
    // The chart the open tab shows: the hold chart on its tab, else the score chart.
    [[nodiscard]] ProgressChart& ShownChart();
    void Tell(const QString& text, const QString& caption);

    ProgramState& m_state;
    Services m_services;
    QString m_cacheDir;
    QString m_preset;
    QString m_returnTo = QStringLiteral("TArchiv1");
    std::unique_ptr<ArchiveIndex> m_index;
    std::unique_ptr<ShooterCard> m_card;
    GroupSummaryModel* m_summary;
    QComboBox* m_name;
    QPushButton* m_show;
    QCheckBox* m_wholeTime;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QComboBox* m_target;
    QComboBox* m_group;
    QProgressBar* m_progress;
    QLabel* m_note;
    QTabWidget* m_tabs;
    QTableView* m_results;
    QComboBox* m_compare;
    QSpinBox* m_window;
    ProgressChart* m_chart;
    QComboBox* m_holdFigure;
    ProgressChart* m_holdChart;
    QTableView* m_summaryView;
    QPushButton* m_showTarget;
    QPushButton* m_print;
    QPushButton* m_savePdf;
    QPushButton* m_exportCsv;
    QPushButton* m_exit;
    bool m_filling = false;
};

} // namespace ryvo
