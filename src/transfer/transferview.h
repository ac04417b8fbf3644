#pragma once

#include "connect/connectionsettings.h"
#include "transfer/progress.h"
#include "transfer/tablelistview.h"

#include <QString>

namespace tw::transfer {

// What the copies, deletes and renames work through: the two table lists, the progress of
// the work, the connection fields as they read right now, the program folder and the choice
// "Keep column types and keys". The transfer page is one; the command line is another.
class TransferView
{
public:
    virtual ~TransferView() = default;

    virtual TableListView &db2List() = 0;
    virtual TableListView &paradoxList() = 0;
    virtual Progress &progress() = 0;
    virtual connect::ConnectionSettings connectionSettings() const = 0;
    virtual QString programFolder() const = 0;
    // "Keep column types and keys", chosen for each direction of copy.
    enum class Direction { ToDb2, ToParadox };
    virtual bool keepsTypes(Direction direction) const = 0;

    // Who runs the work, when not the transfer page: the log's line for the press says so.
    virtual QString origin() const { return {}; }

protected:
    TransferView() = default;
    TransferView(const TransferView &) = default;
    TransferView &operator=(const TransferView &) = default;
};

} // namespace tw::transfer
