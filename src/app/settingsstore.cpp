#include "settingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::app {

namespace {

QString sectionKey(const QString &key)
{
    return QString::fromLatin1(SettingsStore::kSection) + u'/' + key;
}

// Creates the file empty and private before QSettings writes to it, so the password is
// never readable by others, not even for a moment; an existing one is never replaced or
// followed when it is a link.
void createPrivateFile(const QString &filePath)
{
    const QFileInfo info(filePath);
    QDir().mkpath(info.absolutePath());
    const QByteArray path = QFile::encodeName(filePath);
    const int fd = ::open(
        path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) {
        ::close(fd);
    }
}

} // namespace

QString SettingsStore::userStorePath()
{
    const QString configRoot =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return configRoot + u'/' + QString::fromLatin1(kApplication) + u'/' +
           QString::fromLatin1(kSection) + QStringLiteral(".ini");
}

SettingsStore::SettingsStore(const QString &filePath)
    : m_filePath(filePath)
{
    createPrivateFile(filePath);
    if (usable()) {
        keepPrivate();
        m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
    }
}

bool SettingsStore::usable()
{
    struct stat info
    {};

    const QByteArray path = QFile::encodeName(m_filePath);
    if (::lstat(path.constData(), &info) != 0 || S_ISREG(info.st_mode)) {
        return true;
    }
    m_problem = QStringLiteral("The settings file ") + m_filePath +
                (S_ISLNK(info.st_mode) ? QStringLiteral(" is a symbolic link")
                                       : QStringLiteral(" is not a regular file")) +
                QStringLiteral(", which the program never reads or writes through: it holds the "
                               "DB2 password. The fields are neither restored nor remembered "
                               "until it is an ordinary file again (or removed).");
    m_settings.reset();
    return false;
}

QString SettingsStore::GetSetting(const QString &key, const QString &defaultValue) const
{
    if (!m_settings) {
        return defaultValue;
    }
    const QVariant value = m_settings->value(sectionKey(key));
    return value.isValid() ? value.toString() : defaultValue;
}

void SettingsStore::SaveSetting(const QString &key, const QString &value)
{
    if (!m_settings || !usable()) {
        return;
    }
    keepPrivate(); // the replacement QSettings writes takes the mode of the file it replaces
    m_settings->setValue(sectionKey(key), value);
    m_settings->sync();
    keepPrivate();
}

bool SettingsStore::contains(const QString &key) const
{
    return m_settings && m_settings->contains(sectionKey(key));
}

void SettingsStore::keepPrivate() const
{
    const int fd = ::open(QFile::encodeName(m_filePath).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return;
    }

    struct stat info
    {};

    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        ::fchmod(fd, S_IRUSR | S_IWUSR);
    }
    ::close(fd);
}

} // namespace tw::app
