#pragma once

// The typed copy to Paradox: for each DB2 column, by its declared type, the Paradox field
// that holds every value of that type exactly, and each value as that field takes it.

#include "core/value.h"
#include "db/field.h"
#include "paradox/format.h"

#include <string>
#include <vector>

namespace tw::transfer {

struct ParadoxFields
{
    std::vector<paradox::Field> fields;
    // For the operation log: each column with its DB2 type and the field it became.
    std::vector<std::string> notes;
};

ParadoxFields planParadoxFields(const std::vector<db::Field> &columns);

// Turns a row read from DB2 into the values the fields take: a value kept as text (a
// DECFLOAT) as its text.
void toParadoxValues(const std::vector<paradox::Field> &fields, std::vector<db::Value> &row);

} // namespace tw::transfer
