// Saves "Записать всех" of five lanes in a loop until it is killed, noting each save in a
// journal before it starts ("begin N") and after it is reported done ("done N").
// kill_save_child <start dir> <index cache dir> <journal> [saves]

#include "KillSave.h"
#include "archive/ArchiveIndex.h"
#include "archive/DiskSync.h"
#include "archive/LaneSaves.h"
#include "core/ProgramState.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

using namespace ryvo;

namespace {

bool Note(const QString& journal, const QByteArray& line) {
    QFile file(journal);
    return file.open(QIODevice::WriteOnly | QIODevice::Append) &&
           file.write(line + '\n') == line.size() + 1 && SyncToDisk(file);
}

// The next save's number: one past the last begun, so no save is made twice.
int NextSave(const QString& journal) {
    QFile file(journal);
    int next = 0;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray text = file.readAll();
        for (const QByteArray& line : text.first(text.lastIndexOf('\n') + 1).split('\n')) {
            if (line.startsWith("begin ")) {
                next = line.mid(6).toInt() + 1;
            }
        }
    }
    return next;
}

void FillSeries(ProgramState& state, int save) {
    for (int lane = 0; lane < killsave::kLanes; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const std::vector<ShotPoint> shots = killsave::Shots(save, lane);
        state.run.ShotPos[i] = shots;
        state.run.ShotCount[i] = static_cast<std::uint32_t>(shots.size());
        state.run.ShootTime[i] = 5.0F;
        state.run.LaneBeside[i] =
            QJsonObject{{QStringLiteral("shots"), killsave::ShotNumbers(save, lane)},
                        {QStringLiteral("grade"), killsave::Grade(save, lane)}};
        state.run.LaneTrace[i] = killsave::Trace(save, lane);
    }
}

} // namespace

int main(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fputs("kill_save_child <start dir> <cache dir> <journal> [saves]\n", stderr);
        return 2;
    }
    const QString startDir = QString::fromLocal8Bit(argv[1]);
    const QString journal = QString::fromLocal8Bit(argv[3]);
    const int limit = argc > 4 ? std::atoi(argv[4]) : -1;

    ProgramState state;
    state.StartDir = startDir;
    state.LanePresent = {1, 1, 1, 1, 1};
    state.settings.Target = {1, 2, 2, 3, 2, -1, -1, -1};
    state.settings.ShootsNumber = 5;
    state.settings.Time = 30;
    state.GroupName = QStringLiteral("Взвод 1");
    for (int lane = 0; lane < killsave::kLanes; ++lane) {
        state.LaneShooter[static_cast<size_t>(lane)] = killsave::Shooter(lane);
    }
    AllLanesSave saves({0, 1, 2, 3, 4});
    ArchiveIndex index(startDir, killsave::Score, QString::fromLocal8Bit(argv[2]));

    for (int save = NextSave(journal), done = 0; limit < 0 || done < limit; ++save, ++done) {
        FillSeries(state, save);
        saves.SeriesStarted();
        if (!Note(journal, "begin " + QByteArray::number(save))) {
            return 1;
        }
        const SaveAllOutcome outcome =
            saves.Save(state, killsave::TimeOf(save), killsave::Comment(save));
        if (outcome.saved.size() != killsave::kLanes || !outcome.besideFailed.empty()) {
            std::fprintf(stderr, "save %d failed\n", save);
            return 1;
        }
        if (!Note(journal, "done " + QByteArray::number(save))) {
            return 1;
        }
        if (save % 3 == 2 && !index.Sync().ok) {
            std::fputs("index update failed\n", stderr);
            return 1;
        }
    }
    return 0;
}
