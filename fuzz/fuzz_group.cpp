// The group file reader on arbitrary files, and its round trip through the writer: every
// line is a member (CR, LF and CR LF end lines), and writing the members and reading them
// back gives the same members.

#include "FuzzSupport.h"

#include "archive/GroupStore.h"
#include "platform/TextFile.h"

using namespace ryvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString dir = ryvo::fuzz::ScratchDir();
    static const QString name = QStringLiteral("Группа");
    static const QString copy = QStringLiteral("Копия");
    ryvo::fuzz::PutFile(GroupListPath(dir, name), data, size);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const auto members = ReadGroup(dir, name);
    FUZZ_CHECK(members.has_value());
    FUZZ_CHECK(*members == ParseGroupMembers(bytes));

    // Each line end closes one member; text after the last one is a member too.
    qsizetype ends = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' ||
            (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))) {
            ++ends;
        }
    }
    const bool openTail = !bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r');
    FUZZ_CHECK(static_cast<qsizetype>(members->size()) == ends + (openTail ? 1 : 0));
    QByteArray joined;
    for (const QString& member : *members) {
        const QByteArray text = ToCp1251(member);
        FUZZ_CHECK(!text.contains('\r') && !text.contains('\n'));
        joined += text;
    }
    QByteArray withoutEnds = bytes;
    withoutEnds.replace("\r", "").replace("\n", "");
    FUZZ_CHECK(joined == withoutEnds);

    FUZZ_CHECK(WriteGroup(dir, copy, *members));
    const auto second = ReadGroup(dir, copy);
    FUZZ_CHECK(second.has_value() && *second == *members);
    FUZZ_CHECK(ryvo::fuzz::GetFile(GroupListPath(dir, copy)) == GroupImage(*members));
    return 0;
}
