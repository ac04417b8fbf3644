#include "transfer/paradoxfields.h"

#include "db/sqltype.h"

#include <algorithm>

namespace tw::transfer {

namespace {

namespace sqltype = db::sqltype;
using paradox::FieldType;

constexpr std::int64_t kLongestAlpha = 255;
constexpr std::uint8_t kMemoSize = 20; // a leader of 10 bytes kept in the record, and 10
constexpr std::uint8_t kBlobSize = 10;
constexpr int kBcdDigits = 32;
constexpr std::uint8_t kDecFloatText = 42; // "-1.234…E-6143": 34 digits, sign, point, exponent

const char *typeName(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
        return "Alpha";
    case FieldType::Short:
        return "Short";
    case FieldType::Long:
        return "Long Integer";
    case FieldType::Number:
        return "Number";
    case FieldType::Bcd:
        return "BCD";
    case FieldType::Logical:
        return "Logical";
    case FieldType::Date:
        return "Date";
    case FieldType::Time:
        return "Time";
    case FieldType::Timestamp:
        return "Timestamp";
    case FieldType::Memo:
        return "Memo";
    case FieldType::Blob:
        return "Binary";
    case FieldType::Bytes:
        return "Bytes";
    default:
        return "?";
    }
}

// The field a column of that declared type becomes.
paradox::Field fieldFor(const db::Field &column)
{
    paradox::Field field;
    field.name = column.name;
    auto sized = [&](FieldType type, std::int64_t size) {
        field.type = type;
        field.size = static_cast<std::uint8_t>(std::clamp<std::int64_t>(size, 1, kLongestAlpha));
    };
    switch (column.sqlType) {
    case sqltype::SmallInt:
        field.type = FieldType::Short;
        break;
    case sqltype::Integer:
        field.type = FieldType::Long;
        break;
    case sqltype::BigInt:
        field.type = FieldType::Bcd; // 19 digits: more than a Long Integer or a Number holds
        field.size = 0;
        break;
    case sqltype::Decimal:
    case sqltype::Numeric:
        if (column.size <= kBcdDigits) {
            field.type = FieldType::Bcd;
            field.size = static_cast<std::uint8_t>(std::clamp(column.digits, 0, kBcdDigits));
        } else {
            sized(FieldType::Alpha, column.size + 2);
        }
        break;
    case sqltype::DecFloat:
        sized(FieldType::Alpha, kDecFloatText);
        break;
    case sqltype::Real:
    case sqltype::Float:
    case sqltype::Double:
        field.type = FieldType::Number;
        break;
    case sqltype::Boolean:
        field.type = FieldType::Logical;
        break;
    case sqltype::Date:
        field.type = FieldType::Date;
        break;
    case sqltype::Time:
        field.type = FieldType::Time;
        break;
    case sqltype::Timestamp:
        field.type = FieldType::Timestamp;
        break;
    case sqltype::Char:
    case sqltype::VarChar:
    case sqltype::WChar:
    case sqltype::WVarChar:
    case sqltype::Graphic:
    case sqltype::VarGraphic:
        if (column.size > 0 && column.size <= kLongestAlpha) {
            sized(FieldType::Alpha, column.size);
        } else {
            field.type = FieldType::Memo;
            field.size = kMemoSize;
        }
        break;
    case sqltype::Binary:
    case sqltype::VarBinary:
        if (column.size > 0 && column.size <= kLongestAlpha) {
            sized(FieldType::Bytes, column.size);
        } else {
            field.type = FieldType::Blob;
            field.size = kBlobSize;
        }
        break;
    case sqltype::Blob:
    case sqltype::LongVarBinary:
        field.type = FieldType::Blob;
        field.size = kBlobSize;
        break;
    default: // CLOB, DBCLOB, LONG VARCHAR, XML and any type not named: their text
        field.type = FieldType::Memo;
        field.size = kMemoSize;
        break;
    }
    return field;
}

} // namespace

ParadoxFields planParadoxFields(const std::vector<db::Field> &columns)
{
    ParadoxFields plan;
    for (const db::Field &column : columns) {
        plan.fields.push_back(fieldFor(column));
        const paradox::Field &field = plan.fields.back();
        std::string kind = typeName(field.type);
        if (field.type == FieldType::Alpha || field.type == FieldType::Bytes) {
            kind += "(" + std::to_string(field.size) + ")";
        } else if (field.type == FieldType::Bcd) {
            kind += "(" + std::to_string(field.size) + " decimals)";
        }
        plan.notes.push_back("column " + column.name + " as " + kind);
    }
    return plan;
}

void toParadoxValues(const std::vector<paradox::Field> &fields, std::vector<db::Value> &row)
{
    for (std::size_t c = 0; c < fields.size() && c < row.size(); ++c) {
        db::Value &value = row[c];
        const FieldType type = fields[c].type;
        if ((type == FieldType::Alpha || type == FieldType::Memo) && !value.isNull() &&
            value.kind() != db::ValueKind::Text) {
            value = db::Value::text(value.toText());
        }
    }
}

} // namespace tw::transfer
