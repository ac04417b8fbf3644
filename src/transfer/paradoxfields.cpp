#include "transfer/paradoxfields.h"

#include "db/sqltype.h"

#include <algorithm>
#include <iterator>
#include <span>

namespace tw::transfer {

namespace {

namespace sqltype = db::sqltype;
using paradox::FieldType;

constexpr std::int64_t kLongestAlpha = 255;
constexpr std::uint8_t kMemoSize = 20; // a leader of 10 bytes kept in the record, and 10
constexpr std::uint8_t kBlobSize = 10;
constexpr int kBcdDigits = 32;
constexpr std::uint8_t kDecFloatText = 42; // "-1.234…E-6143": 34 digits, sign, point, exponent

// The name the log gives each field type the copy makes.
struct TypeName
{
    FieldType type;
    const char *name;
};

constexpr TypeName kTypeNames[] = {
    {FieldType::Alpha, "Alpha"},
    {FieldType::Short, "Short"},
    {FieldType::Long, "Long Integer"},
    {FieldType::Number, "Number"},
    {FieldType::Bcd, "BCD"},
    {FieldType::Logical, "Logical"},
    {FieldType::Date, "Date"},
    {FieldType::Time, "Time"},
    {FieldType::Timestamp, "Timestamp"},
    {FieldType::Memo, "Memo"},
    {FieldType::Blob, "Binary"},
    {FieldType::Bytes, "Bytes"},
};

const char *typeName(FieldType type)
{
    for (const TypeName &known : kTypeNames) {
        if (known.type == type) {
            return known.name;
        }
    }
    return "?";
}

// The DB2 types whose field does not depend on the column's size, with their field and its
// size byte.
struct FixedField
{
    int sqlType;
    FieldType type;
    std::uint8_t size;
};

constexpr FixedField kFixedFields[] = {
    {sqltype::SmallInt, FieldType::Short, 0},
    {sqltype::Integer, FieldType::Long, 0},
    {sqltype::BigInt, FieldType::Bcd, 0}, // 19 digits: more than Long Integer or Number holds
    {sqltype::DecFloat, FieldType::Alpha, kDecFloatText},
    {sqltype::Real, FieldType::Number, 0},
    {sqltype::Float, FieldType::Number, 0},
    {sqltype::Double, FieldType::Number, 0},
    {sqltype::Boolean, FieldType::Logical, 0},
    {sqltype::Date, FieldType::Date, 0},
    {sqltype::Time, FieldType::Time, 0},
    {sqltype::Timestamp, FieldType::Timestamp, 0},
    {sqltype::Blob, FieldType::Blob, kBlobSize},
    {sqltype::LongVarBinary, FieldType::Blob, kBlobSize},
};

constexpr int kShortTexts[] = {sqltype::Char,
                               sqltype::VarChar,
                               sqltype::WChar,
                               sqltype::WVarChar,
                               sqltype::Graphic,
                               sqltype::VarGraphic};
constexpr int kShortBytes[] = {sqltype::Binary, sqltype::VarBinary};

bool isOneOf(int sqlType, std::span<const int> types)
{
    return std::find(types.begin(), types.end(), sqlType) != types.end();
}

// The field a column of that declared type becomes.
paradox::Field fieldFor(const db::Field &column)
{
    paradox::Field field;
    field.name = column.name;
    auto set = [&](FieldType type, std::int64_t size) {
        field.type = type;
        field.size = static_cast<std::uint8_t>(size);
    };
    const bool fitsAlpha = column.size > 0 && column.size <= kLongestAlpha;
    const auto fixed =
        std::find_if(std::begin(kFixedFields), std::end(kFixedFields), [&](const FixedField &f) {
            return f.sqlType == column.sqlType;
        });
    if (fixed != std::end(kFixedFields)) {
        set(fixed->type, fixed->size);
    } else if (column.sqlType == sqltype::Decimal || column.sqlType == sqltype::Numeric) {
        if (column.size <= kBcdDigits) {
            set(FieldType::Bcd, std::clamp(column.digits, 0, kBcdDigits));
        } else {
            set(FieldType::Alpha, std::min<std::int64_t>(column.size + 2, kLongestAlpha));
        }
    } else if (isOneOf(column.sqlType, kShortTexts) && fitsAlpha) {
        set(FieldType::Alpha, column.size);
    } else if (isOneOf(column.sqlType, kShortBytes)) {
        set(fitsAlpha ? FieldType::Bytes : FieldType::Blob, fitsAlpha ? column.size : kBlobSize);
    } else { // CLOB, DBCLOB, LONG VARCHAR, XML, longer texts and any type not named: their text
        set(FieldType::Memo, kMemoSize);
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
