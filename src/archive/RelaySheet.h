#pragma once

#include "platform/Printer.h"
#include "platform/UserMessage.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace ryvo {

struct ProgramState;
struct Services;
class Canvas;

// One lane's line of the relay sheet: its last series, scored as the archive scores it.
struct RelayRow {
    int lane = 0;    // 0-based
    QString shooter; // empty: nobody stands at the lane
    std::int32_t targetType = 0;
    int shots = 0;
    std::array<int, 11> hitsPerScore{};
    int misses = 0; // beyond the square or at a dark target
    int sum = 0;
    float shootTime = 0.0F;
    // The group figures; meaningful only with hits on the target.
    int hits = 0;
    double meanX = 0.0;
    double meanY = 0.0;
    double extremeSpread = 0.0;
    // The lane's course, kept beside its record: empty after a plain series.
    QString course;
    QString grade;
    int coursePlanned = 0; // the shots its stages asked for
    QString stages;        // "Этапы: 45 + 27 = 72"
    QString reaction;      // "Реакция: 0.85 с"
};

// The series of all lanes of one relay, for the printed sheet and its CSV.
struct RelaySheet {
    QString date; // "%i.%i.%i" as the archive writes dates
    QString time; // "hh:mm"
    QString group;
    std::int32_t plannedShots = 0;
    std::int32_t timeLimit = 0; // seconds, 0 = not limited
    // The score columns, highest first: every score the lanes' targets can count.
    std::vector<std::int32_t> scores;
    std::vector<RelayRow> rows;
};

// The present lanes among the window's first `laneCount` lanes, in order.
std::vector<int> RelayLanes(const ProgramState& state, int laneCount);

// Rows of `lanes` from the run state, the settings and the lanes' shooters; the group is the
// current one and `when` the sheet's date and time.
RelaySheet BuildRelaySheet(const ProgramState& state, std::span<const int> lanes,
                           const QDateTime& when);

// The line that names the targets: one name, or each lane's when they differ.
QString RelayTargetLine(const RelaySheet& sheet);

// Whether a lane ran a course: the sheet then names it and each lane's grade.
bool RelayHasCourse(const RelaySheet& sheet);
// "1. Петров — Служебное; Оценка: хорошо; Этапы: 45 + 27 = 72; Реакция: 0.85 с", one per
// lane that ran a course.
QStringList RelayCourseLines(const RelaySheet& sheet);

// One A4 page: heading, exercise, a ruled row per lane, the instructor's name and signature.
void DrawRelaySheet(Canvas& canvas, int dpi, const RelaySheet& sheet);
PrintOutcome PrintRelaySheet(Printer& printer, const RelaySheet& sheet);

// The same rows for spreadsheets, in the conventions of the archive export.
QByteArray RelaySheetCsv(const RelaySheet& sheet);

struct RelaySheetOutcome {
    PrintOutcome printed;
    QString csvPath;
    bool csvWritten = false;
};

// Prints the sheet (or writes its PDF into "Печать") and writes the CSV beside the PDF, or
// under the same name in "Печать" after a paper print. `printer` may be null: CSV only.
RelaySheetOutcome OutputRelaySheet(Printer* printer, const QString& startDir,
                                   const RelaySheet& sheet);
UserMessage RelaySheetMessage(const RelaySheetOutcome& outcome);

// What "Ведомость смены" of a window with `laneCount` lanes does: the sheet of its present
// lanes made at `when`, printed and written as CSV, and the user told where they went.
RelaySheetOutcome MakeRelaySheet(const ProgramState& state, const Services& services, int laneCount,
                                 const QDateTime& when);

} // namespace ryvo
