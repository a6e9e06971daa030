#include "archive/RelaySheet.h"

#include "archive/ArchiveExport.h"
#include "archive/ArchiveStore.h"
#include "archive/CoursePrint.h"
#include "archive/Printing.h"
#include "core/ProgramState.h"
#include "platform/Canvas.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "targets/GroupAnalysis.h"
#include "targets/Scoring.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <set>

namespace ryvo {

namespace {

int T(double value) {
    return static_cast<int>(value);
}

const QString kNobody = QStringLiteral("—");

QString OneDecimal(double value) {
    return QString::number(value, 'f', 1);
}

QString TimeLimitText(std::int32_t limit) {
    return limit == 0 ? QStringLiteral("Время стрельбы: не ограничено")
                      : QStringLiteral("Время стрельбы:  %1 сек").arg(limit);
}

QString DocumentName(const RelaySheet& sheet) {
    QString who = QStringLiteral("Ведомость смены");
    if (!sheet.group.isEmpty()) {
        who += QChar(u' ') + sheet.group;
    }
    return PrintDocumentName(sheet.date, sheet.time, who);
}

// The texts of one row on the page, column by column after lane and shooter.
struct RowTexts {
    QStringList hits;
    QString misses, sum, time, meanPoint, spread;
};

RowTexts PageTexts(const RelaySheet& sheet, const RelayRow& row) {
    RowTexts t;
    for (const std::int32_t score : sheet.scores) {
        const int count = row.hitsPerScore[static_cast<size_t>(score)];
        // As the day table: "-" where there is no hit.
        t.hits << (count == 0 ? QStringLiteral("-") : QString::number(count));
    }
    t.misses = QString::number(row.misses);
    t.sum = QString::number(row.sum);
    t.time =
        row.shots == 0 ? kNobody : QString::asprintf("%.2f", static_cast<double>(row.shootTime));
    t.meanPoint = row.hits == 0
                      ? kNobody
                      : QStringLiteral("%1; %2").arg(OneDecimal(row.meanX), OneDecimal(row.meanY));
    t.spread = row.hits == 0 ? kNobody : OneDecimal(row.extremeSpread);
    return t;
}

} // namespace

std::vector<int> RelayLanes(const ProgramState& state, int laneCount) {
    std::vector<int> lanes;
    for (int lane = 0; lane < std::min(laneCount, kLaneCount); ++lane) {
        if (state.LanePresent[static_cast<size_t>(lane)] != 0) {
            lanes.push_back(lane);
        }
    }
    return lanes;
}

RelaySheet BuildRelaySheet(const ProgramState& state, std::span<const int> lanes,
                           const QDateTime& when) {
    RelaySheet sheet;
    const SaveTime time = SaveTime::From(when);
    sheet.date = time.DateText();
    sheet.time = QString::asprintf("%02d:%02d", time.hour, time.minute);
    sheet.group = state.GroupName;
    sheet.plannedShots = static_cast<std::int32_t>(state.settings.ShootsNumber);
    sheet.timeLimit = static_cast<std::int32_t>(state.settings.Time);
    std::set<std::int32_t, std::greater<>> scores;
    for (const int lane : lanes) {
        if (lane < 0 || lane >= kLaneCount) {
            continue;
        }
        const auto i = static_cast<size_t>(lane);
        RelayRow row;
        row.lane = lane;
        row.shooter = state.LaneShooter[i].trimmed();
        row.targetType = state.settings.Target[i];
        // The shots a save of the lane would keep.
        const auto& all = state.run.ShotPos[i];
        const size_t count = std::min<size_t>(state.run.ShotCount[i], all.size());
        const std::span<const ShotPoint> shots(all.data(), count);
        row.shots = static_cast<int>(count);
        row.shootTime = state.run.ShootTime[i];
        const GroupFigures figures = AnalyseGroup(shots, row.targetType, LoadedZones(state));
        row.hitsPerScore = figures.hitsPerScore;
        row.misses = figures.misses + figures.darkShots;
        for (size_t score = 0; score < row.hitsPerScore.size(); ++score) {
            row.sum += static_cast<int>(score) * row.hitsPerScore[score];
            if (row.hitsPerScore[score] > 0) {
                scores.insert(static_cast<std::int32_t>(score));
            }
        }
        row.hits = figures.hits;
        row.meanX = figures.meanX;
        row.meanY = figures.meanY;
        row.extremeSpread = figures.extremeSpread;
        if (const auto course = CourseOfRecord(state.run.LaneBeside[i])) {
            row.course = course->course;
            row.grade = course->grade;
            row.targetType = CourseRecordTarget(*course).value_or(row.targetType);
            for (const CourseStageEntry& stage : course->stages) {
                row.coursePlanned += stage.planned;
            }
            row.stages = CourseStagesText(*course);
            row.reaction = CourseReactionText(*course);
        }
        for (const std::int32_t score : PossibleScores(row.targetType)) {
            scores.insert(score);
        }
        sheet.rows.push_back(row);
    }
    sheet.scores.assign(scores.begin(), scores.end());
    return sheet;
}

bool RelayHasCourse(const RelaySheet& sheet) {
    return std::any_of(sheet.rows.begin(), sheet.rows.end(),
                       [](const RelayRow& row) { return !row.course.isEmpty(); });
}

QStringList RelayCourseLines(const RelaySheet& sheet) {
    QStringList lines;
    for (const RelayRow& row : sheet.rows) {
        if (row.course.isEmpty()) {
            continue;
        }
        QStringList parts{row.course};
        if (!row.grade.isEmpty()) {
            parts << QStringLiteral("Оценка: ") + row.grade;
        }
        for (const QString& part : {row.stages, row.reaction}) {
            if (!part.isEmpty()) {
                parts << part;
            }
        }
        lines << QStringLiteral("%1. ").arg(row.lane + 1) +
                     (row.shooter.isEmpty() ? kNobody : row.shooter) + QStringLiteral(" — ") +
                     parts.join(QStringLiteral("; "));
    }
    return lines;
}

QString RelayTargetLine(const RelaySheet& sheet) {
    const bool same = std::all_of(sheet.rows.begin(), sheet.rows.end(), [&](const RelayRow& row) {
        return row.targetType == sheet.rows.front().targetType;
    });
    if (sheet.rows.empty() || same) {
        return TargetName(sheet.rows.empty() ? 0 : sheet.rows.front().targetType);
    }
    // Lanes with the same target share one entry, in the order the targets first appear.
    std::vector<std::pair<QString, QStringList>> targets;
    for (const RelayRow& row : sheet.rows) {
        const QString name = TargetName(row.targetType);
        auto it = std::find_if(targets.begin(), targets.end(),
                               [&](const auto& entry) { return entry.first == name; });
        if (it == targets.end()) {
            targets.emplace_back(name, QStringList());
            it = std::prev(targets.end());
        }
        it->second << QString::number(row.lane + 1);
    }
    QStringList parts;
    for (const auto& [name, lanes] : targets) {
        parts << lanes.join(QStringLiteral(", ")) + QStringLiteral(" — ") + name;
    }
    return QStringLiteral("Мишени по позициям: ") + parts.join(QStringLiteral("; "));
}

void DrawRelaySheet(Canvas& canvas, int dpi, const RelaySheet& sheet) {
    const double W = canvas.Width();
    const double margin = W * 0.05;
    const FontSpec title{QStringLiteral("Times New Roman"), std::max(1, 14 * dpi / 72), true, false,
                         kBlack};
    const FontSpec text{QStringLiteral("Times New Roman"), std::max(1, 10 * dpi / 72), false, false,
                        kBlack};
    canvas.SetBrush(kWhite, BrushStyle::Clear);
    canvas.SetPen(kBlack, std::max(1, dpi / 150));

    canvas.SetFont(title);
    const QString heading = QStringLiteral("Ведомость смены");
    double y = margin;
    canvas.TextOut(T(W * 0.5 - canvas.TextWidth(heading) * 0.5), T(y), heading);
    y += 2.0 * canvas.TextHeight(heading);

    canvas.SetFont(text);
    const double cy = canvas.TextHeight(heading);
    const double line = 1.4 * cy;
    QStringList header = {
        QStringLiteral("Дата:  %1        Время:  %2").arg(sheet.date, sheet.time),
        QStringLiteral("Группа:  %1").arg(sheet.group.isEmpty() ? kNobody : sheet.group),
        RelayTargetLine(sheet)};
    if (RelayHasCourse(sheet)) {
        // The main window's shots and time were not what the lanes fired.
        QStringList names;
        for (const RelayRow& row : sheet.rows) {
            if (!row.course.isEmpty() && !names.contains(row.course)) {
                names << row.course;
            }
        }
        header << QStringLiteral("Упражнение:  ") + names.join(QStringLiteral(", "));
    } else {
        header << QStringLiteral("Количество выстрелов:  %1").arg(sheet.plannedShots)
               << TimeLimitText(sheet.timeLimit);
    }
    for (const QString& entry : header) {
        canvas.TextOut(T(margin), T(y), entry);
        y += line;
    }
    y += line;

    // Column widths in thousandths of the table; the shooter takes what the scores leave.
    const auto n = static_cast<double>(sheet.scores.size());
    const double left = margin;
    const double width = W - 2 * margin;
    const double u = width * 0.001;
    std::vector<double> bounds{left};
    auto column = [&](double thousandths) { bounds.push_back(bounds.back() + thousandths * u); };
    column(45);                       // 0 lane
    column(1000 - 45 - 36 * n - 380); // 1 shooter
    for (size_t k = 0; k < sheet.scores.size(); ++k) {
        column(36); // 2.. scores
    }
    for (const double w : {40.0, 65.0, 85.0, 115.0, 75.0}) {
        column(w); // misses, sum, time, mean point, spread
    }
    const size_t firstScore = 2;
    const size_t misses = firstScore + sheet.scores.size();

    const double rh = 1.6 * cy;
    const double top = y;
    const double headerBottom = top + 2 * rh;
    auto centred = [&](size_t from, size_t to, double rowTop, double height, const QString& s) {
        canvas.TextOut(T((bounds[from] + bounds[to]) * 0.5 - canvas.TextWidth(s) * 0.5),
                       T(rowTop + (height - cy) * 0.5), s);
    };
    const QString titles[] = {QStringLiteral("Пр"), QStringLiteral("Сумма"),
                              QStringLiteral("Время, с"), QStringLiteral("СТП (x; y)"),
                              QStringLiteral("Разброс")};
    centred(0, 1, top, 2 * rh, QStringLiteral("№"));
    centred(1, 2, top, 2 * rh, QStringLiteral("Стрелок"));
    if (!sheet.scores.empty()) {
        centred(firstScore, misses, top, rh, QStringLiteral("Попадания"));
        canvas.MoveTo(T(bounds[firstScore]), T(top + rh));
        canvas.LineTo(T(bounds[misses]), T(top + rh));
    }
    for (size_t k = 0; k < sheet.scores.size(); ++k) {
        centred(firstScore + k, firstScore + k + 1, top + rh, rh, QString::number(sheet.scores[k]));
    }
    for (size_t k = 0; k < std::size(titles); ++k) {
        centred(misses + k, misses + k + 1, top, 2 * rh, titles[k]);
    }

    double rowTop = headerBottom;
    for (const RelayRow& row : sheet.rows) {
        const RowTexts t = PageTexts(sheet, row);
        centred(0, 1, rowTop, rh, QString::number(row.lane + 1));
        canvas.TextOut(T(bounds[1] + 0.3 * cy), T(rowTop + (rh - cy) * 0.5),
                       ElidedText(canvas, row.shooter.isEmpty() ? kNobody : row.shooter,
                                  bounds[2] - bounds[1] - 0.6 * cy));
        for (qsizetype k = 0; k < t.hits.size(); ++k) {
            const auto c = firstScore + static_cast<size_t>(k);
            centred(c, c + 1, rowTop, rh, t.hits[k]);
        }
        const QString rest[] = {t.misses, t.sum, t.time, t.meanPoint, t.spread};
        for (size_t k = 0; k < std::size(rest); ++k) {
            centred(misses + k, misses + k + 1, rowTop, rh, rest[k]);
        }
        rowTop += rh;
    }

    // The rules: the frame, the header line, a line under every row, the columns.
    const double bottom = rowTop;
    canvas.Rectangle(T(left), T(top), T(bounds.back()), T(bottom));
    for (double rule = headerBottom; rule < bottom; rule += rh) {
        canvas.MoveTo(T(left), T(rule));
        canvas.LineTo(T(bounds.back()), T(rule));
    }
    for (size_t k = 1; k + 1 < bounds.size(); ++k) {
        const bool scoreInner = k > firstScore && k < misses;
        canvas.MoveTo(T(bounds[k]), T(scoreInner ? top + rh : top));
        canvas.LineTo(T(bounds[k]), T(bottom));
    }

    // The lanes' courses and grades under the table.
    y = bottom + line;
    const QStringList courses = RelayCourseLines(sheet);
    if (!courses.isEmpty()) {
        canvas.TextOut(T(left), T(y), QStringLiteral("Упражнения и оценки:"));
        y += line;
        for (const QString& entry : courses) {
            canvas.TextOut(T(left), T(y), ElidedText(canvas, entry, width));
            y += line;
        }
    }
    y += 2 * line;
    const QString name = QStringLiteral("Руководитель стрельбы:");
    canvas.TextOut(T(left), T(y), name);
    const double nameEnd = left + canvas.TextWidth(name) + cy;
    canvas.MoveTo(T(nameEnd), T(y + cy));
    canvas.LineTo(T(left + width * 0.75), T(y + cy));
    y += 2.5 * line;
    const QString signature = QStringLiteral("Подпись:");
    canvas.TextOut(T(left), T(y), signature);
    canvas.MoveTo(T(nameEnd), T(y + cy));
    canvas.LineTo(T(left + width * 0.5), T(y + cy));
}

PrintOutcome PrintRelaySheet(Printer& printer, const RelaySheet& sheet) {
    Canvas* canvas = printer.BeginDocument(DocumentName(sheet));
    if (canvas == nullptr) {
        PrintOutcome failed;
        failed.error = QStringLiteral("Не удалось начать печать.");
        return failed;
    }
    DrawRelaySheet(*canvas, printer.Dpi(), sheet);
    return printer.EndDocument();
}

QByteArray RelaySheetCsv(const RelaySheet& sheet) {
    QStringList header = {QStringLiteral("Дата"),
                          QStringLiteral("Время"),
                          QStringLiteral("Группа"),
                          QStringLiteral("Тип мишени"),
                          QStringLiteral("Выстрелов задано"),
                          QStringLiteral("Лимит времени, с"),
                          QStringLiteral("Позиция"),
                          QStringLiteral("Стрелок")};
    for (const std::int32_t score : sheet.scores) {
        header << QString::number(score);
    }
    header << QStringLiteral("Промахи") << QStringLiteral("Сумма")
           << QStringLiteral("Время стрельбы, с") << QStringLiteral("СТП x")
           << QStringLiteral("СТП y") << QStringLiteral("Наибольший разброс");
    // Only a relay that ran a course has these.
    const bool courses = RelayHasCourse(sheet);
    if (courses) {
        header << QStringLiteral("Упражнение") << QStringLiteral("Оценка");
    }
    QString text = header.join(QChar(u';')) + QStringLiteral("\r\n");
    const QChar comma(u',');
    for (const RelayRow& row : sheet.rows) {
        QStringList fields = {
            CsvField(sheet.date), CsvField(sheet.time), CsvField(sheet.group),
            QString::number(row.targetType),
            // A course's own shots; its stages have time limits of their own.
            QString::number(row.course.isEmpty() ? sheet.plannedShots : row.coursePlanned),
            row.course.isEmpty() ? QString::number(sheet.timeLimit) : QString(),
            QString::number(row.lane + 1), CsvField(row.shooter)};
        for (const std::int32_t score : sheet.scores) {
            fields << QString::number(row.hitsPerScore[static_cast<size_t>(score)]);
        }
        const bool figures = row.hits > 0;
        fields << QString::number(row.misses) << QString::number(row.sum)
               << (row.shots == 0 ? QString() : Decimal(row.shootTime, comma))
               << (figures ? Decimal(row.meanX, comma) : QString())
               << (figures ? Decimal(row.meanY, comma) : QString())
               << (figures ? Decimal(row.extremeSpread, comma) : QString());
        if (courses) {
            fields << CsvField(row.course) << CsvField(row.grade);
        }
        text += fields.join(QChar(u';')) + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

RelaySheetOutcome OutputRelaySheet(Printer* printer, const QString& startDir,
                                   const RelaySheet& sheet) {
    RelaySheetOutcome outcome;
    if (printer != nullptr) {
        outcome.printed = PrintRelaySheet(*printer, sheet);
    } else {
        outcome.printed.error = QStringLiteral("Печать недоступна.");
    }
    if (!outcome.printed.pdfPath.isEmpty()) {
        const QFileInfo pdf(outcome.printed.pdfPath);
        outcome.csvPath = pdf.dir().filePath(pdf.completeBaseName() + QStringLiteral(".csv"));
    } else {
        const QDir folder(QDir(startDir).filePath(QStringLiteral("Печать")));
        QDir().mkpath(folder.path());
        const QString base = SafeFileName(DocumentName(sheet));
        outcome.csvPath = folder.filePath(base + QStringLiteral(".csv"));
        for (int n = 2; QFileInfo::exists(outcome.csvPath); ++n) {
            outcome.csvPath = folder.filePath(QStringLiteral("%1 (%2).csv").arg(base).arg(n));
        }
    }
    outcome.csvWritten = WriteFileAtomic(outcome.csvPath, RelaySheetCsv(sheet));
    return outcome;
}

UserMessage RelaySheetMessage(const RelaySheetOutcome& outcome) {
    QStringList lines;
    if (!outcome.printed.ok) {
        lines << QStringLiteral("Ведомость не напечатана.") << outcome.printed.error;
    } else if (!outcome.printed.pdfPath.isEmpty()) {
        lines << QStringLiteral("Принтер не найден. Ведомость сохранена в файл:")
              << QDir::toNativeSeparators(outcome.printed.pdfPath);
    } else {
        lines << QStringLiteral("Ведомость напечатана.");
    }
    const QString csv = QDir::toNativeSeparators(outcome.csvPath);
    if (outcome.csvWritten) {
        lines << QStringLiteral("Таблица CSV:") << csv;
    } else {
        lines << QStringLiteral("Не удалось записать файл %1.").arg(csv);
    }
    const bool failed = !outcome.printed.ok || !outcome.csvWritten;
    return UserMessage{lines.join(QChar(u'\n')), QStringLiteral("Ведомость смены"),
                       failed ? MessageIcon::Error : MessageIcon::Information};
}

RelaySheetOutcome MakeRelaySheet(const ProgramState& state, const Services& services, int laneCount,
                                 const QDateTime& when) {
    const std::vector<int> lanes = RelayLanes(state, laneCount);
    RelaySheetOutcome outcome =
        OutputRelaySheet(services.printer, state.StartDir, BuildRelaySheet(state, lanes, when));
    if (services.dialogs != nullptr) {
        const UserMessage message = RelaySheetMessage(outcome);
        services.dialogs->Message(message.text, message.caption, message.icon, message.buttons);
    }
    return outcome;
}

} // namespace ryvo
