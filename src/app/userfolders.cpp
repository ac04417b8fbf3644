#include "app/userfolders.h"

#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

namespace tw::app {

QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Kelvarin/Tablewright");
}

QString userCacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Kelvarin/Tablewright");
}

bool userMayWrite(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

} // namespace tw::app
