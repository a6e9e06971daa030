#include "core/Conversions.h"

#include "platform/TextFile.h"

#include <cmath>
#include <limits>

namespace ryvo {

std::optional<std::int32_t> StrToInt(const QString& text) {
    QString s = text;
    qsizetype i = 0;
    while (i < s.size() && s[i].isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (; i < s.size(); ++i) {
        const int digit = s[i].isDigit() ? s[i].digitValue()
                          : (base == 16 && s[i].toLower() >= u'a' && s[i].toLower() <= u'f')
                              ? s[i].toLower().unicode() - u'a' + 10
                              : -1;
        if (digit < 0 || digit >= base) {
            return std::nullopt;
        }
        value = value * base + digit;
        if (value > std::int64_t{std::numeric_limits<std::uint32_t>::max()}) {
            return std::nullopt;
        }
    }
    if (negative) {
        value = -value;
    }
    if (base == 10 && (value > std::numeric_limits<std::int32_t>::max() ||
                       value < std::numeric_limits<std::int32_t>::min())) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::optional<double> StrToFloat(const QString& text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    if (bytes.isEmpty()) {
        return std::nullopt;
    }
    TextReader reader(bytes);
    const auto value = reader.ReadFloat();
    if (!value || !reader.AtEnd()) {
        return std::nullopt;
    }
    return static_cast<double>(*value);
}

float LeadingFloat(const QString& text) {
    TextReader reader(text.toLatin1());
    return reader.ReadFloat().value_or(0.0F);
}

std::optional<double> DecimalField(const QString& text) {
    QString number = text.trimmed();
    if (number.count(u',') + number.count(u'.') > 1) {
        return std::nullopt;
    }
    number.replace(u',', u'.');
    const auto value = StrToFloat(number);
    if (!value || !std::isfinite(*value)) {
        return std::nullopt;
    }
    return value;
}

QString NotADecimalMessage(const QString& field, const QString& text) {
    return QStringLiteral("%1: «%2» — не число. Введите число, например 1,5. "
                          "Прежнее значение сохранено.")
        .arg(field, text);
}

QString NotAnIntegerMessage(const QString& text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

QString NotAFloatMessage(const QString& text) {
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

} // namespace ryvo
