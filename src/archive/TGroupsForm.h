#pragma once

#include "archive/GroupsModel.h"
#include "platform/Page.h"
#include "platform/Services.h"

class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ryvo {

struct ProgramState;

// Shooter groups: create, fill, save and delete the *.grp lists.
class TGroupsForm final : public Page {
    Q_OBJECT
public:
    TGroupsForm(ProgramState& state, const Services& services, QWidget* parent = nullptr);

    void FormActivate() override;
    GroupsModel& Model() { return m_model; }

public slots:
    void ListBox1Click();
    void LoadClick();
    void EraseGroupClick();
    void ExitClick();
    void ListBox2Click();
    void NewClick();
    void CreateNewClick();
    void AddNewClick();
    void SaveNewClick();
    void EraseClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Show(const std::optional<UserMessage>& message);
    void Sync();

    Services m_services;
    GroupsModel m_model;
    QListWidget* m_groups;
    QListWidget* m_members;
    QPushButton* m_load;
    QPushButton* m_eraseGroup;
    QPushButton* m_exit;
    QPushButton* m_new;
    QGroupBox* m_groupBox2;
    QLineEdit* m_edit2;
    QPushButton* m_createNew;
    QGroupBox* m_groupBox1;
    QLineEdit* m_edit1;
    QPushButton* m_addNew;
    QPushButton* m_saveNew;
    QPushButton* m_erase;
    bool m_currentChangedSincePress = false;
};

} // namespace ryvo
