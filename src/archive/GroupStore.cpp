#include "archive/GroupStore.h"

#include "archive/ArchiveStore.h"
#include "platform/FolderListing.h"
#include "platform/TextFile.h"

#include <QDir>
#include <QFile>

namespace ryvo {

QString GroupListPath(const QString& startDir, const QString& name) {
    return PathInFolder(startDir, name + QStringLiteral(".grp"));
}

std::vector<QString> ListGroups(const QString& startDir) {
    std::vector<QString> names;
    const QDir dir(startDir);
    const QStringList files =
        dir.entryList({QStringLiteral("*.grp")}, QDir::Files | QDir::Hidden, QDir::Unsorted);
    for (const QString& file : files) {
        names.push_back(file.chopped(4));
    }
    return names;
}

std::vector<QString> ParseGroupMembers(const QByteArray& bytes) {
    std::vector<QString> members;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            members.push_back(FromCp1251(bytes.mid(start, i - start)));
            i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size()) {
        members.push_back(FromCp1251(bytes.mid(start)));
    }
    return members;
}

std::optional<std::vector<QString>> ReadGroup(const QString& startDir, const QString& name) {
    if (GroupNameProblem(name)) {
        return std::nullopt;
    }
    QFile file(GroupListPath(startDir, name));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return ParseGroupMembers(file.readAll());
}

QByteArray GroupImage(const std::vector<QString>& members) {
    TextWriter out;
    for (const QString& member : members) {
        out.Put(member).PutBytes("\n");
    }
    return out.Bytes();
}

bool WriteGroup(const QString& startDir, const QString& name, const std::vector<QString>& members) {
    if (GroupNameProblem(name)) {
        return false;
    }
    return WriteFileAtomic(GroupListPath(startDir, name), GroupImage(members));
}

bool CreateGroup(const QString& startDir, const QString& name) {
    return WriteGroup(startDir, name, {});
}

bool DeleteGroup(const QString& startDir, const QString& name) {
    if (GroupNameProblem(name)) {
        return false;
    }
    return QFile::remove(GroupListPath(startDir, name));
}

} // namespace ryvo
