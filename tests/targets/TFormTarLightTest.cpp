#include "targets/TFormTarLight.h"
#include "platform/Dialogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

using namespace ryvo;

namespace {

struct Editor {
    test::TempDir dir;
    ProgramState state;
    ScriptedDialogs dialogs;
    std::unique_ptr<TFormTarLight> page;

    Editor() {
        state.StartDir = dir.Path();
        Services services;
        services.dialogs = &dialogs;
        page = std::make_unique<TFormTarLight>(state, services);
    }
    template <typename T> T* Get(const char* name) {
        return page->findChild<T*>(QString::fromLatin1(name));
    }
    QStringList Items(QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) {
            out << list->item(i)->text();
        }
        return out;
    }
};

} // namespace

TEST(TFormTarLight, MissingFileGivesDisabledLoneStop) {
    Editor e;
    e.page->FormActivate();
    EXPECT_EQ(e.Items(e.page->ListBox1()), QStringList{"Стоп"});
    EXPECT_EQ(e.Items(e.page->ListBox2()), QStringList{"10"});
    EXPECT_FALSE(e.page->ListBox1()->isEnabled());
    EXPECT_EQ(e.state.ScriptLines, std::vector<QString>{"10"});
    EXPECT_TRUE(e.dialogs.messages.empty());
}

TEST(TFormTarLight, AddAboveStopDeleteAndSave) {
    Editor e;
    e.page->FormActivate();
    e.page->ListBox1()->setCurrentRow(0); // "Стоп"
    e.Get<QLineEdit>("Edit3")->setText(QStringLiteral("3"));
    e.page->ButAddClick();
    EXPECT_EQ(e.Items(e.page->ListBox1()), (QStringList{"Включить подсветку мишени 3", "Стоп"}));
    EXPECT_EQ(e.Items(e.page->ListBox2()), (QStringList{"1 2", "10"}));

    e.Get<QRadioButton>("RadioButton3")->setChecked(true);
    e.Get<QLineEdit>("Edit2")->setText(QStringLiteral("2"));
    e.page->ListBox1()->setCurrentRow(1);
    e.page->ButAddClick();
    EXPECT_EQ(e.Items(e.page->ListBox2()), (QStringList{"1 2", "3 2.0", "10"}));
    EXPECT_EQ(e.page->ListBox1()->item(1)->text(), QStringLiteral("Пауза 2.0 сек"));

    // A field that is not a number is refused, naming it, and nothing is inserted.
    e.Get<QLineEdit>("Edit2")->setText(QStringLiteral("abc"));
    e.page->ButAddClick();
    ASSERT_EQ(e.dialogs.messages.size(), 1u);
    EXPECT_TRUE(e.dialogs.messages[0].text.startsWith(QStringLiteral("Пауза: «abc»")));
    EXPECT_EQ(e.page->ListBox2()->count(), 3);
    e.Get<QLineEdit>("Edit2")->clear();
    e.page->ButAddClick();
    EXPECT_EQ(e.dialogs.messages.size(), 2u);
    EXPECT_EQ(e.page->ListBox2()->count(), 3);

    // Deleting with the stop line selected does nothing.
    e.page->ListBox1()->setCurrentRow(2);
    e.page->ButDelClick();
    EXPECT_EQ(e.page->ListBox2()->count(), 3);
    e.page->ListBox1()->setCurrentRow(0);
    e.page->ButDelClick();
    EXPECT_EQ(e.Items(e.page->ListBox2()), (QStringList{"3 2.0", "10"}));

    // Unsaved edits do not reach the script in use.
    EXPECT_EQ(e.state.ScriptLines, std::vector<QString>{"10"});
    e.page->Button2Click();
    EXPECT_EQ(e.dir.Read(QStringLiteral("Targets.act")), QByteArray("3 2.0\r\n10\r\n"));
    EXPECT_EQ(e.state.ScriptLines, (std::vector<QString>{"3 2.0", "10"}));

    // Read back on the next activation: the same lists.
    e.page->FormActivate();
    EXPECT_EQ(e.Items(e.page->ListBox1()), (QStringList{"Пауза 2.0 сек", "Стоп"}));
    EXPECT_TRUE(e.page->ListBox1()->isEnabled());
}

TEST(TFormTarLight, OpenOtherFileAndRefusedFiles) {
    Editor e;
    e.dir.Write(QStringLiteral("other.act"), "4 1 5\r\n10\r\n");
    e.dialogs.fileAnswers = {e.dir.File(QStringLiteral("other.act"))};
    e.page->Button3Click();
    EXPECT_EQ(e.dialogs.fileFilters.back(), QStringLiteral("Файл управления мишенями|*.act"));
    EXPECT_EQ(e.Items(e.page->ListBox1()), (QStringList{"Выстрелы 2 мишени 5 шт", "Стоп"}));
    EXPECT_EQ(e.state.ScriptLines, (std::vector<QString>{"4 1 5", "10"}));

    // A file that starts with an unknown code loads empty, without a stop line.
    e.dir.Write(QStringLiteral("Targets.act"), "7\r\n");
    e.page->FormActivate();
    EXPECT_EQ(e.page->ListBox1()->count(), 0);
    EXPECT_TRUE(e.state.ScriptLines.empty());

    // A hand-made file that breaks the limits is refused with a message.
    e.dir.Write(QStringLiteral("Targets.act"), "4 4000000000 4000000000\r\n10\r\n");
    e.page->FormActivate();
    ASSERT_EQ(e.dialogs.messages.size(), 1u);
    EXPECT_EQ(e.Items(e.page->ListBox2()), QStringList{"10"});
}

TEST(TFormTarLight, FailedSaveKeepsTheEditorAndTheScript) {
    Editor e;
    e.page->FormActivate();
    e.page->ButAddClick();
    // A directory where the file should be makes the save fail.
    ASSERT_TRUE(QDir(e.dir.Path()).mkdir(QStringLiteral("Targets.act")));
    e.page->Button2Click();
    ASSERT_EQ(e.dialogs.messages.size(), 1u);
    EXPECT_TRUE(e.dialogs.messages[0].text.contains(QStringLiteral("не сохранён")));
    EXPECT_EQ(e.state.ScriptLines, std::vector<QString>{"10"});
    EXPECT_EQ(e.page->ListBox2()->count(), 2);
}

TEST(TFormTarLight, PauseTakesADecimalCommaAndNumbersRefuseLetters) {
    Editor e;
    e.dir.Write(QStringLiteral("Targets.act"), "1 0\r\n10\r\n");
    e.page->FormActivate();
    e.Get<QRadioButton>("RadioButton3")->setChecked(true);
    e.Get<QLineEdit>("Edit2")->setText(QStringLiteral("1,5"));
    e.page->ButAddClick();
    EXPECT_TRUE(e.dialogs.messages.empty());
    EXPECT_EQ(e.Items(e.page->ListBox2()), (QStringList{"3 1.5", "1 0", "10"}));
    EXPECT_EQ(e.page->ListBox1()->item(0)->text(), QStringLiteral("Пауза 1.5 сек"));

    for (const char* name : {"Edit3", "Edit4", "Edit5", "Edit6"}) {
        auto* edit = e.Get<QLineEdit>(name);
        edit->clear();
        for (const QChar c : QStringLiteral("2x,ф")) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &press);
        }
        EXPECT_EQ(edit->text(), QStringLiteral("2")) << name;
    }

    // The list acts on the command made current by the keyboard.
    e.page->resize(800, 600);
    e.page->show();
    e.page->ListBox1()->setCurrentRow(0);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(e.page->ListBox1(), &down);
    e.Get<QRadioButton>("RadioButton1")->setChecked(true);
    e.page->ButAddClick(); // before the command now current
    EXPECT_EQ(e.Items(e.page->ListBox2()), (QStringList{"3 1.5", "1 1", "1 0", "10"}));
}
