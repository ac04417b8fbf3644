#pragma once

#include "cli/commandline.h"
#include "transfer/presslog.h"

#include <QString>

#include <vector>

namespace tw::cli {

// One table's outcome as the command line says it: done, FAILED, skipped, exists (not copied
// because the other side has it, and neither --replace nor --skip-existing was given),
// stopped or not tried.
struct TableLine
{
    transfer::TableReport report;
    QString outcome;
    bool verified = false;
    QString text; // the line on standard output
};

struct RunReport
{
    std::vector<TableLine> lines;
    bool allDone = true; // every table done and verified
};

RunReport summarize(const std::vector<transfer::TableReport> &reports, const Options &options);

// The run as JSON: one object per table, and the run's totals. False when it cannot be written.
bool writeReport(const QString &path, const RunReport &run, bool toDb2);

} // namespace tw::cli
