#pragma once

#include "core/ResultRecord.h"
#include "core/ShotHold.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace ryvo {

class Dialogs;

// What an export covers: a group's month, or one day of it when `date` is set.
struct ExportScope {
    QString group; // as the browser shows it (underscores for blanks)
    int year = 0;
    int month = 0;
    std::optional<QString> date;
};

// Two decimals, as the record file holds them, with `point` as the decimal mark; empty for
// what is no number.
QString Decimal(double value, QChar point);
// A CSV field, quoted when it holds a separator, a quote or a line end.
QString CsvField(const QString& text);

// The hold figures' columns of a CSV: captions, and a record's means (lengths in units and
// the last second's path in mm, shares in per cent); empty fields for a record without them.
QStringList HoldCsvHeader();
QStringList HoldCsvFields(const RecordHoldMeans& means);

// Results for spreadsheets: UTF-8 with a byte-order mark, ";" between fields, decimal commas,
// CR LF line ends, one row per record after a heading row. Hit counts are numbers (0 for
// none), so the columns add up.
QByteArray ResultsCsv(const std::vector<ResultRecord>& records, const ExportScope& scope);

// The same for scripts, as JSON (UTF-8): the scope, then one object per record on a line of
// its own, with every shot.
QByteArray ResultsJson(const std::vector<ResultRecord>& records, const ExportScope& scope);

// The records of one date, in file order.
std::vector<ResultRecord> RecordsOfDate(const std::vector<ResultRecord>& records,
                                        const QString& date);

// A file name for an export: group, month or day, and the extension.
QString ExportFileName(const ExportScope& scope, const QString& extension);

// Asks where to save the CSV of `records` (".csv" is added to a name without it) and writes it
// there, replacing a file of that name only once the new one is complete. False when the
// user cancelled or the file could not be written; a failure is told through `dialogs`.
bool ExportCsvAs(Dialogs& dialogs, const QString& startDir,
                 const std::vector<ResultRecord>& records, const ExportScope& scope);

} // namespace ryvo
