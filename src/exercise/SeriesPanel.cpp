#include "exercise/SeriesPanel.h"

#include "platform/FittedLabel.h"
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
    CompactLayout(layout);
    // Room for every figure line from the start, so the panel keeps its height as shots come;
    // a line too long for the column is cut rather than widening it.
    m_figures = Named(new FittedLabel(kFigureLines), QByteArray("GroupFigures" + end).constData());
    m_figures->setAlignment(Qt::AlignLeft | Qt::AlignTop);
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
    // The column around it decides the width; the table takes the height left and is the first
    // to give it up (it scrolls), down to its header and one row.
    m_table->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
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
    QStringList lines = SeriesFigureLines(m_model.Figures());
    if (m_holdMeans) {
        lines << HoldFigureLines(m_model.Means());
    }
    const QString text = lines.join(QLatin1Char('\n'));
    if (m_figures->text() != text) {
        m_figures->setText(text);
    }
}

void SeriesPanel::ShowHoldFigures(bool shown, bool means) {
    m_model.SetHoldColumns(shown);
    m_holdMeans = shown && means;
    m_figures->SetLines(kFigureLines + (m_holdMeans ? kHoldLines : 0));
    auto* header = m_table->horizontalHeader();
    // The shot's own columns share the width; the figures' narrow ones take what they need.
    for (int c = ShotTableModel::Hold; c < m_model.columnCount(); ++c) {
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
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
    const int row = fontMetrics().height() + 4;
    m_table->verticalHeader()->setDefaultSectionSize(row);
    m_table->setMinimumHeight(m_table->horizontalHeader()->sizeHint().height() + row +
                              2 * m_table->frameWidth());
}

} // namespace ryvo
