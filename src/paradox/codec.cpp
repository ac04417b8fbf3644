#include "paradox/codec.h"

#include "paradox/calendar.h"
#include "paradox/error.h"
#include "text/text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace tw::paradox {

namespace {

bool allZero(std::span<const std::uint8_t> raw)
{
    return std::all_of(raw.begin(), raw.end(), [](std::uint8_t b) { return b == 0; });
}

// Integers: big-endian two's complement with the top bit flipped.
std::int64_t decodeSigned(std::span<const std::uint8_t> raw)
{
    std::uint64_t bits = raw[0] ^ 0x80U;
    for (std::size_t i = 1; i < raw.size(); ++i) {
        bits = bits << 8 | raw[i];
    }
    const unsigned width = static_cast<unsigned>(raw.size()) * 8;
    const std::uint64_t sign = std::uint64_t{1} << (width - 1);
    return static_cast<std::int64_t>(bits ^ sign) - static_cast<std::int64_t>(sign);
}

void encodeSigned(std::int64_t value, std::span<std::uint8_t> out)
{
    auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = out.size(); i-- > 0;) {
        out[i] = static_cast<std::uint8_t>(bits & 0xFF);
        bits >>= 8;
    }
    out[0] ^= 0x80;
}

// Doubles: big-endian IEEE, the top bit set for positive values, every bit inverted for
// negative ones, so that byte order sorts.
double decodeDouble(std::span<const std::uint8_t> raw)
{
    std::uint64_t bits = 0;
    for (const std::uint8_t b : raw) {
        bits = bits << 8 | b;
    }
    bits = (bits & 0x8000'0000'0000'0000ULL) != 0 ? bits & 0x7FFF'FFFF'FFFF'FFFFULL : ~bits;
    return std::bit_cast<double>(bits);
}

void encodeDouble(double value, std::span<std::uint8_t> out)
{
    auto bits = std::bit_cast<std::uint64_t>(value);
    bits = (bits & 0x8000'0000'0000'0000ULL) == 0 ? bits | 0x8000'0000'0000'0000ULL : ~bits;
    for (std::size_t i = 8; i-- > 0;) {
        out[i] = static_cast<std::uint8_t>(bits & 0xFF);
        bits >>= 8;
    }
}

std::string fieldLabel(const Field &field)
{
    return std::string(1, fieldTypeLetter(field.type));
}

std::string encodeBcd(const std::string &text, int decimals, std::span<std::uint8_t> out)
{
    const std::optional<text::DecimalParts> parts = text::decimalParts(text);
    if (!parts) {
        return "\"" + text + "\" is not a decimal number";
    }
    bool negative = parts->negative;
    std::string whole(parts->whole);
    std::string fraction(parts->fraction);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    while (static_cast<int>(fraction.size()) > decimals && fraction.back() == '0') {
        fraction.pop_back();
    }
    if (static_cast<int>(fraction.size()) > decimals) {
        return text + " has more than " + std::to_string(decimals) + " decimals";
    }
    const int wholeDigits = 32 - decimals;
    if (static_cast<int>(whole.size()) > wholeDigits) {
        return text + " has more than " + std::to_string(wholeDigits) +
               " digits before the decimal point";
    }
    fraction.resize(static_cast<std::size_t>(decimals), '0');
    const std::string digits =
        std::string(static_cast<std::size_t>(wholeDigits) - whole.size(), '0') + whole + fraction;
    if (digits.find_first_not_of('0') == std::string::npos) {
        negative = false;
    }
    out[0] = static_cast<std::uint8_t>((negative ? 0x40 : 0xC0) | decimals);
    for (int n = 0; n < 32; ++n) {
        unsigned nibble = static_cast<unsigned>(digits[static_cast<std::size_t>(n)] - '0');
        if (negative) {
            nibble = 15 - nibble;
        }
        std::uint8_t &byte = out[1 + static_cast<std::size_t>(n / 2)];
        byte = static_cast<std::uint8_t>(n % 2 == 0 ? (byte & 0x0F) | nibble << 4
                                                    : (byte & 0xF0) | nibble);
    }
    return {};
}

} // namespace

std::uint16_t readLe16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t readLe32(const std::uint8_t *p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

void writeLe16(std::uint8_t *p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void writeLe32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i) & 0xFF);
    }
}

std::string decodeBcd(std::span<const std::uint8_t> raw, int decimals)
{
    // Bit 6 marks every stored value; without it the bytes are blank.
    if ((raw[0] & 0x40) == 0) {
        return {};
    }
    const bool negative = (raw[0] & 0x80) == 0;
    std::string digits;
    digits.reserve(32);
    bool garbage = false;
    for (int n = 0; n < 32; ++n) {
        const std::uint8_t byte = raw[1 + static_cast<std::size_t>(n / 2)];
        unsigned nibble = n % 2 == 0 ? byte >> 4 : byte & 0x0F;
        if (negative) {
            nibble = 15 - nibble;
        }
        // Stored values carry about 20 significant digits; the rest may be filler nibbles.
        garbage = garbage || nibble > 9;
        digits += garbage ? '0' : static_cast<char>('0' + nibble);
    }
    const auto wholeDigits = static_cast<std::size_t>(32 - decimals);
    std::string whole = digits.substr(0, wholeDigits);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    if (whole.empty()) {
        whole = "0";
    }
    std::string text = (negative && digits.find_first_not_of('0') != std::string::npos) ? "-" : "";
    text += whole;
    if (decimals > 0) {
        text += '.';
        text += digits.substr(wholeDigits);
    }
    return text;
}

db::Value decodeField(const Field &field, std::span<const std::uint8_t> raw, const CodePage &cp)
{
    switch (field.type) {
    case FieldType::Alpha: {
        const auto end = std::find(raw.begin(), raw.end(), std::uint8_t{0});
        if (end == raw.begin()) {
            return {};
        }
        return db::Value::text(cp.decode(raw.first(static_cast<std::size_t>(end - raw.begin()))));
    }
    case FieldType::Bytes:
        if (allZero(raw)) {
            return {};
        }
        return db::Value::bytes(db::Bytes(raw.begin(), raw.end()));
    case FieldType::Logical:
        if (raw[0] == 0) {
            return {};
        }
        return db::Value::boolean((raw[0] & 0x7F) != 0);
    case FieldType::Bcd: {
        std::string text = decodeBcd(raw, field.decimals());
        return text.empty() ? db::Value() : db::Value::decimal(std::move(text));
    }
    default:
        break;
    }
    if (allZero(raw)) {
        return {};
    }
    switch (field.type) {
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoIncrement:
        return db::Value::integer(decodeSigned(raw));
    case FieldType::Date:
        return db::Value::date(dateFromDayNumber(decodeSigned(raw)));
    case FieldType::Time: {
        const std::int64_t ms = decodeSigned(raw);
        if (ms < 0 || ms >= kMsPerDay) {
            throw Error("a time of " + std::to_string(ms) + " ms, outside a day");
        }
        return db::Value::time({static_cast<std::uint32_t>(ms)});
    }
    case FieldType::Money:
    case FieldType::Number:
        return db::Value::real(decodeDouble(raw));
    case FieldType::Timestamp: {
        const double ms = decodeDouble(raw);
        // Beyond about 292 million years the day number no longer fits; no real table has it.
        if (!std::isfinite(ms) || std::fabs(ms) > 9.0e18) {
            throw Error("a timestamp that is not a point in time");
        }
        const auto total = static_cast<std::int64_t>(std::llround(ms));
        const std::int64_t days =
            total >= 0 ? total / kMsPerDay : -((-total + kMsPerDay - 1) / kMsPerDay);
        const std::int64_t msOfDay = total - days * kMsPerDay;
        return db::Value::timestamp({dateFromDayNumber(days), static_cast<std::uint32_t>(msOfDay)});
    }
    default:
        throw Error("a field of type " + fieldLabel(field) + " that is not fixed-size");
    }
}

namespace {

std::string cannotHold(const Field &field, const db::Value &value)
{
    return "a " + fieldLabel(field) + " field cannot hold the value \"" + value.toText() + "\"";
}

std::string encodeInteger(const Field &field,
                          const db::Value &value,
                          std::int64_t low,
                          std::int64_t high,
                          std::span<std::uint8_t> out)
{
    if (value.kind() != db::Value::Kind::Integer) {
        return cannotHold(field, value);
    }
    const std::int64_t v = value.asInteger();
    if (v < low || v > high) {
        return std::to_string(v) + " is outside the range " + std::to_string(low) + " to " +
               std::to_string(high) + " of a " + fieldLabel(field) + " field";
    }
    encodeSigned(v, out);
    return {};
}

std::string encodeAlpha(const Field &field,
                        const db::Value &value,
                        const CodePage &cp,
                        std::span<std::uint8_t> out)
{
    if (value.kind() != db::Value::Kind::Text) {
        return cannotHold(field, value);
    }
    const std::string &text = value.asText();
    if (text.find('\0') != std::string::npos) {
        return "the text holds a NUL character";
    }
    std::vector<std::uint8_t> bytes;
    std::size_t bad = 0;
    if (!cp.encode(text, bytes, &bad)) {
        return "the text has a character at byte " + std::to_string(bad) + " that code page " +
               cp.name() + " cannot hold";
    }
    if (bytes.size() > out.size()) {
        return "the text takes " + std::to_string(bytes.size()) + " bytes, more than the " +
               std::to_string(out.size()) + " of the field";
    }
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return {};
}

std::string encodeBytes(const Field &field, const db::Value &value, std::span<std::uint8_t> out)
{
    if (value.kind() != db::Value::Kind::Binary) {
        return cannotHold(field, value);
    }
    const db::Bytes &bytes = value.asBytes();
    if (bytes.size() > out.size()) {
        return std::to_string(bytes.size()) + " bytes, more than the " +
               std::to_string(out.size()) + " of the field";
    }
    if (allZero(bytes)) {
        return "bytes that are all zero read back as blank";
    }
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return {};
}

std::string encodeNumber(const Field &field, const db::Value &value, std::span<std::uint8_t> out)
{
    if (value.kind() == db::Value::Kind::Double) {
        encodeDouble(value.asDouble(), out);
        return {};
    }
    if (value.kind() == db::Value::Kind::Integer) {
        const auto v = static_cast<double>(value.asInteger());
        if (v >= 9.2e18 || static_cast<std::int64_t>(v) != value.asInteger()) {
            return std::to_string(value.asInteger()) + " has no exact double form";
        }
        encodeDouble(v, out);
        return {};
    }
    return cannotHold(field, value);
}

std::string encodeDate(const Field &field, const db::Value &value, std::span<std::uint8_t> out)
{
    if (value.kind() != db::Value::Kind::Date || !isValidDate(value.asDate())) {
        return cannotHold(field, value);
    }
    const std::int64_t day = dayNumberFromDate(value.asDate());
    if (day <= std::numeric_limits<std::int32_t>::min() ||
        day > std::numeric_limits<std::int32_t>::max()) {
        return "the date is out of range";
    }
    encodeSigned(day, out);
    return {};
}

std::string encodeTimestamp(const Field &field, const db::Value &value, std::span<std::uint8_t> out)
{
    if (value.kind() != db::Value::Kind::Timestamp || !isValidDate(value.asTimestamp().date) ||
        value.asTimestamp().msOfDay >= kMsPerDay) {
        return cannotHold(field, value);
    }
    if (value.asTimestamp().microseconds != 0) {
        return "a Paradox timestamp keeps whole milliseconds, not " + value.toText();
    }
    const std::int64_t ms =
        dayNumberFromDate(value.asTimestamp().date) * kMsPerDay + value.asTimestamp().msOfDay;
    if (std::llabs(ms) > (std::int64_t{1} << 53)) {
        return "the timestamp is out of range";
    }
    encodeDouble(static_cast<double>(ms), out);
    return {};
}

} // namespace

std::string encodeField(const Field &field,
                        const db::Value &value,
                        const CodePage &cp,
                        std::span<std::uint8_t> out)
{
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    if (value.isNull()) {
        return {};
    }
    using Kind = db::Value::Kind;
    const Kind kind = value.kind();
    switch (field.type) {
    case FieldType::Alpha:
        return encodeAlpha(field, value, cp, out);
    case FieldType::Bytes:
        return encodeBytes(field, value, out);
    case FieldType::Short:
        return encodeInteger(field, value, -32767, 32767, out);
    case FieldType::Long:
        return encodeInteger(field, value, -2147483647, 2147483647, out);
    case FieldType::AutoIncrement:
        return encodeInteger(field, value, 1, 2147483647, out);
    case FieldType::Logical:
        if (kind != Kind::Boolean) {
            return cannotHold(field, value);
        }
        out[0] = value.asBoolean() ? 0x81 : 0x80;
        return {};
    case FieldType::Money:
    case FieldType::Number:
        return encodeNumber(field, value, out);
    case FieldType::Date:
        return encodeDate(field, value, out);
    case FieldType::Time:
        if (kind != Kind::Time || value.asTime().msOfDay >= kMsPerDay) {
            return cannotHold(field, value);
        }
        encodeSigned(value.asTime().msOfDay, out);
        return {};
    case FieldType::Timestamp:
        return encodeTimestamp(field, value, out);
    case FieldType::Bcd:
        if (kind == Kind::Decimal) {
            return encodeBcd(value.asDecimal().text, field.decimals(), out);
        }
        if (kind == Kind::Integer) {
            return encodeBcd(std::to_string(value.asInteger()), field.decimals(), out);
        }
        return cannotHold(field, value);
    default:
        return "a blob field is not encoded in the record alone";
    }
}

} // namespace tw::paradox
