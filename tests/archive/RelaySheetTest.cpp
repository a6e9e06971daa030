#include "archive/RelaySheet.h"

#include "core/ProgramState.h"
#include "platform/Printer.h"
#include "platform/Services.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <algorithm>

using namespace ryvo;

namespace {

const QDateTime kWhen(QDate(2008, 12, 7), QTime(9, 5));

// Lanes 1, 3 and 5 have shooters, lane 2 has nobody, lane 4 is not present. Lane 1 (N4)
// fired 10, 9, 8, a miss beyond the square and a shot at a dark target; lane 3 (sport) 10
// and 5; lane 2 and lane 5 fired nothing.
ProgramState Relay() {
    ProgramState state;
    state.GroupName = QStringLiteral("Взвод 1");
    state.settings.ShootsNumber = 5;
    state.settings.Time = 30;
    state.settings.Target = {1, 2, 2, 2, 2, -1, -1, -1};
    state.LanePresent = {1, 1, 1, 0, 1};
    state.LaneShooter = {QStringLiteral("Петров"), QString(), QStringLiteral("Иванов \"Ваня\""),
                         QStringLiteral("Орлов"), QStringLiteral("Сидоров")};
    RunState& run = state.run;
    // The last position is beyond the shot count: left over, not part of the series.
    run.ShotPos[0] = {{0, 0}, {0, 30}, {30, 40}, {150, 0}, {-1234, -1234}, {0, 0}};
    run.ShotCount[0] = 5;
    run.ShootTime[0] = 12.5F;
    run.ShotPos[2] = {{0, 0}, {0, 55}};
    run.ShotCount[2] = 2;
    run.ShootTime[2] = 7.25F;
    run.ShotPos[3] = {{0, 0}};
    run.ShotCount[3] = 1;
    return state;
}

RelaySheet FiveLaneSheet(const ProgramState& state) {
    const std::vector<int> lanes = RelayLanes(state, kLaneCount);
    return BuildRelaySheet(state, lanes, kWhen);
}

// A scripted message box that keeps what it was asked to show.
class RecordingDialogs final : public Dialogs {
public:
    MessageAnswer Message(const QString& text, const QString& caption, MessageIcon icon,
                          MessageButtons /*buttons*/) override {
        texts << text;
        captions << caption;
        icons.push_back(icon);
        return MessageAnswer::Ok;
    }
    std::optional<QString> OpenFile(const QString&, const QString&) override { return {}; }
    std::optional<QString> SaveFile(const QString&, const QString&) override { return {}; }
    QStringList texts;
    QStringList captions;
    std::vector<MessageIcon> icons;
};

bool Contains(const std::vector<QString>& texts, const QString& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

} // namespace

// The CSV case below pins every row's texts; this one the values behind them.
TEST(RelaySheet, RowsFromTheRunStateOfThePresentLanes) {
    const ProgramState state = Relay();
    const RelaySheet sheet = FiveLaneSheet(state);
    ASSERT_EQ(sheet.rows.size(), 4u);
    EXPECT_EQ(sheet.rows[0].lane, 0);
    EXPECT_EQ(sheet.rows[1].lane, 1);
    EXPECT_EQ(sheet.rows[2].lane, 2);
    EXPECT_EQ(sheet.rows[3].lane, 4);

    const RelayRow& first = sheet.rows[0];
    EXPECT_EQ(first.shooter, QStringLiteral("Петров"));
    EXPECT_EQ(first.shots, 5);
    const std::array<int, 11> firstHits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1};
    EXPECT_EQ(first.hitsPerScore, firstHits);
    // The miss beyond the square and the shot at a dark target.
    EXPECT_EQ(first.misses, 2);
    EXPECT_EQ(first.sum, 27);
    EXPECT_FLOAT_EQ(first.shootTime, 12.5F);
    EXPECT_EQ(first.hits, 3);
    EXPECT_DOUBLE_EQ(first.meanX, 10.0);
    EXPECT_NEAR(first.meanY, 70.0 / 3, 1e-9);
    EXPECT_DOUBLE_EQ(first.extremeSpread, 50.0);

    // Score columns: what the lanes' targets can count. Sport rings count 10 to 0; N4 alone
    // counts 10 to 5 and 0 in its blanked corners.
    EXPECT_EQ(sheet.scores, (std::vector<std::int32_t>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
    const std::vector<int> n4Only = {0};
    EXPECT_EQ(BuildRelaySheet(state, n4Only, kWhen).scores,
              (std::vector<std::int32_t>{10, 9, 8, 7, 6, 5, 0}));

    // The two-shooter window's sheet: its two lanes only.
    const std::vector<int> two = RelayLanes(state, 2);
    EXPECT_EQ(two, (std::vector<int>{0, 1}));
    EXPECT_EQ(RelayTargetLine(BuildRelaySheet(state, n4Only, kWhen)), QStringLiteral("Мишень N4"));
    EXPECT_EQ(RelayTargetLine(BuildRelaySheet(state, two, kWhen)),
              QStringLiteral("Мишени по позициям: 1 — Мишень N4; 2 — Мишень спортивная"));
    EXPECT_EQ(RelayTargetLine(sheet),
              QStringLiteral("Мишени по позициям: 1 — Мишень N4; 2, 3, 5 — Мишень спортивная"));
}

TEST(RelaySheet, CsvAsTheArchiveExportWritesIt) {
    const QByteArray csv = RelaySheetCsv(FiveLaneSheet(Relay()));
    const QByteArray expected =
        "\xEF\xBB\xBF"
        "Дата;Время;Группа;Тип мишени;Выстрелов задано;Лимит времени, с;Позиция;Стрелок;"
        "10;9;8;7;6;5;4;3;2;1;0;Промахи;Сумма;Время стрельбы, с;СТП x;СТП y;"
        "Наибольший разброс\r\n"
        "7.12.2008;09:05;Взвод 1;1;5;30;1;Петров;1;1;1;0;0;0;0;0;0;0;0;2;27;12,50;10,00;23,33;"
        "50,00\r\n"
        "7.12.2008;09:05;Взвод 1;2;5;30;2;;0;0;0;0;0;0;0;0;0;0;0;0;0;;;;\r\n"
        "7.12.2008;09:05;Взвод 1;2;5;30;3;\"Иванов \"\"Ваня\"\"\";1;0;0;0;0;1;0;0;0;0;0;0;15;"
        "7,25;0,00;27,50;55,00\r\n"
        "7.12.2008;09:05;Взвод 1;2;5;30;5;Сидоров;0;0;0;0;0;0;0;0;0;0;0;0;0;;;;\r\n";
    EXPECT_EQ(csv, expected);
}

TEST(RelaySheet, OnePageWithEveryLaneAndTheInstructorLines) {
    ImagePrinter printer;
    const RelaySheet sheet = FiveLaneSheet(Relay());
    const PrintOutcome outcome = PrintRelaySheet(printer, sheet);
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(printer.pages.size(), 1u);
    EXPECT_EQ(printer.documentName, QStringLiteral("7.12.2008 09-05 Ведомость смены Взвод 1"));
    const auto& texts = printer.pages[0].texts;
    for (const char* text :
         {"Ведомость смены", "Дата:  7.12.2008        Время:  09:05", "Группа:  Взвод 1",
          "Количество выстрелов:  5", "Время стрельбы:  30 сек", "Петров", "Иванов \"Ваня\"",
          "Сидоров", "—", "27", "15", "12.50", "10.0; 23.3", "50.0",
          "Руководитель стрельбы:", "Подпись:"}) {
        EXPECT_TRUE(Contains(texts, QString::fromUtf8(text))) << text;
    }
    // Lane 4 is not present; its shooter stays off the sheet.
    EXPECT_FALSE(Contains(texts, QStringLiteral("Орлов")));

    // A name too long for its column is cut, not run over the score columns.
    ProgramState longName = Relay();
    longName.LaneShooter[0] = QString(60, QChar(u'Ж'));
    ImagePrinter again;
    ASSERT_TRUE(PrintRelaySheet(again, FiveLaneSheet(longName)).ok);
    const auto cut = std::find_if(again.pages[0].texts.begin(), again.pages[0].texts.end(),
                                  [](const QString& t) { return t.startsWith(u'Ж'); });
    ASSERT_NE(cut, again.pages[0].texts.end());
    EXPECT_TRUE(cut->endsWith(QStringLiteral("…")));
    EXPECT_LT(cut->size(), 40);
    // The rows stay on the page.
    const QImage& page = printer.pages[0].image;
    bool inkAtBottom = false;
    for (int x = 0; x < page.width() && !inkAtBottom; ++x) {
        inkAtBottom = page.pixel(x, page.height() - 1) != qRgb(255, 255, 255);
    }
    EXPECT_FALSE(inkAtBottom);
}

TEST(RelaySheet, WrittenBesideThePrintAndTheUserToldWhere) {
    test::TempDir dir;
    ProgramState state = Relay();
    state.StartDir = dir.Path();
    ImagePrinter printer;
    RecordingDialogs dialogs;
    Services services;
    services.printer = &printer;
    services.dialogs = &dialogs;

    const RelaySheetOutcome outcome = MakeRelaySheet(state, services, 2, kWhen);
    EXPECT_TRUE(outcome.printed.ok);
    ASSERT_TRUE(outcome.csvWritten);
    EXPECT_EQ(QFileInfo(outcome.csvPath).absoluteFilePath(),
              QFileInfo(dir.File(QStringLiteral("Печать/7.12.2008 09-05 Ведомость смены "
                                                "Взвод 1.csv")))
                  .absoluteFilePath());
    QFile csv(outcome.csvPath);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const std::vector<int> two = {0, 1};
    EXPECT_EQ(csv.readAll(), RelaySheetCsv(BuildRelaySheet(state, two, kWhen)));
    ASSERT_EQ(dialogs.texts.size(), 1);
    EXPECT_TRUE(dialogs.texts[0].contains(QDir::toNativeSeparators(outcome.csvPath)));
    EXPECT_EQ(dialogs.icons[0], MessageIcon::Information);

    // A second sheet of the same minute keeps the first file; a failed print still leaves
    // the CSV and says that nothing was printed.
    printer.failBegin = true;
    const RelaySheetOutcome again = MakeRelaySheet(state, services, 2, kWhen);
    EXPECT_FALSE(again.printed.ok);
    EXPECT_TRUE(again.csvWritten);
    EXPECT_NE(again.csvPath, outcome.csvPath);
    EXPECT_TRUE(QFile::exists(outcome.csvPath));
    ASSERT_EQ(dialogs.texts.size(), 2);
    EXPECT_TRUE(dialogs.texts[1].startsWith(QStringLiteral("Ведомость не напечатана.")));
    EXPECT_EQ(dialogs.icons[1], MessageIcon::Error);
}

TEST(RelaySheet, CourseAndGradePerLaneWhereTheLaneRanOne) {
    ProgramState state = Relay();
    state.run.LaneBeside[0] = QJsonDocument::fromJson(R"({"course": "Служебное", "grade":
        "хорошо", "reaction": 0.85, "stages": [{"sum": 19, "planned": 6}, {"sum": 8,
        "planned": 4}]})")
                                  .object();
    state.run.LaneBeside[2] =
        QJsonDocument::fromJson(R"({"course": "Служебное", "stages": [{"sum": 15}]})").object();
    const RelaySheet sheet = FiveLaneSheet(state);
    EXPECT_EQ(RelayCourseLines(sheet),
              (QStringList{QStringLiteral("1. Петров — Служебное; Оценка: хорошо; Этапы: 19 + 8 = "
                                          "27; Реакция: 0.85 с"),
                           QStringLiteral("3. Иванов \"Ваня\" — Служебное")}));

    ImagePrinter printer;
    ASSERT_TRUE(PrintRelaySheet(printer, sheet).ok);
    const auto& texts = printer.pages[0].texts;
    EXPECT_TRUE(Contains(texts, QStringLiteral("Упражнение:  Служебное")));
    EXPECT_TRUE(Contains(texts, RelayCourseLines(sheet).front()));
    // The main window's shots and time were not what a course fired.
    EXPECT_FALSE(Contains(texts, QStringLiteral("Количество выстрелов:  5")));

    const QList<QByteArray> csv = RelaySheetCsv(sheet).split('\n');
    ASSERT_EQ(csv.size(), 6);
    EXPECT_TRUE(csv[0].endsWith(";Наибольший разброс;Упражнение;Оценка\r"));
    EXPECT_TRUE(csv[1].endsWith(";50,00;Служебное;хорошо\r")) << csv[1].toStdString();
    EXPECT_TRUE(csv[2].endsWith(";;;;;\r")) << csv[2].toStdString();
    EXPECT_TRUE(csv[3].endsWith(";55,00;Служебное;\r")) << csv[3].toStdString();
    // Shots asked for and time limit: the course's own, the main window's for a plain series.
    EXPECT_EQ(csv[1].split(';').mid(4, 2), (QList<QByteArray>{"10", ""}));
    EXPECT_EQ(csv[2].split(';').mid(4, 2), (QList<QByteArray>{"5", "30"}));
}
