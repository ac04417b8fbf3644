#include "cli/unattended.h"

#include "app/applicationtitle.h"
#include "app/dialogs.h"
#include "app/operationlog.h"
#include "app/settingsstore.h"
#include "cli/report.h"
#include "connect/db2connection.h"
#include "transfer/paradoxtables.h"
#include "transfer/sendtodb2.h"
#include "transfer/sendtoparadox.h"
#include "transfer/tablefiles.h"
#include "transfer/transferview.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <sys/stat.h>

namespace tw::cli {

volatile std::sig_atomic_t g_stopSignal = 0;

namespace {

using transfer::ListedTable;
using transfer::Outcome;
using transfer::TableReport;

// The wizard's boxes, as lines: errors and notices on standard error, the questions answered
// by the options.
class LineDialogs final : public app::Dialogs
{
public:
    LineDialogs(QTextStream &err, const Options &options)
        : m_err(err)
        , m_options(options)
    {}

    void notice(const QString &text) override { say(text); }

    void noticeWithDetails(const QString &text, const QString &details) override
    {
        say(text + QStringLiteral(" ") + app::flattened(details));
    }

    bool ask(const QString &text, const QString &caption) override
    {
        // A name longer than Paradox takes is cut, as Yes in the wizard; a table the other
        // side has is replaced only with --replace.
        if (caption == u"Overwrite?") {
            return m_options.replace;
        }
        (void)text;
        return caption == u"Continue?";
    }

    QString input(const QString &, const QString &) override { return {}; }

    QString pickFolder(QWidget *, const QString &, const QString &) override { return {}; }

    void errorReport(const QString &message) override { say(app::flattened(message)); }

private:
    void say(const QString &text)
    {
        m_err << "tablewright-copy: " << app::escapedText(text) << Qt::endl;
    }

    QTextStream &m_err;
    const Options &m_options;
};

// The bar on a terminal, and the stop a signal asks for.
class LineProgress final : public transfer::Progress
{
public:
    LineProgress(QTextStream &err, bool shown)
        : m_err(err)
        , m_shown(shown)
    {}

    void tick() override {}

    bool stopping() const override { return g_stopSignal != 0; }

    void set(double percent) override
    {
        const int whole = static_cast<int>(percent);
        if (!m_shown || whole == m_last) {
            return;
        }
        m_last = whole;
        const int filled = whole * 30 / 100;
        m_err << "\r[" << QString(filled, u'#') << QString(30 - filled, u' ') << "] "
              << QString::number(whole).rightJustified(3) << '%' << Qt::flush;
    }

    void reset() override
    {
        if (m_shown && m_last >= 0) {
            m_err << "\r" << QString(38, u' ') << "\r" << Qt::flush;
        }
        m_last = -1;
    }

    void busy(bool) override {}

private:
    QTextStream &m_err;
    bool m_shown;
    int m_last = -1;
};

class LineView final : public transfer::TransferView
{
public:
    LineView(connect::ConnectionSettings fields,
             QString programFolder,
             bool typed,
             LineProgress &progress)
        : m_fields(std::move(fields))
        , m_programFolder(std::move(programFolder))
        , m_typed(typed)
        , m_progress(progress)
    {}

    transfer::TableRows &db2List() override { return m_db2; }

    transfer::TableRows &paradoxList() override { return m_paradox; }

    transfer::Progress &progress() override { return m_progress; }

    connect::ConnectionSettings connectionSettings() const override { return m_fields; }

    QString programFolder() const override { return m_programFolder; }

    bool keepsTypes(Direction) const override { return m_typed; }

    QString origin() const override { return QStringLiteral("from the command line"); }

private:
    connect::ConnectionSettings m_fields;
    QString m_programFolder;
    bool m_typed;
    LineProgress &m_progress;
    transfer::TableRows m_db2;
    transfer::TableRows m_paradox;
};

// Why a settings file given with --settings is not used: missing, a link, or open to others.
QString settingsProblem(const QString &path)
{
    struct stat info
    {};

    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        return QStringLiteral("the settings file ") + path + QStringLiteral(" does not exist");
    }
    if (!S_ISREG(info.st_mode)) {
        return QStringLiteral("the settings file ") + path +
               QStringLiteral(" is not a regular file");
    }
    if ((info.st_mode & 077) != 0) {
        return QStringLiteral("the settings file ") + path +
               QStringLiteral(" may be read by others, and it holds the DB2 password: make it "
                              "private (chmod 600) first");
    }
    return {};
}

// The program folder, where the staging database is: this program's own (an install puts it
// beside the wizard, and a launcher in bin/).
QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

struct Connection
{
    connect::ConnectionSettings fields;
    QString problem; // why the run cannot start; empty when it can
};

Connection connectionFrom(const Options &options, app::SettingsStore &settings)
{
    auto setting = [&](const char *key, const QString &fallback = {}) {
        return settings.GetSetting(QString::fromLatin1(key), fallback);
    };
    Connection c{{setting("ParadoxFolder"),
                  setting("Server"),
                  setting("Port", QStringLiteral("50069")),
                  setting("User"),
                  setting("Password"),
                  setting("Database")},
                 settings.problem()};
    if (qEnvironmentVariableIsSet("TABLEWRIGHT_DB2_PASSWORD")) {
        c.fields.password = qEnvironmentVariable("TABLEWRIGHT_DB2_PASSWORD");
    }
    if (options.folder) {
        c.fields.paradoxFolder = *options.folder;
    }
    const QFileInfo folder(c.fields.paradoxFolder);
    if (c.problem.isEmpty() && (c.fields.paradoxFolder.isEmpty() || !folder.isDir())) {
        c.problem = QStringLiteral("the Paradox folder \"") +
                    app::escapedText(c.fields.paradoxFolder) +
                    QStringLiteral("\" does not exist or is no folder");
    }
    return c;
}

// The source tables a run copies: the names given (as the list shows them, else letter case
// ignored), or every one. Names no table answers to are reported failed.
std::vector<TableReport> selectSources(transfer::TableRows &list, const QStringList &names)
{
    std::vector<QString> chosen;
    std::vector<TableReport> missing;
    const std::vector<ListedTable> all = list.tables();
    for (const QString &name : names) {
        QString found;
        for (const ListedTable &table : all) {
            if (table.shown() == name) {
                found = name;
                break;
            }
            if (found.isEmpty() && table.shown().compare(name, Qt::CaseInsensitive) == 0) {
                found = table.shown();
            }
        }
        if (found.isEmpty()) {
            missing.push_back({name, Outcome::Failed, QStringLiteral("no such table"), {}});
        } else {
            chosen.push_back(found);
        }
    }
    if (names.isEmpty() || !chosen.empty()) {
        list.select(chosen);
    }
    return missing;
}

int listTables(bool db2,
               LineView &view,
               app::Dialogs &dialogs,
               app::OperationLog &log,
               QTextStream &out,
               QTextStream &err)
{
    try {
        if (db2) {
            transfer::LoadDB2Tables(view.db2List(),
                                    connect::Db2ConnectionString(view.connectionSettings()));
        } else {
            transfer::LoadParadoxTables(
                view.paradoxList(), view.connectionSettings().paradoxFolder, dialogs, log);
        }
    } catch (const std::exception &e) {
        err << "tablewright-copy: " << app::escapedText(QString::fromUtf8(e.what())) << Qt::endl;
        return kUsage;
    }
    for (const ListedTable &table : (db2 ? view.db2List() : view.paradoxList()).tables()) {
        out << app::escapedText(table.shown()) << Qt::endl;
    }
    return kAllDone;
}

int copyTables(const Options &options,
               LineView &view,
               app::Dialogs &dialogs,
               app::OperationLog &log,
               QTextStream &out,
               QTextStream &err)
{
    const bool toDb2 = options.action == Options::Action::ToDb2;
    const connect::ConnectionSettings fields = view.connectionSettings();
    try {
        transfer::LoadDB2Tables(view.db2List(), connect::Db2ConnectionString(fields));
        transfer::LoadParadoxTables(view.paradoxList(), fields.paradoxFolder, dialogs, log);
    } catch (const std::exception &e) {
        err << "tablewright-copy: " << app::escapedText(QString::fromUtf8(e.what())) << Qt::endl;
        return kUsage;
    }
    transfer::TableRows &source = toDb2 ? view.paradoxList() : view.db2List();
    std::vector<TableReport> reports = selectSources(source, options.tables);
    for (const TableReport &report : reports) {
        err << "tablewright-copy: no table " << app::escapedText(report.table) << " on the "
            << (toDb2 ? "Paradox" : "DB2") << " side" << Qt::endl;
    }
    std::vector<TableReport> copied;
    if (!source.tables().empty() && (options.tables.isEmpty() || source.selectedCount() > 0)) {
        copied = toDb2 ? transfer::SendToDb2(dialogs, log, view).run()
                       : transfer::SendToParadox(dialogs, log, view).run();
    }
    reports.insert(reports.end(), copied.begin(), copied.end());
    const RunReport run = summarize(reports, options);
    if (!options.quiet) {
        for (const TableLine &line : run.lines) {
            out << app::escapedText(line.text) << Qt::endl;
        }
    }
    if (options.report && !writeReport(*options.report, run, toDb2)) {
        err << "tablewright-copy: cannot write the report " << *options.report << Qt::endl;
    }
    if (g_stopSignal != 0) {
        return g_stopSignal == SIGINT ? kInterrupted : kTerminated;
    }
    return run.allDone ? kAllDone : kNotAllDone;
}

} // namespace

int runCommandLine(const Options &options, QTextStream &out, QTextStream &err, bool terminal)
{
    if (options.action == Options::Action::Help) {
        out << usageText();
        return kAllDone;
    }
    if (options.action == Options::Action::Version) {
        out << "tablewright-copy " << app::programVersion() << Qt::endl;
        return kAllDone;
    }
    const QString path = options.settings.value_or(app::SettingsStore::userStorePath());
    if (const QString problem = settingsProblem(path);
        !problem.isEmpty() && (options.settings || QFileInfo::exists(path))) {
        err << "tablewright-copy: " << problem << Qt::endl;
        return kUsage;
    }
    app::SettingsStore settings(path);
    transfer::chooseParadoxCodePages(settings);
    const Connection connection = connectionFrom(options, settings);
    if (!connection.problem.isEmpty()) {
        err << "tablewright-copy: " << connection.problem << Qt::endl;
        return kUsage;
    }
    const bool needsDb2 = options.action != Options::Action::ListParadox &&
                          options.action != Options::Action::Recover;
    if (needsDb2) {
        if (const QString failure = connect::db2ConnectionFailure(connection.fields);
            !failure.isEmpty()) {
            err << "tablewright-copy: cannot connect to DB2 ("
                << connect::db2Target(connection.fields) << "): " << app::flattened(failure)
                << Qt::endl;
            return kUsage;
        }
    }
    app::OperationLog log(app::OperationLog::userLogPath());
    LineDialogs lines(err, options);
    app::LoggingDialogs dialogs(lines, log);
    dialogs.setApplicationTitle(app::kProductTitle);
    LineProgress progress(err, terminal && !options.quiet);
    LineView view(connection.fields, programFolder(), options.keepTypes, progress);
    switch (options.action) {
    case Options::Action::ListParadox:
    case Options::Action::ListDb2:
        return listTables(options.action == Options::Action::ListDb2, view, dialogs, log, out, err);
    case Options::Action::Recover:
        for (const QString &line : transfer::recoverForWorkstation(connection.fields.paradoxFolder,
                                                                   options.workstation)) {
            log.note(line);
            out << app::escapedText(line) << Qt::endl;
        }
        return kAllDone;
    default:
        return copyTables(options, view, dialogs, log, out, err);
    }
}

} // namespace tw::cli
