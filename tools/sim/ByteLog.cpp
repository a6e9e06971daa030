#include "ByteLog.h"

#include <cstdio>

namespace ryvo::sim {

std::vector<std::uint8_t> ByteLog::Bytes() const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(m_entries.size());
    for (const Entry& e : m_entries) {
        bytes.push_back(e.byte);
    }
    return bytes;
}

int ByteLog::Count(std::uint8_t byte) const {
    int count = 0;
    for (const Entry& e : m_entries) {
        count += e.byte == byte ? 1 : 0;
    }
    return count;
}

std::string ByteLog::Format(size_t from) const {
    std::string text;
    char line[48];
    for (size_t i = from; i < m_entries.size(); ++i) {
        std::snprintf(line, sizeof line, "%.3f %02x\n", m_entries[i].ms, m_entries[i].byte);
        text += line;
    }
    return text;
}

} // namespace ryvo::sim
