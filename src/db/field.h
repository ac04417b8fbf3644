#pragma once

#include <cstdint>
#include <string>

namespace tw::db {

// Data type codes of a record set's fields, with the values database access clients know
// (a code without a name here is still a code: DataTypeName knows 39).
enum DataType : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adBoolean = 11,
    adTinyInt = 16,
    adBigInt = 20,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// Where a record set's cursor lives: on the server (rows stream, RecordCount is -1) or with
// the client (the count is exact before the first row is read).
enum class CursorLocation { Server = 2, Client = 3 };

inline constexpr int adSchemaTables = 20;

struct Field
{
    std::string name;
    DataType type = adVarChar;
    // The column as the data source describes it (sqltype.h), where it does: its SQL type,
    // its size (characters or bytes; the precision of a number) and its decimal digits.
    int sqlType = 0;
    std::int64_t size = 0;
    int digits = 0;
};

} // namespace tw::db
