#include "db/connection.h"

#include "db/rowspool.h"
#include "text/text.h"

#include <algorithm>
#include <cctype>

namespace tw::db {

namespace {

const char *const kClosed = "Operation is not allowed when the object is closed.";

// The rows of a spool, replayed as a cursor.
class SpoolCursor final : public backend::Cursor
{
public:
    SpoolCursor(std::vector<Field> fields, RowSpool &spool)
        : m_fields(std::move(fields))
        , m_spool(spool)
    {}

    const std::vector<Field> &fields() const override { return m_fields; }

    bool fetch(std::vector<Value> &row) override { return m_spool.read(row); }

private:
    std::vector<Field> m_fields;
    RowSpool &m_spool;
};

} // namespace

Connection::Connection() = default;
Connection::~Connection() = default;
Connection::Connection(Connection &&) noexcept = default;
Connection &Connection::operator=(Connection &&) noexcept = default;

void Connection::open(const std::string &connectionString)
{
    if (m_session) {
        throw Error("Operation is not allowed when the object is open.");
    }
    m_session = backend::open(connectionString);
    m_session->setEventPump(m_pump);
}

void Connection::setEventPump(std::function<void()> pump)
{
    m_pump = std::move(pump);
    if (m_session) {
        m_session->setEventPump(m_pump);
    }
}

void Connection::execute(const std::string &sql)
{
    session().execute(sql);
}

std::unique_ptr<backend::RowInserter>
Connection::insertRows(const std::string &sql, const std::vector<backend::Parameter> &columns)
{
    return session().insertRows(sql, columns);
}

std::string Connection::serverVersion()
{
    return session().serverVersion();
}

std::vector<std::string> Connection::primaryKey(const std::string &schema, const std::string &table)
{
    return session().primaryKey(schema, table);
}

void Connection::executeReplacing(const std::string &sql)
{
    session().executeReplacing(sql);
}

void Connection::beginTrans()
{
    session().beginTrans();
}

void Connection::commitTrans()
{
    session().commitTrans();
}

void Connection::rollbackTrans()
{
    session().rollbackTrans();
}

void Connection::close()
{
    if (!m_session) {
        throw Error(kClosed);
    }
    m_session.reset();
}

backend::Session &Connection::session()
{
    if (!m_session) {
        throw Error(kClosed);
    }
    return *m_session;
}

Transaction::~Transaction()
{
    if (m_active) {
        try {
            m_connection.rollbackTrans();
        } catch (const Error &) {
        }
    }
}

void Transaction::begin()
{
    m_connection.beginTrans();
    m_active = true;
}

void Transaction::commit()
{
    m_connection.commitTrans();
    m_active = false;
}

void Transaction::rollback()
{
    m_active = false;
    m_connection.rollbackTrans();
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset &&) noexcept = default;
Recordset &Recordset::operator=(Recordset &&) noexcept = default;

void Recordset::open(const std::string &sql, Connection &connection)
{
    if (isOpen()) {
        throw Error("Operation is not allowed when the object is open.");
    }
    m_session = &connection.session();
    start(connection.session().query(sql));
}

void Recordset::openSchema(int schema, Connection &connection)
{
    if (schema != adSchemaTables) {
        throw Error("Object or provider is not capable of performing requested operation.");
    }
    if (isOpen()) {
        throw Error("Operation is not allowed when the object is open.");
    }
    m_cursorLocation = CursorLocation::Client;
    start(connection.session().tables());
}

void Recordset::start(std::unique_ptr<backend::Cursor> cursor)
{
    m_fields = cursor->fields();
    if (m_cursorLocation == CursorLocation::Client) {
        if (const auto known = cursor->knownCount()) {
            m_count = static_cast<std::int64_t>(*known);
        } else {
            // Read every row now: the count must be exact before the first row is used.
            auto spool = std::make_unique<RowSpool>();
            std::vector<Value> row;
            while (cursor->fetch(row)) {
                if (m_watch) {
                    m_watch(m_fields, row);
                }
                spool->append(row);
                if (m_session != nullptr) {
                    m_session->pumpEvents();
                }
            }
            spool->rewind();
            m_count = static_cast<std::int64_t>(spool->rows());
            m_spool = std::move(spool);
            cursor = std::make_unique<SpoolCursor>(m_fields, *m_spool);
        }
    } else {
        m_count = -1;
    }
    m_cursor = std::move(cursor);
    m_eof = false;
    advance();
}

void Recordset::requireCurrent() const
{
    requireOpen();
    if (m_eof) {
        throw Error("Either BOF or EOF is True, or the current record has been deleted. Requested "
                    "operation "
                    "requires a current record.");
    }
}

void Recordset::advance()
{
    try {
        m_eof = !m_cursor->fetch(m_row);
    } catch (...) {
        m_eof = true;
        throw;
    }
}

void Recordset::close()
{
    requireOpen();
    m_cursor.reset();
    m_spool.reset();
    m_fields.clear();
    m_row.clear();
    m_eof = true;
    m_count = -1;
}

void Recordset::requireOpen() const
{
    if (!isOpen()) {
        throw Error(kClosed);
    }
}

const std::vector<Field> &Recordset::fields() const
{
    requireOpen();
    return m_fields;
}

std::size_t Recordset::fieldIndex(std::string_view name) const
{
    requireOpen();
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (text::equalsIgnoringAsciiCase(m_fields[i].name, name)) {
            return i;
        }
    }
    throw Error(
        "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

const Value &Recordset::value(std::size_t index) const
{
    requireCurrent();
    if (index >= m_row.size()) {
        throw Error("Item cannot be found in the collection corresponding to the requested name or "
                    "ordinal.");
    }
    return m_row[index];
}

bool Recordset::eof() const
{
    requireOpen();
    return m_eof;
}

void Recordset::takeRow(std::vector<Value> &row)
{
    requireCurrent();
    row.swap(m_row);
    m_row.clear();
}

void Recordset::moveNext()
{
    requireCurrent();
    advance();
}

std::int64_t Recordset::recordCount() const
{
    requireOpen();
    return m_count;
}

} // namespace tw::db
