#pragma once

#include "core/ResultRecord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace ryvo {

// What a record file cannot hold lives beside the group file, never inside it:
// "<group>.rex", one JSON object per line for each record this program saved (naming the
// record by its position and its first lines, so an entry that no longer pairs is ignored),
// and "<group>.trc", the records' traces as checked blocks the entries point into.

QString BesideEntriesPath(const QString& groupPath);
QString BesideTracesPath(const QString& groupPath);

// The record an entry belongs to: its position in the group file (from 0) and the shooter,
// date and time it reads back with.
struct BesideKey {
    int record = -1;
    QString shooter;
    QString date;
    QString time;
};

// Where one trace payload lies in "<group>.trc".
struct BesideTraceRef {
    BesideTraceRef(qint64 at = 0, qint64 size = 0, std::optional<std::uint32_t> sum = std::nullopt)
        : offset(at), length(size), crc(sum) {}

    qint64 offset; // the block's start
    qint64 length; // the payload's size
    // The payload's CRC-32, so a block that took the place of one cut aside is not taken for
    // it; entries written before it was kept have none.
    std::optional<std::uint32_t> crc;
};

// Appends one line to "<group>.rex", synced; a torn last line is cut off and kept in
// "<group>.rex.torn" first.
bool AppendBesideEntry(const QString& groupPath, const BesideKey& key, const QJsonObject& members);
// Appends a payload as one block of "<group>.trc", synced; a torn last block is kept aside
// as above. Nothing when the file is not a trace file of a version this program writes.
std::optional<BesideTraceRef> AppendBesideTrace(const QString& groupPath,
                                                const QByteArray& payload);
// The payload of one block; nullopt when it is missing, torn or not what the entry says.
std::optional<QByteArray> ReadBesideTrace(const QString& groupPath, BesideTraceRef ref);
// The "trace" member of an entry's members.
std::optional<BesideTraceRef> TraceRefOf(const QJsonObject& members);

// Gives each record its entry's members (ResultRecord::Beside), pairing by position and
// first lines; the last of several entries for one record wins. Records without one keep
// an empty object. AttachBeside also names the group file in each record (GroupFile).
void AttachBesideImage(const QByteArray& entries, std::vector<ResultRecord>& records);
void AttachBeside(const QString& groupPath, std::vector<ResultRecord>& records);

// Where the last complete block of a trace file image ends (0 for an empty or foreign one):
// blocks are walked by their lengths, and only the last one's checksum decides.
qsizetype CompleteTracesEnd(const QByteArray& image);

} // namespace ryvo
