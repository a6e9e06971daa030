#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace ryvo {

// Whole-number conversion of a typed field: optional blanks and sign, decimal digits or a
// "$"/"0x" hexadecimal number, nothing after it. nullopt when the text is not such a number.
std::optional<std::int32_t> StrToInt(const QString& text);
// Decimal number of a typed field ("2", "2.5", "-1e3"), blanks around allowed.
std::optional<double> StrToFloat(const QString& text);
// C rules: the leading number of the text, 0 when there is none (an empty edit gives 0).
float LeadingFloat(const QString& text);

// A decimal number as a Russian user types it: "1,5" or "1.5", blanks around allowed.
// nullopt for an empty text, for one that is not such a number, and for inf or nan.
std::optional<double> DecimalField(const QString& text);
// Refusal of a text that is not a number, naming the field by its caption.
QString NotADecimalMessage(const QString& field, const QString& text);

// Messages of the standard conversion errors.
QString NotAnIntegerMessage(const QString& text);
QString NotAFloatMessage(const QString& text);

} // namespace ryvo
