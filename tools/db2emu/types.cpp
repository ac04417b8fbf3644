// A column's type as the CLI describes it, from the type facts (typefacts.h).

#include "types.h"

namespace db2emu {

int Column::odbcType(bool lobsAsLong) const
{
    const TypeFacts &f = facts();
    if (forBitData && f.bitDataCode != 0) {
        return f.bitDataCode;
    }
    return lobsAsLong ? f.longDataCode : f.cliCode;
}

long long Column::columnSize() const
{
    const TypeFacts &f = facts();
    if (f.columnSize >= 0) {
        return f.columnSize;
    }
    if (type == TypeId::Timestamp) {
        return length == 0 ? 19 : 20 + length;
    }
    return length;
}

int Column::decimalDigits() const
{
    if (type == TypeId::Decimal) {
        return scale;
    }
    if (type == TypeId::Timestamp) {
        return length;
    }
    return 0;
}

long long Column::octetLength() const
{
    return family() == Family::Graphic ? 2LL * length : length;
}

bool Column::holdsBytes() const
{
    return forBitData || family() == Family::Binary;
}

std::string Column::typeName() const
{
    const std::string written = facts().name;
    if (forBitData) {
        return type == TypeId::LongVarChar ? written + " FOR BIT DATA"
                                           : written + " () FOR BIT DATA";
    }
    return written;
}

Column resultColumn(std::string name, TypeId type, int length)
{
    Column column;
    column.name = std::move(name);
    column.type = type;
    column.length = length;
    return column;
}

void checkAttributes(const Column &column)
{
    const TypeFacts &f = column.facts();
    bool valid = f.maxLength == 0 ||
                 (f.endsOnly ? column.length == f.minLength || column.length == f.maxLength
                             : column.length >= f.minLength && column.length <= f.maxLength);
    if (column.type == TypeId::Decimal) {
        valid = valid && column.scale >= 0 && column.scale <= column.length;
    }
    if (!valid) {
        refuseAttributes(column.name);
    }
}

void refuseAttributes(const std::string &column)
{
    raise(-604,
          "The length, precision, or scale attribute for column, distinct type, structured "
          "type, array type, attribute of structured type, routine, cast target type, type "
          "mapping, or global variable \"" +
              column + "\" is not valid.",
          "42611");
}

} // namespace db2emu
