#include "FileAudit.h"

#include "archive/ArchiveBeside.h"
#include "archive/ArchiveStore.h"
#include "archive/GroupStore.h"
#include "calibration/Calibration.h"
#include "core/CourseFile.h"
#include "core/LaneAssignment.h"
#include "core/Settings.h"
#include "core/SettingsFile.h"
#include "targets/LightScript.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace ryvo::monkey {

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the file's writer would write for what its reader made of it; empty when that holds.
QString SettingsProblem(const QString& path, const QByteArray& bytes) {
    Settings settings;
    ReadSettings(settings, path);
    return SettingsFileImage(settings) == bytes
               ? QString()
               : QStringLiteral("does not read back as the settings it holds");
}

QString CalibrationProblem(const QString& path, const QByteArray& bytes) {
    Settings settings;
    if (!ReadCalibration(settings, path, false)) {
        return QStringLiteral("cannot be read as a calibration file");
    }
    QTemporaryDir scratch;
    const QString copy = scratch.filePath(QStringLiteral("copy.dat"));
    if (!WriteCalibration(settings, copy) || ReadAll(copy) != bytes) {
        return QStringLiteral("does not read back as the calibration it holds");
    }
    return {};
}

QString GroupListProblem(const QFileInfo& info, const QByteArray& bytes) {
    const auto members = ReadGroup(info.absolutePath(), info.completeBaseName());
    if (!members) {
        return QStringLiteral("cannot be read as a group list");
    }
    return GroupImage(*members) == bytes ? QString()
                                         : QStringLiteral("does not read back as its members");
}

QString LaneShootersProblem(const QByteArray& bytes) {
    return LaneShootersImage(ParseLaneShooters(bytes)) == bytes
               ? QString()
               : QStringLiteral("does not read back as the shooters at the lanes");
}

QString ScriptProblem(const QString& path) {
    const LoadedScript script = LoadScriptFile(path);
    if (!script.opened || !script.error.isEmpty()) {
        return QStringLiteral("light script refused: ") + script.error;
    }
    return {};
}

QString CourseProblem(const QString& path) {
    const CourseParseResult result = ReadCourseFile(path);
    return result.course ? QString() : QStringLiteral("course refused: ") + result.error;
}

QString RecordsProblem(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return QStringLiteral("group file without records");
    }
    if (CompleteRecordsEnd(bytes) != bytes.size()) {
        return QStringLiteral("ends in a torn record");
    }
    if (ParseGroupFile(bytes).empty()) {
        return QStringLiteral("holds no complete record");
    }
    return {};
}

// Every entry names a record the group file holds, with its first lines, and its trace (if
// it has one) reads back.
QString EntriesProblem(const QString& path, const QByteArray& bytes) {
    QString groupPath = path;
    groupPath.chop(4);
    groupPath += QStringLiteral(".rec");
    const std::vector<ResultRecord> records = ParseGroupFile(ReadAll(groupPath));
    if (!bytes.isEmpty() && !bytes.endsWith('\n')) {
        return QStringLiteral("ends in a torn entry");
    }
    int line = 0;
    for (const QByteArray& text : bytes.split('\n')) {
        ++line;
        if (text.isEmpty()) {
            continue;
        }
        const QJsonDocument doc = QJsonDocument::fromJson(text);
        const QJsonObject entry = doc.object();
        const int index = entry.value(QLatin1String("record")).toInt(-1);
        if (!doc.isObject() || index < 0 || static_cast<size_t>(index) >= records.size()) {
            return QStringLiteral("entry %1 names no record").arg(line);
        }
        const ResultRecord& record = records[static_cast<size_t>(index)];
        if (entry.value(QLatin1String("shooter")).toString() != record.Shooter ||
            entry.value(QLatin1String("date")).toString() != record.Date ||
            entry.value(QLatin1String("time")).toString() != record.Time) {
            return QStringLiteral("entry %1 does not pair with record %2").arg(line).arg(index);
        }
        if (const auto ref = TraceRefOf(entry); ref && !ReadBesideTrace(groupPath, *ref)) {
            return QStringLiteral("the trace of entry %1 does not read back").arg(line);
        }
    }
    return {};
}

QString TracesProblem(const QByteArray& bytes) {
    return CompleteTracesEnd(bytes) == bytes.size() ? QString()
                                                    : QStringLiteral("ends in a torn block");
}

QString PdfProblem(const QByteArray& bytes) {
    return bytes.startsWith("%PDF-") && bytes.right(1024).contains("%%EOF")
               ? QString()
               : QStringLiteral("not a whole PDF file");
}

} // namespace

AuditResult AuditStartDir(const QString& startDir) {
    AuditResult result;
    const QDir root(startDir);
    QStringList paths;
    QDirIterator it(startDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        paths << it.next();
    }
    paths.sort();
    for (const QString& path : paths) {
        const QFileInfo info(path);
        const QString relative = root.relativeFilePath(path);
        const QString suffix = info.suffix().toLower();
        const QByteArray bytes = ReadAll(path);
        QString problem;
        if (relative.startsWith(QLatin1Char('.'))) {
            // The index cache and Qt's own files under the run's XDG folders.
            result.unchecked << relative;
            continue;
        }
        if (info.fileName() == QLatin1String(kSettingsFileName)) {
            problem = SettingsProblem(path, bytes);
        } else if (info.fileName() == QLatin1String(kLaneShootersFileName)) {
            problem = LaneShootersProblem(bytes);
        } else if (suffix == QLatin1String("dat")) {
            problem = CalibrationProblem(path, bytes);
        } else if (suffix == QLatin1String("grp")) {
            problem = GroupListProblem(info, bytes);
        } else if (suffix == QLatin1String("act")) {
            problem = ScriptProblem(path);
        } else if (suffix == QLatin1String("course")) {
            problem = CourseProblem(path);
        } else if (suffix == QLatin1String("rec")) {
            problem = RecordsProblem(bytes);
        } else if (suffix == QLatin1String("rex")) {
            problem = EntriesProblem(path, bytes);
        } else if (suffix == QLatin1String("trc")) {
            problem = TracesProblem(bytes);
        } else if (suffix == QLatin1String("pdf")) {
            problem = PdfProblem(bytes);
        } else if (suffix == QLatin1String("torn")) {
            problem = QStringLiteral("torn part kept aside, though no save was cut short");
        } else if (suffix == QLatin1String("csv")) {
            problem = bytes.isEmpty() ? QStringLiteral("empty export") : QString();
        } else {
            result.unchecked << relative;
            continue;
        }
        ++result.checked;
        if (!problem.isEmpty()) {
            result.problems << relative + QStringLiteral(": ") + problem;
        }
    }
    return result;
}

} // namespace ryvo::monkey
