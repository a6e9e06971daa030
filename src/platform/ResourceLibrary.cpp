#include "platform/ResourceLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ryvo {

std::optional<ResourceLibrary> ResourceLibrary::Load(const QString& name,
                                                     const QStringList& searchDirs) {
    for (const QString& dir : searchDirs) {
        const QString folder = QDir(dir).filePath(name);
        if (QFileInfo(folder).isDir()) {
            return LoadFolder(folder);
        }
    }
    return std::nullopt;
}

std::optional<ResourceLibrary> ResourceLibrary::LoadFolder(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists()) {
        return std::nullopt;
    }
    ResourceLibrary lib;
    lib.m_folder = dir.absolutePath();
    QFile strings(dir.filePath(QStringLiteral("strings.txt")));
    if (strings.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(strings.readAll());
        for (QString line : text.split(u'\n')) {
            if (line.endsWith(u'\r')) {
                line.chop(1);
            }
            const qsizetype tab = line.indexOf(u'\t');
            if (tab <= 0) {
                continue;
            }
            bool ok = false;
            const int id = line.left(tab).trimmed().toInt(&ok);
            if (ok) {
                lib.m_strings.insert(id, line.mid(tab + 1));
            }
        }
    }
    const QStringList entries = dir.entryList(QDir::Files);
    for (const QString& entry : entries) {
        bool ok = false;
        const int id = QFileInfo(entry).completeBaseName().toInt(&ok);
        if (ok) {
            lib.m_files.insert(id, entry);
        }
    }
    lib.m_zones = std::make_shared<const ZoneMaps>(ZoneMaps::LoadFolder(lib.m_folder));
    return lib;
}

std::optional<QString> ResourceLibrary::String(int id) const {
    auto it = m_strings.constFind(id);
    if (it == m_strings.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

std::optional<QString> ResourceLibrary::FileFor(int id) const {
    auto it = m_files.constFind(id);
    if (it == m_files.constEnd()) {
        return std::nullopt;
    }
    return QDir(m_folder).filePath(*it);
}

QImage ResourceLibrary::Bitmap(int id) const {
    if (auto path = FileFor(id)) {
        return QImage(*path);
    }
    return {};
}

std::optional<QByteArray> ResourceLibrary::Raw(int id) const {
    auto path = FileFor(id);
    if (!path) {
        return std::nullopt;
    }
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

} // namespace ryvo
