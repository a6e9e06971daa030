#pragma once

#include "platform/UserMessage.h"

#include <QString>

#include <optional>
#include <vector>

namespace ryvo {

struct ProgramState;

// Which controls of the groups window are enabled.
struct GroupsControls {
    bool Load = false;
    bool EraseGroup = false;
    bool GroupBox2 = false;
    bool Edit2 = false;
    bool CreateNew = false;
    bool GroupBox1 = false;
    bool Edit1 = false;
    bool AddNew = false;
    bool SaveNew = false;
    bool Erase = false;
};

// The groups window without widgets. The member list it shows is ProgramState::GroupMembers,
// which the save dialog offers.
class GroupsModel {
public:
    // What NewClick puts into the name field.
    static inline const QString kNamePrompt = QStringLiteral("Введите название");

    explicit GroupsModel(ProgramState& state);

    // Refills the group list from the start directory.
    void Open();

    [[nodiscard]] const std::vector<QString>& Groups() const { return m_groups; }
    [[nodiscard]] const std::vector<QString>& Members() const;
    [[nodiscard]] const GroupsControls& Controls() const { return m_controls; }
    [[nodiscard]] int SelectedGroup() const { return m_selectedGroup; }
    [[nodiscard]] int SelectedMember() const { return m_selectedMember; }
    [[nodiscard]] const QString& Edit2Text() const { return m_edit2; }

    std::optional<UserMessage> ListBox1Click(int index);
    void LoadClick();
    void NewClick();
    std::optional<UserMessage> CreateNewClick(const QString& name);
    void AddNewClick(const QString& name);
    std::optional<UserMessage> SaveNewClick();
    void ListBox2Click(int index);
    void EraseClick();
    // The question EraseGroupClick asks; EraseGroup runs only after a Yes.
    static UserMessage EraseGroupQuestion();
    void EraseGroup();

private:
    ProgramState& m_state;
    std::vector<QString> m_groups;
    int m_selectedGroup = -1;
    int m_selectedMember = -1;
    QString m_edit2;
    GroupsControls m_controls;
};

} // namespace ryvo
