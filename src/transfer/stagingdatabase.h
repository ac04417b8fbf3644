#pragma once

#include <QString>

namespace tw::transfer {

// The staging database of one copy to Paradox: a private copy of the shipped empty one
// (dbtemp.mdb in the program folder, never changed) under the user's cache folder, made when
// the copy starts and removed when it ends. No other copy, in this program or in another
// instance of it, can drop or fill its tables. Copies left by a program that was killed are
// removed when the next one is made; a copy still in use by a running program is locked and
// never touched.
class StagingCopy
{
public:
    // Throws std::runtime_error when the copy cannot be made. When the shipped file is
    // missing, path() names it, so opening the staging database fails as it would.
    explicit StagingCopy(const QString &programFolder);
    ~StagingCopy();

    StagingCopy(const StagingCopy &) = delete;
    StagingCopy &operator=(const StagingCopy &) = delete;

    const QString &path() const { return m_path; }

    // The folder the copies are made in.
    static QString folder();

private:
    QString m_path;
    int m_lock = -1; // an open descriptor of the copy holding its lock, while it is ours
};

} // namespace tw::transfer
