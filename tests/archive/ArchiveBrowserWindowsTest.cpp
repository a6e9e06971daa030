#include "archive/ArchiveExport.h"
#include "archive/ArchiveStore.h"
#include "archive/TArchiv1.h"
#include "archive/TArchiv2.h"
#include "archive/TArchiv3.h"
#include "core/ProgramState.h"
#include "platform/Dialogs.h"
#include "platform/Printer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>

using namespace ryvo;

namespace {

// Brings pages to the front as the frame does: the one shown runs its FormActivate.
class PageStack final : public Navigator {
public:
    void Add(Page* page) {
        page->SetNavigator(this);
        pages.push_back(page);
    }
    void Activate(const QString& className) override {
        activated.push_back(className);
        if (Page* page = Find(className)) {
            for (Page* other : pages) {
                other->setVisible(other == page);
            }
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

NewResult Series(const QString& shooter, std::vector<ShotPoint> shots, float seconds = 12.5F) {
    NewResult r;
    r.shooter = shooter;
    r.targetType = 2;
    r.plannedShots = 5;
    r.shootTime = seconds;
    r.comment = QStringLiteral("ветер");
    r.shots = std::move(shots);
    return r;
}

struct Browser {
    test::TempDir dir;
    ProgramState state;
    ScriptedDialogs dialogs;
    ImagePrinter printer;
    Services services;
    PageStack stack;
    std::shared_ptr<ArchiveBrowser> browser = std::make_shared<ArchiveBrowser>(state);
    std::unique_ptr<TArchiv1> one;
    std::unique_ptr<TArchiv2> two;
    std::unique_ptr<TArchiv3> three;

    Browser() {
        state.StartDir = dir.Path();
        state.GroupName = QStringLiteral("Прежняя");
        services.dialogs = &dialogs;
        services.printer = &printer;
        const SaveTime day7{2008, 12, 7, 9, 5};
        Save(QStringLiteral("Взвод 1"), day7, Series("Петров", {{0, 0}, {150, 0}}));
        Save(QStringLiteral("Взвод 1"), {2008, 12, 8, 9, 5}, Series("Иванов", {}, 0.0F));
        Save(QStringLiteral("Взвод 1"), day7, Series("Петров", {{5, 5}}, 7.5F));
        Save(QStringLiteral("Белые"), day7, Series("Сидоров", {}));
        QDir().mkpath(dir.File(QStringLiteral("Archive")));
        one = std::make_unique<TArchiv1>(state, services, browser);
        two = std::make_unique<TArchiv2>(state, services, browser);
        three = std::make_unique<TArchiv3>(state, services);
        for (Page* page : {static_cast<Page*>(one.get()), static_cast<Page*>(two.get()),
                           static_cast<Page*>(three.get())}) {
            page->resize(1000, 700);
            stack.Add(page);
        }
    }
    void Save(const QString& group, const SaveTime& time, const NewResult& r) const {
        ASSERT_TRUE(AppendResult(dir.Path(), group, time, r).ok);
    }
    QListWidget* List(int i) const {
        return one->findChild<QListWidget*>(QStringLiteral("ListBox%1").arg(i));
    }
    template <typename T> static T* Child(const QWidget& page, const char* name) {
        T* child = page.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    // Shows the selection window as the active window, so its shortcuts work.
    void ShowOne() {
        stack.Activate(QStringLiteral("TArchiv1"));
        one->show();
        QApplication::setActiveWindow(one.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(one.get()));
    }
    void ClickItem(QListWidget* list, int row) const {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    // Year, month, group "Взвод_1", date "7.12.2008": the table opens.
    void WalkToTheDay() {
        ShowOne();
        ClickItem(List(1), 0);
        ClickItem(List(2), 0);
        ClickItem(List(3), 1);
        ClickItem(List(4), 0);
    }
};

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->item(i)->text();
    }
    return items;
}

QString PdfFromMessage(const ScriptedDialogs& dialogs) {
    EXPECT_FALSE(dialogs.messages.empty());
    if (dialogs.messages.empty()) {
        return {};
    }
    const QString text = dialogs.messages.back().text;
    return QDir::fromNativeSeparators(text.section(QChar(u'\n'), 1));
}

} // namespace

TEST(ArchiveWindows, CaptionsHeadingsAndTableHeaders) {
    Browser b;
    EXPECT_EQ(b.one->Caption(), QStringLiteral("Выбор группы"));
    EXPECT_EQ(b.two->Caption(), QStringLiteral("Выбранная группа"));
    EXPECT_EQ(b.three->Caption(), QStringLiteral("Мишень"));
    const char* headings[] = {"StaticText1", "StaticText2", "StaticText3", "StaticText4"};
    const QStringList texts = {"Выберите год архива", "Выберите месяц стрельбы", "Выберите группу",
                               "Выберите дату"};
    for (int i = 0; i < 4; ++i) {
        const auto* label = Browser::Child<QLabel>(*b.one, headings[i]);
        EXPECT_EQ(label->text(), texts[i]);
        EXPECT_TRUE(label->font().bold());
    }
    EXPECT_EQ(Browser::Child<QPushButton>(*b.one, "Exit")->text(),
              QStringLiteral("Выход     <ESC>"));
    EXPECT_EQ(Browser::Child<QPushButton>(*b.two, "ShowTarget")->text(),
              QStringLiteral("Показать мишень"));
    EXPECT_EQ(Browser::Child<QPushButton>(*b.two, "Print")->text(), QStringLiteral("Печать"));
    EXPECT_EQ(Browser::Child<QPushButton>(*b.two, "Exit")->text(), QStringLiteral("Выход"));

    const auto* table = Browser::Child<QTableView>(*b.two, "ListView1");
    const QAbstractItemModel* model = table->model();
    ASSERT_EQ(model->columnCount(), 16);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("         Стрелок           "));
    EXPECT_EQ(model->headerData(12, Qt::Horizontal).toString(), QStringLiteral("Пр."));
    EXPECT_EQ(model->headerData(15, Qt::Horizontal).toString(), QStringLiteral("Время стрельбы"));
    EXPECT_EQ(table->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    // Each column fits its header; the hit columns are 5 pixels wider.
    const QHeaderView* header = table->horizontalHeader();
    EXPECT_EQ(header->sectionSize(0), header->sectionSizeHint(0));
    EXPECT_EQ(header->sectionSize(5), header->sectionSizeHint(5) + 5);
    EXPECT_EQ(header->sectionSize(12), header->sectionSizeHint(12) + 5);
    EXPECT_EQ(header->sectionSize(13), header->sectionSizeHint(13));
    EXPECT_GT(header->sectionSize(0), header->sectionSize(14)); // the blanks keep it wide

    for (const char* name : {"InfoG", "CommG", "Exec", "Made", "Bevel1", "GroupFail"}) {
        EXPECT_NE(b.three->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    }
    EXPECT_EQ(Browser::Child<QPushButton>(*b.three, "ViewShoots")->text(),
              QStringLiteral("Просмотреть выстрелы"));
    EXPECT_EQ(Browser::Child<QPushButton>(*b.three, "Exit")->text(), QStringLiteral("&Выход"));
    const QString hint = Browser::Child<QLabel>(*b.three, "ViewHint")->text();
    EXPECT_TRUE(hint.contains(QStringLiteral("Shift")) && hint.contains(QStringLiteral("Esc")));
}

TEST(ArchiveWindows, ListsFollowTheKeyboardAndTheMouse) {
    Browser b;
    b.ShowOne();
    EXPECT_EQ(Items(b.List(1)), QStringList{"2008"});
    EXPECT_FALSE(b.List(2)->isEnabled());
    // Focus alone (the cursor on the first year) chooses nothing; the arrow key chooses it.
    b.List(1)->setFocus();
    EXPECT_EQ(b.List(2)->count(), 0);
    QTest::keyClick(b.List(1), Qt::Key_Down);
    ASSERT_EQ(Items(b.List(2)), QStringList{"Декабрь"});
    EXPECT_TRUE(b.List(2)->isEnabled());
    EXPECT_FALSE(b.List(3)->isEnabled());
    b.List(2)->setFocus();
    QTest::keyClick(b.List(2), Qt::Key_Down);
    ASSERT_EQ(Items(b.List(3)), (QStringList{"Белые", "Взвод_1"}));
    b.List(3)->setFocus();
    QTest::keyClick(b.List(3), Qt::Key_Down);
    EXPECT_EQ(b.state.GroupName, QStringLiteral("Белые"));
    EXPECT_EQ(Items(b.List(4)), QStringList{"7.12.2008"});
    QTest::keyClick(b.List(3), Qt::Key_Down);
    EXPECT_EQ(b.state.GroupName, QStringLiteral("Взвод_1"));
    EXPECT_EQ(Items(b.List(4)), (QStringList{"7.12.2008", "8.12.2008"}));
    EXPECT_TRUE(b.List(4)->isEnabled());

    // A date chosen with the keyboard opens the table.
    b.List(4)->setFocus();
    QTest::keyClick(b.List(4), Qt::Key_End);
    ASSERT_EQ(b.stack.activated.back(), QStringLiteral("TArchiv2"));
    EXPECT_EQ(b.state.archive.DayRecords.size(), 1u); // 8.12.2008

    // Back from the table the lists keep what they showed: the group chosen, its dates
    // listed with the day marked, the other day one click away.
    Browser::Child<QPushButton>(*b.two, "Exit")->click();
    EXPECT_EQ(Items(b.List(3)), (QStringList{"Белые", "Взвод_1"}));
    EXPECT_EQ(b.List(2)->currentRow(), 0);
    EXPECT_TRUE(b.List(3)->item(1)->isSelected());
    ASSERT_EQ(Items(b.List(4)), (QStringList{"7.12.2008", "8.12.2008"}));
    EXPECT_TRUE(b.List(4)->isEnabled() && b.List(4)->item(1)->isSelected());
    b.ClickItem(b.List(4), 0);
    ASSERT_EQ(b.stack.activated.back(), QStringLiteral("TArchiv2"));
    EXPECT_EQ(b.state.archive.DayRecords.size(), 2u); // 7.12.2008
    // The group already chosen is read again by a click on it, or by Return.
    b.ShowOne();
    b.ClickItem(b.List(3), 1);
    ASSERT_EQ(b.List(4)->count(), 2);
    b.Save(QStringLiteral("Взвод 1"), {2008, 12, 9, 9, 0}, Series("Новый", {}));
    b.ClickItem(b.List(3), 1);
    EXPECT_EQ(b.List(4)->count(), 3);
    b.Save(QStringLiteral("Взвод 1"), {2008, 12, 10, 9, 0}, Series("Новый", {}));
    b.List(3)->setFocus();
    QTest::keyClick(b.List(3), Qt::Key_Return);
    EXPECT_EQ(b.List(4)->count(), 4);
}

TEST(ArchiveWindows, EscapeLeavesTheSelectionWindow) {
    Browser b;
    b.ShowOne();
    b.ClickItem(b.List(1), 0);
    b.ClickItem(b.List(2), 0);
    b.ClickItem(b.List(3), 1);
    ASSERT_EQ(b.List(4)->count(), 2);
    // A button pressed by its shortcut clicks after a short animation.
    QTest::keyClick(b.List(3), Qt::Key_Escape);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return b.stack.activated.back() == QStringLiteral("TMainForm2"); }));
    EXPECT_EQ(b.List(3)->count(), 0);
    EXPECT_EQ(b.List(4)->count(), 0);
    EXPECT_EQ(Items(b.List(2)), QStringList{"Декабрь"});
}

TEST(ArchiveWindows, TheDayTableOpensTheViewAndPrints) {
    Browser b;
    b.WalkToTheDay();
    ASSERT_EQ(b.stack.activated.back(), QStringLiteral("TArchiv2"));
    EXPECT_EQ(Browser::Child<QLabel>(*b.two, "Group")->text(), QStringLiteral("Группа: Взвод_1"));
    auto* table = Browser::Child<QTableView>(*b.two, "ListView1");
    const QAbstractItemModel* model = table->model();
    ASSERT_EQ(model->rowCount(), 2); // two records of one shooter, two rows
    EXPECT_EQ(model->index(1, 0).data().toString(), QStringLiteral("Петров"));
    EXPECT_EQ(model->index(1, 15).data().toString(), QStringLiteral(" 7.50"));

    // Nothing selected: "Показать мишень" does nothing.
    const size_t before = b.stack.activated.size();
    Browser::Child<QPushButton>(*b.two, "ShowTarget")->click();
    EXPECT_EQ(b.stack.activated.size(), before);

    b.two->show();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                      table->visualRect(model->index(1, 3)).center());
    ASSERT_EQ(b.stack.activated.back(), QStringLiteral("TArchiv3"));
    EXPECT_EQ(b.state.archive.CurrentRecord, 1);
    EXPECT_EQ(Browser::Child<QLabel>(*b.three, "Time2")->text(), QStringLiteral(" 7.50"));

    // Back: the row stays selected, Return opens it again.
    Browser::Child<QPushButton>(*b.three, "Exit")->click();
    ASSERT_EQ(b.stack.activated.back(), QStringLiteral("TArchiv2"));
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Up);
    QTest::keyClick(table, Qt::Key_Return);
    ASSERT_EQ(b.stack.activated.back(), QStringLiteral("TArchiv3"));
    EXPECT_EQ(b.state.archive.CurrentRecord, 0);
    Browser::Child<QPushButton>(*b.three, "Exit")->click();

    Browser::Child<QPushButton>(*b.two, "Print")->click();
    ASSERT_EQ(b.printer.pages.size(), 1u);
    const auto& texts = b.printer.pages[0].texts;
    EXPECT_NE(std::find(texts.begin(), texts.end(), QStringLiteral("Группа: Взвод_1")),
              texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), QStringLiteral("Дата стрельбы:  7.12.2008")),
              texts.end());
    EXPECT_EQ(std::count(texts.begin(), texts.end(), QStringLiteral("Петров")), 2);

    // Without a printer the day table goes to a PDF, and the user is told where.
    QtPrinter pdf(b.dir.Path(), [] { return QStringList(); });
    b.services.printer = &pdf;
    TArchiv2 withPdf(b.state, b.services, b.browser);
    withPdf.SetNavigator(&b.stack);
    withPdf.FormActivate();
    Browser::Child<QPushButton>(withPdf, "Print")->click();
    QFile file(PdfFromMessage(b.dialogs));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(
        QString::fromLatin1(bytes).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))),
        1);

    // Escape goes back to the selection window.
    b.two->show();
    QApplication::setActiveWindow(b.two.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(b.two.get()));
    QTest::keyClick(table, Qt::Key_Escape);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return b.stack.activated.back() == QStringLiteral("TArchiv1"); }));
}

TEST(ArchiveWindows, TheViewStepsThroughTheShotsWithShiftAndEscape) {
    Browser b;
    b.WalkToTheDay();
    auto* table = Browser::Child<QTableView>(*b.two, "ListView1");
    table->selectRow(0);
    Browser::Child<QPushButton>(*b.two, "ShowTarget")->click();
    ASSERT_EQ(b.stack.activated.back(), QStringLiteral("TArchiv3"));
    TArchiv3& view = *b.three;
    EXPECT_EQ(Browser::Child<QLabel>(view, "Group")->text(), QStringLiteral("Взвод_1"));
    EXPECT_EQ(Browser::Child<QLabel>(view, "Shooter")->text(), QStringLiteral("Петров"));
    EXPECT_EQ(Browser::Child<QLabel>(view, "NumShoots")->text(), QStringLiteral("5"));
    EXPECT_EQ(Browser::Child<QLabel>(view, "Time")->text(), QStringLiteral("не огр."));
    EXPECT_EQ(Browser::Child<QLabel>(view, "NumShoots2")->text(), QStringLiteral("2"));
    EXPECT_EQ(Browser::Child<QLabel>(view, "Time2")->text(), QStringLiteral("12.50"));
    EXPECT_EQ(Browser::Child<QLabel>(view, "Sym")->text(), QStringLiteral("10"));
    EXPECT_EQ(Browser::Child<QLabel>(view, "Comm")->text(), QStringLiteral("ветер"));
    EXPECT_TRUE(Browser::Child<QLabel>(view, "Sym")->font().bold());

    view.show();
    auto* button = Browser::Child<QPushButton>(view, "ViewShoots");
    auto* fail = Browser::Child<QLabel>(view, "Fail");
    auto* arrow = view.findChild<QWidget*>(QStringLiteral("FailArrow"));
    ASSERT_NE(arrow, nullptr);
    const QImage& target = view.TargetImage();
    const int side = target.width();
    ASSERT_GT(side, 0);
    const QPoint centre(side / 2, side / 2);
    EXPECT_EQ(target.pixelColor(centre), QColor(Qt::white));
    EXPECT_FALSE(fail->isVisible());

    button->click();
    EXPECT_EQ(button->text(), QStringLiteral("Выстрел N 1"));
    EXPECT_EQ(button->palette().color(QPalette::ButtonText), QColor(Qt::red));
    EXPECT_EQ(view.TargetImage().pixelColor(centre), QColor(Qt::red));
    EXPECT_FALSE(fail->isVisible());

    // Shift: the shot at (150, 0), beyond the square: "Промах" and the arrow to the right.
    QTest::keyClick(&view, Qt::Key_Shift);
    EXPECT_EQ(button->text(), QStringLiteral("Выстрел N 2"));
    EXPECT_TRUE(fail->isVisible());
    EXPECT_TRUE(arrow->isVisible());
    EXPECT_EQ(view.View().Arrow(), MissDirection::Right);
    EXPECT_EQ(view.ArrowImage().pixelColor(19, 9), QColor(Qt::red));
    EXPECT_EQ(view.TargetImage().pixelColor(centre), QColor(Qt::black));

    // Escape stops there; the frame's key preview gives the same.
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(button->text(), QStringLiteral("Просмотреть выстрелы"));
    EXPECT_FALSE(fail->isVisible());
    EXPECT_FALSE(arrow->isVisible());
    EXPECT_FALSE(view.PreviewKey(Qt::Key_Shift, QString())); // not stepping: not taken
    button->click();
    EXPECT_TRUE(view.PreviewKey(Qt::Key_Shift, QString()));
    EXPECT_EQ(button->text(), QStringLiteral("Выстрел N 2"));
    EXPECT_TRUE(view.PreviewKey(Qt::Key_Shift, QString()));
    EXPECT_EQ(button->text(), QStringLiteral("Просмотреть выстрелы"));
    EXPECT_EQ(view.TargetImage().pixelColor(centre), QColor(Qt::black));

    // Printing the sheet from the view; without a printer it becomes a PDF.
    Browser::Child<QPushButton>(view, "PrintTarget")->click();
    ASSERT_EQ(b.printer.pages.size(), 1u);
    const auto& texts = b.printer.pages[0].texts;
    EXPECT_NE(std::find(texts.begin(), texts.end(),
                        QStringLiteral("Группа: Взвод_1.        Стрелок: Петров")),
              texts.end());
    QtPrinter pdf(b.dir.Path(), [] { return QStringList(); });
    b.services.printer = &pdf;
    TArchiv3 withPdf(b.state, b.services);
    withPdf.FormActivate();
    Browser::Child<QPushButton>(withPdf, "PrintTarget")->click();
    QFile file(PdfFromMessage(b.dialogs));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    EXPECT_TRUE(file.readAll().startsWith("%PDF"));
}

TEST(ArchiveWindows, AMissingLibraryPictureIsSaidInOneLine) {
    Browser b;
    b.state.archive.DayRecords.resize(1);
    ResultRecord& r = b.state.archive.DayRecords[0];
    r.TargetType = 5;
    r.Shots = {{0, 0}};
    b.state.archive.CurrentRecord = 0;
    b.three->show();
    b.three->FormActivate();
    auto* note = Browser::Child<QLabel>(*b.three, "LibraryNote");
    EXPECT_TRUE(note->isVisible());
    EXPECT_FALSE(note->text().isEmpty());
    const QImage& target = b.three->TargetImage();
    EXPECT_EQ(target.pixelColor(5, 5), QColor(Qt::white));

    r.TargetType = 1;
    b.three->FormActivate();
    EXPECT_FALSE(note->isVisible());
}

TEST(ArchiveWindows, ExportsTheGroupMonthAndTheDayAsCsv) {
    Browser b;
    b.ShowOne();
    auto* exportMonth = Browser::Child<QPushButton>(*b.one, "ExportMonth");
    EXPECT_FALSE(exportMonth->isEnabled());
    b.ClickItem(b.List(1), 0);
    b.ClickItem(b.List(2), 0);
    b.ClickItem(b.List(3), 1);
    ASSERT_TRUE(exportMonth->isEnabled());

    b.dialogs.fileAnswers.push_back(b.dir.File(QStringLiteral("месяц")));
    exportMonth->click();
    ASSERT_EQ(b.dialogs.fileFilters.size(), 1u);
    EXPECT_EQ(b.dialogs.fileFilters[0], QStringLiteral("Таблица CSV|*.csv"));
    const QByteArray month = b.dir.Read(QStringLiteral("месяц.csv"));
    EXPECT_EQ(month, ResultsCsv(b.state.archive.ArchiveRecords,
                                ExportScope{QStringLiteral("Взвод_1"), 2008, 12, {}}));
    EXPECT_EQ(month.count("\r\n"), 4); // the heading and three records

    b.ClickItem(b.List(4), 0);
    ASSERT_EQ(b.stack.activated.back(), QStringLiteral("TArchiv2"));
    b.dialogs.fileAnswers.push_back(b.dir.File(QStringLiteral("день.csv")));
    Browser::Child<QPushButton>(*b.two, "ExportDay")->click();
    const QString day = QString::fromUtf8(b.dir.Read(QStringLiteral("день.csv")));
    const QStringList rows = day.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("Взвод_1;7.12.2008;9:5;Петров;2;5;0;2;12,50;")));
    EXPECT_TRUE(rows[2].contains(QStringLiteral(";7,50;")));

    // Cancelled: nothing written, nothing said. Unwritable: said.
    b.dialogs.fileAnswers.push_back(std::nullopt);
    Browser::Child<QPushButton>(*b.two, "ExportDay")->click();
    EXPECT_TRUE(b.dialogs.messages.empty());
    b.dialogs.fileAnswers.push_back(b.dir.File(QStringLiteral("нет/день.csv")));
    Browser::Child<QPushButton>(*b.two, "ExportDay")->click();
    ASSERT_EQ(b.dialogs.messages.size(), 1u);
    EXPECT_TRUE(b.dialogs.messages[0].text.startsWith(QStringLiteral("Не удалось записать файл")));
}

TEST(ArchiveWindows, TheViewShowsTheGroupFiguresOfAHandWrittenRecord) {
    Browser b;
    // Four holes on a square about the centre (each a 9 on the sport target), a miss beyond
    // the square, a hand-edited line that reads as "not a number", a dark-target shot.
    b.dir.Write(QStringLiteral("2008/Декабрь/Кучность.rec"),
                test::Cp1251Lines("Орлов\n9.12.2008 11:30\n2 0 7 0\n7   20.00\nквадрат\n"
                                  "  10.00           10.00\n  10.00          -10.00\n"
                                  " -10.00           10.00\n -10.00          -10.00\n"
                                  " 150.00            0.00\n nan nan\n"
                                  "-1234.00        -1234.00\n"));
    ASSERT_TRUE(ReadGroupFile(b.state, QStringLiteral("2008/Декабрь"), QStringLiteral("Кучность")));
    CollectDates(b.state.archive);
    SelectDate(b.state.archive, 0);
    b.state.archive.CurrentRecord = 0;
    TArchiv3& view = *b.three;
    view.show();
    view.FormActivate();
    QApplication::processEvents();

    auto* figures = Browser::Child<QLabel>(view, "GroupFigures");
    ASSERT_NE(figures, nullptr);
    const QString expected =
        QStringLiteral("Средняя точка попадания:  x = 0.0, y = 0.0 (в центре)\n"
                       "Наибольший разброс:  28.3;  средний радиус:  14.1\n"
                       "Попадания по очкам:  9 - 4\n"
                       "Не учтены:  промахов 2, при тёмной мишени 1");
    EXPECT_EQ(figures->text(), expected);
    EXPECT_EQ(figures->accessibleName(), QStringLiteral("GroupFigures"));
    EXPECT_EQ(figures->accessibleDescription(), expected);
    // The printed sheet gives the same lines.
    Browser::Child<QPushButton>(view, "PrintTarget")->click();
    ASSERT_EQ(b.printer.pages.size(), 1u);
    const auto& texts = b.printer.pages[0].texts;
    for (const QString& line : expected.split(QChar(u'\n'))) {
        EXPECT_NE(std::find(texts.begin(), texts.end(), line), texts.end()) << line.toStdString();
    }

    // The figures fit beside a target that keeps most of the window's height.
    EXPECT_TRUE(figures->isVisible());
    EXPECT_GE(figures->height(), figures->heightForWidth(figures->width()));
    const QRect box(figures->mapTo(&view, QPoint(0, 0)), figures->size());
    EXPECT_TRUE(view.rect().contains(box));
    EXPECT_GE(view.TargetImage().width(), view.height() * 4 / 5);

    // The next record, moved up and left; the figures follow it.
    b.dir.Write(QStringLiteral("2008/Декабрь/Кучность.rec"),
                test::Cp1251Lines("Орлов\n9.12.2008 11:30\n2 0 1 0\n1    5.00\n\n"
                                  " -30.00          -40.00\n"));
    ASSERT_TRUE(ReadGroupFile(b.state, QStringLiteral("2008/Декабрь"), QStringLiteral("Кучность")));
    SelectDate(b.state.archive, 0);
    view.FormActivate();
    EXPECT_TRUE(figures->text().startsWith(
        QStringLiteral("Средняя точка попадания:  x = -30.0, y = -40.0 (выше и левее)\n"
                       "Наибольший разброс:  0.0;  средний радиус:  0.0")))
        << figures->text().toStdString();
}
