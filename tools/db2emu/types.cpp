// Db2's column types as the CLI describes them: SQL type codes, column sizes, decimal digits
// and octet lengths (README.md beside this file lists them with their sources).

#include "types.h"

namespace db2emu {

namespace {

// IBM's own SQL type codes (sqlcli.h).
constexpr int kGraphic = -95;
constexpr int kVarGraphic = -96;
constexpr int kLongVarGraphic = -97;
constexpr int kBlob = -98;
constexpr int kClob = -99;
constexpr int kDbClob = -350;
constexpr int kDecFloat = -360;
constexpr int kXml = -370;
constexpr int kBoolean = 16;

bool isGraphic(const std::string &type)
{
    return type == "GRAPHIC" || type == "VARGRAPHIC" || type == "LONG VARGRAPHIC" ||
           type == "DBCLOB";
}

} // namespace

int Column::odbcType(bool lobsAsLong) const
{
    static const std::pair<const char *, int> codes[] = {{"SMALLINT", 5},
                                                         {"INTEGER", 4},
                                                         {"BIGINT", -5},
                                                         {"DECIMAL", 3},
                                                         {"DECFLOAT", kDecFloat},
                                                         {"REAL", 7},
                                                         {"DOUBLE", 8},
                                                         {"GRAPHIC", kGraphic},
                                                         {"VARGRAPHIC", kVarGraphic},
                                                         {"LONG VARGRAPHIC", kLongVarGraphic},
                                                         {"BINARY", -2},
                                                         {"VARBINARY", -3},
                                                         {"DATE", 91},
                                                         {"TIME", 92},
                                                         {"TIMESTAMP", 93},
                                                         {"BOOLEAN", kBoolean},
                                                         {"XML", kXml}};
    if (type == "CHAR") {
        return forBitData ? -2 : 1;
    }
    if (type == "VARCHAR") {
        return forBitData ? -3 : 12;
    }
    if (type == "LONG VARCHAR") {
        return forBitData ? -4 : -1;
    }
    if (type == "CLOB") {
        return lobsAsLong ? -1 : kClob;
    }
    if (type == "BLOB") {
        return lobsAsLong ? -4 : kBlob;
    }
    if (type == "DBCLOB") {
        return lobsAsLong ? -10 : kDbClob;
    }
    for (const auto &[known, code] : codes) {
        if (type == known) {
            return code;
        }
    }
    return 12;
}

long long Column::columnSize() const
{
    static const std::pair<const char *, long long> fixed[] = {{"SMALLINT", 5},
                                                               {"INTEGER", 10},
                                                               {"BIGINT", 19},
                                                               {"REAL", 24},
                                                               {"DOUBLE", 53},
                                                               {"DATE", 10},
                                                               {"TIME", 8},
                                                               {"BOOLEAN", 1},
                                                               {"XML", 0}};
    for (const auto &[known, size] : fixed) {
        if (type == known) {
            return size;
        }
    }
    if (type == "TIMESTAMP") {
        return length == 0 ? 19 : 20 + length;
    }
    return length;
}

int Column::decimalDigits() const
{
    if (type == "DECIMAL") {
        return scale;
    }
    if (type == "TIMESTAMP") {
        return length;
    }
    return 0;
}

long long Column::octetLength() const
{
    return isGraphic(type) ? 2LL * length : length;
}

bool Column::holdsBytes() const
{
    return forBitData || type == "BINARY" || type == "VARBINARY" || type == "BLOB";
}

std::string Column::typeName() const
{
    if (forBitData) {
        return type == "LONG VARCHAR" ? "LONG VARCHAR FOR BIT DATA" : type + " () FOR BIT DATA";
    }
    return type;
}

Column resultColumn(std::string name, std::string type, int length)
{
    Column column;
    column.name = std::move(name);
    column.type = std::move(type);
    column.length = length;
    return column;
}

void checkAttributes(const Column &column)
{
    struct Range
    {
        const char *type;
        long long low;
        long long high;
    };

    static const Range ranges[] = {{"CHAR", 1, 255},
                                   {"VARCHAR", 1, 32672},
                                   {"CLOB", 1, 2147483647},
                                   {"GRAPHIC", 1, 127},
                                   {"VARGRAPHIC", 1, 16336},
                                   {"DBCLOB", 1, 1073741823},
                                   {"BINARY", 1, 255},
                                   {"VARBINARY", 1, 32672},
                                   {"BLOB", 1, 2147483647},
                                   {"DECIMAL", 1, 31},
                                   {"FLOAT", 1, 53},
                                   {"TIMESTAMP", 0, 12}};
    bool valid = true;
    for (const Range &range : ranges) {
        if (column.type == range.type) {
            valid = column.length >= range.low && column.length <= range.high;
        }
    }
    if (column.type == "DECIMAL") {
        valid = valid && column.scale >= 0 && column.scale <= column.length;
    }
    if (column.type == "DECFLOAT") {
        valid = column.length == 16 || column.length == 34;
    }
    if (!valid) {
        raise(-604,
              "The length, precision, or scale attribute for column, distinct type, structured "
              "type, array type, attribute of structured type, routine, cast target type, type "
              "mapping, or global variable \"" +
                  column.name + "\" is not valid.",
              "42611");
    }
}

} // namespace db2emu
