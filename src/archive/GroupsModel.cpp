#include "archive/GroupsModel.h"

#include "archive/ArchiveStore.h"
#include "archive/GroupStore.h"
#include "core/ProgramState.h"

namespace ryvo {

GroupsModel::GroupsModel(ProgramState& state) : m_state(state) {}

const std::vector<QString>& GroupsModel::Members() const {
    return m_state.GroupMembers;
}

void GroupsModel::Open() {
    m_groups = ListGroups(m_state.StartDir);
    m_selectedGroup = -1;
    m_selectedMember = -1;
    m_state.GroupMembers.clear();
    m_controls = GroupsControls{};
}

std::optional<UserMessage> GroupsModel::ListBox1Click(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_groups.size()) {
        return std::nullopt;
    }
    m_selectedGroup = index;
    m_selectedMember = -1;
    m_state.GroupMembers.clear();
    // The member list now belongs to the clicked group; editing it waits for "Загрузить",
    // so a save can never write one group's members into another group's file.
    m_controls.GroupBox1 = m_controls.Edit1 = m_controls.AddNew = false;
    m_controls.SaveNew = m_controls.Erase = false;
    const QString& name = m_groups[static_cast<size_t>(index)];
    auto members = ReadGroup(m_state.StartDir, name);
    if (!members) {
        return UserMessage{QStringLiteral("Не удалось прочитать группу \"%1\".").arg(name),
                           QStringLiteral("Error"), MessageIcon::Error};
    }
    m_state.GroupMembers = std::move(*members);
    m_controls.Load = true;
    m_controls.EraseGroup = true;
    return std::nullopt;
}

void GroupsModel::LoadClick() {
    if (m_selectedGroup < 0) {
        return;
    }
    m_state.GroupName = m_groups[static_cast<size_t>(m_selectedGroup)];
    m_state.LoadedGroup = m_selectedGroup;
    m_controls.GroupBox1 = m_controls.AddNew = m_controls.Edit1 = true;
}

void GroupsModel::NewClick() {
    m_controls.GroupBox2 = true;
    m_edit2 = kNamePrompt;
    m_controls.Edit2 = m_controls.CreateNew = true;
}

std::optional<UserMessage> GroupsModel::CreateNewClick(const QString& name) {
    m_edit2 = name;
    m_state.GroupName = name;
    if (const auto problem = GroupNameProblem(name)) {
        return UserMessage{QStringLiteral("Невозможно создать группу\n%1").arg(*problem),
                           QStringLiteral("Ошибка!"), MessageIcon::None,
                           MessageButtons::YesNoCancel};
    }
    if (!CreateGroup(m_state.StartDir, name)) {
        return UserMessage{QStringLiteral("Невозможно создать группу"), QStringLiteral("Ошибка!"),
                           MessageIcon::None, MessageButtons::YesNoCancel};
    }
    m_controls.Edit1 = m_controls.AddNew = true;
    m_groups.push_back(name);
    // The new group is the one shown, so a later member deletion saves into it.
    m_selectedGroup = static_cast<int>(m_groups.size()) - 1;
    m_controls.Load = m_controls.EraseGroup = true;
    m_selectedMember = -1;
    m_state.GroupMembers.clear();
    m_controls.GroupBox1 = true;
    m_controls.SaveNew = m_controls.Erase = false;
    return std::nullopt;
}

void GroupsModel::AddNewClick(const QString& name) {
    m_state.GroupMembers.push_back(name);
    m_controls.SaveNew = true;
}

std::optional<UserMessage> GroupsModel::SaveNewClick() {
    if (!WriteGroup(m_state.StartDir, m_state.GroupName, m_state.GroupMembers)) {
        return UserMessage{
            QStringLiteral("Не удалось сохранить группу \"%1\".").arg(m_state.GroupName),
            QStringLiteral("Error"), MessageIcon::Error};
    }
    return std::nullopt;
}

void GroupsModel::ListBox2Click(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_state.GroupMembers.size()) {
        return;
    }
    m_selectedMember = index;
    m_controls.Erase = true;
}

void GroupsModel::EraseClick() {
    if (m_selectedGroup < 0) {
        return;
    }
    m_state.GroupName = m_groups[static_cast<size_t>(m_selectedGroup)];
    auto& members = m_state.GroupMembers;
    if (m_selectedMember >= 0 && static_cast<size_t>(m_selectedMember) < members.size()) {
        members.erase(members.begin() + m_selectedMember);
    }
    m_selectedMember = -1;
    m_controls.SaveNew = true;
}

UserMessage GroupsModel::EraseGroupQuestion() {
    return UserMessage{QStringLiteral("Вы уверены что хотите удалить группу?"), QStringLiteral(" "),
                       MessageIcon::Warning, MessageButtons::YesNo};
}

void GroupsModel::EraseGroup() {
    if (m_selectedGroup < 0) {
        return;
    }
    const QString name = m_groups[static_cast<size_t>(m_selectedGroup)];
    m_groups.erase(m_groups.begin() + m_selectedGroup);
    DeleteGroup(m_state.StartDir, name);
    m_selectedGroup = -1;
    m_selectedMember = -1;
    m_state.GroupMembers.clear();
    // Nothing is shown any more: a save now would bring the deleted file back.
    m_controls.Load = m_controls.EraseGroup = false;
    m_controls.SaveNew = m_controls.Erase = false;
    m_controls.GroupBox1 = m_controls.Edit1 = m_controls.AddNew = false;
}

} // namespace ryvo
