#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace tw::app {

// The per-user store of the connection fields: flat text keys under one application and one
// section, written through on every change and synced at once. A key never written is absent
// and reads as the caller's default; an empty value is stored and read back as empty.
//
// The file holds the DB2 password in clear text, so it is kept private to its owner (0600)
// after every write, whoever changed its mode. A link (or anything but a regular file) in
// its place is never read through or written through: the store then reads as empty, keeps
// nothing, and problem() says why.
class SettingsStore
{
public:
    static constexpr auto kApplication = "Kelvarin";
    static constexpr auto kSection = "Tablewright";

    // The store of the user running the program, under the XDG config folder.
    static QString userStorePath();

    explicit SettingsStore(const QString &filePath);

    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString GetSetting(const QString &key, const QString &defaultValue = {}) const;
    void SaveSetting(const QString &key, const QString &value);
    bool contains(const QString &key) const;

    const QString &filePath() const { return m_filePath; }

    // Why the file is not used, for one box; empty while it is.
    const QString &problem() const { return m_problem; }

private:
    // False, with problem() set, when something other than a regular file holds the name.
    bool usable();
    void keepPrivate() const;

    QString m_filePath;
    QString m_problem;
    std::unique_ptr<QSettings> m_settings;
};

} // namespace tw::app
