#pragma once

#include "core/RunState.h"

#include <QJsonObject>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace ryvo {

inline constexpr int kHitColumns = 12; // scores 0..10, then the misses
inline constexpr int kMissColumn = 11;

// One archived result in memory: the stored values plus the texts derived for the tables.
struct ResultRecord {
    QString Date; // "%i.%i.%i"
    QString Time; // "%i:%i"
    QString Shooter;
    std::array<QString, kHitColumns> Hits; // count or "-"
    QString ShotsText;
    QString SumText;
    QString ShootTimeText; // "%5.2f"
    float ShootTime = 0.0F;
    std::int32_t TargetType = 0;
    std::int32_t Reserved = 0;
    std::int32_t PlannedShots = 0;
    std::int32_t TimeLimit = 0; // seconds, 0 = not limited
    std::int32_t ShotsMade = 0;
    QString Comment;
    std::vector<ShotPoint> Shots; // every shot of the record, in firing order
    // Members of the record's entry beside the archive (course, times, figures, trace);
    // empty when it has none.
    QJsonObject Beside;
    // The group file the record was read from, beside which its trace lies; empty when not
    // read from one.
    QString GroupFile;
};

// The record tables the save dialog, the archive browser and printing share.
struct ArchiveTables {
    std::vector<ResultRecord> ArchiveRecords; // the group file last read
    std::vector<QString> ArchiveDates;        // distinct dates, in order of first appearance
    std::vector<ResultRecord> DayRecords;     // records of the chosen date
    std::int32_t CurrentRecord = 0;           // index into DayRecords
};

} // namespace ryvo
