#pragma once

// Db2's column types as data: each type's name, the CLI's code for it, the limits of its
// length, precision or scale, what SQLDescribeCol and SQLColumns say of it and the C type its
// values default to; and the words CREATE TABLE spells each type with. The parser, the
// converter of values, the catalog and the driver's describe and get-data calls all read this
// one table (README.md beside this file lists each type with its source).

#include <string>
#include <string_view>
#include <vector>

namespace db2emu {

enum class TypeId {
    SmallInt,
    Integer,
    BigInt,
    Decimal,
    DecFloat,
    Real,
    Double,
    Char,
    VarChar,
    LongVarChar,
    Clob,
    Graphic,
    VarGraphic,
    LongVarGraphic,
    DbClob,
    Binary,
    VarBinary,
    Blob,
    Date,
    Time,
    Timestamp,
    Boolean,
    Xml,
};

// What a type's values are: it decides how a literal converts and how a value reads back.
enum class Family {
    Integer,     // SMALLINT, INTEGER, BIGINT
    Exact,       // DECIMAL, DECFLOAT: kept as their text
    Approximate, // REAL, DOUBLE
    Character,   // CHAR, VARCHAR, LONG VARCHAR, CLOB (FOR BIT DATA: bytes)
    Graphic,     // GRAPHIC, VARGRAPHIC, LONG VARGRAPHIC, DBCLOB: UTF-16 units
    Binary,      // BINARY, VARBINARY, BLOB
    Date,
    Time,
    Timestamp,
    Boolean,
    Xml,
};

struct TypeFacts
{
    TypeId id;
    const char *name; // as Db2 names it in its catalog
    Family family;
    int cliCode;         // the SQL type code, IBM's own (sqlcli.h) for Db2's own types
    int bitDataCode;     // the code FOR BIT DATA gives (CHAR, VARCHAR, LONG VARCHAR); 0 for none
    int longDataCode;    // the code with LongDataCompat (the LOBs); the same as cliCode otherwise
    long long minLength; // the length, precision or fraction digits CREATE TABLE takes
    long long maxLength; // (both 0 for a type that takes none)
    long long defaultLength; // without one written; a LONG type's fixed length
    long long columnSize;    // SQLDescribeCol's column size of a type of fixed size; -1: its length
    long long bufferBytes;   // the bytes of its SQL_C_DEFAULT value; -1: its octet length
    int cDefault;            // the C type SQL_C_DEFAULT stands for
    bool padded;             // a fixed-length string: shorter values are padded
    bool endsOnly = false;   // only minLength or maxLength is taken (DECFLOAT 16 or 34)
};

const TypeFacts &factsOf(TypeId type);
// The type of that catalog name; nullptr for none.
const TypeFacts *factsNamed(std::string_view name);
// The type a client means by an SQL type code (binding a parameter); nullptr for a code of
// no Db2 type (SQL_TINYINT, SQL_NUMERIC, SQL_FLOAT, SQL_BIT...).
const TypeFacts *factsOfCode(int sqlType);

// How CREATE TABLE writes a type's attributes after its words.
enum class Attributes {
    None,
    Length,         // (n), optional
    RequiredLength, // (n), required
    LobLength,      // (n[K|M|G])
    Precision,      // (p[, s])
    Float,          // FLOAT(n): REAL up to 24, DOUBLE beyond
    Fixed,          // none, the type's fixed length
};

// One way of writing a type: its words ("CHARACTER", "VARYING"), the type they name, how its
// attributes follow, and whether FOR BIT DATA may follow them.
struct Spelling
{
    std::vector<std::string_view> words;
    TypeId type;
    Attributes attributes;
    bool bitData = false;
};

// Every spelling, the longer of two that begin alike first.
const std::vector<Spelling> &spellings();

} // namespace db2emu
