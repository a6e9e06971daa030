#pragma once

#include "archive/CourseBeside.h"

#include <QString>
#include <QStringList>

namespace ryvo {

class Canvas;

// A text cut to fit `width` with "…", so that it never runs into what stands beside it.
QString ElidedText(Canvas& canvas, QString text, double width);

// "Выстрелы: 1) 1.25 с; 2) …" in lines no wider than `width`, breaking between shots; at most
// `maxLines`, the last ending in "…" when shots are left over.
QStringList WrappedShotLines(Canvas& canvas, const QStringList& shots, double width, int maxLines);

// The course, its grade, the stage sums and the reaction of a result sheet, one line each
// from `top` between `left` and `right`.
void DrawCourseSummary(Canvas& canvas, double left, double right, double top, double lineHeight,
                       const CourseEntry& entry);

} // namespace ryvo
