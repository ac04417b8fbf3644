#pragma once

#include "core/value.h"
#include "paradox/format.h"
#include "paradox/reader.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tw::test {

// A temporary folder removed with everything in it.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::filesystem::path &path() const { return m_path; }

    std::filesystem::path operator/(const std::string &name) const { return m_path / name; }

    std::vector<std::string> fileNames() const;

private:
    std::filesystem::path m_path;
};

std::vector<std::uint8_t> readFile(const std::filesystem::path &path);
void writeFile(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes);

paradox::Field field(const std::string &name, paradox::FieldType type, int size = 0);

// Writes a table with the writer and returns its path.
std::filesystem::path writeTable(const std::filesystem::path &path,
                                 const std::vector<paradox::Field> &fields,
                                 const std::vector<std::vector<db::Value>> &rows);

// Every record of the table, decoded.
std::vector<std::vector<db::Value>> readAll(paradox::TableReader &table);
std::vector<std::vector<db::Value>> readAll(const std::filesystem::path &path);

// The folder of the shared Paradox corpus, or empty when it is not beside the project.
std::filesystem::path corpusFolder();

} // namespace tw::test
