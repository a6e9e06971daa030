#pragma once

#include "exercise/HoldFigures.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace ryvo {

// One aiming sample of a kept trace: target units and ms from the shot (negative before it).
struct TracedSample {
    float x = 0.0F;
    float y = 0.0F;
    std::int32_t ms = 0;
};

struct ShotTrace {
    int shot = 0; // from 0, in firing order
    std::vector<TracedSample> samples;
};

// The traces a series keeps with its record: for each shot the samples of the last 3 s
// before it and the 0.5 s after, at the rate they were taken. The payload is a small header
// ("RHT", version, fixed-point scale, shot count) and one block per shot: shot number,
// sample count and the zlib-packed columns of times, x and y as 16-bit differences of 1/16
// unit fixed point. Each shot is packed once when its follow-through is complete, so a shot
// costs its own samples only.
class HoldTraces {
public:
    static constexpr std::uint32_t kBeforeMs = 3000;
    static constexpr std::uint32_t kAfterMs = 500;
    static constexpr int kScale = 16; // fixed point: 1/16 target unit

    void Clear();
    // A shot at `shotTick`: its trace begins with the aim of the 3 s before it. A shot still
    // taking its follow-through is closed with what it has.
    void BeginShot(const HoldRecorder& aim, int shot, std::uint32_t shotTick);
    // A sample after a shot; true when it completed that shot's follow-through (the payload
    // changed). O(1) but for the packing of the completed shot.
    bool Add(float x, float y, std::uint32_t tick);
    [[nodiscard]] QByteArray Payload() const;
    // Ends the shot still taking its follow-through with what it has.
    void Finish();
    // Goes on from a lane's earlier payload (the five-lane window traces the lane selected);
    // a payload that does not read starts afresh.
    void Resume(const QByteArray& payload);

private:
    void Close();

    QByteArray m_closed;
    int m_closedCount = 0;
    bool m_open = false;
    ShotTrace m_pending;
    std::uint32_t m_shotTick = 0;
};

// The traces of a payload; nullopt for one torn, damaged or of another format or version.
std::optional<std::vector<ShotTrace>> ReadHoldTraces(const QByteArray& payload);

} // namespace ryvo
