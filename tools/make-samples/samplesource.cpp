#include "samplesource.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tw::samples {

namespace {

using paradox::FieldType;

std::vector<std::vector<std::string>> parseCsv(const std::string &text)
{
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            record.push_back(std::move(cell));
            cell.clear();
        } else if (c == '\n') {
            record.push_back(std::move(cell));
            records.push_back(std::move(record));
            record.clear();
            cell.clear();
        } else if (c != '\r') {
            cell += c;
        }
    }
    if (!cell.empty() || !record.empty()) {
        record.push_back(std::move(cell));
        records.push_back(std::move(record));
    }
    return records;
}

std::string unescape(const std::string &text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
            out += text[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

paradox::Field fieldOf(const std::string &cell)
{
    const std::size_t colon = cell.rfind(':');
    if (colon == std::string::npos || colon + 1 >= cell.size()) {
        throw std::runtime_error("the header cell \"" + cell + "\" has no type");
    }
    paradox::Field field;
    field.name = cell.substr(0, colon);
    const char letter = cell[colon + 1];
    const int size = std::atoi(cell.c_str() + colon + 2);
    static const std::pair<char, FieldType> kTypes[] = {{'A', FieldType::Alpha},
                                                        {'D', FieldType::Date},
                                                        {'S', FieldType::Short},
                                                        {'I', FieldType::Long},
                                                        {'$', FieldType::Money},
                                                        {'N', FieldType::Number},
                                                        {'L', FieldType::Logical},
                                                        {'M', FieldType::Memo},
                                                        {'B', FieldType::Blob},
                                                        {'F', FieldType::FormattedMemo},
                                                        {'O', FieldType::Ole},
                                                        {'G', FieldType::Graphic},
                                                        {'T', FieldType::Time},
                                                        {'@', FieldType::Timestamp},
                                                        {'+', FieldType::AutoIncrement},
                                                        {'#', FieldType::Bcd},
                                                        {'Y', FieldType::Bytes}};
    const auto found = std::find_if(std::begin(kTypes), std::end(kTypes), [&](const auto &entry) {
        return entry.first == letter;
    });
    if (found == std::end(kTypes)) {
        throw std::runtime_error("the header cell \"" + cell + "\" has an unknown type");
    }
    field.type = found->second;
    // Blob sizes are written as Paradox shows them, the leader alone.
    field.size = static_cast<std::uint8_t>(paradox::isBlobType(field.type) ? size + 10 : size);
    return field;
}

db::Bytes hexBytes(const std::string &text)
{
    if (text.size() % 2 != 0 ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        throw std::runtime_error("\"" + text + "\" is not hex");
    }
    db::Bytes bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

db::Date dateOf(const std::string &text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        throw std::runtime_error("\"" + text + "\" is not YYYY-MM-DD");
    }
    return {std::atoi(text.substr(0, 4).c_str()),
            static_cast<std::uint8_t>(std::atoi(text.substr(5, 2).c_str())),
            static_cast<std::uint8_t>(std::atoi(text.substr(8, 2).c_str()))};
}

std::uint32_t timeOf(const std::string &text)
{
    if (text.size() < 8 || text[2] != ':' || text[5] != ':') {
        throw std::runtime_error("\"" + text + "\" is not HH:MM:SS");
    }
    std::uint32_t ms = static_cast<std::uint32_t>(
        ((std::atoi(text.substr(0, 2).c_str()) * 60 + std::atoi(text.substr(3, 2).c_str())) * 60 +
         std::atoi(text.substr(6, 2).c_str())) *
        1000);
    if (text.size() > 9 && text[8] == '.') {
        std::string fraction = text.substr(9);
        fraction.resize(3, '0');
        ms += static_cast<std::uint32_t>(std::atoi(fraction.c_str()));
    }
    return ms;
}

db::Value valueOf(const paradox::Field &field, const std::string &cell)
{
    if (cell.empty()) {
        return {};
    }
    switch (field.type) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return db::Value::text(unescape(cell));
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoIncrement:
        return db::Value::integer(std::stoll(cell));
    case FieldType::Money:
    case FieldType::Number:
        return db::Value::real(std::stod(cell));
    case FieldType::Logical:
        if (cell != "true" && cell != "false") {
            throw std::runtime_error("\"" + cell + "\" is not true or false");
        }
        return db::Value::boolean(cell == "true");
    case FieldType::Date:
        return db::Value::date(dateOf(cell));
    case FieldType::Time:
        return db::Value::time({timeOf(cell)});
    case FieldType::Timestamp:
        return db::Value::timestamp({dateOf(cell.substr(0, 10)), timeOf(cell.substr(11))});
    case FieldType::Bcd:
        return db::Value::decimal(cell);
    default:
        return db::Value::bytes(hexBytes(cell));
    }
}

} // namespace

SampleTable loadSampleTable(const std::filesystem::path &csv)
{
    std::ifstream in(csv, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + csv.string());
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    const auto records = parseCsv(buffer.str());
    if (records.empty()) {
        throw std::runtime_error(csv.string() + " has no header");
    }
    SampleTable table;
    table.name = csv.stem().string();
    try {
        for (const std::string &cell : records[0]) {
            table.fields.push_back(fieldOf(cell));
        }
    } catch (const std::exception &e) {
        throw std::runtime_error(csv.string() + " line 1: " + e.what());
    }
    for (std::size_t r = 1; r < records.size(); ++r) {
        if (records[r].size() != table.fields.size()) {
            throw std::runtime_error(csv.string() + " record " + std::to_string(r) + ": " +
                                     std::to_string(records[r].size()) + " cells for " +
                                     std::to_string(table.fields.size()) + " fields");
        }
        std::vector<db::Value> row;
        for (std::size_t i = 0; i < table.fields.size(); ++i) {
            try {
                row.push_back(valueOf(table.fields[i], records[r][i]));
            } catch (const std::exception &e) {
                throw std::runtime_error(csv.string() + " record " + std::to_string(r) +
                                         ", field " + table.fields[i].name + ": " + e.what());
            }
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::vector<std::filesystem::path> sampleSources(const std::filesystem::path &folder)
{
    std::vector<std::filesystem::path> sources;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".csv") {
            sources.push_back(entry.path());
        }
    }
    std::sort(sources.begin(), sources.end());
    return sources;
}

} // namespace tw::samples
