#pragma once

#include <QString>

namespace tw::connect {

// The texts of the connection page's six fields, read live from the page whenever a
// connection string is built. Nothing keeps a copy beyond one such use.
struct ConnectionSettings
{
    QString Text1; // Paradox folder
    QString Text2; // DB2 server
    QString Text3; // DB2 port, as text
    QString Text4; // DB2 user name
    QString Text5; // DB2 password
    QString Text6; // DB2 database
};

} // namespace tw::connect
