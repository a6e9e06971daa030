#pragma once

#include "archive/ArchiveProgress.h"

#include <QChartView>
#include <QImage>

#include <vector>

class QLabel;

namespace ryvo {

// The value axis of a chart: its caption and where it ends (it starts at 0).
struct ChartAxis {
    QString title = QStringLiteral("Среднее за выстрел");
    double top = 10.0;
};

// A value over time (the mean score per shot unless told otherwise), one or several
// shooters, each with its moving average.
class ProgressChart final : public QChartView {
    Q_OBJECT
public:
    explicit ProgressChart(QWidget* parent = nullptr);

    void SetLines(std::vector<ChartLine> lines, const QString& title, const ChartAxis& axis = {});
    // Shown over the chart while no line has a point; none by default.
    void SetEmptyText(const QString& text);
    // True when some line has a point.
    [[nodiscard]] bool HasPoints() const;
    [[nodiscard]] const std::vector<ChartLine>& Lines() const { return m_lines; }
    // The chart drawn at a size of its own, for print and PDF.
    [[nodiscard]] QImage Picture(QSize size);
    // A one-page PDF of the chart; false when the file cannot be written.
    bool SavePdf(const QString& path);

private:
    void ShowEmptyNote();

    std::vector<ChartLine> m_lines;
    QLabel* m_empty;
};

} // namespace ryvo
