#include "platform/ZoneMaps.h"

#include <QDir>
#include <QRegularExpression>

namespace ryvo {

ZoneMaps ZoneMaps::LoadFolder(const QString& folder) {
    ZoneMaps maps;
    static const QRegularExpression name(QStringLiteral("^(\\d+)\\.zones\\.png$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QDir dir(folder);
    for (const QString& entry : dir.entryList(QDir::Files)) {
        const QRegularExpressionMatch match = name.match(entry);
        if (!match.hasMatch()) {
            continue;
        }
        bool ok = false;
        const int id = match.captured(1).toInt(&ok);
        QImage map(dir.filePath(entry));
        if (ok && !map.isNull()) {
            maps.m_maps.insert(id, map.convertToFormat(QImage::Format_Grayscale8));
        }
    }
    return maps;
}

const QImage* ZoneMaps::Find(int pictureId) const {
    auto it = m_maps.constFind(pictureId);
    return it == m_maps.constEnd() ? nullptr : &*it;
}

} // namespace ryvo
