#pragma once

// How the database carries out a parsed statement: one member per kind of statement, the
// data definition ones in engine.cpp, INSERT in insert.cpp, SELECT in select.cpp.

#include "catalogstore.h"
#include "engine.h"
#include "sqlitestatement.h"
#include "statement.h"

#include <memory>
#include <string>

namespace db2emu {

// One statement's changes, all or none. Under autocommit it is a transaction of its own;
// inside a unit of work or a parameter array a savepoint, so a failed statement leaves the
// earlier work.
class StatementUnit : public tw::sqlite::Transaction<SqliteFailure>
{
public:
    explicit StatementUnit(Database &database)
        : Transaction(database.m_db,
                      database.m_autoCommit && !database.m_inArray
                          ? tw::sqlite::Bracket{"BEGIN IMMEDIATE", "COMMIT", "ROLLBACK"}
                          : tw::sqlite::Bracket{"SAVEPOINT db2emu_statement",
                                                "RELEASE db2emu_statement",
                                                "ROLLBACK TO db2emu_statement; "
                                                "RELEASE db2emu_statement"})
    {}

    void done() { commit(); }
};

class Executor
{
public:
    explicit Executor(Database &database)
        : m_database(database)
    {}

    std::unique_ptr<ResultSet> operator()(const CreateTable &create);
    std::unique_ptr<ResultSet> operator()(const CreateView &view);
    std::unique_ptr<ResultSet> operator()(const CreateIndex &index);
    std::unique_ptr<ResultSet> operator()(const Insert &insert);
    std::unique_ptr<ResultSet> operator()(const Drop &drop);
    std::unique_ptr<ResultSet> operator()(const Rename &rename);
    std::unique_ptr<ResultSet> operator()(const RenameIndex &rename);
    std::unique_ptr<ResultSet> operator()(const Comment &comment);
    std::unique_ptr<ResultSet> operator()(const Select &select);
    std::unique_ptr<ResultSet> operator()(const Values &values);

private:
    std::string schemaOf(const Name &n) const;
    // The table or view of that name; SQL0204N when there is none.
    Database::Object object(const Name &n) const;
    [[noreturn]] void undefined(const Name &n) const;
    [[noreturn]] static void
    existing(const std::string &schema, const std::string &name, const std::string &type);
    // The cell an INSERT puts in a column: the value given, or the default or next identity.
    Cell
    insertedCell(const Database::Object &table, const Column &column, const Literal *value) const;
    // The error of a row the store refused (a key given twice).
    [[noreturn]] void refuseInsert(const Database::Object &table) const;
    // The keys of a new table, checked against its columns, each with its name.
    std::vector<Key> checkedKeys(const CreateTable &create) const;

    Database &m_database;
};

// "SCHEMA.NAME", as messages name an object.
std::string display(const std::string &schema, const std::string &name);

} // namespace db2emu
