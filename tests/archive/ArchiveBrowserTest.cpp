#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveStore.h"
#include "core/ProgramState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace ryvo;

namespace {

using Names = std::vector<QString>;

NewResult Series(const QString& shooter, std::vector<ShotPoint> shots, float seconds = 12.5F,
                 const QString& comment = QString(), std::int32_t type = 2) {
    NewResult r;
    r.shooter = shooter;
    r.targetType = type;
    r.plannedShots = 10;
    r.shootTime = seconds;
    r.comment = comment;
    r.shots = std::move(shots);
    return r;
}

struct Archive {
    test::TempDir dir;
    ProgramState state;
    ArchiveBrowser browser{state};

    Archive() { state.StartDir = dir.Path(); }
    void Save(const QString& group, const SaveTime& time, const NewResult& result) const {
        ASSERT_TRUE(AppendResult(dir.Path(), group, time, result).ok);
    }
    void Folder(const QString& path) const { ASSERT_TRUE(QDir().mkpath(dir.File(path))); }
    // Opens the browser and walks to a year, month and group by their names.
    void Walk(const QString& year, const QString& month, const QString& group) {
        browser.Open();
        browser.ChooseYear(IndexOf(browser.Years(), year));
        browser.ChooseMonth(IndexOf(browser.Months(), month));
        browser.ChooseGroup(IndexOf(browser.Groups(), group));
    }
    static int IndexOf(const Names& names, const QString& name) {
        const auto it = std::find(names.begin(), names.end(), name);
        EXPECT_NE(it, names.end()) << name.toStdString();
        return static_cast<int>(it - names.begin());
    }
};

} // namespace

TEST(ArchiveBrowser, YearFilterAndTheOrderOfTheLists) {
    Archive a;
    for (const char* folder :
         {"2010", "2008a", "2009", "Archive", "0", "00", "0123", ".2007", "999", "2008"}) {
        a.Folder(QString::fromUtf8(folder));
    }
    QFile file(a.dir.File(QStringLiteral("2011")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)); // a file, not a folder
    file.close();
    EXPECT_TRUE(IsYearFolderName(QStringLiteral("2008a")));
    EXPECT_FALSE(IsYearFolderName(QStringLiteral("Archive")));
    EXPECT_FALSE(IsYearFolderName(QStringLiteral("0")));
    EXPECT_FALSE(IsYearFolderName(QStringLiteral("-5")));
    EXPECT_EQ(ListYears(a.dir.Path()), (Names{"0123", "999", "2008", "2008a", "2009", "2010"}));

    for (const char* month : {"Декабрь", "Январь", "Май", "прочее", "Февраль"}) {
        a.Folder(QStringLiteral("2009/") + QString::fromUtf8(month));
    }
    EXPECT_EQ(ListMonths(a.dir.File(QStringLiteral("2009"))),
              (Names{"Январь", "Февраль", "Май", "Декабрь", "прочее"}));

    const QString may = a.dir.File(QStringLiteral("2009/Май"));
    for (const char* name : {"взвод_2.rec", "Взвод_10.rec", "Взвод_1.rec", "Белые.rec", ".rec",
                             "notes.txt", "Взвод_1.rec.torn"}) {
        QFile f(QDir(may).filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    a.Folder(QStringLiteral("2009/Май/Папка.rec"));
    EXPECT_EQ(ListGroupFiles(may),
              (Names{".rec", "Белые.rec", "Взвод_1.rec", "взвод_2.rec", "Взвод_10.rec"}));
    EXPECT_EQ(GroupOfFile(QStringLiteral("Группа_1.rec")), QStringLiteral("Группа_1"));
    EXPECT_EQ(GroupOfFile(QStringLiteral(".rec")), QString());
}

TEST(ArchiveBrowser, WalksToTheDatesOfAGroupInOrderOfFirstAppearance) {
    Archive a;
    const QString group = QStringLiteral("Группа 1");
    a.Save(group, {2008, 12, 8, 10, 0}, Series("Петров", {{0, 0}}));
    a.Save(group, {2008, 12, 7, 9, 5}, Series("Иванов", {{0, 0}}));
    a.Save(group, {2008, 12, 8, 11, 0}, Series("Петров", {{1, 1}}));
    a.Save(group, {2008, 12, 30, 11, 0}, Series("Сидоров", {}));
    a.Save(QStringLiteral("Другая"), {2008, 12, 1, 8, 0}, Series("Никто", {}));

    ArchiveBrowser& b = a.browser;
    b.Open();
    EXPECT_EQ(b.Years(), Names{"2008"});
    EXPECT_FALSE(b.MonthsEnabled());
    b.ChooseYear(0);
    EXPECT_EQ(b.Months(), Names{"Декабрь"});
    EXPECT_TRUE(b.MonthsEnabled());
    EXPECT_FALSE(b.GroupsEnabled());
    b.ChooseMonth(0);
    // Spaces were saved as underscores; the list and the group name keep them.
    EXPECT_EQ(b.Groups(), (Names{"Группа_1", "Другая"}));
    b.ChooseGroup(0);
    EXPECT_EQ(a.state.GroupName, QStringLiteral("Группа_1"));
    EXPECT_EQ(b.Dates(), (Names{"8.12.2008", "7.12.2008", "30.12.2008"}));
    EXPECT_TRUE(b.DatesEnabled());
    EXPECT_TRUE(b.Note().isEmpty());

    EXPECT_FALSE(b.ChooseDate(3));
    ASSERT_TRUE(b.ChooseDate(0));
    EXPECT_EQ(b.GroupCaption(), QStringLiteral("Группа: Группа_1"));
    EXPECT_FALSE(b.ShowDay()); // a new day
    EXPECT_TRUE(b.ShowDay());  // shown again, back from the view
    // Two records of one shooter on the day are two rows, in file order.
    const auto& day = a.state.archive.DayRecords;
    ASSERT_EQ(day.size(), 2u);
    EXPECT_EQ(day[0].Shooter, QStringLiteral("Петров"));
    EXPECT_EQ(day[1].Time, QStringLiteral("11:0"));
    EXPECT_FALSE(b.ChooseRecord(2));
    EXPECT_TRUE(b.ChooseRecord(1));
    EXPECT_EQ(a.state.archive.CurrentRecord, 1);

    // Choosing a year again empties what lay below it.
    b.ChooseYear(0);
    EXPECT_TRUE(b.Groups().empty());
    EXPECT_TRUE(b.Dates().empty());
    EXPECT_EQ(b.SelectedMonth(), -1);
}

TEST(ArchiveBrowser, ReopeningRereadsTheDiskAndKeepsWhatStillExists) {
    Archive a;
    a.Save(QStringLiteral("А"), {2008, 11, 3, 9, 0}, Series("Один", {}));
    a.Walk(QStringLiteral("2008"), QStringLiteral("Ноябрь"), QStringLiteral("А"));
    ArchiveBrowser& b = a.browser;
    b.Exit();
    EXPECT_TRUE(b.Groups().empty());
    EXPECT_TRUE(b.Dates().empty());
    EXPECT_EQ(b.Months(), Names{"Ноябрь"});

    // Saved meanwhile: a new year, a new month and a new group of the selected month.
    a.Save(QStringLiteral("Б"), {2008, 11, 4, 9, 0}, Series("Два", {}));
    a.Save(QStringLiteral("А"), {2008, 12, 4, 9, 0}, Series("Три", {}));
    a.Save(QStringLiteral("А"), {2026, 1, 4, 9, 0}, Series("Четыре", {}));
    b.Open();
    EXPECT_EQ(b.Years(), (Names{"2008", "2026"}));
    EXPECT_EQ(b.SelectedYear(), 0);
    EXPECT_EQ(b.Months(), (Names{"Ноябрь", "Декабрь"}));
    EXPECT_EQ(b.SelectedMonth(), 0);
    EXPECT_EQ(b.Groups(), (Names{"А", "Б"}));
    EXPECT_EQ(b.SelectedGroup(), -1);
    EXPECT_TRUE(b.Dates().empty());

    // The selected year is gone: nothing stays selected below the year list.
    ASSERT_TRUE(QDir(a.dir.File(QStringLiteral("2008"))).removeRecursively());
    b.Open();
    EXPECT_EQ(b.Years(), Names{"2026"});
    EXPECT_EQ(b.SelectedYear(), -1);
    EXPECT_TRUE(b.Months().empty());
    EXPECT_FALSE(b.MonthsEnabled());
    EXPECT_TRUE(b.Groups().empty());
}

TEST(ArchiveBrowser, AGroupThatCannotBeReadShowsNoDatesOfAnother) {
    Archive a;
    a.Save(QStringLiteral("Есть"), {2008, 12, 7, 9, 5}, Series("Петров", {{0, 0}}));
    a.Folder(QStringLiteral("2008/Декабрь"));
    a.dir.Write(QStringLiteral("2008/Декабрь/Пусто.rec"), QByteArray());
    a.Walk(QStringLiteral("2008"), QStringLiteral("Декабрь"), QStringLiteral("Есть"));
    ArchiveBrowser& b = a.browser;
    ASSERT_EQ(b.Dates().size(), 1u);

    // An empty file: no dates, said in one line.
    b.ChooseGroup(Archive::IndexOf(b.Groups(), QStringLiteral("Пусто")));
    EXPECT_TRUE(b.Dates().empty());
    EXPECT_FALSE(b.DatesEnabled());
    EXPECT_FALSE(b.Note().isEmpty());
    EXPECT_FALSE(b.Note().contains(QChar(u'\n')));

    // Listed, then removed before it is chosen.
    b.ChooseGroup(Archive::IndexOf(b.Groups(), QStringLiteral("Есть")));
    ASSERT_TRUE(b.ChooseDate(0));
    b.ShowDay();
    ASSERT_EQ(a.state.archive.DayRecords.size(), 1u);
    ASSERT_TRUE(QFile::remove(a.dir.File(QStringLiteral("2008/Декабрь/Есть.rec"))));
    b.ChooseGroup(Archive::IndexOf(b.Groups(), QStringLiteral("Есть")));
    EXPECT_TRUE(b.Dates().empty());
    EXPECT_TRUE(b.Note().contains(QStringLiteral("не удалось прочитать")));
    EXPECT_TRUE(a.state.archive.ArchiveRecords.empty());
    b.ShowDay();
    EXPECT_TRUE(a.state.archive.DayRecords.empty());
}

TEST(ArchiveBrowser, ATornRecordIsSaidInOneLineBeforeAndAfterASaveMovesItAside) {
    Archive a;
    const QString file = QStringLiteral("2008/Декабрь/Взвод_1.rec");
    a.Save(QStringLiteral("Взвод 1"), {2008, 12, 7, 9, 5}, Series("Петров", {{0, 0}}));
    auto tear = [&] { a.dir.Write(file, a.dir.Read(file) + "Обрыв\r\n7.12"); };
    const QString aside =
        QStringLiteral("Неполная запись в конце файла сохранена в Взвод_1.rec.torn");
    tear();
    a.Walk(QStringLiteral("2008"), QStringLiteral("Декабрь"), QStringLiteral("Взвод_1"));
    EXPECT_EQ(a.browser.Dates(), Names{"7.12.2008"});
    EXPECT_EQ(a.browser.Note(), QStringLiteral("Неполная запись в конце файла не показана; при "
                                               "следующей записи она будет сохранена в "
                                               "Взвод_1.rec.torn"));
    a.Save(QStringLiteral("Взвод 1"), {2008, 12, 8, 9, 5}, Series("Иванов", {}));
    a.browser.ChooseGroup(0);
    EXPECT_EQ(a.browser.Note(), aside);
    // Torn again, the first kept aside: one line still, naming both.
    tear();
    a.browser.ChooseGroup(0);
    EXPECT_TRUE(a.browser.Note().startsWith(aside + QStringLiteral("; ещё одна")));
    EXPECT_FALSE(a.browser.Note().contains(QChar(u'\n')));
}

TEST(ArchiveBrowser, DayTableCells) {
    Archive a;
    const QString group = QStringLiteral("Стол");
    const SaveTime day{2008, 12, 7, 9, 5};
    // Sport target: two tens, a nine, a miss beyond the square and a shot at a dark target.
    a.Save(group, day,
           Series("Петров", {{0, 0}, {1, 1}, {15, 0}, {150, 0}, {-1234, -1234}}, 12.5F));
    a.Save(group, day, Series("Без времени", {}, 0.0F));
    a.Save(group, day, Series("Семь", {{0, 0}}, 7.5F));
    // Date-like texts keep their records in the table.
    a.Save(group, day, Series("7.12.2008 9:5", {{0, 0}}, 3.0F, QStringLiteral("1.1.1 1:1")));
    a.Walk(QStringLiteral("2008"), QStringLiteral("Декабрь"), group);
    ASSERT_TRUE(a.browser.ChooseDate(0));
    a.browser.ShowDay();

    DayTableModel model(a.state.archive);
    model.Refresh();
    ASSERT_EQ(model.rowCount(), 4);
    ASSERT_EQ(model.columnCount(), 16);
    const QStringList headers = {"         Стрелок           ",
                                 "0",
                                 "1",
                                 "2",
                                 "3",
                                 "4",
                                 "5",
                                 "6",
                                 "7",
                                 "8",
                                 "9",
                                 "10",
                                 "Пр.",
                                 "Число выстрелов",
                                 "Сумма",
                                 "Время стрельбы"};
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(model.headerData(c, Qt::Horizontal).toString(), headers[c]) << c;
    }
    auto cell = [&](int row, int column) {
        return model.data(model.index(row, column)).toString();
    };
    QStringList first;
    for (int c = 0; c < 16; ++c) {
        first << cell(0, c);
    }
    EXPECT_EQ(first, (QStringList{"Петров", "-", "-", "-", "-", "-", "-", "-", "-", "-", "1", "2",
                                  "2", "5", "29", "12.50"}));
    EXPECT_EQ(cell(1, 0), QStringLiteral("Без времени"));
    EXPECT_EQ(cell(1, 13), QStringLiteral("0"));
    EXPECT_EQ(cell(1, 14), QStringLiteral("0"));
    EXPECT_EQ(cell(1, 15), QStringLiteral("не огр."));
    EXPECT_EQ(cell(1, 12), QStringLiteral("-"));
    EXPECT_EQ(cell(2, 15), QStringLiteral(" 7.50")); // a field of five characters
    EXPECT_EQ(cell(3, 0), QStringLiteral("7.12.2008 9:5"));
    EXPECT_EQ(cell(3, 11), QStringLiteral("1"));
    EXPECT_EQ(model.data(model.index(0, 5), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::Alignment(Qt::AlignCenter));
    EXPECT_FALSE(model.data(model.index(4, 0)).isValid());
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
}
