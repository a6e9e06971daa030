#include "platform/FolderListing.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace ryvo;
using ryvo::test::TempDir;

// The archive index compares these stamps with the ones it stored: a stamp in other units
// would make every step read every file again.
TEST(FolderListing, FilesOfTheSuffixesWithTheStampsQFileInfoGives) {
    TempDir dir;
    dir.Write(QStringLiteral("Взвод 1.rec"), "12345");
    dir.Write(QStringLiteral(".rec"), "1");
    dir.Write(QStringLiteral("Взвод 1.rex"), "ab");
    dir.Write(QStringLiteral("Взвод 1.trc"), "abc");
    ASSERT_TRUE(QDir(dir.Path()).mkdir(QStringLiteral("папка.rec")));
    QFile stamped(dir.File(QStringLiteral("Взвод 1.rec")));
    ASSERT_TRUE(stamped.open(QIODevice::ReadWrite));
    ASSERT_TRUE(stamped.setFileTime(QDateTime::fromMSecsSinceEpoch(1'700'000'123'456),
                                    QFileDevice::FileModificationTime));
    stamped.close();
#if defined(Q_OS_UNIX)
    ASSERT_TRUE(QFile::link(dir.File(QStringLiteral("нет такого")), dir.File("висит.rec")));
    ASSERT_TRUE(QFile::link(dir.File(QStringLiteral(".rec")), dir.File("ссылка.rec")));
#endif

    std::vector<ListedFile> files =
        ListFiles(dir.Path(), {QStringLiteral(".rec"), QStringLiteral(".rex")});
    std::sort(files.begin(), files.end(),
              [](const ListedFile& a, const ListedFile& b) { return a.name < b.name; });
    std::vector<QString> names;
    for (const ListedFile& file : files) {
        names.push_back(file.name);
        const QFileInfo info(dir.File(file.name));
        EXPECT_EQ(file.size, info.size()) << file.name.toStdString();
        EXPECT_EQ(file.modifiedMs, info.lastModified().toMSecsSinceEpoch())
            << file.name.toStdString();
    }
    std::vector<QString> expected = {QStringLiteral(".rec"), QStringLiteral("Взвод 1.rec"),
                                     QStringLiteral("Взвод 1.rex")};
#if defined(Q_OS_UNIX)
    expected.push_back(QStringLiteral("ссылка.rec"));
#endif
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    EXPECT_EQ(files[1].modifiedMs, 1'700'000'123'456);

    EXPECT_TRUE(ListFiles(dir.File(QStringLiteral("нет")), {QStringLiteral(".rec")}).empty());
}
