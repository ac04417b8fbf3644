// tablewright-copy: copies whole tables between a Paradox folder and a DB2 database without a
// window, with the wizard's own copies.

#include "cli/commandline.h"
#include "cli/unattended.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

void askToStop(int signal)
{
    tw::cli::g_stopSignal = signal;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto parsed = tw::cli::parseCommandLine(QCoreApplication::arguments().mid(1));
    if (const auto *usage = std::get_if<tw::cli::UsageError>(&parsed)) {
        err << "tablewright-copy: " << usage->problem << "\n\n" << tw::cli::usageText();
        return tw::cli::kUsage;
    }

    // A signal stops the work as closing the wizard's window does: after the statement in
    // flight, with nothing half made left.
    struct sigaction action
    {};

    action.sa_handler = askToStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return tw::cli::runCommandLine(std::get<tw::cli::Options>(parsed), out, err, ::isatty(2) != 0);
}
