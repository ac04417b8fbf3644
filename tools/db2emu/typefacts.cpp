#include "typefacts.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>

namespace db2emu {

namespace {

// IBM's own SQL type codes (sqlcli.h), for the types ODBC has none of.
constexpr int kGraphic = -95;
constexpr int kVarGraphic = -96;
constexpr int kLongVarGraphic = -97;
constexpr int kBlob = -98;
constexpr int kClob = -99;
constexpr int kDbClob = -350;
constexpr int kDecFloat = -360;
constexpr int kXml = -370;
constexpr int kBoolean = 16;

constexpr long long kMostBytes = 2147483647; // 2 GB less a byte, the largest object
constexpr long long kDefaultLob = 1048576;

using F = Family;
using T = TypeId;

// clang-format off
constexpr std::array<TypeFacts, 23> kFacts = {{
    // id             name               family         code                bit data           long data         min  max          default       size bytes C default              padded
    {T::SmallInt,     "SMALLINT",        F::Integer,    SQL_SMALLINT,       0,                 SQL_SMALLINT,     0, 0,           0,            5,  2,  SQL_C_SSHORT,          false},
    {T::Integer,      "INTEGER",         F::Integer,    SQL_INTEGER,        0,                 SQL_INTEGER,      0, 0,           0,            10, 4,  SQL_C_SLONG,           false},
    {T::BigInt,       "BIGINT",          F::Integer,    SQL_BIGINT,         0,                 SQL_BIGINT,       0, 0,           0,            19, 8,  SQL_C_SBIGINT,         false},
    {T::Decimal,      "DECIMAL",         F::Exact,      SQL_DECIMAL,        0,                 SQL_DECIMAL,      1, 31,          5,            -1, -1, SQL_C_CHAR,            false},
    {T::DecFloat,     "DECFLOAT",        F::Exact,      kDecFloat,          0,                 kDecFloat,        16, 34,         34,           -1, -1, SQL_C_CHAR,            false, true},
    {T::Real,         "REAL",            F::Approximate, SQL_REAL,          0,                 SQL_REAL,         0, 0,           0,            24, 4,  SQL_C_FLOAT,           false},
    {T::Double,       "DOUBLE",          F::Approximate, SQL_DOUBLE,        0,                 SQL_DOUBLE,       0, 0,           0,            53, 8,  SQL_C_DOUBLE,          false},
    {T::Char,         "CHAR",            F::Character,  SQL_CHAR,           SQL_BINARY,        SQL_CHAR,         1, 255,         1,            -1, -1, SQL_C_CHAR,            true},
    {T::VarChar,      "VARCHAR",         F::Character,  SQL_VARCHAR,        SQL_VARBINARY,     SQL_VARCHAR,      1, 32672,       1,            -1, -1, SQL_C_CHAR,            false},
    {T::LongVarChar,  "LONG VARCHAR",    F::Character,  SQL_LONGVARCHAR,    SQL_LONGVARBINARY, SQL_LONGVARCHAR,  0, 0,           32700,        -1, -1, SQL_C_CHAR,            false},
    {T::Clob,         "CLOB",            F::Character,  kClob,              0,                 SQL_LONGVARCHAR,  1, kMostBytes,  kDefaultLob,  -1, -1, SQL_C_CHAR,            false},
    {T::Graphic,      "GRAPHIC",         F::Graphic,    kGraphic,           0,                 kGraphic,         1, 127,         1,            -1, -1, SQL_C_CHAR,            true},
    {T::VarGraphic,   "VARGRAPHIC",      F::Graphic,    kVarGraphic,        0,                 kVarGraphic,      1, 16336,       1,            -1, -1, SQL_C_CHAR,            false},
    {T::LongVarGraphic, "LONG VARGRAPHIC", F::Graphic,  kLongVarGraphic,    0,                 kLongVarGraphic,  0, 0,           16350,        -1, -1, SQL_C_CHAR,            false},
    {T::DbClob,       "DBCLOB",          F::Graphic,    kDbClob,            0,                 SQL_WLONGVARCHAR, 1, 1073741823,  kDefaultLob,  -1, -1, SQL_C_CHAR,            false},
    {T::Binary,       "BINARY",          F::Binary,     SQL_BINARY,         0,                 SQL_BINARY,       1, 255,         1,            -1, -1, SQL_C_BINARY,          true},
    {T::VarBinary,    "VARBINARY",       F::Binary,     SQL_VARBINARY,      0,                 SQL_VARBINARY,    1, 32672,       1,            -1, -1, SQL_C_BINARY,          false},
    {T::Blob,         "BLOB",            F::Binary,     kBlob,              0,                 SQL_LONGVARBINARY, 1, kMostBytes, kDefaultLob,  -1, -1, SQL_C_BINARY,          false},
    {T::Date,         "DATE",            F::Date,       SQL_TYPE_DATE,      0,                 SQL_TYPE_DATE,    0, 0,           0,            10, 6,  SQL_C_TYPE_DATE,       false},
    {T::Time,         "TIME",            F::Time,       SQL_TYPE_TIME,      0,                 SQL_TYPE_TIME,    0, 0,           0,            8,  6,  SQL_C_TYPE_TIME,       false},
    {T::Timestamp,    "TIMESTAMP",       F::Timestamp,  SQL_TYPE_TIMESTAMP, 0,                 SQL_TYPE_TIMESTAMP, 0, 12,        6,            -1, 16, SQL_C_TYPE_TIMESTAMP,  false},
    {T::Boolean,      "BOOLEAN",         F::Boolean,    kBoolean,           0,                 kBoolean,         0, 0,           0,            1,  1,  SQL_C_BIT,             false},
    {T::Xml,          "XML",             F::Xml,        kXml,               0,                 kXml,             0, 0,           0,            0,  -1, SQL_C_CHAR,            false},
}};

// clang-format on

constexpr bool inTypeOrder()
{
    for (std::size_t i = 0; i < kFacts.size(); ++i) {
        if (static_cast<std::size_t>(kFacts[i].id) != i) {
            return false;
        }
    }
    return true;
}

static_assert(inTypeOrder(), "the facts are listed in the order of TypeId");

using A = Attributes;

} // namespace

const TypeFacts &factsOf(TypeId type)
{
    return kFacts[static_cast<std::size_t>(type)];
}

const TypeFacts *factsNamed(std::string_view name)
{
    const auto found = std::find_if(
        kFacts.begin(), kFacts.end(), [&](const TypeFacts &facts) { return facts.name == name; });
    return found == kFacts.end() ? nullptr : &*found;
}

const TypeFacts *factsOfCode(int sqlType)
{
    const auto found = std::find_if(kFacts.begin(), kFacts.end(), [&](const TypeFacts &facts) {
        return facts.cliCode == sqlType;
    });
    return found == kFacts.end() ? nullptr : &*found;
}

const std::vector<Spelling> &spellings()
{
    static const std::vector<Spelling> all = {
        {{"SMALLINT"}, T::SmallInt, A::None},
        {{"INTEGER"}, T::Integer, A::None},
        {{"INT"}, T::Integer, A::None},
        {{"BIGINT"}, T::BigInt, A::None},
        {{"DECIMAL"}, T::Decimal, A::Precision},
        {{"DEC"}, T::Decimal, A::Precision},
        {{"NUMERIC"}, T::Decimal, A::Precision},
        {{"NUM"}, T::Decimal, A::Precision},
        {{"DECFLOAT"}, T::DecFloat, A::Length},
        {{"REAL"}, T::Real, A::None},
        {{"DOUBLE", "PRECISION"}, T::Double, A::None},
        {{"DOUBLE"}, T::Double, A::None},
        {{"FLOAT"}, T::Double, A::Float},
        {{"CHARACTER", "LARGE", "OBJECT"}, T::Clob, A::LobLength},
        {{"CHAR", "LARGE", "OBJECT"}, T::Clob, A::LobLength},
        {{"CHARACTER", "VARYING"}, T::VarChar, A::Length, true},
        {{"CHAR", "VARYING"}, T::VarChar, A::Length, true},
        {{"CHARACTER"}, T::Char, A::Length, true},
        {{"CHAR"}, T::Char, A::Length, true},
        {{"VARCHAR"}, T::VarChar, A::RequiredLength, true},
        {{"LONG", "VARCHAR"}, T::LongVarChar, A::Fixed, true},
        {{"LONG", "VARGRAPHIC"}, T::LongVarGraphic, A::Fixed},
        {{"CLOB"}, T::Clob, A::LobLength},
        {{"GRAPHIC"}, T::Graphic, A::Length},
        {{"NCHAR"}, T::Graphic, A::Length},
        {{"VARGRAPHIC"}, T::VarGraphic, A::RequiredLength},
        {{"NVARCHAR"}, T::VarGraphic, A::RequiredLength},
        {{"DBCLOB"}, T::DbClob, A::LobLength},
        {{"NCLOB"}, T::DbClob, A::LobLength},
        {{"BINARY"}, T::Binary, A::Length},
        {{"VARBINARY"}, T::VarBinary, A::RequiredLength},
        {{"BLOB"}, T::Blob, A::LobLength},
        {{"DATE"}, T::Date, A::None},
        {{"TIME"}, T::Time, A::None},
        {{"TIMESTAMP"}, T::Timestamp, A::Length},
        {{"BOOLEAN"}, T::Boolean, A::None},
        {{"XML"}, T::Xml, A::None},
    };
    return all;
}

} // namespace db2emu
