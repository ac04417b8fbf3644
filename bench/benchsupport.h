#pragma once

// Small helpers the benchmarks share: wall time, peak memory, a Paradox field, and dialogs
// that answer Yes and stay silent.

#include "paradox/format.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>

#ifdef TW_BENCH_DIALOGS
#include "app/dialogs.h"

#include <QString>
#endif

namespace tw::bench {

inline double since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

inline paradox::Field field(const char *name, paradox::FieldType type, int size = 0)
{
    paradox::Field f;
    f.name = name;
    f.type = type;
    f.size = static_cast<std::uint8_t>(size);
    return f;
}

#ifdef TW_BENCH_DIALOGS
class SilentDialogs final : public app::Dialogs
{
public:
    void notice(const QString &) override {}

    bool ask(const QString &, const QString &) override { return true; }

    QString input(const QString &, const QString &initial) override { return initial; }

    QString pickFolder(QWidget *, const QString &, const QString &) override { return {}; }

    void errorReport(const QString &message) override
    {
        std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    }
};
#endif

} // namespace tw::bench
