#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ryvo::sim {

// Every byte the device received, with the time it arrived.
class ByteLog {
public:
    struct Entry {
        double ms = 0.0;
        std::uint8_t byte = 0;
    };

    void Add(double ms, std::uint8_t byte) { m_entries.push_back({ms, byte}); }
    const std::vector<Entry>& Entries() const { return m_entries; }
    std::vector<std::uint8_t> Bytes() const;
    int Count(std::uint8_t byte) const;
    void Clear() { m_entries.clear(); }
    // "<ms> <hex byte>" per entry, e.g. "12.345 70", from entry `from` on.
    std::string Format(size_t from = 0) const;

private:
    std::vector<Entry> m_entries;
};

} // namespace ryvo::sim
