#include "transfer/typedload.h"

#include "core/digest.h"
#include "core/folder.h"
#include "text/text.h"

#include <charconv>
#include <exception>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::transfer {

namespace {

constexpr std::string_view kCheckpointTag = "tablewright resume 1;";

std::string tableDigest(const std::string &table)
{
    return hexDigits(fnv1a(text::upperAscii(table)), 16);
}

// Spreads a value's digest over all 64 bits, so that sums of digests of different values
// rarely meet (splitmix64's finaliser).
std::uint64_t mixed(std::uint64_t h)
{
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 27;
    h *= 0x94d049bb133111ebULL;
    return h ^ (h >> 31);
}

// An exact decimal's text with nothing that does not change its value: no '+', no leading
// zeros, no trailing zeros after the point, "0" for every zero.
std::string plainDecimal(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::string_view whole = text;
    std::string_view fraction;
    if (const std::size_t point = text.find('.'); point != std::string_view::npos) {
        whole = text.substr(0, point);
        fraction = text.substr(point + 1);
    }
    while (!whole.empty() && whole.front() == '0') {
        whole.remove_prefix(1);
    }
    while (!fraction.empty() && fraction.back() == '0') {
        fraction.remove_suffix(1);
    }
    std::string plain(whole.empty() ? "0" : whole);
    if (!fraction.empty()) {
        plain += '.';
        plain += fraction;
    }
    if (negative && plain != "0") {
        plain.insert(plain.begin(), '-');
    }
    return plain;
}

bool readNumber(std::string_view text, std::int64_t &number)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string workingName(const std::string &table)
{
    return std::string(kWorkingPrefix) + tableDigest(table);
}

std::string workingIndexName(const std::string &table, std::size_t index)
{
    return workingName(table) + "~i" + std::to_string(index);
}

bool isWorkingName(std::string_view name)
{
    return name.starts_with(kWorkingPrefix);
}

std::string checkpointText(const Checkpoint &checkpoint)
{
    return std::string(kCheckpointTag) + "rows=" + std::to_string(checkpoint.rows) +
           ";at=" + std::to_string(checkpoint.at) + ";source=" + checkpoint.source;
}

std::optional<Checkpoint> parseCheckpoint(std::string_view text)
{
    if (!text.starts_with(kCheckpointTag)) {
        return std::nullopt;
    }
    text.remove_prefix(kCheckpointTag.size());
    Checkpoint checkpoint;
    bool rows = false;
    bool at = false;
    bool source = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(';'), text.size());
        const std::string_view item = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (item.starts_with("rows=")) {
            rows = readNumber(item.substr(5), checkpoint.rows) && checkpoint.rows >= 0;
        } else if (item.starts_with("at=")) {
            at = readNumber(item.substr(3), checkpoint.at);
        } else if (item.starts_with("source=")) {
            checkpoint.source = std::string(item.substr(7));
            source = !checkpoint.source.empty();
        }
    }
    if (!rows || !at || !source) {
        return std::nullopt;
    }
    return checkpoint;
}

std::string sourceFingerprint(const std::filesystem::path &dbFile, const std::string &create)
{
    try {
        const Folder folder = Folder::of(dbFile);
        const UniqueFd file = folder.openRegular(dbFile.filename().string());

        struct stat status
        {};

        if (::fstat(file.get(), &status) != 0) {
            return {};
        }
        // The fixed header and its extension hold the record count and the change counters.
        char header[0x78] = {};
        const ssize_t read = ::pread(file.get(), header, sizeof header, 0);
        if (read < 0) {
            return {};
        }
        std::uint64_t hash = fnv1a(dbFile.lexically_normal().string() + '\n');
        hash = fnv1a(std::to_string(status.st_size) + ' ' + std::to_string(status.st_mtim.tv_sec) +
                         '.' + std::to_string(status.st_mtim.tv_nsec) + '\n',
                     hash);
        hash = fnv1a(std::string_view(header, static_cast<std::size_t>(read)), hash);
        return hexDigits(fnv1a(create, hash), 16);
    } catch (const std::exception &) {
        return {}; // a source that cannot be read is never taken up again
    }
}

namespace {

// Calls `use` with the form a value is compared by: a letter for its kind and its text. A
// text or bytes is handed on where it lies, as the digests take every value of a table.
template <class Use> auto withComparedForm(const db::Value &value, Use use)
{
    using Kind = db::ValueKind;
    switch (value.kind()) {
    case Kind::Null:
        return use('N', std::string_view());
    case Kind::Integer:
        return use('n', std::to_string(value.asInteger()));
    case Kind::Boolean:
        return use('n', std::string_view(value.asBoolean() ? "1" : "0"));
    case Kind::Decimal:
        return use('n', plainDecimal(value.asDecimal().text));
    case Kind::Binary: {
        const db::Bytes &bytes = value.asBytes();
        return use('b',
                   std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
    }
    case Kind::Text:
        return use('t', std::string_view(value.asText()));
    case Kind::Double:
    case Kind::Date:
    case Kind::Time:
    case Kind::Timestamp:
        break;
    }
    return use(static_cast<char>('0' + static_cast<int>(value.kind())), value.toText());
}

} // namespace

std::string comparedText(const db::Value &value)
{
    return withComparedForm(value, [](char kind, std::string_view text) {
        std::string compared(1, kind);
        compared += text;
        return compared;
    });
}

void ColumnDigests::add(const std::vector<db::Value> &row)
{
    for (std::size_t c = 0; c < m_sums.size() && c < row.size(); ++c) {
        m_sums[c] += mixed(withComparedForm(row[c], [](char kind, std::string_view text) {
            return fnv1a(text, fnv1a(std::string_view(&kind, 1)));
        }));
    }
    ++m_rows;
}

std::optional<std::size_t> ColumnDigests::firstDifference(const ColumnDigests &other) const
{
    for (std::size_t c = 0; c < m_sums.size(); ++c) {
        if (c >= other.m_sums.size() || m_sums[c] != other.m_sums[c]) {
            return c;
        }
    }
    return std::nullopt;
}

} // namespace tw::transfer
