#include "db/backend.h"

#include "db/error.h"
#include "text/text.h"

#include <algorithm>
#include <cctype>

namespace tw::db::backend {

namespace {

class ListCursor final : public Cursor
{
public:
    ListCursor(std::vector<Field> fields, std::vector<std::vector<Value>> rows)
        : m_fields(std::move(fields))
        , m_rows(std::move(rows))
    {}

    const std::vector<Field> &fields() const override { return m_fields; }

    std::optional<std::uint64_t> knownCount() const override { return m_rows.size(); }

    bool fetch(std::vector<Value> &row) override
    {
        if (m_at >= m_rows.size()) {
            return false;
        }
        row = m_rows[m_at++];
        return true;
    }

private:
    std::vector<Field> m_fields;
    std::vector<std::vector<Value>> m_rows;
    std::size_t m_at = 0;
};

} // namespace

void Session::executeReplacing(const std::string &)
{
    throw Error("This data source does not replace tables");
}

void Session::beginTrans()
{
    throw Error("This data source has no units of work");
}

void Session::commitTrans()
{
    throw Error("This data source has no units of work");
}

void Session::rollbackTrans()
{
    throw Error("This data source has no units of work");
}

std::vector<std::string> Session::primaryKey(const std::string &, const std::string &)
{
    return {};
}

std::unique_ptr<RowInserter> Session::insertRows(const std::string &,
                                                 const std::vector<Parameter> &)
{
    throw Error("This data source takes no bound rows");
}

std::unique_ptr<Cursor> listCursor(std::vector<Field> fields, std::vector<std::vector<Value>> rows)
{
    return std::make_unique<ListCursor>(std::move(fields), std::move(rows));
}

std::unique_ptr<Session> open(const std::string &connectionString)
{
    if (text::containsIgnoringAsciiCase(connectionString, "PROVIDER=Microsoft.Jet.OLEDB.4.0")) {
        return openStaging(connectionString);
    }
    if (text::containsIgnoringAsciiCase(connectionString,
                                        "Driver={Microsoft Paradox Driver (*.db )}")) {
        return openParadox(connectionString);
    }
    return openOdbc(connectionString);
}

} // namespace tw::db::backend
