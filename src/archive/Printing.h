#pragma once

#include "core/ResultRecord.h"
#include "platform/Printer.h"
#include "platform/UserMessage.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace ryvo {

struct ProgramState;
class ZoneMaps;

// The target as the printed sheets name it.
QString TargetName(std::int32_t type);

// The group figures of a record's shots, scored for its target with the loaded pack's
// `zones`, one line each: the lines the result sheet prints and the archived result view
// shows.
QStringList RecordFigureLines(const ResultRecord& record, const ZoneMaps* zones);

// The result sheet of one series on one page: heading with group and shooter, date, the
// exercise as planned and as fired, comment, and the target to scale with every shot.
// `library` is the target picture of a library target type (null: an empty square), `zones`
// the loaded pack's zone maps.
void DrawResultSheet(Canvas& canvas, int dpi, const ResultRecord& record, const QString& groupName,
                     const QImage& library, const ZoneMaps* zones);
PrintOutcome PrintTarget(Printer& printer, const ResultRecord& record, const QString& groupName,
                         const ProgramState& state);

struct TableGeometry {
    int left = 0;
    int top = 0; // where the rows start
    int width = 0;
    int headerHeight = 0;
    std::vector<int> columns; // column boundaries from the left edge to the right edge
};

// The heading part of the day table: group box, date, the ruled column header.
TableGeometry PrintHeader(Canvas& canvas, const QString& groupName, const QString& date);
// The day table of DayRecords, continued on further pages when the rows need them.
PrintOutcome PrintDayTable(Printer& printer, const std::vector<ResultRecord>& day,
                           const QString& groupName);

// What the user is told after printing: that nothing was printed and why, or the PDF file
// the document went to when there is no printer. Nothing after a plain print.
std::optional<UserMessage> PrintOutcomeMessage(const PrintOutcome& outcome);

// The document name of a print: its PDF file name when there is no printer.
QString PrintDocumentName(const QString& date, const QString& time, const QString& who);

} // namespace ryvo
