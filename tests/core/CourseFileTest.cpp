#include "core/CourseFile.h"

#include "core/CommandSounds.h"
#include "core/CourseGrade.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

using namespace ryvo;

namespace {

CourseParseResult Parse(const char* text) {
    return ParseCourse(QString::fromUtf8(text));
}

TEST(CourseFile, ReadsEveryKeyOfAGoodFile) {
    const QByteArray text = "\xEF\xBB\xBF# Учебный курс\r\n"
                            "курс: Проверочный\r\n"
                            "описание: Первая строка.\r\n"
                            "Описание: Вторая строка.\r\n"
                            "\r\n"
                            "этап: Первый\r\n"
                            "  команда: 5 Оружие к осмотру\r\n"
                            "  команда: 0 Заряжай\r\n"
                            "  подготовка: 10\r\n"
                            "  задержка: 2–5\r\n"
                            "  сигнал: Огонь\r\n"
                            "  мишень 2: спортивная\r\n"
                            "  мишень: N4\r\n"
                            "  выстрелы: 3\r\n"
                            "  время: 10,5\r\n"
                            "  пар: 6 2.5\r\n"
                            "  подсветка: 8 / 7\r\n"
                            "  поздние: считать\r\n"
                            "  после: 2 Разряжай\r\n"
                            "  после: 0 Стой\r\n"
                            "этап:\r\n"
                            "  мишень 5: 4\r\n"
                            "  выстрелы: 2\r\n"
                            "  время: нет\r\n"
                            "  задержка: 3\r\n"
                            "  сценарий: Быстрая.act\r\n"
                            "оценка: попадания от 8\r\n"
                            "хорошо: 3\r\n"
                            "отлично: 5\r\n";
    const auto r = ParseCourse(QString::fromUtf8(text), QStringLiteral("/x/a.course"));
    ASSERT_TRUE(r.course) << r.error.toStdString();
    const Course& c = *r.course;
    EXPECT_EQ(c.name, QStringLiteral("Проверочный"));
    EXPECT_EQ(c.description, QStringLiteral("Первая строка.\nВторая строка."));
    EXPECT_EQ(c.path, QStringLiteral("/x/a.course"));
    ASSERT_EQ(c.stages.size(), 2U);

    const CourseStage& s = c.stages[0];
    EXPECT_EQ(s.title, QStringLiteral("Первый"));
    ASSERT_EQ(s.commands.size(), 2U); // in time order
    EXPECT_EQ(s.commands[0].word, QStringLiteral("Заряжай"));
    EXPECT_EQ(s.commands[1].word, QStringLiteral("Оружие к осмотру"));
    EXPECT_EQ(s.commands[1].atMs, 5000);
    EXPECT_EQ(s.preparationMs, 10000);
    EXPECT_EQ(s.delayMinMs, 2000);
    EXPECT_EQ(s.delayMaxMs, 5000);
    EXPECT_EQ(s.signalWord, QStringLiteral("Огонь"));
    EXPECT_EQ(s.targets[0], 1);
    EXPECT_EQ(s.targets[1], 2); // the lane's own line wins though it came first
    EXPECT_EQ(s.targets[4], 1);
    EXPECT_EQ(s.shots, 3);
    EXPECT_EQ(s.timeLimitMs, 10500);
    EXPECT_EQ(s.parTimesMs, (std::vector<std::int32_t>{2500, 6000}));
    ASSERT_TRUE(s.lamps);
    EXPECT_EQ(s.lamps->upMs, 8000);
    EXPECT_EQ(s.lamps->downMs, 7000);
    EXPECT_TRUE(s.lateShotsScore);
    ASSERT_EQ(s.endCommands.size(), 2U);
    EXPECT_EQ(s.endCommands[0].word, QStringLiteral("Стой"));
    EXPECT_EQ(s.endCommands[1].atMs, 2000);

    const CourseStage& t = c.stages[1];
    EXPECT_EQ(t.title, QStringLiteral("Этап 2"));
    EXPECT_FALSE(t.targets[0]); // as set in the main window
    EXPECT_EQ(t.targets[4], 4);
    EXPECT_EQ(t.timeLimitMs, 0);
    EXPECT_EQ(t.delayMinMs, 3000);
    EXPECT_EQ(t.delayMaxMs, 3000);
    EXPECT_EQ(t.lampScript, QStringLiteral("Быстрая.act"));
    EXPECT_FALSE(t.lamps);
    EXPECT_FALSE(t.lateShotsScore);

    ASSERT_TRUE(c.grade);
    EXPECT_EQ(c.grade->basis, GradeBasis::HitsAtOrAbove);
    EXPECT_EQ(c.grade->minScore, 8);
    ASSERT_EQ(c.grade->steps.size(), 2U); // best first, whatever the file's order
    EXPECT_EQ(c.grade->steps[0].grade, kGradeExcellent);
    EXPECT_EQ(c.grade->steps[0].threshold, 5);
    EXPECT_EQ(c.grade->steps[1].grade, kGradeGood);
    EXPECT_EQ(c.grade->failGrade, kGradeUnsatisfactory);
}

TEST(CourseFile, GradeRulesOfEachBasis) {
    const auto reaction = Parse("курс: Р\nэтап:\nвыстрелы: 1\nоценка: реакция\n"
                                "отлично: 0,8\nхорошо: 1.2\nудовлетворительно: 2\n");
    ASSERT_TRUE(reaction.course) << reaction.error.toStdString();
    ASSERT_EQ(reaction.course->grade->steps.size(), 3U);
    EXPECT_EQ(reaction.course->grade->basis, GradeBasis::ReactionMs);
    EXPECT_EQ(reaction.course->grade->steps[0].threshold, 800);
    EXPECT_EQ(reaction.course->grade->steps[2].threshold, 2000);

    const auto pass = Parse("курс: П\nэтап:\nвыстрелы: 3\nоценка: попадания в срок\n"
                            "выполнено: 3\n");
    ASSERT_TRUE(pass.course) << pass.error.toStdString();
    EXPECT_EQ(pass.course->grade->basis, GradeBasis::HitsInTime);
    ASSERT_EQ(pass.course->grade->steps.size(), 1U);
    EXPECT_EQ(pass.course->grade->steps[0].grade, kGradePass);
    EXPECT_EQ(pass.course->grade->failGrade, kGradeNotPass);

    const auto sum = Parse("курс: С\nэтап:\nвыстрелы: 10\nоценка: сумма\nотлично: 100\n");
    ASSERT_TRUE(sum.course) << sum.error.toStdString();
    EXPECT_EQ(sum.course->grade->basis, GradeBasis::Sum);
}

struct BadCase {
    const char* text;
    int line;
    const char* message;
};

TEST(CourseFile, BadFilesNameTheLineAndTheFault) {
    const BadCase cases[] = {
        {"курс: А\nэтап:\nвыстрелы: 5\nвремя: 8с\n", 4, "Строка 4: время «8с» не число"},
        {"курс: А\nэтап:\nвыстрелы: 5\nвремя: -1\n", 4, "Строка 4: время «-1» меньше нуля"},
        {"курс: А\nэтап:\nвыстрелы: 5\nвремя: 90000\n", 4, "Строка 4: время «90000» больше суток"},
        {"курс: А\nэтап:\nвыстрелы: пять\n", 3, "Строка 3: число выстрелов «пять» не целое число"},
        {"курс: А\nэтап:\nвыстрелы: 0\n", 3, "Строка 3: число выстрелов «0» вне пределов 1–1000"},
        {"курс: А\n# ничего\nэтап: Один\nвремя: 5\n", 3,
         "Строка 3: в этапе не задано число выстрелов («выстрелы:»)"},
        {"курс: А\nвыстрелы: 5\n", 2, "Строка 2: «выстрелы» вне этапа: сначала строка «этап:»"},
        {"курс: А\nкоманда: 0 Огонь\n", 2, "Строка 2: «команда» вне этапа: сначала строка «этап:»"},
        {"курс: А\nэтап:\nвыстрелы: 5\nвыстрелы: 6\n", 4,
         "Строка 4: «выстрелы» уже задано в этом этапе (строка 3)"},
        {"курс: А\nэтап:\nцель: 5\n", 3, "Строка 3: неизвестный ключ «цель»"},
        {"курс: А\nэтап\n", 2, "Строка 2: нет двоеточия: строка пишется как «ключ: значение»"},
        {"курс: А\nкурс: Б\n", 2, "Строка 2: название курса уже задано (строка 1)"},
        {"курс:\n", 1, "Строка 1: пустое название курса"},
        {"этап:\nвыстрелы: 1\n", 0, "нет названия курса (строка «курс:»)"},
        {"курс: А\n", 0, "в курсе нет ни одного этапа (строка «этап:»)"},
        {"курс: А\nэтап:\nвыстрелы: 1000\nэтап:\nвыстрелы: 1\n", 0,
         "в курсе 1001 выстрелов, больше 1000"},
        {"курс: А\nэтап:\nвыстрелы: 1\nзадержка: 5-2\n", 4,
         "Строка 4: задержка «5-2»: начало больше конца"},
        {"курс: А\nэтап:\nвыстрелы: 1\nзадержка: 1-2-3\n", 4,
         "Строка 4: задержка «1-2-3»: нужно «от-до» в секундах, например «2-5»"},
        {"курс: А\nэтап:\nкоманда: 3 Заряжай\nкоманда: 12 Огонь\nподготовка: 10\nвыстрелы: 1\n", 4,
         "Строка 4: команда «Огонь» в 12 с — позже конца подготовки (10 с)"},
        {"курс: А\nэтап:\nкоманда: Заряжай\n", 3,
         "Строка 3: команда пишется как «время слово», например «команда: 0 Заряжай»"},
        {"курс: А\nэтап:\nвыстрелы: 1\nпар: 4 12\nвремя: 10\n", 4,
         "Строка 4: пар 12 с — позже конца времени этапа (10 с)"},
        {"курс: А\nэтап:\nвыстрелы: 1\nпар: 0\n", 4,
         "Строка 4: пар «0»: время должно быть больше нуля"},
        {"курс: А\nэтап:\nвыстрелы: 1\nподсветка: 8 7\nсценарий: a.act\n", 5,
         "Строка 5: у этапа уже есть «подсветка»: сценарий и подсветка вместе не задаются"},
        {"курс: А\nэтап:\nвыстрелы: 1\nподсветка: 8\n", 4,
         "Строка 4: «подсветка»: нужно «горит гаснет» в секундах, например «8 7»"},
        {"курс: А\nэтап:\nвыстрелы: 1\nподсветка: 0 5\n", 4, "Строка 4: подсветка горит 0 с"},
        {"курс: А\nэтап:\nвыстрелы: 1\nмишень 6: N4\n", 4,
         "Строка 4: мишень 6: номер мишени вне пределов 1–5"},
        {"курс: А\nэтап:\nвыстрелы: 1\nмишень: круглая\n", 4,
         "Строка 4: мишень «круглая»: нужно «N4», «спортивная», «как задано» или номер типа "
         "мишени"},
        {"курс: А\nэтап:\nвыстрелы: 1\nпоздние: иногда\n", 4,
         "Строка 4: «поздние»: нужно «считать» или «не считать», а не «иногда»"},
        {"курс: А\nэтап:\nвыстрелы: 3\nотлично: 3\n", 4,
         "Строка 4: порог «отлично» без строки «оценка:» перед ним"},
        {"курс: А\nэтап:\nвыстрелы: 3\nоценка: звёзды\n", 4,
         "Строка 4: оценка «звёзды»: нужно «сумма», «попадания от N», «попадания в срок» или "
         "«реакция»"},
        {"курс: А\nэтап:\nвыстрелы: 3\nоценка: попадания от 11\n", 4,
         "Строка 4: очки «11» вне пределов 1–10"},
        {"курс: А\nэтап:\nвыстрелы: 3\nоценка: сумма\n", 4,
         "Строка 4: у оценки нет порогов: нужны «отлично», «хорошо», «удовлетворительно» или "
         "«выполнено»"},
        {"курс: А\nэтап:\nвыстрелы: 3\nоценка: сумма\nотлично: 20\nхорошо: 25\n", 6,
         "Строка 6: порог «хорошо» должен быть меньше, чем порог «отлично»"},
        {"курс: А\nэтап:\nвыстрелы: 3\nоценка: реакция\nотлично: 1\nхорошо: 1\n", 6,
         "Строка 6: порог «хорошо» должен быть больше, чем порог «отлично»"},
        {"курс: А\nэтап:\nвыстрелы: 3\nоценка: попадания в срок\nотлично: 4\n", 5,
         "Строка 5: порог «отлично» (4) не достижим: в курсе 3 выстрелов"},
        {"курс: А\nэтап:\nвыстрелы: 3\nоценка: сумма\nотлично: 25\nвыполнено: 20\n", 6,
         "Строка 6: «выполнено» не задаётся вместе с «отлично», «хорошо», «удовлетворительно»"},
        {"курс: А\nэтап:\nвыстрелы: 3\nоценка: сумма\nотлично: 25\nотлично: 26\n", 6,
         "Строка 6: порог «отлично» уже задан (строка 5)"},
        {"курс: А\nэтап:\nвыстрелы: 3\nоценка: сумма\nхорошо: 2.5\n", 5,
         "Строка 5: порог «2.5» не целое число"},
        {"курс: А\nэтап:\nвыстрелы: 3\nоценка: сумма\nотлично: 3\nоценка: сумма\n", 6,
         "Строка 6: оценка уже задана (строка 4)"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.text);
        const auto r = Parse(c.text);
        EXPECT_FALSE(r.course);
        EXPECT_EQ(r.line, c.line);
        EXPECT_EQ(r.error, QString::fromUtf8(c.message));
    }
}

TEST(CourseFile, FindsStartDirectoryCoursesFirstAndReportsBrokenOnes) {
    test::TempDir start;
    test::TempDir data;
    const QString folder = kCourseFolder + u'/';
    start.Write(folder + QStringLiteral("b.course"), "курс: Своя Б\nэтап:\nвыстрелы: 2\n");
    start.Write(folder + QStringLiteral("a.course"), "курс: Своя А\nэтап:\nвыстрелы: 1\n");
    start.Write(folder + QStringLiteral("bad.course"), "курс: Сломанный\nэтап:\nвыстрелы: x\n");
    start.Write(folder + QStringLiteral("notes.txt"), "не курс");
    // Replaced by the start directory: by file name, by course name, and by a broken file.
    data.Write(folder + QStringLiteral("a.course"), "курс: Общая А\nэтап:\nвыстрелы: 1\n");
    data.Write(folder + QStringLiteral("c.course"), "курс: Своя Б\nэтап:\nвыстрелы: 1\n");
    data.Write(folder + QStringLiteral("bad.course"), "курс: Общий\nэтап:\nвыстрелы: 1\n");
    data.Write(folder + QStringLiteral("d.course"), "курс: Общая Г\nэтап:\nвыстрелы: 1\n");
    data.Write(folder + QStringLiteral("e.course"), QByteArray("курс: \xFF\nэтап:\n"));

    const FoundCourses found = FindCourses(start.Path(), data.Path());
    QStringList names;
    for (const Course& c : found.courses) {
        names << c.name;
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("Своя А"), QStringLiteral("Своя Б"),
                                  QStringLiteral("Общая Г")}));
    EXPECT_EQ(found.courses.back().path, data.File(folder + QStringLiteral("d.course")));
    ASSERT_EQ(found.errors.size(), 2);
    EXPECT_EQ(found.errors[0], start.File(folder + QStringLiteral("bad.course")) +
                                   QStringLiteral(": Строка 3: число выстрелов «x» не целое "
                                                  "число"));
    EXPECT_EQ(found.errors[1], data.File(folder + QStringLiteral("e.course")) +
                                   QStringLiteral(": файл не в кодировке UTF-8"));

    // No folders at all: nothing offered, nothing wrong.
    test::TempDir empty;
    const FoundCourses none = FindCourses(empty.Path(), QString());
    EXPECT_TRUE(none.courses.empty());
    EXPECT_TRUE(none.errors.isEmpty());
}

TEST(ShippedCourses, EveryOneParsesAndIsWhatItSays) {
    const QString dataDir = qEnvironmentVariable("RYVO_DATA_DIR");
    ASSERT_FALSE(dataDir.isEmpty());
    const QStringList files = QDir(QDir(dataDir).filePath(kCourseFolder))
                                  .entryList({QStringLiteral("*.course")}, QDir::Files);
    test::TempDir start;
    const FoundCourses found = FindCourses(start.Path(), dataDir);
    EXPECT_TRUE(found.errors.isEmpty()) << found.errors.join(u'\n').toStdString();
    ASSERT_GE(found.courses.size(), 6U);
    EXPECT_EQ(found.courses.size(), static_cast<size_t>(files.size()));

    std::map<QString, const Course*> byName;
    for (const Course& c : found.courses) {
        byName[c.name] = &c;
        // Every command is one the default pack speaks.
        for (const CourseStage& s : c.stages) {
            for (const auto* list : {&s.commands, &s.endCommands}) {
                for (const CourseCommand& command : *list) {
                    EXPECT_TRUE(kCommandWords.contains(command.word))
                        << c.name.toStdString() << ": " << command.word.toStdString();
                }
            }
            EXPECT_TRUE(s.signalWord.isEmpty() || kCommandWords.contains(s.signalWord));
        }
    }
    auto course = [&](const char* name) -> const Course& {
        const auto it = byName.find(QString::fromUtf8(name));
        EXPECT_NE(it, byName.end()) << name;
        static const Course kNone;
        return it == byName.end() ? kNone : *it->second;
    };

    const Course& plain = course("Серия 10 выстрелов");
    ASSERT_EQ(plain.stages.size(), 1U);
    EXPECT_EQ(plain.stages[0].shots, 10);
    EXPECT_EQ(plain.stages[0].timeLimitMs, 0);
    EXPECT_FALSE(plain.stages[0].targets[0]);
    EXPECT_FALSE(plain.grade);

    const Course& slow = course("Медленная стрельба на точность");
    ASSERT_EQ(slow.stages.size(), 1U);
    EXPECT_EQ(slow.stages[0].shots, 10);
    EXPECT_EQ(slow.stages[0].timeLimitMs, 600000);

    const Course& rapid = course("Скоростная стрельба 25 м");
    ASSERT_EQ(rapid.stages.size(), 3U);
    const std::int32_t lampsUp[] = {8000, 6000, 4000};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(rapid.stages[i].shots, 5);
        ASSERT_TRUE(rapid.stages[i].lamps);
        EXPECT_EQ(rapid.stages[i].lamps->upMs, lampsUp[i]);
        EXPECT_EQ(rapid.stages[i].timeLimitMs, lampsUp[i]);
    }

    const Course& standard = course("Стандартный пистолет");
    ASSERT_EQ(standard.stages.size(), 3U);
    const std::int32_t limits[] = {150000, 20000, 10000};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(standard.stages[i].shots, 5);
        EXPECT_EQ(standard.stages[i].timeLimitMs, limits[i]);
    }

    const Course& service = course("Служебное упражнение");
    ASSERT_EQ(service.stages.size(), 1U);
    const CourseStage& drill = service.stages[0];
    ASSERT_FALSE(drill.commands.empty());
    EXPECT_EQ(drill.commands[0].word, QStringLiteral("Заряжай"));
    EXPECT_EQ(drill.signalWord, QStringLiteral("Огонь"));
    EXPECT_EQ(drill.delayMinMs, 2000);
    EXPECT_EQ(drill.delayMaxMs, 5000);
    EXPECT_EQ(drill.shots, 3);
    EXPECT_EQ(drill.timeLimitMs, 10000);
    EXPECT_EQ(drill.targets[0], 1);
    QStringList after;
    for (const CourseCommand& c : drill.endCommands) {
        after << c.word;
    }
    EXPECT_EQ(after, (QStringList{QStringLiteral("Стой"), QStringLiteral("Разряжай"),
                                  QStringLiteral("Оружие к осмотру")}));
    ASSERT_TRUE(service.grade);
    EXPECT_EQ(service.grade->basis, GradeBasis::HitsInTime);
    // Three hits in time are the best grade, none fails.
    const auto best =
        GradeCourse(service, {{{10, 1500, false}, {8, 3000, false}, {5, 9000, false}}});
    EXPECT_EQ(best.grade, kGradeExcellent);
    EXPECT_EQ(GradeCourse(service, {{{10, 1500, false}, {0, 3000, false}, {5, 11000, true}}}).grade,
              kGradeSatisfactory);

    const Course& reaction = course("Реакция");
    ASSERT_EQ(reaction.stages.size(), 1U);
    EXPECT_EQ(reaction.stages[0].shots, 1);
    EXPECT_LT(reaction.stages[0].delayMinMs, reaction.stages[0].delayMaxMs);
    ASSERT_TRUE(reaction.grade);
    EXPECT_EQ(reaction.grade->basis, GradeBasis::ReactionMs);
}

} // namespace
