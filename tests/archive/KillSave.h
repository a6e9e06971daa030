#pragma once

// What the kill loop's child saves, derived from the save's number and the lane alone, so
// the checker can tell whose data an entry or a trace block really holds.

#include "archive/ArchiveStore.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>

#include <cmath>
#include <cstdint>
#include <vector>

namespace ryvo::killsave {

inline constexpr int kLanes = 5;

inline QString Shooter(int lane) {
    return QStringLiteral("Стрелок %1").arg(lane + 1);
}

// The save's number is the record's comment: the key the checker reads records back by.
inline QString Comment(int save) {
    return QStringLiteral("запись %1").arg(save);
}

// Each save gets its own minute, so an entry keyed to the wrong record does not pair.
inline SaveTime TimeOf(int save) {
    return SaveTime{2026, 12, 1 + (save / 1440) % 28, (save / 60) % 24, save % 60};
}

// Quarters print exactly with two decimals.
inline std::vector<ShotPoint> Shots(int save, int lane) {
    std::vector<ShotPoint> shots;
    const int count = 1 + (save + lane) % 5;
    for (int s = 0; s < count; ++s) {
        const int x = (save * 3 + lane * 7 + s * 11) % 400;
        shots.push_back({static_cast<float>(x) / 4.0F - 50.0F, static_cast<float>(s) * 0.5F});
    }
    return shots;
}

inline QJsonArray ShotNumbers(int save, int lane) {
    QJsonArray numbers;
    for (const ShotPoint& shot : Shots(save, lane)) {
        numbers.append(static_cast<double>(shot.x));
    }
    return numbers;
}

inline QString Grade(int save, int lane) {
    return QStringLiteral("%1/%2").arg(save).arg(lane);
}

// 2.5 to 8.5 KB, so blocks cross page boundaries where a kill can tear a write.
inline QByteArray Trace(int save, int lane) {
    const int size = 2500 + (save * 131 + lane * 977) % 6000;
    QByteArray payload = Grade(save, lane).toLatin1() + ':';
    while (payload.size() < size) {
        payload.append(static_cast<char>((save * 31 + lane * 17 + payload.size() * 7) % 251));
    }
    return payload;
}

// |x| rounded, modulo 11: a score every shot position has.
inline std::int32_t Score(float x, float /*y*/, std::int32_t /*targetType*/) {
    return static_cast<std::int32_t>(std::lround(std::fabs(x))) % 11;
}

} // namespace ryvo::killsave
