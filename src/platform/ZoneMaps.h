#pragma once

#include <QHash>
#include <QImage>
#include <QString>

namespace ryvo {

// The score maps a target pack carries beside its pictures: "<id>.zones.png", the same size
// as picture <id>, each pixel's grey value the score of a hole centred there.
class ZoneMaps {
public:
    // Every readable map of the folder; none when there is none.
    static ZoneMaps LoadFolder(const QString& folder);

    // Greyscale map of picture `pictureId`; null when the pack has none.
    [[nodiscard]] const QImage* Find(int pictureId) const;
    [[nodiscard]] bool Empty() const { return m_maps.isEmpty(); }

private:
    QHash<int, QImage> m_maps;
};

} // namespace ryvo
