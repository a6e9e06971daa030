// A progress chart of 2000 points (one shooter), then of four shooters of 500 each: the
// points set and the chart drawn into an image of 1200 x 800, as the card shows it.
//   QT_QPA_PLATFORM=offscreen ryvo_bench_progress_chart
#include "archive/ProgressChart.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

using namespace ryvo;

namespace {

std::vector<ChartLine> Lines(int shooters, int points) {
    std::vector<ChartLine> lines;
    const QDateTime start(QDate(2016, 1, 1), QTime(9, 0));
    for (int s = 0; s < shooters; ++s) {
        ChartLine line{QStringLiteral("Стрелок %1").arg(s), {}};
        double sum = 0.0;
        for (int i = 0; i < points; ++i) {
            const double mean = 5.0 + 4.0 * ((i * 37 + s * 11) % 100) / 100.0;
            sum += mean;
            line.points.push_back(
                {start.addSecs(static_cast<qint64>(i) * 3600 * 43), mean, sum / (i + 1)});
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ProgressChart chart;
    chart.resize(1200, 800);
    chart.show();
    for (const auto& [shooters, points] : {std::pair(1, 2000), std::pair(4, 500)}) {
        std::vector<double> times;
        for (int round = 0; round < 7; ++round) {
            QElapsedTimer timer;
            timer.start();
            chart.SetLines(Lines(shooters, points), QStringLiteral("Среднее за выстрел"));
            const QPixmap drawn = chart.grab();
            times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            if (drawn.isNull()) {
                return 1;
            }
        }
        std::printf("chart of %d shooter(s) x %d points, set and drawn: %.1f ms (median of 7)\n",
                    shooters, points, Median(times));
    }
    return 0;
}
