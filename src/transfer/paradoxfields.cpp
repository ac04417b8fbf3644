#include "transfer/paradoxfields.h"

#include "db/sqltype.h"
#include "text/text.h"

#include <algorithm>
#include <iterator>
#include <numeric>
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
    {FieldType::AutoIncrement, "Autoincrement"},
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

bool isLongText(const db::Field &column)
{
    return isOneOf(column.sqlType, kShortTexts) && column.size > kLongestAlpha;
}

constexpr int kIntegers[] = {sqltype::SmallInt, sqltype::Integer, sqltype::BigInt};

// An identity column whose values an Autoincrement field holds.
bool isAutoIncrement(const db::Field &column, const ColumnSurvey *found, const FieldChoice &choice)
{
    return found != nullptr && isOneOf(column.sqlType, kIntegers) && found->fitsLong &&
           found->allPositive &&
           std::find(choice.identity.begin(), choice.identity.end(), column.name) !=
               choice.identity.end();
}

// The field a column of that declared type becomes, with what its values showed when its
// type leaves that open.
paradox::Field fieldFor(const db::Field &column, const ColumnSurvey *found, int bytesPerCharacter)
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
    if (found != nullptr && column.sqlType == sqltype::BigInt && found->fitsLong) {
        set(FieldType::Long, 0);
    } else if (found != nullptr && column.sqlType == sqltype::DecFloat && found->plainDigits &&
               found->wholeDigits + found->fractionDigits <= kBcdDigits) {
        set(FieldType::Bcd, found->fractionDigits);
    } else if (found != nullptr && isLongText(column) &&
               found->longestText <= static_cast<std::size_t>(kLongestAlpha)) {
        // As long as the declared length allows in the code page, as the longest value needs.
        const std::int64_t declared = (column.size + bytesPerCharacter - 1) / bytesPerCharacter;
        set(FieldType::Alpha,
            std::clamp<std::int64_t>(
                std::max<std::int64_t>(declared, static_cast<std::int64_t>(found->longestText)),
                1,
                kLongestAlpha));
    } else if (fixed != std::end(kFixedFields)) {
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

std::string kindOf(const paradox::Field &field)
{
    std::string kind = typeName(field.type);
    if (field.type == FieldType::Alpha || field.type == FieldType::Bytes) {
        kind += "(" + std::to_string(field.size) + ")";
    } else if (field.type == FieldType::Bcd) {
        kind += "(" + std::to_string(field.size) + " decimals)";
    }
    return kind;
}

std::string joined(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

// The column of each key name, or empty (with the reason in `why`) when the key cannot be
// kept as a Paradox key.
std::vector<std::size_t> keyColumns(const std::vector<db::Field> &columns,
                                    const std::vector<paradox::Field> &fields,
                                    const std::vector<std::string> &key,
                                    bool textKeysInByteOrder,
                                    std::string &why)
{
    std::vector<std::size_t> found;
    for (const std::string &name : key) {
        const auto column = std::find_if(
            columns.begin(), columns.end(), [&](const db::Field &c) { return c.name == name; });
        if (column == columns.end()) {
            why = "the key column " + name + " is not among the columns read";
            return {};
        }
        const auto at = static_cast<std::size_t>(column - columns.begin());
        const FieldType type = fields[at].type;
        if (paradox::isBlobType(type)) {
            why = "the key column " + name + " became a memo or blob, which no Paradox key holds";
            return {};
        }
        if (type == FieldType::Alpha && !textKeysInByteOrder) {
            why = "the key column " + name +
                  " is text, and the language driver orders text in a way of its own";
            return {};
        }
        found.push_back(at);
    }
    return found;
}

// Counts the digits of a DECFLOAT's text ("-123.4500"); anything else it may be ("1E+3",
// "Infinity", "NaN") is no plain digits.
void lookAtDigits(const db::Value &value, ColumnSurvey &found)
{
    if (value.isNull()) {
        return;
    }
    const std::string digits =
        value.kind() == db::ValueKind::Decimal ? std::string() : value.toText();
    const auto parts = text::decimalParts(
        value.kind() == db::ValueKind::Decimal ? value.asDecimal().text : digits);
    if (!parts) {
        found.plainDigits = false;
        return;
    }
    found.wholeDigits = std::max(found.wholeDigits, static_cast<int>(parts->whole.size()));
    found.fractionDigits = std::max(found.fractionDigits, static_cast<int>(parts->fraction.size()));
}

} // namespace

void RowSurvey::look(const std::vector<db::Field> &columns, const std::vector<db::Value> &row)
{
    if (m_found.empty()) {
        m_found.resize(columns.size());
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (isOneOf(columns[c].sqlType, kIntegers) || isLongText(columns[c]) ||
                columns[c].sqlType == sqltype::DecFloat) {
                m_watched.push_back(c);
            }
        }
    }
    constexpr std::int64_t kLongMost = 2147483647; // -2147483648 is Long Integer's blank
    for (const std::size_t c : m_watched) {
        const db::Value &value = row[c];
        ColumnSurvey &found = m_found[c];
        if (columns[c].sqlType == sqltype::DecFloat) {
            lookAtDigits(value, found);
        } else if (value.kind() == db::ValueKind::Text) {
            const std::string &text = value.asText();
            const auto characters =
                static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char byte) {
                    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
                }));
            found.longestText = std::max(found.longestText, characters);
        } else if (value.kind() == db::ValueKind::Integer) {
            const std::int64_t v = value.asInteger();
            found.fitsLong = found.fitsLong && v >= -kLongMost && v <= kLongMost;
            found.allPositive = found.allPositive && v >= 1;
        } else {
            found.allPositive = false;
            found.fitsLong = found.fitsLong && value.isNull(); // a BIGINT read as its digits
        }
    }
}

ParadoxFields planParadoxFields(const std::vector<db::Field> &columns, const FieldChoice &choice)
{
    ParadoxFields plan;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const ColumnSurvey *found = c < choice.survey.size() ? &choice.survey[c] : nullptr;
        plan.fields.push_back(fieldFor(columns[c], found, choice.bytesPerCharacter));
        if (isAutoIncrement(columns[c], found, choice)) {
            plan.fields.back().type = FieldType::AutoIncrement;
        }
        plan.notes.push_back("column " + columns[c].name + " as " + kindOf(plan.fields.back()));
    }
    const std::vector<std::string> &key = choice.key;
    if (key.empty()) {
        return plan;
    }
    std::string why;
    const std::vector<std::size_t> keyed =
        keyColumns(columns, plan.fields, key, choice.textKeysInByteOrder, why);
    if (keyed.empty()) {
        plan.notes.push_back("the primary key " + joined(key) + " is not kept: " + why);
        return plan;
    }
    // The key's columns first, in key order, then the others in their order.
    std::vector<std::size_t> order = keyed;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (std::find(keyed.begin(), keyed.end(), c) == keyed.end()) {
            order.push_back(c);
        }
    }
    std::vector<std::size_t> at(columns.size()); // what each place holds as the swaps go
    std::iota(at.begin(), at.end(), std::size_t{0});
    std::vector<paradox::Field> fields;
    for (std::size_t i = 0; i < order.size(); ++i) {
        fields.push_back(plan.fields[order[i]]);
        const auto from =
            static_cast<std::size_t>(std::find(at.begin(), at.end(), order[i]) - at.begin());
        if (from != i) {
            std::swap(at[i], at[from]);
            plan.swaps.emplace_back(i, from);
        }
    }
    plan.fields = std::move(fields);
    plan.keyFields = keyed.size();
    if (!plan.swaps.empty()) {
        plan.notes.push_back("the key fields " + joined(key) +
                             " were moved to the front, in key order, as Paradox keys them");
    }
    return plan;
}

void toParadoxValues(const ParadoxFields &plan, std::vector<db::Value> &row)
{
    for (const auto &[a, b] : plan.swaps) {
        if (a < row.size() && b < row.size()) {
            std::swap(row[a], row[b]);
        }
    }
    for (std::size_t c = 0; c < plan.fields.size() && c < row.size(); ++c) {
        db::Value &value = row[c];
        const FieldType type = plan.fields[c].type;
        if ((type == FieldType::Alpha || type == FieldType::Memo) && !value.isNull() &&
            value.kind() != db::ValueKind::Text) {
            value = db::Value::text(value.toText());
        }
    }
}

} // namespace tw::transfer
