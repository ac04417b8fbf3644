#include "db/rowspool.h"

#include "db/error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace tw::db {

namespace {

template <class T> void put(std::string &out, const T &value)
{
    out.append(reinterpret_cast<const char *>(&value), sizeof value);
}

void putBytes(std::string &out, const void *data, std::size_t size)
{
    put(out, static_cast<std::uint64_t>(size));
    out.append(static_cast<const char *>(data), size);
}

} // namespace

RowSpool::RowSpool(std::size_t memoryBound)
    : m_bound(memoryBound)
{}

RowSpool::~RowSpool()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

void RowSpool::append(const std::vector<Value> &row)
{
    put(m_buffer, static_cast<std::uint32_t>(row.size()));
    for (const Value &value : row) {
        put(m_buffer, static_cast<std::uint8_t>(value.kind()));
        switch (value.kind()) {
        case ValueKind::Null:
            break;
        case ValueKind::Text:
            putBytes(m_buffer, value.asText().data(), value.asText().size());
            break;
        case ValueKind::Integer:
            put(m_buffer, value.asInteger());
            break;
        case ValueKind::Double:
            put(m_buffer, value.asDouble());
            break;
        case ValueKind::Decimal:
            putBytes(m_buffer, value.asDecimal().text.data(), value.asDecimal().text.size());
            break;
        case ValueKind::Boolean:
            put(m_buffer, static_cast<std::uint8_t>(value.asBoolean()));
            break;
        case ValueKind::Date:
            put(m_buffer, value.asDate());
            break;
        case ValueKind::Time:
            put(m_buffer, value.asTime());
            break;
        case ValueKind::Timestamp:
            put(m_buffer, value.asTimestamp());
            break;
        case ValueKind::Binary:
            putBytes(m_buffer, value.asBytes().data(), value.asBytes().size());
            break;
        }
    }
    ++m_rows;
    if (m_buffer.size() >= m_bound) {
        flush();
    }
}

namespace {

// A nameless temporary file in $TMPDIR (or /tmp), as every Unix program puts them: made,
// then unlinked at once, so it is gone when closed or when the program ends.
std::FILE *temporaryFile()
{
    const char *folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") +
                          "/tablewright-rows-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    ::unlink(pattern.c_str());
    std::FILE *file = ::fdopen(fd, "w+b");
    if (file == nullptr) {
        ::close(fd);
    }
    return file;
}

} // namespace

void RowSpool::flush()
{
    if (m_file == nullptr) {
        m_file = temporaryFile();
        if (m_file == nullptr) {
            throw Error(std::string("Cannot create a temporary file for the rows: ") +
                        std::strerror(errno));
        }
    }
    if (!m_buffer.empty() &&
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size()) {
        throw Error(std::string("Cannot write the rows to a temporary file: ") +
                    std::strerror(errno));
    }
    m_buffer.clear();
}

void RowSpool::rewind()
{
    if (m_file != nullptr) {
        flush();
        std::rewind(m_file);
    }
    m_readAt = 0;
    m_read = 0;
}

bool RowSpool::fill(std::size_t needed)
{
    if (m_buffer.size() - m_readAt >= needed) {
        return true;
    }
    if (m_file == nullptr) {
        return false;
    }
    m_buffer.erase(0, m_readAt);
    m_readAt = 0;
    const std::size_t chunk = std::max(needed, m_bound);
    const std::size_t have = m_buffer.size();
    m_buffer.resize(have + chunk);
    const std::size_t got = std::fread(m_buffer.data() + have, 1, chunk, m_file);
    m_buffer.resize(have + got);
    return m_buffer.size() >= needed;
}

bool RowSpool::take(void *out, std::size_t count)
{
    if (!fill(count)) {
        return false;
    }
    std::memcpy(out, m_buffer.data() + m_readAt, count);
    m_readAt += count;
    return true;
}

namespace {

[[noreturn]] void cutShort()
{
    throw Error("The temporary file of the rows was cut short");
}

} // namespace

template <class T> T RowSpool::readFixed()
{
    T value{};
    if (!take(&value, sizeof value)) {
        cutShort();
    }
    return value;
}

std::string RowSpool::readCounted()
{
    const auto size = readFixed<std::uint64_t>();
    if (!fill(size)) {
        cutShort();
    }
    std::string text = m_buffer.substr(m_readAt, size);
    m_readAt += size;
    return text;
}

Value RowSpool::readValue()
{
    switch (static_cast<ValueKind>(readFixed<std::uint8_t>())) {
    case ValueKind::Null:
        return {};
    case ValueKind::Text:
        return Value::text(readCounted());
    case ValueKind::Integer:
        return Value::integer(readFixed<std::int64_t>());
    case ValueKind::Double:
        return Value::real(readFixed<double>());
    case ValueKind::Decimal:
        return Value::decimal(readCounted());
    case ValueKind::Boolean:
        return Value::boolean(readFixed<std::uint8_t>() != 0);
    case ValueKind::Date:
        return Value::date(readFixed<Date>());
    case ValueKind::Time:
        return Value::time(readFixed<Time>());
    case ValueKind::Timestamp:
        return Value::timestamp(readFixed<Timestamp>());
    case ValueKind::Binary: {
        const std::string b = readCounted();
        return Value::bytes(Bytes(b.begin(), b.end()));
    }
    default:
        cutShort();
    }
}

bool RowSpool::read(std::vector<Value> &row)
{
    if (m_read >= m_rows) {
        return false;
    }
    const auto count = readFixed<std::uint32_t>();
    row.clear();
    row.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        row.push_back(readValue());
    }
    ++m_read;
    return true;
}

} // namespace tw::db
