// The trace file beside the archive on arbitrary images: where its complete blocks end,
// reading a block at any place (a payload comes back only when its block holds there, whole
// and checked), and appending after a torn or foreign image: the new block reads back whole,
// the blocks before it stay as they were, a torn tail is kept aside and another version is
// left untouched. The aiming traces kept in the blocks are decoded from any bytes as well: a
// payload that reads goes on (as a lane resumes it) to the same traces.

#include "FuzzSupport.h"

#include "archive/ArchiveBeside.h"
#include "exercise/HoldTrace.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

using namespace ryvo;

namespace {

const QByteArray kHeader("RYVOTRC\x01", 8);

std::uint32_t Crc32(QByteArrayView bytes) {
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1U) != 0 ? (crc >> 1U) ^ 0xEDB88320U : crc >> 1U;
        }
    }
    return ~crc;
}

std::uint32_t U32At(const QByteArray& image, qsizetype at) {
    return qFromLittleEndian<std::uint32_t>(image.constData() + at);
}

qint64 I64At(const QByteArray& image, qsizetype at) {
    return qFromLittleEndian<qint64>(image.constData() + at);
}

// A payload read at `ref` is the block the image holds there.
void CheckRead(const QString& group, const QByteArray& image, BesideTraceRef ref) {
    const auto payload = ReadBesideTrace(group, ref);
    if (!payload) {
        return;
    }
    FUZZ_CHECK(image.startsWith(kHeader));
    FUZZ_CHECK(ref.offset >= kHeader.size() && ref.length >= 0);
    FUZZ_CHECK(ref.length <= image.size() && ref.offset <= image.size() - ref.length - 12);
    const qsizetype at = ref.offset;
    FUZZ_CHECK(image.sliced(at, 4) == "TRCB");
    FUZZ_CHECK(U32At(image, at + 4) == static_cast<std::uint32_t>(ref.length));
    FUZZ_CHECK(*payload == image.sliced(at + 8, ref.length));
    FUZZ_CHECK(U32At(image, at + 8 + ref.length) == Crc32(*payload));
    FUZZ_CHECK(!ref.crc || *ref.crc == Crc32(*payload));
}

struct Block {
    BesideTraceRef ref;
    bool whole = false; // its checksum holds
};

// The blocks walked by their lengths from the header, and where the complete ones end: only
// the last block's checksum decides, since only the last can be torn by a save.
std::vector<Block> Blocks(const QByteArray& image, qsizetype* end) {
    std::vector<Block> blocks;
    qsizetype at = kHeader.size();
    while (image.size() - at >= 12 && image.sliced(at, 4) == "TRCB" &&
           U32At(image, at + 4) <= static_cast<std::uint64_t>(image.size() - at - 12)) {
        const qint64 length = U32At(image, at + 4);
        const bool whole = U32At(image, at + 8 + length) == Crc32(image.sliced(at + 8, length));
        blocks.push_back({{at, length}, whole});
        at += length + 12;
    }
    if (!blocks.empty() && !blocks.back().whole) {
        at = blocks.back().ref.offset;
        blocks.pop_back();
    }
    *end = at;
    return blocks;
}

bool SameTraces(const std::vector<ShotTrace>& a, const std::vector<ShotTrace>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& s, const auto& t) {
        return s.shot == t.shot &&
               std::equal(s.samples.begin(), s.samples.end(), t.samples.begin(), t.samples.end(),
                          [](const TracedSample& p, const TracedSample& q) {
                              return ryvo::fuzz::SameFloat(p.x, q.x) &&
                                     ryvo::fuzz::SameFloat(p.y, q.y) && p.ms == q.ms;
                          });
    });
}

void CheckHoldTraces(const QByteArray& payload) {
    const auto traces = ReadHoldTraces(payload);
    if (!traces || traces->empty()) {
        return;
    }
    HoldTraces resumed;
    resumed.Resume(payload);
    const auto again = ReadHoldTraces(resumed.Payload());
    FUZZ_CHECK(again.has_value());
    if (payload[4] == HoldTraces::kScale && payload[5] == 0) {
        FUZZ_CHECK(SameTraces(*again, *traces));
        return;
    }
    // Another scale is packed again at ours: the same samples, positions within its rounding
    // and range.
    FUZZ_CHECK(again->size() == traces->size());
    constexpr float kStep = 1.0F / HoldTraces::kScale;
    constexpr float kLargest = 32767.0F / HoldTraces::kScale;
    for (size_t i = 0; i < traces->size(); ++i) {
        const ShotTrace& a = (*traces)[i];
        const ShotTrace& b = (*again)[i];
        FUZZ_CHECK(a.shot == b.shot && a.samples.size() == b.samples.size());
        for (size_t k = 0; k < a.samples.size(); ++k) {
            FUZZ_CHECK(a.samples[k].ms == b.samples[k].ms);
            FUZZ_CHECK(std::fabs(std::clamp(a.samples[k].x, -kLargest, kLargest) -
                                 b.samples[k].x) <= kStep / 2 + 1e-3F);
            FUZZ_CHECK(std::fabs(std::clamp(a.samples[k].y, -kLargest, kLargest) -
                                 b.samples[k].y) <= kStep / 2 + 1e-3F);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString dir = ryvo::fuzz::ScratchDir();
    static const QString group = dir + QStringLiteral("/Группа.rec");
    static const QString traces = BesideTracesPath(group);
    const QByteArray image(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // Where the complete blocks end, and each of them read by its place.
    const qsizetype end = CompleteTracesEnd(image);
    qsizetype walked = 0;
    const std::vector<Block> blocks =
        image.startsWith(kHeader) ? Blocks(image, &walked) : std::vector<Block>{};
    FUZZ_CHECK(end == walked);
    CheckHoldTraces(image);
    for (const Block& block : blocks) {
        CheckHoldTraces(image.sliced(block.ref.offset + 8, block.ref.length));
    }

    QFile::remove(traces + QStringLiteral(".torn"));
    ryvo::fuzz::PutFile(traces, data, size);
    for (const Block& block : blocks) {
        const auto payload = ReadBesideTrace(group, block.ref);
        FUZZ_CHECK(payload.has_value() == block.whole);
        FUZZ_CHECK(!payload || *payload == image.sliced(block.ref.offset + 8, block.ref.length));
    }
    // Refs an entry may hold: every place of a small image with the length a block there
    // claims, and ones taken from the image's last bytes (negative, huge, past the end).
    if (image.size() <= 512) {
        for (qsizetype at = 0; at + 8 <= image.size(); ++at) {
            CheckRead(group, image, {at, U32At(image, at + 4)});
        }
    }
    if (image.size() >= 16) {
        const qint64 offset = I64At(image, image.size() - 16);
        const qint64 length = I64At(image, image.size() - 8);
        CheckRead(group, image, {offset, length});
        CheckRead(group, image, {offset & 0xFFF, length & 0xFFF});
        CheckRead(group, image, {offset & 0xFFF, length});
        CheckRead(group, image, {offset, length & 0xFFF});
        CheckRead(group, image,
                  {offset & 0xFFF, length & 0xFFF, static_cast<std::uint32_t>(length >> 32)});
    }

    // Append a block made of the image's first bytes.
    const QByteArray payload = image.left(std::min<qsizetype>(image.size(), 100));
    const auto ref = AppendBesideTrace(group, payload);
    const QByteArray after = ryvo::fuzz::GetFile(traces);
    const bool ours = image.startsWith(kHeader);
    const bool fresh = image.size() < kHeader.size() && kHeader.startsWith(image);
    if (!ours && !fresh) {
        // Another version or another file: left as it was.
        FUZZ_CHECK(!ref);
        FUZZ_CHECK(after == image);
        FUZZ_CHECK(!QFile::exists(traces + QStringLiteral(".torn")));
        return 0;
    }
    FUZZ_CHECK(ref.has_value());
    const qsizetype keep = ours ? end : kHeader.size();
    FUZZ_CHECK(ref->offset == keep && ref->length == payload.size());
    FUZZ_CHECK(after.size() == keep + payload.size() + 12);
    FUZZ_CHECK(after.startsWith(ours ? image.left(end) : kHeader));
    FUZZ_CHECK(CompleteTracesEnd(after) == after.size());
    FUZZ_CHECK(ref->crc == Crc32(payload));
    const auto back = ReadBesideTrace(group, *ref);
    FUZZ_CHECK(back && *back == payload);
    for (const Block& block : blocks) {
        const auto earlier = ReadBesideTrace(group, block.ref);
        FUZZ_CHECK(earlier.has_value() == block.whole);
        FUZZ_CHECK(!earlier || *earlier == image.sliced(block.ref.offset + 8, block.ref.length));
    }
    // A torn tail is kept aside, not lost.
    if (ours && end < image.size()) {
        FUZZ_CHECK(ryvo::fuzz::GetFile(traces + QStringLiteral(".torn")) == image.sliced(end));
    } else {
        FUZZ_CHECK(!QFile::exists(traces + QStringLiteral(".torn")));
    }
    return 0;
}
