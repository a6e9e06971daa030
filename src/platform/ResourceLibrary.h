#pragma once

#include "platform/ZoneMaps.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace ryvo {

// A resource pack: a folder named like the library ("Targets", "Sounds") holding
// strings.txt (one "id<TAB>text" per line, UTF-8) and files named by id ("1001.png",
// "2151.wav"). Looked up in each search directory in turn; the first folder found wins.
class ResourceLibrary {
public:
    ResourceLibrary() = default;
    static std::optional<ResourceLibrary> Load(const QString& name, const QStringList& searchDirs);
    static std::optional<ResourceLibrary> LoadFolder(const QString& folder);

    [[nodiscard]] const QString& Folder() const { return m_folder; }
    [[nodiscard]] std::optional<QString> String(int id) const;
    // Null image when there is no picture of that id or it cannot be decoded.
    [[nodiscard]] QImage Bitmap(int id) const;
    [[nodiscard]] std::optional<QByteArray> Raw(int id) const;
    // The zone maps beside the pictures, read once with the pack.
    [[nodiscard]] const std::shared_ptr<const ZoneMaps>& Zones() const { return m_zones; }

private:
    [[nodiscard]] std::optional<QString> FileFor(int id) const;

    QString m_folder;
    QHash<int, QString> m_strings;
    QHash<int, QString> m_files; // id -> file name
    std::shared_ptr<const ZoneMaps> m_zones = std::make_shared<const ZoneMaps>();
};

} // namespace ryvo
