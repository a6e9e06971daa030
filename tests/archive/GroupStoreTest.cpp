#include "archive/GroupStore.h"
#include "archive/ArchiveStore.h"
#include "support/TempDir.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

using namespace ryvo;

TEST(GroupStore, MembersSplitAtEveryKindOfLineEnd) {
    EXPECT_EQ(ParseGroupMembers("a\r\nb\rc\n\r\nd"),
              (std::vector<QString>{"a", "b", "c", "", "d"}));
    EXPECT_EQ(ParseGroupMembers("\r\n"), (std::vector<QString>{""}));
    EXPECT_TRUE(ParseGroupMembers(QByteArray()).empty());
    EXPECT_EQ(ParseGroupMembers("\xC8\xE2\xE0\xED\r\n"), (std::vector<QString>{"Иван"}));
    EXPECT_EQ(GroupImage({QStringLiteral("Иван"), QString()}),
              QByteArray("\xC8\xE2\xE0\xED\r\n\r\n"));
}

TEST(GroupStore, FilesInTheStartDirectory) {
    test::TempDir dir;
    const QString start = dir.Path();
    EXPECT_TRUE(ListGroups(start).empty());
    ASSERT_TRUE(CreateGroup(start, QStringLiteral("Взвод 1")));
    EXPECT_TRUE(dir.Exists(QStringLiteral("Взвод 1.grp")));
    ASSERT_TRUE(WriteGroup(start, QStringLiteral("Взвод 1"), {"Иван", "Пётр"}));
    EXPECT_EQ(dir.Read(QStringLiteral("Взвод 1.grp")), test::Cp1251Lines("Иван\nПётр\n"));
    EXPECT_EQ(*ReadGroup(start, QStringLiteral("Взвод 1")), (std::vector<QString>{"Иван", "Пётр"}));
    // Creating an existing group empties it.
    ASSERT_TRUE(CreateGroup(start, QStringLiteral("Взвод 1")));
    EXPECT_TRUE(ReadGroup(start, QStringLiteral("Взвод 1"))->empty());
    dir.Write(QStringLiteral("notes.txt"), "x");
    QDir().mkpath(dir.File(QStringLiteral("folder.grp")));
    EXPECT_EQ(ListGroups(start), (std::vector<QString>{"Взвод 1"}));
    // No temporary files are left beside the list.
    EXPECT_EQ(QDir(start).entryList(QDir::Files).size(), 2);

    EXPECT_FALSE(ReadGroup(start, QStringLiteral("Нет")).has_value());
    EXPECT_TRUE(DeleteGroup(start, QStringLiteral("Взвод 1")));
    EXPECT_FALSE(dir.Exists(QStringLiteral("Взвод 1.grp")));

    // Names that would leave the start directory are refused by every operation.
    EXPECT_FALSE(CreateGroup(start, QStringLiteral("../evil")));
    EXPECT_FALSE(WriteGroup(start, QStringLiteral("a/b"), {"x"}));
    EXPECT_FALSE(ReadGroup(start, QStringLiteral("../evil")).has_value());
    EXPECT_FALSE(DeleteGroup(start, QStringLiteral("..")));
    EXPECT_FALSE(QFile::exists(QDir(start).filePath(QStringLiteral("../evil.grp"))));
}

// Qt takes a path that begins with ":" for one of its built-in resources: a group typed so
// must still be a file of the start directory, read back as written.
TEST(GroupStore, ANameBeginningWithAColonIsAFileOfItsFolder) {
    test::TempDir dir;
    const QString name = QStringLiteral(":2.<%,%");
    ASSERT_TRUE(WriteGroup(dir.Path(), name, {"Иван"}));
    EXPECT_TRUE(QFileInfo::exists(dir.Path() + QStringLiteral("/:2.<%,%.grp")));
    EXPECT_EQ(ReadGroup(dir.Path(), name), (std::vector<QString>{"Иван"}));
    EXPECT_TRUE(DeleteGroup(dir.Path(), name));

    NewResult result;
    result.shooter = QStringLiteral("Иван");
    result.targetType = 1;
    result.shots = {{1.0F, 2.0F}};
    const AppendOutcome saved =
        AppendResult(dir.Path(), QStringLiteral(":Взвод"), SaveTime{2026, 12, 9, 10, 5}, result);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(saved.path, MonthFolderPath(dir.Path(), 2026, 12) + QStringLiteral("/:Взвод.rec"));
    ArchiveTables tables;
    ASSERT_TRUE(ReadGroupFile(tables, saved.path, ShotScorer{}));
    EXPECT_EQ(tables.ArchiveRecords.size(), 1u);
}
