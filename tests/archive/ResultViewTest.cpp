#include "archive/ResultView.h"
#include "archive/ArchiveStore.h"
#include "core/ProgramState.h"
#include "support/TempDir.h"
#include "targets/Marks.h"
#include "targets/TargetDrawing.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <memory>

using namespace ryvo;

namespace {

int RedIn(const ImageCanvas& image, int x1, int y1, int x2, int y2) {
    int count = 0;
    for (int y = y1; y < y2; ++y) {
        for (int x = x1; x < x2; ++x) {
            count += image.Pixel(x, y) == kRed ? 1 : 0;
        }
    }
    return count;
}

ResultRecord Record(std::int32_t type, std::vector<ShotPoint> shots) {
    ResultRecord r;
    r.Date = QStringLiteral("7.12.2008");
    r.Shooter = QStringLiteral("Петров");
    r.TargetType = type;
    r.PlannedShots = 10;
    r.TimeLimit = 0;
    r.ShotsMade = static_cast<std::int32_t>(shots.size());
    r.ShootTime = 7.5F;
    r.SumText = QStringLiteral("27");
    r.Comment = QStringLiteral("ветер слева");
    r.Shots = std::move(shots);
    return r;
}

struct View {
    ProgramState state;
    ResultView view{state};

    explicit View(const ResultRecord& record, int current = 0) {
        state.GroupName = QStringLiteral("Взвод_1");
        state.archive.DayRecords = {ResultRecord(), record};
        state.archive.CurrentRecord = current == 0 ? 1 : current;
        view.Activate();
    }
    // 1000 pixels wide: k = 5, the centre at (500, 500).
    std::unique_ptr<ImageCanvas> Picture() const {
        auto canvas = std::make_unique<ImageCanvas>(1000, 1000, kBlue);
        view.Render(*canvas);
        return canvas;
    }
};

} // namespace

TEST(ResultView, MissArrowFollowsTheStrictTable) {
    struct Case {
        float x, y;
        MissDirection side;
    };
    const Case cases[] = {
        {-120, 0, MissDirection::Left},         {-120, -100, MissDirection::Left},
        {-120, -130, MissDirection::UpperLeft}, {-120, 130, MissDirection::LowerLeft},
        {-100, -130, MissDirection::Up},        {100, 130, MissDirection::Down},
        {130, 130, MissDirection::LowerRight},  {150, 0, MissDirection::Right},
        {130, -130, MissDirection::UpperRight},
    };
    for (const Case& c : cases) {
        View v(Record(2, {{c.x, c.y}}));
        v.view.ViewShootsClick();
        EXPECT_TRUE(v.view.MissShown()) << c.x << ", " << c.y;
        EXPECT_EQ(v.view.Arrow(), c.side) << c.x << ", " << c.y;
    }
    // Left of the centre but on the square: no miss, no arrow (the exercise windows' table
    // would say "left" for such a point).
    EXPECT_EQ(MissDirectionOf(-50, 0, MissTable::Strict), MissDirection::None);
    EXPECT_EQ(MissDirectionOf(-50, 0), MissDirection::Left);
}

TEST(ResultView, TextsOfTheRecord) {
    ResultRecord r = Record(2, {{0, 0}});
    View v(r);
    const ResultTexts& t = v.view.Texts();
    EXPECT_EQ(t.Group, QStringLiteral("Взвод_1"));
    EXPECT_EQ(t.Shooter, QStringLiteral("Петров"));
    EXPECT_EQ(t.NumShoots, QStringLiteral("10"));
    EXPECT_EQ(t.Time, QStringLiteral("не огр."));
    EXPECT_EQ(t.NumShoots2, QStringLiteral("1"));
    EXPECT_EQ(t.Time2, QStringLiteral(" 7.50"));
    EXPECT_EQ(t.Sym, QStringLiteral("27"));
    EXPECT_EQ(t.Comm, QStringLiteral("ветер слева"));
    r.TimeLimit = 60;
    r.ShootTime = 12.5F;
    EXPECT_EQ(TextsOf(r, QString(), nullptr).Time, QStringLiteral("60"));
    EXPECT_EQ(TextsOf(r, QString(), nullptr).Time2, QStringLiteral("12.50"));

    // No such record: an empty view, nothing to step through.
    View none(r, 5);
    EXPECT_FALSE(none.view.Activate());
    EXPECT_TRUE(none.view.Record().Shots.empty());
}

TEST(ResultView, StepsThroughTheShotsInFiringOrder) {
    // The centre, a miss to the right, a miss at the top left, a shot whose centre lies just
    // beyond the right edge (on the paper, not drawn on activation).
    View v(Record(2, {{0, 0}, {150, 0}, {-120, -130}, {100.2F, 0}}));
    ResultView& view = v.view;
    const Color edgeAtStart = v.Picture()->Pixel(996, 500);
    EXPECT_EQ(v.Picture()->Pixel(500, 500), kWhite); // a white hole
    EXPECT_NE(edgeAtStart, kRed);
    EXPECT_NE(edgeAtStart, kBlack);
    EXPECT_EQ(view.ButtonCaption(), QStringLiteral("Просмотреть выстрелы"));
    EXPECT_FALSE(view.CaptionRed());
    // The shot at (150, 0) lies off the image: activation draws nothing for it.
    View withoutMiss(Record(2, {{0, 0}, {-120, -130}, {100.2F, 0}}));
    EXPECT_EQ(v.Picture()->Image(), withoutMiss.Picture()->Image());

    view.ViewShootsClick();
    EXPECT_TRUE(view.Stepping());
    EXPECT_TRUE(view.CaptionRed());
    EXPECT_EQ(view.ButtonCaption(), QStringLiteral("Выстрел N 1"));
    EXPECT_FALSE(view.MissShown());
    EXPECT_EQ(v.Picture()->Pixel(500, 500), kRed);
    EXPECT_EQ(v.Picture()->Pixel(996, 500), kBlack); // painted black, clipped

    view.Next();
    EXPECT_EQ(view.ButtonCaption(), QStringLiteral("Выстрел N 2"));
    EXPECT_EQ(v.Picture()->Pixel(500, 500), kBlack);
    EXPECT_TRUE(view.MissShown());
    EXPECT_EQ(view.Arrow(), MissDirection::Right);
    ImageCanvas arrow(21, 21);
    view.RenderArrow(arrow);
    EXPECT_GT(RedIn(arrow, 15, 6, 21, 13), 0);

    view.ViewShootsClick(); // the button steps on as Shift does
    EXPECT_EQ(view.CurrentShot(), 3);
    EXPECT_EQ(view.Arrow(), MissDirection::UpperLeft);

    view.Next();
    EXPECT_EQ(view.CurrentShot(), 4);
    EXPECT_FALSE(view.MissShown());
    view.RenderArrow(arrow);
    EXPECT_EQ(RedIn(arrow, 0, 0, 21, 21), 0);
    EXPECT_EQ(v.Picture()->Pixel(996, 500), kRed);

    // Past the last shot: it turns black, the caption comes back, its red colour stays.
    view.Next();
    EXPECT_FALSE(view.Stepping());
    EXPECT_EQ(view.ButtonCaption(), QStringLiteral("Просмотреть выстрелы"));
    EXPECT_TRUE(view.CaptionRed());
    EXPECT_EQ(v.Picture()->Pixel(996, 500), kBlack);
    EXPECT_EQ(v.Picture()->Pixel(500, 500), kBlack);
    view.Next(); // nothing more
    EXPECT_FALSE(view.Stepping());

    // Activation draws the holes white again.
    view.Activate();
    EXPECT_EQ(v.Picture()->Pixel(500, 500), kWhite);
    EXPECT_EQ(v.Picture()->Pixel(996, 500), edgeAtStart);
    EXPECT_TRUE(view.CaptionRed());

    // Escape stops with the current shot left red.
    view.ViewShootsClick();
    view.Stop();
    EXPECT_FALSE(view.Stepping());
    EXPECT_FALSE(view.MissShown());
    EXPECT_EQ(view.ButtonCaption(), QStringLiteral("Просмотреть выстрелы"));
    EXPECT_EQ(v.Picture()->Pixel(500, 500), kRed);
}

TEST(ResultView, ShotsThatAreNoOrdinaryMiss) {
    // A record without shots ends the step-through at once.
    View empty(Record(1, {}));
    empty.view.ViewShootsClick();
    EXPECT_FALSE(empty.view.Stepping());
    EXPECT_TRUE(empty.view.CaptionRed());

    // A dark-target shot is no miss; a shot that is no number scores as a miss with no side
    // to point to: "Промах" with an empty arrow.
    const QByteArray file = "A\r\n7.12.2008 9:5\r\n2 0 10 0\r\n2 1.00\r\n\r\n"
                            "-1234.00 -1234.00\r\nnan nan\r\n";
    const auto records = ParseGroupFile(file);
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0].Shots.size(), 2u);
    View odd(records[0]);
    odd.view.ViewShootsClick();
    EXPECT_FALSE(odd.view.MissShown());
    odd.view.Next();
    EXPECT_TRUE(std::isnan(odd.view.Record().Shots[1].x));
    EXPECT_TRUE(odd.view.MissShown());
    EXPECT_EQ(odd.view.Arrow(), MissDirection::None);
    // Drawn without the shot it cannot place.
    EXPECT_EQ(odd.Picture()->Pixel(500, 500), kDarkGrey);

    // The sport target's corners are paper: a shot there scores, so no miss is shown.
    View corner(Record(2, {{95, 95}}));
    corner.view.ViewShootsClick();
    EXPECT_FALSE(corner.view.MissShown());
}

TEST(ResultView, LibraryPictureOrAnEmptySquareWithALine) {
    test::TempDir dir;
    QDir().mkpath(dir.File(QStringLiteral("Targets")));
    dir.Write(QStringLiteral("Targets/strings.txt"), "1\t2\n101\tA\n102\tB\n");
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(ToQColor(kAqua));
    ASSERT_TRUE(picture.save(dir.File(QStringLiteral("Targets/1001.png"))));

    View drawn(Record(3, {{0, 0}}));
    drawn.state.StartDir = dir.Path();
    LoadTargetLibrary(drawn.state);
    ASSERT_TRUE(drawn.state.TargetLibrary.has_value());
    ImageCanvas canvas(1000, 1000, kBlue);
    EXPECT_TRUE(drawn.view.Render(canvas).isEmpty());
    EXPECT_EQ(canvas.Pixel(10, 990), kAqua);
    EXPECT_EQ(canvas.Pixel(500, 500), kWhite);

    View missing(Record(4, {{0, 0}}));
    missing.state.TargetLibrary = drawn.state.TargetLibrary;
    const QString line = missing.view.Render(canvas);
    EXPECT_TRUE(line.contains(QStringLiteral("1002"))) << line.toStdString();
    EXPECT_FALSE(line.contains(QChar(u'\n')));
    EXPECT_EQ(canvas.Pixel(10, 990), kWhite); // the empty square
    EXPECT_EQ(canvas.Pixel(500, 500), kWhite);
    EXPECT_EQ(canvas.Pixel(490, 500), kBlack); // the hole's outline is still drawn

    View noPack(Record(3, {}));
    EXPECT_FALSE(noPack.view.Render(canvas).isEmpty());
}

TEST(ResultView, CourseKeptBesideTheRecordIsShownAndARecordWithoutShowsNone) {
    ResultRecord r = Record(1, {{0, 0}, {5, 5}, {-400, 0}});
    EXPECT_EQ(TextsOf(r, QString(), nullptr).Course, QString());
    EXPECT_EQ(TextsOf(r, QString(), nullptr).CourseLines, QString());

    r.Beside = QJsonDocument::fromJson(R"({"course": "Служебное упражнение", "grade": "хорошо",
        "reaction": 0.85,
        "stages": [{"planned": 2, "shots": 2, "sum": 19, "late": 0},
                   {"planned": 1, "shots": 1, "sum": 0, "late": 1}],
        "shots": [{"t": 0.85, "split": 0.85, "late": false, "hold": 1.2},
                  {"t": 1.9, "split": 1.05, "late": false},
                  {"t": 3.4, "split": 3.4, "late": true}]})")
                   .object();
    View v(r);
    const ResultTexts& t = v.view.Texts();
    EXPECT_EQ(t.Course, QStringLiteral("Служебное упражнение"));
    EXPECT_EQ(t.Grade, QStringLiteral("хорошо"));
    EXPECT_EQ(t.CourseLines, QStringLiteral("Этапы: 19 + 0 = 19\nРеакция: 0.85 с\nВыстрелы: 1) "
                                            "0.85 с; 2) 1.90 с (+1.05); 3) 3.40 с (+3.40) поздно"));
    EXPECT_EQ(t.Sym, QStringLiteral("27")) << "the record's own fields as they are";
}
