#pragma once

#include "core/Settings.h"
#include "core/ShotHold.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ryvo {

struct ShotPoint {
    float x = 0.0F;
    float y = 0.0F;
    bool operator==(const ShotPoint&) const = default;
};

// Per-lane state of an exercise run, indexed by lane. The exercise windows fill it; it stays
// readable after the run for saving and printing until the next run starts.
struct RunState {
    std::array<std::int32_t, kLaneCount> LaneActive{};
    std::array<std::int32_t, kLaneCount> LaneLit{};
    std::array<std::int32_t, kLaneCount> ShotPending{};
    std::array<std::uint32_t, kLaneCount> ShotCount{};
    std::array<std::int32_t, kLaneCount> LastScore{};
    std::array<std::int32_t, kLaneCount> ScoreSum{};
    std::array<std::uint32_t, kLaneCount> ElapsedSec{};
    std::array<std::uint32_t, kLaneCount> StartTick{};
    std::array<float, kLaneCount> ShootTime{};
    std::array<float, kLaneCount> AimX{};
    std::array<float, kLaneCount> AimY{};
    std::array<std::int32_t, kLaneCount> ShotLockout{};
    // Grows with the series; a series may have up to 1000 shots (ShootsNumber).
    std::array<std::vector<ShotPoint>, kLaneCount> ShotPos;
    // Beside ShotPos, for the live shot table only (no stored file holds them): each shot's
    // time in ms since the series began and its score as scored when it was fired.
    std::array<std::vector<std::uint32_t>, kLaneCount> ShotMs;
    std::array<std::vector<std::int32_t>, kLaneCount> ShotScore;
    // What the aiming trace said about each shot, where the window reads it (may be shorter
    // than ShotPos: a shot beyond it has no figures).
    std::array<std::vector<ShotHold>, kLaneCount> ShotHolds;
    // What a lane's record cannot hold and the archive keeps beside it: members of its entry
    // ("shots", "course", ...) and one trace payload. The save of the lane takes both.
    std::array<QJsonObject, kLaneCount> LaneBeside;
    std::array<QByteArray, kLaneCount> LaneTrace;

    // A new series: no shots kept for the lane.
    void ClearShots(std::size_t lane) {
        ShotPos[lane].clear();
        ShotMs[lane].clear();
        ShotScore[lane].clear();
        ShotHolds[lane].clear();
        LaneBeside[lane] = QJsonObject();
        LaneTrace[lane].clear();
    }
};

// Sets one member of shot `shot` (from 0) in the "shots" array of an entry, keeping the
// shot's other members; the array grows to hold it.
void SetShotMember(QJsonObject& beside, int shot, const QString& key, const QJsonValue& value);

} // namespace ryvo
