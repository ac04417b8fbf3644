#pragma once

#include "core/value.h"
#include "paradox/format.h"
#include "paradox/reader.h"

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

namespace tw::paradox::dump {

// Cells in the conventions of the reference dumps: quoted UTF-8 text with '"' doubled,
// YYYY-MM-DD, HH:MM:SS.mmm, YYYY-MM-DDTHH:MM:SS.mmm, numbers in their shortest exact form
// (integral ones without a fraction), true/false, "hex:" bytes, and blobs as
// bin:<length>:crc32=<crc>:head=<first 16 bytes>. Null is an empty cell.
struct CellOptions
{
    bool fullBlobs = false; // blobs whole in hex instead of the summary
};

std::string cell(const Field &field, const db::Value &value, const CellOptions &options = {});

std::uint32_t crc32(std::span<const std::uint8_t> bytes);

// The '#' lines describing the header and the fields, then the CSV header row.
void printPreamble(std::ostream &out, const std::string &file, const TableReader &table);

} // namespace tw::paradox::dump
