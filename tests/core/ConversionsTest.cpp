#include "core/Conversions.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace ryvo;

TEST(Conversions, WholeNumbersOfTypedFields) {
    EXPECT_EQ(StrToInt(QStringLiteral("12")), 12);
    EXPECT_EQ(StrToInt(QStringLiteral("  -7")), -7);
    EXPECT_EQ(StrToInt(QStringLiteral("$1F")), 31);
    EXPECT_EQ(StrToInt(QStringLiteral("0x10")), 16);
    EXPECT_FALSE(StrToInt(QStringLiteral("")).has_value());
    EXPECT_FALSE(StrToInt(QStringLiteral("1.5")).has_value());
    EXPECT_FALSE(StrToInt(QStringLiteral("12 ")).has_value());
    EXPECT_FALSE(StrToInt(QStringLiteral("abc")).has_value());
    EXPECT_FALSE(StrToInt(QStringLiteral("99999999999")).has_value());
    EXPECT_EQ(NotAnIntegerMessage(QStringLiteral("x1")),
              QStringLiteral("'x1' is not a valid integer value"));
}

TEST(Conversions, DecimalNumbers) {
    EXPECT_DOUBLE_EQ(*StrToFloat(QStringLiteral(" 2.5 ")), 2.5);
    EXPECT_DOUBLE_EQ(*StrToFloat(QStringLiteral("2")), 2.0);
    EXPECT_FALSE(StrToFloat(QStringLiteral("2,5")).has_value());
    EXPECT_FALSE(StrToFloat(QStringLiteral("")).has_value());
    EXPECT_FLOAT_EQ(LeadingFloat(QStringLiteral(" 1.25abc")), 1.25F);
    EXPECT_FLOAT_EQ(LeadingFloat(QStringLiteral("")), 0.0F);
    EXPECT_FLOAT_EQ(LeadingFloat(QStringLiteral("x")), 0.0F);
}

TEST(Conversions, TypedDecimalsTakeAPointOrAComma) {
    EXPECT_DOUBLE_EQ(*DecimalField(QStringLiteral("1,5")), 1.5);
    EXPECT_DOUBLE_EQ(*DecimalField(QStringLiteral(" -0.25 ")), -0.25);
    EXPECT_DOUBLE_EQ(*DecimalField(QStringLiteral(",5")), 0.5);
    EXPECT_DOUBLE_EQ(*DecimalField(QStringLiteral("3")), 3.0);
    for (const char* bad : {"", "  ", "abc", "1,5,0", "1.5,0", "1,5 abc", "inf", "nan", "-"}) {
        EXPECT_FALSE(DecimalField(QString::fromLatin1(bad)).has_value()) << bad;
    }
}
