#pragma once

#include "core/value.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tw::db {

// Rows written once and read back once, in order. They stay in memory up to a bound, then
// go to an anonymous temporary file, so a table of any size costs flat memory.
class RowSpool
{
public:
    explicit RowSpool(std::size_t memoryBound = 4 * 1024 * 1024);
    ~RowSpool();
    RowSpool(const RowSpool &) = delete;
    RowSpool &operator=(const RowSpool &) = delete;

    void append(const std::vector<Value> &row);
    // Ends writing; reading starts at the first row.
    void rewind();
    bool read(std::vector<Value> &row);

    std::uint64_t rows() const { return m_rows; }

    bool spilled() const { return m_file != nullptr; }

private:
    void flush();
    bool fill(std::size_t needed);
    bool take(void *out, std::size_t count);
    // One value as append() wrote it; throws when the file was cut short.
    Value readValue();
    template <class T> T readFixed();
    std::string readCounted();

    std::size_t m_bound;
    std::string m_buffer;
    std::size_t m_readAt = 0;
    std::FILE *m_file = nullptr;
    std::uint64_t m_rows = 0;
    std::uint64_t m_read = 0;
};

} // namespace tw::db
