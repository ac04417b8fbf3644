#include "support/tablefiles.h"

#include "paradox/writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tw::test {

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tw-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::permissions(
        m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::vector<std::string> TempFolder::fileNames() const
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(m_path)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

paradox::Field field(const std::string &name, paradox::FieldType type, int size)
{
    paradox::Field f;
    f.name = name;
    f.type = type;
    f.size = static_cast<std::uint8_t>(size);
    return f;
}

std::filesystem::path writeTable(const std::filesystem::path &path,
                                 const std::vector<paradox::Field> &fields,
                                 const std::vector<std::vector<db::Value>> &rows)
{
    paradox::TableWriter writer(path, fields);
    for (const auto &row : rows) {
        writer.append(row);
    }
    writer.commit();
    return path;
}

std::vector<std::vector<db::Value>> readAll(paradox::TableReader &table)
{
    std::vector<std::vector<db::Value>> rows;
    while (table.next()) {
        std::vector<db::Value> row;
        for (std::size_t i = 0; i < table.fields().size(); ++i) {
            row.push_back(table.value(i));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::vector<db::Value>> readAll(const std::filesystem::path &path)
{
    paradox::TableReader table = paradox::TableReader::open(path);
    return readAll(table);
}

std::filesystem::path corpusFolder()
{
    const std::filesystem::path folder = TW_PARADOX_CORPUS;
    std::error_code error;
    return std::filesystem::is_directory(folder, error) ? folder : std::filesystem::path();
}

} // namespace tw::test
