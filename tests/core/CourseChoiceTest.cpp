#include "core/CourseChoice.h"
#include "core/ProgramState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace ryvo;

TEST(CourseChoice, NameKeptBesideTheSettingsAndFoundAmongTheCourses) {
    test::TempDir dir;
    ProgramState state;
    state.StartDir = dir.Path();
    EXPECT_EQ(ReadCourseChoice(state), QString()) << "no file: the plain series";

    Course slow;
    slow.name = QStringLiteral("Медленная стрельба");
    Course drill;
    drill.name = QStringLiteral("Служебное упражнение");
    state.ChosenCourse = drill;
    ASSERT_TRUE(WriteCourseChoice(state));
    EXPECT_EQ(dir.Read(QString::fromLatin1(kCourseChoiceFileName)),
              QStringLiteral("Ryvo course choice 1\r\nСлужебное упражнение\r\n").toUtf8());
    const QString name = ReadCourseChoice(state);
    EXPECT_EQ(name, drill.name);
    const auto found = CourseNamed({slow, drill}, name);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->name, drill.name);
    EXPECT_FALSE(CourseNamed({slow}, name).has_value()) << "a course gone: the plain series";

    state.ChosenCourse.reset();
    ASSERT_TRUE(WriteCourseChoice(state));
    EXPECT_EQ(ReadCourseChoice(state), QString());

    // Another file's bytes, or a name split over lines, never choose a course.
    EXPECT_EQ(ParseCourseChoice("1\tИванов\r\n"), QString());
    EXPECT_EQ(ParseCourseChoice(CourseChoiceImage(QStringLiteral("Две\nстроки"))),
              QStringLiteral("Две строки"));
}
