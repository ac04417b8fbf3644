#pragma once

#include <QString>

namespace tw::connect {

// The texts of the connection page's six fields (Text1 to Text6 on the page), read live from
// the page whenever a connection string is built. Nothing keeps a copy beyond one such use.
struct ConnectionSettings
{
    QString paradoxFolder;
    QString server;
    QString port; // as typed
    QString user;
    QString password;
    QString database;
};

} // namespace tw::connect
