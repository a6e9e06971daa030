#include "archive/ArchiveBeside.h"

#include "archive/DiskSync.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QtEndian>

#include <array>
#include <cmath>
#include <cstdint>

namespace ryvo {

namespace {

constexpr QByteArrayView kTraceHeader{"RYVOTRC\x01", 8};
constexpr QByteArrayView kBlockMagic{"TRCB", 4};
constexpr qsizetype kBlockOverhead = 12; // magic, length, checksum
constexpr std::array<const char*, 5> kKeyMembers = {"v", "record", "shooter", "date", "time"};

std::uint32_t Crc32(QByteArrayView bytes) {
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1U) ^ (0xEDB88320U & (0U - (crc & 1U)));
        }
    }
    return ~crc;
}

std::uint32_t ReadU32(QByteArrayView bytes, qsizetype at) {
    return qFromLittleEndian<std::uint32_t>(bytes.data() + at);
}

// The size of the block at `offset`, magic and checksum included, if the image holds all of it.
std::optional<qsizetype> BlockSizeAt(QByteArrayView image, qsizetype offset) {
    if (offset < kTraceHeader.size() || image.size() - offset < kBlockOverhead ||
        image.sliced(offset, 4) != kBlockMagic) {
        return std::nullopt;
    }
    const qsizetype length = ReadU32(image, offset + 4);
    if (length > image.size() - offset - kBlockOverhead) {
        return std::nullopt;
    }
    return length + kBlockOverhead;
}

// The payload of the block at `offset`, if it is whole and its checksum holds.
std::optional<QByteArrayView> BlockAt(QByteArrayView image, qsizetype offset) {
    const auto size = BlockSizeAt(image, offset);
    if (!size) {
        return std::nullopt;
    }
    const QByteArrayView payload = image.sliced(offset + 8, *size - kBlockOverhead);
    if (ReadU32(image, offset + 8 + payload.size()) != Crc32(payload)) {
        return std::nullopt;
    }
    return payload;
}

// Where the last complete line of a JSON Lines image ends.
qsizetype CompleteLinesEnd(const QByteArray& image) {
    return image.lastIndexOf('\n') + 1;
}

} // namespace

QString BesideEntriesPath(const QString& groupPath) {
    QString path = groupPath;
    if (path.endsWith(QLatin1String(".rec"), Qt::CaseInsensitive)) {
        path.chop(4);
    }
    return path + QStringLiteral(".rex");
}

QString BesideTracesPath(const QString& groupPath) {
    QString path = groupPath;
    if (path.endsWith(QLatin1String(".rec"), Qt::CaseInsensitive)) {
        path.chop(4);
    }
    return path + QStringLiteral(".trc");
}

qsizetype CompleteTracesEnd(const QByteArray& image) {
    if (!image.startsWith(kTraceHeader)) {
        return 0;
    }
    // Each block is synced before the next is written, so only the last can be torn. Cutting
    // at a damaged block inside would move whole blocks aside and let new ones take their
    // offsets, where older entries point; and checking every block made each save read the
    // whole file's checksums.
    qsizetype end = kTraceHeader.size();
    qsizetype last = -1;
    while (const auto size = BlockSizeAt(image, end)) {
        last = end;
        end += *size;
    }
    return last >= 0 && !BlockAt(image, last) ? last : end;
}

bool AppendBesideEntry(const QString& groupPath, const BesideKey& key, const QJsonObject& members) {
    QJsonObject entry = members;
    entry.insert(QLatin1String("v"), 1);
    entry.insert(QLatin1String("record"), key.record);
    entry.insert(QLatin1String("shooter"), key.shooter);
    entry.insert(QLatin1String("date"), key.date);
    entry.insert(QLatin1String("time"), key.time);
    const QByteArray line = QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n';

    const QString path = BesideEntriesPath(groupPath);
    const bool existed = QFile::exists(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        return false;
    }
    const QByteArray old = file.readAll();
    const qsizetype keep = CompleteLinesEnd(old);
    if (!CutTornTail(file, path, old, keep) || !file.seek(keep) ||
        file.write(line) != line.size() || !SyncToDisk(file)) {
        return false;
    }
    if (!existed) {
        SyncFolder(QFileInfo(path).absolutePath());
    }
    return true;
}

std::optional<BesideTraceRef> AppendBesideTrace(const QString& groupPath,
                                                const QByteArray& payload) {
    const QString path = BesideTracesPath(groupPath);
    const bool existed = QFile::exists(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        return std::nullopt;
    }
    QByteArray old = file.readAll();
    if (old.size() < kTraceHeader.size() && kTraceHeader.startsWith(old)) {
        // New, or torn inside its header: nothing of a trace in it yet.
        if (!file.resize(0) || file.write(kTraceHeader.toByteArray()) != kTraceHeader.size()) {
            return std::nullopt;
        }
        old = kTraceHeader.toByteArray();
    } else if (!old.startsWith(kTraceHeader)) {
        return std::nullopt; // another version or another file: left as it is
    }
    const qsizetype keep = CompleteTracesEnd(old);
    QByteArray block;
    block.reserve(payload.size() + kBlockOverhead);
    block.append(kBlockMagic.data(), kBlockMagic.size());
    std::array<char, 4> word{};
    qToLittleEndian(static_cast<std::uint32_t>(payload.size()), word.data());
    block.append(word.data(), 4);
    block.append(payload);
    qToLittleEndian(Crc32(payload), word.data());
    block.append(word.data(), 4);
    if (!CutTornTail(file, path, old, keep) || !file.seek(keep) ||
        file.write(block) != block.size() || !SyncToDisk(file)) {
        return std::nullopt;
    }
    if (!existed) {
        SyncFolder(QFileInfo(path).absolutePath());
    }
    return BesideTraceRef{keep, payload.size(), Crc32(payload)};
}

std::optional<QByteArray> ReadBesideTrace(const QString& groupPath, BesideTraceRef ref) {
    QFile file(BesideTracesPath(groupPath));
    if (ref.offset < kTraceHeader.size() || ref.length < 0 || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray header = file.read(kTraceHeader.size());
    // A damaged entry may name a size past the file: nothing is read (or allocated) for it.
    if (header != kTraceHeader || ref.offset > file.size() ||
        ref.length > file.size() - ref.offset - kBlockOverhead || !file.seek(ref.offset)) {
        return std::nullopt;
    }
    const QByteArray block = file.read(ref.length + kBlockOverhead);
    if (block.size() != ref.length + kBlockOverhead) {
        return std::nullopt;
    }
    // The block is checked as a file image of its own: header, then it.
    const QByteArray image = kTraceHeader.toByteArray() + block;
    const auto payload = BlockAt(image, kTraceHeader.size());
    if (!payload || payload->size() != ref.length ||
        (ref.crc && ReadU32(image, image.size() - 4) != *ref.crc)) {
        return std::nullopt;
    }
    return payload->toByteArray();
}

std::optional<BesideTraceRef> TraceRefOf(const QJsonObject& members) {
    const QJsonValue trace = members.value(QLatin1String("trace"));
    if (!trace.isObject()) {
        return std::nullopt;
    }
    const QJsonValue offset = trace.toObject().value(QLatin1String("offset"));
    const QJsonValue length = trace.toObject().value(QLatin1String("length"));
    // Whole numbers a file position can be; others (1e300, 8.5) name no block.
    auto position = [](const QJsonValue& value) -> std::optional<qint64> {
        constexpr double kLargest = 9007199254740992.0; // 2^53, still exact in a double
        const double number = value.toDouble(-1);
        if (!value.isDouble() || !(number >= 0 && number <= kLargest) ||
            number != std::floor(number)) {
            return std::nullopt;
        }
        return static_cast<qint64>(number);
    };
    const auto at = position(offset);
    const auto size = position(length);
    if (!at || !size) {
        return std::nullopt;
    }
    BesideTraceRef ref{*at, *size};
    const QJsonValue crc = trace.toObject().value(QLatin1String("crc"));
    if (crc.isDouble() && crc.toDouble() >= 0 && crc.toDouble() <= 0xFFFFFFFFU) {
        ref.crc = static_cast<std::uint32_t>(crc.toDouble());
    }
    return ref;
}

void AttachBesideImage(const QByteArray& entries, std::vector<ResultRecord>& records) {
    for (ResultRecord& record : records) {
        record.Beside = QJsonObject();
    }
    qsizetype start = 0;
    const qsizetype end = CompleteLinesEnd(entries);
    while (start < end) {
        const qsizetype next = entries.indexOf('\n', start) + 1;
        QJsonParseError error{};
        const QJsonDocument doc =
            QJsonDocument::fromJson(entries.sliced(start, next - start), &error);
        start = next;
        if (error.error != QJsonParseError::NoError || !doc.isObject()) {
            continue;
        }
        QJsonObject entry = doc.object();
        const QJsonValue position = entry.value(QLatin1String("record"));
        if (!position.isDouble()) {
            continue;
        }
        const double index = position.toDouble();
        if (index < 0 || index >= static_cast<double>(records.size()) ||
            index != static_cast<double>(static_cast<qsizetype>(index))) {
            continue;
        }
        ResultRecord& record = records[static_cast<size_t>(index)];
        if (entry.value(QLatin1String("shooter")).toString() != record.Shooter ||
            entry.value(QLatin1String("date")).toString() != record.Date ||
            entry.value(QLatin1String("time")).toString() != record.Time) {
            continue;
        }
        for (const char* key : kKeyMembers) {
            entry.remove(QLatin1String(key));
        }
        record.Beside = entry;
    }
}

void AttachBeside(const QString& groupPath, std::vector<ResultRecord>& records) {
    for (ResultRecord& record : records) {
        record.GroupFile = groupPath;
    }
    QFile file(BesideEntriesPath(groupPath));
    if (!file.open(QIODevice::ReadOnly)) {
        for (ResultRecord& record : records) {
            record.Beside = QJsonObject();
        }
        return;
    }
    AttachBesideImage(file.readAll(), records);
}

} // namespace ryvo
