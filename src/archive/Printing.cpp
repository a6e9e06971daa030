#include "archive/Printing.h"

#include "archive/CoursePrint.h"
#include "core/ProgramState.h"
#include "core/ShotHold.h"
#include "targets/GroupAnalysis.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"

#include <QDir>

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

// Every printed coordinate drops its fraction.
int T(double value) {
    return static_cast<int>(value);
}

constexpr Color kPrintGrey = 0x646464; // red, green and blue 100

QString WithoutTrailingLineEnd(QString text) {
    if (text.endsWith(QLatin1String("\r\n"))) {
        text.chop(2);
    } else if (text.endsWith(QChar(u'\n')) || text.endsWith(QChar(u'\r'))) {
        text.chop(1);
    }
    return text;
}

void CentredText(Canvas& canvas, double left, double right, double y, const QString& text) {
    canvas.TextOut(T((left + right) * 0.5 - canvas.TextWidth(text) * 0.5), T(y), text);
}

// The group figures of the series, centred in the free band between the comment and the
// target; `y` is the first line's top.
void DrawGroupFigures(Canvas& canvas, double width, double y, double lineHeight,
                      const ResultRecord& record, const ZoneMaps* zones) {
    for (const QString& line : RecordFigureLines(record, zones)) {
        CentredText(canvas, 0, width, y, line);
        y += lineHeight;
    }
}

struct TargetArea {
    double D = 0;
    double B = 0;
    double E = 0;
    double G = 0;

    void Circle(Canvas& canvas, double r) const {
        canvas.Ellipse(T(D + G - r * E), T(B + G - r * E), T(D + G + r * E), T(B + G + r * E));
    }
    void Label(Canvas& canvas, double x, double y, int value) const {
        canvas.TextOut(T(x), T(y), QString::number(value));
    }
};

void DrawN4(Canvas& canvas, const TargetArea& t) {
    const double D = t.D, B = t.B, E = t.E, G = t.G;
    canvas.SetPen(kBlack, 4);
    canvas.SetBrush(kWhite, BrushStyle::Clear);
    canvas.Rectangle(T(D), T(B), T(D + 200 * E), T(B + 200 * E));
    for (int r = 20; r <= 100; r += 20) {
        t.Circle(canvas, r);
    }
    FontSpec font{QStringLiteral("Arial"), std::max(1, T(10 * E)), false, false, kBlack};
    canvas.SetFont(font);
    canvas.TextOut(T(D + G - E * 2000 / 141), T(B + G + E * 590 / 141), QStringLiteral("10"));
    for (int r = 40; r <= 120; r += 20) {
        const double J = r * 100.0 / 141;
        t.Label(canvas, D + G - (J - 5) * E, B + G + (J - 10) * E, 11 - r / 20);
    }
    canvas.SetPen(kBlack, 4);
    canvas.SetBrush(kWhite, BrushStyle::Solid);
    canvas.Rectangle(T(D), T(B), T(D + 54 * E - 1), T(B + 73 * E - 1));
    canvas.Rectangle(T(D + 146 * E + 1), T(B), T(D + 200 * E + 1), T(B + 73 * E - 1));
}

void DrawSport(Canvas& canvas, const TargetArea& t) {
    const double D = t.D, B = t.B, E = t.E, G = t.G;
    canvas.SetPen(kWhite, 4);
    canvas.SetBrush(kWhite, BrushStyle::Solid);
    t.Circle(canvas, 100);
    canvas.SetBrush(kPrintGrey, BrushStyle::Solid);
    t.Circle(canvas, 40);
    FontSpec font{QStringLiteral("Arial"), std::max(1, T(7 * E)), false, false, kWhite};
    canvas.SetFont(font);
    canvas.SetBrush(kWhite, BrushStyle::Clear);
    auto ring = [&](int r) {
        if (r != 10) {
            t.Label(canvas, D + G - (r - 3) * E, B + G - 4 * E, 11 - r / 10);
            t.Label(canvas, D + G + (r - 8) * E, B + G - 4 * E, 11 - r / 10);
        }
        t.Circle(canvas, r);
    };
    for (int r = 10; r <= 40; r += 10) {
        ring(r);
    }
    canvas.SetPen(kBlack, 4);
    font.color = kBlack;
    canvas.SetFont(font);
    for (int r = 50; r <= 100; r += 10) {
        ring(r);
    }
}

// The picture is sampled at every second pixel of its top-left 400 x 400 pixels; a smaller
// picture is sampled over its whole size instead.
void DrawLibrary(Canvas& canvas, const TargetArea& t, const QImage& picture) {
    const double D = t.D, B = t.B, E = t.E;
    canvas.SetPen(kBlack, 4);
    canvas.SetBrush(kWhite, BrushStyle::Clear);
    canvas.Rectangle(T(D), T(B), T(D + 200 * E), T(B + 200 * E));
    if (picture.isNull()) {
        return;
    }
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const bool full = image.width() >= 400 && image.height() >= 400;
    for (int j = 0; j < 200; ++j) {
        const int px = full ? 2 * j : j * image.width() / 200;
        for (int i = 0; i < 200; ++i) {
            const int py = full ? 2 * i : i * image.height() / 200;
            canvas.SetBrush(FromQColor(QColor(image.pixel(px, py))), BrushStyle::Solid);
            canvas.FillRect(T(D + j * E), T(B + i * E), T(D + (j + 1) * E), T(B + (i + 1) * E));
        }
    }
}

} // namespace

QString TargetName(std::int32_t type) {
    switch (type) {
    case 1:
        return QStringLiteral("Мишень N4");
    case 2:
        return QStringLiteral("Мишень спортивная");
    case 3:
        return QStringLiteral("Мишень полицейская");
    default:
        return QStringLiteral("Мишень: пользовательский тип");
    }
}

QStringList RecordFigureLines(const ResultRecord& record, const ZoneMaps* zones) {
    return GroupFigureLines(AnalyseGroup(record.Shots, record.TargetType, zones));
}

std::optional<UserMessage> PrintOutcomeMessage(const PrintOutcome& outcome) {
    if (!outcome.ok) {
        return UserMessage{QStringLiteral("Результат не напечатан.\n%1").arg(outcome.error),
                           QStringLiteral("Ошибка!"), MessageIcon::Error};
    }
    if (!outcome.pdfPath.isEmpty()) {
        return UserMessage{QStringLiteral("Принтер не найден. Документ сохранён в файл:\n%1")
                               .arg(QDir::toNativeSeparators(outcome.pdfPath)),
                           QStringLiteral("Печать"), MessageIcon::Information};
    }
    return std::nullopt;
}

QString PrintDocumentName(const QString& date, const QString& time, const QString& who) {
    QString name = date;
    if (!time.isEmpty()) {
        name += QChar(u' ') + QString(time).replace(QChar(u':'), QChar(u'-'));
    }
    if (!who.isEmpty()) {
        name += QChar(u' ') + who;
    }
    return name;
}

void DrawResultSheet(Canvas& canvas, int dpi, const ResultRecord& record, const QString& groupName,
                     const QImage& library, const ZoneMaps* zones) {
    const double W = canvas.Width();
    const double s = W * 0.005;
    FontSpec font{QStringLiteral("Times New Roman"), std::max(1, 10 * dpi / 72), false, false,
                  kBlack};
    canvas.SetFont(font);
    canvas.SetBrush(kWhite, BrushStyle::Solid);

    const QString heading =
        QStringLiteral("Группа: %1.        Стрелок: %2").arg(groupName, record.Shooter);
    const int cx = canvas.TextWidth(heading);
    const int cy = canvas.TextHeight(heading);
    const int x0 = T(W * 0.5 - cx * 0.5 - 5 * s);
    const int y1 = T(20 * s);
    const int h = T(cy + 3 * s);
    canvas.SetPen(kBlack, 2);
    canvas.Rectangle(x0, y1, x0 + T(cx + 10 * s), y1 + h);
    canvas.TextOut(T(x0 + 5 * s), T(y1 + 1.5 * s), heading);

    const QString date = QStringLiteral("Дата стрельбы:  %1").arg(record.Date);
    const int dateLeft = T(W * 0.5 - canvas.TextWidth(date) * 0.5);
    const int y = T(y1 + 1.5 * h);
    canvas.TextOut(dateLeft, y, date);
    const int x = T(dateLeft - 10 * s);
    const double L = canvas.TextHeight(date) + s;

    const QString lines[] = {
        TargetName(record.TargetType),
        QStringLiteral("Количество выстрелов:  %1").arg(record.PlannedShots),
        record.TimeLimit == 0 ? QStringLiteral("Время стрельбы: не ограничено")
                              : QStringLiteral("Время стрельбы:  %1 сек").arg(record.TimeLimit),
        QStringLiteral("   Произведено"),
        QStringLiteral("выстрелов:  %1").arg(record.ShotsMade),
        QStringLiteral("время стрельбы:  ") +
            QString::asprintf("%5.2f сек", static_cast<double>(record.ShootTime)),
        QStringLiteral("Сумма:  %1").arg(record.SumText),
    };
    double lineY = y + h;
    double linesRight = x;
    for (const QString& line : lines) {
        canvas.TextOut(x, T(lineY), line);
        linesRight = std::max(linesRight, static_cast<double>(x + canvas.TextWidth(line)));
        lineY += L;
    }
    // A course's record: its summary beside the lines, the shot times under the target,
    // which gives up the height they need.
    const std::optional<CourseEntry> course = CourseOfRecord(record.Beside);
    if (course) {
        DrawCourseSummary(canvas, std::max(W * 0.6, linesRight + 5 * s), W - 10 * s, y + h, L,
                          *course);
    }
    const double sumY = lineY - L;
    CentredText(canvas, 0, W, sumY + 1.5 * L, QStringLiteral("Комментарий:"));
    CentredText(canvas, 0, W, sumY + 2.5 * L, WithoutTrailingLineEnd(record.Comment));
    DrawGroupFigures(canvas, W, sumY + 4 * L, L, record, zones);

    TargetArea target;
    target.B = T(110 * s);
    QStringList shotLines;
    int side = T(W * 0.8);
    if (course) {
        // Under the target: the shot lines and a line of hold figures; the target keeps at
        // least half the page's width.
        const int fit = static_cast<int>((canvas.Height() - target.B - W * 0.5) / L - 1.5);
        shotLines = WrappedShotLines(canvas, CourseShotTexts(*course), W - 20 * s, fit);
        side = T(W * 0.8 - L * static_cast<double>(shotLines.size()));
    }
    target.E = side * 0.005;
    target.G = target.E * 100;
    target.D = course ? T((W - side) * 0.5) : T(W * 0.1);
    if (record.TargetType == 1) {
        DrawN4(canvas, target);
    } else if (record.TargetType == 2) {
        DrawSport(canvas, target);
    } else {
        DrawLibrary(canvas, target, library);
    }

    // Under the target: the course's shot times, then the hold figures' means kept beside
    // the record.
    double holdY = target.B + 2 * target.G + L * 0.5;
    for (const QString& line : shotLines) {
        CentredText(canvas, 0, W, holdY, line);
        holdY += L;
    }
    for (const QString& line : HoldFigureLines(MeanHolds(HoldsOfRecord(record.Beside)))) {
        CentredText(canvas, 0, W, holdY, line);
        holdY += L;
    }

    canvas.SetPen(kBlack, 8);
    canvas.SetBrush(kWhite, BrushStyle::Solid);
    const double rE = kShotMarkRadius * target.E;
    for (const ShotPoint& shot : record.Shots) {
        // Written so that a shot that is no number (a hand-edited file) is left out too.
        if (!(shot.x >= -100 && shot.x <= 100 && shot.y >= -100 && shot.y <= 100)) {
            continue;
        }
        const double cxShot = target.D + target.G + shot.x * target.E;
        const double cyShot = target.B + target.G + shot.y * target.E;
        canvas.Ellipse(T(cxShot - rE), T(cyShot - rE), T(cxShot + rE), T(cyShot + rE));
    }
}

PrintOutcome PrintTarget(Printer& printer, const ResultRecord& record, const QString& groupName,
                         const ProgramState& state) {
    Canvas* canvas =
        printer.BeginDocument(PrintDocumentName(record.Date, record.Time, record.Shooter));
    if (canvas == nullptr) {
        PrintOutcome failed;
        failed.error = QStringLiteral("Не удалось начать печать.");
        return failed;
    }
    QImage library;
    if (record.TargetType >= 3 && state.TargetLibrary) {
        library = state.TargetLibrary->Bitmap(LibraryPictureId(record.TargetType));
    }
    DrawResultSheet(*canvas, printer.Dpi(), record, groupName, library, LoadedZones(state));
    return printer.EndDocument();
}

namespace {

FontSpec TableFont(double u) {
    return FontSpec{QStringLiteral("Times New Roman Cyr"), std::max(1, T(18 * u)), false, false,
                    kBlack};
}

} // namespace

TableGeometry PrintHeader(Canvas& canvas, const QString& groupName, const QString& date) {
    const double W = canvas.Width();
    const double u = W * 0.001;
    canvas.SetFont(TableFont(u));
    canvas.SetBrush(kWhite, BrushStyle::Solid);
    canvas.SetPen(kBlack, 2);

    const QString heading = QStringLiteral("Группа: %1").arg(groupName);
    const int cx = canvas.TextWidth(heading);
    const int cy = canvas.TextHeight(heading);
    const double a = cy / 2.0;
    const int boxLeft = T(W * 0.5 - cx * 0.5 - a);
    const int boxTop = T(a);
    const int boxHeight = T(cy + 2 * a);
    canvas.Rectangle(boxLeft, boxTop, boxLeft + T(cx + 2 * a), boxTop + boxHeight);
    canvas.TextOut(T(boxLeft + a), T(boxTop + a), heading);

    const int dateY = boxTop + boxHeight;
    canvas.TextOut(T(a), dateY, QStringLiteral("Дата стрельбы:  %1").arg(date));

    TableGeometry g;
    g.left = T(a);
    g.width = T(W - 2 * a);
    const int top = T(dateY + boxHeight + a);
    g.headerHeight = 3 * cy;
    const int bottom = top + g.headerHeight;
    canvas.Rectangle(g.left, top, g.left + g.width, bottom);

    double offset = 0;
    g.columns.push_back(g.left);
    auto addColumn = [&](double width) {
        offset += width;
        g.columns.push_back(T(g.left + offset));
    };
    addColumn(180 * u);
    addColumn(100 * u);
    for (int k = 0; k < 12; ++k) {
        addColumn(30 * u);
    }
    addColumn(100 * u);
    addColumn(100 * u);
    g.columns.push_back(g.left + g.width);
    const auto& b = g.columns; // 0 shooter | 1 shots | 2 misses, 0..10 | 14 sum | 15 time | 16

    for (size_t i = 1; i + 1 < b.size(); ++i) {
        const bool narrow = i >= 3 && i <= 13;
        canvas.MoveTo(b[i], narrow ? T(top + 1.5 * cy) : top);
        canvas.LineTo(b[i], bottom);
    }
    canvas.MoveTo(b[2], T(top + 1.5 * cy));
    canvas.LineTo(b[14], T(top + 1.5 * cy));

    CentredText(canvas, b[0], b[1], top + a, QStringLiteral("Стрелок"));
    CentredText(canvas, b[1], b[2], top + a, QStringLiteral("Число"));
    CentredText(canvas, b[1], b[2], top + cy + a / 2, QStringLiteral("выстрелов"));
    CentredText(canvas, b[2], b[14], top + a / 2, QStringLiteral("Попадания"));
    CentredText(canvas, b[2], b[3], top + 1.75 * cy, QStringLiteral("Пр"));
    for (int score = 0; score <= 10; ++score) {
        CentredText(canvas, b[3 + score], b[4 + score], top + 1.75 * cy, QString::number(score));
    }
    CentredText(canvas, b[14], b[15], top + a / 2, QStringLiteral("Сумма"));
    CentredText(canvas, b[15], b[16], top + a / 2, QStringLiteral("Время"));
    CentredText(canvas, b[15], b[16], top + cy + a, QStringLiteral("стрельбы"));
    CentredText(canvas, b[16], g.width, top + a / 2, QStringLiteral("Оценка"));

    g.top = bottom;
    return g;
}

namespace {

double RowHeight(Canvas& canvas) {
    return 1.5 * canvas.TextHeight(QStringLiteral("Строка"));
}

void DrawRows(Canvas& canvas, const TableGeometry& g, const std::vector<ResultRecord>& day,
              size_t first, size_t count) {
    const double cyRow = canvas.TextHeight(QStringLiteral("Строка"));
    const double rh = 1.5 * cyRow;
    const auto& b = g.columns;
    const int tableBottom = T(g.top + rh * static_cast<double>(count));
    for (const int x : b) {
        canvas.MoveTo(x, g.top);
        canvas.LineTo(x, tableBottom);
    }
    for (size_t k = 0; k < count; ++k) {
        const ResultRecord& r = day[first + k];
        const double y = g.top + rh * static_cast<double>(k + 1);
        const double textY = y - 1.25 * cyRow;
        canvas.TextOut(g.left + 10, T(textY), r.Shooter);
        CentredText(canvas, b[1], b[2], textY, r.ShotsText);
        CentredText(canvas, b[2], b[3], textY, r.Hits[kMissColumn]);
        for (int score = 0; score <= 10; ++score) {
            CentredText(canvas, b[3 + score], b[4 + score], textY,
                        r.Hits[static_cast<size_t>(score)]);
        }
        CentredText(canvas, b[14], b[15], textY, r.SumText);
        CentredText(canvas, b[15], b[16], textY, r.ShootTimeText);
        canvas.MoveTo(g.left, T(y));
        canvas.LineTo(g.left + g.width, T(y));
    }
}

int RowsThatFit(Canvas& canvas, const TableGeometry& g) {
    const double rh = RowHeight(canvas);
    return std::max(1, static_cast<int>((canvas.Height() - g.top - 1) / rh));
}

} // namespace

PrintOutcome PrintDayTable(Printer& printer, const std::vector<ResultRecord>& day,
                           const QString& groupName) {
    const QString date = day.empty() ? QString() : day.front().Date;
    Canvas* canvas = printer.BeginDocument(
        PrintDocumentName(date, QString(), QStringLiteral("Группа %1").arg(groupName)));
    if (canvas == nullptr) {
        PrintOutcome failed;
        failed.error = QStringLiteral("Не удалось начать печать.");
        return failed;
    }
    size_t first = 0;
    do {
        const TableGeometry g = PrintHeader(*canvas, groupName, date);
        const size_t count =
            std::min(day.size() - first, static_cast<size_t>(RowsThatFit(*canvas, g)));
        DrawRows(*canvas, g, day, first, count);
        first += count;
        if (first < day.size()) {
            canvas = printer.NewPage();
            if (canvas == nullptr) {
                PrintOutcome failed = printer.EndDocument();
                failed.ok = false;
                failed.error = QStringLiteral("Не удалось начать новую страницу.");
                return failed;
            }
        }
    } while (first < day.size());
    return printer.EndDocument();
}

} // namespace ryvo
