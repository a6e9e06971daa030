#include "archive/TSave_Print.h"

#include "core/ProgramState.h"
#include "platform/Widgets.h"

#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>

namespace ryvo {

namespace {

QLabel* Label(const char* name, const QString& text, QWidget* parent) {
    auto* label = Named(new QLabel(text, parent), name);
    return label;
}

QComboBox* TextCombo(const char* name, int maxLength, QWidget* parent) {
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setMaxLength(maxLength);
    return box;
}

} // namespace

TSave_Print::TSave_Print(ProgramState& state, const Services& services,
                         SaveDialogModel::LocalTime now, QWidget* parent)
    : Page(QStringLiteral("TSave_Print"), QStringLiteral("Запись / Печать"), parent),
      m_services(services), m_model(state, services.printer, std::move(now)) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(12);
    setFont(font);

    m_date = Named(new QLineEdit(this), "Date");
    m_date->setReadOnly(true);
    m_time = Named(new QLineEdit(this), "Time");
    m_time->setReadOnly(true);
    m_group = Named(new QLineEdit(this), "Group");
    m_group->setMaxLength(kMaxGroupNameLength);
    // Existing groups are offered as the name is typed; any other text stays free.
    m_groupNames = new QStringListModel(this);
    auto* completer = new QCompleter(m_groupNames, m_group);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    m_group->setCompleter(completer);
    m_shooters = TextCombo("Shooters", kMaxShooterLength, this);
    // No longer than the reader keeps, so what is saved reads back whole.
    m_comm = TextCombo("Comm", kMaxCommentLength, this);
    m_exit = Named(new QPushButton(QStringLiteral("Выход с записью"), this), "Exit");
    m_abort = Named(new QPushButton(QStringLiteral("Выход без записи"), this), "Abort");

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label("DateT", QStringLiteral("Дата"), this), 0, 0);
    grid->addWidget(m_date, 0, 1);
    grid->addWidget(Label("TimeT", QStringLiteral("Время"), this), 1, 0);
    grid->addWidget(m_time, 1, 1);
    grid->addWidget(Label("GroupT", QStringLiteral("Группа:"), this), 2, 0);
    grid->addWidget(m_group, 2, 1);
    grid->addWidget(Label("ShooterT", QStringLiteral("Стрелок:"), this), 3, 0);
    grid->addWidget(m_shooters, 3, 1);
    grid->addWidget(Label("CommT", QStringLiteral("Комментарий"), this), 4, 0);
    grid->addWidget(m_comm, 4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_exit);
    buttons->addWidget(m_abort);
    grid->addLayout(buttons, 5, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(6, 1);

    connect(m_exit, &QPushButton::clicked, this, &TSave_Print::ExitClick);
    connect(m_abort, &QPushButton::clicked, this, &TSave_Print::AbortClick);
}

void TSave_Print::FormActivate() {
    m_model.Activate(m_shooters->currentText());
    const SaveDialogView& view = m_model.View();
    m_date->setText(view.date);
    m_time->setText(view.time);
    m_group->setText(view.group);
    QStringList groups;
    for (const QString& name : view.groups) {
        groups << name;
    }
    m_groupNames->setStringList(groups);
    m_shooters->clear();
    for (const QString& name : view.shooters) {
        m_shooters->addItem(name);
    }
    m_shooters->setEditText(view.shooter);
    m_comm->clear();
    for (const QString& remark : view.remarks) {
        m_comm->addItem(remark);
    }
    m_comm->setEditText(QString());
    m_exit->setText(view.exitCaption);
    m_abort->setText(view.abortCaption);
    m_group->setFocus();
}

void TSave_Print::ShowMessage(const UserMessage& message) {
    if (m_services.dialogs != nullptr) {
        m_services.dialogs->Message(message.text, message.caption, message.icon, message.buttons);
    }
}

void TSave_Print::ExitClick() {
    const SaveDialogOutcome outcome =
        m_model.Exit(m_group->text(), m_shooters->currentText(), m_comm->currentText());
    if (outcome.message) {
        ShowMessage(*outcome.message);
    }
    if (outcome.handBack) {
        ActivateWindow(m_model.HandBackWindow());
    }
}

void TSave_Print::AbortClick() {
    ActivateWindow(m_model.HandBackWindow());
}

} // namespace ryvo
