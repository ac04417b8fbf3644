#include "app/operationlog.h"

#include "core/filename.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tw::app {

QString OperationLog::userLogPath()
{
    // The XDG state folder ($XDG_STATE_HOME, by default ~/.local/state).
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty()) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return state + QStringLiteral("/Kelvarin/Tablewright/operations.log");
}

OperationLog::OperationLog(QString path)
    : m_path(std::move(path))
{}

void OperationLog::append(const QString &line)
{
    if (m_path.isEmpty()) {
        return;
    }
    const QFileInfo info(m_path);
    QDir().mkpath(info.absolutePath());
    if (info.exists() && info.size() >= kRotateAtBytes) {
        const QString older = m_path + QStringLiteral(".1");
        QFile::remove(older);
        QFile::rename(m_path, older);
    }
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return; // the log is a help, never a reason to fail
    }
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write((escapedText(line) + u'\n').toUtf8());
}

void OperationLog::operation(const QString &name)
{
    append(QDateTime::currentDateTime().toString(Qt::ISODate) + u' ' + name);
}

void OperationLog::table(const QString &name,
                         std::int64_t rowsRead,
                         std::int64_t rowsWritten,
                         std::int64_t sourceCount,
                         std::optional<std::int64_t> readBack)
{
    append(QStringLiteral("  table %1: %2 rows read, %3 rows written")
               .arg(name)
               .arg(rowsRead)
               .arg(rowsWritten));
    if (!readBack) {
        append(QStringLiteral("  NOT VERIFIED %1: the table written could not be read back")
                   .arg(name));
    } else if (*readBack == sourceCount) {
        append(QStringLiteral("  verified %1: read back, the table holds the source's count of "
                              "rows (%2)")
                   .arg(name)
                   .arg(sourceCount));
    } else {
        append(QStringLiteral("  NOT VERIFIED %1: read back, the table holds %2 rows, the "
                              "source counts %3")
                   .arg(name)
                   .arg(*readBack)
                   .arg(sourceCount));
    }
}

void OperationLog::note(const QString &text)
{
    append(QStringLiteral("  ") + text);
}

void OperationLog::error(const QString &reportText)
{
    append(QStringLiteral("  error: ") + flattened(reportText));
}

QString escapedText(const QString &text)
{
    return QString::fromStdString(tw::escapedText(text.toStdString()));
}

QString flattened(const QString &text)
{
    QString flat = text;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
    flat.replace(u'\r', u' ');
    flat.replace(u'\n', QStringLiteral(" | "));
    return flat.simplified();
}

void LoggingDialogs::notice(const QString &text)
{
    m_inner.setApplicationTitle(applicationTitle());
    m_inner.notice(text);
}

void LoggingDialogs::noticeWithDetails(const QString &text, const QString &details)
{
    m_inner.setApplicationTitle(applicationTitle());
    m_inner.noticeWithDetails(text, details);
}

bool LoggingDialogs::ask(const QString &text, const QString &caption)
{
    const bool yes = m_inner.ask(text, caption);
    m_log.note(QStringLiteral("asked \"") + flattened(text) + QStringLiteral("\" (") + caption +
               QStringLiteral("): ") + (yes ? QStringLiteral("Yes") : QStringLiteral("No")));
    return yes;
}

QString LoggingDialogs::input(const QString &prompt, const QString &initial)
{
    m_inner.setApplicationTitle(applicationTitle());
    return m_inner.input(prompt, initial);
}

QString LoggingDialogs::pickFolder(QWidget *owner, const QString &prompt, const QString &start)
{
    return m_inner.pickFolder(owner, prompt, start);
}

void LoggingDialogs::errorReport(const QString &message)
{
    m_log.error(message);
    m_inner.errorReport(message);
}

} // namespace tw::app
