#include "archive/Printing.h"
#include "archive/ResultView.h"
#include "core/ProgramState.h"
#include "core/RunState.h"
#include "core/ShotHold.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

#include <algorithm>
#include <limits>

using namespace ryvo;

namespace {

// 1240 x 1754 at 150 dpi: W = 1240, s = 6.2, E = 4.96, D = 124, B = 682, centre (620, 1178).
constexpr int kCx = 620;
constexpr int kCy = 1178;
constexpr double kE = 4.96;

ResultRecord Sheet(std::int32_t type, std::vector<ShotPoint> shots) {
    ResultRecord r;
    r.Date = QStringLiteral("7.12.2008");
    r.Time = QStringLiteral("9:5");
    r.Shooter = QStringLiteral("Петров");
    r.TargetType = type;
    r.PlannedShots = 10;
    r.TimeLimit = 0;
    r.ShotsMade = static_cast<std::int32_t>(shots.size());
    r.ShootTime = 12.5F;
    r.SumText = QStringLiteral("27");
    r.Comment = QStringLiteral("ветер\n");
    r.Shots = std::move(shots);
    return r;
}

QImage PrintSheet(const ResultRecord& r, const ProgramState& state = ProgramState()) {
    ImagePrinter printer;
    const PrintOutcome outcome = PrintTarget(printer, r, QStringLiteral("Взвод"), state);
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(printer.pages.size(), 1u);
    return printer.pages.empty() ? QImage() : printer.pages[0].image;
}

Color At(const QImage& image, double x, double y) {
    return FromQColor(image.pixelColor(static_cast<int>(x), static_cast<int>(y)));
}

bool AnyBlackNear(const QImage& image, int x, int y) {
    for (int dy = -3; dy <= 3; ++dy) {
        for (int dx = -3; dx <= 3; ++dx) {
            if (At(image, x + dx, y + dy) == kBlack) {
                return true;
            }
        }
    }
    return false;
}

bool Contains(const std::vector<QString>& texts, const QString& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

} // namespace

TEST(Printing, ResultSheetTextsAndN4Target) {
    ImagePrinter printer;
    ASSERT_TRUE(
        PrintTarget(printer, Sheet(1, {{50, 50}}), QStringLiteral("Взвод"), ProgramState()).ok);
    ASSERT_EQ(printer.pages.size(), 1u);
    const auto& texts = printer.pages[0].texts;
    EXPECT_TRUE(Contains(texts, QStringLiteral("Группа: Взвод.        Стрелок: Петров")));
    EXPECT_TRUE(Contains(texts, QStringLiteral("Дата стрельбы:  7.12.2008")));
    EXPECT_TRUE(Contains(texts, QStringLiteral("Мишень N4")));
    EXPECT_TRUE(Contains(texts, QStringLiteral("Количество выстрелов:  10")));
    EXPECT_TRUE(Contains(texts, QStringLiteral("Время стрельбы: не ограничено")));
    EXPECT_TRUE(Contains(texts, QStringLiteral("выстрелов:  1")));
    EXPECT_TRUE(Contains(texts, QStringLiteral("время стрельбы:  12.50 сек")));
    EXPECT_TRUE(Contains(texts, QStringLiteral("Сумма:  27")));
    EXPECT_TRUE(Contains(texts, QStringLiteral("ветер"))); // trailing line end dropped
    EXPECT_TRUE(Contains(texts, QStringLiteral("10")));
    EXPECT_TRUE(printer.documentName.contains(QStringLiteral("Петров")));

    const QImage withShot = printer.pages[0].image;
    const QImage empty = PrintSheet(Sheet(1, {}));
    // The hole at (50, 50): its 8-unit outline is black where the empty target is white.
    const double hx = kCx + 50 * kE + 2 * kE - 2;
    const double hy = kCy + 50 * kE;
    EXPECT_EQ(At(withShot, hx, hy), kBlack);
    EXPECT_EQ(At(empty, hx, hy), kWhite);
    EXPECT_EQ(At(withShot, kCx + 50 * kE, hy), kWhite); // white fill
    // Ring 100 runs through (-80, +60); at (-80, -60) the white corner block covers it.
    EXPECT_TRUE(
        AnyBlackNear(empty, static_cast<int>(kCx - 80 * kE), static_cast<int>(kCy + 60 * kE)));
    EXPECT_FALSE(
        AnyBlackNear(empty, static_cast<int>(kCx - 80 * kE), static_cast<int>(kCy - 60 * kE)));
    // Shots beyond the target square, or no number at all (a hand-edited file), are not
    // printed (only the group figures above the target tell of them).
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ResultRecord outside = Sheet(1, {{0, 100.5F}, {-101, 0}, {nan, 0}, {0, nan}});
    outside.ShotsMade = 0;
    const QRect targetArea(0, 682, empty.width(), empty.height() - 682);
    EXPECT_TRUE(PrintSheet(outside).copy(targetArea) == empty.copy(targetArea));
}

TEST(Printing, GroupFiguresStandBetweenCommentAndTarget) {
    ImagePrinter printer;
    const ResultRecord group =
        Sheet(2, {{10, 10}, {10, -10}, {-10, 10}, {-10, -10}, {150, 0}, {-1234, -1234}});
    ASSERT_TRUE(PrintTarget(printer, group, QStringLiteral("Взвод"), ProgramState()).ok);
    const auto& texts = printer.pages[0].texts;
    EXPECT_TRUE(
        Contains(texts, QStringLiteral("Средняя точка попадания:  x = 0.0, y = 0.0 (в центре)")));
    EXPECT_TRUE(
        Contains(texts, QStringLiteral("Наибольший разброс:  28.3;  средний радиус:  14.1")));
    EXPECT_TRUE(Contains(texts, QStringLiteral("Попадания по очкам:  9 - 4")));
    EXPECT_TRUE(Contains(texts, QStringLiteral("Не учтены:  промахов 1, при тёмной мишени 1")));
    // The figures leave the target as it was: the same as a sheet without them.
    const QImage& page = printer.pages[0].image;
    const QImage bare = PrintSheet(Sheet(2, {{10, 10}, {10, -10}, {-10, 10}, {-10, -10}}));
    const QRect targetArea(0, 682, page.width(), page.height() - 682);
    EXPECT_TRUE(page.copy(targetArea) == bare.copy(targetArea));
    // Text stands in the band between the comment and the target, nowhere below it.
    int inkRows = 0;
    for (int y = 520; y < 670; ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (At(page, x, y) == kBlack) {
                ++inkRows;
                break;
            }
        }
    }
    EXPECT_GT(inkRows, 20);
}

TEST(Printing, SportAndLibraryTargets) {
    ResultRecord sport = Sheet(2, {});
    sport.TimeLimit = 30;
    ImagePrinter printer;
    ASSERT_TRUE(PrintTarget(printer, sport, QStringLiteral("Взвод"), ProgramState()).ok);
    EXPECT_TRUE(Contains(printer.pages[0].texts, QStringLiteral("Мишень спортивная")));
    EXPECT_TRUE(Contains(printer.pages[0].texts, QStringLiteral("Время стрельбы:  30 сек")));
    const QImage& page = printer.pages[0].image;
    EXPECT_EQ(At(page, kCx, kCy + 25 * kE), Color{0x646464}); // inside the grey disc
    EXPECT_EQ(At(page, kCx, kCy + 45 * kE), kWhite);

    test::TempDir dir;
    const QString pack = dir.File(QStringLiteral("Targets"));
    QDir().mkpath(pack);
    auto halves = [](int size) {
        QImage image(size, size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size / 2; ++x) {
                image.setPixel(x, y, qRgb(255, 0, 0));
            }
        }
        return image;
    };
    halves(400).save(QDir(pack).filePath(QStringLiteral("1007.png"))); // type 9
    halves(100).save(QDir(pack).filePath(QStringLiteral("1008.png"))); // type 10, small
    ProgramState state;
    state.TargetLibrary = ResourceLibrary::LoadFolder(pack);
    ASSERT_TRUE(state.TargetLibrary.has_value());
    for (const std::int32_t type : {9, 10}) {
        const QImage sheet = PrintSheet(Sheet(type, {}), state);
        EXPECT_EQ(At(sheet, kCx - 50 * kE, kCy), kRed) << type;
        EXPECT_EQ(At(sheet, kCx + 50 * kE, kCy), kBlue) << type;
    }
    // A missing picture prints the empty square.
    const QImage missing = PrintSheet(Sheet(11, {}), state);
    EXPECT_EQ(At(missing, kCx, kCy), kWhite);
    EXPECT_TRUE(AnyBlackNear(missing, 124, kCy));
}

TEST(Printing, DayTableContinuesOnFurtherPages) {
    std::vector<ResultRecord> day;
    for (int i = 0; i < 100; ++i) {
        ResultRecord r;
        r.Date = QStringLiteral("7.12.2008");
        r.Shooter = QStringLiteral("Стрелок %1").arg(i);
        r.Hits.fill(QStringLiteral("-"));
        r.Hits[10] = QStringLiteral("3");
        r.ShotsText = QStringLiteral("3");
        r.SumText = QStringLiteral("30");
        r.ShootTimeText = QStringLiteral(" 9.50");
        day.push_back(r);
    }
    ImagePrinter printer;
    ASSERT_TRUE(PrintDayTable(printer, day, QStringLiteral("Взвод")).ok);
    ASSERT_GE(printer.pages.size(), 2u);
    int rows = 0;
    for (const auto& page : printer.pages) {
        for (const char* title :
             {"Группа: Взвод", "Дата стрельбы:  7.12.2008", "Стрелок", "Число", "выстрелов",
              "Попадания", "Пр", "Сумма", "Время", "стрельбы", "Оценка"}) {
            EXPECT_TRUE(Contains(page.texts, QString::fromUtf8(title))) << title;
        }
        rows += static_cast<int>(
            std::count_if(page.texts.begin(), page.texts.end(), [](const QString& t) {
                return t.startsWith(QStringLiteral("Стрелок "));
            }));
    }
    EXPECT_EQ(rows, 100);
    EXPECT_TRUE(Contains(printer.pages.back().texts, QStringLiteral("Стрелок 99")));
    // The last page's rule ends below its last row; the rest of the page stays blank.
    const QImage& last = printer.pages.back().image;
    EXPECT_EQ(At(last, last.width() / 2, last.height() - 2), kWhite);
    // The table's left rule runs down the middle of a full page.
    const QImage& first = printer.pages[0].image;
    bool rule = false;
    for (int x = 0; x < 40 && !rule; ++x) {
        rule = At(first, x, first.height() / 2) == kBlack;
    }
    EXPECT_TRUE(rule);
}

TEST(Printing, HoldFiguresKeptBesideTheRecordArePrintedUnderTheTargetAndShownInTheView) {
    ResultRecord r = Sheet(2, {{0, 0}, {5, 5}});
    ShotHold h;
    h.valid = true;
    h.hold = 2.5;
    h.len1 = 12.0;
    h.len1mm = 30.0;
    h.mmPerUnit = 2.5;
    h.in10 = 0.75;
    h.steady = 1.0;
    h.move02 = 2.0;
    h.jerk = 1.0;
    h.jerkDirection = 2;
    KeepHoldMembers(r.Beside, 0, h);
    KeepHoldMembers(r.Beside, 1, h);
    const QString line = QStringLiteral(
        "Удерж. 2.5 с, след 1 с 30.0 мм, в 10 75 %, устойч. 100 %, 0,2 с 5.0 мм, срыв 2.5 мм");
    ImagePrinter printer;
    ASSERT_TRUE(PrintTarget(printer, r, QStringLiteral("Взвод"), ProgramState()).ok);
    EXPECT_TRUE(Contains(printer.pages[0].texts, line));
    EXPECT_TRUE(TextsOf(r, QString(), nullptr).Figures.endsWith(QChar(u'\n') + line));

    // A record without them prints and shows as it did.
    ResultRecord bare = r;
    bare.Beside = QJsonObject();
    ImagePrinter plain;
    ASSERT_TRUE(PrintTarget(plain, bare, QStringLiteral("Взвод"), ProgramState()).ok);
    EXPECT_EQ(plain.pages[0].texts.size() + 1, printer.pages[0].texts.size());
    EXPECT_EQ(TextsOf(bare, QString(), nullptr).Figures,
              RecordFigureLines(bare, nullptr).join(QChar(u'\n')));
}

TEST(Printing, CourseKeptBesideTheRecordIsPrintedWithItsShotTimes) {
    ResultRecord r = Sheet(1, {{0, 0}, {50, 50}});
    r.Beside = QJsonDocument::fromJson(R"({"course": "Служебное упражнение", "grade": "хорошо",
        "reaction": 0.85,
        "stages": [{"planned": 1, "shots": 1, "sum": 10, "late": 0},
                   {"planned": 1, "shots": 1, "sum": 0, "late": 1}],
        "shots": [{"t": 0.85, "split": 0.85, "late": false},
                  {"t": 4.1, "split": 3.25, "late": true}]})")
                   .object();
    ImagePrinter printer;
    ASSERT_TRUE(PrintTarget(printer, r, QStringLiteral("Взвод"), ProgramState()).ok);
    ASSERT_EQ(printer.pages.size(), 1u);
    const auto& texts = printer.pages[0].texts;
    for (const char* text :
         {"Упражнение:  Служебное упражнение", "Оценка:  хорошо", "Этапы: 10 + 0 = 10",
          "Реакция: 0.85 с", "Выстрелы: 1) 0.85 с; 2) 4.10 с (+3.25) поздно", "Сумма:  27"}) {
        EXPECT_TRUE(Contains(texts, QString::fromUtf8(text))) << text;
    }
    // The target gives up a line of height to the shot times, centred as before, and the
    // holes stay on it: found from its frame's left edge (the pen is 4 wide).
    const QImage& page = printer.pages[0].image;
    int left = 0;
    while (left < kCx && At(page, left, 982) != kBlack) {
        ++left;
    }
    const double side = page.width() - 2.0 * (left + 2);
    EXPECT_LT(side, 0.8 * page.width() - 10);
    const double e = side / 200;
    EXPECT_TRUE(
        AnyBlackNear(page, static_cast<int>(kCx + 52 * e - 2), static_cast<int>(682 + 150 * e)));
    EXPECT_EQ(At(page, kCx + 50 * e, 682 + 150 * e), kWhite) << "the hole's white fill";
    EXPECT_EQ(At(page, kCx + 50 * kE + 2 * kE - 2, kCy + 50 * kE), kWhite)
        << "not where the full-size target would put it";

    // A thousand timed shots still print on one page, the last line cut with "…".
    for (int i = 0; i < 1000; ++i) {
        SetShotMember(r.Beside, i, QStringLiteral("t"), 1.0 + i);
        SetShotMember(r.Beside, i, QStringLiteral("split"), 1.0);
    }
    ImagePrinter many;
    ASSERT_TRUE(PrintTarget(many, r, QStringLiteral("Взвод"), ProgramState()).ok);
    ASSERT_EQ(many.pages.size(), 1u);
    const auto lines =
        std::count_if(many.pages[0].texts.begin(), many.pages[0].texts.end(),
                      [](const QString& t) { return t.contains(QStringLiteral(") ")); });
    EXPECT_GT(lines, 3);
    EXPECT_LT(lines, 20);
    EXPECT_TRUE(std::any_of(many.pages[0].texts.begin(), many.pages[0].texts.end(),
                            [](const QString& t) { return t.endsWith(QStringLiteral("…")); }));
}
