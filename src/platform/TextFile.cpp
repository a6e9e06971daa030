#include "platform/TextFile.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <vector>

namespace ryvo {

namespace {

// cp1251 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F. 0x98 is unassigned and kept as U+0098.
constexpr std::array<char16_t, 64> kHighTable = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

char EncodeChar(char16_t c) {
    if (c < 0x80) {
        return static_cast<char>(c);
    }
    if (c >= 0x0410 && c <= 0x044F) {
        return static_cast<char>(0xC0 + (c - 0x0410));
    }
    for (size_t i = 0; i < kHighTable.size(); ++i) {
        if (kHighTable[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

bool IsSpace(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int DigitValue(int c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return 99;
}

} // namespace

QByteArray ToCp1251(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        out.append(EncodeChar(c.unicode()));
    }
    return out;
}

QString FromCp1251(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out.append(QChar(b));
        } else if (b < 0xC0) {
            out.append(QChar(kHighTable[b - 0x80]));
        } else {
            out.append(QChar(static_cast<char16_t>(0x0410 + (b - 0xC0))));
        }
    }
    return out;
}

TextReader::TextReader(const QByteArray& fileBytes) {
    // Text mode: CR LF is read as a single line end.
    m_data.reserve(fileBytes.size());
    for (qsizetype i = 0; i < fileBytes.size(); ++i) {
        if (fileBytes[i] == '\r' && i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n') {
            continue;
        }
        m_data.append(fileBytes[i]);
    }
}

std::optional<TextReader> TextReader::Open(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return TextReader(file.readAll());
}

int TextReader::Peek(qsizetype ahead) const {
    const qsizetype at = m_pos + ahead;
    if (at >= m_data.size()) {
        return -1;
    }
    return static_cast<unsigned char>(m_data[at]);
}

void TextReader::SkipWhite() {
    while (m_pos < m_data.size() && IsSpace(static_cast<unsigned char>(m_data[m_pos]))) {
        ++m_pos;
    }
}

std::optional<QByteArray> TextReader::ReadWord(qsizetype maxLen) {
    SkipWhite();
    const qsizetype start = m_pos;
    while (m_pos < m_data.size() && !IsSpace(static_cast<unsigned char>(m_data[m_pos]))) {
        ++m_pos;
    }
    if (m_pos == start) {
        return std::nullopt;
    }
    return m_data.mid(start, std::min(m_pos - start, maxLen));
}

// Reads an optional sign and digits of the base; nullopt (input restored) without a digit.
// Saturates instead of overflowing: only the low 32 bits are ever kept by callers.
std::optional<std::uint64_t> TextReader::ReadDigits(int base, bool& negative) {
    const qsizetype start = m_pos;
    negative = false;
    if (Peek() == '+' || Peek() == '-') {
        negative = Peek() == '-';
        ++m_pos;
    }
    if (base == 0) {
        if (Peek() == '0' && (Peek(1) == 'x' || Peek(1) == 'X') && DigitValue(Peek(2)) < 16) {
            base = 16;
            m_pos += 2;
        } else if (Peek() == '0') {
            base = 8;
        } else {
            base = 10;
        }
    }
    std::uint64_t value = 0;
    bool any = false;
    while (DigitValue(Peek()) < base) {
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(DigitValue(Peek()));
        value = std::min<std::uint64_t>(value, 0xFFFFFFFFFULL);
        any = true;
        ++m_pos;
    }
    if (!any) {
        m_pos = start;
        return std::nullopt;
    }
    return value;
}

// A signed number keeps its low 32 bits, as the C conversions store it.
std::optional<std::uint32_t> TextReader::ReadWrapped(int base) {
    SkipWhite();
    bool negative = false;
    auto value = ReadDigits(base, negative);
    if (!value) {
        return std::nullopt;
    }
    const auto low = static_cast<std::uint32_t>(*value);
    return negative ? 0U - low : low;
}

std::optional<std::uint32_t> TextReader::ReadUnsigned() {
    return ReadWrapped(10);
}

std::optional<std::int32_t> TextReader::ReadInt() {
    auto value = ReadWrapped(0);
    return value ? std::optional(static_cast<std::int32_t>(*value)) : std::nullopt;
}

std::optional<std::int32_t> TextReader::ReadDecimal() {
    auto value = ReadWrapped(10);
    return value ? std::optional(static_cast<std::int32_t>(*value)) : std::nullopt;
}

std::optional<float> TextReader::ReadFloat() {
    SkipWhite();
    const qsizetype start = m_pos;
    qsizetype p = m_pos;
    auto at = [&](qsizetype i) -> int {
        return i < m_data.size() ? static_cast<unsigned char>(m_data[i]) : -1;
    };
    bool negative = false;
    if (at(p) == '+' || at(p) == '-') {
        negative = at(p) == '-';
        ++p;
    }
    const qsizetype numberStart = p;
    auto matchWord = [&](const char* word) {
        qsizetype i = 0;
        for (; word[i] != 0; ++i) {
            if (std::tolower(at(p + i)) != word[i]) {
                return false;
            }
        }
        p += i;
        return true;
    };
    float result = 0;
    if (matchWord("infinity") || matchWord("inf")) {
        result = std::numeric_limits<float>::infinity();
    } else if (matchWord("nan")) {
        result = std::numeric_limits<float>::quiet_NaN();
    } else {
        int digits = 0;
        while (at(p) >= '0' && at(p) <= '9') {
            ++p;
            ++digits;
        }
        if (at(p) == '.') {
            ++p;
            while (at(p) >= '0' && at(p) <= '9') {
                ++p;
                ++digits;
            }
        }
        if (digits == 0) {
            m_pos = start;
            return std::nullopt;
        }
        if (at(p) == 'e' || at(p) == 'E') {
            qsizetype q = p + 1;
            if (at(q) == '+' || at(q) == '-') {
                ++q;
            }
            if (at(q) >= '0' && at(q) <= '9') {
                while (at(q) >= '0' && at(q) <= '9') {
                    ++q;
                }
                p = q;
            }
        }
        const char* first = m_data.constData() + numberStart;
        const char* last = m_data.constData() + p;
        double parsed = 0;
        const auto res = std::from_chars(first, last, parsed);
        if (res.ec == std::errc::result_out_of_range) {
            parsed = parsed == 0 ? 0.0 : std::numeric_limits<double>::infinity();
        } else if (res.ec != std::errc()) {
            m_pos = start;
            return std::nullopt;
        }
        result = static_cast<float>(parsed);
    }
    m_pos = p;
    return negative ? -result : result;
}

std::optional<QByteArray> TextReader::ReadLine(qsizetype limit) {
    if (AtEnd()) {
        return std::nullopt;
    }
    const qsizetype start = m_pos;
    while (m_pos < m_data.size() && m_pos - start < limit) {
        if (m_data[m_pos++] == '\n') {
            break;
        }
    }
    return m_data.mid(start, m_pos - start);
}

TextWriter& TextWriter::Put(const QString& text) {
    const QByteArray bytes = ToCp1251(text);
    return PutBytes(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

TextWriter& TextWriter::PutBytes(std::string_view cp1251Text) {
    for (const char c : cp1251Text) {
        if (c == '\n') {
            m_bytes.append('\r');
        }
        m_bytes.append(c);
    }
    return *this;
}

TextWriter& TextWriter::Printf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed > 0) {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        PutBytes(std::string_view(buffer.data(), static_cast<size_t>(needed)));
    }
    va_end(args);
    return *this;
}

bool WriteFileAtomic(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    // commit() does not notice a failed flush of buffered data, so flush first.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool AppendToFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return false;
    }
    const bool written = file.write(bytes) == bytes.size();
    const bool flushed = file.flush();
    file.close();
    return written && flushed && file.error() == QFileDevice::NoError;
}

} // namespace ryvo
