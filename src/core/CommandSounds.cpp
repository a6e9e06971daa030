#include "core/CommandSounds.h"

#include <algorithm>

namespace ryvo {

std::optional<QByteArray> CommandSound(const ResourceLibrary& pack, const QString& word) {
    const int count = pack.String(kCommandCountId).value_or(QString()).trimmed().toInt();
    const QString wanted = word.simplified();
    // A pack of a range may hold fewer or more commands than the default one.
    for (int i = 0; i < std::min(count, kCommandSoundId - kCommandWordId); ++i) {
        const auto name = pack.String(kCommandWordId + i);
        if (name && name->simplified().compare(wanted, Qt::CaseInsensitive) == 0) {
            return pack.Raw(kCommandSoundId + i);
        }
    }
    return std::nullopt;
}

} // namespace ryvo
