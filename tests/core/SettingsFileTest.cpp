#include "core/SettingsFile.h"
#include "core/ProgramState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace ryvo;

namespace {

Settings Defaults() {
    Settings s;
    ApplyBuiltInDefaults(s);
    return s;
}

Settings ReadText(const QString& text, Settings start = Defaults()) {
    test::TempDir dir;
    dir.Write(QStringLiteral("ryvw.cfg"), test::Cp1251Lines(text));
    ReadSettings(start, dir.File(QStringLiteral("ryvw.cfg")));
    return start;
}

} // namespace

TEST(SettingsFile, FirstStartImageIsByteExact) {
    // Built line by line from the file rules: "; comment", "Key = value", CR LF, cp1251.
    const QString expected = QStringLiteral("; Шрифт\n"
                                            "Font = \n"
                                            "; Размер шрифта\n"
                                            "FontSize = 0\n"
                                            "; Тип мишени\n"
                                            "Target =  -1 -1 -1 -1 -1\n"
                                            "; Время на выстрел\n"
                                            "Time = 3\n"
                                            "; Число выстрелов\n"
                                            "ShootsNumber = 3\n"
                                            "; Номер стрелка\n"
                                            "Shooter = 0\n"
                                            "; Адрес последовательного порта (hex)\n"
                                            "SerialPort = \n"
                                            "; Наличие следа прицела\n"
                                            "EnableTrace = 0\n"
                                            "; Прием через последовательный порт\n"
                                            "IO_Serial = 0\n"
                                            "; Повтор серии\n"
                                            "RepeatTime = -1\n"
                                            "; Интервал обновления\n"
                                            "NumReps = 0\n"
                                            "; Показывать срыв курка\n"
                                            "FlagPostGunEnable = 0\n"
                                            "; Показывать прицел\n"
                                            "FlagGunEnable = 0\n"
                                            "; Умная мишень\n"
                                            "SmartTarget = 0\n"
                                            "; Звук начала стрельбы\n"
                                            "Sound1 = 0\n"
                                            "; Звук выстрела\n"
                                            "Sound2 = 0\n"
                                            "; Звук конца стрельбы\n"
                                            "Sound3 = 0\n"
                                            "; Перенос огня\n"
                                            "TargetsChange = 0\n"
                                            "; Тип оружия\n"
                                            "WeaponType = 0\n");
    const QByteArray image = SettingsFileImage(Defaults());
    EXPECT_EQ(image, test::Cp1251Lines(expected));
    EXPECT_TRUE(image.endsWith("WeaponType = 0\r\n"));
    EXPECT_EQ(image.count('\n'), 38);
    EXPECT_EQ(image.count('\r'), 38);
    EXPECT_TRUE(image.startsWith("; \xD8\xF0\xE8\xF4\xF2\r\n")); // "Шрифт" in cp1251
}

TEST(SettingsFile, StringTableHoldsCommentsAndKeys) {
    EXPECT_EQ(SettingsString(101), QStringLiteral("Шрифт"));
    EXPECT_EQ(SettingsString(102), QStringLiteral("Font"));
    EXPECT_EQ(SettingsString(138), QStringLiteral("WeaponType"));
    EXPECT_EQ(SettingsString(113), QStringLiteral("Адрес последовательного порта (hex)"));
    EXPECT_TRUE(SettingsString(100).isEmpty());
    EXPECT_TRUE(SettingsString(139).isEmpty());
}

TEST(SettingsFile, RoundTripKeepsEveryStoredField) {
    Settings s = Defaults();
    s.Font = QStringLiteral("Times New Roman Cyr");
    s.FontSize = 14;
    s.Target = {3, 2, 1, -1, 4, -1, -1, -1};
    s.Time = 10;
    s.ShootsNumber = 8;
    s.Shooter = 31;
    s.SerialPort = QStringLiteral("/dev/ttyUSB0");
    s.EnableTrace = 1;
    s.IO_Serial = 1;
    s.RepeatEnabled = 1;
    s.RepeatTime = 25;
    s.NumReps = 7;
    s.FlagPostGunEnable = 1;
    s.FlagGunEnable = 1;
    s.SmartTarget = 1;
    s.Sound1 = 2;
    s.Sound2 = 4294967295U; // a list without a selection
    s.Sound3 = 1;
    s.TargetsChange = 1;
    s.WeaponType = 1;

    test::TempDir dir;
    const QString path = dir.File(QStringLiteral("ryvw.cfg"));
    ASSERT_TRUE(WriteSettings(s, path));
    Settings back = Defaults();
    ReadSettings(back, path);
    EXPECT_EQ(back, s);

    // Repeat off loses the pause: it comes back as 10.
    s.RepeatEnabled = 0;
    s.RepeatTime = 25;
    ASSERT_TRUE(WriteSettings(s, path));
    back = Defaults();
    ReadSettings(back, path);
    EXPECT_EQ(back.RepeatEnabled, 0u);
    EXPECT_EQ(back.RepeatTime, 10);
    back.RepeatTime = 25;
    EXPECT_EQ(back, s);
}

// What the program writes, it reads back to the same settings and rewrites byte for byte,
// also with the texts left empty.
TEST(SettingsFile, WrittenFileReadsBackAndRewritesByteForByte) {
    test::TempDir dir;
    const QString path = dir.File(QStringLiteral("ryvw.cfg"));
    Settings emptyTexts = Defaults();
    emptyTexts.SerialPort.clear();
    emptyTexts.Font.clear();
    emptyTexts.Shooter = 2;
    emptyTexts.RepeatEnabled = 1; // repeat off would come back with a pause of 10
    emptyTexts.RepeatTime = 5;
    Settings full = emptyTexts;
    full.SerialPort = QStringLiteral("COM4");
    full.Font = QStringLiteral("Arial Cyr");
    for (const Settings& s : {emptyTexts, full}) {
        ASSERT_TRUE(WriteSettings(s, path));
        const QByteArray first = dir.Read(QStringLiteral("ryvw.cfg"));
        Settings back = Defaults();
        back.SerialPort = QStringLiteral("COM1"); // an empty name must replace what was there
        ReadSettings(back, path);
        EXPECT_EQ(back.SerialPort, s.SerialPort);
        EXPECT_EQ(back, s);
        ASSERT_TRUE(WriteSettings(back, path));
        EXPECT_EQ(dir.Read(QStringLiteral("ryvw.cfg")), first);
    }
    // Blanks after " = " still mean no name; a key ending its line too.
    EXPECT_EQ(ReadText("SerialPort =    \nShooter = 2\n").SerialPort, QString());
    const Settings ended = ReadText("SerialPort\nCOM7\n");
    EXPECT_EQ(ended.SerialPort, QString());
    EXPECT_EQ(ReadText("SerialPort = ").SerialPort, QString());
}

TEST(SettingsFile, RepeatTimeAndNumberForms) {
    EXPECT_EQ(ReadText("RepeatTime = -1\n").RepeatEnabled, 0u);
    EXPECT_EQ(ReadText("RepeatTime = -1\n").RepeatTime, 10);
    const Settings zero = ReadText("RepeatTime = 0\n");
    EXPECT_EQ(zero.RepeatEnabled, 1u);
    EXPECT_EQ(zero.RepeatTime, 0);
    EXPECT_EQ(ReadText("RepeatTime = 0x1A\n").RepeatTime, 26);
    EXPECT_EQ(ReadText("RepeatTime = 010\n").RepeatTime, 8);
    EXPECT_EQ(ReadText("Time = -1\n").Time, 4294967295u);
    EXPECT_EQ(ReadText("Sound1 = 4294967295\n").Sound1, 4294967295u);
    EXPECT_EQ(ReadText("WeaponType = 7\nTargetsChange = 0\nSmartTarget = 2\n").WeaponType, 1u);
    EXPECT_EQ(ReadText("SmartTarget = 2\n").SmartTarget, 1u);
}

TEST(SettingsFile, TargetLineSetsFiveLanesOnly) {
    const Settings s = ReadText("Target =  3 3 -1 -1 -1\n");
    EXPECT_EQ(s.Target[0], 3);
    EXPECT_EQ(s.Target[1], 3);
    for (int lane = 2; lane < kLaneSlots; ++lane) {
        EXPECT_EQ(s.Target[static_cast<size_t>(lane)], -1) << lane;
    }
    // A value that does not convert stops the line there; the rest keep their values.
    const Settings partial = ReadText("Target =  1 2 x 4 5\n");
    EXPECT_EQ(partial.Target[0], 1);
    EXPECT_EQ(partial.Target[1], 2);
    EXPECT_EQ(partial.Target[2], -1);
    EXPECT_EQ(partial.Target[3], -1);
}

TEST(SettingsFile, OrderRepeatsCommentsAndBlankLines) {
    const Settings s = ReadText("\n\n; anything at all Time = 99\n"
                                "ShootsNumber = 8\n"
                                "; Время\n"
                                "Time = 10\n"
                                "\n"
                                "Time = 20\n"
                                "Unknown = 5 6 7\n"
                                "Shooter = 2\n");
    EXPECT_EQ(s.Time, 20u); // the last one wins; the comment line is skipped whole
    EXPECT_EQ(s.ShootsNumber, 8u);
    EXPECT_EQ(s.Shooter, 2u);
}

TEST(SettingsFile, SemicolonCountsOnlyAsAWholeWord) {
    // ";x" is an ordinary word: the rest of the line is read word by word.
    const Settings s = ReadText(";x Time = 10\nShootsNumber = 5\n");
    EXPECT_EQ(s.Time, 10u);
    EXPECT_EQ(s.ShootsNumber, 5u);
    // "; " skips the whole line whatever follows.
    EXPECT_EQ(ReadText("; Time = 10\n").Time, 3u);
    // Only 249 characters of a comment are skipped; the rest is read as words.
    const QString longComment = "; " + QString(260, u'a') + " Time = 44\n";
    EXPECT_EQ(ReadText(longComment).Time, 44u);
    // Here the cut falls inside the key, which then no longer matches.
    const QString cutKey = "; " + QString(246, u'a') + " Time = 44\n";
    EXPECT_EQ(ReadText(cutKey).Time, 3u);
}

TEST(SettingsFile, ThreeCharactersFollowEveryKey) {
    // Key, "=" and value as one word match no key: the line is ignored.
    EXPECT_EQ(ReadText("Time=10\n").Time, 3u);
    // Whatever the three characters are, the value is looked for after them.
    EXPECT_EQ(ReadText("Time  =  7\n").Time, 7u);
    // " =7" swallows the digit; the next line's first word then fails to convert.
    const Settings digit = ReadText("Time =7\nShooter = 2\n");
    EXPECT_EQ(digit.Time, 3u);
    EXPECT_EQ(digit.Shooter, 2u);
    // A line end stops the three: the value is taken from the next line.
    EXPECT_EQ(ReadText("Time\n12\n").Time, 12u);
}

TEST(SettingsFile, FontAndSerialPortWords) {
    EXPECT_EQ(ReadText("Font = Arial Cyr\n").Font, QStringLiteral("Arial Cyr"));
    Settings withFont = Defaults();
    withFont.Font = QStringLiteral("old");
    EXPECT_EQ(ReadText("Font = \nFontSize = 12\n", withFont).Font, QString());
    EXPECT_EQ(ReadText("SerialPort = COM2 trailing\n").SerialPort, QStringLiteral("COM2"));
    const QString longPort = "SerialPort = " + QString(80, u'P') + "\n";
    EXPECT_EQ(ReadText(longPort).SerialPort.size(), 53);
    EXPECT_EQ(ReadText("Font = Шрифт Кириллица\n").Font, QStringLiteral("Шрифт Кириллица"));
}

TEST(SettingsFile, UnconvertibleValueKeepsField) {
    const Settings s = ReadText("Time = abc\nSound2 = x\nWeaponType = y\nShootsNumber = 9\n");
    EXPECT_EQ(s.Time, 3u);
    EXPECT_EQ(s.Sound2, 0u);
    EXPECT_EQ(s.WeaponType, 0u);
    EXPECT_EQ(s.ShootsNumber, 9u);
}

TEST(SettingsFile, MissingFileKeepsEverything) {
    Settings s = Defaults();
    s.Time = 77;
    ReadSettings(s, QStringLiteral("/nonexistent/ryvw.cfg"));
    EXPECT_EQ(s.Time, 77u);
}

TEST(SettingsFile, FailedWriteKeepsOldFile) {
    test::TempDir dir;
    dir.Write(QStringLiteral("ryvw.cfg"), "old contents");
    // A directory in the way of the temporary/rename step: the write must fail cleanly.
    EXPECT_FALSE(WriteSettings(Defaults(), dir.File(QStringLiteral("missing/ryvw.cfg"))));
    EXPECT_EQ(dir.Read(QStringLiteral("ryvw.cfg")), QByteArray("old contents"));
}

TEST(RemarksFile, LinesPiecesAndLimits) {
    test::TempDir dir;
    const QString path = dir.File(QStringLiteral("ryvw.cmt"));
    dir.Write(QStringLiteral("ryvw.cmt"), test::Cp1251Lines("Отлично\n\nХорошо"));
    auto remarks = ReadRemarks(path);
    ASSERT_EQ(remarks.size(), 2u);
    EXPECT_EQ(remarks[0], QStringLiteral("Отлично"));
    EXPECT_EQ(remarks[1], QStringLiteral("Хорошо")); // no newline at the end: kept whole

    // A 450-character line comes in pieces of 199, 199 and 52.
    dir.Write(QStringLiteral("ryvw.cmt"), QByteArray(450, 'a') + "\r\n");
    remarks = ReadRemarks(path);
    ASSERT_EQ(remarks.size(), 3u);
    EXPECT_EQ(remarks[0].size(), 199);
    EXPECT_EQ(remarks[1].size(), 199);
    EXPECT_EQ(remarks[2].size(), 52);

    // Exactly 199 characters and a line end: the line end alone makes an empty piece.
    dir.Write(QStringLiteral("ryvw.cmt"), QByteArray(199, 'b') + "\r\nc\r\n");
    remarks = ReadRemarks(path);
    ASSERT_EQ(remarks.size(), 2u);
    EXPECT_EQ(remarks[1], QStringLiteral("c"));

    QByteArray many;
    for (int i = 0; i < 60; ++i) {
        many += QByteArray::number(i) + "\r\n";
    }
    dir.Write(QStringLiteral("ryvw.cmt"), many);
    remarks = ReadRemarks(path);
    ASSERT_EQ(remarks.size(), 50u);
    EXPECT_EQ(remarks.back(), QStringLiteral("49"));

    EXPECT_TRUE(ReadRemarks(dir.File(QStringLiteral("none.cmt"))).empty());
}
