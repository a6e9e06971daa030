#include "archive/ArchiveStore.h"
#include "core/ProgramState.h"
#include "support/TempDir.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>

using namespace ryvo;

namespace {

const SaveTime kDecember{2008, 12, 7, 9, 5};

NewResult Series(const QString& shooter, std::int32_t type, std::vector<ShotPoint> shots,
                 const QString& comment = QString()) {
    NewResult r;
    r.shooter = shooter;
    r.targetType = type;
    r.plannedShots = 10;
    r.timeLimit = 0;
    r.shootTime = 12.5F;
    r.comment = comment;
    r.shots = std::move(shots);
    return r;
}

QByteArray Records(int count, int shotsEach = 1) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        std::vector<ShotPoint> shots(static_cast<size_t>(shotsEach),
                                     ShotPoint{static_cast<float>(i % 50), 1.0F});
        bytes += RecordImage(kDecember, Series(QStringLiteral("S%1").arg(i), 1, shots));
    }
    return bytes;
}

} // namespace

TEST(ArchiveStore, RecordImageIsByteExact) {
    const NewResult r =
        Series(QStringLiteral("Петров"), 1, {{0.0F, 0.0F}, {-12.345F, 99.999F}, {-1234, -1234}},
               QStringLiteral("Сбой"));
    const QByteArray expected = QByteArray("\xCF\xE5\xF2\xF0\xEE\xE2\r\n"
                                           "7.12.2008 9:5\r\n"
                                           "1 0 10 0\r\n"
                                           "3   12.50\r\n"
                                           "\xD1\xE1\xEE\xE9\r\n"
                                           "   0.00            0.00\r\n"
                                           " -12.35          100.00\r\n"
                                           "-1234.00        -1234.00\r\n");
    EXPECT_EQ(RecordImage(kDecember, r), expected);

    // No shots: the record ends after an empty comment line. Line breaks typed into a name
    // cannot put the record out of step.
    NewResult empty = Series(QStringLiteral("A\nB"), 2, {});
    empty.timeLimit = 5;
    empty.shootTime = 5.0F;
    EXPECT_EQ(RecordImage(SaveTime{2026, 1, 31, 23, 59}, empty),
              QByteArray("A B\r\n31.1.2026 23:59\r\n2 0 10 5\r\n0    5.00\r\n\r\n"));
}

TEST(ArchiveStore, NamesOfTheTree) {
    EXPECT_EQ(MonthName(1), QStringLiteral("Январь"));
    EXPECT_EQ(MonthName(5), QStringLiteral("Май"));
    EXPECT_EQ(MonthName(12), QStringLiteral("Декабрь"));
    EXPECT_TRUE(MonthName(0).isEmpty());
    EXPECT_TRUE(MonthName(13).isEmpty());
    EXPECT_EQ(GroupFileName(QStringLiteral("Группа 1 б")), QStringLiteral("Группа_1_б.rec"));
    EXPECT_EQ(GroupFileName(QString()), QStringLiteral(".rec"));
    EXPECT_EQ(MonthFolderPath(QStringLiteral("/r"), 2008, 11), QStringLiteral("/r/2008/Ноябрь"));
    EXPECT_EQ(kDecember.DateText(), QStringLiteral("7.12.2008"));
    EXPECT_EQ(kDecember.TimeText(), QStringLiteral("9:5"));
    EXPECT_EQ(kDecember.DialogTimeText(), QStringLiteral("9 ч. 5 мин."));
}

TEST(ArchiveStore, UnsafeGroupNamesAreRefusedAndWriteNothing) {
    for (const QString& bad :
         {QStringLiteral("../x"), QStringLiteral("a/b"), QStringLiteral("a\\b"),
          QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a\tb"), QStringLiteral("a\nb"),
          QString(96, QChar(u'я'))}) {
        EXPECT_TRUE(GroupNameProblem(bad).has_value()) << bad.toStdString();
    }
    for (const QString& good : {QStringLiteral("Группа 1"), QString(), QStringLiteral("..."),
                                QStringLiteral("a.b"), QString(95, QChar(u'я'))}) {
        EXPECT_FALSE(GroupNameProblem(good).has_value()) << good.toStdString();
    }
    test::TempDir dir;
    const QString start = dir.File(QStringLiteral("start"));
    QDir().mkpath(start);
    const AppendOutcome out =
        AppendResult(start, QStringLiteral("../../x"), kDecember, Series("A", 1, {}));
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.error.isEmpty());
    EXPECT_TRUE(QDir(start).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);
}

TEST(ArchiveStore, AppendAndReadBackWithDerivedTexts) {
    test::TempDir dir;
    ProgramState state;
    state.StartDir = dir.Path();
    const QString group = QStringLiteral("Группа 1");
    ASSERT_TRUE(AppendResult(dir.Path(), group, kDecember,
                             Series(QStringLiteral("Петров"), 1,
                                    {{0, 0}, {150, 0}, {-1234, -1234}, {0.5F, -0.25F}},
                                    QStringLiteral("ветер")))
                    .ok);
    ASSERT_TRUE(
        AppendResult(dir.Path(), group, kDecember, Series(QStringLiteral("Ноль"), 2, {})).ok);
    ASSERT_TRUE(AppendResult(dir.Path(), group, SaveTime{2008, 12, 8, 10, 0},
                             Series(QStringLiteral("Своя"), 7, {{1, 1}, {50, 50}}))
                    .ok);
    ASSERT_TRUE(AppendResult(dir.Path(), group, SaveTime{2008, 11, 30, 10, 0},
                             Series(QStringLiteral("Ноябрь"), 1, {}))
                    .ok);
    EXPECT_TRUE(dir.Exists(QStringLiteral("2008/Декабрь/Группа_1.rec")));
    EXPECT_TRUE(dir.Exists(QStringLiteral("2008/Ноябрь/Группа_1.rec")));

    ASSERT_TRUE(ReadGroupFile(state, QStringLiteral("2008/Декабрь"), QStringLiteral("Группа_1")));
    const auto& records = state.archive.ArchiveRecords;
    ASSERT_EQ(records.size(), 3u);
    const ResultRecord& first = records[0];
    EXPECT_EQ(first.Shooter, QStringLiteral("Петров"));
    EXPECT_EQ(first.Date, QStringLiteral("7.12.2008"));
    EXPECT_EQ(first.Time, QStringLiteral("9:5"));
    EXPECT_EQ(first.TargetType, 1);
    EXPECT_EQ(first.Reserved, 0);
    EXPECT_EQ(first.PlannedShots, 10);
    EXPECT_EQ(first.TimeLimit, 0);
    EXPECT_EQ(first.ShotsMade, 4);
    EXPECT_FLOAT_EQ(first.ShootTime, 12.5F);
    EXPECT_EQ(first.Comment, QStringLiteral("ветер"));
    ASSERT_EQ(first.Shots.size(), 4u);
    EXPECT_FLOAT_EQ(first.Shots[3].x, 0.5F);
    EXPECT_FLOAT_EQ(first.Shots[3].y, -0.25F);
    // Two tens, the miss and the dark-target shot in the miss column.
    EXPECT_EQ(first.Hits[10], QStringLiteral("2"));
    EXPECT_EQ(first.Hits[kMissColumn], QStringLiteral("2"));
    for (int s = 0; s < 10; ++s) {
        EXPECT_EQ(first.Hits[static_cast<size_t>(s)], QStringLiteral("-"));
    }
    EXPECT_EQ(first.SumText, QStringLiteral("20"));
    EXPECT_EQ(first.ShotsText, QStringLiteral("4"));
    EXPECT_EQ(first.ShootTimeText, QStringLiteral("12.50"));

    EXPECT_EQ(records[1].Shooter, QStringLiteral("Ноль"));
    EXPECT_EQ(records[1].ShotsMade, 0);
    EXPECT_TRUE(records[1].Comment.isEmpty());
    EXPECT_EQ(records[1].SumText, QStringLiteral("0"));

    // A library target type scores every shot on the square as 0.
    EXPECT_EQ(records[2].Shooter, QStringLiteral("Своя"));
    EXPECT_EQ(records[2].Hits[0], QStringLiteral("2"));
    EXPECT_EQ(records[2].SumText, QStringLiteral("0"));

    CollectDates(state.archive);
    EXPECT_EQ(state.archive.ArchiveDates,
              (std::vector<QString>{QStringLiteral("7.12.2008"), QStringLiteral("8.12.2008")}));
    SelectDate(state.archive, 0);
    ASSERT_EQ(state.archive.DayRecords.size(), 2u);
    EXPECT_EQ(state.archive.DayRecords[1].Shooter, QStringLiteral("Ноль"));

    // A file that cannot be opened leaves the tables as they were.
    EXPECT_FALSE(ReadGroupFile(state, QStringLiteral("2008/Декабрь"), QStringLiteral("Нет")));
    EXPECT_EQ(state.archive.ArchiveRecords.size(), 3u);
}

TEST(ArchiveStore, KeepsEveryRecordShotAndDate) {
    const auto many = ParseGroupFile(Records(1001));
    ASSERT_EQ(many.size(), 1001u);
    EXPECT_EQ(many.back().Shooter, QStringLiteral("S1000"));

    QByteArray bytes;
    std::vector<ShotPoint> shots;
    for (int i = 0; i < 150; ++i) {
        shots.push_back({static_cast<float>(i) * 0.5F, -1.0F});
    }
    bytes += RecordImage(kDecember, Series(QStringLiteral("Длинная"), 1, shots));
    bytes += RecordImage(kDecember, Series(QStringLiteral("После"), 1, {{3, 4}}));
    const auto parsed = ParseGroupFile(bytes);
    ASSERT_EQ(parsed.size(), 2u);
    ASSERT_EQ(parsed[0].Shots.size(), 150u);
    EXPECT_FLOAT_EQ(parsed[0].Shots[149].x, 74.5F);
    EXPECT_EQ(parsed[1].Shooter, QStringLiteral("После"));
    EXPECT_FLOAT_EQ(parsed[1].Shots[0].y, 4.0F);

    ArchiveTables tables;
    for (int i = 0; i < 90; ++i) {
        ResultRecord r;
        r.Date = QStringLiteral("%1.1.2009").arg(i % 45 + 1);
        r.Shooter = QString::number(i);
        tables.ArchiveRecords.push_back(r);
    }
    CollectDates(tables);
    ASSERT_EQ(tables.ArchiveDates.size(), 45u);
    EXPECT_EQ(tables.ArchiveDates[44], QStringLiteral("45.1.2009"));
    SelectDate(tables, 44);
    ASSERT_EQ(tables.DayRecords.size(), 2u);
    EXPECT_EQ(tables.DayRecords[0].Shooter, QStringLiteral("44"));
    EXPECT_EQ(tables.DayRecords[1].Shooter, QStringLiteral("89"));
    SelectDate(tables, 45);
    EXPECT_TRUE(tables.DayRecords.empty());
}

TEST(ArchiveStore, DateLikeTextsKeepTheirRecords) {
    // Shooter names and comments are free text: a line of the stamp's form in either place
    // must not move the reader off the record's fixed line counts.
    const QString dateLike[] = {QStringLiteral("1.1.1 1:1"), QStringLiteral("7.12.2008 9:5"),
                                QStringLiteral("31.12.2026 23:59")};
    for (const QString& text : dateLike) {
        const QByteArray alone = RecordImage(kDecember, Series(QStringLiteral("A"), 1, {}, text));
        const auto one = ParseGroupFile(alone);
        ASSERT_EQ(one.size(), 1u) << text.toStdString();
        EXPECT_EQ(one[0].Comment, text);

        const QByteArray bytes =
            RecordImage(kDecember, Series(QStringLiteral("До"), 1, {{1, 2}, {3, 4}}, text)) +
            RecordImage(kDecember, Series(text, 2, {{5, 6}})) +
            RecordImage(kDecember, Series(text, 1, {}, text)) +
            RecordImage(kDecember, Series(QStringLiteral("После"), 2, {{7, 8}}));
        const auto records = ParseGroupFile(bytes);
        ASSERT_EQ(records.size(), 4u) << text.toStdString();
        EXPECT_EQ(records[0].Shooter, QStringLiteral("До"));
        EXPECT_EQ(records[0].Comment, text);
        EXPECT_EQ(records[0].Shots, (std::vector<ShotPoint>{{1, 2}, {3, 4}}));
        EXPECT_EQ(records[1].Shooter, text);
        EXPECT_EQ(records[1].TargetType, 2);
        EXPECT_EQ(records[1].Shots, (std::vector<ShotPoint>{{5, 6}}));
        EXPECT_EQ(records[2].Shooter, text);
        EXPECT_EQ(records[2].Comment, text);
        EXPECT_EQ(records[2].ShotsMade, 0);
        EXPECT_EQ(records[3].Shooter, QStringLiteral("После"));
        EXPECT_EQ(records[3].Date, QStringLiteral("7.12.2008"));
        EXPECT_EQ(records[3].Shots, (std::vector<ShotPoint>{{7, 8}}));
    }
}

TEST(ArchiveStore, TornLastRecordIsDroppedAndNothingElse) {
    const QByteArray base = Records(3, 2);
    const auto complete = ParseGroupFile(base);
    ASSERT_EQ(complete.size(), 3u);
    // Every record ends with its line end: cut anywhere before it, the record is torn. The
    // date-like comment must not be taken for the start of another record.
    const QByteArray torn[] = {
        RecordImage(kDecember,
                    Series(QStringLiteral("Обрыв"), 1, {{1, 1}, {2, 2}, {3, 3}, {47.25F, 4}},
                           QStringLiteral("1.1.1 1:1"))),
        RecordImage(kDecember, Series(QStringLiteral("Пусто"), 2, {}, QStringLiteral("ветер"))),
    };
    for (const QByteArray& last : torn) {
        for (qsizetype cut = 0; cut < last.size(); ++cut) {
            const auto records = ParseGroupFile(base + last.left(cut));
            ASSERT_EQ(records.size(), 3u) << "cut at " << cut;
            for (size_t i = 0; i < 3; ++i) {
                EXPECT_EQ(records[i].Shooter, complete[i].Shooter);
                EXPECT_EQ(records[i].Shots, complete[i].Shots);
            }
        }
        const auto whole = ParseGroupFile(base + last);
        ASSERT_EQ(whole.size(), 4u);
        EXPECT_EQ(whole[3].Shooter, ParseGroupFile(last).at(0).Shooter);
    }
}

TEST(ArchiveStore, SaveAfterATornTailReadsAsCompleteRecordsPlusTheNewOne) {
    const QByteArray base = Records(3, 2);
    const QByteArray last =
        RecordImage(kDecember, Series(QStringLiteral("Обрыв"), 1,
                                      {{1, 1}, {2, 2}, {3, 3}, {47.25F, 4}}, QStringLiteral("x")));
    test::TempDir dir;
    const QString folder = MonthFolderPath(dir.Path(), 2008, 12);
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("G.rec"));
    const QString aside = path + QStringLiteral(".torn");
    const NewResult next = Series(QStringLiteral("Новый"), 2, {{5, 6}, {7, 8}}, "ok");
    const QByteArray nextImage = RecordImage(kDecember, next);
    // A lone CR at the very end counts as torn as well: cut == last.size() - 1.
    for (qsizetype cut = 0; cut <= last.size(); ++cut) {
        QFile::remove(path);
        QFile::remove(aside);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(base + last.left(cut));
        file.close();
        ASSERT_TRUE(AppendResult(dir.Path(), QStringLiteral("G"), kDecember, next).ok);

        QFile back(path);
        ASSERT_TRUE(back.open(QIODevice::ReadOnly));
        const QByteArray bytes = back.readAll();
        const bool whole = cut == last.size();
        EXPECT_EQ(bytes, base + (whole ? last : QByteArray()) + nextImage) << "cut at " << cut;
        // What was cut off is kept beside the file, never thrown away.
        const bool cutSomething = cut > 0 && !whole;
        ASSERT_EQ(QFile::exists(aside), cutSomething) << "cut at " << cut;
        if (cutSomething) {
            QFile kept(aside);
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), last.left(cut));
        }
        ArchiveTables tables;
        ASSERT_TRUE(ReadGroupFile(tables, path, [](float, float, std::int32_t) { return 5; }));
        const auto& records = tables.ArchiveRecords;
        ASSERT_EQ(records.size(), whole ? 5u : 4u) << "cut at " << cut;
        const ResultRecord& ours = records.back();
        EXPECT_EQ(ours.Shooter, QStringLiteral("Новый"));
        EXPECT_EQ(ours.Comment, QStringLiteral("ok"));
        EXPECT_EQ(ours.Shots, next.shots);
        EXPECT_EQ(ours.SumText, QStringLiteral("10"));
    }

    // A record torn right after a line end, with more records' worth of shot lines promised
    // than follow, is cut as well: the new record must not be read as its shots.
    QFile::remove(path);
    QFile::remove(aside);
    const QByteArray header =
        "B\r\n7.12.2008 9:5\r\n1 0 10 0\r\n10   12.50\r\n\r\n   1.00 1.00\r\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(base + header);
    }
    ASSERT_TRUE(AppendResult(dir.Path(), QStringLiteral("G"), kDecember, next).ok);
    ArchiveTables tables;
    ASSERT_TRUE(ReadGroupFile(tables, path, ShotScorer{}));
    ASSERT_EQ(tables.ArchiveRecords.size(), 4u);
    EXPECT_EQ(tables.ArchiveRecords.back().Shooter, QStringLiteral("Новый"));
}

TEST(ArchiveStore, ReaderToleratesOddFiles) {
    // Bare line feeds, long lines consumed whole, malformed numbers kept as zero.
    const QByteArray longName(150, 'n');
    const QByteArray odd = longName + "\n1.2.2003 4:5 extra\nx y\n2 abc\n" + QByteArray(250, 'c') +
                           "\n 1.5 2.5\nbad line\nNext\n1.2.2003 4:6\n1 0 1 0\n0 0\n\n";
    const auto records = ParseGroupFile(odd);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Shooter.size(), kMaxShooterLength);
    EXPECT_EQ(records[0].Time, QStringLiteral("4:5"));
    EXPECT_EQ(records[0].TargetType, 0);
    EXPECT_EQ(records[0].Comment.size(), kMaxCommentLength);
    ASSERT_EQ(records[0].Shots.size(), 1u);
    EXPECT_FLOAT_EQ(records[0].Shots[0].y, 2.5F);
    EXPECT_EQ(records[1].Shooter, QStringLiteral("Next"));
    EXPECT_EQ(records[1].Time, QStringLiteral("4:6"));
    // A shot count far beyond the file ends in a torn record, not a hang.
    EXPECT_TRUE(ParseGroupFile("A\n1.1.2000 1:1\n1 0 1 0\n2000000000 0\n\n 1 1\n").empty());
    EXPECT_TRUE(ParseGroupFile(QByteArray()).empty());
}

TEST(ArchiveStore, StoredShotsOfAFigureTargetScoreByItsZoneMap) {
    test::TempDir dir;
    // Target 1 of the pack (type 3): 10 over the centre (-20..20 on both axes), 6 in the
    // top-left tenth, 0 elsewhere on the paper.
    dir.Write(QStringLiteral("Targets/strings.txt"), "1\t1\n101\tФигура\n");
    QImage zones(20, 20, QImage::Format_Grayscale8);
    zones.fill(0);
    for (int y = 8; y < 12; ++y) {
        for (int x = 8; x < 12; ++x) {
            zones.setPixel(x, y, qRgb(10, 10, 10));
        }
    }
    zones.setPixel(0, 0, qRgb(6, 6, 6));
    ASSERT_TRUE(zones.save(dir.File(QStringLiteral("Targets/1001.zones.png"))));
    // A record as an older program wrote it, long before the map existed.
    const QByteArray record = test::Cp1251Lines(QStringLiteral("Сидоров\n"
                                                               "3.4.2007 10:15\n"
                                                               "3 0 5 0\n"
                                                               "5   20.00\n"
                                                               "\n"
                                                               "   1.00           -2.00\n"
                                                               "  50.00           50.00\n"
                                                               " 150.00            0.00\n"
                                                               "-1234.00        -1234.00\n"
                                                               " -95.00          -95.00\n"));
    dir.Write(QStringLiteral("2007/Апрель/Стрелки.rec"), record);

    ProgramState state;
    state.StartDir = dir.Path();
    LoadTargetLibrary(state);
    ASSERT_TRUE(ReadGroupFile(state, QStringLiteral("2007/Апрель"), QStringLiteral("Стрелки")));
    ASSERT_EQ(state.archive.ArchiveRecords.size(), 1u);
    const ResultRecord& r = state.archive.ArchiveRecords[0];
    EXPECT_EQ(r.Hits[10], QStringLiteral("1"));
    EXPECT_EQ(r.Hits[6], QStringLiteral("1"));
    EXPECT_EQ(r.Hits[0], QStringLiteral("1")); // on the paper beside the figure
    EXPECT_EQ(r.Hits[kMissColumn], QStringLiteral("2"));
    EXPECT_EQ(r.SumText, QStringLiteral("16"));
    EXPECT_EQ(dir.Read(QStringLiteral("2007/Апрель/Стрелки.rec")), record);

    // The same file without the pack's map scores every hole on the square 0.
    ASSERT_TRUE(ReadGroupFile(state.archive, dir.File(QStringLiteral("2007/Апрель/Стрелки.rec")),
                              ShotScorer{}));
    EXPECT_EQ(state.archive.ArchiveRecords[0].Hits[0], QStringLiteral("3"));
    EXPECT_EQ(state.archive.ArchiveRecords[0].SumText, QStringLiteral("0"));
}

TEST(ArchiveStore, EachStateScoresByTheZoneMapsOfItsOwnPack) {
    // Two start directories with the same record on a library target, each with a pack whose
    // map scores the whole square alike; the second pack is loaded last.
    const QByteArray record = test::Cp1251Lines(
        QStringLiteral("Петров\n5.6.2009 11:20\n3 0 1 0\n1   5.00\n\n   0.00            0.00\n"));
    test::TempDir dirs[2];
    ProgramState states[2];
    for (int i = 0; i < 2; ++i) {
        dirs[i].Write(QStringLiteral("Targets/strings.txt"), "1\t1\n101\tФигура\n");
        QImage zones(20, 20, QImage::Format_Grayscale8);
        zones.fill(i == 0 ? QColor(7, 7, 7) : QColor(3, 3, 3));
        ASSERT_TRUE(zones.save(dirs[i].File(QStringLiteral("Targets/1001.zones.png"))));
        dirs[i].Write(QStringLiteral("2009/Июнь/Пары.rec"), record);
        states[i].StartDir = dirs[i].Path();
        LoadTargetLibrary(states[i]);
    }
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(ReadGroupFile(states[i], QStringLiteral("2009/Июнь"), QStringLiteral("Пары")));
        ASSERT_EQ(states[i].archive.ArchiveRecords.size(), 1u);
        EXPECT_EQ(states[i].archive.ArchiveRecords[0].SumText, QString::number(i == 0 ? 7 : 3))
            << i;
    }
}
