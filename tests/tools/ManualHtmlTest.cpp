#include "ManualHtml.h"

#include <gtest/gtest.h>

using namespace ryvo;

TEST(ManualHtml, ConvertsTheDialectOfTheSections) {
    const ManualSection s =
        ConvertSection(QStringLiteral("# Архив и <печать> {#archive}\n"
                                      "Первая строка\n"
                                      "и вторая: «Печать» & `ryvo-archive <dir>`.\n"
                                      "\n"
                                      "## Просмотр\n"
                                      "- пункт **один**\n"
                                      "  продолжение\n"
                                      "- [ссылка](#card)\n"
                                      "1. шаг\n"
                                      "\n"
                                      "![Окно <архива>](images/archive.png)\n"
                                      "```\n"
                                      "# не заголовок\n"
                                      "a < b\n"
                                      "```\n"
                                      "конец без пустой строки"));
    EXPECT_EQ(s.anchor, QStringLiteral("archive"));
    EXPECT_EQ(s.title, QStringLiteral("Архив и <печать>"));
    EXPECT_EQ(
        s.html.toStdString(),
        QStringLiteral(
            "<h2 id=\"archive\"><a name=\"archive\"></a>Архив и &lt;печать&gt;</h2>\n"
            "<p>Первая строка и вторая: «Печать» &amp; "
            "<code>ryvo-archive &lt;dir&gt;</code>.</p>\n"
            "<h3>Просмотр</h3>\n"
            "<ul>\n<li>пункт <b>один</b> продолжение</li>\n"
            "<li><a href=\"#card\">ссылка</a></li>\n</ul>\n"
            "<ol>\n<li>шаг</li>\n</ol>\n"
            "<p class=\"shot\"><img src=\"images/archive.png\" alt=\"Окно &lt;архива&gt;\"></p>\n"
            "<pre># не заголовок\na &lt; b\n</pre>\n"
            "<p>конец без пустой строки</p>\n")
            .toStdString());

    // A section without an anchor has none to be opened at; an unclosed code block ends
    // with the text.
    const ManualSection bare = ConvertSection(QStringLiteral("# Без якоря\n```\nx"));
    EXPECT_TRUE(bare.anchor.isEmpty());
    EXPECT_TRUE(bare.html.endsWith(QStringLiteral("<pre>x\n</pre>\n")));
}

TEST(ManualHtml, ThePageListsTheSectionsInOrder) {
    const QString page = ManualPage(QStringLiteral("Руководство"),
                                    {ConvertSection(QStringLiteral("# Первый {#one}\nа")),
                                     ConvertSection(QStringLiteral("# Второй `код` {#two}\nб"))});
    const qsizetype contents = page.indexOf(QStringLiteral("<ol class=\"contents\">"));
    const qsizetype one = page.indexOf(QStringLiteral("<li><a href=\"#one\">Первый</a></li>"));
    const qsizetype two =
        page.indexOf(QStringLiteral("<li><a href=\"#two\">Второй <code>код</code></a></li>"));
    const qsizetype first = page.indexOf(QStringLiteral("<h2 id=\"one\">"));
    const qsizetype second = page.indexOf(QStringLiteral("<h2 id=\"two\">"));
    EXPECT_TRUE(page.startsWith(QStringLiteral("<!DOCTYPE html>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(contents > 0 && contents < one && one < two && two < first && first < second)
        << page.toStdString();
}
