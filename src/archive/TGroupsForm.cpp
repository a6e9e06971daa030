#include "archive/TGroupsForm.h"

#include "archive/ArchiveStore.h"
#include "core/ProgramState.h"
#include "platform/Widgets.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace ryvo {

namespace {

QPushButton* Button(const char* name, const QString& text, QWidget* parent) {
    auto* button = Named(new QPushButton(text, parent), name);
    return button;
}

QLabel* Heading(const char* name, const QString& text, QWidget* parent) {
    auto* label = Named(new QLabel(text, parent), name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

TGroupsForm::TGroupsForm(ProgramState& state, const Services& services, QWidget* parent)
    : Page(QStringLiteral("TGroupsForm"), QStringLiteral("Groups"), parent), m_services(services),
      m_model(state) {
    m_groups = Named(new QListWidget(this), "ListBox1");
    m_members = Named(new QListWidget(this), "ListBox2");
    m_load = Button("Load", QStringLiteral("Загрузить"), this);
    m_eraseGroup = Button("EraseGroup", QStringLiteral("Удалить группу"), this);
    m_exit = Button("Exit", QStringLiteral("Выход"), this);
    m_new = Button("New", QStringLiteral("Создать новую группу"), this);
    m_groupBox2 = Named(new QGroupBox(QStringLiteral("Новая группа"), this), "GroupBox2");
    m_edit2 = Named(new QLineEdit(m_groupBox2), "Edit2");
    m_edit2->setMaxLength(kMaxGroupNameLength);
    m_createNew = Button("CreateNew", QStringLiteral("Создать"), m_groupBox2);
    m_groupBox1 = Named(new QGroupBox(QStringLiteral("Новый стрелок"), this), "GroupBox1");
    m_edit1 = Named(new QLineEdit(m_groupBox1), "Edit1");
    m_edit1->setMaxLength(kMaxShooterLength);
    m_addNew = Button("AddNew", QStringLiteral("Добавить"), m_groupBox1);
    m_saveNew = Button("SaveNew", QStringLiteral("Сохранить группу"), this);
    m_erase = Button("Erase", QStringLiteral("Удалить стрелка"), this);

    auto* box2 = new QHBoxLayout(m_groupBox2);
    box2->addWidget(m_edit2, 1);
    box2->addWidget(m_createNew);
    auto* box1 = new QHBoxLayout(m_groupBox1);
    box1->addWidget(m_edit1, 1);
    box1->addWidget(m_addNew);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Heading("StaticText1", QStringLiteral("Группы"), this), 0, 0);
    grid->addWidget(m_groups, 1, 0, 4, 1);
    grid->addWidget(m_load, 5, 0);
    grid->addWidget(m_eraseGroup, 6, 0);
    grid->addWidget(m_exit, 7, 0);
    grid->addWidget(Heading("StaticText2", QStringLiteral("Выбранная группа"), this), 0, 1);
    grid->addWidget(m_members, 1, 1, 4, 1);
    grid->addWidget(m_new, 1, 2);
    grid->addWidget(m_groupBox2, 2, 2);
    grid->addWidget(m_groupBox1, 3, 2);
    grid->addWidget(m_saveNew, 5, 1);
    grid->addWidget(m_erase, 6, 1);

    m_exit->setShortcut(QKeySequence(Qt::Key_Escape));
    // The group acted on is always the one shown current, whether mouse or keyboard moved
    // it; a click on the current group reads its file again.
    connect(m_groups, &QListWidget::currentRowChanged, this, [this] {
        m_currentChangedSincePress = true;
        ListBox1Click();
    });
    connect(m_groups, &QListWidget::itemClicked, this, [this] {
        if (!m_currentChangedSincePress) {
            ListBox1Click();
        }
        m_currentChangedSincePress = false;
    });
    m_groups->viewport()->installEventFilter(this);
    m_edit2->installEventFilter(this);
    connect(m_members, &QListWidget::currentRowChanged, this, &TGroupsForm::ListBox2Click);
    connect(m_load, &QPushButton::clicked, this, &TGroupsForm::LoadClick);
    connect(m_eraseGroup, &QPushButton::clicked, this, &TGroupsForm::EraseGroupClick);
    connect(m_exit, &QPushButton::clicked, this, &TGroupsForm::ExitClick);
    connect(m_new, &QPushButton::clicked, this, &TGroupsForm::NewClick);
    connect(m_createNew, &QPushButton::clicked, this, &TGroupsForm::CreateNewClick);
    connect(m_addNew, &QPushButton::clicked, this, &TGroupsForm::AddNewClick);
    connect(m_saveNew, &QPushButton::clicked, this, &TGroupsForm::SaveNewClick);
    connect(m_erase, &QPushButton::clicked, this, &TGroupsForm::EraseClick);
    Sync();
}

bool TGroupsForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_groups->viewport() && event->type() == QEvent::MouseButtonPress) {
        m_currentChangedSincePress = false;
    }
    // The prompt is selected whenever the field is entered, so typing replaces it. A click
    // places the cursor after the focus arrives: select once that is done.
    if (watched == m_edit2 && m_edit2->text() == GroupsModel::kNamePrompt) {
        if (event->type() == QEvent::FocusIn) {
            QTimer::singleShot(0, m_edit2, [edit = m_edit2] {
                if (edit->text() == GroupsModel::kNamePrompt) {
                    edit->selectAll();
                }
            });
        } else if (event->type() == QEvent::MouseButtonRelease) {
            m_edit2->selectAll();
        }
    }
    return Page::eventFilter(watched, event);
}

void TGroupsForm::Sync() {
    const QSignalBlocker blockGroups(m_groups);
    const QSignalBlocker blockMembers(m_members);
    m_groups->clear();
    for (const QString& name : m_model.Groups()) {
        m_groups->addItem(name);
    }
    m_groups->setCurrentRow(m_model.SelectedGroup());
    m_members->clear();
    for (const QString& member : m_model.Members()) {
        m_members->addItem(member);
    }
    m_members->setCurrentRow(m_model.SelectedMember());
    const GroupsControls& c = m_model.Controls();
    m_load->setEnabled(c.Load);
    m_eraseGroup->setEnabled(c.EraseGroup);
    m_groupBox2->setEnabled(c.GroupBox2);
    m_edit2->setEnabled(c.Edit2);
    m_createNew->setEnabled(c.CreateNew);
    m_groupBox1->setEnabled(c.GroupBox1);
    m_edit1->setEnabled(c.Edit1);
    m_addNew->setEnabled(c.AddNew);
    m_saveNew->setEnabled(c.SaveNew);
    m_erase->setEnabled(c.Erase);
}

void TGroupsForm::Show(const std::optional<UserMessage>& message) {
    if (message && m_services.dialogs != nullptr) {
        m_services.dialogs->Message(message->text, message->caption, message->icon,
                                    message->buttons);
    }
}

void TGroupsForm::FormActivate() {
    m_model.Open();
    Sync();
    m_groups->setFocus();
}

void TGroupsForm::ListBox1Click() {
    const auto message = m_model.ListBox1Click(m_groups->currentRow());
    Sync();
    Show(message);
}

void TGroupsForm::LoadClick() {
    m_model.LoadClick();
    Sync();
}

void TGroupsForm::EraseGroupClick() {
    const UserMessage question = GroupsModel::EraseGroupQuestion();
    if (m_services.dialogs == nullptr ||
        m_services.dialogs->Message(question.text, question.caption, question.icon,
                                    question.buttons) != MessageAnswer::Yes) {
        return;
    }
    m_model.EraseGroup();
    Sync();
}

void TGroupsForm::ExitClick() {
    ActivateWindow(QStringLiteral("TMainForm2"));
}

void TGroupsForm::ListBox2Click() {
    m_model.ListBox2Click(m_members->currentRow());
    Sync();
}

void TGroupsForm::NewClick() {
    m_model.NewClick();
    Sync();
    m_edit2->setText(m_model.Edit2Text());
    m_edit2->setFocus();
    m_edit2->selectAll();
}

void TGroupsForm::CreateNewClick() {
    const auto message = m_model.CreateNewClick(m_edit2->text());
    Sync();
    Show(message);
}

void TGroupsForm::AddNewClick() {
    m_model.AddNewClick(m_edit1->text());
    Sync();
}

void TGroupsForm::SaveNewClick() {
    const auto message = m_model.SaveNewClick();
    Sync();
    Show(message);
}

void TGroupsForm::EraseClick() {
    m_model.EraseClick();
    Sync();
}

} // namespace ryvo
