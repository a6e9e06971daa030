#include "exercise/SeriesPanel.h"

#include "platform/Widgets.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace ryvo {

SeriesPanel::SeriesPanel(const QString& title, const char* suffix, QWidget* parent)
    : QGroupBox(title, parent) {
    const QByteArray end(suffix);
    setObjectName(QStringLiteral("SeriesPanel") + QString::fromLatin1(end));
    auto* layout = new QVBoxLayout(this);
    m_figures = Named(new QLabel, QByteArray("GroupFigures" + end).constData());
    m_figures->setWordWrap(true);
    m_figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_figures->setAccessibleDescription(QStringLiteral("Кучность серии"));
    layout->addWidget(m_figures);

    m_table = Named(new QTableView, QByteArray("ShotTable" + end).constData());
    m_table->setModel(&m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    // The run reads the keys; the table must not take them from the buttons.
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setWordWrap(false);
    // The column around it decides the width; the table takes the height left.
    m_table->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    m_table->setMinimumHeight(0);
    layout->addWidget(m_table, 1);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);

    connect(&m_model, &QAbstractItemModel::rowsInserted, m_table, [this] {
        if (!m_replaying) {
            m_table->scrollToBottom();
        }
    });
    FitRows();
    ShowShots(RunState{}, 0);
}

void SeriesPanel::ShowShots(const RunState& run, int lane) {
    m_model.Update(run, lane);
    const QString text = SeriesFigureLines(m_model.Figures()).join(QLatin1Char('\n'));
    if (m_figures->text() != text) {
        m_figures->setText(text);
    }
}

void SeriesPanel::ShowReplayShot(int shot) {
    m_replaying = shot >= 0;
    if (shot < 0 || shot >= m_model.rowCount()) {
        m_table->clearSelection();
        return;
    }
    m_table->selectRow(shot);
    m_table->scrollTo(m_model.index(shot, 0), QAbstractItemView::EnsureVisible);
}

void SeriesPanel::changeEvent(QEvent* event) {
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        FitRows();
    }
}

void SeriesPanel::FitRows() {
    // Fixed rows of the font's height: sizing rows to their contents would measure every row.
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

} // namespace ryvo
