#pragma once

#include <QString>
#include <QStringList>

namespace ryvo::monkey {

struct AuditResult {
    int checked = 0;
    // Files no reader of the program covers (caches, the remarks file...).
    QStringList unchecked;
    // "<relative path>: what is wrong".
    QStringList problems;
};

// Reads every file below the start directory back with the program's own readers: settings,
// the shooters at the lanes, calibration and shooter zeros, groups, light scripts, courses, every
// record of every group file complete, the entries beside it paired with their records and their
// traces readable, no torn parts; printed documents are whole PDF files.
AuditResult AuditStartDir(const QString& startDir);

} // namespace ryvo::monkey
