#pragma once

#include "app/dialogs.h"
#include "app/operationlog.h"
#include "app/settingsstore.h"
#include "db/connection.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace tw::transfer {

class TableListView;

// The connection string of the Paradox folder, the folder exactly as typed (in braces when
// it holds ";", "{" or "}", so it reaches the backend whole).
QString ParadoxConnectionString(const QString &folder);

// Chooses the code pages of Paradox text for this run: from the user's language (the system
// locale), or from the settings key ParadoxCodePage (read, never written) when it is set.
void chooseParadoxCodePages(const app::SettingsStore &settings);

// Why `name` cannot name a table file in the Paradox folder (it holds "/" or a NUL, or is
// "." or ".."), or the empty text when it can: a table is never put outside the folder.
QString paradoxNameProblem(const QString &name);

// The schema unqualified names are in, as DB2 says; nothing when it does not.
std::optional<std::string> currentSchema(db::Connection &connection);

// The identity columns of a DB2 table, as its catalog (SYSCAT.COLUMNS) names them. Throws
// db::Error when the catalog cannot be read.
std::vector<std::string>
identityColumns(db::Connection &connection, const std::string &schema, const std::string &table);

// Fills the list with the DB2 database's user tables (TABLE_TYPE exactly "TABLE"): those of
// the current schema by name, those of any other schema as SCHEMA.NAME (ListedTable).
void LoadDB2Tables(TableListView &list, const QString &db2ConnectionString);

// Appends the tables found in the Paradox folder and every folder below it: each "*.db" file
// not starting with "~", upper-cased, without its ".db", so each item stands for exactly one
// file (Q.DB1.db is Q.DB1). Each item describes its table in its tooltip, read from the file
// only when asked for. Each folder listed is recovered first (tablefiles.h); `log` gets the
// records that recovery left alone.
void LoadParadoxTables(TableListView &list,
                       const QString &folder,
                       app::Dialogs &dialogs,
                       app::OperationLog &log);

// The tooltip of a Paradox list item: what the header of the table file `fileName` (as the
// listing shows it) in `folder` says, a line each.
QString describeParadoxTable(const QString &folder, const QString &fileName);

// True when the connection's tables schema has a user table of that name, case ignored.
bool ExistTable(db::Connection &connection, const QString &name);

} // namespace tw::transfer
