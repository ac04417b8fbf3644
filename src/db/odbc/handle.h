#pragma once

#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace tw::db::odbc {

// One ODBC handle, freed once when it goes.
template <SQLSMALLINT Type> class Handle
{
public:
    Handle() = default;

    ~Handle() { reset(); }

    Handle(Handle &&other) noexcept
        : m_handle(std::exchange(other.m_handle, nullptr))
    {}

    Handle &operator=(Handle &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }

    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;

    // Allocates under the parent; false when the driver manager refuses.
    bool allocate(SQLHANDLE parent)
    {
        reset();
        return SQL_SUCCEEDED(SQLAllocHandle(Type, parent, &m_handle));
    }

    SQLHANDLE get() const noexcept { return m_handle; }

    void reset() noexcept
    {
        if (m_handle != nullptr) {
            SQLFreeHandle(Type, m_handle);
            m_handle = nullptr;
        }
    }

private:
    SQLHANDLE m_handle = nullptr;
};

using EnvHandle = Handle<SQL_HANDLE_ENV>;
using DbcHandle = Handle<SQL_HANDLE_DBC>;
using StmtHandle = Handle<SQL_HANDLE_STMT>;

} // namespace tw::db::odbc
