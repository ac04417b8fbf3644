#pragma once

// What the typed copy keeps in DB2 while it loads a table: the working table's name, the
// checkpoint committed with its rows, the source's fingerprint that says whether a later send
// may go on from it, and the digests that compare every value read back with the source.

#include "core/value.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw::transfer {

// Working tables and their indexes begin with this, in lower case and with '~', which an
// ordinary DB2 name cannot hold: no user's table has such a name, and no list shows one.
inline constexpr std::string_view kWorkingPrefix = "tw~work~";

// The working table of the DB2 table `table` (as DB2 stores its name): always the same for
// one table, so a later send finds what an earlier one left.
std::string workingName(const std::string &table);
// The working name of that table's index `index` (0, 1, ...).
std::string workingIndexName(const std::string &table, std::size_t index);
bool isWorkingName(std::string_view name);

// A typed load's working table: the DB2 table it is to become, its own name and its
// indexes' names, and the fingerprint of the source its rows come from.
struct WorkingTable
{
    std::string table;  // as DB2 stores the target's name
    std::string name;   // workingName(table)
    std::string source; // sourceFingerprint() of the rows; empty when it cannot be known

    std::string indexName(std::size_t index) const { return workingIndexName(table, index); }
};

// How far a load got, kept as the working table's comment and committed with its rows.
struct Checkpoint
{
    std::int64_t rows = 0; // the source's first rows, all in the working table
    std::string source;    // sourceFingerprint() of what they came from
    std::int64_t at = 0;   // when it was committed, seconds since the epoch
};

std::string checkpointText(const Checkpoint &checkpoint);
std::optional<Checkpoint> parseCheckpoint(std::string_view text);

// Says which source and which typed table the rows come from: the table's folder and
// name, its file's size, modification time and header (with its change counters), and the
// CREATE the rows were loaded for. Empty when the file cannot be read.
std::string sourceFingerprint(const std::filesystem::path &dbFile, const std::string &create);

// The values of a table's columns summed as digests, in a form the source's bound values and
// the values DB2 gives back both reach: the rows may come in any order.
class ColumnDigests
{
public:
    explicit ColumnDigests(std::size_t columns)
        : m_sums(columns, 0)
    {}

    void add(const std::vector<db::Value> &row);

    std::int64_t rows() const { return m_rows; }

    // The first column whose values differ; nothing when every column agrees.
    std::optional<std::size_t> firstDifference(const ColumnDigests &other) const;

private:
    std::vector<std::uint64_t> m_sums;
    std::int64_t m_rows = 0;
};

// The text a value is compared by: a number whatever kind holds it (an integer, an exact
// decimal, a boolean as 1 or 0), the value's text otherwise, and Null apart from every text.
std::string comparedText(const db::Value &value);

} // namespace tw::transfer
