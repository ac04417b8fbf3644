#pragma once

#include "db/backend.h"

#include <filesystem>
#include <functional>
#include <string>

struct sqlite3;

namespace tw::db::staging {

// The table where the staging database keeps each column's type word.
inline constexpr const char *kColumnTypes = "tw_staging_columns";

// A name quoted for SQLite.
std::string sqliteName(const std::string &name);

// A staging table: its name, and the SQLite schema it lives in (main, or the file of its own
// it was given).
struct StagingTable
{
    std::string name;
    std::string schema;

    std::string qualified() const { return schema + "." + sqliteName(name); }
};

// The column type words the staging database takes.
bool isStagingType(const std::string &upperWord);

// Writes the staging table `source` as a new Paradox table at `target` (NAME.db), choosing
// for each column the Paradox type that holds every one of its values exactly. Fails,
// leaving no table behind, when a value or a column name cannot be held, or when the folder
// already has a table of that name in any letter case. With `replaceExisting` that table is
// replaced instead, once the new one is whole; any failure keeps it as it was.
void exportToParadox(sqlite3 *db,
                     const StagingTable &source,
                     const std::filesystem::path &target,
                     const std::function<void()> &pumpEvents,
                     bool replaceExisting = false);

} // namespace tw::db::staging
