#pragma once

// Rows of one prepared INSERT sent through ODBC in arrays of parameter sets.

#include "db/backend.h"

#include <sql.h>

#include <memory>
#include <string>
#include <vector>

namespace tw::db::odbc {

std::unique_ptr<backend::RowInserter>
boundRows(SQLHDBC connection, const std::string &sql, std::vector<backend::Parameter> columns);

} // namespace tw::db::odbc
