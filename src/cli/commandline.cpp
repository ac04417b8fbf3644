#include "cli/commandline.h"

namespace tw::cli {

namespace {

// An option that takes a value, as --name VALUE or --name=VALUE.
struct ValueOption
{
    const char *name;
    std::optional<QString> Options::*target;
};

constexpr ValueOption kValueOptions[] = {
    {"--settings", &Options::settings},
    {"--folder", &Options::folder},
    {"--report", &Options::report},
};

struct FlagOption
{
    const char *name;
    bool Options::*target;
};

constexpr FlagOption kFlags[] = {
    {"--keep-types", &Options::keepTypes},
    {"--replace", &Options::replace},
    {"--skip-existing", &Options::skipExisting},
    {"--quiet", &Options::quiet},
};

struct Reader
{
    const QStringList &arguments;
    qsizetype at = 0;

    // The value of an option: what follows "=", or the next argument.
    std::optional<QString> valueOf(const QString &argument, const QString &name)
    {
        if (argument.size() > name.size()) {
            return argument.mid(name.size() + 1);
        }
        if (at + 1 >= arguments.size()) {
            return std::nullopt;
        }
        return arguments[++at];
    }
};

bool named(const QString &argument, const char *name)
{
    const QString option = QString::fromLatin1(name);
    return argument == option || argument.startsWith(option + u'=');
}

// The options that are the run's action and take no value.
struct ActionOption
{
    const char *name;
    Options::Action action;
};

constexpr ActionOption kActions[] = {
    {"--help", Options::Action::Help},
    {"-h", Options::Action::Help},
    {"--version", Options::Action::Version},
    {"--to-db2", Options::Action::ToDb2},
    {"--to-paradox", Options::Action::ToParadox},
};

// Takes `chosen` as the run's action; an error when another was given.
std::optional<UsageError> choose(std::optional<Options::Action> &action, Options::Action chosen)
{
    if (action && *action != chosen) {
        return UsageError{QStringLiteral("give one of --to-db2, --to-paradox, --list and "
                                         "--recover-for, not two")};
    }
    action = chosen;
    return std::nullopt;
}

// --list WHAT and --recover-for HOST: actions with a value.
std::optional<UsageError> readValuedAction(Reader &reader,
                                           const QString &argument,
                                           Options &options,
                                           std::optional<Options::Action> &action)
{
    const bool list = named(argument, "--list");
    const QString name = list ? QStringLiteral("--list") : QStringLiteral("--recover-for");
    const std::optional<QString> value = reader.valueOf(argument, name);
    if (!value || value->isEmpty()) {
        return UsageError{name + QStringLiteral(" needs a value")};
    }
    if (list && *value != u"paradox" && *value != u"db2") {
        return UsageError{QStringLiteral("--list takes paradox or db2, not ") + *value};
    }
    if (!list) {
        options.workstation = *value;
    }
    return choose(action,
                  !list                  ? Options::Action::Recover
                  : *value == u"paradox" ? Options::Action::ListParadox
                                         : Options::Action::ListDb2);
}

// One option at the reader's place, applied to `options`: an error when it is wrong or
// unknown.
std::optional<UsageError>
readOption(Reader &reader, Options &options, std::optional<Options::Action> &action)
{
    const QString &argument = reader.arguments[reader.at];
    if (argument == QStringLiteral("--password") ||
        argument.startsWith(QStringLiteral("--password="))) {
        return UsageError{QStringLiteral("the password is never taken from the command line, "
                                         "which others can read: keep it in the settings file "
                                         "or in TABLEWRIGHT_DB2_PASSWORD")};
    }
    for (const ActionOption &option : kActions) {
        if (argument == QString::fromLatin1(option.name)) {
            return choose(action, option.action);
        }
    }
    if (named(argument, "--list") || named(argument, "--recover-for")) {
        return readValuedAction(reader, argument, options, action);
    }
    for (const ValueOption &option : kValueOptions) {
        if (named(argument, option.name)) {
            const std::optional<QString> value =
                reader.valueOf(argument, QString::fromLatin1(option.name));
            if (!value || value->isEmpty()) {
                return UsageError{QString::fromLatin1(option.name) +
                                  QStringLiteral(" needs a value")};
            }
            options.*option.target = value;
            return std::nullopt;
        }
    }
    for (const FlagOption &flag : kFlags) {
        if (argument == QString::fromLatin1(flag.name)) {
            options.*flag.target = true;
            return std::nullopt;
        }
    }
    return UsageError{QStringLiteral("unknown option ") + argument};
}

} // namespace

std::variant<Options, UsageError> parseCommandLine(const QStringList &arguments)
{
    Options options;
    std::optional<Options::Action> action;
    Reader reader{arguments};
    bool onlyTables = false;
    for (; reader.at < arguments.size(); ++reader.at) {
        const QString &argument = arguments[reader.at];
        if (onlyTables || !argument.startsWith(u'-') || argument == u'-') {
            options.tables << argument;
        } else if (argument == QStringLiteral("--")) {
            onlyTables = true;
        } else if (const std::optional<UsageError> error = readOption(reader, options, action)) {
            return *error;
        }
    }
    if (!action) {
        return UsageError{QStringLiteral("no direction given: --to-db2, --to-paradox or --list")};
    }
    if (options.replace && options.skipExisting) {
        return UsageError{QStringLiteral("--replace and --skip-existing contradict each other")};
    }
    const bool copies = *action == Options::Action::ToDb2 || *action == Options::Action::ToParadox;
    if (!copies && !options.tables.isEmpty()) {
        return UsageError{QStringLiteral("tables are named only with --to-db2 or --to-paradox")};
    }
    options.action = *action;
    return options;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: tablewright-copy [OPTIONS] --to-db2     [TABLE...]\n"
        "       tablewright-copy [OPTIONS] --to-paradox [TABLE...]\n"
        "       tablewright-copy [OPTIONS] --list paradox|db2\n"
        "       tablewright-copy [OPTIONS] --recover-for WORKSTATION\n"
        "       tablewright-copy --help | --version\n"
        "\n"
        "Copies whole tables between the Paradox folder and the DB2 database of the Tablewright\n"
        "settings, with the wizard's copies: every table of the source side, or those named.\n"
        "\n"
        "  --to-db2              send Paradox tables to DB2\n"
        "  --to-paradox          send DB2 tables to the Paradox folder\n"
        "  --list paradox|db2    print the tables of one side, one a line\n"
        "  --recover-for NAME    complete or undo what the workstation NAME, gone for good, left\n"
        "                        half done in the Paradox folder\n"
        "  --settings FILE       read the connection from FILE (it must be private to you)\n"
        "  --folder DIR          use DIR as the Paradox folder\n"
        "  --keep-types          the typed copy: column types, keys and indexes\n"
        "  --replace             replace a table the other side already has\n"
        "  --skip-existing       leave such a table alone (without either: it is reported\n"
        "                        \"exists\" and not copied)\n"
        "  --quiet               print nothing but errors\n"
        "  --report FILE         write what happened to each table as JSON\n"
        "  --help, --version     this text; the version\n"
        "\n"
        "The password comes from the settings file or from TABLEWRIGHT_DB2_PASSWORD, never from\n"
        "the command line. Exit status: 0 when every table was copied and verified, 1 when any\n"
        "was not, 2 for a wrong command line or a connection that cannot be opened, 130 or 143\n"
        "when interrupted or terminated.\n");
}

} // namespace tw::cli
