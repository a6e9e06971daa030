#pragma once

#include "archive/SaveDialogModel.h"
#include "platform/Page.h"
#include "platform/Services.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QStringListModel;

namespace ryvo {

struct ProgramState;

// The save and print dialog an exercise window opens for the result of one lane.
class TSave_Print final : public Page {
    Q_OBJECT
public:
    TSave_Print(ProgramState& state, const Services& services, SaveDialogModel::LocalTime now = {},
                QWidget* parent = nullptr);

    void FormActivate() override;
    SaveDialogModel& Model() { return m_model; }

public slots:
    void ExitClick();
    void AbortClick();

private:
    void ShowMessage(const UserMessage& message);

    Services m_services;
    SaveDialogModel m_model;
    QLineEdit* m_date;
    QLineEdit* m_time;
    QLineEdit* m_group;
    QStringListModel* m_groupNames;
    QComboBox* m_shooters;
    QComboBox* m_comm;
    QPushButton* m_exit;
    QPushButton* m_abort;
};

} // namespace ryvo
