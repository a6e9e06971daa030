#pragma once

#include <QString>

#include <vector>

namespace ryvo {

// A file as one listing of its folder finds it.
struct ListedFile {
    QString name;
    qint64 size = 0;
    qint64 modifiedMs = 0; // milliseconds since the epoch, as QFileInfo gives them
};

// The files of `folder` (hidden ones too, links followed) whose names end with one of
// `suffixes`, in no particular order. One look at each file and no time-zone conversion: a
// step of the archive index lists thousands of them.
std::vector<ListedFile> ListFiles(const QString& folder, const std::vector<QString>& suffixes);

// `name` in `folder`. Unlike QDir::filePath, a name that Qt would take for a path of its own
// (a leading ":" names a built-in resource) stays a file of the folder: group names are typed.
QString PathInFolder(const QString& folder, const QString& name);

} // namespace ryvo
