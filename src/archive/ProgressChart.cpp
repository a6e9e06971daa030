#include "archive/ProgressChart.h"

#include <QChart>
#include <QDateTimeAxis>
#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <utility>

namespace ryvo {

namespace {

const std::array<QColor, 6> kColours = {QColor(0, 90, 200),  QColor(200, 40, 40),
                                        QColor(0, 140, 60),  QColor(160, 80, 200),
                                        QColor(220, 130, 0), QColor(60, 60, 60)};

} // namespace

ProgressChart::ProgressChart(QWidget* parent)
    : QChartView(new QChart, parent), m_empty(new QLabel(this)) {
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    m_empty->setObjectName(QStringLiteral("EmptyNote"));
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setWordWrap(true);
    m_empty->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_empty);
}

void ProgressChart::SetEmptyText(const QString& text) {
    m_empty->setText(text);
    ShowEmptyNote();
}

bool ProgressChart::HasPoints() const {
    return std::any_of(m_lines.begin(), m_lines.end(),
                       [](const ChartLine& line) { return !line.points.empty(); });
}

void ProgressChart::ShowEmptyNote() {
    m_empty->setVisible(!m_empty->text().isEmpty() && !HasPoints());
}

void ProgressChart::SetLines(std::vector<ChartLine> lines, const QString& title,
                             const ChartAxis& axis) {
    m_lines = std::move(lines);
    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* axis : c->axes()) {
        c->removeAxis(axis);
        delete axis;
    }
    c->setTitle(title);
    auto* time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("dd.MM.yyyy"));
    time->setTitleText(QStringLiteral("Дата"));
    auto* score = new QValueAxis;
    score->setRange(0.0, axis.top);
    score->setTitleText(axis.title);
    c->addAxis(time, Qt::AlignBottom);
    c->addAxis(score, Qt::AlignLeft);
    QDateTime first;
    QDateTime last;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const ChartLine& line = m_lines[i];
        const QColor colour = kColours[i % kColours.size()];
        QList<QPointF> means;
        QList<QPointF> averages;
        means.reserve(static_cast<qsizetype>(line.points.size()));
        averages.reserve(static_cast<qsizetype>(line.points.size()));
        for (const ProgressPoint& p : line.points) {
            const auto x = static_cast<qreal>(p.when.toMSecsSinceEpoch());
            means.append({x, p.mean});
            averages.append({x, p.average});
            first = first.isValid() ? std::min(first, p.when) : p.when;
            last = last.isValid() ? std::max(last, p.when) : p.when;
        }
        // A thin line through the series' points: one path to draw, where markers each
        // cost a scene item.
        auto* dots = new QLineSeries;
        dots->setName(line.shooter);
        dots->setPen(QPen(colour.lighter(150), 1.0));
        dots->setPointsVisible(line.points.size() <= 300);
        dots->replace(means);
        auto* average = new QLineSeries;
        average->setName(line.shooter + QStringLiteral(": скользящее среднее"));
        average->setPen(QPen(colour, 2.0));
        average->replace(averages);
        for (QAbstractSeries* series :
             {static_cast<QAbstractSeries*>(dots), static_cast<QAbstractSeries*>(average)}) {
            c->addSeries(series);
            series->attachAxis(time);
            series->attachAxis(score);
        }
    }
    if (first.isValid()) {
        // A day's margin on each side, so a single point is not on the frame.
        time->setRange(first.addDays(-1), last.addDays(1));
    }
    ShowEmptyNote();
}

QImage ProgressChart::Picture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSize was = chart()->size().toSize();
    chart()->resize(size);
    chart()->scene()->render(&painter, QRectF(QPointF(0, 0), size), QRectF(QPointF(0, 0), size));
    chart()->resize(was);
    return image;
}

bool ProgressChart::SavePdf(const QString& path) {
    // Written beside and renamed over, so a failed save leaves an older file as it was.
    const QString part = path + QStringLiteral(".part");
    {
        QPdfWriter pdf(part);
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setResolution(150);
        QPainter painter;
        if (!painter.begin(&pdf)) {
            QFile::remove(part);
            return false;
        }
        const QRect page = painter.viewport();
        painter.drawImage(page, Picture(QSize(1600, 1600 * page.height() / page.width())));
        painter.end();
    }
    QFile::remove(path);
    return QFile::rename(part, path);
}

} // namespace ryvo
