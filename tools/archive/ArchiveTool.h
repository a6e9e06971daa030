#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ryvo {

// ryvo-archive: lists and exports the results archive of a start directory.
//   list DIR          year, month, group, results [, a line on torn records]
//   export DIR --year Y --month M --group G [--date D] [--format csv|json]
//   shooter DIR NAME [--from D] [--to D] [--format csv|json]   every result of a shooter
//   summary DIR --group G [--from D] [--to D] [--format csv|json]   per shooter of a group
// Output goes to `out`, messages for the user to `err`. Returns the exit code: 0 done,
// 1 nothing found or unreadable, 2 wrong command line. The target pack is looked up as the
// program does, in DIR and then in `dataDir`, so library targets score by its zone maps.
// shooter and summary read the archive's index in `cacheDir` (empty: the program's cache).
int RunArchiveTool(const QStringList& args, QByteArray& out, QByteArray& err,
                   const QString& dataDir = QString(), const QString& cacheDir = QString());

} // namespace ryvo
