#pragma once

#include "core/Course.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace ryvo {

struct ProgramState;

// The course the exercise windows run is kept beside the settings, in a file of its own, so
// the settings file keeps its format.
inline constexpr const char* kCourseChoiceFileName = "ryvw.crs";

// The file: UTF-8, a first line naming the format, then the course's name; no name: the plain
// series.
QByteArray CourseChoiceImage(const QString& courseName);
// The name in the file's bytes; empty for a missing or malformed file.
QString ParseCourseChoice(const QByteArray& bytes);

// The course of that name among `courses`; nullopt for an empty name or one not found.
std::optional<Course> CourseNamed(const std::vector<Course>& courses, const QString& name);

// The name kept in the start directory.
QString ReadCourseChoice(const ProgramState& state);
// Keeps the name of ChosenCourse (none: the plain series), through a temporary.
bool WriteCourseChoice(const ProgramState& state);

} // namespace ryvo
