#include "archive/TArchiv1.h"

#include "archive/ArchiveExport.h"
#include "archive/TShooterCard.h"
#include "core/ProgramState.h"
#include "platform/Widgets.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <functional>

namespace ryvo {

namespace {

// The selected item of a single-selection list; -1 when none is.
int ChosenRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}

class ItemChoice final : public QObject {
public:
    ItemChoice(QListWidget* list, std::function<void(int)> chosen)
        : QObject(list), m_list(list), m_viewport(list->viewport()), m_chosen(std::move(chosen)) {
        m_viewport->installEventFilter(this);
        list->installEventFilter(this);
        // A mouse press moves the cursor first and selects after: the selection, not the
        // cursor, says what was chosen.
        connect(list, &QListWidget::itemSelectionChanged, this, [this] {
            const int row = ChosenRow(m_list);
            if (row >= 0) {
                m_chosen(row);
            }
        });
        connect(list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
            const int row = m_list->row(item);
            // A click that changed the selection has been answered already.
            if (row == m_rowAtPress && IsChosen(row)) {
                m_chosen(row);
            }
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The viewport is kept: events still arrive while the list is being destroyed, when
        // asking it for its viewport is no longer valid.
        if (watched == m_viewport && event->type() == QEvent::MouseButtonPress) {
            const QListWidgetItem* current = m_list->currentItem();
            m_rowAtPress = current != nullptr && current->isSelected() ? m_list->currentRow() : -2;
        } else if (watched == m_list && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && IsChosen(m_list->currentRow())) {
                m_chosen(m_list->currentRow());
                return true;
            }
            // Focus puts the cursor on the first item without choosing it; the first arrow
            // key then chooses that item rather than skipping past it.
            QListWidgetItem* current = m_list->currentItem();
            if ((key == Qt::Key_Down || key == Qt::Key_Up) && current != nullptr &&
                m_list->selectedItems().isEmpty()) {
                current->setSelected(true);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    [[nodiscard]] bool IsChosen(int row) const {
        const QListWidgetItem* item = m_list->item(row);
        return item != nullptr && item->isSelected();
    }

    QListWidget* m_list;
    QWidget* m_viewport;
    std::function<void(int)> m_chosen;
    int m_rowAtPress = -2;
};

QLabel* Heading(const char* name, const QString& text, QWidget* parent) {
    auto* label = Named(new QLabel(text, parent), name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

void Fill(QListWidget* list, const std::vector<QString>& items, int selected, bool enabled) {
    const QSignalBlocker block(list);
    list->clear();
    for (const QString& item : items) {
        list->addItem(item);
    }
    if (selected >= 0 && selected < list->count()) {
        list->setCurrentRow(selected);
    }
    list->setEnabled(enabled);
}

} // namespace

void OnItemChosen(QListWidget* list, std::function<void(int row)> chosen) {
    new ItemChoice(list, std::move(chosen));
}

TArchiv1::TArchiv1(ProgramState& state, const Services& services,
                   std::shared_ptr<ArchiveBrowser> browser, QWidget* parent)
    : Page(QStringLiteral("TArchiv1"), QStringLiteral("Выбор группы"), parent),
      m_services(services), m_browser(std::move(browser)), m_state(state) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(12);
    setFont(font);

    const char* listNames[] = {"ListBox1", "ListBox2", "ListBox3", "ListBox4"};
    const char* headingNames[] = {"StaticText1", "StaticText2", "StaticText3", "StaticText4"};
    const QString headings[] = {QStringLiteral("Выберите год архива"),
                                QStringLiteral("Выберите месяц стрельбы"),
                                QStringLiteral("Выберите группу"), QStringLiteral("Выберите дату")};
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < 4; ++i) {
        auto* list = Named(new QListWidget(this), listNames[i]);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        m_lists[static_cast<size_t>(i)] = list;
        grid->addWidget(Heading(headingNames[i], headings[i], this), 0, i);
        grid->addWidget(list, 1, i);
        grid->setColumnStretch(i, 1);
    }
    m_note = Named(new QLabel(this), "Note");
    m_note->setWordWrap(true);
    grid->addWidget(m_note, 2, 0, 1, 4);
    m_exit = Named(new QPushButton(QStringLiteral("Выход     <ESC>"), this), "Exit");
    m_exit->setShortcut(QKeySequence(Qt::Key_Escape));
    m_exportMonth =
        Named(new QPushButton(QStringLiteral("Месяц группы в CSV"), this), "ExportMonth");
    m_shooterCard = Named(new QPushButton(QStringLiteral("Стрелок"), this), "ShooterCard");
    grid->addWidget(m_shooterCard, 3, 1);
    grid->addWidget(m_exportMonth, 3, 2);
    grid->addWidget(m_exit, 3, 3);
    grid->setRowStretch(1, 1);

    OnItemChosen(m_lists[0], [this](int) { ListBox1Click(); });
    OnItemChosen(m_lists[1], [this](int) { ListBox2Click(); });
    OnItemChosen(m_lists[2], [this](int) { ListBox3Click(); });
    OnItemChosen(m_lists[3], [this](int) { ListBox4Click(); });
    connect(m_exit, &QPushButton::clicked, this, &TArchiv1::ExitClick);
    connect(m_exportMonth, &QPushButton::clicked, this, &TArchiv1::ExportMonthClick);
    connect(m_shooterCard, &QPushButton::clicked, this,
            [this] { OpenShooterCard(*this, QString()); });
    Sync();
}

void TArchiv1::Sync(int from) {
    const ArchiveBrowser& b = *m_browser;
    // The list the user acts on is left alone: rebuilding it would drop the click.
    if (from <= 0) {
        Fill(m_lists[0], b.Years(), b.SelectedYear(), true);
    }
    if (from <= 1) {
        Fill(m_lists[1], b.Months(), b.SelectedMonth(), b.MonthsEnabled());
    }
    if (from <= 2) {
        Fill(m_lists[2], b.Groups(), b.SelectedGroup(), b.GroupsEnabled());
    }
    if (from <= 3) {
        Fill(m_lists[3], b.Dates(), b.SelectedDate(), b.DatesEnabled());
    }
    m_exportMonth->setEnabled(b.MonthExportable());
    m_note->setText(b.Note());
    m_note->setVisible(!b.Note().isEmpty());
}

void TArchiv1::FormActivate() {
    m_browser->Open();
    Sync();
    // Back from the day table the next choice is most likely another date.
    m_lists[m_browser->DatesEnabled() ? 3 : 0]->setFocus();
}

void TArchiv1::ListBox1Click() {
    m_browser->ChooseYear(ChosenRow(m_lists[0]));
    Sync(1);
}

void TArchiv1::ListBox2Click() {
    m_browser->ChooseMonth(ChosenRow(m_lists[1]));
    Sync(2);
}

void TArchiv1::ListBox3Click() {
    m_browser->ChooseGroup(ChosenRow(m_lists[2]));
    Sync(3);
}

void TArchiv1::ListBox4Click() {
    if (m_browser->ChooseDate(ChosenRow(m_lists[3]))) {
        ActivateWindow(QStringLiteral("TArchiv2"));
    }
}

void TArchiv1::ExitClick() {
    m_browser->Exit();
    Sync();
    ActivateWindow(QStringLiteral("TMainForm2"));
}

void TArchiv1::ExportMonthClick() {
    if (m_services.dialogs != nullptr && m_browser->MonthExportable()) {
        ExportCsvAs(*m_services.dialogs, m_state.StartDir, m_state.archive.ArchiveRecords,
                    m_browser->Scope(false));
    }
}

} // namespace ryvo
