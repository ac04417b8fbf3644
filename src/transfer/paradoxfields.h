#pragma once

// The typed copy to Paradox: for each DB2 column, by its declared type, the Paradox field
// that holds every value of that type exactly, and each value as that field takes it.

#include "core/value.h"
#include "db/connection.h"
#include "db/field.h"
#include "paradox/format.h"

#include <functional>
#include <string>
#include <vector>

namespace tw::transfer {

struct ParadoxFields
{
    std::vector<paradox::Field> fields;
    // For the operation log: each column with its DB2 type and the field it became, and
    // what became of the key.
    std::vector<std::string> notes;
    // The leading fields that are the table's key: the DB2 primary key's columns, moved to
    // the front in key order (Paradox keys on its leading fields). 0 for an unkeyed table.
    std::size_t keyFields = 0;
    // The exchanges that put a row read from DB2 in the fields' order.
    std::vector<std::pair<std::size_t, std::size_t>> swaps;
};

// What the values of a column showed, for the columns whose declared type leaves their field
// open: texts declared longer than 255 (a length in bytes, which may still be text an Alpha
// holds) and BIGINT (which may hold nothing a Long Integer does not).
struct ColumnSurvey
{
    std::size_t longestText = 0; // in characters
    bool fitsLong = true;
};

// True when some column's field depends on its values.
bool needsSurvey(const std::vector<db::Field> &columns);
// Reads every row of a client cursor, then goes back to the first. `pump` runs now and then.
std::vector<ColumnSurvey> surveyRows(db::Recordset &rows, const std::function<void()> &pump);

struct FieldChoice
{
    // The DB2 primary key's columns in key order. The table is keyed on them unless one
    // becomes a memo or a blob (no key holds those) or, where `textKeysInByteOrder` is
    // false, text: the language driver then orders text in a way of its own, which the sort
    // of the records could not follow. The notes say why a key was not kept.
    std::vector<std::string> key;
    bool textKeysInByteOrder = true;
    // One per column, or none.
    std::vector<ColumnSurvey> survey;
    // The most UTF-8 bytes a character of the code page written takes: a text column
    // declared n bytes long holds no more than n / this many characters of it.
    int bytesPerCharacter = 1;
};

ParadoxFields planParadoxFields(const std::vector<db::Field> &columns,
                                const FieldChoice &choice = {});

// Turns a row read from DB2 into the values the fields take, in their order: a value kept
// as text (a DECFLOAT) as its text.
void toParadoxValues(const ParadoxFields &plan, std::vector<db::Value> &row);

} // namespace tw::transfer
