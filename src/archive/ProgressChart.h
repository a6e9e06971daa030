#pragma once

#include "archive/ArchiveProgress.h"

#include <QChartView>
#include <QImage>

#include <vector>

namespace ryvo {

// Mean score per shot over time, one or several shooters, each with its moving average.
class ProgressChart final : public QChartView {
    Q_OBJECT
public:
    explicit ProgressChart(QWidget* parent = nullptr);

    void SetLines(std::vector<ChartLine> lines, const QString& title);
    [[nodiscard]] const std::vector<ChartLine>& Lines() const { return m_lines; }
    // The chart drawn at a size of its own, for print and PDF.
    [[nodiscard]] QImage Picture(QSize size);
    // A one-page PDF of the chart; false when the file cannot be written.
    bool SavePdf(const QString& path);

private:
    std::vector<ChartLine> m_lines;
};

} // namespace ryvo
