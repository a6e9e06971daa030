#include "core/SettingsFile.h"

#include "platform/TextFile.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

using namespace ryvo;

// Reading the settings file happens once at start-up; this keeps an eye on the text layer.
static void BM_ReadSettings(benchmark::State& state) {
    QTemporaryDir dir;
    Settings s;
    ApplyBuiltInDefaults(s);
    const QString path = QDir(dir.path()).filePath(QStringLiteral("ryvw.cfg"));
    WriteSettings(s, path);
    for (auto _ : state) {
        Settings read;
        ReadSettings(read, path);
        benchmark::DoNotOptimize(read.Time);
    }
}
BENCHMARK(BM_ReadSettings);

static void BM_SettingsImage(benchmark::State& state) {
    Settings s;
    ApplyBuiltInDefaults(s);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SettingsFileImage(s));
    }
}
BENCHMARK(BM_SettingsImage);
