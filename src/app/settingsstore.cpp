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
// never readable by others, not even for a moment.
const QString &createPrivateFile(const QString &filePath)
{
    const QFileInfo info(filePath);
    QDir().mkpath(info.absolutePath());
    const QByteArray path = QFile::encodeName(filePath);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) {
        ::close(fd);
    }
    return filePath;
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
    , m_settings(createPrivateFile(filePath), QSettings::IniFormat)
{
    keepPrivate();
}

QString SettingsStore::GetSetting(const QString &key, const QString &defaultValue) const
{
    const QVariant value = m_settings.value(sectionKey(key));
    return value.isValid() ? value.toString() : defaultValue;
}

void SettingsStore::SaveSetting(const QString &key, const QString &value)
{
    m_settings.setValue(sectionKey(key), value);
    m_settings.sync();
    keepPrivate();
}

bool SettingsStore::contains(const QString &key) const
{
    return m_settings.contains(sectionKey(key));
}

void SettingsStore::keepPrivate()
{
    // QSettings replaces the file on sync; make sure the new one is private too.
    QFile::setPermissions(m_filePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace tw::app
