// The archive index over a generated archive: ten years, 20 groups a month, N records in all
// (10 shots each). Measures the first build (time, peak memory), the step after one new
// record, a step with nothing changed, and one shooter's card over all years.
//   ryvo_bench_archive_index [records]   (default 100000)
#include "archive/ArchiveIndex.h"
#include "archive/ArchiveProgress.h"
#include "targets/Scoring.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <clocale>
#include <cstdio>

#ifdef __linux__
#include <sys/resource.h>
#endif

using namespace ryvo;

namespace {

constexpr int kYears = 10;
constexpr int kGroups = 20;
constexpr int kShooters = 200;

NewResult Series(int i) {
    NewResult r;
    r.shooter = QStringLiteral("Стрелок %1").arg(i % kShooters);
    r.targetType = 1 + i % 2;
    r.plannedShots = 10;
    r.shootTime = 12.5F;
    r.comment = QStringLiteral("ветер слева");
    for (int s = 0; s < 10; ++s) {
        r.shots.push_back({static_cast<float>((i * 7 + s * 13) % 120 - 60),
                           static_cast<float>((i * 11 + s * 5) % 120 - 60)});
    }
    return r;
}

double PeakMegabytes() {
#ifdef __linux__
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
#else
    return 0.0;
#endif
}

// User and system time of the process so far, ms: the machine is shared, wall time is not
// all ours.
double CpuMs() {
#ifdef __linux__
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
#else
    return 0.0;
#endif
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const int records = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir archive;
    QTemporaryDir cache;
    const int files = kYears * 12 * kGroups;
    const int perFile = std::max(1, records / files);
    qint64 bytes = 0;
    int serial = 0;
    for (int year = 2016; year < 2016 + kYears; ++year) {
        for (int month = 1; month <= 12; ++month) {
            const QString folder = MonthFolderPath(archive.path(), year, month);
            QDir().mkpath(folder);
            for (int g = 0; g < kGroups; ++g) {
                QByteArray image;
                for (int i = 0; i < perFile; ++i, ++serial) {
                    image += RecordImage(SaveTime{year, month, 1 + i % 28, 8 + i % 10, i % 60},
                                         Series(serial));
                }
                QFile file(QDir(folder).filePath(GroupFileName(QStringLiteral("Взвод %1").arg(g))));
                file.open(QIODevice::WriteOnly);
                file.write(image);
                bytes += image.size();
            }
        }
    }
    std::printf("archive: %d records in %d files, %.1f MB\n", serial, files,
                static_cast<double>(bytes) / 1e6);
    const double before = PeakMegabytes();

    QElapsedTimer timer;
    timer.start();
    double cpu = CpuMs();
    ArchiveIndex index(archive.path(), ShotScorer{}, cache.path());
    const IndexSync first = index.Sync();
    std::printf("first build: %lld ms (CPU %.0f ms), %d files, ok %d; peak memory %.0f MB (%.0f "
                "MB before)\n",
                static_cast<long long>(timer.elapsed()), CpuMs() - cpu, first.filesRead,
                first.ok ? 1 : 0, PeakMegabytes(), before);

    timer.start();
    const IndexSync idle = index.Sync();
    std::printf("step, nothing changed: %lld ms (%d files read)\n",
                static_cast<long long>(timer.elapsed()), idle.filesRead);

    const QString last = QDir(MonthFolderPath(archive.path(), 2016 + kYears - 1, 12))
                             .filePath(GroupFileName(QStringLiteral("Взвод 0")));
    for (int round = 0; round < 3; ++round) {
        QFile file(last);
        file.open(QIODevice::Append);
        file.write(RecordImage(SaveTime{2016 + kYears - 1, 12, 28, 20, round}, Series(7)));
        file.close();
        timer.start();
        cpu = CpuMs();
        const IndexSync step = index.Sync();
        std::printf("step after one new record: %lld ms (CPU %.0f ms, %d files read, ok %d)\n",
                    static_cast<long long>(timer.elapsed()), CpuMs() - cpu, step.filesRead,
                    step.ok ? 1 : 0);
    }

    constexpr int kQueries = 20;
    timer.start();
    size_t rows = 0;
    for (int i = 0; i < kQueries; ++i) {
        ShooterCard card(index);
        card.Show(QStringLiteral("стрелок %1").arg(i));
        rows += static_cast<size_t>(card.Model().rowCount());
    }
    std::printf("shooter's card over all years: %.1f ms each (%zu results each)\n",
                static_cast<double>(timer.nsecsElapsed()) / 1e6 / kQueries, rows / kQueries);
    timer.start();
    const std::vector<IndexedResult> all = index.ShooterResults(QStringLiteral("Стрелок 7"));
    const std::vector<ProgressPoint> points = ProgressPoints(all, 10);
    std::printf("chart points of one shooter: %.1f ms (%zu points)\n",
                static_cast<double>(timer.nsecsElapsed()) / 1e6, points.size());
    return first.ok ? 0 : 1;
}
