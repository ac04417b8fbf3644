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
// holds), BIGINT (which may hold nothing a Long Integer does not), DECFLOAT (whose digits a
// BCD may hold) and the integers of an identity column.
struct ColumnSurvey
{
    std::size_t longestText = 0; // in characters
    bool fitsLong = true;
    bool allPositive = true; // no integer below 1, no Null: an Autoincrement field holds them
    // A DECFLOAT's values: all plain digits (no exponent, no Infinity or NaN), with at most
    // so many digits before and after the point.
    bool plainDigits = true;
    int wholeDigits = 0;
    int fractionDigits = 0;
};

// Gathers the survey from the rows as they are read (a Recordset's row watch).
class RowSurvey
{
public:
    void look(const std::vector<db::Field> &columns, const std::vector<db::Value> &row);

    // One per column, or none when no row was shown.
    const std::vector<ColumnSurvey> &found() const { return m_found; }

private:
    std::vector<std::size_t> m_watched; // the columns whose field depends on their values
    std::vector<ColumnSurvey> m_found;
};

struct FieldChoice
{
    // The DB2 primary key's columns in key order. The table is keyed on them unless one
    // becomes a memo or a blob (no key holds those) or, where `textKeysInByteOrder` is
    // false, text: the language driver then orders text in a way of its own, which the sort
    // of the records could not follow. The notes say why a key was not kept.
    std::vector<std::string> key;
    bool textKeysInByteOrder = true;
    // The identity columns: each becomes an Autoincrement field when its values are all
    // positive Long Integers (the table's next value is then the one after the largest).
    std::vector<std::string> identity;
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
