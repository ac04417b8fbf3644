#include "transfer/stagingdatabase.h"

#include "app/userfolders.h"
#include "core/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

namespace tw::transfer {

namespace {

const char *const kPattern = "dbtemp-XXXXXX.mdb";

// Removes a copy and the files its tables were kept in beside it (COPY-XXXXXX).
void removeCopy(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    for (const QString &table :
         dir.entryList({name + QStringLiteral("-*")}, QDir::Files | QDir::Hidden)) {
        ::unlink(QFile::encodeName(dir.filePath(table)).constData());
    }
    ::unlink(QFile::encodeName(dir.filePath(name)).constData());
}

// Removes the copies whose program is gone: a copy in use is locked by its program, and the
// lock ends with it, however it ends.
void removeLeftovers(const QString &folder)
{
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("dbtemp-*.mdb")}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const QByteArray path = QFile::encodeName(folder + u'/' + name);
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            removeCopy(folder, name);
        }
        ::close(fd);
    }
}

} // namespace

QString StagingCopy::folder()
{
    return app::userCacheFolder() + QStringLiteral("/staging");
}

StagingCopy::StagingCopy(const QString &programFolder)
{
    const QString shipped = programFolder + QStringLiteral("/dbtemp.mdb");
    if (!QFileInfo(shipped).isFile()) {
        m_path = shipped;
        return;
    }
    const QString where = folder();
    auto fail = [&](const QString &what) {
        throw std::runtime_error((QStringLiteral("Cannot make a private copy of the staging "
                                                 "database in ") +
                                  where + QStringLiteral(": ") + what)
                                     .toStdString());
    };
    if (!QDir().mkpath(where)) {
        fail(QStringLiteral("the folder cannot be made"));
    }
    QFile::setPermissions(where,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    removeLeftovers(where);

    QByteArray path = QFile::encodeName(where + u'/') + kPattern;
    const int fd = ::mkostemps(path.data(), 4, O_CLOEXEC);
    if (fd < 0) {
        fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    m_lock = fd;
    m_path = QFile::decodeName(path);
    ::flock(fd, LOCK_EX);
    const int in = ::open(QFile::encodeName(shipped).constData(), O_RDONLY | O_CLOEXEC);
    const bool copied = in >= 0 && copyAll(in, fd);
    const int error = errno;
    if (in >= 0) {
        ::close(in);
    }
    if (!copied) {
        ::unlink(path.constData());
        ::close(fd);
        m_lock = -1;
        fail(QString::fromLocal8Bit(std::strerror(error)));
    }
}

StagingCopy::~StagingCopy()
{
    if (m_lock >= 0) {
        const QFileInfo copy(m_path);
        removeCopy(copy.absolutePath(), copy.fileName());
        ::close(m_lock);
    }
}

} // namespace tw::transfer
