#pragma once

#include "archive/ArchiveBrowser.h"
#include "platform/Page.h"
#include "platform/Services.h"

#include <memory>

class QLabel;
class QPushButton;
class QTableView;

namespace ryvo {

struct ProgramState;

// The archive browser's result table: the chosen group's results of the chosen day.
class TArchiv2 final : public Page {
    Q_OBJECT
public:
    TArchiv2(ProgramState& state, const Services& services, std::shared_ptr<ArchiveBrowser> browser,
             QWidget* parent = nullptr);

    void FormActivate() override;
    DayTableModel& Table() { return *m_model; }

public slots:
    void ListView1Click();
    void ShowTargetClick();
    void PrintClick();
    void ExitClick();
    // The day's table as a CSV file.
    void ExportDayClick();
    // "Стрелок": every result of the chosen row's shooter.
    void ShooterCardClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RedrawList();
    void FitColumns();

    ProgramState& m_state;
    Services m_services;
    std::shared_ptr<ArchiveBrowser> m_browser;
    DayTableModel* m_model;
    QLabel* m_group;
    QTableView* m_view;
    QPushButton* m_showTarget;
    QPushButton* m_print;
    QPushButton* m_exit;
    QPushButton* m_exportDay;
    QPushButton* m_shooterCard;
};

} // namespace ryvo
