#include "db/staging/exporter.h"

#include "db/error.h"
#include "db/staging/statement.h"
#include "paradox/codepage.h"
#include "paradox/error.h"
#include "paradox/writer.h"
#include "text/isotime.h"
#include "text/text.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>

namespace tw::db::staging {

namespace {

using paradox::FieldType;

constexpr int kLongestAlpha = 255;
constexpr int kBcdDigits = 32;
constexpr int kLongestFieldName = 25;
constexpr int kMemoLeader = 10;

std::string sqlLiteral(const std::string &value)
{
    return "'" + text::doubled(value, '\'') + "'";
}

// A plain decimal: optional "-", digits, optional "." and digits.
bool plainDecimal(const std::string &text, int &whole, int &fraction)
{
    std::size_t i = text.empty() || text[0] != '-' ? 0 : 1;
    const std::size_t digitsFrom = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    std::size_t wholeEnd = i;
    std::size_t fractionDigits = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            ++fractionDigits;
        }
    }
    if (i != text.size() || (wholeEnd == digitsFrom && fractionDigits == 0)) {
        return false;
    }
    std::size_t firstSignificant = digitsFrom;
    while (firstSignificant < wholeEnd && text[firstSignificant] == '0') {
        ++firstSignificant;
    }
    whole = static_cast<int>(wholeEnd - firstSignificant);
    fraction = static_cast<int>(fractionDigits);
    return true;
}

// A double whose text form gives back exactly this text.
bool exactDouble(const std::string &text, double &value)
{
    char *end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(value) &&
           Value::real(value).toText() == text;
}

// A date, or a date and time of day, in a DATETIME column; a fraction below the microsecond
// gives microseconds 1000, which no target holds.
bool parseDateTime(const std::string &text, Timestamp &stamp, bool &hasTime)
{
    const auto parsed = tw::text::parseIsoTimestamp(text);
    if (!parsed) {
        return false;
    }
    const tw::text::IsoDate &date = parsed->date;
    stamp = {
        {date.year, static_cast<std::uint8_t>(date.month), static_cast<std::uint8_t>(date.day)},
        0,
        0};
    hasTime = false;
    if (!parsed->clock) {
        return true;
    }
    const tw::text::IsoClock &clock = *parsed->clock;
    if (clock.hour > 23 || clock.minute > 59 || clock.second > 59) {
        return false;
    }
    stamp.msOfDay = static_cast<std::uint32_t>(clock.millisecondsOfDay());
    stamp.microseconds = static_cast<std::uint16_t>(clock.finer ? 1000 : clock.microsecond % 1000);
    hasTime = stamp.msOfDay != 0 || stamp.microseconds != 0;
    return true;
}

bool parseHex(const std::string &text, Bytes &bytes)
{
    if (text.size() % 2 != 0 ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return false;
    }
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return true;
}

// What a column's values need, found in a first pass over the rows.
struct ColumnShape
{
    std::string name;
    std::string type; // the staging type word
    int longestText = 0;
    bool allIntegers = true; // plain decimals without a fraction, within Long's range
    bool allDecimals = true; // plain decimals within BCD's 32 digits
    bool allDoubles = true;  // exact double text
    int wholeDigits = 0;
    int fractionDigits = 0;
    bool anyTime = false;
    std::string firstBad; // the first value no target type can hold
    std::int64_t firstBadRow = 0;
};

[[noreturn]] void fail(const std::string &source, const std::string &what)
{
    throw Error("Cannot export the staging table " + source + " to Paradox: " + what);
}

// The staging table's columns, each with its name and type word.
std::vector<ColumnShape> columnsOf(sqlite3 *db, const StagingTable &source)
{
    std::vector<ColumnShape> shapes;
    SqliteStatement info(
        db, "PRAGMA " + source.schema + ".table_info(" + sqliteName(source.name) + ")");
    while (info.step()) {
        ColumnShape shape;
        shape.name = info.text(1);
        shapes.push_back(std::move(shape));
    }
    SqliteStatement types(db,
                          "SELECT type FROM " + std::string(kColumnTypes) +
                              " WHERE tbl = " + sqlLiteral(source.name) + " ORDER BY ordinal");
    for (ColumnShape &shape : shapes) {
        shape.type = types.step() ? text::upperAscii(types.text(0)) : "VARCHAR";
    }
    return shapes;
}

// Each name must be what a Paradox field name may be, and no two may differ only in case.
void checkFieldNames(const std::vector<ColumnShape> &shapes,
                     const std::string &source,
                     const paradox::CodePage &cp,
                     const std::string &codePage)
{
    std::set<std::string> names;
    for (const ColumnShape &shape : shapes) {
        std::vector<std::uint8_t> encoded;
        std::size_t bad = 0;
        if (!cp.encode(shape.name, encoded, &bad) || encoded.empty() ||
            static_cast<int>(encoded.size()) > kLongestFieldName) {
            fail(source,
                 "the column name \"" + shape.name + "\" is not 1 to 25 characters of " + codePage +
                     ", as a Paradox field name must be");
        }
        if (!names.insert(text::upperAscii(shape.name)).second) {
            fail(source,
                 "the column names \"" + shape.name +
                     "\" differ only in letter case, which Paradox "
                     "field names cannot");
        }
    }
}

// What one value of a column needs: its length in the code page, whether it is an exact
// double, a plain decimal, an integer, a date and time or hex bytes.
void noteValue(ColumnShape &shape,
               const std::string &value,
               std::int64_t row,
               const paradox::CodePage &cp)
{
    auto firstBad = [&] {
        if (shape.firstBad.empty()) {
            shape.firstBad = value;
            shape.firstBadRow = row;
        }
    };
    std::vector<std::uint8_t> encoded;
    std::size_t bad = 0;
    if (cp.encode(value, encoded, &bad)) {
        shape.longestText = std::max(shape.longestText, static_cast<int>(encoded.size()));
    } else if (shape.type != "OLEOBJECT") {
        firstBad();
    }
    int whole = 0;
    int fraction = 0;
    const bool decimal = plainDecimal(value, whole, fraction);
    double number = 0;
    shape.allDoubles = shape.allDoubles && exactDouble(value, number);
    shape.allDecimals = shape.allDecimals && decimal;
    if (decimal) {
        shape.wholeDigits = std::max(shape.wholeDigits, whole);
        shape.fractionDigits = std::max(shape.fractionDigits, fraction);
        const bool fits =
            fraction == 0 && whole <= 10 && std::llabs(std::atoll(value.c_str())) <= 2147483647LL;
        shape.allIntegers = shape.allIntegers && fits;
    } else {
        shape.allIntegers = false;
    }
    if (shape.type == "DATETIME") {
        Timestamp stamp;
        bool hasTime = false;
        if (!parseDateTime(value, stamp, hasTime)) {
            firstBad();
        }
        shape.anyTime = shape.anyTime || hasTime;
    }
    Bytes bytes;
    if (shape.type == "OLEOBJECT" && !parseHex(value, bytes)) {
        firstBad();
    }
}

// The columns of the staging table with what their values need: each name (checked against
// what a Paradox field name may be) and type word, then one pass over the rows.
std::vector<ColumnShape> surveyColumns(sqlite3 *db,
                                       const StagingTable &source,
                                       const paradox::CodePage &cp,
                                       const std::string &codePage,
                                       const std::function<void()> &pumpEvents,
                                       std::int64_t &rowCount)
{
    std::vector<ColumnShape> shapes = columnsOf(db, source);
    if (shapes.empty()) {
        fail(source.name, "it has no columns");
    }
    checkFieldNames(shapes, source.name, cp, codePage);
    SqliteStatement rows(db, "SELECT * FROM " + source.qualified());
    std::int64_t row = 0;
    while (rows.step()) {
        ++row;
        pumpEvents();
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            if (!rows.isNull(static_cast<int>(i))) {
                noteValue(shapes[i], rows.text(static_cast<int>(i)), row, cp);
            }
        }
    }
    rowCount = row;
    return shapes;
}

// True when a Paradox number field holds every value of a numeric column exactly: a Long or
// a BCD of at most 32 digits, or a Number where every value is an exact double.
bool numberHolds(const ColumnShape &shape)
{
    const bool bcd = shape.allDecimals && shape.wholeDigits + shape.fractionDigits <= kBcdDigits;
    const bool integers = shape.type == "INT" && shape.allIntegers;
    return shape.allDoubles || ((shape.type != "FLOAT") && (bcd || integers));
}

// A text field long enough for every value: Alpha, or Memo beyond Alpha's length.
void textField(paradox::Field &field, const ColumnShape &shape)
{
    if (shape.longestText > kLongestAlpha) {
        field.type = FieldType::Memo;
        field.size = kMemoLeader + 10;
    } else {
        field.type = FieldType::Alpha;
        field.size = static_cast<std::uint8_t>(std::max(1, shape.longestText));
    }
}

// The Paradox field for each column: the type that holds every one of its values exactly.
std::vector<paradox::Field> chooseFields(const std::string &source,
                                         const std::vector<ColumnShape> &shapes,
                                         const std::string &codePage)
{
    std::vector<paradox::Field> fields;
    for (const ColumnShape &shape : shapes) {
        auto badValue = [&](const std::string &why) {
            fail(source,
                 "column \"" + shape.name + "\", row " + std::to_string(shape.firstBadRow) +
                     ": the value \"" + shape.firstBad.substr(0, 60) + "\" " + why);
        };
        paradox::Field field;
        field.name = shape.name;
        const bool numeric =
            shape.type == "INT" || shape.type == "DECIMAL" || shape.type == "FLOAT";
        if (!shape.firstBad.empty() && (shape.type == "DATETIME" || shape.type == "OLEOBJECT")) {
            badValue(shape.type == "DATETIME" ? "is not a date or a timestamp"
                                              : "is not hexadecimal bytes");
        }
        if (!shape.firstBad.empty() && !numeric && shape.type != "OLEOBJECT") {
            badValue("has a character that " + codePage + " cannot hold");
        }
        if (shape.type == "MEMO") {
            field.type = FieldType::Memo;
            field.size = kMemoLeader + 10;
        } else if (shape.type == "OLEOBJECT") {
            field.type = FieldType::Blob;
            field.size = 10;
        } else if (shape.type == "DATETIME") {
            field.type = shape.anyTime ? FieldType::Timestamp : FieldType::Date;
        } else if (numeric && !numberHolds(shape)) {
            // No Paradox number holds every value exactly (a DECFLOAT of 34 digits, an
            // Infinity): the column keeps each value's digits as text.
            textField(field, shape);
        } else if (shape.type == "FLOAT" || (numeric && !shape.allDecimals)) {
            field.type = FieldType::Number;
        } else if (shape.type == "INT" && shape.allIntegers) {
            field.type = FieldType::Long;
        } else if (numeric) {
            if (shape.wholeDigits + shape.fractionDigits > kBcdDigits) {
                field.type = FieldType::Number;
            } else {
                field.type = FieldType::Bcd;
                field.size = static_cast<std::uint8_t>(shape.fractionDigits);
            }
        } else {
            textField(field, shape);
        }
        fields.push_back(std::move(field));
    }

    return fields;
}

// The rows, converted to the fields' types, written as the new Paradox table.
void writeTable(sqlite3 *db,
                const StagingTable &source,
                std::int64_t rowCount,
                const std::filesystem::path &target,
                const std::vector<paradox::Field> &fields,
                const paradox::WriteOptions &written,
                const std::function<void()> &pumpEvents)
{
    const std::string select = "SELECT * FROM " + source.qualified();
    try {
        paradox::WriteOptions options = written;
        options.pumpEvents = pumpEvents;
        options.expectedRecords = static_cast<std::uint64_t>(rowCount);
        paradox::TableWriter writer(target, fields, options);
        SqliteStatement rows(db, select);
        std::vector<Value> row(fields.size());
        while (rows.step()) {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                const int c = static_cast<int>(i);
                if (rows.isNull(c)) {
                    row[i] = Value();
                    continue;
                }
                const std::string text = rows.text(c);
                switch (fields[i].type) {
                case FieldType::Long:
                    row[i] = Value::integer(std::atoll(text.c_str()));
                    break;
                case FieldType::Bcd:
                    row[i] = Value::decimal(text);
                    break;
                case FieldType::Number:
                    row[i] = Value::real(std::strtod(text.c_str(), nullptr));
                    break;
                case FieldType::Date:
                case FieldType::Timestamp: {
                    Timestamp stamp;
                    bool hasTime = false;
                    parseDateTime(text, stamp, hasTime);
                    row[i] = fields[i].type == FieldType::Date ? Value::date(stamp.date)
                                                               : Value::timestamp(stamp);
                    break;
                }
                case FieldType::Blob: {
                    Bytes bytes;
                    parseHex(text, bytes);
                    row[i] = Value::bytes(std::move(bytes));
                    break;
                }
                default:
                    row[i] = Value::text(text);
                    break;
                }
            }
            writer.append(row);
            pumpEvents();
        }
        writer.commit();
    } catch (const paradox::Error &e) {
        fail(source.name, e.what());
    }
}

} // namespace

std::string sqliteName(const std::string &name)
{
    return "\"" + text::doubled(name, '"') + "\"";
}

bool isStagingType(const std::string &word)
{
    static const std::set<std::string> kTypes = {
        "TEXT", "VARCHAR", "MEMO", "INT", "DECIMAL", "FLOAT", "DATETIME", "OLEOBJECT"};
    return kTypes.count(word) != 0;
}

void exportToParadox(sqlite3 *db,
                     const StagingTable &source,
                     const std::filesystem::path &target,
                     const std::function<void()> &pumpEvents,
                     bool replaceExisting)
{
    // Written in the Windows code page of the user's language, with its language driver.
    const paradox::LanguageDriver driver = paradox::codePagesInUse().write;
    const paradox::CodePage &cp = paradox::CodePage::number(driver.codePage);
    const std::string codePage = "code page " + std::to_string(driver.codePage);
    std::int64_t rowCount = 0;
    const std::vector<ColumnShape> shapes =
        surveyColumns(db, source, cp, codePage, pumpEvents, rowCount);
    const std::vector<paradox::Field> fields = chooseFields(source.name, shapes, codePage);
    paradox::WriteOptions options;
    options.replaceExisting = replaceExisting;
    options.driver = driver;
    writeTable(db, source, rowCount, target, fields, options, pumpEvents);
}

} // namespace tw::db::staging
