#pragma once

#include <QDir>
#include <QString>

namespace ryvo {

// The data directory of a program installed in `programDir`: ../share/ryvo beside it, where
// the build and the package put the default packs.
inline QString DataDirBeside(const QString& programDir) {
    return QDir(programDir).absoluteFilePath(QStringLiteral("../share/ryvo"));
}

} // namespace ryvo
