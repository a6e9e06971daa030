#include "platform/FittedLabel.h"

#include <gtest/gtest.h>

using namespace ryvo;

namespace {

bool WithinWidth(const FittedLabel& label) {
    for (const QString& line : label.ShownLines()) {
        if (label.fontMetrics().horizontalAdvance(line) > label.contentsRect().width()) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(FittedLabel, KeepsItsPlaceAndCutsWhatDoesNotFit) {
    FittedLabel label(2);
    label.resize(200, label.sizeHint().height());
    const int height = label.sizeHint().height();
    const QSize least = label.minimumSizeHint();
    label.setText(QStringLiteral("Старт"));
    EXPECT_EQ(label.ShownLines(), QStringList{QStringLiteral("Старт")});
    EXPECT_FALSE(label.Cut());

    // A long sentence takes both lines and ends cut; the label asks for no more room.
    const QString sentence = QStringLiteral("стрелок 1 — 10 выстр., сумма 100; ").repeated(6);
    label.setText(sentence);
    EXPECT_EQ(label.text(), sentence);
    QStringList lines = label.ShownLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("стрелок 1 —")));
    EXPECT_TRUE(lines[1].endsWith(QChar(0x2026))) << lines[1].toStdString();
    EXPECT_TRUE(label.Cut());
    EXPECT_TRUE(WithinWidth(label));
    EXPECT_EQ(label.sizeHint().height(), height);
    EXPECT_EQ(label.minimumSizeHint(), least);

    // A path with no spaces breaks anywhere.
    label.setText(QStringLiteral("Записано: ") + QString(60, u'Ш') + QStringLiteral(".rec"));
    EXPECT_EQ(label.ShownLines().size(), 2);
    EXPECT_TRUE(WithinWidth(label));

    // Lines of their own keep one each while there is room; the last takes what is left.
    label.setText(sentence + QStringLiteral("\nВне мишени: 2"));
    EXPECT_EQ(label.ShownLines().back(), QStringLiteral("Вне мишени: 2"));
    label.setText(QStringLiteral("Один\nДва\nТри"));
    EXPECT_EQ(label.ShownLines(), (QStringList{QStringLiteral("Один"), QStringLiteral("Два Три")}));
}
