#include "core/LaneAssignment.h"
#include "core/ProgramState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace ryvo;

namespace {

LaneNames Names(std::initializer_list<const char*> names) {
    LaneNames lanes;
    size_t i = 0;
    for (const char* name : names) {
        lanes[i++] = QString::fromUtf8(name);
    }
    return lanes;
}

} // namespace

TEST(LaneAssignment, LaneByLaneTakesTypedOrGroupNamesCleaned) {
    ProgramState state;
    AssignLane(state, 0, QStringLiteral("  Иванов И.И. "));
    // A line break would split the record the name goes into.
    AssignLane(state, 2, QStringLiteral("Петров\r\nСидоров"));
    AssignLane(state, 4, QString(120, QLatin1Char('x')));
    AssignLane(state, 5, QStringLiteral("вне"));
    AssignLane(state, -1, QStringLiteral("вне"));
    EXPECT_EQ(state.LaneShooter[0], QStringLiteral("Иванов И.И."));
    EXPECT_EQ(state.LaneShooter[2], QStringLiteral("Петров  Сидоров"));
    EXPECT_EQ(state.LaneShooter[4].size(), 98);
    AssignLane(state, 0, QString());
    EXPECT_TRUE(state.LaneShooter[0].isEmpty());
    EXPECT_TRUE(state.LaneShooter[1].isEmpty());
    EXPECT_EQ(state.LaneShooter[2], QStringLiteral("Петров  Сидоров"));
}

// Seven shooters, four present lanes (lane 3 is absent): relays of four, three and then the
// list from its top again; an empty member line is nobody.
TEST(LaneAssignment, ByListFillsThePresentLanesRelayAfterRelay) {
    ProgramState state;
    state.LanePresent = {1, 1, 0, 1, 1};
    EXPECT_FALSE(AssignFromList(state)) << "no group loaded";
    state.LoadedGroup = 0;
    state.GroupMembers = {QString()};
    EXPECT_FALSE(AssignFromList(state)) << "a group of nobody";
    EXPECT_EQ(state.LaneShooter, LaneNames{});

    state.GroupMembers = {QStringLiteral("А"), QStringLiteral("Б"), QString(),
                          QStringLiteral("В"), QStringLiteral("Г"), QStringLiteral("Д"),
                          QStringLiteral("Е"), QStringLiteral("Ж")};
    ASSERT_TRUE(AssignFromList(state));
    EXPECT_EQ(state.LaneShooter, Names({"А", "Б", "", "В", "Г"}));
    ASSERT_TRUE(AssignFromList(state));
    EXPECT_EQ(state.LaneShooter, Names({"Д", "Е", "", "Ж", ""}));
    ASSERT_TRUE(AssignFromList(state));
    EXPECT_EQ(state.LaneShooter, Names({"А", "Б", "", "В", "Г"}));

    // Lane 4's shooter was replaced by a typed name: the next relay starts after the last
    // listed shooter still standing, so Г is not passed over.
    AssignLane(state, 4, QStringLiteral("Гость"));
    ASSERT_TRUE(AssignFromList(state));
    EXPECT_EQ(state.LaneShooter, Names({"Г", "Д", "", "Е", "Ж"}));

    // The two-shooter window's relay stands on its two lanes only.
    ASSERT_TRUE(AssignFromList(state, {0, 1}));
    EXPECT_EQ(state.LaneShooter, Names({"Е", "Ж", "", "Е", "Ж"}));
    ASSERT_TRUE(AssignFromList(state, {0, 1}));
    EXPECT_EQ(state.LaneShooter, Names({"А", "Б", "", "Е", "Ж"}));
}

TEST(LaneAssignment, TheFileReadsBackAndABadOneIsNoAssignment) {
    test::TempDir dir;
    ProgramState state;
    state.StartDir = dir.Path();
    state.LaneShooter = Names({"Иванов", "", "Сидоров", "", "Петров П."});
    ASSERT_TRUE(WriteLaneShooters(state));
    EXPECT_EQ(dir.Read(QStringLiteral("ryvw.lns")),
              QStringLiteral("ryvo-lanes 1\n1\tИванов\n3\tСидоров\n5\tПетров П.\n").toUtf8());
    EXPECT_FALSE(dir.Exists(QStringLiteral("ryvw.cfg")));

    // Start-up reads it back.
    ProgramState next;
    next.StartDir = dir.Path();
    GlobalInitialisation(next);
    EXPECT_EQ(next.LaneShooter, state.LaneShooter);

    // CR LF (edited on Windows) is fine.
    EXPECT_EQ(ParseLaneShooters("ryvo-lanes 1\r\n2\tБ\r\n"), Names({"", "Б", "", "", ""}));
    for (const QByteArray& bad :
         {QByteArray(), QByteArray("ryvo-lanes 2\n1\tА\n"), QByteArray("1\tА\n"),
          QByteArray("ryvo-lanes 1\n6\tА\n"), QByteArray("ryvo-lanes 1\n0\tА\n"),
          QByteArray("ryvo-lanes 1\n1\tА\n1\tБ\n"), QByteArray("ryvo-lanes 1\nА\n"),
          QByteArray("ryvo-lanes 1\n1\t\xff\xfe\n"), QByteArray("ryvo-lanes 1\nx\tА\n")}) {
        EXPECT_EQ(ParseLaneShooters(bad), LaneNames{}) << bad.toStdString();
    }
    dir.Write(QStringLiteral("ryvw.lns"), "ryvo-lanes 1\n1\tА\n9\tБ\n");
    next.LaneShooter = Names({"x", "x", "x", "x", "x"});
    ReadLaneShooters(next);
    EXPECT_EQ(next.LaneShooter, LaneNames{});
    QFile::remove(dir.File(QStringLiteral("ryvw.lns")));
    next.LaneShooter = Names({"x", "x", "x", "x", "x"});
    ReadLaneShooters(next);
    EXPECT_EQ(next.LaneShooter, LaneNames{});
}
