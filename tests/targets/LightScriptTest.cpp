#include "targets/LightScript.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace ryvo;

TEST(LightScript, TextsAndLinesOfEachCommand) {
    EXPECT_EQ(ScreenText({kLampOn, 2, 0, 0}), QStringLiteral("Включить подсветку мишени 3"));
    EXPECT_EQ(MemoryLine({kLampOn, 2, 0, 0}), QStringLiteral("1 2"));
    EXPECT_EQ(ScreenText({kLampOff, 0, 0, 0}), QStringLiteral("Выключить подсветку мишени 1"));
    EXPECT_EQ(MemoryLine({kLampOff, 0, 0, 0}), QStringLiteral("2 0"));
    EXPECT_EQ(ScreenText({kPause, 0, 0, 2.0F}), QStringLiteral("Пауза 2.0 сек"));
    EXPECT_EQ(MemoryLine({kPause, 0, 0, 2.0F}), QStringLiteral("3 2.0"));
    EXPECT_EQ(MemoryLine({kPause, 0, 0, 12.5F}), QStringLiteral("3 12.5"));
    EXPECT_EQ(ScreenText({kFlashes, 1, 3, 0}), QStringLiteral("Выстрелы 2 мишени 3 шт"));
    EXPECT_EQ(MemoryLine({kFlashes, 1, 3, 0}), QStringLiteral("4 1 3"));
    EXPECT_EQ(ScreenText({kStop, 0, 0, 0}), QStringLiteral("Стоп"));
    EXPECT_EQ(MemoryLine({kStop, 0, 0, 0}), QStringLiteral("10"));
}

TEST(LightScript, SaveAndLoadRoundTrip) {
    test::TempDir dir;
    const QString path = dir.File(QStringLiteral("Targets.act"));
    const std::vector<QString> lines = {"1 0", "3 2.0", "4 0 3", "3 5.0", "2 0", "10"};
    ASSERT_TRUE(SaveScriptFile(path, lines));
    EXPECT_EQ(dir.Read(QStringLiteral("Targets.act")),
              QByteArray("1 0\r\n3 2.0\r\n4 0 3\r\n3 5.0\r\n2 0\r\n10\r\n"));
    const LoadedScript loaded = LoadScriptFile(path);
    EXPECT_TRUE(loaded.opened);
    EXPECT_EQ(loaded.lines, lines);
    ASSERT_EQ(loaded.screenTexts.size(), 6u);
    EXPECT_EQ(loaded.screenTexts[2], QStringLiteral("Выстрелы 1 мишени 3 шт"));
    EXPECT_EQ(loaded.screenTexts[5], QStringLiteral("Стоп"));
}

TEST(LightScript, FreeWhiteSpaceAndEarlyEnds) {
    test::TempDir dir;
    const QString path = dir.File(QStringLiteral("a.act"));
    dir.Write(QStringLiteral("a.act"), "1\n\n 4   3   3.5\r\n 4 1\n2 10 1 2");
    LoadedScript s = LoadScriptFile(path);
    EXPECT_EQ(s.lines, (std::vector<QString>{"1 4", "3 3.5", "4 1 2", "10"}));

    dir.Write(QStringLiteral("a.act"), "7 1 0\r\n10\r\n");
    s = LoadScriptFile(path);
    EXPECT_TRUE(s.opened);
    EXPECT_TRUE(s.lines.empty()); // unknown first code: empty, without a stop line

    dir.Write(QStringLiteral("a.act"), "1 0\r\n3 2.0\r\n");
    s = LoadScriptFile(path);
    EXPECT_EQ(s.lines, (std::vector<QString>{"1 0", "3 2.0"})); // no stop line in the file

    s = LoadScriptFile(dir.File(QStringLiteral("missing.act")));
    EXPECT_FALSE(s.opened);
    EXPECT_EQ(s.lines, std::vector<QString>{"10"});
    EXPECT_EQ(s.screenTexts, std::vector<QString>{"Стоп"});
}

TEST(LightScript, LimitsRefuseOversizedScripts) {
    test::TempDir dir;
    const QString path = dir.File(QStringLiteral("big.act"));
    QByteArray many;
    for (int i = 0; i < 100; ++i) {
        many += "2 1\r\n";
    }
    dir.Write(QStringLiteral("big.act"), many + "10\r\n");
    LoadedScript s = LoadScriptFile(path);
    EXPECT_FALSE(s.opened);
    EXPECT_FALSE(s.error.isEmpty());
    EXPECT_EQ(s.lines, std::vector<QString>{"10"});

    dir.Write(QStringLiteral("big.act"), many.left(99 * 5) + "10\r\n");
    s = LoadScriptFile(path);
    EXPECT_TRUE(s.opened);
    EXPECT_EQ(s.lines.size(), 100u);

    dir.Write(QStringLiteral("big.act"), "4 4000000000 4000000000\r\n10\r\n");
    s = LoadScriptFile(path);
    EXPECT_FALSE(s.opened);
    EXPECT_TRUE(s.error.contains(QStringLiteral("19")));

    EXPECT_FALSE(ScriptLimitError(100, QStringLiteral("4 1 3")).has_value());
    EXPECT_TRUE(ScriptLimitError(101, QStringLiteral("4 1 3")).has_value());
}

TEST(LightScript, ParseLinesForTheExecutor) {
    auto c = ParseScriptLine(QStringLiteral("4 1 3"));
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->code, static_cast<std::uint32_t>(kFlashes));
    EXPECT_EQ(c->target, 1u);
    EXPECT_EQ(c->count, 3u);
    c = ParseScriptLine(QStringLiteral("3 2.5"));
    ASSERT_TRUE(c.has_value());
    EXPECT_FLOAT_EQ(c->seconds, 2.5F);
    EXPECT_FALSE(ParseScriptLine(QStringLiteral("")).has_value());
}
