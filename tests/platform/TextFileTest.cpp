#include "platform/TextFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringDecoder>

#include <cmath>
#if defined(__linux__)
#include <csignal>
#include <sys/resource.h>
#endif

using namespace ryvo;

TEST(Cp1251, AllCyrillicLettersRoundTrip) {
    QString letters;
    for (char16_t c = u'А'; c <= u'я'; ++c) {
        letters.append(QChar(c));
    }
    letters.append(u'Ё');
    letters.append(u'ё');
    ASSERT_EQ(letters.size(), 66);

    const QByteArray bytes = ToCp1251(letters);
    ASSERT_EQ(bytes.size(), 66);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(static_cast<unsigned char>(bytes[i]), 0xC0 + i) << i;
    }
    EXPECT_EQ(static_cast<unsigned char>(bytes[64]), 0xA8);
    EXPECT_EQ(static_cast<unsigned char>(bytes[65]), 0xB8);
    EXPECT_EQ(FromCp1251(bytes), letters);
}

TEST(Cp1251, AgreesWithSystemCodecOnEveryByte) {
    QStringDecoder system("windows-1251");
    if (!system.isValid()) {
        GTEST_SKIP() << "Qt built without a windows-1251 codec";
    }
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98) {
            continue; // unassigned in the code page
        }
        const QByteArray one(1, static_cast<char>(b));
        const QString expected = system.decode(one);
        EXPECT_EQ(FromCp1251(one), expected) << "byte " << b;
        EXPECT_EQ(ToCp1251(expected), one) << "byte " << b;
    }
    EXPECT_EQ(ToCp1251(QStringLiteral("漢")), QByteArray("?"));
}

TEST(TextReader, WordsLinesAndLineEnds) {
    TextReader in(QByteArray("alpha  beta\r\ngamma\nlast"));
    EXPECT_EQ(in.ReadWord(), QByteArray("alpha"));
    EXPECT_EQ(in.ReadLine(249), QByteArray("  beta\n")); // CR LF read as one line end
    EXPECT_EQ(in.ReadLine(3), QByteArray("gam"));
    EXPECT_EQ(in.ReadLine(249), QByteArray("ma\n"));
    EXPECT_EQ(in.ReadLine(249), QByteArray("last"));
    EXPECT_FALSE(in.ReadLine(249).has_value());
    EXPECT_FALSE(in.ReadWord().has_value());

    TextReader longWord(QByteArray(300, 'x') + " next");
    EXPECT_EQ(longWord.ReadWord(255)->size(), 255);
    EXPECT_EQ(longWord.ReadWord(), QByteArray("next"));

    TextReader blanks(QByteArray(" \r\n\t "));
    EXPECT_FALSE(blanks.ReadWord().has_value());
    EXPECT_TRUE(blanks.AtEnd());
}

TEST(TextReader, IntegerConversions) {
    TextReader in(QByteArray("-1 +7 4294967296 0x1F 017 -0x10 12 -5 abc"));
    EXPECT_EQ(in.ReadUnsigned(), 4294967295U);
    EXPECT_EQ(in.ReadUnsigned(), 7U);
    EXPECT_EQ(in.ReadUnsigned(), 0U); // wraps like a 32-bit field
    EXPECT_EQ(in.ReadInt(), 31);
    EXPECT_EQ(in.ReadInt(), 15);
    EXPECT_EQ(in.ReadInt(), -16);
    EXPECT_EQ(in.ReadDecimal(), 12);
    EXPECT_EQ(in.ReadDecimal(), -5);
    // A failed conversion leaves the word to be read again.
    EXPECT_FALSE(in.ReadUnsigned().has_value());
    EXPECT_FALSE(in.ReadInt().has_value());
    EXPECT_EQ(in.ReadWord(), QByteArray("abc"));

    TextReader decimal(QByteArray("010 0x10"));
    EXPECT_EQ(decimal.ReadDecimal(), 10); // %d never takes a base prefix
    EXPECT_EQ(decimal.ReadDecimal(), 0);
    EXPECT_EQ(decimal.ReadWord(), QByteArray("x10"));

    TextReader sign(QByteArray("- 5"));
    EXPECT_FALSE(sign.ReadInt().has_value());
    EXPECT_EQ(sign.ReadWord(), QByteArray("-"));
}

TEST(TextReader, FloatConversions) {
    TextReader in(QByteArray("1.5 -0.25\n\n3 .5 2e2 1e+ 7. -inf x"));
    EXPECT_FLOAT_EQ(*in.ReadFloat(), 1.5F);
    EXPECT_FLOAT_EQ(*in.ReadFloat(), -0.25F);
    EXPECT_FLOAT_EQ(*in.ReadFloat(), 3.0F);
    EXPECT_FLOAT_EQ(*in.ReadFloat(), 0.5F);
    EXPECT_FLOAT_EQ(*in.ReadFloat(), 200.0F);
    EXPECT_FLOAT_EQ(*in.ReadFloat(), 1.0F); // an exponent without digits is not taken
    EXPECT_EQ(in.ReadWord(), QByteArray("e+"));
    EXPECT_FLOAT_EQ(*in.ReadFloat(), 7.0F);
    EXPECT_TRUE(std::isinf(*in.ReadFloat()));
    EXPECT_FALSE(in.ReadFloat().has_value());
    EXPECT_EQ(in.ReadWord(), QByteArray("x"));
}

TEST(TextWriter, WritesCp1251WithCrLf) {
    TextWriter out;
    out.Put(QStringLiteral("Шрифт\n")).Printf("%u %7.2f\n", 4294967295U, 3.14159);
    EXPECT_EQ(out.Bytes(), QByteArray("\xD8\xF0\xE8\xF4\xF2\r\n4294967295    3.14\r\n"));
}

TEST(AtomicWrite, ReplacesWholeFileAndKeepsOldOnFailure) {
    test::TempDir dir;
    const QString path = dir.File(QStringLiteral("ryvw.cfg"));
    ASSERT_TRUE(WriteFileAtomic(path, "first"));
    ASSERT_TRUE(WriteFileAtomic(path, "second"));
    EXPECT_EQ(dir.Read(QStringLiteral("ryvw.cfg")), QByteArray("second"));

    // A target inside a missing folder cannot be written.
    EXPECT_FALSE(WriteFileAtomic(dir.File(QStringLiteral("no/such/dir/file")), "x"));

#if defined(__linux__)
    // A file size limit makes the write fail half-way even for root.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteFileAtomic(path, QByteArray(4096, 'z'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(dir.Read(QStringLiteral("ryvw.cfg")), QByteArray("second"));
#endif
}

TEST(AppendToFile, AppendsAndCreates) {
    test::TempDir dir;
    const QString path = dir.File(QStringLiteral("a.rec"));
    EXPECT_TRUE(AppendToFile(path, "one\r\n"));
    EXPECT_TRUE(AppendToFile(path, "two\r\n"));
    EXPECT_EQ(dir.Read(QStringLiteral("a.rec")), QByteArray("one\r\ntwo\r\n"));
    EXPECT_FALSE(AppendToFile(dir.File(QStringLiteral("missing/a.rec")), "x"));
}
