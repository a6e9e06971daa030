#include "archive/ArchiveBeside.h"
#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveStore.h"
#include "archive/ProgressChart.h"
#include "archive/TArchiv2.h"
#include "archive/TArchiv3.h"
#include "archive/TShooterCard.h"
#include "core/ProgramState.h"
#include "platform/Dialogs.h"
#include "platform/Printer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

using namespace ryvo;

namespace {

class PageStack final : public Navigator {
public:
    void Add(Page* page) {
        page->SetNavigator(this);
        pages.push_back(page);
    }
    void Activate(const QString& className) override {
        activated.push_back(className);
        if (Page* page = Find(className)) {
            page->FormActivate();
        }
    }
    Page* Find(const QString& className) const override {
        for (Page* page : pages) {
            if (page->ClassName() == className) {
                return page;
            }
        }
        return nullptr;
    }
    Page* ActivePage() const override { return nullptr; }
    std::vector<Page*> pages;
    std::vector<QString> activated;
};

NewResult Series(const QString& shooter, int targetType, std::vector<ShotPoint> shots) {
    NewResult r;
    r.shooter = shooter;
    r.targetType = targetType;
    r.plannedShots = static_cast<std::int32_t>(shots.size());
    r.shootTime = 10.0F;
    r.shots = std::move(shots);
    return r;
}

// Three years of one platoon; Петров under three spellings, Орлов beside him.
struct Range {
    test::TempDir dir;
    test::TempDir cache;
    ProgramState state;
    ScriptedDialogs dialogs;
    ImagePrinter printer;
    Services services;
    PageStack stack;
    std::shared_ptr<ArchiveBrowser> browser = std::make_shared<ArchiveBrowser>(state);
    std::unique_ptr<TArchiv2> two;
    std::unique_ptr<TArchiv3> three;
    std::unique_ptr<TShooterCard> card;

    Range() {
        state.StartDir = dir.Path();
        services.dialogs = &dialogs;
        services.printer = &printer;
        Save("Взвод 1", {2023, 4, 2, 9, 0}, Series("Петров", 1, {{0, 0}, {40, 0}}));
        Save("Взвод 1", {2023, 4, 2, 9, 30}, Series("Орлов", 1, {{0, 0}}));
        Save("Взвод 1", {2024, 6, 3, 10, 0}, Series("ПЕТРОВ", 2, {{0, 0}, {0, 0}}));
        Save("Стрелки", {2024, 6, 4, 10, 0}, Series("Петров ", 1, {{150, 0}}));
        Save("Взвод 1", {2025, 1, 5, 11, 0}, Series("петров", 1, {{20, 0}}));
        Save("Взвод 1", {2025, 1, 5, 11, 5}, Series("Орлов", 1, {{0, 0}, {0, 0}}));
        two = std::make_unique<TArchiv2>(state, services, browser);
        three = std::make_unique<TArchiv3>(state, services);
        card = std::make_unique<TShooterCard>(state, services, cache.Path());
        for (Page* page : {static_cast<Page*>(two.get()), static_cast<Page*>(three.get()),
                           static_cast<Page*>(card.get())}) {
            page->resize(1100, 750);
            stack.Add(page);
        }
    }
    void Save(const char* group, const SaveTime& time, const NewResult& r) const {
        ASSERT_TRUE(AppendResult(dir.Path(), QString::fromUtf8(group), time, r).ok);
    }
    template <typename T> T* Child(const QWidget& page, const char* name) const {
        T* child = page.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void Click(const QWidget& page, const char* name) const {
        Child<QPushButton>(page, name)->click();
    }
};

int DarkPixels(const QImage& image) {
    int dark = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        }
    }
    return dark;
}

} // namespace

TEST(ShooterCardWindow, FromTheDayTableToEveryResultAndBackThroughTheResultView) {
    Range range;
    // The day table of 5.1.2025, its first row chosen.
    range.browser->Open();
    range.browser->ChooseYear(2);
    range.browser->ChooseMonth(0);
    range.browser->ChooseGroup(0);
    ASSERT_TRUE(range.browser->ChooseDate(0));
    range.stack.Activate(QStringLiteral("TArchiv2"));
    auto* day = range.Child<QTableView>(*range.two, "ListView1");
    ASSERT_EQ(day->model()->rowCount(), 2);
    day->selectRow(0);
    range.Click(*range.two, "ShooterCard");
    ASSERT_EQ(range.stack.activated.back(), QStringLiteral("TShooterCard"));

    ShooterCard* card = range.card->Card();
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->Name(), QStringLiteral("петров"));
    auto* results = range.Child<QTableView>(*range.card, "Results");
    ASSERT_EQ(results->model()->rowCount(), 4);
    QStringList dates;
    for (int row = 0; row < 4; ++row) {
        dates << results->model()->index(row, ShooterCardModel::kDateColumn).data().toString();
    }
    EXPECT_EQ(dates, (QStringList{"05.01.2025 11:00", "04.06.2024 10:00", "03.06.2024 10:00",
                                  "02.04.2023 09:00"}));
    // The name list offers every shooter once.
    auto* name = range.Child<QComboBox>(*range.card, "ShooterName");
    EXPECT_EQ(name->count(), 2);

    // Filters: the group "Стрелки", then the sport target.
    auto* group = range.Child<QComboBox>(*range.card, "GroupFilter");
    ASSERT_EQ(group->count(), 3);
    group->setCurrentIndex(group->findText(QStringLiteral("Стрелки")));
    EXPECT_EQ(results->model()->rowCount(), 1);
    group->setCurrentIndex(0);
    auto* target = range.Child<QComboBox>(*range.card, "TargetFilter");
    target->setCurrentIndex(target->findText(QStringLiteral("Мишень спортивная")));
    ASSERT_EQ(results->model()->rowCount(), 1);

    // The row opens the archived result view; its Exit comes back to the card, the card's to
    // the day table.
    results->selectRow(0);
    range.Click(*range.card, "ShowTarget");
    ASSERT_EQ(range.stack.activated.back(), QStringLiteral("TArchiv3"));
    ASSERT_EQ(range.state.archive.DayRecords.size(), 1U);
    EXPECT_EQ(range.state.archive.DayRecords[0].Shooter, QStringLiteral("ПЕТРОВ"));
    EXPECT_EQ(range.state.archive.DayRecords[0].Date, QStringLiteral("3.6.2024"));
    EXPECT_EQ(range.state.GroupName, QStringLiteral("Взвод_1"));
    EXPECT_EQ(range.Child<QLabel>(*range.three, "Shooter")->text(), QStringLiteral("ПЕТРОВ"));
    range.Click(*range.three, "Exit");
    EXPECT_EQ(range.stack.activated.back(), QStringLiteral("TShooterCard"));
    EXPECT_EQ(results->model()->rowCount(), 1); // the filter stayed
    range.Click(*range.card, "Exit");
    EXPECT_EQ(range.stack.activated.back(), QStringLiteral("TArchiv2"));
    // From the day table again the view returns there.
    range.stack.Activate(QStringLiteral("TArchiv3"));
    range.Click(*range.three, "Exit");
    EXPECT_EQ(range.stack.activated.back(), QStringLiteral("TArchiv2"));

    // A right click on a name offers that shooter's card.
    const QRect second = day->visualRect(day->model()->index(1, 0));
    emit day->customContextMenuRequested(second.center());
    auto* menu = range.two->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Стрелок: Орлов"));
    menu->actions()[0]->trigger();
    EXPECT_EQ(range.stack.activated.back(), QStringLiteral("TShooterCard"));
    EXPECT_EQ(card->Name(), QStringLiteral("Орлов"));
    EXPECT_EQ(card->AllCount(), 2);
}

TEST(ShooterCardWindow, ChartComparesShootersPrintsAndExports) {
    Range range;
    range.card->Preset(QStringLiteral("Петров"), QStringLiteral("TArchiv2"));
    range.stack.Activate(QStringLiteral("TShooterCard"));
    range.Child<QComboBox>(*range.card, "Compare")->setEditText(QStringLiteral("орлов"));

    const ProgressChart& chart = range.card->Chart();
    ASSERT_EQ(chart.Lines().size(), 2U);
    EXPECT_EQ(chart.Lines()[0].points.size(), 4U);
    EXPECT_EQ(chart.Lines()[1].shooter, QStringLiteral("Орлов"));
    EXPECT_EQ(chart.Lines()[1].points.size(), 2U);
    const QList<QAbstractSeries*> series = chart.chart()->series();
    ASSERT_EQ(series.size(), 4); // points and moving average, per shooter
    auto* dots = qobject_cast<QLineSeries*>(series[0]);
    ASSERT_NE(dots, nullptr);
    ASSERT_EQ(dots->count(), 4);
    // Oldest first: 2023 (10 + 9) / 2, then the sport target's 10.
    EXPECT_DOUBLE_EQ(dots->at(0).y(), 9.5);
    EXPECT_DOUBLE_EQ(dots->at(1).y(), 10.0);
    EXPECT_EQ(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(dots->at(0).x())),
              QDateTime(QDate(2023, 4, 2), QTime(9, 0)));

    // The group's summary covers the platoon of the latest result.
    const GroupSummaryModel& summary = range.card->Summary();
    ASSERT_EQ(summary.rowCount(), 2);
    EXPECT_EQ(summary.Rows()[0].shooter, QStringLiteral("Орлов"));
    EXPECT_EQ(summary.Rows()[1].series, 3);

    // The drawn chart is not blank, and it prints on one page.
    EXPECT_GT(DarkPixels(range.card->Chart().Picture(QSize(600, 400))), 200);
    range.Click(*range.card, "PrintChart");
    ASSERT_EQ(range.printer.documents, 1);
    ASSERT_EQ(range.printer.pages.size(), 1U);
    EXPECT_GT(DarkPixels(range.printer.pages[0].image), 200);

    // PDF and CSV go where the user says; cancelling writes nothing.
    const QString pdf = range.dir.File(QStringLiteral("график"));
    range.dialogs.fileAnswers = {pdf, std::nullopt};
    range.Click(*range.card, "SavePdf");
    QFile written(pdf + QStringLiteral(".pdf"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith("%PDF"));
    range.Click(*range.card, "SavePdf");
    EXPECT_TRUE(range.dialogs.fileAnswers.empty());

    range.Child<QTabWidget>(*range.card, "Tabs")->setCurrentIndex(TShooterCard::kChartTab);
    const QString csv = range.dir.File(QStringLiteral("данные.csv"));
    range.dialogs.fileAnswers = {csv};
    range.Click(*range.card, "ExportCsv");
    EXPECT_EQ(range.dir.Read(QStringLiteral("данные.csv")), ProgressCsv(chart.Lines()));
    EXPECT_EQ(range.dir.Read(QStringLiteral("данные.csv")).count("\r\n"), 1 + 4 + 2);
    EXPECT_TRUE(range.dialogs.messages.empty());
}

TEST(ShooterCardWindow, HoldChartBesideTheScoreChartWithItsEmptyState) {
    Range range;
    range.card->Preset(QStringLiteral("Петров"), QStringLiteral("TArchiv2"));
    range.stack.Activate(QStringLiteral("TShooterCard"));
    range.Child<QTabWidget>(*range.card, "Tabs")->setCurrentIndex(TShooterCard::kHoldTab);
    const ProgressChart& hold = range.card->HoldChart();
    const auto* empty = range.Child<QLabel>(hold, "EmptyNote");
    ASSERT_EQ(hold.Lines().size(), 1U);
    EXPECT_TRUE(hold.Lines()[0].points.empty());
    EXPECT_FALSE(empty->isHidden());
    EXPECT_EQ(empty->text(), QStringLiteral("Нет данных об удержании"));
    // Nothing to save or print: no file is asked for.
    range.dialogs.fileAnswers = {range.dir.File(QStringLiteral("пусто.pdf"))};
    range.Click(*range.card, "SavePdf");
    range.Click(*range.card, "PrintChart");
    EXPECT_EQ(range.dialogs.fileAnswers.size(), 1U);
    EXPECT_EQ(range.printer.documents, 0);

    // Figures beside Петров's two series of the platoon in 2024 and 2025.
    for (const auto& [folder, steady] :
         {std::pair("2024/Июнь", 0.5), std::pair("2025/Январь", 0.9)}) {
        const QString group =
            range.dir.File(QString::fromUtf8(folder) + QStringLiteral("/Взвод_1.rec"));
        QFile file(group);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << folder;
        const ResultRecord r = ParseGroupFile(file.readAll()).at(0);
        const QJsonObject shot{{"hold", 3.0}, {"len1", 12.0}, {"steady", steady}};
        ASSERT_TRUE(AppendBesideEntry(group, {0, r.Shooter, r.Date, r.Time},
                                      {{"shots", QJsonArray{shot, shot}}}));
    }
    range.stack.Activate(QStringLiteral("TShooterCard"));
    auto* figure = range.Child<QComboBox>(*range.card, "HoldFigure");
    figure->setCurrentIndex(figure->findText(QStringLiteral("Устойчивость, %")));
    ASSERT_EQ(hold.Lines()[0].points.size(), 2U);
    EXPECT_DOUBLE_EQ(hold.Lines()[0].points[0].mean, 50.0);
    EXPECT_DOUBLE_EQ(hold.Lines()[0].points[1].average, 70.0);
    EXPECT_TRUE(empty->isHidden());

    // The open tab's chart is what is printed, saved and exported.
    range.Click(*range.card, "PrintChart");
    EXPECT_EQ(range.printer.documents, 1);
    range.Click(*range.card, "SavePdf");
    QFile pdf(range.dir.File(QStringLiteral("пусто.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));
    range.dialogs.fileAnswers = {range.dir.File(QStringLiteral("удержание.csv"))};
    range.Click(*range.card, "ExportCsv");
    const QByteArray csv = range.dir.Read(QStringLiteral("удержание.csv"));
    EXPECT_EQ(csv, ProgressCsv(hold.Lines(), QStringLiteral("Устойчивость, %")));
    EXPECT_TRUE(csv.contains("Устойчивость, %;Скользящее среднее\r\n"));
    EXPECT_EQ(csv.count("\r\n"), 1 + 2);
}
