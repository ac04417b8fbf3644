#pragma once

#include "core/value.h"
#include "db/field.h"
#include "transfer/listedtable.h"
#include "transfer/typedtable.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// The SQL texts the copies send, built by concatenation as the program always has. A quote
// character inside a name is doubled, and only then, so ordinary names give the usual texts.
namespace tw::transfer {

// `name` quoted with `quote` (", ` or [ ]), an embedded closing quote doubled.
QString quotedName(const QString &name, QChar open, QChar close);

inline QString db2Name(const QString &name)
{
    return quotedName(name, u'"', u'"');
}

// "NAME", or "SCHEMA"."NAME" for a DB2 table outside the current schema.
inline QString db2Name(const ListedTable &table)
{
    return table.schema.isEmpty() ? db2Name(table.name)
                                  : db2Name(table.schema) + u'.' + db2Name(table.name);
}

inline QString backtickName(const QString &name)
{
    return quotedName(name, u'`', u'`');
}

inline QString bracketName(const QString &name)
{
    return quotedName(name, u'[', u']');
}

// Collapses doubled "/" (scanning once, without overlap), keeping one leading "//" for
// network paths: "///srv//data" gives "//srv/data".
QString NormalizePath(const QString &path);

// The staging engine's export of the staging table `source` into the Paradox folder as
// NAME.db: select * into [Paradox 5.x;Database=FOLDER/].[NAME.db] from [SOURCE].
QString exportText(const QString &folder, const QString &paradoxName, const QString &source);

// The DB2 column text for a field's type code: " DATE," or " LONG VARCHAR,".
QString db2ColumnType(int typeCode);

// The staging column text for a field's type code: " TEXT,", " INT,", " DATETIME,", ...
QString stagingColumnType(int typeCode);

// CREATE TABLE `NAME`(`A` TEXT,`B` INT);
QString stagingCreateText(const QString &table, const std::vector<db::Field> &fields);

// CREATE TABLE "NAME"("A" LONG VARCHAR,"B" DATE);
QString db2CreateText(const QString &table, const std::vector<db::Field> &fields);

// INSERT INTO <quoted table> VALUES('7', NULL, 'O''Neil'): every value as quoted text, a Null
// or empty value as NULL. Built in UTF-8, as it goes to the driver: it is built once per row.
// Throws db::Error for a value holding a NUL, which would cut the text short.
std::string insertText(const std::string &quotedTable, const std::vector<db::Value> &values);

// The typed copy's CREATE TABLE: each column with its type, NOT NULL for key and identity
// columns, the identity's start, the primary key:
// CREATE TABLE "NAME"("ID" INTEGER NOT NULL,"A" VARCHAR(60),PRIMARY KEY("ID"))
QString typedCreateText(const QString &table, const TypedTable &typed);

// CREATE INDEX "NAME_CITY" ON "NAME"("CITY" DESC,"ZIP"), one per secondary index.
QStringList typedIndexTexts(const QString &table, const TypedTable &typed);

// COMMENT ON TABLE <quoted table> IS 'text', a quote in the text doubled.
QString commentText(const QString &quotedTable, const std::string &comment);

// INSERT INTO <quoted table> VALUES(?, ?, ?): one parameter marker per column.
std::string parameterInsertText(const std::string &quotedTable, std::size_t columns);

} // namespace tw::transfer
