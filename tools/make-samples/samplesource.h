#pragma once

#include "core/value.h"
#include "paradox/format.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tw::samples {

// One sample table in its readable source form: a CSV file whose header names each field
// with its Paradox type and size ("Name:A40", "Notes:M20", "Price:$", "Discount:#2"), then
// one row per record. Empty cells are Null; text and memos take "\n" for a line break;
// Bytes and BLObs are hex; dates YYYY-MM-DD, times HH:MM:SS[.mmm], timestamps both.
struct SampleTable
{
    std::string name;
    std::vector<paradox::Field> fields;
    std::vector<std::vector<db::Value>> rows;
};

// Throws std::runtime_error naming the file, line and cell that cannot be read.
SampleTable loadSampleTable(const std::filesystem::path &csv);

// Every *.csv of the folder, by name.
std::vector<std::filesystem::path> sampleSources(const std::filesystem::path &folder);

} // namespace tw::samples
