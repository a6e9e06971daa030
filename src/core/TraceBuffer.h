#pragma once

#include "core/Settings.h"

#include <array>
#include <cstdint>

namespace ryvo {

struct TracePoint {
    float x = -10000.0F;
    float y = -10000.0F;
    std::int32_t level = 0;
};

// The aiming trace: kTraceEntries samples, newest first. Push drops the oldest entry and
// makes the new one entry 0, like shifting the whole list down by one, in O(1).
class TraceBuffer {
public:
    TraceBuffer() { Fill(TracePoint{}); }

    void Fill(const TracePoint& point);
    void Push(const TracePoint& point) {
        m_head = m_head == 0 ? kTraceEntries - 1 : m_head - 1;
        m_entries[static_cast<size_t>(m_head)] = point;
    }
    // Entry i counted from the newest (0); i in [0, kTraceEntries).
    [[nodiscard]] const TracePoint& At(int i) const {
        int index = m_head + i;
        if (index >= kTraceEntries) {
            index -= kTraceEntries;
        }
        return m_entries[static_cast<size_t>(index)];
    }
    TracePoint& At(int i) {
        return const_cast<TracePoint&>(static_cast<const TraceBuffer&>(*this).At(i));
    }

private:
    std::array<TracePoint, kTraceEntries> m_entries;
    int m_head = 0;
};

} // namespace ryvo
