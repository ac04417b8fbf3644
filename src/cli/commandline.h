#pragma once

// tw_cli: tablewright-copy, the command line that runs the wizard's copies without a window:
// its options, its view of the work (the lists, the progress on a terminal, the answers to
// the wizard's questions) and its report.

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace tw::cli {

struct Options
{
    enum class Action { ToDb2, ToParadox, ListParadox, ListDb2, Recover, Help, Version };

    Action action = Action::Help;
    QStringList tables;              // the tables to copy; every one of the source side when empty
    std::optional<QString> settings; // --settings FILE
    std::optional<QString> folder;   // --folder DIR
    bool keepTypes = false;          // --keep-types
    bool replace = false;            // --replace
    bool skipExisting = false;       // --skip-existing
    bool quiet = false;              // --quiet
    std::optional<QString> report;   // --report FILE
    QString workstation;             // --recover-for WORKSTATION
};

// A command line that names no action, an unknown option, or options that contradict each
// other: the one line that says what is wrong.
struct UsageError
{
    QString problem;
};

// Reads the arguments after the program's name.
std::variant<Options, UsageError> parseCommandLine(const QStringList &arguments);

// The text of --help.
QString usageText();

} // namespace tw::cli
