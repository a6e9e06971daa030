#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

#if defined(__GNUC__)
#define RYVO_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define RYVO_PRINTF(fmt, args)
#endif

namespace ryvo {

// Code page 1251, the encoding of every stored text file. Our own table keeps the files
// portable to Qt builds without ICU. Characters cp1251 lacks become '?'.
QByteArray ToCp1251(const QString& text);
QString FromCp1251(std::string_view bytes);
inline QString FromCp1251(const QByteArray& bytes) {
    return FromCp1251(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

// Reads a text file the way the C runtime's text mode and scanf do: CR LF is one line end
// (a lone LF too), white space is skipped before every conversion, and a failed conversion
// leaves the input just after the skipped white space so the same text can be read again.
// Works on cp1251 bytes: limits count bytes, which are characters in that code page.
class TextReader {
public:
    explicit TextReader(const QByteArray& fileBytes);
    // nullopt when the file cannot be opened.
    static std::optional<TextReader> Open(const QString& path);

    [[nodiscard]] bool AtEnd() const { return m_pos >= m_data.size(); }
    [[nodiscard]] qsizetype Position() const { return m_pos; }
    void Seek(qsizetype pos) { m_pos = pos; }

    void SkipWhite();
    // "%s": one blank-delimited word; a longer word is consumed whole and cut to maxLen.
    // nullopt when only white space remained.
    std::optional<QByteArray> ReadWord(qsizetype maxLen = 255);
    // "%u": optional sign, decimal digits; "-1" gives 4294967295.
    std::optional<std::uint32_t> ReadUnsigned();
    // "%i": optional sign, then 0x/0X hexadecimal, 0 octal or decimal.
    std::optional<std::int32_t> ReadInt();
    // "%d": optional sign, decimal digits.
    std::optional<std::int32_t> ReadDecimal();
    // "%f": C floating-point syntax (also inf and nan).
    std::optional<float> ReadFloat();
    // fgets with a buffer of limit + 1: up to limit bytes, stopping after a line end, which
    // is kept. nullopt at the end of the file.
    std::optional<QByteArray> ReadLine(qsizetype limit);

private:
    std::optional<std::uint64_t> ReadDigits(int base, bool& negative);
    std::optional<std::uint32_t> ReadWrapped(int base);
    [[nodiscard]] int Peek(qsizetype ahead = 0) const;

    QByteArray m_data;
    qsizetype m_pos = 0;
};

// Builds a file image: text goes out in cp1251 and every "\n" becomes CR LF.
class TextWriter {
public:
    TextWriter& Put(const QString& text);
    TextWriter& PutBytes(std::string_view cp1251Text);
    // C printf into the file image (numbers only need the C locale, which main sets).
    TextWriter& Printf(const char* format, ...) RYVO_PRINTF(2, 3);

    [[nodiscard]] const QByteArray& Bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Replaces the whole file: writes a temporary beside it and renames it over the old one,
// so on any failure the old file stays as it was. False when anything failed.
bool WriteFileAtomic(const QString& path, const QByteArray& bytes);

// Appends in one write and flushes, so a record is never left half-written by us.
bool AppendToFile(const QString& path, const QByteArray& bytes);

} // namespace ryvo
