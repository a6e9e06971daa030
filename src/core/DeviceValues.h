#pragma once

#include "core/Settings.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace ryvo {

// What the device link keeps per lane (index = lane). Raw fields are stored once a frame
// names the right lane; the accepted values only when its checksum passes as well.
struct DeviceValues {
    std::array<std::int16_t, kLaneCount> RawTrigger{};
    std::array<std::int16_t, kLaneCount> RawX{};
    std::array<std::int16_t, kLaneCount> RawY{};
    std::array<std::uint16_t, kLaneCount> RawLevel{};

    std::array<std::int32_t, kLaneCount> Trigger{};
    std::array<std::int32_t, kLaneCount> Level{};
    std::array<float, kLaneCount> PosX{};
    std::array<float, kLaneCount> PosY{};
    std::int32_t LastLevel = 0;

    // Position histories; entry 0 is the smoothing state, the rest serve the two-shooter
    // window.
    std::array<std::vector<float>, kLaneCount> TraceHistX = MakeHistories();
    std::array<std::vector<float>, kLaneCount> TraceHistY = MakeHistories();

    // Runs start their smoothing from 0.
    void ZeroHistories() {
        for (int lane = 0; lane < kLaneCount; ++lane) {
            std::fill(TraceHistX[lane].begin(), TraceHistX[lane].end(), 0.0F);
            std::fill(TraceHistY[lane].begin(), TraceHistY[lane].end(), 0.0F);
        }
    }

private:
    static std::array<std::vector<float>, kLaneCount> MakeHistories() {
        std::array<std::vector<float>, kLaneCount> histories;
        for (auto& history : histories) {
            history.assign(kTraceEntries, 0.0F);
        }
        return histories;
    }
};

} // namespace ryvo
