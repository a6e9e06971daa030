#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace ryvo {

// Flushes Qt's buffer and the system's cache of the file to the disk.
bool SyncToDisk(QFile& file);
// A new directory entry reaches the disk with its folder (POSIX); Windows file systems
// journal it with the file itself.
void SyncFolder(const QString& path);
// Moves the bytes of an open file from `keep` on to "<path>.torn" (appended, synced) and cuts
// the file there: a tail torn while it was written, kept rather than thrown away.
bool CutTornTail(QFile& file, const QString& path, const QByteArray& image, qsizetype keep);

} // namespace ryvo
