#pragma once

#include "app/dialogs.h"
#include "app/errortrap.h"
#include "app/operationlog.h"
#include "transfer/presslog.h"
#include "transfer/steps.h"
#include "transfer/transferview.h"

#include <functional>
#include <vector>

namespace tw::transfer {

// "Rename Table" under the DB2 list: one RENAME of the one selected table, its schema named
// when it is not the current one.
class RenameDb2Table
{
public:
    RenameDb2Table(app::Dialogs &dialogs, app::OperationLog &log, TransferView &view);

    std::vector<TableReport> run();

private:
    app::Dialogs &m_dialogs;
    app::OperationLog &m_log;
    TransferView &m_view;
};

// "Rename Table" under the Paradox list: the one selected table's whole family renamed, each
// new file complete before the old ones go.
class RenameParadoxTable
{
public:
    RenameParadoxTable(app::Dialogs &dialogs, app::OperationLog &log, TransferView &view);

    std::vector<TableReport> run();

private:
    app::Dialogs &m_dialogs;
    app::OperationLog &m_log;
    TransferView &m_view;
};

// What both renames share: the selection checks and their messages, the input box, and the
// list following a rename, under the side's own step numbers. `rename` renames the table to
// the name typed; true when the list is to follow.
void renameSelected(app::ErrorTrap &trap,
                    app::Dialogs &dialogs,
                    PressLog &log,
                    TransferView &view,
                    TableListView &list,
                    const QString &operation,
                    const steps::RenameListSteps &listSteps,
                    bool canWork,
                    const std::function<bool(const ListedTable &, const QString &)> &rename);

} // namespace tw::transfer
