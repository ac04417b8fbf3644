#pragma once

#include "app/dialogs.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace tw::app {

// The user's record of what the program did: each operation with its time, each table with
// the rows read and written and whether they match the source's count, and every error the
// error report box showed. It never shows a box of its own: a log that cannot be written is
// skipped. The file is rotated (one older file kept) so it stays small. Every line is
// written with its control characters escaped: a table name holding a line break cannot
// add a line of its own.
class OperationLog
{
public:
    static constexpr std::int64_t kRotateAtBytes = 1024 * 1024;

    // The log of the user running the program, under the XDG state folder.
    static QString userLogPath();

    // A log with no path records nothing: for work whose record is kept elsewhere, and tests.
    explicit OperationLog(QString path = {});

    void operation(const QString &name);
    // A table's rows: read from the source, written to the target, the source's count, and
    // the rows the target table holds as counted by reading it back (nothing when it could
    // not be read back). Only a count read back verifies a copy.
    void table(const QString &name,
               std::int64_t rowsRead,
               std::int64_t rowsWritten,
               std::int64_t sourceCount,
               std::optional<std::int64_t> readBack);
    void note(const QString &text);
    void error(const QString &reportText);

    const QString &path() const { return m_path; }

private:
    void append(const QString &line);

    QString m_path;
};

// A text of several lines as one log line: line breaks become " | ".
QString flattened(const QString &text);

// A name or value as the log and the boxes show it: each character that could break a line
// or pass for other text escaped (core/filename.h), so a name cannot forge a line.
QString escapedText(const QString &text);

// Dialogs that also write into the operation log every error report and every question with
// its answer.
class LoggingDialogs final : public Dialogs
{
public:
    LoggingDialogs(Dialogs &inner, OperationLog &log)
        : m_inner(inner)
        , m_log(log)
    {}

    void notice(const QString &text) override;
    void noticeWithDetails(const QString &text, const QString &details) override;
    bool ask(const QString &text, const QString &caption) override;
    QString input(const QString &prompt, const QString &initial) override;
    QString pickFolder(QWidget *owner, const QString &prompt, const QString &start) override;
    void errorReport(const QString &message) override;

private:
    Dialogs &m_inner;
    OperationLog &m_log;
};

} // namespace tw::app
