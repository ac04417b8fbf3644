// The Paradox backend: a folder of Paradox tables, read with our own engine.

#include "core/filename.h"
#include "core/folder.h"
#include "db/backend.h"
#include "db/connectionstring.h"
#include "db/error.h"
#include "db/sqlparse.h"
#include "paradox/error.h"
#include "paradox/family.h"
#include "paradox/reader.h"
#include "text/text.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace tw::db::backend {

namespace {

namespace fs = std::filesystem;
using paradox::FieldType;

DataType adoTypeOf(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
        return adVarChar;
    case FieldType::Date:
        return adDBDate;
    case FieldType::Short:
        return adSmallInt;
    case FieldType::Long:
    case FieldType::AutoIncrement:
        return adInteger;
    case FieldType::Money:
        return adCurrency;
    case FieldType::Number:
        return adDouble;
    case FieldType::Bcd:
        return adNumeric;
    case FieldType::Logical:
        return adBoolean;
    case FieldType::Time:
        return adDBTime;
    case FieldType::Timestamp:
        return adDBTimeStamp;
    case FieldType::Bytes:
        return adBinary;
    case FieldType::Memo:
        return adLongVarChar;
    default:
        return adLongVarBinary;
    }
}

class TableCursor final : public Cursor
{
public:
    explicit TableCursor(paradox::TableReader reader)
        : m_reader(std::move(reader))
    {
        for (const paradox::Field &field : m_reader.fields()) {
            m_fields.push_back({field.name, adoTypeOf(field.type)});
        }
    }

    const std::vector<Field> &fields() const override { return m_fields; }

    std::optional<std::uint64_t> knownCount() const override { return m_reader.recordCount(); }

    bool fetch(std::vector<Value> &row) override
    {
        if (!m_reader.next()) {
            return false;
        }
        row.resize(m_fields.size());
        try {
            for (std::size_t i = 0; i < m_fields.size(); ++i) {
                row[i] = m_reader.value(i);
            }
        } catch (const paradox::Error &e) {
            throw Error(e.what());
        }
        return true;
    }

private:
    paradox::TableReader m_reader;
    std::vector<Field> m_fields;
};

class ParadoxSession final : public Session
{
public:
    explicit ParadoxSession(const std::string &connectionString)
    {
        m_folder = connectionValue(connectionString, "DefaultDir");
        if (m_folder.empty()) {
            m_folder = connectionValue(connectionString, "Dbq");
        }
        std::error_code error;
        if (!isPlainPathText(m_folder)) {
            throw Error("The Paradox folder \"" + shownText(m_folder) +
                        "\" holds a control character, which no folder name holds");
        }
        if (m_folder.empty() || !fs::is_directory(m_folder, error)) {
            throw Error("The Paradox folder \"" + shownText(m_folder) +
                        "\" does not exist or is not a folder");
        }
    }

    // The program only reads the folder through this connection: tables are replaced, renamed
    // and deleted as whole families (paradox/intent.h).
    void execute(const std::string &sql) override
    {
        sql::Reader(sql).reject("The Paradox folder accepts SELECT * FROM `name`, not this "
                                "statement");
    }

    std::unique_ptr<Cursor> query(const std::string &sql) override
    {
        sql::Reader reader(sql);
        std::string name;
        if (!(reader.word("SELECT") && reader.symbol("*") && reader.word("FROM") &&
              reader.identifier(name) && reader.atEnd())) {
            reader.reject("The Paradox folder accepts SELECT * FROM `name`, not this statement");
        }
        try {
            paradox::TableReader table = paradox::TableReader::open(find(name));
            // Rows lost to damage must not pass for a whole table.
            if (!table.warnings().empty()) {
                std::string what;
                for (const std::string &warning : table.warnings()) {
                    what += (what.empty() ? "" : "; ") + warning;
                }
                throw Error("The Paradox table is damaged: " + what);
            }
            return std::make_unique<TableCursor>(std::move(table));
        } catch (const paradox::Error &e) {
            throw Error(e.what());
        }
    }

    std::unique_ptr<Cursor> tables() override
    {
        std::vector<std::vector<Value>> rows;
        for (const fs::path &file : tableFiles()) {
            rows.push_back({Value::text("TABLE"), Value::text(fileNameText(file.stem().string()))});
        }
        return listCursor({{"TABLE_TYPE", adVarChar}, {"TABLE_NAME", adVarChar}}, std::move(rows));
    }

private:
    std::vector<fs::path> tableFiles() const
    {
        std::vector<fs::path> files;
        try {
            const Folder folder(m_folder);
            for (const std::string &name : folder.names()) {
                if (text::lowerAscii(std::string(paradox::extensionOf(name))) == ".db" &&
                    folder.isRegularFile(name)) {
                    files.push_back(folder.pathOf(name));
                }
            }
        } catch (const std::system_error &e) {
            throw Error("Cannot list the Paradox folder " + m_folder + ": " + e.code().message());
        }
        return files;
    }

    // The table file of that name in the folder, letter case of name and extension ignored.
    fs::path find(const std::string &name) const
    {
        const std::vector<fs::path> tables = paradox::tablesNamed(m_folder, name);
        if (tables.empty()) {
            tableFiles(); // a folder that cannot be listed says so
            throw Error("The Paradox folder " + m_folder + " has no table " + name);
        }
        return tables.front();
    }

    std::string m_folder;
};

} // namespace

std::unique_ptr<Session> openParadox(const std::string &connectionString)
{
    return std::make_unique<ParadoxSession>(connectionString);
}

} // namespace tw::db::backend
