#include "transfer/stagingdatabase.h"

#include "app/userfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tw::transfer {

namespace {

// The stamp the build writes into the staging database (SQLite's user_version, four bytes
// big-endian at offset 60 of the file); 0 for a file without one.
quint32 stampOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(60)) {
        return 0;
    }
    const QByteArray bytes = file.read(4);
    if (bytes.size() != 4) {
        return 0;
    }
    return quint32(quint8(bytes[0])) << 24 | quint32(quint8(bytes[1])) << 16 |
           quint32(quint8(bytes[2])) << 8 | quint32(quint8(bytes[3]));
}

// Puts a copy of `from` at `to` in one rename, so no half copy is ever seen there.
bool copyWhole(const QString &from, const QString &to)
{
    QFile in(from);
    QSaveFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        return false;
    }
    out.write(in.readAll());
    const bool done = out.commit();
    QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return done;
}

} // namespace

QString StagingDatabasePath(const QString &programFolder, bool mayRefresh)
{
    const QString shipped = programFolder + QStringLiteral("/dbtemp.mdb");
    if (!QFileInfo::exists(shipped) ||
        (app::userMayWrite(shipped) && app::userMayWrite(programFolder))) {
        return shipped;
    }
    const QString folder = app::userDataFolder();
    const QString copy = folder + QStringLiteral("/dbtemp.mdb");
    const bool missing = !QFileInfo::exists(copy);
    if (missing || (mayRefresh && stampOf(copy) != stampOf(shipped))) {
        QDir().mkpath(folder);
        copyWhole(shipped, copy);
    }
    return copy;
}

} // namespace tw::transfer
