#include "platform/FolderListing.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include <algorithm>

namespace ryvo {

namespace {

bool Wanted(const QString& name, const std::vector<QString>& suffixes) {
    return std::any_of(suffixes.begin(), suffixes.end(),
                       [&name](const QString& suffix) { return name.endsWith(suffix); });
}

} // namespace

QString PathInFolder(const QString& folder, const QString& name) {
    if (folder.isEmpty()) {
        return QStringLiteral("./") + name;
    }
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

#if defined(Q_OS_UNIX)

std::vector<ListedFile> ListFiles(const QString& folder, const std::vector<QString>& suffixes) {
    std::vector<ListedFile> files;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr) {
        return files;
    }
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_type != DT_REG && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) {
            continue;
        }
        const QString name = QFile::decodeName(entry->d_name);
        if (!Wanted(name, suffixes)) {
            continue;
        }
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) {
            continue; // gone since listed, a dangling link, or not a file
        }
#if defined(Q_OS_MACOS)
        const timespec modified = st.st_mtimespec;
#else
        const timespec modified = st.st_mtim;
#endif
        files.push_back({name, static_cast<qint64>(st.st_size),
                         static_cast<qint64>(modified.tv_sec) * 1000 +
                             static_cast<qint64>(modified.tv_nsec) / 1000000});
    }
    ::closedir(dir);
    return files;
}

#else

// Elsewhere the folder listing itself carries the sizes and times.
std::vector<ListedFile> ListFiles(const QString& folder, const std::vector<QString>& suffixes) {
    std::vector<ListedFile> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (Wanted(info.fileName(), suffixes)) {
            files.push_back(
                {info.fileName(), info.size(), info.lastModified().toMSecsSinceEpoch()});
        }
    }
    return files;
}

#endif

} // namespace ryvo
