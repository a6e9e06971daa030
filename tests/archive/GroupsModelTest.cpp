#include "archive/GroupsModel.h"
#include "core/ProgramState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace ryvo;

namespace {

int IndexOf(const GroupsModel& model, const QString& name) {
    const auto& groups = model.Groups();
    return static_cast<int>(std::find(groups.begin(), groups.end(), name) - groups.begin());
}

} // namespace

TEST(GroupsModel, MembersAreEditedOnlyForTheGroupTheyBelongTo) {
    test::TempDir dir;
    dir.Write(QStringLiteral("A.grp"), test::Cp1251Lines("a1\na2\n"));
    dir.Write(QStringLiteral("B.grp"), test::Cp1251Lines("b1\n"));
    ProgramState state;
    state.StartDir = dir.Path();
    GroupsModel model(state);
    model.Open();
    ASSERT_EQ(model.Groups().size(), 2u);

    ASSERT_FALSE(model.ListBox1Click(IndexOf(model, "A")).has_value());
    EXPECT_EQ(state.GroupMembers, (std::vector<QString>{"a1", "a2"}));
    EXPECT_TRUE(model.Controls().Load);
    model.LoadClick();
    EXPECT_EQ(state.GroupName, QStringLiteral("A"));
    EXPECT_EQ(state.LoadedGroup, IndexOf(model, "A"));
    EXPECT_TRUE(model.Controls().AddNew);

    // Clicking another group shows its members; adding waits for "Загрузить", so A's file
    // can never receive B's list.
    model.ListBox1Click(IndexOf(model, "B"));
    EXPECT_EQ(state.GroupMembers, (std::vector<QString>{"b1"}));
    EXPECT_FALSE(model.Controls().AddNew);
    EXPECT_FALSE(model.Controls().SaveNew);
    EXPECT_EQ(state.GroupName, QStringLiteral("A"));

    // Deleting a member saves into the group shown.
    model.ListBox2Click(0);
    EXPECT_TRUE(model.Controls().Erase);
    model.EraseClick();
    EXPECT_EQ(state.GroupName, QStringLiteral("B"));
    EXPECT_TRUE(state.GroupMembers.empty());
    ASSERT_FALSE(model.SaveNewClick().has_value());
    EXPECT_TRUE(dir.Read(QStringLiteral("B.grp")).isEmpty());
    EXPECT_EQ(dir.Read(QStringLiteral("A.grp")), test::Cp1251Lines("a1\na2\n"));
}

TEST(GroupsModel, CreatingAndDeletingGroups) {
    test::TempDir dir;
    dir.Write(QStringLiteral("A.grp"), test::Cp1251Lines("a1\n"));
    ProgramState state;
    state.StartDir = dir.Path();
    GroupsModel model(state);
    model.Open();
    model.NewClick();
    EXPECT_EQ(model.Edit2Text(), QStringLiteral("Введите название"));
    EXPECT_TRUE(model.Controls().CreateNew);

    // An existing name is emptied and listed a second time; LoadedGroup stays.
    ASSERT_FALSE(model.CreateNewClick(QStringLiteral("A")).has_value());
    EXPECT_EQ(model.Groups(), (std::vector<QString>{"A", "A"}));
    EXPECT_TRUE(dir.Read(QStringLiteral("A.grp")).isEmpty());
    EXPECT_EQ(state.GroupName, QStringLiteral("A"));
    EXPECT_EQ(state.LoadedGroup, -1);
    model.AddNewClick(QString());
    model.AddNewClick(QStringLiteral("Пётр"));
    ASSERT_FALSE(model.SaveNewClick().has_value());
    EXPECT_EQ(dir.Read(QStringLiteral("A.grp")), test::Cp1251Lines("\nПётр\n"));

    const auto refused = model.CreateNewClick(QStringLiteral("../x"));
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(refused->text.startsWith(QStringLiteral("Невозможно создать группу")));
    EXPECT_EQ(refused->caption, QStringLiteral("Ошибка!"));
    EXPECT_EQ(refused->buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(model.Groups().size(), 2u);
    EXPECT_EQ(state.GroupName, QStringLiteral("../x")); // taken before the file is tried
    EXPECT_TRUE(model.SaveNewClick().has_value());      // and never names a file

    model.ListBox1Click(0);
    model.EraseGroup();
    EXPECT_EQ(model.Groups().size(), 1u);
    EXPECT_FALSE(dir.Exists(QStringLiteral("A.grp")));
    EXPECT_TRUE(state.GroupMembers.empty());
    EXPECT_FALSE(model.Controls().SaveNew); // a save would bring the deleted file back
}
