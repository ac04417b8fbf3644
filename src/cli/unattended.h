#pragma once

#include "cli/commandline.h"

#include <QTextStream>

#include <csignal>

namespace tw::cli {

// How a run ends: its exit status.
enum ExitStatus : int {
    kAllDone = 0,       // every table copied and verified
    kNotAllDone = 1,    // a table failed, was skipped, exists already, or is not verified
    kUsage = 2,         // a wrong command line, or a connection that cannot be opened
    kInterrupted = 130, // SIGINT
    kTerminated = 143,  // SIGTERM
};

// The signal that asks the run to stop as closing the wizard's window does (after the
// statement in flight, nothing half made left): set by main's handlers, 0 while none came.
extern volatile std::sig_atomic_t g_stopSignal;

// Runs the command line; `out` gets one line per table, `err` the errors and (on a terminal)
// the progress bar. The password comes from the settings file or TABLEWRIGHT_DB2_PASSWORD.
int runCommandLine(const Options &options, QTextStream &out, QTextStream &err, bool terminal);

} // namespace tw::cli
