// "Записать всех" for five lanes of ten shots each, into a group file of the month that
// already holds a number of records: the five appends, each synced to the disk.
#include "archive/ArchiveStore.h"
#include "archive/LaneSaves.h"
#include "core/ProgramState.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <clocale>

using namespace ryvo;

namespace {

const SaveTime kTime{2026, 12, 8, 18, 30};

void FiveLaneSeries(ProgramState& state) {
    state.LanePresent = {1, 1, 1, 1, 1};
    state.settings.Target = {1, 2, 2, 2, 2, -1, -1, -1};
    state.settings.ShootsNumber = 10;
    state.settings.Time = 60;
    state.GroupName = QStringLiteral("Взвод 1");
    for (size_t lane = 0; lane < 5; ++lane) {
        state.run.ShotCount[lane] = 10;
        state.run.ShotPos[lane].clear();
        for (int s = 0; s < 10; ++s) {
            state.run.ShotPos[lane].push_back(
                {static_cast<float>(s * 3) - 15.0F, static_cast<float>(lane) * 4.0F - 8.0F});
        }
        state.run.ShootTime[lane] = 42.5F;
        state.LaneShooter[lane] = QStringLiteral("Стрелок %1").arg(lane + 1);
    }
}

void BM_SaveAllFiveLanes(benchmark::State& bench) {
    const int existing = static_cast<int>(bench.range(0));
    QTemporaryDir dir;
    ProgramState state;
    state.StartDir = dir.path();
    FiveLaneSeries(state);
    // The month's file as earlier relays left it.
    const QString folder = MonthFolderPath(dir.path(), kTime.year, kTime.month);
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(GroupFileName(state.GroupName)));
    file.open(QIODevice::WriteOnly);
    for (int i = 0; i < existing; ++i) {
        file.write(RecordImage(kTime, LaneResult(state, i % 5, state.LaneShooter[i % 5], {})));
    }
    file.close();
    for (auto _ : bench) {
        AllLanesSave saves({0, 1, 2, 3, 4});
        const SaveAllOutcome outcome = saves.Save(state, kTime);
        if (outcome.saved.size() != 5) {
            bench.SkipWithError("not every lane was saved");
            break;
        }
    }
    bench.SetItemsProcessed(bench.iterations() * 5);
}
BENCHMARK(BM_SaveAllFiveLanes)->Arg(0)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
