#include "cli/report.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <map>

namespace tw::cli {

namespace {

using transfer::Outcome;

QString outcomeWord(const transfer::TableReport &report, const Options &options)
{
    switch (report.outcome) {
    case Outcome::Done:
        return QStringLiteral("done");
    case Outcome::Failed:
        return QStringLiteral("FAILED");
    case Outcome::Skipped:
        // The overwrite question answered No for want of --replace.
        return !options.skipExisting &&
                       (report.why == u"not overwritten" || report.why == u"answered No")
                   ? QStringLiteral("exists")
                   : QStringLiteral("skipped");
    case Outcome::Stopped:
        return QStringLiteral("stopped");
    case Outcome::NotTried:
        return QStringLiteral("not tried");
    }
    return {};
}

QString lineOf(const TableLine &line)
{
    QString text = line.outcome + u' ' + line.report.table;
    if (const auto &rows = line.report.rows) {
        text += QStringLiteral(": %1 rows read, %2 written, ").arg(rows->read).arg(rows->written) +
                (line.verified     ? QStringLiteral("verified")
                 : !rows->readBack ? QStringLiteral("not verified (not read back)")
                                   : QStringLiteral("not verified (%1 rows read back of %2)")
                                         .arg(*rows->readBack)
                                         .arg(rows->source));
        if (!line.report.why.isEmpty()) {
            text += QStringLiteral("; ") + line.report.why;
        }
    } else if (!line.report.why.isEmpty()) {
        text += QStringLiteral(": ") + line.report.why;
    }
    return text;
}

} // namespace

RunReport summarize(const std::vector<transfer::TableReport> &reports, const Options &options)
{
    RunReport run;
    for (const transfer::TableReport &report : reports) {
        TableLine line{
            report, outcomeWord(report, options), report.rows && report.rows->verified(), {}};
        line.text = lineOf(line);
        run.allDone = run.allDone && report.outcome == Outcome::Done && line.verified;
        run.lines.push_back(std::move(line));
    }
    return run;
}

bool writeReport(const QString &path, const RunReport &run, bool toDb2)
{
    QJsonArray tables;
    std::map<QString, int> totals;
    int verified = 0;
    for (const TableLine &line : run.lines) {
        QJsonObject table{{QStringLiteral("table"), line.report.table},
                          {QStringLiteral("outcome"), line.outcome},
                          {QStringLiteral("why"), line.report.why},
                          {QStringLiteral("verified"), line.verified}};
        if (const auto &rows = line.report.rows) {
            table[QStringLiteral("sourceRows")] = static_cast<double>(rows->source);
            table[QStringLiteral("rowsRead")] = static_cast<double>(rows->read);
            table[QStringLiteral("rowsWritten")] = static_cast<double>(rows->written);
            table[QStringLiteral("rowsReadBack")] =
                rows->readBack ? QJsonValue(static_cast<double>(*rows->readBack)) : QJsonValue();
        }
        tables.append(table);
        ++totals[line.outcome];
        verified += line.verified ? 1 : 0;
    }
    QJsonObject sums{{QStringLiteral("tables"), static_cast<int>(run.lines.size())},
                     {QStringLiteral("verified"), verified}};
    for (const char *word : {"done", "FAILED", "skipped", "exists", "stopped", "not tried"}) {
        sums[QString::fromLatin1(word)] = totals[QString::fromLatin1(word)];
    }
    const QJsonObject root{{QStringLiteral("direction"),
                            toDb2 ? QStringLiteral("to-db2") : QStringLiteral("to-paradox")},
                           {QStringLiteral("tables"), tables},
                           {QStringLiteral("totals"), sums},
                           {QStringLiteral("allDone"), run.allDone}};
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(root).toJson()) >= 0 &&
           file.commit();
}

} // namespace tw::cli
