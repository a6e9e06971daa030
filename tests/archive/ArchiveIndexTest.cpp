#include "archive/ArchiveIndex.h"
#include "ArchiveTool.h"
#include "archive/ArchiveBeside.h"
#include "archive/ArchiveProgress.h"
#include "archive/HoldProgress.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cmath>

using namespace ryvo;

namespace {

// Ten points at the centre, one less for every 10 units out, a miss past 100: sums by hand.
std::int32_t RingScore(float x, float /*y*/, std::int32_t /*type*/) {
    const float out = std::abs(x);
    return out > 100.0F ? -1 : 10 - static_cast<std::int32_t>(out / 10.0F);
}

// Four group files over three years; one shooter under five spellings; a torn last record;
// a folder that is no year.
struct IndexArchive {
    test::TempDir dir;
    test::TempDir cache;
    IndexArchive() {
        for (const char* folder : {"2023/Декабрь", "2024/Май", "2025/Январь", "Archive"}) {
            QDir().mkpath(dir.File(QString::fromUtf8(folder)));
        }
        dir.Write(QStringLiteral("2023/Декабрь/Взвод_1.rec"),
                  test::Cp1251Lines("Иванов Пётр\n3.12.2023 10:5\n1 0 3 0\n3   20.00\n\n"
                                    "   0.00            0.00\n   5.00            1.00\n"
                                    "  25.00            0.00\n"
                                    "Сидоров\n3.12.2023 10:20\n1 0 1 0\n1    4.00\nветер\n"
                                    "   0.00            0.00\n"));
        dir.Write(QStringLiteral("2024/Май/Взвод_1.rec"),
                  test::Cp1251Lines("иванов  петр\n14.5.2024 9:0\n2 0 2 60\n2   11.00\n\n"
                                    "   0.00            0.00\n 150.00            0.00\n"
                                    "ИВАНОВ_ПЁТР\n15.5.2024 9:0\n2 0 5 0\n5    1.00\n\n"
                                    "   0.00            0.00\n"));
        dir.Write(QStringLiteral("2024/Май/Стрелки_Б.rec"),
                  test::Cp1251Lines("Иванов_Пётр \n20.5.2024 18:30\n1 0 5 0\n0    0.00\n\n"
                                    "Петрова\n20.5.2024 18:40\n1 0 1 0\n1    2.00\n\n"
                                    "  45.00            0.00\n"));
        dir.Write(QStringLiteral("2025/Январь/Взвод_1.rec"),
                  test::Cp1251Lines("Иванов Петр\n10.1.2025 8:15\n1 0 2 0\n2    9.00\n\n"
                                    "  10.00            0.00\n  30.00            0.00\n"));
        dir.Write(QStringLiteral("Archive/Чужой.rec"),
                  test::Cp1251Lines("Иванов Пётр\n1.1.2020 1:1\n1 0 0 0\n0    0.00\n\n"));
    }
    [[nodiscard]] ArchiveIndex Index() const {
        return ArchiveIndex(dir.Path(), RingScore, cache.Path());
    }
    // The file's time moved on, so a rewrite within the same millisecond counts as well.
    void Rewrite(const QString& name, const QString& text, int seconds = 10) const {
        dir.Write(name, test::Cp1251Lines(text));
        QFile file(dir.File(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(seconds),
                                     QFileDevice::FileModificationTime));
    }
};

QStringList Listing(const QString& root) {
    QStringList names;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        names << it.next() + QStringLiteral(" ") + QString::number(QFileInfo(it.filePath()).size());
    }
    names.sort();
    return names;
}

QStringList Summary(const std::vector<IndexedResult>& results) {
    QStringList lines;
    for (const IndexedResult& r : results) {
        lines << QStringLiteral("%1 %2 %3 %4#%5 %6 %7/%8")
                     .arg(r.date.toString(Qt::ISODate))
                     .arg(r.minute)
                     .arg(r.shooter, r.file)
                     .arg(r.position)
                     .arg(r.targetType)
                     .arg(r.sum)
                     .arg(r.shots);
    }
    return lines;
}

} // namespace

TEST(ArchiveIndex, NamesMatchWhateverTheSpelling) {
    EXPECT_EQ(NameKey(QStringLiteral("  ИВАНОВ__Пётр ")), QStringLiteral("иванов петр"));
    EXPECT_EQ(NameKey(QStringLiteral("Ёлкин\tЁ.")), QStringLiteral("елкин е."));
    EXPECT_NE(NameKey(QStringLiteral("Иванова Петра")), NameKey(QStringLiteral("Иванов Петр")));
    EXPECT_EQ(ParseArchiveDate(QStringLiteral("7.12.2008")), QDate(2008, 12, 7));
    EXPECT_EQ(ParseArchiveDate(QStringLiteral("2008-12-07")), QDate(2008, 12, 7));
    EXPECT_FALSE(ParseArchiveDate(QStringLiteral("31.2.2008")).isValid());
    EXPECT_FALSE(ParseArchiveDate(QStringLiteral("1.1.1 1:1")).isValid());
}

TEST(ArchiveIndex, ADateOfAnyYearIsADayOrNone) {
    EXPECT_EQ(IndexDay(ParseArchiveDate(QStringLiteral("7.12.2008"))), 20081207);
    EXPECT_EQ(IndexDay(ParseArchiveDate(QStringLiteral("7.12.2002008"))), 0);
    EXPECT_EQ(IndexDay(ParseArchiveDate(QStringLiteral("7.12.-5"))), 0);
}

TEST(ArchiveIndex, IndexesEveryRecordAndFindsAShooterAcrossYearsAndGroups) {
    IndexArchive archive;
    const QStringList before = Listing(archive.dir.Path());
    ArchiveIndex index = archive.Index();
    const IndexSync first = index.Sync();
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    EXPECT_TRUE(first.rebuilt);
    EXPECT_EQ(first.filesRead, 4);     // "Archive" is no year
    EXPECT_EQ(index.RecordCount(), 6); // the torn record is not one
    EXPECT_TRUE(index.FilePath().startsWith(archive.cache.Path()));
    EXPECT_TRUE(QFileInfo::exists(index.FilePath()));
    // Nothing is written or locked beside the archive.
    EXPECT_EQ(Listing(archive.dir.Path()), before);

    const QStringList expected = {
        "2025-01-10 495 Иванов Петр 2025/Январь/Взвод_1.rec#0 1 16/2",
        "2024-05-20 1110 Иванов_Пётр  2024/Май/Стрелки_Б.rec#0 1 0/0",
        "2024-05-14 540 иванов  петр 2024/Май/Взвод_1.rec#0 2 10/2",
        "2023-12-03 605 Иванов Пётр 2023/Декабрь/Взвод_1.rec#0 1 28/3",
    };
    EXPECT_EQ(Summary(index.ShooterResults(QStringLiteral("ИВАНОВ   ПЕТР"))), expected);
    const std::vector<IndexedResult> all = index.ShooterResults(QStringLiteral("иванов_пётр"));
    ASSERT_EQ(all.size(), 4U);
    EXPECT_EQ(all[2].group, QStringLiteral("Взвод_1"));
    EXPECT_EQ(all[2].year, 2024);
    EXPECT_EQ(all[2].month, 5);
    EXPECT_EQ(all[2].timeLimit, 60);
    EXPECT_DOUBLE_EQ(all[2].shootTime, 11.0);
    EXPECT_DOUBLE_EQ(all[3].Mean(), 28.0 / 3.0);
    EXPECT_EQ(index.ShooterResults(QStringLiteral("Сидоров")).front().comment,
              QStringLiteral("ветер"));

    ResultFilter year2024;
    year2024.from = QDate(2024, 1, 1);
    year2024.to = QDate(2024, 5, 20); // inclusive
    EXPECT_EQ(index.ShooterResults(QStringLiteral("Иванов Пётр"), year2024).size(), 2U);
    ResultFilter group;
    group.group = QStringLiteral("взвод 1");
    EXPECT_EQ(index.ShooterResults(QStringLiteral("Иванов Пётр"), group).size(), 3U);
    ResultFilter sport;
    sport.targetType = 2;
    EXPECT_EQ(Summary(index.ShooterResults(QStringLiteral("Иванов Пётр"), sport)),
              QStringList{expected[2]});
    EXPECT_TRUE(index.ShooterResults(QStringLiteral("Иванова")).empty());
    EXPECT_EQ(index.GroupResults(QStringLiteral("Взвод 1")).size(), 4U);

    // Names as last saved, one per shooter.
    EXPECT_EQ(index.Shooters(),
              (std::vector<QString>{QStringLiteral("Иванов Петр"), QStringLiteral("Петрова"),
                                    QStringLiteral("Сидоров")}));
    EXPECT_EQ(index.Shooters(QStringLiteral("ПЕ")).size(), 1U);

    const IndexSync again = index.Sync();
    EXPECT_TRUE(again.ok);
    EXPECT_FALSE(again.rebuilt);
    EXPECT_EQ(again.filesRead, 0);
}

TEST(ArchiveIndex, FollowsFilesChangedAddedAndDeletedBehindItsBack) {
    IndexArchive archive;
    {
        ArchiveIndex index = archive.Index();
        ASSERT_TRUE(index.Sync().ok);
    }
    // Another installation saves a record, one month's file goes, a new group appears, and a
    // file is rewritten to the same size.
    archive.Rewrite(QStringLiteral("2025/Январь/Взвод_1.rec"),
                    "Иванов Петр\n10.1.2025 8:15\n1 0 2 0\n2    9.00\n\n"
                    "  10.00            0.00\n  30.00            0.00\n"
                    "Иванов Пётр\n11.1.2025 8:0\n1 0 1 0\n1    3.00\n\n"
                    "   0.00            0.00\n");
    ASSERT_TRUE(QFile::remove(archive.dir.File(QStringLiteral("2023/Декабрь/Взвод_1.rec"))));
    QDir().mkpath(archive.dir.File(QStringLiteral("2025/Февраль")));
    archive.Rewrite(QStringLiteral("2025/Февраль/Новые.rec"),
                    "Петрова\n1.2.2025 12:0\n1 0 1 0\n1    2.00\n\n  95.00            0.00\n");
    const QByteArray same = archive.dir.Read(QStringLiteral("2024/Май/Стрелки_Б.rec"));
    archive.Rewrite(QStringLiteral("2024/Май/Стрелки_Б.rec"),
                    QString::fromUtf8("Иванов_Пётр \n20.5.2024 18:30\n1 0 5 0\n0    0.00\n\n"
                                      "Петрова\n20.5.2024 18:40\n1 0 1 0\n1    2.00\n\n"
                                      "  55.00            0.00\n"));
    ASSERT_EQ(archive.dir.Read(QStringLiteral("2024/Май/Стрелки_Б.rec")).size(), same.size());

    ArchiveIndex index = archive.Index();
    const IndexSync step = index.Sync();
    ASSERT_TRUE(step.ok);
    EXPECT_FALSE(step.rebuilt);
    EXPECT_EQ(step.filesRead, 3);
    EXPECT_EQ(step.filesDropped, 1);
    EXPECT_EQ(Summary(index.ShooterResults(QStringLiteral("Иванов Петр"))),
              (QStringList{"2025-01-11 480 Иванов Пётр 2025/Январь/Взвод_1.rec#1 1 10/1",
                           "2025-01-10 495 Иванов Петр 2025/Январь/Взвод_1.rec#0 1 16/2",
                           "2024-05-20 1110 Иванов_Пётр  2024/Май/Стрелки_Б.rec#0 1 0/0",
                           "2024-05-14 540 иванов  петр 2024/Май/Взвод_1.rec#0 2 10/2"}));
    EXPECT_EQ(Summary(index.ShooterResults(QStringLiteral("Петрова"))),
              (QStringList{"2025-02-01 720 Петрова 2025/Февраль/Новые.rec#0 1 1/1",
                           "2024-05-20 1120 Петрова 2024/Май/Стрелки_Б.rec#1 1 5/1"}));
    EXPECT_TRUE(index.ShooterResults(QStringLiteral("Сидоров")).empty());
    EXPECT_EQ(index.RecordCount(), 6);

    // A whole year folder gone drops its files too.
    ASSERT_TRUE(QDir(archive.dir.File(QStringLiteral("2025"))).removeRecursively());
    const IndexSync gone = index.Sync();
    EXPECT_EQ(gone.filesDropped, 2);
    EXPECT_EQ(index.RecordCount(), 3);
}

TEST(ArchiveIndex, AMissingOrDamagedIndexIsRebuiltFromTheFiles) {
    IndexArchive archive;
    QString path;
    {
        ArchiveIndex index = archive.Index();
        ASSERT_TRUE(index.Sync().ok);
        path = index.FilePath();
    }
    const QByteArray good = [&] {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }();
    ASSERT_GT(good.size(), 4096);
    const std::vector<QByteArray> damages = {
        QByteArray(4096, 'x'),                                  // not a database at all
        good.left(good.size() / 2),                             // cut short
        good.left(100) + QByteArray(good.size() - 100, '\xA5'), // pages overwritten
        // the later pages overwritten, the first ones (layout, files) still reading
        good.left(good.size() / 2) + QByteArray(good.size() - good.size() / 2, '\x5A'),
        QByteArray(), // empty
    };
    for (const QByteArray& damage : damages) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damage);
        file.close();
        ArchiveIndex index = archive.Index();
        std::vector<std::pair<int, int>> progress;
        const IndexSync sync =
            index.Sync([&](int done, int total) { progress.emplace_back(done, total); });
        ASSERT_TRUE(sync.ok) << sync.error.toStdString();
        EXPECT_TRUE(sync.rebuilt) << damage.size();
        EXPECT_EQ(sync.filesRead, 4);
        EXPECT_EQ(progress,
                  (std::vector<std::pair<int, int>>{{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}));
        EXPECT_EQ(index.ShooterResults(QStringLiteral("иванов пётр")).size(), 4U);
        EXPECT_EQ(index.RecordCount(), 6);
    }
    ASSERT_TRUE(QFile::remove(path));
    ArchiveIndex index = archive.Index();
    EXPECT_TRUE(index.Sync().rebuilt);
    EXPECT_EQ(index.RecordCount(), 6);
}

TEST(ArchiveIndex, CourseAndGradeFromBesideTheArchive) {
    IndexArchive archive;
    const QString rex = QStringLiteral("2025/Январь/Взвод_1.rex");
    // One entry pairs with the record; one names another shooter at that place.
    archive.dir.Write(rex, QStringLiteral("{\"v\":1,\"record\":0,\"shooter\":\"Иванов Петр\","
                                          "\"date\":\"10.1.2025\",\"time\":\"8:15\","
                                          "\"course\":\"Упражнение 1\",\"grade\":\"хорошо\"}\n"
                                          "{\"v\":1,\"record\":0,\"shooter\":\"Сидоров\","
                                          "\"date\":\"10.1.2025\",\"time\":\"8:15\","
                                          "\"grade\":\"плохо\"}\n")
                               .toUtf8());
    ArchiveIndex index = archive.Index();
    ASSERT_TRUE(index.Sync().ok);
    std::vector<IndexedResult> results = index.ShooterResults(QStringLiteral("Иванов Петр"));
    ASSERT_EQ(results.size(), 4U);
    EXPECT_EQ(results[0].course, QStringLiteral("Упражнение 1"));
    EXPECT_EQ(results[0].grade, QStringLiteral("хорошо"));
    EXPECT_EQ(TargetOrCourse(results[0]), QStringLiteral("Упражнение 1"));
    EXPECT_TRUE(results[1].course.isEmpty());
    ResultFilter course;
    course.course = QStringLiteral("Упражнение 1");
    EXPECT_EQ(index.ShooterResults(QStringLiteral("иванов петр"), course).size(), 1U);

    // Only the entries' file changes (a later entry wins): the group file is read again.
    QFile file(archive.dir.File(rex));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(QStringLiteral("{\"v\":1,\"record\":0,\"shooter\":\"Иванов Петр\",\"date\":"
                              "\"10.1.2025\",\"time\":\"8:15\",\"course\":\"Упражнение 1\","
                              "\"grade\":\"отлично\"}\n")
                   .toUtf8());
    file.close();
    QFile stamp(archive.dir.File(rex));
    ASSERT_TRUE(stamp.open(QIODevice::ReadWrite));
    ASSERT_TRUE(stamp.setFileTime(QDateTime::currentDateTime().addSecs(20),
                                  QFileDevice::FileModificationTime));
    stamp.close();
    const IndexSync step = index.Sync();
    EXPECT_EQ(step.filesRead, 1);
    results = index.ShooterResults(QStringLiteral("Иванов Петр"));
    EXPECT_EQ(results[0].grade, QStringLiteral("отлично"));

    ShooterCard card(index);
    ASSERT_TRUE(card.Show(QStringLiteral("Иванов Петр")));
    const auto choice = std::find_if(card.Targets().begin(), card.Targets().end(),
                                     [](const TargetChoice& t) { return t.course.has_value(); });
    ASSERT_NE(choice, card.Targets().end());
    EXPECT_EQ(choice->label, QStringLiteral("Упражнение 1"));
    CardFilter filter;
    filter.target = *choice;
    card.SetFilter(filter);
    ASSERT_EQ(card.Model().rowCount(), 1);
    EXPECT_EQ(card.Model().data(card.Model().index(0, ShooterCardModel::kGradeColumn)).toString(),
              QStringLiteral("отлично"));
    // The N4 choice leaves the course's record out although it was shot at an N4.
    filter.target = TargetChoice{QStringLiteral("Мишень N4"), 1, std::nullopt};
    card.SetFilter(filter);
    EXPECT_EQ(card.Model().rowCount(), 2);
}

TEST(ShooterCard, ListsFiltersAndOpensAShootersResults) {
    IndexArchive archive;
    ArchiveIndex index = archive.Index();
    ASSERT_TRUE(index.Sync().ok);
    ShooterCard card(index);
    ASSERT_TRUE(card.Show(QStringLiteral("иванов пётр")));
    EXPECT_EQ(card.Name(), QStringLiteral("Иванов Петр"));
    EXPECT_EQ(card.Groups(),
              (std::vector<QString>{QStringLiteral("Взвод_1"), QStringLiteral("Стрелки_Б")}));
    ASSERT_EQ(card.Targets().size(), 2U);
    const ShooterCardModel& model = card.Model();
    ASSERT_EQ(model.rowCount(), 4);
    QStringList first;
    for (int c = 0; c < model.columnCount(); ++c) {
        first << model.data(model.index(0, c)).toString();
    }
    EXPECT_EQ(first,
              (QStringList{"10.01.2025 08:15", "Взвод_1", "Мишень N4", "2", "16", "8,00", "", ""}));
    EXPECT_EQ(model.data(model.index(1, ShooterCardModel::kMeanColumn)).toString(),
              QStringLiteral("-")); // no shots
    EXPECT_EQ(model.data(model.index(3, ShooterCardModel::kMeanColumn)).toString(),
              QStringLiteral("9,33"));

    CardFilter filter;
    filter.target = *std::find_if(card.Targets().begin(), card.Targets().end(),
                                  [](const TargetChoice& t) { return t.targetType == 2; });
    card.SetFilter(filter);
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.Results()[0].dateText, QStringLiteral("14.5.2024"));
    filter = CardFilter{};
    filter.group = QStringLiteral("СТРЕЛКИ Б");
    filter.to = QDate(2024, 12, 31);
    card.SetFilter(filter);
    ASSERT_EQ(model.rowCount(), 1);
    filter.from = QDate(2024, 5, 21);
    card.SetFilter(filter);
    EXPECT_EQ(model.rowCount(), 0);
    card.SetFilter({});
    ASSERT_EQ(model.rowCount(), 4);

    // A row opens the record it names, with the statistics of the day table and what is
    // kept beside it.
    const IndexedResult& row = model.Results()[2];
    const QString group = archive.dir.File(QStringLiteral("2024/Май/Взвод_1.rec"));
    ASSERT_TRUE(AppendBesideEntry(group, {row.position, row.shooter, row.dateText, row.timeText},
                                  {{QStringLiteral("grade"), QStringLiteral("хорошо")}}));
    const std::optional<ResultRecord> record =
        ReadIndexedRecord(archive.dir.Path(), model.Results()[2], RingScore);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Beside.value(QLatin1String("grade")).toString(), QStringLiteral("хорошо"));
    EXPECT_EQ(record->GroupFile, group);
    EXPECT_EQ(record->Shooter, QStringLiteral("иванов  петр"));
    EXPECT_EQ(record->SumText, QStringLiteral("10"));
    EXPECT_EQ(record->Hits[kMissColumn], QStringLiteral("1"));
    ASSERT_EQ(record->Shots.size(), 2U);
    // Once the file no longer holds that record there, nothing is opened.
    archive.Rewrite(QStringLiteral("2024/Май/Взвод_1.rec"),
                    "Другой\n14.5.2024 9:0\n2 0 2 60\n0   11.00\n\n");
    EXPECT_FALSE(ReadIndexedRecord(archive.dir.Path(), model.Results()[2], RingScore));
    EXPECT_TRUE(ReadIndexedRecord(archive.dir.Path(), model.Results()[3], RingScore));
}

TEST(ArchiveProgress, ChartPointsAndGroupSummary) {
    auto result = [](const char* shooter, QDate date, int minute, int shots, int sum) {
        IndexedResult r;
        r.shooter = QString::fromUtf8(shooter);
        r.date = date;
        r.minute = minute;
        r.shots = shots;
        r.sum = sum;
        return r;
    };
    const QDate d(2024, 3, 1);
    // Newest first, as the index gives them; one without shots, one without a date.
    const std::vector<IndexedResult> results = {
        result("Орлов", d.addDays(30), 600, 10, 80),
        result("Орлов", d.addDays(10), 600, 0, 0),
        result("орлов", d, 660, 5, 30),
        result("Орлов", d, 600, 10, 50),
        result("Орлов", QDate(), 0, 10, 100),
    };
    const std::vector<ProgressPoint> points = ProgressPoints(results, 2);
    ASSERT_EQ(points.size(), 3U);
    EXPECT_EQ(points[0].when, QDateTime(d, QTime(10, 0)));
    EXPECT_EQ(points[1].when, QDateTime(d, QTime(11, 0)));
    EXPECT_DOUBLE_EQ(points[0].mean, 5.0);
    EXPECT_DOUBLE_EQ(points[0].average, 5.0);
    EXPECT_DOUBLE_EQ(points[1].average, 5.5);
    EXPECT_DOUBLE_EQ(points[2].mean, 8.0);
    EXPECT_DOUBLE_EQ(points[2].average, 7.0);

    std::vector<IndexedResult> group = results;
    group.push_back(result("Белов", d, 600, 10, 90));
    const std::vector<ShooterSummary> rows = SummariseGroup(group);
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].shooter, QStringLiteral("Белов"));
    EXPECT_EQ(rows[0].series, 1);
    EXPECT_DOUBLE_EQ(rows[0].trend, 0.0);
    const ShooterSummary& orlov = rows[1];
    EXPECT_EQ(orlov.shooter, QStringLiteral("Орлов"));
    EXPECT_EQ(orlov.series, 5);
    EXPECT_EQ(orlov.shots, 35);
    EXPECT_DOUBLE_EQ(orlov.mean, 260.0 / 35.0);
    EXPECT_EQ(orlov.best, 100);
    EXPECT_DOUBLE_EQ(orlov.bestMean, 10.0);
    // 5 and 6 on the first day, 8 thirty days on: a rise of 2.5 per 30 days, give or take
    // the hour between the first two.
    EXPECT_NEAR(orlov.trend, 2.5, 0.01);
}

namespace {

QByteArray Expected(const char* name) {
    QFile file(QStringLiteral(RYVO_INDEX_DATA "/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// The expected CSV files are kept with plain line ends and no byte-order mark.
QByteArray AsStored(QByteArray csv) {
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(csv.count("\r\n"), csv.count('\n'));
    return csv.mid(3).replace("\r\n", "\n");
}

struct ToolRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

TEST(ArchiveTool, ShooterAndSummaryFromTheIndex) {
    IndexArchive archive;
    auto tool = [&](QStringList args) {
        ToolRun run;
        args.insert(1, archive.dir.Path());
        run.code = RunArchiveTool(args, run.out, run.err, QString(), archive.cache.Path());
        return run;
    };
    ToolRun run = tool({"shooter", "ИВАНОВ ПЁТР"});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(AsStored(run.out), Expected("shooter.csv"));
    run = tool({"shooter", "Иванов_Петр", "--from", "14.5.2024", "--to", "2024-05-20", "--format",
                "json"});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, Expected("shooter-may.json"));
    run = tool({"summary", "--group", "Взвод 1"});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(AsStored(run.out), Expected("summary.csv"));
    run = tool({"summary", "--group", "взвод_1", "--from", "1.1.2024"});
    EXPECT_EQ(AsStored(run.out), Expected("summary-2024.csv"));

    // Nothing found is said and fails; wrong command lines fail with the usage.
    run = tool({"shooter", "Нет Такого"});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(QString::fromUtf8(run.err).contains(QStringLiteral("Нет Такого")));
    EXPECT_EQ(tool({"summary", "--group", "Взвод 1", "--to", "1.1.2000"}).code, 1);
    for (const QStringList& wrong :
         {QStringList{"shooter"}, QStringList{"shooter", "Иванов", "--from", "31.2.2024"},
          QStringList{"shooter", "Иванов", "--from"}, QStringList{"summary"},
          QStringList{"summary", "--group", "Взвод 1", "--format", "xml"},
          QStringList{"shooter", "Иванов", "--group", "Взвод 1"}}) {
        run = tool(wrong);
        EXPECT_EQ(run.code, 2) << wrong.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("ryvo-archive summary")) << wrong.join(' ').toStdString();
    }

    // The built program keeps its index in the user's cache folder.
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    test::TempDir home;
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.Path());
    program.setProcessEnvironment(env);
    program.start(qEnvironmentVariable("RYVO_BIN_DIR") + QStringLiteral("/ryvo-archive"),
                  {"summary", archive.dir.Path(), "--group", "Взвод_1"});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_EQ(AsStored(program.readAllStandardOutput()), Expected("summary.csv"));
    EXPECT_EQ(QDir(home.File(QStringLiteral("Ryvo for Windows/archive-index")))
                  .entryList({"*.sqlite"})
                  .size(),
              1);
}

namespace {

// Hold figures beside May's platoon file: two shots of its record (the second without a
// jerk point or a known size); and an entry of January 2025 whose shot has none.
void WriteHoldEntries(const IndexArchive& archive) {
    archive.dir.Write(
        QStringLiteral("2024/Май/Взвод_1.rex"),
        QStringLiteral(
            "{\"v\":1,\"record\":0,\"shooter\":\"иванов  петр\",\"date\":\"14.5.2024\","
            "\"time\":\"9:0\",\"shots\":[{\"hold\":2,\"len1\":10,\"len1mm\":25,\"mmUnit\":2.5,"
            "\"in10\":0.5,\"steady\":0.9,\"move02\":1,\"jerk\":3,\"jerkDir\":\"вверх\"},"
            "{\"hold\":4.5,\"len1\":20,\"in10\":1,\"steady\":0.7,\"move02\":3}]}\n")
            .toUtf8());
    archive.dir.Write(QStringLiteral("2025/Январь/Взвод_1.rex"),
                      QStringLiteral("{\"v\":1,\"record\":0,\"shooter\":\"Иванов Петр\","
                                     "\"date\":\"10.1.2025\",\"time\":\"8:15\",\"grade\":"
                                     "\"хорошо\",\"shots\":[{\"len1\":4}]}\n")
                          .toUtf8());
}

} // namespace

TEST(ArchiveIndex, HoldFigureMeansWhereTheRecordHasThem) {
    IndexArchive archive;
    WriteHoldEntries(archive);
    ArchiveIndex index = archive.Index();
    ASSERT_TRUE(index.Sync().ok);
    const std::vector<IndexedResult> results = index.GroupResults(QStringLiteral("Взвод 1"));
    ASSERT_EQ(results.size(), 4U);
    // Newest first: 10.1.2025, 14.5.2024, 3.12.2023 twice.
    const IndexedResult& held = results[1];
    ASSERT_EQ(held.dateText, QStringLiteral("14.5.2024"));
    const HoldMeans& m = held.hold.units;
    EXPECT_EQ(m.shots, 2);
    EXPECT_DOUBLE_EQ(m.hold, 3.25);
    EXPECT_DOUBLE_EQ(m.len1, 15.0); // units, although the first shot's size is known
    EXPECT_DOUBLE_EQ(held.hold.len1mm, 25.0);
    EXPECT_DOUBLE_EQ(m.in10, 0.75);
    EXPECT_DOUBLE_EQ(m.steady, 0.8);
    EXPECT_DOUBLE_EQ(m.move02, 2.0);
    EXPECT_DOUBLE_EQ(m.jerk, 3.0);
    // No figures read back as none, not as zeros.
    for (const size_t i : {0U, 2U, 3U}) {
        EXPECT_EQ(results[i].hold.units.shots, 0) << i;
        EXPECT_TRUE(std::isnan(results[i].hold.units.hold)) << i;
        EXPECT_TRUE(std::isnan(results[i].hold.units.len1)) << i;
        EXPECT_TRUE(std::isnan(results[i].hold.len1mm)) << i;
    }
    EXPECT_EQ(results[0].grade, QStringLiteral("хорошо"));
}

TEST(ArchiveIndex, AnIndexOfTheEarlierLayoutIsRebuiltWithTheHoldFigures) {
    IndexArchive archive;
    WriteHoldEntries(archive);
    QString path;
    {
        ArchiveIndex index = archive.Index();
        ASSERT_TRUE(index.Sync().ok);
        path = index.FilePath();
    }
    {
        // As the previous version left it: in step with the files, without the figures.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "old");
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const char* sql :
             {"CREATE TABLE old AS SELECT file, position, year, month, grp, grp_key, day, minute, "
              "date_text, time_text, shooter, shooter_key, target, planned, time_limit, shots, "
              "sum, shoot_time, comment, course, grade FROM results",
              "DROP TABLE results", "ALTER TABLE old RENAME TO results",
              "UPDATE meta SET value = '2' WHERE key = 'layout'"}) {
            ASSERT_TRUE(q.exec(QString::fromUtf8(sql))) << sql;
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
    ArchiveIndex index = archive.Index();
    const IndexSync sync = index.Sync();
    ASSERT_TRUE(sync.ok) << sync.error.toStdString();
    EXPECT_TRUE(sync.rebuilt);
    EXPECT_EQ(sync.filesRead, 4);
    const std::vector<IndexedResult> results = index.ShooterResults(QStringLiteral("иванов петр"));
    ASSERT_EQ(results.size(), 4U);
    EXPECT_EQ(results[2].hold.units.shots, 2);
    EXPECT_EQ(results[0].grade, QStringLiteral("хорошо"));
}

TEST(ArchiveProgress, HoldChartPointsOnlyWhereTheFigureIs) {
    auto result = [](QDate date, int shots, double steady, double jerk) {
        IndexedResult r;
        r.date = date;
        r.minute = 600;
        r.shots = 5;
        r.hold.units.shots = shots;
        r.hold.units.steady = steady;
        r.hold.units.jerk = jerk;
        return r;
    };
    const double none = ShotHold::kNone;
    const QDate d(2024, 3, 1);
    const std::vector<IndexedResult> results = {
        result(d.addDays(3), 2, 0.9, 4.0), result(d.addDays(2), 0, none, none),
        result(d.addDays(1), 3, 0.5, none), result(d, 1, 0.4, 2.0), result(QDate(), 1, 1.0, 1.0)};
    const std::vector<ProgressPoint> steady = HoldPoints(results, HoldFigure::Steady, 2);
    ASSERT_EQ(steady.size(), 3U);
    EXPECT_EQ(steady[0].when.date(), d);
    EXPECT_DOUBLE_EQ(steady[0].mean, 40.0);
    EXPECT_DOUBLE_EQ(steady[1].average, 45.0);
    EXPECT_DOUBLE_EQ(steady[2].mean, 90.0);
    EXPECT_DOUBLE_EQ(steady[2].average, 70.0);
    const std::vector<ProgressPoint> jerk = HoldPoints(results, HoldFigure::Jerk, 5);
    ASSERT_EQ(jerk.size(), 2U);
    EXPECT_DOUBLE_EQ(jerk[1].average, 3.0);
    EXPECT_DOUBLE_EQ(HoldAxisTop(HoldFigure::Jerk, {{QStringLiteral("A"), jerk}}), 4.4);
    EXPECT_DOUBLE_EQ(HoldAxisTop(HoldFigure::Steady, {}), 100.0);
}

TEST(ArchiveTool, ShooterCarriesTheHoldMeans) {
    IndexArchive archive;
    WriteHoldEntries(archive);
    for (const auto& [format, expected] :
         {std::pair("csv", "shooter-hold.csv"), std::pair("json", "shooter-hold.json")}) {
        ToolRun run;
        run.code = RunArchiveTool({"shooter", archive.dir.Path(), "Иванов Пётр", "--from",
                                   "1.5.2024", "--to", "31.5.2024", "--format", format},
                                  run.out, run.err, QString(), archive.cache.Path());
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        EXPECT_EQ(format == std::string("csv") ? AsStored(run.out) : run.out, Expected(expected))
            << run.out.toStdString();
    }
}
