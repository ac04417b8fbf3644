#pragma once

#include "app/dialogs.h"
#include "app/operationlog.h"
#include "transfer/presslog.h"
#include "transfer/transferview.h"

#include <vector>

namespace tw::transfer {

// "Delete Table/s" under the DB2 list: each selected table dropped, bottom first.
class DeleteDb2Tables
{
public:
    DeleteDb2Tables(app::Dialogs &dialogs, app::OperationLog &log, TransferView &view);

    std::vector<TableReport> run();

private:
    app::Dialogs &m_dialogs;
    app::OperationLog &m_log;
    TransferView &m_view;
};

// "Delete Table/s" under the Paradox list: each selected table's whole family, bottom first,
// to the Trash where it can take it.
class DeleteParadoxTables
{
public:
    DeleteParadoxTables(app::Dialogs &dialogs, app::OperationLog &log, TransferView &view);

    std::vector<TableReport> run();

private:
    app::Dialogs &m_dialogs;
    app::OperationLog &m_log;
    TransferView &m_view;
};

} // namespace tw::transfer
