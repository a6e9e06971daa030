#pragma once

#include <QLabel>
#include <QStringList>

namespace ryvo {

// A label that keeps the place its layout gives it: room for a set number of lines,
// whatever its text. A longer text wraps within the width, and what still does not fit
// ends in an ellipsis, so a long message never makes the window grow. text() keeps the
// whole text, and the tool tip shows it when it was cut.
class FittedLabel final : public QLabel {
    Q_OBJECT
public:
    explicit FittedLabel(int lines = 1, QWidget* parent = nullptr);

    void SetLines(int lines);
    [[nodiscard]] int Lines() const { return m_lines; }
    // The lines as drawn at the label's present width.
    [[nodiscard]] QStringList ShownLines() const;
    // True when the text did not fit whole.
    [[nodiscard]] bool Cut() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] bool hasHeightForWidth() const override { return false; }
    [[nodiscard]] int heightForWidth(int /*width*/) const override { return -1; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    [[nodiscard]] int TextWidth() const;
    [[nodiscard]] int LinesHeight() const;

    int m_lines;
};

} // namespace ryvo
