// Reading an archive month: one group file of 2000 records (10 shots each, a typical series)
// parsed, scored and its dates collected, as the archive browser does on every group click.
#include "archive/ArchiveStore.h"
#include "core/ProgramState.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <clocale>

using namespace ryvo;

namespace {

QByteArray MonthFile(int records, int shots) {
    QByteArray bytes;
    for (int i = 0; i < records; ++i) {
        NewResult r;
        r.shooter = QStringLiteral("Стрелок %1").arg(i % 30);
        r.targetType = 1 + i % 2;
        r.plannedShots = shots;
        r.shootTime = 12.5F;
        r.comment = QStringLiteral("ветер слева");
        for (int s = 0; s < shots; ++s) {
            r.shots.push_back({static_cast<float>((i * 7 + s * 13) % 200 - 100),
                               static_cast<float>((i * 11 + s * 5) % 200 - 100)});
        }
        bytes += RecordImage(SaveTime{2026, 12, 1 + i % 28, 10, i % 60}, r);
    }
    return bytes;
}

void BM_ReadArchiveMonth(benchmark::State& bench) {
    const int records = static_cast<int>(bench.range(0));
    QTemporaryDir dir;
    ProgramState state;
    state.StartDir = dir.path();
    const QString folder = MonthFolderPath(dir.path(), 2026, 12);
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(QStringLiteral("Взвод_1.rec")));
    file.open(QIODevice::WriteOnly);
    const QByteArray bytes = MonthFile(records, 10);
    file.write(bytes);
    file.close();
    for (auto _ : bench) {
        ReadGroupFile(state, folder, QStringLiteral("Взвод_1"));
        CollectDates(state.archive);
        benchmark::DoNotOptimize(state.archive.ArchiveDates.data());
    }
    bench.SetItemsProcessed(bench.iterations() * records);
    bench.SetBytesProcessed(bench.iterations() * bytes.size());
}
BENCHMARK(BM_ReadArchiveMonth)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ParseGroupFile(benchmark::State& bench) {
    const QByteArray bytes = MonthFile(2000, 10);
    for (auto _ : bench) {
        benchmark::DoNotOptimize(ParseGroupFile(bytes).size());
    }
    bench.SetItemsProcessed(bench.iterations() * 2000);
}
BENCHMARK(BM_ParseGroupFile)->Unit(benchmark::kMillisecond);

// Dates of a month file where every record has a date of its own: the worst case for
// keeping each date once in order of first appearance.
void BM_CollectDates(benchmark::State& bench) {
    ArchiveTables tables;
    const int count = static_cast<int>(bench.range(0));
    tables.ArchiveRecords.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        tables.ArchiveRecords[static_cast<size_t>(i)].Date =
            QStringLiteral("%1.%2.%3").arg(i % 28 + 1).arg(i / 28 % 12 + 1).arg(i / 336);
    }
    for (auto _ : bench) {
        CollectDates(tables);
        benchmark::DoNotOptimize(tables.ArchiveDates.data());
    }
    bench.SetItemsProcessed(bench.iterations() * count);
}
BENCHMARK(BM_CollectDates)->Arg(40000)->Arg(80000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
