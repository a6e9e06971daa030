#include "targets/TFormTarLight.h"

#include "core/Conversions.h"
#include "platform/Dialogs.h"
#include "platform/Widgets.h"
#include "targets/LightScript.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace ryvo {

namespace {

QString ErrorCaption() {
    return QStringLiteral("Ryvo for Windows");
}

} // namespace

TFormTarLight::TFormTarLight(ProgramState& state, const Services& services, QWidget* parent)
    : Page(QStringLiteral("TFormTarLight"), QStringLiteral("Управление мишенями"), parent),
      m_state(state), m_services(services) {
    auto* root = new QHBoxLayout(this);

    auto* left = new QVBoxLayout;
    left->addWidget(
        Named(new QLabel(QStringLiteral("Последовательность действий"), this), "StaticText2"));
    m_listBox1 = Named(new QListWidget(this), "ListBox1");
    left->addWidget(m_listBox1, 1);
    m_listBox2 = Named(new QListWidget(this), "ListBox2");
    m_listBox2->hide();
    root->addLayout(left, 3);

    auto* right = new QVBoxLayout;
    m_gbAction1 = Named(new QGroupBox(QStringLiteral(" Действие "), this), "gbAction1");
    auto* grid = new QGridLayout(m_gbAction1);
    m_radio[0] =
        Named(new QRadioButton(QStringLiteral("Включить подсветку мишени")), "RadioButton1");
    m_radio[1] =
        Named(new QRadioButton(QStringLiteral("Выключить подсветку мишени")), "RadioButton2");
    m_radio[2] = Named(new QRadioButton(QStringLiteral("Пауза")), "RadioButton3");
    m_radio[3] = Named(new QRadioButton(QStringLiteral("Выстрелы мишени")), "RadioButton4");
    m_radio[0]->setChecked(true);
    m_edit3 = Named(new QLineEdit(QStringLiteral("1")), "Edit3");
    m_edit4 = Named(new QLineEdit(QStringLiteral("1")), "Edit4");
    m_edit2 = Named(new QLineEdit(QStringLiteral("2")), "Edit2");
    m_staticText3 = Named(new QLabel(QStringLiteral(" сек")), "StaticText3");
    m_edit5 = Named(new QLineEdit(QStringLiteral("1")), "Edit5");
    m_edit6 = Named(new QLineEdit(QStringLiteral("3")), "Edit6");
    // Target numbers and counts are whole numbers: letters are refused as they are typed.
    for (QLineEdit* edit : {m_edit3, m_edit4, m_edit5, m_edit6}) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,6}")), edit));
    }
    grid->addWidget(m_radio[0], 0, 0);
    grid->addWidget(m_edit3, 0, 1);
    grid->addWidget(m_radio[1], 1, 0);
    grid->addWidget(m_edit4, 1, 1);
    grid->addWidget(m_radio[2], 2, 0);
    grid->addWidget(m_edit2, 2, 1);
    grid->addWidget(m_staticText3, 2, 2);
    grid->addWidget(m_radio[3], 3, 0);
    grid->addWidget(m_edit5, 3, 1);
    grid->addWidget(Named(new QLabel(QStringLiteral("кол-во ")), "StaticText4"), 3, 2);
    grid->addWidget(m_edit6, 3, 3);
    right->addWidget(m_gbAction1);

    m_butAdd = Named(new QPushButton(QStringLiteral("Добавить"), this), "ButAdd");
    m_butDel = Named(new QPushButton(QStringLiteral("Удалить"), this), "ButDel");
    auto* open = Named(new QPushButton(QStringLiteral("Открыть файл"), this), "Button3");
    auto* save = Named(new QPushButton(QStringLiteral("Записать и выйти"), this), "Button2");
    auto* leave = Named(new QPushButton(QStringLiteral("Выйти"), this), "Button1");
    m_butEdit = Named(new QPushButton(QStringLiteral("Редактировать"), this), "ButEdit");
    m_butEdit->hide();
    for (QPushButton* b : {m_butAdd, m_butDel, open, save, leave}) {
        right->addWidget(b);
    }
    right->addStretch(1);
    root->addLayout(right, 2);

    connect(m_butAdd, &QPushButton::clicked, this, &TFormTarLight::ButAddClick);
    connect(m_butDel, &QPushButton::clicked, this, &TFormTarLight::ButDelClick);
    connect(open, &QPushButton::clicked, this, &TFormTarLight::Button3Click);
    connect(save, &QPushButton::clicked, this, &TFormTarLight::Button2Click);
    connect(leave, &QPushButton::clicked, this, &TFormTarLight::Button1Click);
    connect(m_butEdit, &QPushButton::clicked, this, &TFormTarLight::EnableActions);
}

void TFormTarLight::FormActivate() {
    EnableActions();
    GetTargetFile(m_state.PathFor(QString::fromLatin1(kDefaultScriptFile)));
}

void TFormTarLight::EnableActions() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_gbAction1, m_radio[0], m_radio[1], m_radio[2],
                                         m_radio[3], m_edit2, m_staticText3, m_butAdd, m_butDel}) {
        w->setEnabled(true);
    }
}

void TFormTarLight::GetTargetFile(const QString& path) {
    const LoadedScript script = LoadScriptFile(path);
    if (!script.error.isEmpty() && m_services.dialogs != nullptr) {
        m_services.dialogs->Message(script.error, ErrorCaption(), MessageIcon::Error);
    }
    m_listBox1->clear();
    m_listBox2->clear();
    m_listBox1->setEnabled(script.opened);
    m_listBox2->setEnabled(script.opened);
    m_butEdit->setEnabled(script.opened);
    for (const QString& text : script.screenTexts) {
        m_listBox1->addItem(text);
    }
    for (const QString& line : script.lines) {
        m_listBox2->addItem(line);
    }
    m_state.ScriptLines = script.lines;
    if (m_listBox1->count() > 0) {
        m_listBox1->setCurrentRow(0);
        m_listBox2->setCurrentRow(0);
    }
}

void TFormTarLight::ButAddClick() {
    auto fail = [this](const QString& message) {
        if (m_services.dialogs != nullptr) {
            m_services.dialogs->Message(message, ErrorCaption(), MessageIcon::Error);
        }
    };
    auto integer = [&](QLineEdit* edit) -> std::optional<std::int32_t> {
        auto value = StrToInt(edit->text());
        if (!value) {
            fail(NotAnIntegerMessage(edit->text()));
        }
        return value;
    };

    ScriptCommand command;
    if (m_radio[0]->isChecked() || m_radio[1]->isChecked()) {
        auto target = integer(m_radio[0]->isChecked() ? m_edit3 : m_edit4);
        if (!target) {
            return;
        }
        command.code = m_radio[0]->isChecked() ? kLampOn : kLampOff;
        command.target = static_cast<std::uint32_t>(*target - 1);
    } else if (m_radio[2]->isChecked()) {
        // A comma is the decimal point Russian users type.
        auto seconds = DecimalField(m_edit2->text());
        if (!seconds) {
            fail(NotADecimalMessage(QStringLiteral("Пауза"), m_edit2->text()));
            m_edit2->setFocus();
            m_edit2->selectAll();
            return;
        }
        command.code = kPause;
        command.seconds = static_cast<float>(*seconds);
    } else {
        auto target = integer(m_edit5);
        if (!target) {
            return;
        }
        auto count = integer(m_edit6);
        if (!count) {
            return;
        }
        command.code = kFlashes;
        command.target = static_cast<std::uint32_t>(*target - 1);
        command.count = static_cast<std::uint32_t>(*count);
    }

    const QString line = MemoryLine(command);
    if (auto error = ScriptLimitError(m_listBox2->count() + 1, line)) {
        fail(*error);
        return;
    }
    // Inserted before the selected command; without a selection, before the stop line.
    int index = m_listBox1->currentRow();
    if (index < 0) {
        index = std::max(0, m_listBox1->count() - 1);
    }
    m_listBox2->setCurrentRow(index);
    m_listBox1->insertItem(index, ScreenText(command));
    m_listBox2->insertItem(index, line);
}

void TFormTarLight::ButDelClick() {
    const int index = m_listBox1->currentRow();
    if (index < 0 || index >= m_listBox1->count() - 1) {
        return; // the closing stop line stays
    }
    delete m_listBox1->takeItem(index);
    delete m_listBox2->takeItem(index);
    m_listBox1->setCurrentRow(0);
    m_listBox2->setCurrentRow(0);
}

void TFormTarLight::Button1Click() {
    ActivateWindow(QStringLiteral("TForm3"));
}

void TFormTarLight::Button2Click() {
    std::vector<QString> lines;
    lines.reserve(static_cast<size_t>(m_listBox2->count()));
    for (int i = 0; i < m_listBox2->count(); ++i) {
        lines.push_back(m_listBox2->item(i)->text());
    }
    const QString path = m_state.PathFor(QString::fromLatin1(kDefaultScriptFile));
    if (!SaveScriptFile(path, lines)) {
        // Staying here keeps the edited script; the user can try again or leave.
        if (m_services.dialogs != nullptr) {
            m_services.dialogs->Message(
                QStringLiteral("Не удалось записать файл %1. Сценарий не сохранён.").arg(path),
                ErrorCaption(), MessageIcon::Error);
        }
        return;
    }
    m_state.ScriptLines = std::move(lines);
    ActivateWindow(QStringLiteral("TForm3"));
}

void TFormTarLight::Button3Click() {
    if (m_services.dialogs == nullptr) {
        return;
    }
    if (auto path = m_services.dialogs->OpenFile(QStringLiteral("Файл управления мишенями|*.act"),
                                                 m_state.StartDir)) {
        GetTargetFile(*path);
    }
}

} // namespace ryvo
