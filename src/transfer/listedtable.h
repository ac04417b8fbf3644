#pragma once

#include <QString>

namespace tw::transfer {

// A table an item stands for: its name, and for a DB2 table outside the user's current
// schema that schema (the item then shows SCHEMA.NAME, and every statement about it names
// the schema). Items of the current schema and Paradox items have none.
struct ListedTable
{
    QString schema;
    QString name;

    // The item's text: NAME, or SCHEMA.NAME.
    QString shown() const { return schema.isEmpty() ? name : schema + u'.' + name; }

    friend bool operator==(const ListedTable &, const ListedTable &) = default;
};

} // namespace tw::transfer
