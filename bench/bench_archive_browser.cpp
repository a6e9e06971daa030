// The archive browser as the instructor uses it, on the offscreen platform: choosing a group
// whose month file holds 10 000 records (read, scored, dates listed in the window), and
// choosing a date of 1000 records (the day table filled and painted).
#include "archive/ArchiveStore.h"
#include "archive/TArchiv1.h"
#include "archive/TArchiv2.h"
#include "core/ProgramState.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <clocale>
#include <memory>

using namespace ryvo;

namespace {

// Records of 10 shots on `days` days of December 2026.
QByteArray MonthFile(int records, int days) {
    QByteArray bytes;
    for (int i = 0; i < records; ++i) {
        NewResult r;
        r.shooter = QStringLiteral("Стрелок %1").arg(i % 30);
        r.targetType = 1 + i % 2;
        r.plannedShots = 10;
        r.shootTime = 12.5F;
        r.comment = QStringLiteral("ветер слева");
        for (int s = 0; s < 10; ++s) {
            r.shots.push_back({static_cast<float>((i * 7 + s * 13) % 200 - 100),
                               static_cast<float>((i * 11 + s * 5) % 200 - 100)});
        }
        bytes += RecordImage(SaveTime{2026, 12, 1 + i % days, 10, i % 60}, r);
    }
    return bytes;
}

class Pages final : public Navigator {
public:
    void Activate(const QString& className) override {
        for (Page* page : pages) {
            page->setVisible(page->ClassName() == className);
            if (page->ClassName() == className) {
                page->FormActivate();
            }
        }
    }
    Page* Find(const QString&) const override { return nullptr; }
    Page* ActivePage() const override { return nullptr; }
    std::vector<Page*> pages;
};

struct Browser {
    QTemporaryDir dir;
    ProgramState state;
    Services services;
    Pages pages;
    std::shared_ptr<ArchiveBrowser> browser = std::make_shared<ArchiveBrowser>(state);
    std::unique_ptr<TArchiv1> one;
    std::unique_ptr<TArchiv2> two;

    Browser() {
        state.StartDir = dir.path();
        const QString folder = MonthFolderPath(dir.path(), 2026, 12);
        QDir().mkpath(folder);
        auto write = [&](const char* name, const QByteArray& bytes) {
            QFile file(QDir(folder).filePath(QString::fromUtf8(name)));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
        };
        const QByteArray month = MonthFile(10000, 28);
        write("Взвод_1.rec", month);
        write("Взвод_2.rec", month);
        write("Взвод_3.rec", MonthFile(2000, 2)); // two days of 1000 records
        one = std::make_unique<TArchiv1>(state, services, browser);
        two = std::make_unique<TArchiv2>(state, services, browser);
        for (Page* page : {static_cast<Page*>(one.get()), static_cast<Page*>(two.get())}) {
            page->SetNavigator(&pages);
            page->resize(1280, 900);
            pages.pages.push_back(page);
        }
        pages.Activate(QStringLiteral("TArchiv1"));
        Choose(1, 0);
        Choose(2, 0);
    }
    QListWidget* List(int i) const {
        return one->findChild<QListWidget*>(QStringLiteral("ListBox%1").arg(i));
    }
    void Choose(int list, int row) const { List(list)->item(row)->setSelected(true); }
};

// Made after and destroyed before the application object, as windows must be.
Browser* g_browser = nullptr;

Browser& Shared() {
    return *g_browser;
}

void BM_OpenGroupMonth(benchmark::State& bench) {
    Browser& b = Shared();
    b.pages.Activate(QStringLiteral("TArchiv1"));
    int group = 0;
    for (auto _ : bench) {
        b.Choose(3, group);
        b.List(4)->repaint();
        group = 1 - group;
        if (b.List(4)->count() != 28) {
            bench.SkipWithError("the date list was not filled");
        }
    }
}
BENCHMARK(BM_OpenGroupMonth)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShowDayOf1000(benchmark::State& bench) {
    Browser& b = Shared();
    b.pages.Activate(QStringLiteral("TArchiv1"));
    b.Choose(3, 2);
    auto* table = b.two->findChild<QTableView*>(QStringLiteral("ListView1"));
    int date = 0;
    for (auto _ : bench) {
        b.Choose(4, date);
        b.two->repaint();
        if (table->model()->rowCount() != 1000) {
            bench.SkipWithError("the table was not filled");
        }
        bench.PauseTiming();
        b.pages.Activate(QStringLiteral("TArchiv1"));
        b.Choose(3, 2);
        date = 1 - date;
        bench.ResumeTiming();
    }
}
BENCHMARK(BM_ShowDayOf1000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    auto browser = std::make_unique<Browser>();
    g_browser = browser.get();
    benchmark::RunSpecifiedBenchmarks();
    browser.reset();
    benchmark::Shutdown();
    return 0;
}
