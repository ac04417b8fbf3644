#pragma once

#include "app/dialogs.h"
#include "app/errortrap.h"
#include "app/operationlog.h"
#include "db/connection.h"
#include "transfer/presslog.h"
#include "transfer/steps.h"
#include "transfer/transferview.h"
#include "transfer/typedload.h"
#include "transfer/typedtable.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tw::transfer {

// "Send Table/s To IBM DB2": the selected Paradox tables, bottom first, created in DB2 and
// filled one literal INSERT per row; with "Keep column types and keys", loaded with bound
// rows in arrays into a working table with typed columns, the key and the indexes, read back
// and compared value by value, and only then put in place of the old table in one unit of
// work. A load cut short keeps its committed rows and a checkpoint, and the next send of the
// same source goes on from there.
class SendToDb2
{
public:
    SendToDb2(app::Dialogs &dialogs, app::OperationLog &log, TransferView &view);

    // One press of the button. Returns how each selected table fared.
    std::vector<TableReport> run();

private:
    // A connection that cannot be opened is reported once and ends the operation: every
    // later step would fail in turn.
    bool open();
    // One table, from the overwrite question to its item in the DB2 list.
    void copy(const ListedTable &table);
    void close();

    // The DB2 table to replace as the DB2 list writes it (the last match wins), the empty
    // text when none is listed, nothing when the user answered No.
    std::optional<QString> askOverwrite(const QString &name);
    // The DROP and the CREATE are one unit of work, so a CREATE DB2 refuses gives the old
    // table back, rows and all. False when the table cannot take rows: they would go into
    // whatever is there.
    bool createTable(const QString &create, const QString &replaced);
    // Every row as one INSERT; a row the table cannot give (a damaged block or memo) ends the
    // copy, as the cursor has no further rows.
    RowCounts copyRows(db::Recordset &rows, const QString &table);

    // The typed copy of one table (typedrows.cpp). `placed`: the verified table took its name.
    struct TypedLoad
    {
        RowCounts counts;
        bool placed = false;
    };

    TypedLoad loadTyped(db::Recordset &rows,
                        const QString &table,
                        const QString &replaced,
                        const TypedTable &typed);
    // The row the load goes on from: after the checkpoint of a working table of the same
    // source, else 0 in a working table made anew; nothing after a box.
    std::optional<std::int64_t>
    startWorking(const WorkingTable &work, const TypedTable &typed, std::int64_t sourceRows);
    // The working table's checkpoint when DB2 has the table (an empty one when its comment is
    // none of ours); drops working tables left more than a day ago.
    std::optional<Checkpoint> findWorking(const WorkingTable &work);
    // The working table with its indexes and a checkpoint of no rows, in one unit of work.
    bool createWorking(const WorkingTable &work, const TypedTable &typed);
    void dropWorking(const WorkingTable &work);
    // Reads the working table back: true when it holds every row and every value sent.
    bool verify(const WorkingTable &work,
                const TypedTable &typed,
                const ColumnDigests &sent,
                RowCounts &counts);
    // The first row, in the order both sides give them, whose value in `column` differs.
    std::optional<std::int64_t>
    firstDifferingRow(const WorkingTable &work, const TypedTable &typed, std::size_t column);
    // One unit of work: the old table dropped (when replaced), the working table and its
    // indexes renamed to the real names.
    bool swap(const WorkingTable &work, const QString &replaced, const TypedTable &typed);
    // One statement on DB2 as a step.
    bool db2Step(steps::SendToDb2 step, const QString &sql);
    // Commits the unit when `keep`, else rolls it back (unless the line is gone); true once
    // committed.
    bool endUnit(db::Transaction &unit, bool keep);
    // The typed table for the Paradox table the rows come from; empty after a box.
    std::optional<TypedTable> planTyped(const QString &paradoxName, const db::Recordset &rows);
    // The rows the DB2 table holds, counted by DB2 after the copy.
    std::optional<std::int64_t> countRows(const QString &table);
    void logTyped(const TypedTable &typed);
    // True while the view still shows the DB2 database this press copies into.
    bool showsTarget() const;

    app::Dialogs &m_dialogs;
    TransferView &m_view;
    Progress &m_progress;
    app::ErrorTrap m_trap;
    PressLog m_log;
    QString m_target; // the DB2 connection string
    QString m_folder; // the Paradox folder
    bool m_typed = false;
    bool m_booleans = false;            // the server has BOOLEAN columns
    std::filesystem::path m_sourceFile; // the .db file of the table being copied
    db::Connection m_db2;
    db::Connection m_paradox;
};

} // namespace tw::transfer
