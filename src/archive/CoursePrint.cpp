#include "archive/CoursePrint.h"

#include "platform/Canvas.h"

namespace ryvo {

QString ElidedText(Canvas& canvas, QString text, double width) {
    if (canvas.TextWidth(text) <= width) {
        return text;
    }
    const QString ellipsis = QStringLiteral("…");
    while (!text.isEmpty() && canvas.TextWidth(text + ellipsis) > width) {
        text.chop(1);
    }
    return text + ellipsis;
}

QStringList WrappedShotLines(Canvas& canvas, const QStringList& shots, double width, int maxLines) {
    QStringList lines;
    if (shots.isEmpty() || maxLines < 1) {
        return lines;
    }
    const QString separator = QStringLiteral("; ");
    QString line = QStringLiteral("Выстрелы: ") + shots.front();
    for (qsizetype i = 1; i < shots.size(); ++i) {
        const QString longer = line + separator + shots[i];
        if (canvas.TextWidth(longer) <= width) {
            line = longer;
            continue;
        }
        if (lines.size() + 1 == maxLines) {
            lines << ElidedText(canvas, line + separator + shots[i], width);
            if (!lines.back().endsWith(QStringLiteral("…"))) {
                lines.back() += QStringLiteral("…");
            }
            return lines;
        }
        lines << line;
        line = shots[i];
    }
    lines << ElidedText(canvas, line, width);
    return lines;
}

void DrawCourseSummary(Canvas& canvas, double left, double right, double top, double lineHeight,
                       const CourseEntry& entry) {
    QStringList lines{QStringLiteral("Упражнение:  ") + entry.course};
    if (!entry.grade.isEmpty()) {
        lines << QStringLiteral("Оценка:  ") + entry.grade;
    }
    for (const QString& line : {CourseStagesText(entry), CourseReactionText(entry)}) {
        if (!line.isEmpty()) {
            lines << line;
        }
    }
    double y = top;
    for (const QString& line : lines) {
        canvas.TextOut(static_cast<int>(left), static_cast<int>(y),
                       ElidedText(canvas, line, right - left));
        y += lineHeight;
    }
}

} // namespace ryvo
