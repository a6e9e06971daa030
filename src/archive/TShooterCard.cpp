#include "archive/TShooterCard.h"

#include "archive/HoldProgress.h"
#include "archive/Printing.h"
#include "archive/ProgressChart.h"
#include "archive/TArchiv3.h"
#include "core/ProgramState.h"
#include "platform/Canvas.h"
#include "platform/Dialogs.h"
#include "platform/Printer.h"
#include "platform/Widgets.h"
#include "targets/Scoring.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace ryvo {

namespace {

QTableView* ReadOnlyTable(QAbstractItemModel* model, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

// Written beside and renamed over, so a failed export leaves an older file as it was.
bool WriteWhole(const QString& path, const QByteArray& bytes) {
    const QString part = path + QStringLiteral(".part");
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        file.remove();
        return false;
    }
    file.close();
    QFile::remove(path);
    return QFile::rename(part, path);
}

} // namespace

void OpenShooterCard(const Page& from, const QString& shooter) {
    Navigator* navigator = from.GetNavigator();
    if (navigator == nullptr) {
        return;
    }
    auto* card = qobject_cast<TShooterCard*>(navigator->Find(QStringLiteral("TShooterCard")));
    if (card == nullptr) {
        return;
    }
    card->Preset(shooter, from.ClassName());
    navigator->Activate(card->ClassName());
}

TShooterCard::TShooterCard(ProgramState& state, const Services& services, QString cacheDir,
                           QWidget* parent)
    : Page(QStringLiteral("TShooterCard"), QStringLiteral("Стрелок"), parent), m_state(state),
      m_services(services), m_cacheDir(std::move(cacheDir)),
      m_summary(new GroupSummaryModel(this)) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(12);
    setFont(font);

    m_name = Named(new QComboBox(this), "ShooterName");
    m_name->setEditable(true);
    m_name->setInsertPolicy(QComboBox::NoInsert);
    m_name->setMinimumWidth(260);
    m_name->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    m_name->completer()->setFilterMode(Qt::MatchContains);
    m_show = Named(new QPushButton(QStringLiteral("Показать"), this), "ShowShooter");
    m_wholeTime = Named(new QCheckBox(QStringLiteral("За всё время"), this), "WholeTime");
    m_wholeTime->setChecked(true);
    m_from = Named(new QDateEdit(QDate::currentDate().addYears(-1), this), "From");
    m_to = Named(new QDateEdit(QDate::currentDate(), this), "To");
    for (QDateEdit* edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        edit->setEnabled(false);
    }
    m_target = Named(new QComboBox(this), "TargetFilter");
    m_group = Named(new QComboBox(this), "GroupFilter");
    m_progress = Named(new QProgressBar(this), "IndexProgress");
    m_progress->hide();
    m_note = Named(new QLabel(this), "Note");
    m_note->setWordWrap(true);

    m_results = Named(ReadOnlyTable(nullptr, this), "Results");
    m_compare = Named(new QComboBox(this), "Compare");
    m_compare->setEditable(true);
    m_compare->setInsertPolicy(QComboBox::NoInsert);
    m_compare->setMinimumWidth(220);
    m_window = Named(new QSpinBox(this), "AverageWindow");
    m_window->setRange(1, 50);
    m_window->setValue(5);
    m_chart = Named(new ProgressChart(this), "Chart");
    m_holdFigure = Named(new QComboBox(this), "HoldFigure");
    for (int f = 0; f < kHoldFigureCount; ++f) {
        m_holdFigure->addItem(HoldFigureName(static_cast<HoldFigure>(f)));
    }
    m_holdChart = Named(new ProgressChart(this), "HoldChart");
    m_holdChart->SetEmptyText(QStringLiteral("Нет данных об удержании"));
    m_summaryView = Named(ReadOnlyTable(m_summary, this), "Summary");

    m_tabs = Named(new QTabWidget(this), "Tabs");
    m_tabs->addTab(m_results, QStringLiteral("Результаты"));
    auto* chartPage = new QWidget(this);
    auto* chartLayout = new QVBoxLayout(chartPage);
    auto* chartRow = new QHBoxLayout;
    chartRow->addWidget(new QLabel(QStringLiteral("Сравнить с:"), chartPage));
    chartRow->addWidget(m_compare);
    chartRow->addWidget(new QLabel(QStringLiteral("Скользящее среднее по сериям:"), chartPage));
    chartRow->addWidget(m_window);
    chartRow->addStretch(1);
    chartLayout->addLayout(chartRow);
    chartLayout->addWidget(m_chart, 1);
    m_tabs->addTab(chartPage, QStringLiteral("График"));
    // The same shooters, filters and moving average as the score chart.
    auto* holdPage = new QWidget(this);
    auto* holdLayout = new QVBoxLayout(holdPage);
    auto* holdRow = new QHBoxLayout;
    holdRow->addWidget(new QLabel(QStringLiteral("Показатель:"), holdPage));
    holdRow->addWidget(m_holdFigure);
    holdRow->addStretch(1);
    holdLayout->addLayout(holdRow);
    holdLayout->addWidget(m_holdChart, 1);
    m_tabs->addTab(holdPage, QStringLiteral("Удержание"));
    m_tabs->addTab(m_summaryView, QStringLiteral("Сводка группы"));

    m_showTarget = Named(new QPushButton(QStringLiteral("Показать мишень"), this), "ShowTarget");
    m_print = Named(new QPushButton(QStringLiteral("Печать графика"), this), "PrintChart");
    m_savePdf = Named(new QPushButton(QStringLiteral("График в PDF"), this), "SavePdf");
    m_exportCsv = Named(new QPushButton(QStringLiteral("Данные в CSV"), this), "ExportCsv");
    m_exit = Named(new QPushButton(QStringLiteral("Выход"), this), "Exit");
    m_exit->setShortcut(QKeySequence(Qt::Key_Escape));

    auto* layout = new QVBoxLayout(this);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("Стрелок:"), this));
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_show);
    layout->addLayout(nameRow);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(m_wholeTime);
    filterRow->addWidget(new QLabel(QStringLiteral("с"), this));
    filterRow->addWidget(m_from);
    filterRow->addWidget(new QLabel(QStringLiteral("по"), this));
    filterRow->addWidget(m_to);
    filterRow->addWidget(new QLabel(QStringLiteral("Мишень:"), this));
    filterRow->addWidget(m_target, 1);
    filterRow->addWidget(new QLabel(QStringLiteral("Группа:"), this));
    filterRow->addWidget(m_group, 1);
    layout->addLayout(filterRow);
    layout->addWidget(m_progress);
    layout->addWidget(m_note);
    layout->addWidget(m_tabs, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_showTarget, m_print, m_savePdf, m_exportCsv}) {
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    buttons->addWidget(m_exit);
    layout->addLayout(buttons);

    connect(m_show, &QPushButton::clicked, this, &TShooterCard::ShowShooterClick);
    connect(m_name->lineEdit(), &QLineEdit::returnPressed, this, &TShooterCard::ShowShooterClick);
    connect(m_wholeTime, &QCheckBox::toggled, this, [this](bool whole) {
        m_from->setEnabled(!whole);
        m_to->setEnabled(!whole);
        FilterChanged();
    });
    for (QDateEdit* edit : {m_from, m_to}) {
        connect(edit, &QDateEdit::dateChanged, this, &TShooterCard::FilterChanged);
    }
    for (QComboBox* box : {m_target, m_group}) {
        connect(box, &QComboBox::currentIndexChanged, this, &TShooterCard::FilterChanged);
    }
    connect(m_compare, &QComboBox::currentTextChanged, this, &TShooterCard::FilterChanged);
    connect(m_window, &QSpinBox::valueChanged, this, &TShooterCard::FilterChanged);
    connect(m_holdFigure, &QComboBox::currentIndexChanged, this, &TShooterCard::FilterChanged);
    connect(m_results, &QTableView::doubleClicked, this, &TShooterCard::ShowTargetClick);
    connect(m_showTarget, &QPushButton::clicked, this, &TShooterCard::ShowTargetClick);
    connect(m_print, &QPushButton::clicked, this, &TShooterCard::PrintChartClick);
    connect(m_savePdf, &QPushButton::clicked, this, &TShooterCard::SavePdfClick);
    connect(m_exportCsv, &QPushButton::clicked, this, &TShooterCard::ExportCsvClick);
    connect(m_exit, &QPushButton::clicked, this, &TShooterCard::ExitClick);
}

TShooterCard::~TShooterCard() = default;

void TShooterCard::Preset(const QString& shooter, const QString& returnTo) {
    m_preset = shooter;
    m_returnTo = returnTo;
}

void TShooterCard::FormActivate() {
    SyncIndex();
    if (!m_index) {
        return;
    }
    m_filling = true;
    const QString typed = m_name->currentText();
    const QString compare = m_compare->currentText();
    m_name->clear();
    m_compare->clear();
    m_compare->addItem(QString());
    for (const QString& name : m_index->Shooters()) {
        m_name->addItem(name);
        m_compare->addItem(name);
    }
    m_name->setEditText(m_preset.isEmpty() ? typed : m_preset);
    m_compare->setEditText(compare);
    m_filling = false;
    if (!m_preset.isEmpty()) {
        m_preset.clear();
        ShowShooterClick();
    } else if (!m_card->Name().isEmpty()) {
        // Back from the result view, or files changed meanwhile: the same shooter again.
        m_card->Show(m_card->Name());
        Redraw();
    }
    m_name->setFocus();
}

void TShooterCard::SyncIndex() {
    if (!m_index) {
        // Zones looked up at each score: the pack may be loaded after the card was made.
        ProgramState* state = &m_state;
        m_index = std::make_unique<ArchiveIndex>(
            m_state.StartDir,
            [state](float x, float y, std::int32_t type) {
                return ScoreShot(x, y, type, LoadedZones(*state));
            },
            m_cacheDir);
        m_card = std::make_unique<ShooterCard>(*m_index);
        m_results->setModel(&m_card->Model());
    }
    // A step reads only changed files; a rebuild of a large archive shows its progress.
    const IndexSync sync = m_index->Sync([this](int done, int total) {
        if (total < 20) {
            return;
        }
        m_progress->setRange(0, total);
        m_progress->setValue(done);
        m_progress->setFormat(QStringLiteral("Индекс архива: %v из %m файлов"));
        m_progress->show();
        m_progress->repaint();
    });
    m_progress->hide();
    m_note->setText(sync.ok ? QString() : sync.error);
}

ResultFilter TShooterCard::PeriodFilter() const {
    ResultFilter filter;
    if (!m_wholeTime->isChecked()) {
        filter.from = m_from->date();
        filter.to = m_to->date();
    }
    return filter;
}

void TShooterCard::ShowShooterClick() {
    if (!m_card) {
        return;
    }
    const QString name = m_name->currentText().simplified();
    if (name.isEmpty()) {
        return;
    }
    m_filling = true;
    const bool found = m_card->Show(name);
    m_target->clear();
    m_target->addItem(QStringLiteral("Все"));
    for (const TargetChoice& choice : m_card->Targets()) {
        m_target->addItem(choice.label);
    }
    m_group->clear();
    m_group->addItem(QStringLiteral("Все"));
    for (const QString& group : m_card->Groups()) {
        m_group->addItem(group);
    }
    m_filling = false;
    m_note->setText(found ? QString()
                          : QStringLiteral("Результатов стрелка %1 в архиве нет.").arg(name));
    FilterChanged();
}

void TShooterCard::FilterChanged() {
    if (m_filling || !m_card) {
        return;
    }
    CardFilter filter;
    const ResultFilter period = PeriodFilter();
    filter.from = period.from;
    filter.to = period.to;
    if (const int t = m_target->currentIndex(); t > 0) {
        filter.target = m_card->Targets()[static_cast<size_t>(t - 1)];
    }
    if (m_group->currentIndex() > 0) {
        filter.group = m_group->currentText();
    }
    m_card->SetFilter(filter);
    Redraw();
}

QString TShooterCard::SummaryGroup() const {
    if (m_group->currentIndex() > 0) {
        return m_group->currentText();
    }
    const auto& results = m_card->Model().Results();
    return results.empty() ? QString() : results.front().group;
}

void TShooterCard::Redraw() {
    m_results->resizeColumnsToContents();
    const int window = m_window->value();
    const auto figure = static_cast<HoldFigure>(std::max(m_holdFigure->currentIndex(), 0));
    std::vector<ChartLine> lines;
    std::vector<ChartLine> holdLines;
    if (!m_card->Name().isEmpty()) {
        const std::vector<IndexedResult>& mine = m_card->Model().Results();
        lines.push_back({m_card->Name(), ProgressPoints(mine, window)});
        holdLines.push_back({m_card->Name(), HoldPoints(mine, figure, window)});
    }
    // The compared shooter under the same filters.
    const QString other = m_compare->currentText().simplified();
    if (!other.isEmpty() && NameKey(other) != NameKey(m_card->Name())) {
        std::vector<IndexedResult> theirs = m_index->ShooterResults(other);
        std::erase_if(theirs, [&](const IndexedResult& r) { return !m_card->Filter().Keeps(r); });
        if (!theirs.empty()) {
            lines.push_back({theirs.front().shooter, ProgressPoints(theirs, window)});
            holdLines.push_back({theirs.front().shooter, HoldPoints(theirs, figure, window)});
        }
    }
    m_chart->SetLines(std::move(lines), QStringLiteral("Среднее за выстрел"));
    const QString figureName = HoldFigureName(figure);
    const double top = HoldAxisTop(figure, holdLines);
    m_holdChart->SetLines(std::move(holdLines), figureName, ChartAxis{figureName, top});
    const QString group = SummaryGroup();
    m_summary->SetRows(group.isEmpty()
                           ? std::vector<ShooterSummary>{}
                           : SummariseGroup(m_index->GroupResults(group, PeriodFilter())));
    m_tabs->setTabText(kSummaryTab, group.isEmpty()
                                        ? QStringLiteral("Сводка группы")
                                        : QStringLiteral("Сводка группы %1").arg(group));
    m_summaryView->resizeColumnsToContents();
}

void TShooterCard::ShowTargetClick() {
    if (!m_card) {
        return;
    }
    const QModelIndexList rows = m_results->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return;
    }
    const IndexedResult& result =
        m_card->Model().Results()[static_cast<size_t>(rows.front().row())];
    std::optional<ResultRecord> record =
        ReadIndexedRecord(m_state.StartDir, result, [this](float x, float y, std::int32_t type) {
            return ScoreShot(x, y, type, LoadedZones(m_state));
        });
    if (!record) {
        Tell(QStringLiteral("Результат больше не найден в файле %1: архив изменился. Список "
                            "обновлён.")
                 .arg(result.file),
             QStringLiteral("Стрелок"));
        FormActivate();
        return;
    }
    // The view shows DayRecords[CurrentRecord] of GroupName, as from the day table.
    m_state.archive.DayRecords = {std::move(*record)};
    m_state.archive.CurrentRecord = 0;
    m_state.GroupName = result.group;
    if (GetNavigator() != nullptr) {
        if (auto* view =
                qobject_cast<TArchiv3*>(GetNavigator()->Find(QStringLiteral("TArchiv3")))) {
            view->ReturnTo(ClassName());
        }
    }
    ActivateWindow(QStringLiteral("TArchiv3"));
}

ProgressChart& TShooterCard::ShownChart() {
    return m_tabs->currentIndex() == kHoldTab ? *m_holdChart : *m_chart;
}

void TShooterCard::PrintChartClick() {
    ProgressChart& chart = ShownChart();
    if (m_services.printer == nullptr || !chart.HasPoints()) {
        return;
    }
    Printer& printer = *m_services.printer;
    Canvas* canvas = printer.BeginDocument(QStringLiteral("График %1").arg(m_card->Name()));
    if (canvas == nullptr) {
        return;
    }
    // Landscape proportions on the page's width, drawn at the printer's resolution.
    const int width = canvas->Width();
    const int height = width * 2 / 3;
    canvas->StretchDraw(0, 0, width, height, chart.Picture(QSize(1500, 1000)));
    const PrintOutcome outcome = printer.EndDocument();
    if (const auto message = PrintOutcomeMessage(outcome); message && m_services.dialogs) {
        m_services.dialogs->Message(message->text, message->caption, message->icon,
                                    message->buttons);
    }
}

void TShooterCard::SavePdfClick() {
    ProgressChart& chart = ShownChart();
    if (m_services.dialogs == nullptr || !chart.HasPoints()) {
        return;
    }
    std::optional<QString> path =
        m_services.dialogs->SaveFile(QStringLiteral("PDF|*.pdf"), m_state.StartDir);
    if (!path) {
        return;
    }
    if (!path->endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        *path += QStringLiteral(".pdf");
    }
    if (!chart.SavePdf(*path)) {
        Tell(QStringLiteral("Файл %1 не удалось записать.").arg(*path),
             QStringLiteral("График в PDF"));
    }
}

void TShooterCard::ExportCsvClick() {
    if (m_services.dialogs == nullptr || !m_card) {
        return;
    }
    // What the open tab shows.
    QByteArray bytes;
    switch (m_tabs->currentIndex()) {
    case kChartTab:
        bytes = ProgressCsv(m_chart->Lines());
        break;
    case kHoldTab:
        bytes = ProgressCsv(m_holdChart->Lines(), m_holdFigure->currentText());
        break;
    case kSummaryTab:
        bytes = SummaryCsv(m_summary->Rows());
        break;
    default:
        bytes = ShooterResultsCsv(m_card->Model().Results());
        break;
    }
    std::optional<QString> path =
        m_services.dialogs->SaveFile(QStringLiteral("CSV|*.csv"), m_state.StartDir);
    if (!path) {
        return;
    }
    if (!path->endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
        *path += QStringLiteral(".csv");
    }
    if (!WriteWhole(*path, bytes)) {
        Tell(QStringLiteral("Файл %1 не удалось записать.").arg(*path),
             QStringLiteral("Данные в CSV"));
    }
}

void TShooterCard::Tell(const QString& text, const QString& caption) {
    if (m_services.dialogs != nullptr) {
        m_services.dialogs->Message(text, caption, MessageIcon::Warning);
    }
}

void TShooterCard::ExitClick() {
    ActivateWindow(m_returnTo);
}

} // namespace ryvo
