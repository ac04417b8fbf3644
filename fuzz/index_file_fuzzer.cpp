// Fuzz target for the secondary index reader: the input is an index file (.Xnn, .XGn), read
// against a table of four fields, keyed on its first when the input's first byte is odd.

#include "paradox/codepage.h"
#include "paradox/error.h"
#include "paradox/indexfile.h"

#include <cstdint>
#include <vector>

namespace {

tw::paradox::TableHeader table(bool keyed)
{
    tw::paradox::TableHeader header;
    for (const char *name : {"ID", "NAME", "CITY", "ZIP"}) {
        tw::paradox::Field field;
        field.name = name;
        field.type = tw::paradox::FieldType::Alpha;
        field.size = 20;
        header.fields.push_back(field);
    }
    header.primaryKeyFields = keyed ? 1 : 0;
    return header;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const tw::paradox::TableHeader keyed = table(true);
    static const tw::paradox::TableHeader unkeyed = table(false);
    const tw::paradox::MemorySource file(std::vector<std::uint8_t>(data, data + size), "FUZZ.X02");
    try {
        const tw::paradox::SecondaryIndex index =
            tw::paradox::readSecondaryIndex(file,
                                            size > 0 && (data[0] & 1) != 0 ? keyed : unkeyed,
                                            tw::paradox::CodePage::number(1252));
        if (index.fields.size() != index.descending.size() || index.fields.empty()) {
            __builtin_trap();
        }
    } catch (const tw::paradox::Error &) {
    }
    return 0;
}
