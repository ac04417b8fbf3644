#include "connect/sampledatabase.h"

#include "app/userfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tw::connect {

QString sampleDatabasePath(const QString &programFolder)
{
    const QString shipped = programFolder + QStringLiteral("/Samples");
    if (!QFileInfo(shipped).isDir() || app::userMayWrite(shipped)) {
        return shipped;
    }
    const QString copy = app::userDataFolder() + QStringLiteral("/Samples");
    if (QFileInfo(copy).isDir()) {
        return copy;
    }
    // Copied into a folder of its own first, so a copy cut short is never taken for the samples.
    const QString partial = copy + QStringLiteral(".partial");
    QDir(partial).removeRecursively();
    QDir().mkpath(partial);
    bool whole = true;
    for (const QFileInfo &file : QDir(shipped).entryInfoList(QDir::Files)) {
        const QString target = partial + u'/' + file.fileName();
        whole = whole && QFile::copy(file.filePath(), target);
        QFile::setPermissions(target,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    if (!whole || !QDir().rename(partial, copy)) {
        QDir(partial).removeRecursively();
        return shipped;
    }
    return copy;
}

} // namespace tw::connect
