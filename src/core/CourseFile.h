#pragma once

#include "core/Course.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace ryvo {

// The folder of course files, in the start directory and in the data directory.
inline const QString kCourseFolder = QStringLiteral("Упражнения");
inline const QString kCourseSuffix = QStringLiteral("course");
// A lane holds at most this many shots in one run, so a course fires no more.
inline constexpr int kMaxCourseShots = 1000;

// A course read from text, or the first thing wrong with it: `line` counts from 1 (0 when the
// fault is not on one line) and `error` is the full message ("Строка 7: …").
struct CourseParseResult {
    std::optional<Course> course;
    QString error;
    int line = 0;
};

// Parses the UTF-8 text of a *.course file; `path` is kept in Course::path.
[[nodiscard]] CourseParseResult ParseCourse(const QString& text, const QString& path = {});
// Reads and parses a file; an unreadable or non-UTF-8 file is an error too.
[[nodiscard]] CourseParseResult ReadCourseFile(const QString& path);

struct FoundCourses {
    std::vector<Course> courses;
    // One message per rejected file: "<path>: Строка 7: …".
    QStringList errors;
};

// The courses in Упражнения/ of the start directory, then those of the data directory that
// the start directory does not replace (same file name or same course name); each folder in
// file name order. A file with an error is not offered.
[[nodiscard]] FoundCourses FindCourses(const QString& startDir, const QString& dataDir);

} // namespace ryvo
