#include "transfer/rowloop.h"

namespace tw::transfer {

RowsEnd forEachRow(db::Recordset &rows,
                   std::int64_t count,
                   Progress &progress,
                   app::ErrorTrap &trap,
                   app::StepNumber nextRow,
                   const std::function<bool(std::int64_t)> &row)
{
    for (std::int64_t r = 0; r < count; ++r) {
        if (trap.connectionLost()) {
            return RowsEnd::Broken;
        }
        progress.tick();
        if (progress.stopping()) {
            return RowsEnd::Stopped;
        }
        progress.set(static_cast<double>(r + 1) / static_cast<double>(count) * 100.0);
        if (!row(r) || !trap(nextRow, [&] { rows.moveNext(); })) {
            return RowsEnd::Broken;
        }
    }
    return RowsEnd::All;
}

} // namespace tw::transfer
