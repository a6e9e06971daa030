#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cmath>
#include <limits>
#include <vector>

namespace ryvo {

// What the aiming trace says about one shot. Lengths are target units (-100..100 across the
// target picture); a figure that cannot be had is NaN (no millimetre size for the target,
// no 10 ring or best zone to compare with, no trigger-jerk point).
struct ShotHold {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    // False for a shot with no trace to read (a dark target, no sample): nothing else counts.
    bool valid = false;
    // Seconds from the aim entering the target square to the shot.
    double hold = 0.0;
    // Seconds of trace the last-second figures were taken over (less than 1 when the trace
    // began later).
    double span = 0.0;
    // Path length of the aim over the last 1.0 s, in units and in millimetres.
    double len1 = 0.0;
    double len1mm = kNone;
    // Millimetres per target unit of the shot's target (NaN: its size is not known).
    double mmPerUnit = kNone;
    // Shares (0..1) of the last second's samples inside the 10 ring or best zone, and inside
    // a circle of that size around the second's mean aim point.
    double in10 = kNone;
    double steady = kNone;
    // Path length over the last 0.2 s.
    double move02 = 0.0;
    // From the trigger-jerk point to the shot point: distance and its direction in words.
    double jerk = kNone;
    int jerkDirection = -1;
};

inline bool HasFigure(double v) {
    return !std::isnan(v);
}

// The shot's figures as members of its entry beside the archive ("shots"[shot]): "hold",
// "len1", "len1mm", "in10", "steady", "move02", "jerk", "jerkDir" and "mmUnit" (mm per
// unit); a figure that cannot be had is left out, a shot without figures adds nothing.
void KeepHoldMembers(QJsonObject& beside, int shot, const ShotHold& hold);
// The figures kept for one shot; invalid when it has none.
ShotHold HoldFromMembers(const QJsonObject& shot);
// The figures of each shot of a record's members ("shots"), in firing order.
std::vector<ShotHold> HoldsOfRecord(const QJsonObject& beside);

// Means of the hold figures over the shots that have them (NaN: none had the figure).
struct HoldMeans {
    int shots = 0;
    double hold = ShotHold::kNone;
    double len1 = ShotHold::kNone; // millimetres when `mm`, else target units
    double in10 = ShotHold::kNone;
    double steady = ShotHold::kNone;
    double move02 = ShotHold::kNone;
    double jerk = ShotHold::kNone;
    bool mm = false;
};
// The means over the shots with figures; lengths in mm when the first such shot's target
// size is known.
HoldMeans MeanHolds(const std::vector<ShotHold>& holds);
// A record's means as the exports and the archive index keep them: lengths in target units
// whatever the target, and the last second's path in mm over the shots whose size is known.
struct RecordHoldMeans {
    HoldMeans units; // units.shots 0: the record has no figures
    double len1mm = ShotHold::kNone;
};
RecordHoldMeans MeansOfRecord(const std::vector<ShotHold>& holds);
// The figures box's line for the means; none without a shot that has figures.
QStringList HoldFigureLines(const HoldMeans& means);
// One shot's figures, a line each ("Удержание: 4.2 с", ...), lengths as HoldLength gives
// them; none for a shot without figures.
QStringList ShotHoldLines(const ShotHold& hold);
// A length of a shot's figures in mm where the target's size is known, else in units.
double HoldLength(const ShotHold& hold, double units);

// Direction of a move by (dx, dy) target units (y down) in one of eight sectors, -1 for none.
int JerkDirection(double dx, double dy);
// "вверх", "вправо-вверх", ... ; "" for none.
QString JerkDirectionWords(int direction);

} // namespace ryvo
