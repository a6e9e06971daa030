#include "archive/ArchiveExport.h"
#include "ArchiveTool.h"
#include "archive/ArchiveBeside.h"
#include "core/RunState.h"
#include "core/ShotHold.h"
#include "support/TempDir.h"
#include "targets/Scoring.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>

using namespace ryvo;

namespace {

// An archive written by hand: three complete records, a torn one, an empty group elsewhere
// whose torn record an earlier save moved aside.
struct HandWrittenArchive {
    test::TempDir dir;
    HandWrittenArchive() {
        QDir().mkpath(dir.File(QStringLiteral("2008/Декабрь")));
        QDir().mkpath(dir.File(QStringLiteral("2009/Январь")));
        QDir().mkpath(dir.File(QStringLiteral("Archive")));
        dir.Write(QStringLiteral("2008/Декабрь/Взвод_1.rec"),
                  test::Cp1251Lines("Петров\n7.12.2008 9:5\n2 0 5 0\n3   12.50\nветер; слева\n"
                                    "   0.00            0.00\n  15.00            0.00\n"
                                    " 150.00            0.00\n"
                                    "Иванов \"Ваня\"\n7.12.2008 10:15\n1 0 10 60\n0    0.00\n\n"
                                    "Петров\n8.12.2008 9:0\n7 0 2 0\n2    7.50\n1.1.1 1:1\n"
                                    "   1.00            1.00\n  50.00          -50.00\n"
                                    "Обрыв\n8.12.2008 9:1\n1 0 1 0\n1    3.0"));
        dir.Write(QStringLiteral("2009/Январь/Белые.rec"), QByteArray());
        dir.Write(QStringLiteral("2009/Январь/Белые.rec.torn"), "Орлов\r\n");
    }
    QString Path() const { return dir.Path(); }
};

QByteArray Expected(const char* name) {
    QFile file(QStringLiteral(RYVO_EXPORT_DATA "/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// The expected CSV files are kept with plain line ends and no byte-order mark.
QByteArray AsStored(const QByteArray& csv) {
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    QByteArray body = csv.mid(3);
    EXPECT_EQ(body.count("\r\n"), body.count('\n'));
    return body.replace("\r\n", "\n");
}

struct ToolRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun Tool(const QStringList& args, const QString& dataDir = QString()) {
    ToolRun run;
    run.code = RunArchiveTool(args, run.out, run.err, dataDir);
    return run;
}

// The index the shooter and summary commands read goes to `cacheDir`.
ToolRun RunTool(const QStringList& args, const QString& cacheDir) {
    ToolRun run;
    run.code = RunArchiveTool(args, run.out, run.err, QString(), cacheDir);
    return run;
}

} // namespace

TEST(ArchiveTool, ListsAndExportsAHandWrittenArchive) {
    HandWrittenArchive a;
    const ToolRun list = Tool({"list", a.Path()});
    EXPECT_EQ(list.code, 0);
    EXPECT_EQ(list.out, Expected("list.txt"));

    const QStringList month = {"export",  a.Path(), "--year",  "2008",
                               "--month", "12",     "--group", "Взвод_1"};
    const ToolRun csv = Tool(month);
    ASSERT_EQ(csv.code, 0) << csv.err.toStdString();
    EXPECT_EQ(AsStored(csv.out), Expected("month.csv"));
    // The group as typed with blanks, the month by name: the same file.
    const ToolRun byName = Tool({"export", a.Path(), "--year", "2008", "--month", "декабрь",
                                 "--group", "Взвод 1", "--format", "csv"});
    EXPECT_EQ(byName.out, csv.out);

    const ToolRun day = Tool(month + QStringList{"--date", "7.12.2008"});
    EXPECT_EQ(AsStored(day.out), Expected("day.csv"));
    const ToolRun json = Tool(month + QStringList{"--date", "7.12.2008", "--format", "json"});
    ASSERT_EQ(json.code, 0);
    EXPECT_EQ(json.out, Expected("day.json"));
    EXPECT_TRUE(json.err.isEmpty());
}

TEST(ArchiveTool, WrongCommandLinesAndMissingFilesAreSaid) {
    HandWrittenArchive a;
    const QStringList month = {"export",  a.Path(), "--year",  "2008",
                               "--month", "12",     "--group", "Взвод_1"};
    struct Case {
        QStringList args;
        int code;
        const char* says;
    };
    const Case cases[] = {
        {{}, 2, "Использование"},
        {{"list"}, 2, "Не указаны"},
        {{"list", a.dir.File(QStringLiteral("нет"))}, 1, "не найдена"},
        {{"copy", a.Path()}, 2, "Неизвестная команда"},
        {{"export", a.Path(), "--year", "2008"}, 2, "--group"},
        {month + QStringList{"--format", "xml"}, 2, "csv или json"},
        {month + QStringList{"--date"}, 2, "Нет значения"},
        {month + QStringList{"--colour", "red"}, 2, "Неизвестный параметр"},
        {{"export", a.Path(), "--year", "2008", "--month", "13", "--group", "Взвод_1"}, 2, "месяц"},
        {{"export", a.Path(), "--year", "2008", "--month", "11", "--group", "Взвод_1"},
         1,
         "не удалось прочитать"},
        {month + QStringList{"--date", "9.12.2008"}, 1, "результатов нет"},
    };
    for (const Case& c : cases) {
        const ToolRun run = Tool(c.args);
        EXPECT_EQ(run.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(run.err).contains(QString::fromUtf8(c.says)))
            << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(ArchiveTool, TheBuiltProgramWritesToStandardOutput) {
    HandWrittenArchive a;
    QProcess tool;
    tool.start(qEnvironmentVariable("RYVO_BIN_DIR") + QStringLiteral("/ryvo-archive"),
               {"export", a.Path(), "--year", "2008", "--month", "Декабрь", "--group", "Взвод_1",
                "--date", "7.12.2008", "--format", "json"});
    ASSERT_TRUE(tool.waitForFinished(30000)) << tool.errorString().toStdString();
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_EQ(tool.readAllStandardOutput(), Expected("day.json"));

    QProcess wrong;
    wrong.start(qEnvironmentVariable("RYVO_BIN_DIR") + QStringLiteral("/ryvo-archive"), {"list"});
    ASSERT_TRUE(wrong.waitForFinished(30000));
    EXPECT_EQ(wrong.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(wrong.readAllStandardError())
                    .contains(QStringLiteral("ryvo-archive list")));
}

TEST(ArchiveExport, FieldsThatNeedQuotingAndFileNames) {
    ResultRecord r;
    r.Date = QStringLiteral("1.1.2026");
    r.Shooter = QStringLiteral("a;b");
    r.Comment = QStringLiteral("line\r\nbreak");
    r.ShootTime = 3.456F;
    r.Hits.fill(QStringLiteral("-"));
    r.SumText = QStringLiteral("0");
    const QByteArray csv = ResultsCsv({r}, ExportScope{QStringLiteral("%1"), 2026, 1, {}});
    const QList<QByteArray> lines = csv.split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith("%1;1.1.2026;;\"a;b\";0;0;0;0;3,46;0;"));
    EXPECT_TRUE(csv.contains("\"line\r\nbreak\""));
    // Free text that looks like a placeholder stays as it is in JSON.
    r.Shooter = QStringLiteral("%1 \\ %2");
    const QByteArray json = ResultsJson({r}, ExportScope{QStringLiteral("G"), 2026, 1, {}});
    EXPECT_TRUE(json.contains("\"shooter\": \"%1 \\\\ %2\""));
    EXPECT_TRUE(json.contains("\"comment\": \"line\\u000d\\u000abreak\""));
    EXPECT_TRUE(json.contains("\"date\": null"));
    EXPECT_EQ(
        ExportFileName(ExportScope{QStringLiteral("a/b"), 2008, 12, {}}, QStringLiteral("csv")),
        QStringLiteral("a_b Декабрь 2008.csv"));
    EXPECT_EQ(
        ExportFileName(ExportScope{QStringLiteral("G"), 2008, 12, QStringLiteral("7.12.2008")},
                       QStringLiteral("csv")),
        QStringLiteral("G 7.12.2008.csv"));
}

namespace {

// A record on the first library target (picture 1001) and a pack of the start directory
// whose zone map, 20 pixels square, scores 8 in the middle, 3 around it and 0 in the top
// left corner.
struct FigureArchive {
    test::TempDir dir;
    FigureArchive() {
        QDir().mkpath(dir.File(QStringLiteral("2008/Декабрь")));
        dir.Write(QStringLiteral("2008/Декабрь/Фигуры.rec"),
                  test::Cp1251Lines("Захаров\n10.12.2008 14:0\n3 0 4 0\n4    9.00\nсилуэт\n"
                                    "   0.00            0.00\n  60.00            0.00\n"
                                    " -90.00          -90.00\n 150.00            0.00\n"));
    }
    void AddPack() const {
        QDir().mkpath(dir.File(QStringLiteral("Targets")));
        dir.Write(QStringLiteral("Targets/strings.txt"), "1\t1\n");
        QImage zones(20, 20, QImage::Format_Grayscale8);
        zones.fill(3);
        for (int y = 5; y < 15; ++y) {
            for (int x = 5; x < 15; ++x) {
                zones.setPixel(x, y, qRgb(8, 8, 8));
            }
        }
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 3; ++x) {
                zones.setPixel(x, y, qRgb(0, 0, 0));
            }
        }
        ASSERT_TRUE(zones.save(dir.File(QStringLiteral("Targets/1001.zones.png"))));
        QImage picture(20, 20, QImage::Format_RGB32);
        picture.fill(Qt::white);
        ASSERT_TRUE(picture.save(dir.File(QStringLiteral("Targets/1001.png"))));
    }
    QStringList Export() const {
        return {"export", dir.Path(), "--year", "2008", "--month", "12", "--group", "Фигуры"};
    }
};

} // namespace

TEST(ArchiveTool, FigureTargetsScoreByTheZoneMapOfThePack) {
    FigureArchive a;
    // No pack anywhere: every hole on the square scores 0, as the program gives it then.
    const ToolRun bare = Tool(a.Export());
    ASSERT_EQ(bare.code, 0) << bare.err.toStdString();
    EXPECT_EQ(AsStored(bare.out), Expected("figure-no-zones.csv"));

    a.AddPack();
    const ToolRun zoned = Tool(a.Export());
    ASSERT_EQ(zoned.code, 0) << zoned.err.toStdString();
    EXPECT_EQ(AsStored(zoned.out), Expected("figure.csv"));
    // The stored file is only read.
    EXPECT_EQ(a.dir.Read(QStringLiteral("2008/Декабрь/Фигуры.rec")).count("\r\n"), 9);
}

TEST(ArchiveTool, TheBuiltProgramFindsThePacksOfItsDataDirectory) {
    FigureArchive a;
    const QString dataDir = qEnvironmentVariable("RYVO_DATA_DIR");
    ASSERT_TRUE(QDir(dataDir).exists(QStringLiteral("Targets"))) << dataDir.toStdString();
    QProcess tool;
    tool.start(qEnvironmentVariable("RYVO_BIN_DIR") + QStringLiteral("/ryvo-archive"),
               a.Export() + QStringList{"--format", "json"});
    ASSERT_TRUE(tool.waitForFinished(30000)) << tool.errorString().toStdString();
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const QByteArray out = tool.readAllStandardOutput();
    // The same as read with the build's data directory, and the centre hit on the
    // silhouette scores: without the pack's zone map the sum would be 0.
    EXPECT_EQ(out, Tool(a.Export() + QStringList{"--format", "json"}, dataDir).out);
    EXPECT_FALSE(out.contains("\"sum\": 0,")) << out.toStdString();
}

TEST(ArchiveExport, HoldFiguresKeptBesideARecordGoIntoBothExports) {
    ResultRecord with;
    with.Date = QStringLiteral("1.2.2026");
    with.Shots = {{0.0F, 0.0F}, {1.0F, 1.0F}, {kDarkShotPosition, kDarkShotPosition}};
    ShotHold a;
    a.valid = true;
    a.hold = 2.0;
    a.len1 = 10.0;
    a.len1mm = 25.0;
    a.mmPerUnit = 2.5;
    a.in10 = 1.0;
    a.steady = 0.5;
    a.move02 = 1.0;
    a.jerk = 3.0;
    a.jerkDirection = JerkDirection(0.0, -3.0);
    ShotHold b = a;
    b.hold = 4.0;
    b.len1 = 20.0;
    b.len1mm = 50.0;
    b.in10 = 0.0;
    b.jerk = ShotHold::kNone;
    b.jerkDirection = -1;
    KeepHoldMembers(with.Beside, 0, a);
    KeepHoldMembers(with.Beside, 1, b);
    KeepHoldMembers(with.Beside, 2, ShotHold{}); // dark: nothing
    // Another feature's member of the same shot stays.
    SetShotMember(with.Beside, 0, QStringLiteral("t"), 1.5);
    ResultRecord without = with;
    without.Beside = QJsonObject();

    const ExportScope scope{QStringLiteral("G"), 2026, 2, {}};
    const QList<QByteArray> lines = ResultsCsv({with, without}, scope).mid(3).split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(";Удержание, с;След за 1 с, ед.;След за 1 с, мм;В 10, %;"
                                  "Устойчивость, %;За 0,2 с, ед.;Срыв, ед.;Упражнение;Оценка\r"));
    EXPECT_TRUE(lines[1].endsWith(";3,00;15,00;37,50;50;50;1,00;3,00;;\r"))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(";;;;;;;;;\r")) << lines[2].toStdString();

    const QByteArray json = ResultsJson({with, without}, scope);
    EXPECT_TRUE(json.contains(R"("hold": [{"hold":2,"in10":1,"jerk":3,"jerkDir":"вверх",)"
                              R"("len1":10,"len1mm":25,"move02":1,"steady":0.5}, )"
                              R"({"hold":4,"in10":0,"len1":20,"len1mm":50,"move02":1,)"
                              R"("steady":0.5}, null]})"))
        << json.toStdString();
    EXPECT_EQ(json.count("\"hold\": ["), 1) << "the record without figures has none";

    // And read back as the view and the sheet take them.
    const std::vector<ShotHold> holds = HoldsOfRecord(with.Beside);
    ASSERT_EQ(holds.size(), 2U) << "the dark shot kept nothing";
    EXPECT_EQ(holds[0].jerkDirection, a.jerkDirection);
    const HoldMeans m = MeanHolds(holds);
    EXPECT_EQ(HoldFigureLines(m),
              QStringList{QStringLiteral("Удерж. 3.0 с, след 1 с 37.5 мм, в 10 50 %, устойч. 50 "
                                         "%, 0,2 с 2.5 мм, срыв 7.5 мм")});
}

TEST(ArchiveExport, CsvCarriesTheCourseAndGradeKeptBesideARecord) {
    ResultRecord plain;
    plain.Date = QStringLiteral("8.12.2026");
    plain.Hits.fill(QStringLiteral("-"));
    plain.SumText = QStringLiteral("20");
    ResultRecord course = plain;
    course.Beside.insert(QStringLiteral("course"), QStringLiteral("Служебное; упражнение"));
    course.Beside.insert(QStringLiteral("grade"), QStringLiteral("хорошо"));
    const QString csv = QString::fromUtf8(
        ResultsCsv({plain, course}, ExportScope{QStringLiteral("Взвод"), 2026, 12, {}}));
    const QStringList lines = csv.split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(";Срыв, ед.;Упражнение;Оценка")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(";20;;;;;;;;;;"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(";20;;;;;;;;;\"Служебное; упражнение\";хорошо")))
        << lines[2].toStdString();
}

// A course record and a plain one of one group, the course kept in the group's ".rex".
TEST(ArchiveTool, ACourseKeptBesideARecordIsExportedWithItsTimesAndGrade) {
    test::TempDir dir;
    QDir().mkpath(dir.File(QStringLiteral("2026/Декабрь")));
    const QString group = dir.File(QStringLiteral("2026/Декабрь/Смена.rec"));
    dir.Write(QStringLiteral("2026/Декабрь/Смена.rec"),
              test::Cp1251Lines("Петров\n8.12.2026 9:5\n2 0 3 0\n3    4.20\n\n"
                                "   0.00            0.00\n  15.00            0.00\n"
                                "  30.00            0.00\n"
                                "Орлов\n8.12.2026 9:20\n2 0 1 0\n1    2.00\n\n"
                                "   0.00            0.00\n"));
    const QJsonObject course = QJsonDocument::fromJson(R"({"course": "Служебное \"А\"",
        "grade": "хорошо", "reaction": 0.85,
        "stages": [{"planned": 2, "shots": 2, "sum": 19, "late": 0},
                   {"planned": 1, "shots": 1, "sum": 0, "late": 1}],
        "shots": [{"t": 0.85, "split": 0.85, "late": false, "hold": 1.2},
                  {"t": 1.9, "split": 1.05, "late": false},
                  {"hold": 2}]})")
                                   .object();
    ASSERT_TRUE(AppendBesideEntry(
        group,
        BesideKey{0, QStringLiteral("Петров"), QStringLiteral("8.12.2026"), QStringLiteral("9:5")},
        course));
    const ToolRun json = Tool({"export", dir.Path(), "--year", "2026", "--month", "12", "--group",
                               "Смена", "--format", "json"});
    ASSERT_EQ(json.code, 0) << json.err.toStdString();
    EXPECT_EQ(json.out, Expected("course.json"));

    // The shooter's results list the course and grade too; Орлов's plain series has none.
    const ToolRun shooter = RunTool({"shooter", dir.Path(), "Петров", "--format", "json"},
                                    dir.File(QStringLiteral("cache")));
    ASSERT_EQ(shooter.code, 0) << shooter.err.toStdString();
    EXPECT_TRUE(shooter.out.contains("\"course\": \"Служебное \\\"А\\\"\""))
        << shooter.out.toStdString();
    EXPECT_TRUE(shooter.out.contains("\"grade\": \"хорошо\""));
    const ToolRun other = RunTool({"shooter", dir.Path(), "Орлов", "--format", "json"},
                                  dir.File(QStringLiteral("cache")));
    ASSERT_EQ(other.code, 0) << other.err.toStdString();
    EXPECT_FALSE(other.out.contains("\"course\""));
}
