#include "core/TraceBuffer.h"

namespace ryvo {

void TraceBuffer::Fill(const TracePoint& point) {
    m_entries.fill(point);
    m_head = 0;
}

} // namespace ryvo
