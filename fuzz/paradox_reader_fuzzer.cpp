// Fuzz target for the Paradox reader: the input is a .DB file, optionally followed by the
// marker "\n--MB--\n" and a .MB file. Every value of every record is decoded.

#include "paradox/bytesource.h"
#include "paradox/error.h"
#include "paradox/reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static constexpr std::string_view kMarker = "\n--MB--\n";
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t split = input.find(kMarker);
    const std::size_t dbSize = split == std::string_view::npos ? size : split;

    auto table = std::make_shared<tw::paradox::MemorySource>(
        std::vector<std::uint8_t>(data, data + dbSize), "FUZZ.DB");
    std::shared_ptr<tw::paradox::MemorySource> blobs;
    if (split != std::string_view::npos) {
        const std::size_t mbAt = split + kMarker.size();
        blobs = std::make_shared<tw::paradox::MemorySource>(
            std::vector<std::uint8_t>(data + mbAt, data + size), "FUZZ.MB");
    }
    try {
        tw::paradox::TableReader reader(table, blobs);
        std::size_t records = 0;
        while (reader.next() && records++ < 100'000) {
            for (std::size_t i = 0; i < reader.fields().size(); ++i) {
                try {
                    (void)reader.value(i).toText();
                } catch (const tw::paradox::Error &) {
                }
            }
        }
    } catch (const tw::paradox::Error &) {
    }
    return 0;
}
