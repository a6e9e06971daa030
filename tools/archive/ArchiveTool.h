#pragma once

#include <QByteArray>
#include <QStringList>

namespace ryvo {

// ryvo-archive: lists and exports the results archive of a start directory.
//   list DIR
//   export DIR --year Y --month M --group G [--date D] [--format csv|json]
// Output goes to `out`, messages for the user to `err`. Returns the exit code: 0 done,
// 1 nothing found or unreadable, 2 wrong command line.
int RunArchiveTool(const QStringList& args, QByteArray& out, QByteArray& err);

} // namespace ryvo
