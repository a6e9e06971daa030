#include "archive/TArchiv2.h"

#include "archive/ArchiveExport.h"
#include "archive/Printing.h"
#include "archive/TShooterCard.h"
#include "core/ProgramState.h"
#include "platform/Dialogs.h"
#include "platform/Widgets.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace ryvo {

TArchiv2::TArchiv2(ProgramState& state, const Services& services,
                   std::shared_ptr<ArchiveBrowser> browser, QWidget* parent)
    : Page(QStringLiteral("TArchiv2"), QStringLiteral("Выбранная группа"), parent), m_state(state),
      m_services(services), m_browser(std::move(browser)),
      m_model(new DayTableModel(state.archive, this)) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(12);
    setFont(font);

    m_group = Named(new QLabel(this), "Group");
    QFont bold = m_group->font();
    bold.setBold(true);
    m_group->setFont(bold);

    m_view = Named(new QTableView(this), "ListView1");
    QFont tableFont = m_view->font();
    tableFont.setPointSize(9);
    m_view->setFont(tableFont);
    m_view->setModel(m_model);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setShowGrid(true);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    // Rows of one height: a day of many records is laid out without measuring each row.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_view->horizontalHeader()->setStretchLastSection(false);
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Base, Qt::white);
    m_view->setPalette(palette);
    m_view->installEventFilter(this);

    m_showTarget = Named(new QPushButton(QStringLiteral("Показать мишень"), this), "ShowTarget");
    m_print = Named(new QPushButton(QStringLiteral("Печать"), this), "Print");
    m_exportDay = Named(new QPushButton(QStringLiteral("Таблица в CSV"), this), "ExportDay");
    m_shooterCard = Named(new QPushButton(QStringLiteral("Стрелок"), this), "ShooterCard");
    m_exit = Named(new QPushButton(QStringLiteral("Выход"), this), "Exit");
    m_exit->setShortcut(QKeySequence(Qt::Key_Escape));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_group);
    layout->addWidget(m_view, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_showTarget);
    buttons->addWidget(m_print);
    buttons->addWidget(m_exportDay);
    buttons->addWidget(m_shooterCard);
    buttons->addStretch(1);
    buttons->addWidget(m_exit);
    layout->addLayout(buttons);

    connect(m_view, &QTableView::clicked, this, &TArchiv2::ListView1Click);
    connect(m_showTarget, &QPushButton::clicked, this, &TArchiv2::ShowTargetClick);
    connect(m_print, &QPushButton::clicked, this, &TArchiv2::PrintClick);
    connect(m_exit, &QPushButton::clicked, this, &TArchiv2::ExitClick);
    connect(m_exportDay, &QPushButton::clicked, this, &TArchiv2::ExportDayClick);
    connect(m_shooterCard, &QPushButton::clicked, this, &TArchiv2::ShooterCardClick);
    // A right click on a row offers that shooter's card; a left click opens the target.
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QTableView::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = m_view->indexAt(at);
        if (!index.isValid()) {
            return;
        }
        m_view->selectRow(index.row());
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(
            QStringLiteral("Стрелок: %1")
                .arg(m_model->data(m_model->index(index.row(), DayTableModel::kShooterColumn))
                         .toString()),
            this, &TArchiv2::ShooterCardClick);
        menu->popup(m_view->viewport()->mapToGlobal(at));
    });
    FitColumns();
}

void TArchiv2::FitColumns() {
    // Each column as wide as its header; the hit columns get 5 pixels more.
    QHeaderView* header = m_view->horizontalHeader();
    for (int column = 0; column < DayTableModel::kColumns; ++column) {
        const bool hits =
            column >= DayTableModel::kFirstHitColumn && column <= DayTableModel::kMissesColumn;
        header->resizeSection(column, header->sectionSizeHint(column) + (hits ? 5 : 0));
    }
}

void TArchiv2::FormActivate() {
    m_group->setText(m_browser->GroupCaption());
    const bool sameDay = m_browser->ShowDay();
    RedrawList();
    // Back from the view, the row looked at stays selected; a new day starts with none.
    const int current = m_state.archive.CurrentRecord;
    if (sameDay && current >= 0 && current < m_model->rowCount()) {
        m_view->selectRow(current);
    }
    m_view->setFocus();
}

void TArchiv2::RedrawList() {
    m_model->Refresh();
}

void TArchiv2::ListView1Click() {
    ShowTargetClick();
}

void TArchiv2::ShowTargetClick() {
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    if (rows.isEmpty() || !m_browser->ChooseRecord(rows.front().row())) {
        return;
    }
    ActivateWindow(QStringLiteral("TArchiv3"));
}

void TArchiv2::PrintClick() {
    if (m_services.printer == nullptr) {
        return;
    }
    const PrintOutcome outcome =
        PrintDayTable(*m_services.printer, m_state.archive.DayRecords, m_state.GroupName);
    if (const auto message = PrintOutcomeMessage(outcome); message && m_services.dialogs) {
        m_services.dialogs->Message(message->text, message->caption, message->icon,
                                    message->buttons);
    }
}

void TArchiv2::ExportDayClick() {
    if (m_services.dialogs != nullptr && !m_state.archive.DayRecords.empty()) {
        ExportCsvAs(*m_services.dialogs, m_state.StartDir, m_state.archive.DayRecords,
                    m_browser->Scope(true));
    }
}

void TArchiv2::ShooterCardClick() {
    // The shooter of the chosen row; without one, the card asks for a name.
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    const auto& day = m_state.archive.DayRecords;
    const int row = rows.isEmpty() ? -1 : rows.front().row();
    OpenShooterCard(*this, row >= 0 && row < static_cast<int>(day.size())
                               ? day[static_cast<size_t>(row)].Shooter
                               : QString());
}

void TArchiv2::ExitClick() {
    ActivateWindow(QStringLiteral("TArchiv1"));
}

bool TArchiv2::eventFilter(QObject* watched, QEvent* event) {
    // Return on a row opens it, as a click does.
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ShowTargetClick();
            return true;
        }
    }
    return Page::eventFilter(watched, event);
}

} // namespace ryvo
