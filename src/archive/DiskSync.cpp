#include "archive/DiskSync.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#if defined(Q_OS_WIN)
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#elif defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ryvo {

bool SyncToDisk(QFile& file) {
    if (!file.flush()) {
        return false;
    }
#if defined(Q_OS_WIN)
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
#elif defined(Q_OS_UNIX)
    // File systems that cannot sync say so with EINVAL; there is nothing more to do there.
    return ::fsync(file.handle()) == 0 || errno == EINVAL;
#else
    return true;
#endif
}

void SyncFolder(const QString& path) {
#if defined(Q_OS_UNIX)
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}

bool CutTornTail(QFile& file, const QString& path, const QByteArray& image, qsizetype keep) {
    if (keep >= image.size()) {
        return true;
    }
    QFile aside(path + QStringLiteral(".torn"));
    const QByteArray tail = image.sliced(keep);
    if (!aside.open(QIODevice::WriteOnly | QIODevice::Append) || aside.write(tail) != tail.size() ||
        !SyncToDisk(aside) || !file.resize(keep)) {
        return false;
    }
    aside.close();
    SyncFolder(QFileInfo(path).absolutePath());
    return true;
}

} // namespace ryvo
