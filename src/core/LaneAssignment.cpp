#include "core/LaneAssignment.h"

#include "core/ProgramState.h"
#include "platform/TextFile.h"

#include <QFile>
#include <QList>

#include <algorithm>

namespace ryvo {

namespace {

constexpr QByteArrayView kHeader = "ryvo-lanes 1";
// The line the record reader keeps.
constexpr qsizetype kMaxNameLength = 98;
// Far beyond five names; anything larger is not ours.
constexpr qint64 kMaxFileSize = qint64{64} * 1024;

} // namespace

QString CleanShooterName(const QString& name) {
    QString clean = name;
    for (QChar& c : clean) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            c = QLatin1Char(' ');
        }
    }
    clean = clean.trimmed();
    if (clean.size() > kMaxNameLength) {
        clean.truncate(kMaxNameLength);
        clean = clean.trimmed();
    }
    return clean;
}

void AssignLane(ProgramState& state, int lane, const QString& name) {
    if (lane < 0 || lane >= kLaneCount) {
        return;
    }
    state.LaneShooter[static_cast<size_t>(lane)] = CleanShooterName(name);
}

int NextRelayStart(const LaneNames& current, const LaneMask& lanes,
                   const std::vector<QString>& members) {
    int last = -1;
    for (size_t lane = 0; lane < current.size(); ++lane) {
        const QString& name = current[lane];
        if (lanes[lane] == 0 || name.isEmpty()) {
            continue;
        }
        for (size_t i = members.size(); i-- > 0;) {
            if (CleanShooterName(members[i]) == name) {
                last = std::max(last, static_cast<int>(i));
                break;
            }
        }
    }
    const int next = last + 1;
    return next >= static_cast<int>(members.size()) ? 0 : next;
}

std::optional<LaneNames> NextRelay(const LaneNames& current, const LaneMask& lanes,
                                   const std::vector<QString>& members) {
    const bool anyone = std::any_of(members.begin(), members.end(), [](const QString& m) {
        return !CleanShooterName(m).isEmpty();
    });
    if (!anyone) {
        return std::nullopt;
    }
    LaneNames relay = current;
    auto next = static_cast<size_t>(NextRelayStart(current, lanes, members));
    for (size_t lane = 0; lane < relay.size(); ++lane) {
        if (lanes[lane] == 0) {
            continue;
        }
        QString name;
        while (next < members.size() && name.isEmpty()) {
            name = CleanShooterName(members[next++]);
        }
        relay[lane] = name;
    }
    return relay;
}

LaneMask RelayLanes(const ProgramState& state, const std::vector<int>& windowLanes) {
    LaneMask lanes{};
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const bool served = windowLanes.empty() || std::find(windowLanes.begin(), windowLanes.end(),
                                                             lane) != windowLanes.end();
        lanes[i] = served && state.LanePresent[i] != 0 ? 1 : 0;
    }
    return lanes;
}

bool AssignFromList(ProgramState& state, const std::vector<int>& windowLanes) {
    if (state.LoadedGroup == -1) {
        return false;
    }
    const auto relay =
        NextRelay(state.LaneShooter, RelayLanes(state, windowLanes), state.GroupMembers);
    if (!relay) {
        return false;
    }
    state.LaneShooter = *relay;
    return true;
}

QByteArray LaneShootersImage(const LaneNames& names) {
    QByteArray bytes(kHeader.data(), kHeader.size());
    bytes += '\n';
    for (size_t lane = 0; lane < names.size(); ++lane) {
        const QString name = CleanShooterName(names[lane]);
        if (!name.isEmpty()) {
            bytes += QByteArray::number(static_cast<int>(lane) + 1) + '\t' + name.toUtf8() + '\n';
        }
    }
    return bytes;
}

LaneNames ParseLaneShooters(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    if (lines.isEmpty() || lines.front() != kHeader) {
        return {};
    }
    LaneNames read;
    std::array<bool, kLaneCount> seen{};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.isEmpty()) {
            continue;
        }
        const qsizetype tab = line.indexOf('\t');
        bool ok = false;
        const int lane = tab > 0 ? line.left(tab).toInt(&ok) : 0;
        if (!ok || lane < 1 || lane > kLaneCount || seen[static_cast<size_t>(lane - 1)]) {
            return {};
        }
        const QString raw = QString::fromUtf8(line.mid(tab + 1));
        // Invalid UTF-8 decodes to replacement characters: not a file we wrote.
        if (raw.contains(QChar::ReplacementCharacter)) {
            return {};
        }
        seen[static_cast<size_t>(lane - 1)] = true;
        read[static_cast<size_t>(lane - 1)] = CleanShooterName(raw);
    }
    return read;
}

void ReadLaneShooters(ProgramState& state) {
    state.LaneShooter = {};
    QFile file(state.PathFor(QString::fromLatin1(kLaneShootersFileName)));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize) {
        return;
    }
    state.LaneShooter = ParseLaneShooters(file.readAll());
}

bool WriteLaneShooters(const ProgramState& state) {
    return WriteFileAtomic(state.PathFor(QString::fromLatin1(kLaneShootersFileName)),
                           LaneShootersImage(state.LaneShooter));
}

} // namespace ryvo
