// The entries beside the archive on arbitrary images: a group file image and an entries
// image, split at the first "\n--rex--\n" of the input. Pairing never hands a record another
// record's entry or the entry's key members, reading the files pairs as the images do, and
// an entry appended after any (torn) image pairs with its record while every other record
// keeps what it had.

#include "FuzzSupport.h"

#include "archive/ArchiveBeside.h"
#include "archive/ArchiveStore.h"

#include <QJsonDocument>

using namespace ryvo;

namespace {

const QByteArray kSplit("\n--rex--\n");

bool HasKeyMembers(const QJsonObject& beside) {
    for (const char* key : {"v", "record", "shooter", "date", "time"}) {
        if (beside.contains(QLatin1String(key))) {
            return true;
        }
    }
    return false;
}

// Some complete line of the entries image names record `index` with its key and holds
// `beside` besides.
bool SomeLinePairs(const QByteArray& entries, const ResultRecord& record, int index,
                   const QJsonObject& beside) {
    const QByteArray complete = entries.left(entries.lastIndexOf('\n') + 1);
    for (const QByteArray& line : complete.split('\n')) {
        QJsonObject entry = QJsonDocument::fromJson(line).object();
        if (entry.value(QLatin1String("record")).toDouble(-1) != index ||
            entry.value(QLatin1String("shooter")).toString() != record.Shooter ||
            entry.value(QLatin1String("date")).toString() != record.Date ||
            entry.value(QLatin1String("time")).toString() != record.Time) {
            continue;
        }
        for (const char* key : {"v", "record", "shooter", "date", "time"}) {
            entry.remove(QLatin1String(key));
        }
        if (entry == beside) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString dir = ryvo::fuzz::ScratchDir();
    static const QString group = dir + QStringLiteral("/Группа.rec");
    static const QString entriesPath = BesideEntriesPath(group);
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = input.indexOf(kSplit);
    const QByteArray groupImage = split < 0 ? input : input.left(split);
    const QByteArray entries = split < 0 ? QByteArray() : input.sliced(split + kSplit.size());

    std::vector<ResultRecord> records = ParseGroupFile(groupImage);
    AttachBesideImage(entries, records);
    for (size_t i = 0; i < records.size(); ++i) {
        const QJsonObject& beside = records[i].Beside;
        FUZZ_CHECK(!HasKeyMembers(beside));
        FUZZ_CHECK(beside.isEmpty() ||
                   SomeLinePairs(entries, records[i], static_cast<int>(i), beside));
        // A trace reference read from an entry is whatever the entry says; reading by it
        // must not go wrong.
        (void)TraceRefOf(beside);
    }

    // The files pair as their images do.
    ryvo::fuzz::PutFile(group, reinterpret_cast<const std::uint8_t*>(groupImage.constData()),
                        static_cast<std::size_t>(groupImage.size()));
    ryvo::fuzz::PutFile(entriesPath, reinterpret_cast<const std::uint8_t*>(entries.constData()),
                        static_cast<std::size_t>(entries.size()));
    QFile::remove(entriesPath + QStringLiteral(".torn"));
    std::vector<ResultRecord> read = ParseGroupFile(groupImage);
    AttachBeside(group, read);
    FUZZ_CHECK(read.size() == records.size());
    for (size_t i = 0; i < read.size(); ++i) {
        FUZZ_CHECK(read[i].Beside == records[i].Beside);
    }

    // Append an entry for the last record (or for a record that is not there).
    const int target = records.empty() ? 0 : static_cast<int>(records.size()) - 1;
    BesideKey key{target, QStringLiteral("Никто"), QStringLiteral("1.1.2000"),
                  QStringLiteral("0:0")};
    if (!records.empty()) {
        key.shooter = records.back().Shooter;
        key.date = records.back().Date;
        key.time = records.back().Time;
    }
    const QJsonObject members{{QStringLiteral("course"), QStringLiteral("Серия")},
                              {QStringLiteral("grade"), QStringLiteral("отлично")},
                              {QStringLiteral("size"), static_cast<double>(size)}};
    FUZZ_CHECK(AppendBesideEntry(group, key, members));
    const QByteArray after = ryvo::fuzz::GetFile(entriesPath);
    const qsizetype complete = entries.lastIndexOf('\n') + 1;
    FUZZ_CHECK(after.startsWith(entries.left(complete)) && after.endsWith('\n'));
    FUZZ_CHECK(after.count('\n') == entries.left(complete).count('\n') + 1);
    if (complete < entries.size()) {
        FUZZ_CHECK(ryvo::fuzz::GetFile(entriesPath + QStringLiteral(".torn")) ==
                   entries.sliced(complete));
    }
    std::vector<ResultRecord> again = ParseGroupFile(groupImage);
    AttachBeside(group, again);
    FUZZ_CHECK(again.size() == records.size());
    for (size_t i = 0; i < again.size(); ++i) {
        const bool appended = static_cast<int>(i) == target;
        FUZZ_CHECK(again[i].Beside == (appended ? members : records[i].Beside));
    }
    return 0;
}
