#include "platform/FittedLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>
#include <vector>

namespace ryvo {

namespace {

// Start of each line of `paragraph` wrapped to `width`; a word wider than the line breaks.
std::vector<int> LineStarts(const QString& paragraph, const QFont& font, int width) {
    std::vector<int> starts;
    QTextLayout layout(paragraph, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        starts.push_back(line.textStart());
    }
    layout.endLayout();
    if (starts.empty()) {
        starts.push_back(0);
    }
    return starts;
}

} // namespace

FittedLabel::FittedLabel(int lines, QWidget* parent) : QLabel(parent), m_lines(std::max(1, lines)) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed, QSizePolicy::Label));
}

void FittedLabel::SetLines(int lines) {
    m_lines = std::max(1, lines);
    updateGeometry();
    update();
}

int FittedLabel::TextWidth() const {
    return std::max(1, contentsRect().width() - 2 * margin());
}

int FittedLabel::LinesHeight() const {
    const QFontMetrics metrics = fontMetrics();
    const QMargins m = contentsMargins();
    return (m_lines - 1) * metrics.lineSpacing() + metrics.height() + m.top() + m.bottom() +
           2 * margin();
}

QSize FittedLabel::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    int longest = 0;
    for (const QString& paragraph : text().split(QLatin1Char('\n'))) {
        longest = std::max(longest, metrics.horizontalAdvance(paragraph));
    }
    // Asks for its text's width up to a modest line; the layout gives what it has.
    const int width = std::min(longest, 40 * metrics.averageCharWidth());
    const QMargins m = contentsMargins();
    return {width + m.left() + m.right() + 2 * margin(), LinesHeight()};
}

QSize FittedLabel::minimumSizeHint() const {
    const QMargins m = contentsMargins();
    return {4 * fontMetrics().averageCharWidth() + m.left() + m.right() + 2 * margin(),
            LinesHeight()};
}

QStringList FittedLabel::ShownLines() const {
    const int width = TextWidth();
    const QFontMetrics metrics = fontMetrics();
    const QStringList paragraphs = text().split(QLatin1Char('\n'));
    const auto count = static_cast<size_t>(paragraphs.size());
    std::vector<std::vector<int>> starts;
    size_t needed = 0;
    for (const QString& paragraph : paragraphs) {
        starts.push_back(LineStarts(paragraph, font(), width));
        needed += starts.back().size();
    }
    const auto room = static_cast<size_t>(m_lines);
    // Every paragraph keeps at least its first line while there is room; lines left over
    // go to the paragraphs in order.
    std::vector<size_t> given(count, 0);
    size_t left = room;
    for (size_t i = 0; i < count && left > 0; ++i) {
        given[i] = 1;
        --left;
    }
    for (size_t i = 0; i < count && left > 0 && needed > room; ++i) {
        const size_t more = std::min(left, starts[i].size() - 1);
        given[i] += more;
        left -= more;
    }
    QStringList shown;
    for (size_t i = 0; i < count && shown.size() < m_lines; ++i) {
        const QString& paragraph = paragraphs[static_cast<qsizetype>(i)];
        const size_t lines = needed <= room ? starts[i].size() : given[i];
        for (size_t l = 0; l < lines; ++l) {
            const int from = starts[i][l];
            const bool last = l + 1 == lines;
            if (!last) {
                shown << paragraph.mid(from, starts[i][l + 1] - from).trimmed();
                continue;
            }
            // The last line given to the paragraph takes the rest of it, and, on the last
            // line of all, the paragraphs that found no room.
            QString rest = paragraph.mid(from);
            if (shown.size() + 1 == m_lines) {
                for (size_t j = i + 1; j < count; ++j) {
                    rest += QLatin1Char(' ') + paragraphs[static_cast<qsizetype>(j)];
                }
            }
            shown << metrics.elidedText(rest.trimmed(), Qt::ElideRight, width);
        }
    }
    return shown;
}

bool FittedLabel::Cut() const {
    const QStringList shown = ShownLines();
    QString whole = text();
    whole.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return shown.join(QLatin1Char(' ')).simplified() != whole.simplified();
}

void FittedLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QStringList lines = ShownLines();
    const int step = fontMetrics().lineSpacing();
    const int height = static_cast<int>(lines.size()) * step;
    int y = area.top();
    if ((alignment() & Qt::AlignVCenter) != 0) {
        y += (area.height() - height) / 2;
    } else if ((alignment() & Qt::AlignBottom) != 0) {
        y = area.bottom() + 1 - height;
    }
    const int flags = static_cast<int>(alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter |
                      Qt::TextSingleLine;
    for (const QString& line : lines) {
        style()->drawItemText(&painter, QRect(area.left(), y, area.width(), step), flags, palette(),
                              isEnabled(), line, foregroundRole());
        y += step;
    }
}

bool FittedLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        if (Cut()) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QLabel::event(event);
}

} // namespace ryvo
