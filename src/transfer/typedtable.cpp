#include "transfer/typedtable.h"

#include "db/sqltype.h"
#include "paradox/indexfile.h"
#include "paradox/reader.h"
#include "text/utf8.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

namespace tw::transfer {

namespace {

namespace sqltype = db::sqltype;
using paradox::FieldType;

constexpr int kDecimalDigits = 31; // Db2's largest DECIMAL
constexpr int kMoneyDecimals = 4;  // Money amounts with more go as DOUBLE
constexpr int kLobBytes = 1 << 30; // LOBs up to 1 GB are logged, as a copy needs
constexpr std::size_t kNameBytes = 128;

// What one pass over the records found in a field's values.
struct Survey
{
    bool anyNull = false;
    long long largest = LLONG_MIN;
    int wholeDigits = 0;
    int decimals = 0;
    bool inexact = false;      // some value no DECIMAL(31, 4) holds
    bool outsideYears = false; // a date outside 1 to 9999, where DATE ends
    bool milliseconds = false;
};

bool needsSurvey(FieldType type)
{
    switch (type) {
    case FieldType::Money:
    case FieldType::Bcd:
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Timestamp:
    case FieldType::AutoIncrement:
        return true;
    default:
        return false;
    }
}

// The exact decimal text of a double, without exponent: the shortest that reads back.
std::optional<std::string> plainDecimal(double value)
{
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    char buffer[512];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (error != std::errc{}) {
        return std::nullopt;
    }
    return std::string(buffer, end);
}

// Counts the whole digits (without leading zeros) and the decimals of a decimal text.
void countDigits(const std::string &text, Survey &survey)
{
    const std::size_t start = text.find_first_not_of("-0");
    const std::size_t point = text.find('.');
    const std::size_t wholeEnd = point == std::string::npos ? text.size() : point;
    const int whole =
        start == std::string::npos || start >= wholeEnd ? 0 : static_cast<int>(wholeEnd - start);
    const int decimals = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
    survey.wholeDigits = std::max(survey.wholeDigits, whole);
    survey.decimals = std::max(survey.decimals, decimals);
}

bool outsideYears(const db::Date &date)
{
    return date.year < 1 || date.year > 9999;
}

void note(Survey &survey, FieldType type, const db::Value &value)
{
    if (value.isNull()) {
        survey.anyNull = true;
        return;
    }
    switch (type) {
    case FieldType::AutoIncrement:
        survey.largest = std::max<long long>(survey.largest, value.asInteger());
        break;
    case FieldType::Money:
        if (const auto text = plainDecimal(value.asDouble())) {
            countDigits(*text, survey);
        } else {
            survey.inexact = true;
        }
        break;
    case FieldType::Bcd:
        countDigits(value.asDecimal().text, survey);
        break;
    case FieldType::Date:
        survey.outsideYears = survey.outsideYears || outsideYears(value.asDate());
        break;
    case FieldType::Time:
        survey.milliseconds = survey.milliseconds || value.asTime().msOfDay % 1000 != 0;
        break;
    case FieldType::Timestamp:
        survey.outsideYears = survey.outsideYears || outsideYears(value.asTimestamp().date);
        break;
    default:
        break;
    }
}

std::vector<Survey> survey(paradox::TableReader &reader)
{
    const std::vector<paradox::Field> &fields = reader.fields();
    std::vector<Survey> found(fields.size());
    std::vector<std::size_t> surveyed;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (needsSurvey(fields[i].type)) {
            surveyed.push_back(i);
        }
    }
    if (surveyed.empty()) {
        return found;
    }
    while (reader.next()) {
        for (const std::size_t i : surveyed) {
            note(found[i], fields[i].type, reader.value(i));
        }
    }
    return found;
}

TypedColumn
typed(std::string type, db::ValueKind kind, int sqlType, unsigned long size = 0, int digits = 0)
{
    TypedColumn column;
    column.type = std::move(type);
    column.parameter = {kind, sqlType, size, digits};
    return column;
}

TypedColumn textColumn(int length)
{
    return typed("VARCHAR(" + std::to_string(length) + ")",
                 db::ValueKind::Text,
                 sqltype::VarChar,
                 static_cast<unsigned long>(length));
}

// A field whose values no typed column holds goes as its values' text (at most `length`
// bytes), with a line for the log.
TypedColumn
asText(const paradox::Field &field, int length, const std::string &why, TypedTable &plan)
{
    TypedColumn column = textColumn(length);
    column.sending = Sending::Text;
    plan.notes.push_back("column " + field.name + " goes as text: " + why);
    return column;
}

TypedColumn columnFor(const paradox::Field &field,
                      const Survey &found,
                      int bytesPerCharacter,
                      const paradox::TableHeader &header,
                      bool booleans,
                      TypedTable &plan)
{
    switch (field.type) {
    case FieldType::Alpha:
        return textColumn(std::max(1, int{field.size}) * bytesPerCharacter);
    case FieldType::Short:
        return typed("SMALLINT", db::ValueKind::Integer, sqltype::SmallInt);
    case FieldType::Long:
        return typed("INTEGER", db::ValueKind::Integer, sqltype::Integer);
    case FieldType::AutoIncrement: {
        TypedColumn column = typed("INTEGER", db::ValueKind::Integer, sqltype::Integer);
        const long long last = std::max<long long>(found.largest, header.autoIncrement);
        if (!found.anyNull && last < INT_MAX) {
            column.identityStart = std::max(last, 0LL) + 1;
        }
        return column;
    }
    case FieldType::Number:
        return typed("DOUBLE", db::ValueKind::Double, sqltype::Double);
    case FieldType::Money: {
        const int decimals = std::max(2, found.decimals);
        if (found.inexact || found.decimals > kMoneyDecimals ||
            found.wholeDigits + decimals > kDecimalDigits) {
            return typed("DOUBLE", db::ValueKind::Double, sqltype::Double);
        }
        TypedColumn column = typed("DECIMAL(31," + std::to_string(decimals) + ")",
                                   db::ValueKind::Decimal,
                                   sqltype::Decimal,
                                   kDecimalDigits,
                                   decimals);
        column.sending = Sending::DecimalText;
        return column;
    }
    case FieldType::Bcd: {
        const int decimals = field.decimals();
        if (decimals > kDecimalDigits || found.wholeDigits + decimals > kDecimalDigits) {
            return asText(field, 40, "more digits than a DECIMAL holds", plan);
        }
        return typed("DECIMAL(31," + std::to_string(decimals) + ")",
                     db::ValueKind::Decimal,
                     sqltype::Decimal,
                     kDecimalDigits,
                     decimals);
    }
    case FieldType::Logical:
        return booleans ? typed("BOOLEAN", db::ValueKind::Boolean, sqltype::Boolean)
                        : typed("SMALLINT", db::ValueKind::Boolean, sqltype::SmallInt);
    case FieldType::Date:
        return found.outsideYears ? asText(field, 16, "a date outside the years 1 to 9999", plan)
                                  : typed("DATE", db::ValueKind::Date, sqltype::Date);
    case FieldType::Time:
        return found.milliseconds ? asText(field, 12, "a time with milliseconds", plan)
                                  : typed("TIME", db::ValueKind::Time, sqltype::Time);
    case FieldType::Timestamp:
        return found.outsideYears
                   ? asText(field, 32, "a timestamp outside the years 1 to 9999", plan)
                   : typed("TIMESTAMP(3)", db::ValueKind::Timestamp, sqltype::Timestamp, 23, 3);
    case FieldType::Memo:
        return typed("CLOB(1G)", db::ValueKind::Text, sqltype::Clob, kLobBytes);
    case FieldType::Bytes:
        return typed("VARCHAR(" + std::to_string(std::max(1, int{field.size})) + ") FOR BIT DATA",
                     db::ValueKind::Binary,
                     sqltype::VarBinary,
                     std::max(1UL, static_cast<unsigned long>(field.size)));
    default: // graphic, OLE, binary, formatted memo: bytes
        return typed("BLOB(1G)", db::ValueKind::Binary, sqltype::Blob, kLobBytes);
    }
}

// "TABLE_INDEX" within DB2's identifier length, unique among the names already taken.
std::string
indexName(const std::string &table, const std::string &index, const std::vector<TypedIndex> &taken)
{
    const std::string wanted = table + "_" + index;
    for (int n = 1;; ++n) {
        const std::string suffix = n == 1 ? "" : "_" + std::to_string(n);
        const std::string name =
            wanted.substr(0, text::characterStart(wanted, kNameBytes - suffix.size())) + suffix;
        if (std::none_of(
                taken.begin(), taken.end(), [&](const TypedIndex &i) { return i.name == name; })) {
            return name;
        }
    }
}

} // namespace

TypedTable
planTypedTable(const std::filesystem::path &dbPath, const std::string &table, bool booleans)
{
    paradox::TableReader reader = paradox::TableReader::open(dbPath);
    std::vector<std::string> skipped;
    const std::vector<paradox::SecondaryIndex> indexes =
        paradox::secondaryIndexes(dbPath, reader.header(), reader.codePage(), &skipped);
    return planTypedTable(reader, table, booleans, indexes, skipped);
}

TypedTable planTypedTable(paradox::TableReader &reader,
                          const std::string &table,
                          bool booleans,
                          const std::vector<paradox::SecondaryIndex> &indexes,
                          const std::vector<std::string> &skipped)
{
    const std::vector<Survey> found = survey(reader);
    const paradox::TableHeader &header = reader.header();
    const int bytesPerCharacter = paradox::utf8BytesPerCharacter(reader.codePage());
    TypedTable plan;
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const paradox::Field &field = header.fields[i];
        TypedColumn column = columnFor(field, found[i], bytesPerCharacter, header, booleans, plan);
        column.name = field.name;
        column.key = i < header.primaryKeyFields;
        plan.columns.push_back(std::move(column));
    }
    for (const paradox::SecondaryIndex &index : indexes) {
        plan.indexes.push_back(
            {indexName(table, index.name, plan.indexes), index.fields, index.descending});
    }
    for (const std::string &line : skipped) {
        plan.notes.push_back("index file " + line + "; it is not made");
    }
    return plan;
}

bool hasBooleans(const std::string &serverVersion)
{
    // "VV.RR.MMFF": version, release, modification and fix pack.
    int version = 0;
    int release = 0;
    int level = 0;
    if (std::sscanf(serverVersion.c_str(), "%d.%d.%d", &version, &release, &level) != 3) {
        return false;
    }
    const int modification = level / 100;
    const int fixPack = level % 100;
    if (version != 11) {
        return version > 11;
    }
    return release > 1 ||
           (release == 1 && (modification > 1 || (modification == 1 && fixPack >= 1)));
}

void toBound(const TypedTable &table, std::vector<db::Value> &row)
{
    for (std::size_t i = 0; i < row.size() && i < table.columns.size(); ++i) {
        db::Value &value = row[i];
        if (value.isNull()) {
            continue;
        }
        switch (table.columns[i].sending) {
        case Sending::AsRead:
            break;
        case Sending::DecimalText:
            if (value.kind() == db::ValueKind::Double) {
                value = db::Value::decimal(plainDecimal(value.asDouble()).value_or("NaN"));
            }
            break;
        case Sending::Text:
            value = db::Value::text(value.toText());
            break;
        }
    }
}

} // namespace tw::transfer
