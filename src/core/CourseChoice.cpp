#include "core/CourseChoice.h"

#include "core/ProgramState.h"
#include "platform/TextFile.h"

#include <QFile>

namespace ryvo {

namespace {

const QByteArray kHeader = QByteArrayLiteral("Ryvo course choice 1");
constexpr qint64 kMaxFileSize = 4096;

} // namespace

QByteArray CourseChoiceImage(const QString& courseName) {
    QByteArray image = kHeader + "\r\n";
    // One line: a name with a line break in it could not be read back.
    const QString name = courseName.simplified();
    if (!name.isEmpty()) {
        image += name.toUtf8() + "\r\n";
    }
    return image;
}

QString ParseCourseChoice(const QByteArray& bytes) {
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 2 || lines[0].trimmed() != kHeader) {
        return {};
    }
    return QString::fromUtf8(lines[1]).simplified();
}

std::optional<Course> CourseNamed(const std::vector<Course>& courses, const QString& name) {
    if (name.isEmpty()) {
        return std::nullopt;
    }
    for (const Course& course : courses) {
        if (course.name.simplified() == name) {
            return course;
        }
    }
    return std::nullopt;
}

QString ReadCourseChoice(const ProgramState& state) {
    QFile file(state.PathFor(QString::fromLatin1(kCourseChoiceFileName)));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize) {
        return {};
    }
    return ParseCourseChoice(file.readAll());
}

bool WriteCourseChoice(const ProgramState& state) {
    return WriteFileAtomic(
        state.PathFor(QString::fromLatin1(kCourseChoiceFileName)),
        CourseChoiceImage(state.ChosenCourse ? state.ChosenCourse->name : QString()));
}

} // namespace ryvo
