#include "core/DisplayOptions.h"

#include "core/ProgramState.h"
#include "platform/TextFile.h"

#include <QFile>

namespace ryvo {

namespace {

const QByteArray kHeader = QByteArrayLiteral("Ryvo options 1");
const QByteArray kTracePhasesKey = QByteArrayLiteral("TracePhases");
constexpr qint64 kMaxFileSize = 4096;

} // namespace

QByteArray DisplayOptionsImage(const DisplayOptions& options) {
    return kHeader + "\r\n" + kTracePhasesKey + '=' + (options.tracePhases ? '1' : '0') + "\r\n";
}

DisplayOptions ParseDisplayOptions(const QByteArray& bytes) {
    DisplayOptions options;
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines[0].trimmed() != kHeader) {
        return options;
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype equals = line.indexOf('=');
        if (equals < 0 || line.left(equals).trimmed() != kTracePhasesKey) {
            continue; // an option of a later version
        }
        options.tracePhases = line.mid(equals + 1).trimmed() == "1";
    }
    return options;
}

DisplayOptions ReadDisplayOptions(const ProgramState& state) {
    QFile file(state.PathFor(QString::fromLatin1(kDisplayOptionsFileName)));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize) {
        return {};
    }
    return ParseDisplayOptions(file.readAll());
}

bool WriteDisplayOptions(const ProgramState& state) {
    return WriteFileAtomic(state.PathFor(QString::fromLatin1(kDisplayOptionsFileName)),
                           DisplayOptionsImage(state.Display));
}

} // namespace ryvo
