#pragma once

#include "core/connectionloss.h"

#include <stdexcept>
#include <string>

namespace tw::db {

// The one error of the database layer. what() is the description the error report box
// shows: for ODBC every diagnostic record's message, as the driver words it.
class Error : public std::runtime_error, public ConnectionLoss
{
public:
    explicit Error(const std::string &description, std::string sqlState = {}, long nativeError = 0)
        : std::runtime_error(description)
        , m_sqlState(std::move(sqlState))
        , m_nativeError(nativeError)
    {}

    const std::string &sqlState() const { return m_sqlState; }

    long nativeError() const { return m_nativeError; }

    // SQLSTATE class 08: the connection is gone, so every later statement on it fails too.
    bool connectionLost() const override { return m_sqlState.rfind("08", 0) == 0; }

private:
    std::string m_sqlState;
    long m_nativeError;
};

} // namespace tw::db
