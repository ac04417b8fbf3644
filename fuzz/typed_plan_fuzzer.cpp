// Fuzz target for the typed copy's plan: the input is a .DB file, optionally followed by the
// marker "\n--MB--\n" and a .MB file, as the reader's target takes it. The plan surveys
// every record, and its CREATE TABLE text and bound values are made as the copy makes them.

#include "paradox/bytesource.h"
#include "paradox/error.h"
#include "paradox/reader.h"
#include "transfer/sqltext.h"
#include "transfer/typedtable.h"

#include <cstdint>
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
        blobs = std::make_shared<tw::paradox::MemorySource>(
            std::vector<std::uint8_t>(data + split + kMarker.size(), data + size), "FUZZ.MB");
    }
    try {
        tw::paradox::TableReader reader(table, blobs);
        if (reader.recordCount() > 100'000) {
            return 0;
        }
        const tw::transfer::TypedTable plan =
            tw::transfer::planTypedTable(reader, "FUZZ", size % 2 == 0);
        if (plan.columns.size() != reader.fields().size()) {
            __builtin_trap();
        }
        (void)tw::transfer::typedCreateText(QStringLiteral("FUZZ"), plan);
        tw::paradox::TableReader again(table, blobs);
        std::vector<tw::db::Value> row;
        for (std::size_t n = 0; n < 1000 && again.next(); ++n) {
            row.clear();
            for (std::size_t i = 0; i < again.fields().size(); ++i) {
                try {
                    row.push_back(again.value(i));
                } catch (const tw::paradox::Error &) {
                    row.emplace_back();
                }
            }
            tw::transfer::toBound(plan, row);
        }
    } catch (const tw::paradox::Error &) {
    }
    return 0;
}
