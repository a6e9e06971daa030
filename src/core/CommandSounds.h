#pragma once

#include "platform/ResourceLibrary.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace ryvo {

// The spoken commands of the default sound pack, in pack order.
inline const QStringList kCommandWords = {
    QStringLiteral("Заряжай"),
    QStringLiteral("Огонь"),
    QStringLiteral("Стой"),
    QStringLiteral("Разряжай"),
    QStringLiteral("Оружие к осмотру"),
    QStringLiteral("Время"),
};

// In a sound pack: string 2004 holds the number of commands, strings 2401.. their words and
// files 2451.. their waves (command i: 2401 + i, 2451 + i), beside the start, shot and end
// sounds of groups 2100..2300.
inline constexpr int kCommandCountId = 2004;
inline constexpr int kCommandWordId = 2401;
inline constexpr int kCommandSoundId = 2451;

// The wave of a command by its word (case and surrounding blanks ignored); nullopt when the
// pack has no such command or its file is missing.
[[nodiscard]] std::optional<QByteArray> CommandSound(const ResourceLibrary& pack,
                                                     const QString& word);

} // namespace ryvo
