#include "archive/TGroupsForm.h"
#include "archive/TSave_Print.h"
#include "core/ProgramState.h"
#include "platform/Dialogs.h"
#include "platform/Printer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

using namespace ryvo;

namespace {

class RecordingNavigator final : public Navigator {
public:
    void Activate(const QString& className) override { activated.push_back(className); }
    Page* Find(const QString&) const override { return nullptr; }
    Page* ActivePage() const override { return nullptr; }
    std::vector<QString> activated;
};

struct Harness {
    test::TempDir dir;
    ProgramState state;
    ScriptedDialogs dialogs;
    ImagePrinter printer;
    RecordingNavigator navigator;
    Services services;

    Harness() {
        state.StartDir = dir.Path();
        services.dialogs = &dialogs;
        services.printer = &printer;
    }
    template <typename T> T* Child(QWidget& page, const char* name) {
        T* child = page.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
};

QDateTime Dec7() {
    return QDateTime(QDate(2008, 12, 7), QTime(9, 5));
}

QStringList Items(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items << box->itemText(i);
    }
    return items;
}

QStringList Items(QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->item(i)->text();
    }
    return items;
}

} // namespace

TEST(TSavePrint, ActivationFillsFieldsAndCaptionsByMode) {
    Harness h;
    h.state.GroupName = QStringLiteral("Взвод 1");
    h.state.LoadedGroup = 0;
    h.state.GroupMembers = {"Сидоров", "Агеев"};
    h.state.Remarks = {"ветер", "блик"};
    TSave_Print page(h.state, h.services, Dec7);
    EXPECT_EQ(page.Caption(), QStringLiteral("Запись / Печать"));
    page.FormActivate();
    EXPECT_EQ(h.Child<QLineEdit>(page, "Date")->text(), QStringLiteral("7.12.2008"));
    EXPECT_EQ(h.Child<QLineEdit>(page, "Time")->text(), QStringLiteral("9 ч. 5 мин."));
    EXPECT_EQ(h.Child<QLineEdit>(page, "Group")->text(), QStringLiteral("Взвод 1"));
    EXPECT_EQ(Items(h.Child<QComboBox>(page, "Shooters")), (QStringList{"Агеев", "Сидоров"}));
    EXPECT_EQ(Items(h.Child<QComboBox>(page, "Comm")), (QStringList{"блик", "ветер"}));
    EXPECT_EQ(h.Child<QPushButton>(page, "Exit")->text(), QStringLiteral("Запись"));
    EXPECT_EQ(h.Child<QPushButton>(page, "Abort")->text(), QStringLiteral("Выход"));

    // A typed name survives the next activation; a preset name replaces it.
    h.Child<QComboBox>(page, "Shooters")->setEditText(QStringLiteral("Новиков"));
    h.state.SaveDialogMode = 1;
    page.FormActivate();
    EXPECT_EQ(h.Child<QComboBox>(page, "Shooters")->currentText(), QStringLiteral("Новиков"));
    EXPECT_EQ(h.Child<QPushButton>(page, "Exit")->text(), QStringLiteral("Печать"));
    h.state.SaveDialogShooter = QStringLiteral("Стрелок 2");
    page.FormActivate();
    EXPECT_EQ(h.Child<QComboBox>(page, "Shooters")->currentText(), QStringLiteral("Стрелок 2"));
}

TEST(TSavePrint, SaveWritesTheFileAndHandsBack) {
    Harness h;
    TSave_Print page(h.state, h.services, Dec7);
    page.SetNavigator(&h.navigator);
    h.state.ResultSource = 2;
    h.state.CurrentLane = 0;
    h.state.settings.Target[0] = 1;
    h.state.run.ShotCount[0] = 1;
    h.state.run.ShotPos[0] = {{0.0F, 0.0F}};
    page.FormActivate();
    h.Child<QLineEdit>(page, "Group")->setText(QStringLiteral("Взвод 1"));
    h.Child<QComboBox>(page, "Shooters")->setEditText(QStringLiteral("Иван"));
    h.Child<QComboBox>(page, "Comm")->setEditText(QStringLiteral("ок"));
    h.Child<QPushButton>(page, "Exit")->click();
    EXPECT_TRUE(h.dialogs.messages.empty());
    EXPECT_EQ(h.navigator.activated, (std::vector<QString>{"TShoot2"}));
    EXPECT_TRUE(
        h.dir.Read(QStringLiteral("2008/Декабрь/Взвод_1.rec"))
            .startsWith(test::Cp1251Lines("Иван\n7.12.2008 9:5\n1 0 0 0\n1    0.00\nок\n")));

    // Abort writes nothing and hands back to the window of the result.
    h.state.ResultSource = 5;
    page.FormActivate();
    h.Child<QPushButton>(page, "Abort")->click();
    EXPECT_EQ(h.navigator.activated.back(), QStringLiteral("TShoots5"));
    EXPECT_EQ(h.dir.Read(QStringLiteral("2008/Декабрь/Взвод_1.rec")).count("\r\n"), 6);
}

TEST(TSavePrint, AFailedSaveKeepsTheDialogOpenWithAMessage) {
    Harness h;
    TSave_Print page(h.state, h.services, Dec7);
    page.SetNavigator(&h.navigator);
    h.state.ResultSource = 1;
    h.dir.Write(QStringLiteral("2008"), "not a folder");
    page.FormActivate();
    h.Child<QLineEdit>(page, "Group")->setText(QStringLiteral("Взвод"));
    h.Child<QComboBox>(page, "Shooters")->setEditText(QStringLiteral("Иван"));
    h.Child<QPushButton>(page, "Exit")->click();
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_TRUE(h.dialogs.messages[0].text.contains(QStringLiteral("НЕ записан")));
    EXPECT_TRUE(h.navigator.activated.empty());
    EXPECT_EQ(h.Child<QComboBox>(page, "Shooters")->currentText(), QStringLiteral("Иван"));

    h.Child<QLineEdit>(page, "Group")->setText(QStringLiteral("a/b"));
    h.Child<QPushButton>(page, "Exit")->click();
    ASSERT_EQ(h.dialogs.messages.size(), 2u);
    EXPECT_TRUE(h.navigator.activated.empty());
}

TEST(TSavePrint, PrintModePrintsAndHandsBack) {
    Harness h;
    TSave_Print page(h.state, h.services, Dec7);
    page.SetNavigator(&h.navigator);
    h.state.SaveDialogMode = 1;
    h.state.ResultSource = 1;
    page.FormActivate();
    h.Child<QPushButton>(page, "Exit")->click();
    EXPECT_EQ(h.printer.documents, 1);
    EXPECT_EQ(h.navigator.activated, (std::vector<QString>{"TShoot1"}));
}

TEST(TGroupsForm, CreateAddDeleteFlows) {
    Harness h;
    h.dir.Write(QStringLiteral("Старая.grp"), test::Cp1251Lines("Иван\nПётр\n"));
    TGroupsForm page(h.state, h.services);
    page.SetNavigator(&h.navigator);
    EXPECT_EQ(page.Caption(), QStringLiteral("Groups"));
    page.FormActivate();
    auto* groups = h.Child<QListWidget>(page, "ListBox1");
    auto* members = h.Child<QListWidget>(page, "ListBox2");
    EXPECT_EQ(Items(groups), QStringList{"Старая"});
    EXPECT_FALSE(h.Child<QPushButton>(page, "Load")->isEnabled());
    EXPECT_FALSE(h.Child<QPushButton>(page, "EraseGroup")->isEnabled());

    groups->setCurrentRow(0);
    page.ListBox1Click();
    EXPECT_EQ(Items(members), (QStringList{"Иван", "Пётр"}));
    EXPECT_TRUE(h.Child<QPushButton>(page, "Load")->isEnabled());
    h.Child<QPushButton>(page, "Load")->click();
    EXPECT_EQ(h.state.GroupName, QStringLiteral("Старая"));
    EXPECT_EQ(h.state.LoadedGroup, 0);
    EXPECT_TRUE(h.Child<QGroupBox>(page, "GroupBox1")->isEnabled());

    // Delete a member and save.
    members->setCurrentRow(0);
    page.ListBox2Click();
    h.Child<QPushButton>(page, "Erase")->click();
    EXPECT_EQ(Items(members), QStringList{"Пётр"});
    h.Child<QPushButton>(page, "SaveNew")->click();
    EXPECT_EQ(h.dir.Read(QStringLiteral("Старая.grp")), test::Cp1251Lines("Пётр\n"));

    // A new group with a member.
    h.Child<QPushButton>(page, "New")->click();
    auto* edit2 = h.Child<QLineEdit>(page, "Edit2");
    EXPECT_EQ(edit2->text(), QStringLiteral("Введите название"));
    edit2->setText(QStringLiteral("Новая"));
    h.Child<QPushButton>(page, "CreateNew")->click();
    EXPECT_TRUE(h.dialogs.messages.empty());
    EXPECT_EQ(Items(groups), (QStringList{"Старая", "Новая"}));
    EXPECT_EQ(members->count(), 0);
    h.Child<QLineEdit>(page, "Edit1")->setText(QStringLiteral("Сидоров"));
    h.Child<QPushButton>(page, "AddNew")->click();
    EXPECT_EQ(h.Child<QLineEdit>(page, "Edit1")->text(), QStringLiteral("Сидоров"));
    h.Child<QPushButton>(page, "SaveNew")->click();
    EXPECT_EQ(h.dir.Read(QStringLiteral("Новая.grp")), test::Cp1251Lines("Сидоров\n"));

    // An unsafe name is refused with the message and creates nothing.
    edit2->setText(QStringLiteral("../вне"));
    h.Child<QPushButton>(page, "CreateNew")->click();
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_TRUE(h.dialogs.messages[0].text.startsWith(QStringLiteral("Невозможно создать группу")));
    EXPECT_EQ(h.dialogs.messages[0].caption, QStringLiteral("Ошибка!"));
    EXPECT_EQ(groups->count(), 2);

    // Deleting a group asks first; No keeps it, Yes removes list entry and file.
    groups->setCurrentRow(0);
    page.ListBox1Click();
    h.dialogs.answers = {MessageAnswer::No};
    h.Child<QPushButton>(page, "EraseGroup")->click();
    EXPECT_TRUE(h.dir.Exists(QStringLiteral("Старая.grp")));
    EXPECT_EQ(h.dialogs.messages.back().text,
              QStringLiteral("Вы уверены что хотите удалить группу?"));
    EXPECT_EQ(h.dialogs.messages.back().caption, QStringLiteral(" "));
    EXPECT_EQ(h.dialogs.messages.back().icon, MessageIcon::Warning);
    h.dialogs.answers = {MessageAnswer::Yes};
    h.Child<QPushButton>(page, "EraseGroup")->click();
    EXPECT_FALSE(h.dir.Exists(QStringLiteral("Старая.grp")));
    EXPECT_EQ(Items(groups), QStringList{"Новая"});
    EXPECT_EQ(members->count(), 0);

    h.Child<QPushButton>(page, "Exit")->click();
    EXPECT_EQ(h.navigator.activated.back(), QStringLiteral("TMainForm2"));
}

namespace {

void PressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void ClickRow(QListWidget* list, int row) {
    const QPoint at = list->visualItemRect(list->item(row)).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(
            type, QPointF(at), list->viewport()->mapToGlobal(QPointF(at)), Qt::LeftButton,
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &event);
    }
}

} // namespace

// The group shown current is the one every button acts on, however it became current.
TEST(TGroupsForm, KeyboardAndMouseMoveTheGroupActedOn) {
    Harness h;
    h.dir.Write(QStringLiteral("A.grp"), test::Cp1251Lines("a1\na2\n"));
    h.dir.Write(QStringLiteral("B.grp"), test::Cp1251Lines("b1\nb2\n"));
    TGroupsForm page(h.state, h.services);
    page.resize(800, 600);
    page.show();
    page.FormActivate();
    auto* groups = h.Child<QListWidget>(page, "ListBox1");
    auto* members = h.Child<QListWidget>(page, "ListBox2");
    const int a = Items(groups).indexOf(QStringLiteral("A"));
    const int b = 1 - a;

    ClickRow(groups, a);
    EXPECT_EQ(Items(members), (QStringList{"a1", "a2"}));
    PressKey(groups, a == 0 ? Qt::Key_Down : Qt::Key_Up);
    ASSERT_EQ(groups->currentRow(), b);
    EXPECT_EQ(Items(members), (QStringList{"b1", "b2"}));
    h.Child<QPushButton>(page, "Load")->click();
    EXPECT_EQ(h.state.GroupName, QStringLiteral("B"));
    EXPECT_EQ(h.state.LoadedGroup, b);

    // The member moved to by keyboard is the one deleted.
    members->setFocus();
    members->setCurrentRow(0);
    PressKey(members, Qt::Key_Down);
    EXPECT_TRUE(h.Child<QPushButton>(page, "Erase")->isEnabled());
    h.Child<QPushButton>(page, "Erase")->click();
    EXPECT_EQ(Items(members), QStringList{"b1"});

    // Clicking the current group again reads its file again, dropping the unsaved edit.
    ClickRow(groups, groups->currentRow());
    EXPECT_EQ(Items(members), (QStringList{"b1", "b2"}));

    h.dialogs.answers = {MessageAnswer::Yes};
    h.Child<QPushButton>(page, "EraseGroup")->click();
    EXPECT_FALSE(h.dir.Exists(QStringLiteral("B.grp")));
    EXPECT_TRUE(h.dir.Exists(QStringLiteral("A.grp")));
}

TEST(TGroupsForm, ThePromptIsReplacedByTyping) {
    Harness h;
    TGroupsForm page(h.state, h.services);
    page.resize(800, 600);
    page.show();
    QApplication::setActiveWindow(&page);
    page.FormActivate();
    h.Child<QPushButton>(page, "New")->click();
    auto* edit2 = h.Child<QLineEdit>(page, "Edit2");
    ASSERT_EQ(edit2->text(), QStringLiteral("Введите название"));

    // The user looks elsewhere, then clicks into the field and types. A click first gives
    // the focus, then the press places the cursor.
    h.Child<QListWidget>(page, "ListBox1")->setFocus();
    edit2->setFocus(Qt::MouseFocusReason);
    const QPointF at(QPointF(edit2->rect().center()));
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, edit2->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(edit2, &event);
    }
    QCoreApplication::processEvents();
    ASSERT_TRUE(edit2->hasFocus());
    for (const QChar c : QStringLiteral("Взвод 1")) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit2, &key);
    }
    EXPECT_EQ(edit2->text(), QStringLiteral("Взвод 1"));

    // Once the prompt is gone, clicks place the cursor as usual.
    h.Child<QListWidget>(page, "ListBox1")->setFocus();
    edit2->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    edit2->end(false);
    QKeyEvent more(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("0"));
    QApplication::sendEvent(edit2, &more);
    EXPECT_EQ(edit2->text(), QStringLiteral("Взвод 10"));
}

TEST(TSavePrint, GroupFieldCompletesExistingGroupsAndStaysFree) {
    Harness h;
    h.dir.Write(QStringLiteral("Взвод 1.grp"), "");
    h.dir.Write(QStringLiteral("2008/Декабрь/Взвод_2.rec"), "");
    TSave_Print page(h.state, h.services, Dec7);
    page.SetNavigator(&h.navigator);
    h.state.ResultSource = 1;
    page.FormActivate();
    auto* group = h.Child<QLineEdit>(page, "Group");
    QCompleter* completer = group->completer();
    ASSERT_NE(completer, nullptr);
    completer->setCompletionPrefix(QStringLiteral("вз"));
    QStringList offered;
    for (int i = 0; completer->setCurrentRow(i); ++i) {
        offered << completer->currentCompletion();
    }
    EXPECT_EQ(offered, (QStringList{"Взвод 1", "Взвод_2"}));

    group->setText(QStringLiteral("Новая"));
    h.Child<QComboBox>(page, "Shooters")->setEditText(QStringLiteral("Иван"));
    h.Child<QPushButton>(page, "Exit")->click();
    EXPECT_TRUE(h.dir.Exists(QStringLiteral("2008/Декабрь/Новая.rec")));
}
