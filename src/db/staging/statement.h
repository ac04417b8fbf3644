#pragma once

// The staging database's SQLite access: the shared statement owner and transaction guard,
// each failure a db::Error.

#include "db/error.h"
#include "sqlite/sqlite.h"

#include <string>

namespace tw::db::staging {

struct StagingFailure
{
    static constexpr const char *reading = "Reading the staging table failed";

    [[noreturn]] static void raise(const char *doing, const std::string &why)
    {
        throw Error(
            std::string(doing != nullptr ? doing : "The staging database refused a statement") +
            ": " + why);
    }
};

using SqliteStatement = sqlite::Statement<StagingFailure>;
using SqliteTransaction = sqlite::Transaction<StagingFailure>;

} // namespace tw::db::staging
