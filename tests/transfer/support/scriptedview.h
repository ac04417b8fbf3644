#pragma once

#include "transfer/transferview.h"

#include <functional>
#include <vector>

namespace tw::test {

// A Progress that keeps what the work showed: each bar value, each pointer change, the ticks;
// `stopAfterTicks` makes the work stop, as a closed window would, after that many ticks.
class RecordingProgress final : public transfer::Progress
{
public:
    void tick() override { ++ticks; }

    bool stopping() const override { return stopAfterTicks >= 0 && ticks >= stopAfterTicks; }

    void set(double percent) override { bar.push_back(percent); }

    void reset() override { bar.push_back(0); }

    void busy(bool on) override { pointer.push_back(on); }

    std::vector<double> bar;
    std::vector<bool> pointer; // true: the hourglass
    int ticks = 0;
    int stopAfterTicks = -1;
};

// The operations' view without a window: two plain lists, a recording progress, the
// connection fields and the choice of the typed copy.
class ScriptedView final : public transfer::TransferView
{
public:
    transfer::TableRows &db2List() override { return db2; }

    transfer::TableRows &paradoxList() override { return paradox; }

    RecordingProgress &progress() override { return recorded; }

    connect::ConnectionSettings connectionSettings() const override { return fields; }

    QString programFolder() const override { return folder; }

    bool keepsTypes(Direction) const override { return typed; }

    transfer::TableRows db2;
    transfer::TableRows paradox;
    RecordingProgress recorded;
    connect::ConnectionSettings fields;
    QString folder;
    bool typed = false;
};

} // namespace tw::test
