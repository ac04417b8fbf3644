#pragma once

#include "connect/connectionsettings.h"

#include <QString>

namespace tw::connect {

// What the transfer page needs of the connection page: the six fields as they read right
// now, the program folder, and showing the page again ("< Back").
class ConnectionPage
{
public:
    virtual ~ConnectionPage() = default;
    virtual ConnectionSettings connectionSettings() const = 0;
    virtual const QString &programFolder() const = 0;
    virtual void showPage() = 0;

protected:
    ConnectionPage() = default;
    ConnectionPage(const ConnectionPage &) = default;
    ConnectionPage &operator=(const ConnectionPage &) = default;
};

} // namespace tw::connect
