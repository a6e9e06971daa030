#include "platform/ResourceLibrary.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace ryvo;

TEST(ResourceLibrary, LoadsStringsPicturesAndRawData) {
    test::TempDir start;
    test::TempDir data;
    data.Write(
        QStringLiteral("Targets/strings.txt"),
        QStringLiteral("1\t2\r\n101\tМишень полицейская\nbad line\n102\tБегущая\n").toUtf8());
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(data.File(QStringLiteral("Targets/1001.png"))));
    data.Write(QStringLiteral("Targets/2151.wav"), "RIFFdata");

    // Not in the start directory: found in the data directory.
    auto lib = ResourceLibrary::Load(QStringLiteral("Targets"), {start.Path(), data.Path()});
    ASSERT_TRUE(lib.has_value());
    EXPECT_EQ(lib->String(1), QStringLiteral("2"));
    EXPECT_EQ(lib->String(101), QStringLiteral("Мишень полицейская"));
    EXPECT_EQ(lib->String(102), QStringLiteral("Бегущая"));
    EXPECT_FALSE(lib->String(103).has_value());
    EXPECT_EQ(lib->Bitmap(1001).size(), QSize(8, 8));
    EXPECT_TRUE(lib->Bitmap(1002).isNull());
    EXPECT_EQ(lib->Raw(2151), QByteArray("RIFFdata"));
    EXPECT_FALSE(lib->Raw(2152).has_value());

    // A pack in the start directory wins over the data directory.
    start.Write(QStringLiteral("Targets/strings.txt"), "1\t0\n");
    lib = ResourceLibrary::Load(QStringLiteral("Targets"), {start.Path(), data.Path()});
    ASSERT_TRUE(lib.has_value());
    EXPECT_EQ(lib->String(1), QStringLiteral("0"));

    EXPECT_FALSE(
        ResourceLibrary::Load(QStringLiteral("Sounds"), {start.Path(), data.Path()}).has_value());
}
