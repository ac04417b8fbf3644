#pragma once

#include "app/errortrap.h"
#include "db/connection.h"
#include "transfer/progress.h"

#include <cstdint>
#include <functional>

namespace tw::transfer {

// How a table's rows ended.
enum class RowsEnd {
    All,     // every row was visited
    Stopped, // the work must stop: the rows already sent stay, nothing new is begun
    Broken,  // a row failed, the next could not be read, or the connection was lost
};

// The row loop of the copies: `count` rows of the record set, each in turn. Before each the
// window gets its tick, the work's stop is checked and the bar moves to the row's share; then
// `row` takes the current row (false when it failed in a way that ends the table) and the
// record set moves on under the step `nextRow`.
RowsEnd forEachRow(db::Recordset &rows,
                   std::int64_t count,
                   Progress &progress,
                   app::ErrorTrap &trap,
                   app::StepNumber nextRow,
                   const std::function<bool(std::int64_t)> &row);

} // namespace tw::transfer
