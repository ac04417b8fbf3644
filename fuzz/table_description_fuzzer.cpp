// Fuzz target for the table description a list item's tooltip shows: the input is a .DB
// file, described from its header; its first byte says whether a memo file is beside it.

#include "paradox/bytesource.h"
#include "paradox/describe.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const tw::paradox::MemorySource file(std::vector<std::uint8_t>(data, data + size), "FUZZ.DB");
    const bool memo = size > 0 && (data[size - 1] & 1) != 0;
    const std::vector<std::string> lines =
        tw::paradox::describeHeader(file, memo ? "FUZZ.MB" : "", "1 bytes, changed 2026-01-01");
    if (lines.empty()) {
        __builtin_trap();
    }
    return 0;
}
