#include "exercise/HoldTrace.h"

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

constexpr char kMagic[3] = {'R', 'H', 'T'};
constexpr std::uint8_t kVersion = 1;
constexpr int kHeaderSize = 8;      // magic, version, scale (u16), shots (u16)
constexpr int kBlockHeaderSize = 8; // shot (u16), count (u16), packed length (u32)
// A shot keeps at most this many samples (3.5 s at far above the line's rate).
constexpr int kMaxSamples = 0xFFFF;

void PutU16(QByteArray& out, std::uint32_t v) {
    out.append(static_cast<char>(v & 0xFFU));
    out.append(static_cast<char>((v >> 8U) & 0xFFU));
}

void PutU32(QByteArray& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFFU);
    PutU16(out, v >> 16U);
}

std::uint32_t GetU16(const QByteArray& in, qsizetype at) {
    return static_cast<std::uint8_t>(in[at]) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(in[at + 1])) << 8U);
}

std::uint32_t GetU32(const QByteArray& in, qsizetype at) {
    return GetU16(in, at) | (GetU16(in, at + 2) << 16U);
}

std::uint16_t Fixed(float v) {
    const float scaled =
        std::clamp(v * static_cast<float>(HoldTraces::kScale), -32767.0F, 32767.0F);
    return static_cast<std::uint16_t>(
        static_cast<std::int16_t>(std::lround(std::isnan(scaled) ? 0.0F : scaled)));
}

QByteArray Block(const ShotTrace& trace) {
    const auto count = static_cast<int>(std::min<size_t>(trace.samples.size(), kMaxSamples));
    // Columns of differences (modulo 2^16, so any jump comes back exact): they pack well.
    QByteArray raw;
    raw.reserve(static_cast<qsizetype>(count) * 6);
    std::uint16_t previous = 0;
    for (int i = 0; i < count; ++i) {
        const auto ms = static_cast<std::uint16_t>(static_cast<std::int16_t>(
            std::clamp(trace.samples[static_cast<size_t>(i)].ms, -32768, 32767)));
        PutU16(raw, static_cast<std::uint16_t>(ms - previous));
        previous = ms;
    }
    for (const bool isX : {true, false}) {
        previous = 0;
        for (int i = 0; i < count; ++i) {
            const TracedSample& s = trace.samples[static_cast<size_t>(i)];
            const std::uint16_t v = Fixed(isX ? s.x : s.y);
            PutU16(raw, static_cast<std::uint16_t>(v - previous));
            previous = v;
        }
    }
    const QByteArray packed = qCompress(raw);
    QByteArray block;
    PutU16(block, static_cast<std::uint32_t>(trace.shot) & 0xFFFFU);
    PutU16(block, static_cast<std::uint32_t>(count));
    PutU32(block, static_cast<std::uint32_t>(packed.size()));
    return block + packed;
}

} // namespace

void HoldTraces::Clear() {
    m_closed.clear();
    m_closedCount = 0;
    m_open = false;
    m_pending = {};
}

void HoldTraces::BeginShot(const HoldRecorder& aim, int shot, std::uint32_t shotTick) {
    if (m_open) {
        Close();
    }
    m_pending = ShotTrace{shot, {}};
    m_shotTick = shotTick;
    int count = 0;
    aim.ForNewest(aim.Size(), [&](const HoldSample& s) {
        if (shotTick - s.tick > kBeforeMs) {
            return false;
        }
        ++count;
        return true;
    });
    m_pending.samples.reserve(static_cast<size_t>(count) + 300);
    for (int i = count - 1; i >= 0; --i) {
        const HoldSample& s = aim.At(i);
        m_pending.samples.push_back({s.x, s.y, -static_cast<std::int32_t>(shotTick - s.tick)});
    }
    m_open = true;
}

bool HoldTraces::Add(float x, float y, std::uint32_t tick) {
    if (!m_open) {
        return false;
    }
    const std::uint32_t after = tick - m_shotTick;
    if (after > kAfterMs) {
        Close();
        return true;
    }
    if (m_pending.samples.size() < static_cast<size_t>(kMaxSamples)) {
        m_pending.samples.push_back({x, y, static_cast<std::int32_t>(after)});
    }
    return false;
}

void HoldTraces::Finish() {
    if (m_open) {
        Close();
    }
}

void HoldTraces::Resume(const QByteArray& payload) {
    Clear();
    if (const auto read = ReadHoldTraces(payload); read && !read->empty()) {
        if (GetU16(payload, 4) == static_cast<std::uint32_t>(kScale)) {
            m_closed = payload.mid(kHeaderSize);
        } else {
            // Blocks of another scale would read at ours: packed again, positions kept.
            for (const ShotTrace& trace : *read) {
                m_closed += Block(trace);
            }
        }
        m_closedCount = static_cast<int>(read->size());
    }
}

void HoldTraces::Close() {
    m_closed += Block(m_pending);
    ++m_closedCount;
    m_open = false;
    m_pending = {};
}

QByteArray HoldTraces::Payload() const {
    const int shots = m_closedCount + (m_open ? 1 : 0);
    if (shots == 0) {
        return {};
    }
    QByteArray out(kMagic, 3);
    out.append(static_cast<char>(kVersion));
    PutU16(out, kScale);
    PutU16(out, static_cast<std::uint32_t>(std::min(shots, 0xFFFF)));
    out += m_closed;
    if (m_open) {
        out += Block(m_pending);
    }
    return out;
}

std::optional<std::vector<ShotTrace>> ReadHoldTraces(const QByteArray& payload) {
    if (payload.size() < kHeaderSize || !payload.startsWith(QByteArray(kMagic, 3)) ||
        static_cast<std::uint8_t>(payload[3]) != kVersion) {
        return std::nullopt;
    }
    const auto scale = static_cast<float>(GetU16(payload, 4));
    const std::uint32_t shots = GetU16(payload, 6);
    if (scale <= 0.0F) {
        return std::nullopt;
    }
    std::vector<ShotTrace> traces;
    qsizetype at = kHeaderSize;
    for (std::uint32_t b = 0; b < shots; ++b) {
        if (payload.size() - at < kBlockHeaderSize) {
            return std::nullopt;
        }
        ShotTrace trace;
        trace.shot = static_cast<int>(GetU16(payload, at));
        const std::uint32_t count = GetU16(payload, at + 2);
        const std::uint32_t packedSize = GetU32(payload, at + 4);
        at += kBlockHeaderSize;
        // The packed data names its unpacked size first: it must be the columns' size, so a
        // damaged block never makes us allocate what it claims.
        if (packedSize < 4 || static_cast<quint64>(payload.size() - at) < packedSize) {
            return std::nullopt;
        }
        const QByteArray packed = payload.mid(at, packedSize);
        at += packedSize;
        const quint32 claimed =
            (static_cast<quint32>(static_cast<std::uint8_t>(packed[0])) << 24U) |
            (static_cast<quint32>(static_cast<std::uint8_t>(packed[1])) << 16U) |
            (static_cast<quint32>(static_cast<std::uint8_t>(packed[2])) << 8U) |
            static_cast<std::uint8_t>(packed[3]);
        if (claimed != count * 6U) {
            return std::nullopt;
        }
        const QByteArray raw = count == 0 ? QByteArray() : qUncompress(packed);
        if (raw.size() != static_cast<qsizetype>(count) * 6) {
            return std::nullopt;
        }
        trace.samples.resize(count);
        std::uint16_t ms = 0;
        std::uint16_t x = 0;
        std::uint16_t y = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            ms = static_cast<std::uint16_t>(ms + GetU16(raw, qsizetype{2} * i));
            x = static_cast<std::uint16_t>(x + GetU16(raw, qsizetype{2} * (count + i)));
            y = static_cast<std::uint16_t>(y + GetU16(raw, qsizetype{2} * (2 * count + i)));
            trace.samples[i] = {static_cast<float>(static_cast<std::int16_t>(x)) / scale,
                                static_cast<float>(static_cast<std::int16_t>(y)) / scale,
                                static_cast<std::int16_t>(ms)};
        }
        traces.push_back(std::move(trace));
    }
    if (at != payload.size()) {
        return std::nullopt;
    }
    return traces;
}

} // namespace ryvo
