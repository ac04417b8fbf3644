#include "transfer/stagingdatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace tw::transfer {

namespace {

bool writable(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

} // namespace

QString StagingDatabasePath(const QString &programFolder)
{
    const QString shipped = programFolder + QStringLiteral("/dbtemp.mdb");
    if (!QFileInfo::exists(shipped) || (writable(shipped) && writable(programFolder))) {
        return shipped;
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/Kelvarin/Tablewright");
    const QString copy = folder + QStringLiteral("/dbtemp.mdb");
    if (!QFileInfo::exists(copy)) {
        QDir().mkpath(folder);
        if (QFile::copy(shipped, copy)) {
            QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
    }
    return copy;
}

} // namespace tw::transfer
