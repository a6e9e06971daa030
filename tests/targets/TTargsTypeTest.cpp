#include "targets/TTargsType.h"
#include "support/TempDir.h"
#include "targets/TargetDrawing.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>

using namespace ryvo;

namespace {

struct LaneTargets {
    test::TempDir dir;
    ProgramState state;
    std::unique_ptr<TTargsType> page;
    int individualChoices = 0;

    explicit LaneTargets(int libraryTargets) {
        state.StartDir = dir.Path();
        ApplyBuiltInDefaults(state.settings);
        if (libraryTargets > 0) {
            QDir(dir.Path()).mkdir(QStringLiteral("Targets"));
            QByteArray strings = "1\t" + QByteArray::number(libraryTargets) + "\n";
            for (int i = 1; i <= libraryTargets; ++i) {
                strings += QByteArray::number(100 + i) + "\tЦель " + QByteArray::number(i) + "\n";
                QImage picture(20, 20, QImage::Format_RGB32);
                picture.fill(QColor(0, 0, 40 * i));
                picture.save(dir.File(QStringLiteral("Targets/%1.png").arg(1000 + i)));
            }
            dir.Write(QStringLiteral("Targets/strings.txt"), strings);
        }
        LoadTargetLibrary(state);
        page = std::make_unique<TTargsType>(state, Services{});
        page->FillLists();
        page->onIndividualChoice = [this] { ++individualChoices; };
    }
};

} // namespace

TEST(TTargsType, ListsFollowTheLanesInUse) {
    LaneTargets w(0);
    w.state.settings.Target = {1, 2, -1, -1, -1, -1, -1, -1};
    w.page->FormActivate();
    ASSERT_EQ(w.page->List(0)->count(), 2);
    EXPECT_EQ(w.page->List(0)->currentText(), QStringLiteral("Мишень N4"));
    EXPECT_EQ(w.page->List(1)->currentText(), QStringLiteral("Спортивная"));
    EXPECT_FALSE(w.page->List(0)->isHidden());
    for (int lane = 2; lane < 5; ++lane) {
        EXPECT_TRUE(w.page->List(lane)->isHidden()) << lane;
    }
    // Lane 0's picture is the N4 target, drawn as the target module draws it.
    ImageCanvas expected(TTargsType::kPictureSize, TTargsType::kPictureSize, kButtonFace);
    DrawN4Target(expected);
    EXPECT_EQ(w.page->Picture(0), expected.Image());
    EXPECT_EQ(w.individualChoices, 0); // showing the settings is not a choice

    w.page->List(0)->setCurrentIndex(1);
    EXPECT_EQ(w.state.settings.Target[0], 2);
    ImageCanvas sport(TTargsType::kPictureSize, TTargsType::kPictureSize, kButtonFace);
    DrawSportTarget(sport);
    EXPECT_EQ(w.page->Picture(0), sport.Image());
    EXPECT_EQ(w.individualChoices, 1);
    EXPECT_EQ(w.state.settings.Target[2], -1);
}

TEST(TTargsType, LibraryTargetsAndStaleTypes) {
    LaneTargets w(3);
    w.state.settings.Target = {1, 1, 9, -1, -1, -1, -1, -1};
    w.page->FormActivate();
    ASSERT_EQ(w.page->List(1)->count(), 5);
    EXPECT_EQ(w.page->List(1)->itemText(3), QStringLiteral("Цель 2"));
    EXPECT_EQ(w.page->List(2)->currentIndex(), -1); // type beyond the list

    w.page->List(1)->setCurrentIndex(3); // the library's second target
    EXPECT_EQ(w.state.settings.Target[1], 4);
    const QImage picture = w.page->Picture(1);
    EXPECT_EQ(picture.pixelColor(50, 50), QColor(0, 0, 80)); // bitmap 1002, stretched
}
